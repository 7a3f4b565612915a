#include "display/display.h"

#include <cstdarg>
#include <cstdio>

#include "shell/demo.h"

using namespace host;

int OpenDisplay(Demo& demo, RenderTarget& target, HWND window) {
  DisplayDevice& dd = demo.platform.display;
  if (HRESULT hr = dd.DirectDrawCreate()) {
    ReportDisplayError(demo, window, hr, "DirectDrawCreate FAILED");
    return 0;
  }
  if (dd.QueryInterface4() != DD_OK) {
    // Without the newer interface there is no windowed presentation.
    demo.display.HaveDirectDraw4 = 0;
    demo.settings.windowed = 0;
  } else {
    demo.display.HaveDirectDraw4 = 1;
  }
  HRESULT hr = InitSurfaces(demo, window);
  if (hr < 0) {
    ReportDisplayError(demo, window, hr, "InitSurfaces FAILED");
    return 0;
  }
  demo.DisplayReady = 1;
  target.width = 512;
  target.height = 384;
  target.bitsPerPixel = 32;
  return 1;
}

static void ClientRectOnScreen(WindowSystem& ws, HWND window, Rect* rect) {
  ws.GetClientRect(window, rect);
  Point topLeft{rect->left, rect->top}, bottomRight{rect->right, rect->bottom};
  ws.ClientToScreen(window, &topLeft);
  ws.ClientToScreen(window, &bottomRight);
  *rect = Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

HRESULT InitSurfaces(Demo& demo, HWND window) {
  DisplayDevice& dd = demo.platform.display;
  DisplayState& ds = demo.display;
  const VideoMode& mode = kVideoModes[demo.settings.videoMode];
  HRESULT hr;

  if (ds.HaveDirectDraw4 && demo.settings.windowed) {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_NORMAL)))
      return ReportDisplayError(demo, window, hr, "SetCooperativeLevel FAILED");
    demo.platform.windows.GetClientRect(window, &ds.BlitSourceRect);
    ClientRectOnScreen(demo.platform.windows, window, &ds.BlitDestRect);
    if ((hr = dd.CreatePrimarySurface(&ds.primary4)))
      return ReportDisplayError(demo, window, hr, "CreateSurface FAILED");
    Clipper* clipper = nullptr;
    if ((hr = dd.CreateClipper(&clipper)))
      return ReportDisplayError(demo, window, hr, "CreateClipper FAILED");
    dd.SetClipperWindow(clipper, window);
    dd.SetClipper(ds.primary4, clipper);
    dd.ReleaseClipper(clipper);
    // The effects write 32-bit pixels at a row length of 512, so the surface
    // they draw into is asked for in exactly that format.
    if ((hr = dd.CreateOffscreenSurface(512, 384, 32, &ds.offscreen)))
      return ReportDisplayError(demo, window, hr, "CreateSurface2 FAILED");
    dd.ColorFill(ds.offscreen, 0);
  } else if (ds.HaveDirectDraw4) {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT)))
      return ReportDisplayError(demo, window, hr, "SetCooperativeLevel FAILED");
    if ((hr = dd.SetDisplayMode(mode.width, mode.height, mode.bitsPerPixel)))
      return ReportDisplayError(demo, window, hr, "SetDisplayMode FAILED");
    if ((hr = dd.CreatePrimarySurface(&ds.primary4)))
      return ReportDisplayError(demo, window, hr, "CreateSurface FAILED");
  } else {
    if ((hr = dd.SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)))
      return ReportDisplayError(demo, window, hr, "SetCooperativeLevel FAILED");
    if ((hr = dd.SetDisplayMode(mode.width, mode.height, mode.bitsPerPixel)))
      return ReportDisplayError(demo, window, hr, "SetDisplayMode FAILED");
    if ((hr = dd.CreatePrimarySurface(&ds.primary1)))
      return ReportDisplayError(demo, window, hr, "CreateSurface FAILED");
  }

  if (mode.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i)
      ds.greyPalette[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    if ((hr = dd.CreatePalette(ds.greyPalette.data(), &ds.palette)))
      return ReportDisplayError(demo, window, hr, "CreatePalette FAILED");
    dd.SetPalette(ds.HaveDirectDraw4 ? ds.primary4 : ds.primary1, ds.palette);
  }
  return DD_OK;
}

HRESULT ReleaseAllObjects(Demo& demo, HWND window) {
  DisplayDevice& dd = demo.platform.display;
  DisplayState& ds = demo.display;
  if (ds.HaveDirectDraw4 && dd.HasInterface(4)) {
    dd.SetCooperativeLevel(window, DDSCL_NORMAL);
    if (ds.offscreen) dd.Release(ds.offscreen);
    ds.offscreen = nullptr;
    if (ds.primary4) dd.Release(ds.primary4);
    ds.primary4 = nullptr;
  } else if (!ds.HaveDirectDraw4 && dd.HasInterface(1)) {
    dd.SetCooperativeLevel(window, DDSCL_NORMAL);
    if (ds.primary1) dd.Release(ds.primary1);
    ds.primary1 = nullptr;
  }
  return 0;
}

HRESULT ReportDisplayError(Demo& demo, HWND window, HRESULT code, const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ++demo.displayFailures;
  ReleaseAllObjects(demo, window);
  demo.platform.windows.MessageBox(window, text, kDemoTitle);
  demo.platform.windows.DestroyWindow(window);
  return code;
}

HRESULT ChangeDisplayMode(Demo& demo, HWND window) {
  ReleaseAllObjects(demo, window);
  if (demo.settings.windowed) {
    const Rect& r = demo.SavedWindowRect;
    demo.platform.windows.SetWindowPos(window, r.left, r.top, r.Width(), r.Height());
  }
  return InitSurfaces(demo, window);
}

void CloseDisplay(Demo& demo) {
  DisplayDevice& dd = demo.platform.display;
  // Release both revisions we hold; the device goes with the last one.
  if (demo.display.HaveDirectDraw4 && dd.HasInterface(4)) dd.ReleaseInterface(4);
  if (dd.HasInterface(1)) dd.ReleaseInterface(1);
}
