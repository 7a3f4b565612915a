#include "display/window_proc.h"


using namespace host;

static void RefreshRectangles(Display& d, HWND window) {
  WindowSystem& ws = d.windows;
  ws.GetWindowRect(window, &d.SavedWindowRect);
  ws.GetClientRect(window, &d.BlitSourceRect);
  ws.GetClientRect(window, &d.BlitDestRect);
  Point topLeft{d.BlitDestRect.left, d.BlitDestRect.top};
  Point bottomRight{d.BlitDestRect.right, d.BlitDestRect.bottom};
  ws.ClientToScreen(window, &topLeft);
  ws.ClientToScreen(window, &bottomRight);
  d.BlitDestRect = Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

static void RepaintBlit(Display& d) {
  for (;;) {
    HRESULT hr = d.device.Blt(d.primary4, &d.BlitDestRect, d.offscreen,
                                           &d.BlitSourceRect);
    if (hr == DDERR_SURFACELOST) {
      d.device.Restore(d.primary4);
      return;
    }
    if (hr != DDERR_WASSTILLDRAWING) return;
  }
}

static void SwitchMode(Display& d, HWND window) {
  d.DisplayReady = 0;
  if (d.settings.windowed) d.windows.GetWindowRect(window, &d.SavedWindowRect);
  d.settings.windowed = !d.settings.windowed;
  if (ChangeDisplayMode(d, window) != 0) {
    d.settings.windowed = !d.settings.windowed;
    // The failure was reported and took the window down with it; going back
    // to the old mode on a window that is gone would only add a second box.
    if (d.windows.IsWindow(window)) ChangeDisplayMode(d, window);
  }
  d.DisplayReady = 1;
}

LRESULT MainWndProc(Display& d, HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& ws = d.windows;
  switch (message) {
    case WM_DESTROY:
      ReleaseAllObjects(d, window);
      ws.PostQuitMessage(0);
      return 0;
    case WM_MOVE:
      if (d.DisplayReady && d.settings.windowed) RefreshRectangles(d, window);
      break;
    case WM_PAINT:
      if (d.settings.windowed && d.DisplayReady) RepaintBlit(d);
      break;
    case WM_SETCURSOR:
      if (d.DisplayReady && !d.settings.windowed) {
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
        if (d.DisplayReady && d.HaveDirectDraw4) SwitchMode(d, window);
        return 0;
      }
      break;
  }
  return ws.DefWindowProc(window, message, wParam, lParam);
}
