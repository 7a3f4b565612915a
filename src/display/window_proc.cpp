#include "display/window_proc.h"

#include "shell/demo.h"

using namespace host;

static void RefreshRectangles(Demo& demo, HWND window) {
  WindowSystem& ws = demo.platform.windows;
  DisplayState& ds = demo.display;
  ws.GetWindowRect(window, &demo.SavedWindowRect);
  ws.GetClientRect(window, &ds.BlitSourceRect);
  ws.GetClientRect(window, &ds.BlitDestRect);
  Point topLeft{ds.BlitDestRect.left, ds.BlitDestRect.top};
  Point bottomRight{ds.BlitDestRect.right, ds.BlitDestRect.bottom};
  ws.ClientToScreen(window, &topLeft);
  ws.ClientToScreen(window, &bottomRight);
  ds.BlitDestRect = Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

static void RepaintBlit(Demo& demo) {
  DisplayState& ds = demo.display;
  for (;;) {
    HRESULT hr = demo.platform.display.Blt(ds.primary4, &ds.BlitDestRect, ds.offscreen,
                                           &ds.BlitSourceRect);
    if (hr == DDERR_SURFACELOST) {
      demo.platform.display.Restore(ds.primary4);
      return;
    }
    if (hr != DDERR_WASSTILLDRAWING) return;
  }
}

static void SwitchMode(Demo& demo, HWND window) {
  demo.DisplayReady = 0;
  if (demo.settings.windowed) demo.platform.windows.GetWindowRect(window, &demo.SavedWindowRect);
  demo.settings.windowed = !demo.settings.windowed;
  if (ChangeDisplayMode(demo, window) != 0) {
    demo.settings.windowed = !demo.settings.windowed;
    // The failure was reported and took the window down with it; going back
    // to the old mode on a window that is gone would only add a second box.
    if (demo.platform.windows.IsWindow(window)) ChangeDisplayMode(demo, window);
  }
  demo.DisplayReady = 1;
}

LRESULT MainWndProc(Demo& demo, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& ws = demo.platform.windows;
  switch (message) {
    case WM_DESTROY:
      ReleaseAllObjects(demo, window);
      ws.PostQuitMessage(0);
      return 0;
    case WM_MOVE:
      if (demo.DisplayReady && demo.settings.windowed) RefreshRectangles(demo, window);
      break;
    case WM_PAINT:
      if (demo.settings.windowed && demo.DisplayReady) RepaintBlit(demo);
      break;
    case WM_SETCURSOR:
      if (demo.DisplayReady && !demo.settings.windowed) {
        ws.SetCursor(false);
        return 1;
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MinMaxInfo*>(lParam);
      if (!info) break;
      Point size{512 + 2 * ws.GetSystemMetrics(SM_CXFRAME), 384 + 2 * ws.GetSystemMetrics(SM_CYFRAME)};
      info->minTrackSize = size;
      info->maxTrackSize = size;
      break;
    }
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE || wParam == VK_F12) {
        ws.PostMessage(window, WM_CLOSE, 0, 0);
        return 0;
      }
      if (wParam == VK_F11) {
        if (demo.DisplayReady && demo.display.HaveDirectDraw4) SwitchMode(demo, window);
        return 0;
      }
      break;
  }
  return ws.DefWindowProc(window, message, wParam, lParam);
}
