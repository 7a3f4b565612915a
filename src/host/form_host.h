// Forms: windows painted by the desktop's toolkit, and the controls in them.
#pragma once
#include <string>

#include "host/win.h"

namespace host {

class FormHost {
 public:
  virtual ~FormHost() = default;

  virtual bool OpenForm(HWND window, const std::string& title, const Rect& outer) = 0;
  // A control inside a form or inside a group box of one. Closed with
  // CloseWindow, children before their parent.
  virtual bool OpenControl(HWND control, HWND parent, const ControlSpec& spec) = 0;
  virtual void SetControlText(HWND control, const std::string& text) = 0;
  virtual void SetControlCheck(HWND control, bool checked) = 0;
  virtual bool ControlChecked(HWND control) = 0;
  virtual void SetControlFont(HWND control, int font) = 0;
};

}  // namespace host
