// Opening and closing the display: the device, the cooperative level, the
// mode, the surfaces and the grey palette of the 8-bit modes.
#pragma once
#include <array>

#include "base/frame.h"
#include "base/settings.h"
#include "host/display_device.h"
#include "host/win.h"
#include "host/window_system.h"

// The demo window's title; its error boxes use it as their caption too.
inline constexpr const char* kDemoTitle = "dorsel @ oru\u00B4" "99";

// What the display works with (the host's device and windows, the viewer's
// settings, which F11 changes, and the frame's target) and what it keeps.
// The capitalised names are the original's.
struct Display {
  Display(host::DisplayDevice& d, host::WindowSystem& w, DemoSettings& s, RenderTarget& t)
      : device(d), windows(w), settings(s), target(t) {}

  host::DisplayDevice& device;
  host::WindowSystem& windows;
  DemoSettings& settings;
  RenderTarget& target;

  int HaveDirectDraw4 = 0;
  host::Surface* primary4 = nullptr;   // visible surface through revision 4
  host::Surface* offscreen = nullptr;  // windowed mode: where the effects draw
  host::Surface* primary1 = nullptr;   // visible surface through the first revision
  host::Palette* palette = nullptr;    // 8-bit modes; never released
  host::Rect BlitSourceRect;
  host::Rect BlitDestRect;
  std::array<host::PaletteEntry, 256> greyPalette{};
  int DisplayReady = 0;
  host::Rect SavedWindowRect;
  // Failures reported (each ends the show): the program's exit status says
  // so even when the show had run before one.
  int failures = 0;
  long presents = 0;  // frames handed to the device
};

int OpenDisplay(Display& display, host::HWND window);
host::HRESULT InitSurfaces(Display& display, host::HWND window);
host::HRESULT ReleaseAllObjects(Display& display, host::HWND window);
host::HRESULT ReportDisplayError(Display& display, host::HWND window, host::HRESULT code, const char* format, ...);
host::HRESULT ChangeDisplayMode(Display& display, host::HWND window);
void CloseDisplay(Display& display);
