#include "display/display.h"

#include <cstdarg>
#include <cstdio>


using namespace host;

int OpenDisplay(Display& d, HWND window) {
  DisplayDevice& dd = d.device;
  if (HRESULT hr = dd.DirectDrawCreate()) {
    ReportDisplayError(d, window, hr, "DirectDrawCreate FAILED");
    return 0;
  }
  if (dd.QueryInterface4() != DD_OK) {
    // Without the newer interface there is no windowed presentation.
    d.HaveDirectDraw4 = 0;
    d.settings.windowed = 0;
  } else {
    d.HaveDirectDraw4 = 1;
  }
  HRESULT hr = InitSurfaces(d, window);
  if (hr < 0) {
    ReportDisplayError(d, window, hr, "InitSurfaces FAILED");
    return 0;
  }
  d.DisplayReady = 1;
  d.target.width = 512;
  d.target.height = 384;
  d.target.bitsPerPixel = 32;
  return 1;
}

static void ClientRectOnScreen(WindowSystem& ws, HWND window, Rect* rect) {
  ws.GetClientRect(window, rect);
  Point topLeft{rect->left, rect->top}, bottomRight{rect->right, rect->bottom};
  ws.ClientToScreen(window, &topLeft);
  ws.ClientToScreen(window, &bottomRight);
  *rect = Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

HRESULT InitSurfaces(Display& d, HWND window) {
  DisplayDevice& dd = d.device;
  const VideoMode& mode = kVideoModes[d.settings.videoMode];
  HRESULT hr;

  if (d.HaveDirectDraw4 && d.settings.windowed) {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_NORMAL)))
      return ReportDisplayError(d, window, hr, "SetCooperativeLevel FAILED");
    d.windows.GetClientRect(window, &d.BlitSourceRect);
    ClientRectOnScreen(d.windows, window, &d.BlitDestRect);
    if ((hr = dd.CreatePrimarySurface(&d.primary4)))
      return ReportDisplayError(d, window, hr, "CreateSurface FAILED");
    Clipper* clipper = nullptr;
    if ((hr = dd.CreateClipper(&clipper)))
      return ReportDisplayError(d, window, hr, "CreateClipper FAILED");
    dd.SetClipperWindow(clipper, window);
    dd.SetClipper(d.primary4, clipper);
    dd.ReleaseClipper(clipper);
    // The effects write 32-bit pixels at a row length of 512, so the surface
    // they draw into is asked for in exactly that format.
    if ((hr = dd.CreateOffscreenSurface(512, 384, 32, &d.offscreen)))
      return ReportDisplayError(d, window, hr, "CreateSurface2 FAILED");
    dd.ColorFill(d.offscreen, 0);
  } else if (d.HaveDirectDraw4) {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT)))
      return ReportDisplayError(d, window, hr, "SetCooperativeLevel FAILED");
    if ((hr = dd.SetDisplayMode(mode.width, mode.height, mode.bitsPerPixel)))
      return ReportDisplayError(d, window, hr, "SetDisplayMode FAILED");
    if ((hr = dd.CreatePrimarySurface(&d.primary4)))
      return ReportDisplayError(d, window, hr, "CreateSurface FAILED");
  } else {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)))
      return ReportDisplayError(d, window, hr, "SetCooperativeLevel FAILED");
    if ((hr = dd.SetDisplayMode(mode.width, mode.height, mode.bitsPerPixel)))
      return ReportDisplayError(d, window, hr, "SetDisplayMode FAILED");
    if ((hr = dd.CreatePrimarySurface(&d.primary1)))
      return ReportDisplayError(d, window, hr, "CreateSurface FAILED");
  }

  if (mode.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i)
      d.greyPalette[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    if ((hr = dd.CreatePalette(d.greyPalette.data(), &d.palette)))
      return ReportDisplayError(d, window, hr, "CreatePalette FAILED");
    dd.SetPalette(d.HaveDirectDraw4 ? d.primary4 : d.primary1, d.palette);
  }
  return DD_OK;
}

HRESULT ReleaseAllObjects(Display& d, HWND window) {
  DisplayDevice& dd = d.device;
  if (d.HaveDirectDraw4 && dd.HasInterface(4)) {
    dd.SetCooperativeLevel(window, DDSCL_NORMAL);
    if (d.offscreen) dd.Release(d.offscreen);
    d.offscreen = nullptr;
    if (d.primary4) dd.Release(d.primary4);
    d.primary4 = nullptr;
  } else if (!d.HaveDirectDraw4 && dd.HasInterface(1)) {
    dd.SetCooperativeLevel(window, DDSCL_NORMAL);
    if (d.primary1) dd.Release(d.primary1);
    d.primary1 = nullptr;
  }
  return 0;
}

HRESULT ReportDisplayError(Display& d, HWND window, HRESULT code, const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ++d.failures;
  ReleaseAllObjects(d, window);
  d.windows.MessageBox(window, text, kDemoTitle);
  d.windows.DestroyWindow(window);
  return code;
}

HRESULT ChangeDisplayMode(Display& d, HWND window) {
  ReleaseAllObjects(d, window);
  if (d.settings.windowed) {
    const Rect& r = d.SavedWindowRect;
    d.windows.SetWindowPos(window, r.left, r.top, r.Width(), r.Height());
  }
  return InitSurfaces(d, window);
}

void CloseDisplay(Display& d) {
  DisplayDevice& dd = d.device;
  // Release both revisions we hold; the device goes with the last one.
  if (d.HaveDirectDraw4 && dd.HasInterface(4)) dd.ReleaseInterface(4);
  if (dd.HasInterface(1)) dd.ReleaseInterface(1);
}
