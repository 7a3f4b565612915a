// The desktop backend: real windows, keyboard and sound through SDL2.
//
// Each window of the window system is an SDL window with a renderer and one
// streaming texture. In a window the texture is the client area's part of the
// desktop-sized primary surface; in full screen the window covers the desktop
// and the texture is the whole mode-sized primary surface, scaled up with its
// aspect kept. Sound is an SDL audio device whose callback pulls from the
// module player. Windows, input and the screen are in sdl_video.cpp, sound in
// sdl_audio.cpp; forms are FLTK's (fltk_forms.h).
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/backend.h"
#include "host/fltk_forms.h"
#include "host/platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace host {

class SdlBackend : public Backend {
 public:
  SdlBackend();  // SDL's video must be initialised
  ~SdlBackend() override;

  uint64_t NowMs() override;
  Rect DesktopRect() override;
  bool OpenWindow(HWND window, const std::string& title, const Rect& outer) override;
  bool OpenForm(HWND window, const std::string& title, const Rect& outer) override;
  bool OpenControl(HWND control, HWND parent, const ControlSpec& spec) override;
  void SetControlText(HWND control, const std::string& text) override;
  void SetControlCheck(HWND control, bool checked) override;
  bool ControlChecked(HWND control) override;
  void SetControlFont(HWND control, int font) override;
  void CloseWindow(HWND window) override;
  void PlaceWindow(HWND window, const Rect& outer) override;
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

  // The SDL window behind a handle (null if none), and the audio driver in
  // use ("" when no device is open).
  SDL_Window* WindowOf(HWND window) const;
  const std::string& AudioDriver() const { return audioDriver_; }
  int64_t AudioFramesDelivered();

  // Message boxes go to standard error only (tests that must not block).
  bool boxesToStderr = false;
  // Windows open this many times their size on the screen, each pixel a
  // sharp square; set it before the first window opens.
  int windowScale = 1;

 private:
  struct View {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0, textureHeight = 0;
    bool fullscreen = false;
    Picture shown;  // what the texture holds
  };
  View* ViewOf(HWND window);
  HWND HandleOf(uint32_t sdlWindowId) const;
  bool SizeTexture(View& view, int width, int height);
  void HandleEvent(WindowSystem& windows, const void* event);
  bool TryAudio(const struct AudioAttempt& attempt, int rate, std::string* error);
  static void AudioCallback(void* self, uint8_t* stream, int bytes);

  std::map<HWND, View> views_;
  FltkForms forms_{windows_};
  std::set<HWND> cursorCheck_;  // windows whose cursor must be asked for again
  WindowSystem* windows_ = nullptr;
  friend std::unique_ptr<Platform> MakeSdlPlatform(std::string*);

  uint32_t audioDevice_ = 0;
  std::string audioDriver_;
  AudioPull pull_;
  int audioRate_ = 0;
  int bufferFrames_ = 0;
  std::mutex audioLock_;  // guards the counters below against the callback
  int64_t delivered_ = 0;
  uint64_t deliveredAtNs_ = 0;
  int64_t heard_ = 0;
};

// One way of opening the sound: an SDL driver (empty: SDL's own choice), an
// ALSA device name (empty: the driver's default) and the frames a callback
// fills.
struct AudioAttempt {
  std::string driver;
  std::string device;
  int bufferFrames = 0;
  bool operator==(const AudioAttempt&) const = default;
};

// How an output is opened, in the order to try. "Wave-out" is the system's
// default output, which goes through its sound server where one runs.
// "DirectSound" is the most direct output there is: ALSA's own device,
// past any sound server, with a small buffer; where that does not open, the
// default stands in. A driver named in the environment (`namedDriver`)
// decides for both.
std::vector<AudioAttempt> AudioAttempts(int output, int rate, const std::string& namedDriver);

// The Windows-style virtual-key code for an SDL key, 0 for keys the show
// never looks at.
WPARAM VirtualKeyFor(int32_t sdlKey);

// Opens SDL's video. Returns nullptr and says why when no display can be
// opened.
std::unique_ptr<Platform> MakeSdlPlatform(std::string* error);
SdlBackend& Sdl(Platform& platform);

}  // namespace host
