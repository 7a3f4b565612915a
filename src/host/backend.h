// What a host backend must provide: a clock, real windows and input, a
// screen to show the primary surface on, and an audio stream. The window
// system, display device and module player above it are shared by every
// backend; only these calls differ between a desktop and a headless run.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/win.h"

namespace host {

class WindowSystem;
struct Surface;

// A picture as a viewer sees it: 0x00RRGGBB pixels, row by row.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

// Fills `frames` stereo frames of interleaved 16-bit samples.
using AudioPull = std::function<void(int16_t* samples, int frames)>;

class Backend {
 public:
  virtual ~Backend() = default;

  // Milliseconds since 1970, like the old runtime's time of day.
  virtual uint64_t NowMs() = 0;

  virtual Rect DesktopRect() = 0;
  virtual bool OpenWindow(HWND window, const std::string& title, const Rect& outer) = 0;
  // A window painted by the desktop's toolkit, for controls.
  virtual bool OpenForm(HWND window, const std::string& title, const Rect& outer) = 0;
  // A control inside a form or inside a group box of one. Closed with
  // CloseWindow, children before their parent.
  virtual bool OpenControl(HWND control, HWND parent, const ControlSpec& spec) = 0;
  virtual void SetControlText(HWND control, const std::string& text) = 0;
  virtual void SetControlCheck(HWND control, bool checked) = 0;
  virtual bool ControlChecked(HWND control) = 0;
  virtual void SetControlFont(HWND control, int font) = 0;
  virtual void CloseWindow(HWND window) = 0;
  virtual void PlaceWindow(HWND window, const Rect& outer) = 0;
  virtual void ShowCursor(bool visible) = 0;
  // Turns pending input into messages. With `wait`, blocks until something
  // arrives; returns false if nothing ever can (a headless run).
  virtual bool PumpEvents(WindowSystem& windows, bool wait) = 0;
  virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;

  virtual bool EnterFullscreen(HWND window, int width, int height, int bitsPerPixel) = 0;
  virtual void LeaveFullscreen(HWND window) = 0;
  // The primary surface changed: put it on the screen. In a window only the
  // window's client area of the (desktop-sized) primary surface is shown.
  virtual void Show(const Surface& primary, HWND window) = 0;
  // The surface is about to be destroyed or wiped by the device: a backend
  // that reads a shown surface's memory later takes its copy now.
  virtual void Keep(const Surface& surface) { (void)surface; }
  // What `window` shows now, at the display's own resolution: the client
  // area in a window, the whole mode in full screen, before the screen
  // magnifies it. False while it has shown nothing.
  virtual bool ShownPicture(HWND window, Picture* picture) = 0;

  // output: 1 the system's default output (through its sound server where
  // one runs), 2 the most direct output it has, else the default.
  virtual bool OpenAudio(int output, int rate, AudioPull pull, std::string* error) = 0;
  virtual void CloseAudio() = 0;
  // Stereo frames that have actually reached the listener since OpenAudio.
  virtual int64_t AudioFramesHeard() = 0;
};

}  // namespace host
