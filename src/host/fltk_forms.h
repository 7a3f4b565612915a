// Forms and their controls on the desktop, drawn by FLTK. A form is a plain
// top-level window in the desktop's dialog colour; every "button" and
// "static" control of the window system is one FLTK widget at the same
// place, inside the form or inside a group box of it. Radio buttons exclude
// each other among their group's children, as FLTK's radio buttons do.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "host/win.h"

class Fl_Widget;
class Fl_Group;

namespace host {

class WindowSystem;

// A box with its text and an OK button, waited for the way the old modal
// boxes were; it gives up waiting when a signal asks the program to end.
// False if no box could be shown.
bool FltkMessageBox(const std::string& text, const std::string& caption);

class FltkForms {
 public:
  // `windows` hears the clicks, keys and close requests.
  explicit FltkForms(WindowSystem*& windows) : windows_(windows) {}
  ~FltkForms();

  bool OpenForm(HWND form, const std::string& title, const Rect& outer);
  bool OpenControl(HWND control, HWND parent, const ControlSpec& spec);
  // False when the handle is none of ours.
  bool Close(HWND window);
  bool Owns(HWND window) const { return items_.count(window) != 0; }
  bool Empty() const { return items_.empty(); }
  void Place(HWND form, const Rect& outer);

  void SetText(HWND control, const std::string& text);
  void SetCheck(HWND control, bool checked);
  bool Checked(HWND control) const;
  void SetFont(HWND control, int font);

  std::vector<HWND> Forms() const;
  // Handles what the desktop sent, waiting up to `waitSeconds` for it.
  void Pump(double waitSeconds);

 private:
  struct Item {
    Fl_Widget* widget = nullptr;
    Fl_Group* group = nullptr;  // what children are added to (forms, group boxes)
    int originX = 0, originY = 0;  // the client origin, in form coordinates
    bool form = false;
  };
  static void Clicked(Fl_Widget* widget, void* self);
  static void CloseRequested(Fl_Widget* widget, void* self);
  HWND HandleOf(const Fl_Widget* widget) const;

  WindowSystem*& windows_;
  std::map<HWND, Item> items_;
  friend class FormWindow;
};

// FLTK draws '@' as the start of a symbol name; the window system's texts
// are plain, so every '@' is doubled. Old code-page bytes become UTF-8.
std::string FltkLabel(const std::string& text);

}  // namespace host
