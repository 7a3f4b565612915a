// The screen the display device's primary surface is shown on.
#pragma once
#include <cstdint>
#include <vector>

#include "host/win.h"

namespace host {

struct Surface;

// A picture as a viewer sees it: 0x00RRGGBB pixels, row by row.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

class Screen {
 public:
  virtual ~Screen() = default;

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
};

}  // namespace host
