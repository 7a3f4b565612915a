// Opening and closing the display: the device, the cooperative level, the
// mode, the surfaces and the grey palette of the 8-bit modes.
#pragma once
#include <array>

#include "host/display_device.h"
#include "host/win.h"

struct Demo;
struct RenderTarget;

struct DisplayState {
  int HaveDirectDraw4 = 0;
  host::Surface* primary4 = nullptr;   // visible surface through revision 4
  host::Surface* offscreen = nullptr;  // windowed mode: where the effects draw
  host::Surface* primary1 = nullptr;   // visible surface through the first revision
  host::Palette* palette = nullptr;    // 8-bit modes; never released
  host::Rect BlitSourceRect;
  host::Rect BlitDestRect;
  std::array<host::PaletteEntry, 256> greyPalette{};
};

int OpenDisplay(Demo& demo, RenderTarget& target, host::HWND window);
host::HRESULT InitSurfaces(Demo& demo, host::HWND window);
host::HRESULT ReleaseAllObjects(Demo& demo, host::HWND window);
host::HRESULT ReportDisplayError(Demo& demo, host::HWND window, host::HRESULT code,
                                 const char* format, ...);
host::HRESULT ChangeDisplayMode(Demo& demo, host::HWND window);
void CloseDisplay(Demo& demo);
