// The desktop's windows and input: where windows go, opening and closing
// them, the cursor, message boxes, and turning input into messages.
#pragma once
#include <string>

#include "host/win.h"

namespace host {

class WindowSystem;

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  virtual Rect DesktopRect() = 0;
  virtual bool OpenWindow(HWND window, const std::string& title, const Rect& outer) = 0;
  // Closes windows, forms and controls alike.
  virtual void CloseWindow(HWND window) = 0;
  virtual void PlaceWindow(HWND window, const Rect& outer) = 0;
  virtual void ShowCursor(bool visible) = 0;
  // Turns pending input into messages. With `wait`, blocks until something
  // arrives; returns false if nothing ever can (a headless run).
  virtual bool PumpEvents(WindowSystem& windows, bool wait) = 0;
  virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;
};

}  // namespace host
