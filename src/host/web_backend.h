// The browser backend: the page is the desktop.
//
// A form of the window system is an HTML form on the page, and every
// "button" and "static" control of it one HTML element at the same place
// (web/page.js draws them): a group box is a frame with its caption, a radio
// button an <input type=radio> grouped with its parent's other radio
// buttons, a check box an <input type=checkbox>, a push button a <button>,
// a text a <div>. The demo window is a canvas at the largest whole scale
// that fits the page, or the browser's full screen at the largest whole
// scale with black bars. Sound is SDL's Web Audio output. The show's loops
// block as on the desktop; built with ASYNCIFY, a wait for input and the
// turn between two frames hand the browser its time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/backend.h"
#include "host/platform.h"

namespace host {

class WebBackend : public Backend {
 public:
  WebBackend() = default;
  ~WebBackend() override;

  uint64_t NowMs() override;
  Rect DesktopRect() override { return Rect{0, 0, 1280, 1024}; }
  bool OpenWindow(HWND window, const std::string& title, const Rect& outer) override;
  bool OpenForm(HWND window, const std::string& title, const Rect& outer) override;
  bool OpenControl(HWND control, HWND parent, const ControlSpec& spec) override;
  void SetControlText(HWND control, const std::string& text) override;
  void SetControlCheck(HWND control, bool checked) override;
  bool ControlChecked(HWND control) override;
  void SetControlFont(HWND control, int font) override;
  void CloseWindow(HWND window) override;
  void PlaceWindow(HWND, const Rect&) override {}
  void ShowCursor(bool visible) override;
  bool PumpEvents(WindowSystem& windows, bool wait) override;
  void ShowMessageBox(const std::string& text, const std::string& caption) override;

  bool EnterFullscreen(HWND window, int width, int height, int bitsPerPixel) override;
  void LeaveFullscreen(HWND window) override;
  void Show(const Surface& primary, HWND window) override;
  bool ShownPicture(HWND window, Picture* picture) override;

  bool OpenAudio(int output, int rate, AudioPull pull, std::string* error) override;
  void CloseAudio() override;
  int64_t AudioFramesHeard() override;

  // Frames the audio callback has been asked for since OpenAudio.
  int64_t AudioFramesDelivered() const { return delivered_; }

 private:
  struct View {
    bool fullscreen = false;
    Picture shown;                // what the canvas holds, as 0x00RRGGBB
    std::vector<uint32_t> rgba;  // the same as the canvas takes it
  };
  static void AudioCallback(void* self, uint8_t* stream, int bytes);

  std::map<HWND, View> views_;
  std::map<HWND, bool> forms_;  // forms and their controls: true for a form
  bool shownSinceYield_ = false;
  double lastYieldMs_ = 0;
  WindowSystem* windows_ = nullptr;
  friend std::unique_ptr<Platform> MakeWebPlatform();

  uint32_t audioDevice_ = 0;
  AudioPull pull_;
  int audioRate_ = 0;
  int bufferFrames_ = 0;
  int64_t delivered_ = 0;
  double deliveredAtMs_ = 0;
  int64_t heard_ = 0;
};

std::unique_ptr<Platform> MakeWebPlatform();
WebBackend& Web(Platform& platform);

// The page around the program.
namespace page {
// The address's query, without its '?' ("" when there is none).
std::string Query();
// Hands the browser its turn: until the next animation frame, or (`soon`)
// only until the tasks already waiting have run.
void Yield(bool soon = false);
// Offers the file at `path` (in the program's file system) to the viewer
// as a download named `name`, then removes it.
void Download(const std::string& path, const std::string& name);
// Takes the program's place on the page: the show is over. With
// `lastWords` the last line the program printed is shown under the text
// (a show that could not start says why there).
void Close(const std::string& text, bool lastWords = false);
// The program has ended with this code: the page notes it (tests wait for it).
void Finished(int code);
// Milliseconds from a steady clock.
double SteadyMs();
// The size of the program's memory now.
size_t MemoryBytes();
}  // namespace page

}  // namespace host
