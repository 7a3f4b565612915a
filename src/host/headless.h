// A backend without a screen, keyboard or sound card. Time is virtual: it
// moves only when the driver says a frame is done, so a run is the same on
// every machine and as fast as the machine allows. What would have been on
// the screen is kept as an image, and message boxes go to standard error.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/backend.h"
#include "host/platform.h"

namespace host {

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(int framesPerSecond = 60) : fps_(framesPerSecond) {}

  // One frame of virtual time: 1000 / fps ms, kept exact over the run.
  void AdvanceFrame() { ++frames_; }
  void AdvanceMs(uint64_t ms) { extraMs_ += ms; }

  uint64_t NowMs() override { return kEpochMs + extraMs_ + frames_ * 1000 / fps_; }
  Rect DesktopRect() override { return Rect{0, 0, 1280, 1024}; }
  bool OpenWindow(HWND, const std::string&, const Rect&) override { return true; }
  bool OpenForm(HWND, const std::string&, const Rect&) override { return true; }
  bool OpenControl(HWND control, HWND parent, const ControlSpec& spec) override;
  void SetControlText(HWND control, const std::string& text) override;
  void SetControlCheck(HWND control, bool checked) override;
  bool ControlChecked(HWND control) override;
  void SetControlFont(HWND control, int font) override;
  void CloseWindow(HWND window) override { controls_.erase(window); }
  void PlaceWindow(HWND, const Rect&) override {}
  void ShowCursor(bool visible) override { cursorVisible = visible; }
  bool PumpEvents(WindowSystem& windows, bool) override {
    if (script) script(windows);
    return false;
  }
  void ShowMessageBox(const std::string& text, const std::string& caption) override;

  bool EnterFullscreen(HWND, int, int, int) override;
  void LeaveFullscreen(HWND) override { fullscreen = false; }
  void Show(const Surface& primary, HWND window) override;
  void Keep(const Surface& surface) override;
  bool ShownPicture(HWND window, Picture* picture) override;

  bool OpenAudio(int, int rate, AudioPull, std::string* error) override;
  void CloseAudio() override { audioRate_ = 0; }
  int64_t AudioFramesHeard() override;

  // What a viewer would see: the full-screen picture or the window's client
  // area, as 0x00RRGGBB pixels.
  const std::vector<uint32_t>& Screen() const;
  int ScreenWidth() const { return screenWidth_; }
  int ScreenHeight() const { return screenHeight_; }
  int ShowCount() const { return shows_; }

  // Hands `sink` every stereo frame the listener has heard since the last
  // call and not been given yet, pulled from the audio stream as a sound
  // card would pull it. Returns how many frames it handed over.
  int64_t TakeHeardAudio(const std::function<void(const int16_t*, int)>& sink);

  // The controls in memory, as a toolkit would hold them.
  struct Control {
    HWND parent = 0;
    ControlSpec spec;
    bool checked = false;
    int font = SYSTEM_FONT;
  };
  const Control* FindControl(HWND control) const;
  // The control with this text (0 if none).
  HWND ControlNamed(const std::string& text) const;
  // A viewer's click: nothing on a disabled control; a radio button becomes
  // the only checked one among its parent's radio buttons, a check box
  // toggles; then the parent hears of it.
  bool Click(HWND control);
  // Enter or Escape pressed in a form.
  void PressKey(HWND form, WPARAM key);

  // Scripted input: runs whenever the queue is empty and input is looked for.
  std::function<void(WindowSystem&)> script;
  std::vector<std::pair<std::string, std::string>> messageBoxes;  // text, caption
  bool quiet = false;  // keep message boxes off standard error (tests)
  bool cursorVisible = true;
  bool fullscreen = false;
  bool refuseFullscreen = false;
  std::string refuseAudio;  // non-empty: OpenAudio fails with this text

 private:
  static constexpr uint64_t kEpochMs = 1765000000000ull;  // a date in late 2025
  int fps_;
  uint64_t frames_ = 0;
  uint64_t extraMs_ = 0;
  int audioRate_ = 0;
  uint64_t audioOpenedMs_ = 0;
  AudioPull audioPull_;
  int64_t audioTaken_ = 0;
  std::map<HWND, Control> controls_;
  // The last shown surface, turned into a picture only when someone looks:
  // most frames of a headless run are never looked at. A primary surface is
  // the screen, so its memory is read where it lies; only when the device
  // is about to destroy or wipe it are its bytes copied.
  struct Shown {
    int width = 0, height = 0, bitsPerPixel = 0, pitch = 0;
    Rect area;  // what of it is on the screen, in surface coordinates
    const Surface* live = nullptr;  // the surface itself, while it lasts
    std::vector<uint8_t> memory;    // else its bytes as they were kept
    std::array<uint32_t, 256> grey{};  // the palette as 0x00RRGGBB (8-bit surfaces)
  } shown_;
  mutable bool screenStale_ = false;
  mutable std::vector<uint32_t> screen_;
  int screenWidth_ = 0, screenHeight_ = 0;
  int shows_ = 0;
  WindowSystem* windows_ = nullptr;
  friend std::unique_ptr<Platform> MakeHeadlessPlatform(int);
};

std::unique_ptr<Platform> MakeHeadlessPlatform(int framesPerSecond = 60);
HeadlessBackend& Headless(Platform& platform);

}  // namespace host
