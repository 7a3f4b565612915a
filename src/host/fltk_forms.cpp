#include "host/fltk_forms.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/sdl_pixels.h"
#include "host/stop_signal.h"
#include "host/window_system.h"

namespace host {

// The dialog font: the toolkit's proportional face at a size whose line
// fits the 15-pixel boxes the controls are given. Until a control is told
// its font it shows the heavier face a bare control starts with.
constexpr Fl_Font kGuiFace = FL_HELVETICA;
constexpr int kGuiSize = 11;
constexpr Fl_Font kSystemFace = FL_HELVETICA_BOLD;
constexpr int kSystemSize = 12;

std::string FltkLabel(const std::string& text) {
  std::string out;
  for (char c : DesktopText(text)) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

// A top-level window whose Enter and Escape act as a dialog's and whose
// close box asks the window system instead of hiding the window.
class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(FltkForms& forms, HWND handle, const Rect& outer)
      : Fl_Double_Window(outer.left, outer.top, outer.Width(), outer.Height()),
        forms_(forms), handle_(handle) {}

  int handle(int event) override {
    if (event == FL_SHORTCUT && forms_.windows_) {
      int key = Fl::event_key();
      if (key == FL_Enter || key == FL_KP_Enter) {
        forms_.windows_->DialogKey(handle_, VK_RETURN);
        return 1;
      }
      if (key == FL_Escape) {
        forms_.windows_->DialogKey(handle_, VK_ESCAPE);
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  FltkForms& forms_;
  HWND handle_;
};

// A frame with its caption set into the top line, as a group box is drawn;
// its children sit in it like in any group.
class GroupBox : public Fl_Group {
 public:
  GroupBox(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
    end();
    box(FL_NO_BOX);
  }

  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      fl_font(labelfont(), labelsize());
      int half = fl_height() / 2;
      fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
      int tw = 0, th = 0;
      fl_measure(label() ? label() : "", tw, th, 0);
      if (tw > 0) {
        fl_color(color());
        fl_rectf(x() + 6, y(), tw + 4, th);
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(label(), x() + 8, y(), tw, th, FL_ALIGN_LEFT | FL_ALIGN_TOP, nullptr, 0);
      }
    }
    draw_children();
  }
};

FltkForms::~FltkForms() {
  for (auto& [handle, item] : items_)
    if (item.form) delete item.widget;
}

HWND FltkForms::HandleOf(const Fl_Widget* widget) const {
  for (const auto& [handle, item] : items_)
    if (item.widget == widget) return handle;
  return 0;
}

void FltkForms::Clicked(Fl_Widget* widget, void* self) {
  auto* forms = static_cast<FltkForms*>(self);
  if (HWND h = forms->HandleOf(widget); h && forms->windows_) forms->windows_->ControlClicked(h);
}

void FltkForms::CloseRequested(Fl_Widget* widget, void* self) {
  auto* forms = static_cast<FltkForms*>(self);
  // Escape has already been answered as a dialog key; only the window
  // manager's close request gets here.
  if (HWND h = forms->HandleOf(widget); h && forms->windows_)
    forms->windows_->PostMessage(h, WM_CLOSE, 0, 0);
}

bool FltkForms::OpenForm(HWND form, const std::string& title, const Rect& outer) {
  // FLTK ends the process when it cannot reach the X server; ask first.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  Fl_Group::current(nullptr);
  auto* window = new FormWindow(*this, form, outer);
  window->end();
  window->copy_label(DesktopText(title).c_str());
  window->callback(&FltkForms::CloseRequested, this);
  std::vector<uint32_t> argb = ProgramIcon(32);
  std::vector<unsigned char> rgba(argb.size() * 4);
  for (size_t i = 0; i < argb.size(); ++i) {
    rgba[4 * i] = uint8_t(argb[i] >> 16);
    rgba[4 * i + 1] = uint8_t(argb[i] >> 8);
    rgba[4 * i + 2] = uint8_t(argb[i]);
    rgba[4 * i + 3] = uint8_t(argb[i] >> 24);
  }
  Fl_RGB_Image icon(rgba.data(), 32, 32, 4);
  window->icon(&icon);  // the window keeps a copy
  // Shown once the program first waits for the viewer: a form that is
  // answered before that (a start without questions) never flashes up.
  items_[form] = Item{window, window, 0, 0, true};
  return true;
}

bool FltkForms::OpenControl(HWND control, HWND parent, const ControlSpec& spec) {
  auto it = items_.find(parent);
  if (it == items_.end() || !it->second.group) return false;
  const Item& p = it->second;
  int x = p.originX + spec.place.left, y = p.originY + spec.place.top;
  int w = spec.place.Width(), h = spec.place.Height();
  Fl_Group::current(nullptr);
  Fl_Widget* widget = nullptr;
  Fl_Group* group = nullptr;
  switch (spec.kind) {
    case ControlKind::GroupBox:
      widget = group = new GroupBox(x, y, w, h);
      break;
    case ControlKind::RadioButton:
      widget = new Fl_Round_Button(x, y, w, h);
      widget->type(FL_RADIO_BUTTON);
      break;
    case ControlKind::CheckBox:
      widget = new Fl_Check_Button(x, y, w, h);
      break;
    case ControlKind::PushButton:
      widget = new Fl_Button(x, y, w, h);
      break;
    case ControlKind::Text:
      widget = new Fl_Box(x, y, w, h);
      widget->box(FL_NO_BOX);
      widget->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | FL_ALIGN_CLIP);
      break;
  }
  widget->copy_label(FltkLabel(spec.text).c_str());
  widget->labelfont(kSystemFace);
  widget->labelsize(kSystemSize);
  if (spec.kind == ControlKind::GroupBox) widget->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
  if (spec.kind != ControlKind::GroupBox && spec.kind != ControlKind::Text)
    widget->callback(&FltkForms::Clicked, this);
  if (!spec.enabled) widget->deactivate();
  p.group->add(widget);
  widget->redraw();
  Item item{widget, group, x, y, false};
  items_[control] = item;
  return true;
}

bool FltkForms::Close(HWND window) {
  auto it = items_.find(window);
  if (it == items_.end()) return false;
  // Controls go with their form: children are closed first, so by the
  // time the form goes, its widgets are only the form's to delete.
  if (it->second.form) {
    // A form that was never shown never reached the X server; leave the
    // toolkit's connection alone then.
    bool shown = it->second.widget->as_window()->shown();
    it->second.widget->hide();
    delete it->second.widget;
    if (shown) Fl::flush();
  }
  items_.erase(it);
  return true;
}

void FltkForms::Place(HWND form, const Rect& outer) {
  auto it = items_.find(form);
  if (it != items_.end() && it->second.form)
    it->second.widget->resize(outer.left, outer.top, outer.Width(), outer.Height());
}

void FltkForms::SetText(HWND control, const std::string& text) {
  auto it = items_.find(control);
  if (it == items_.end() || it->second.form) return;
  it->second.widget->copy_label(FltkLabel(text).c_str());
  // A text over the form's background: the form must repaint under it.
  if (Fl_Group* parent = it->second.widget->parent()) parent->redraw();
}

void FltkForms::SetCheck(HWND control, bool checked) {
  auto it = items_.find(control);
  if (it == items_.end() || it->second.form) return;
  // Only the control itself changes, as with the desktop's own message;
  // exclusion among radio buttons is the viewer's click's business.
  if (auto* button = dynamic_cast<Fl_Button*>(it->second.widget)) button->value(checked ? 1 : 0);
}

bool FltkForms::Checked(HWND control) const {
  auto it = items_.find(control);
  if (it == items_.end() || it->second.form) return false;
  auto* button = dynamic_cast<Fl_Button*>(it->second.widget);
  return button && button->value() != 0;
}

void FltkForms::SetFont(HWND control, int font) {
  auto it = items_.find(control);
  if (it == items_.end() || it->second.form) return;
  Fl_Widget* w = it->second.widget;
  bool gui = font == DEFAULT_GUI_FONT;
  w->labelfont(gui ? kGuiFace : kSystemFace);
  w->labelsize(gui ? kGuiSize : kSystemSize);
  if (Fl_Group* parent = w->parent()) parent->redraw();
}

std::vector<HWND> FltkForms::Forms() const {
  std::vector<HWND> forms;
  for (const auto& [handle, item] : items_)
    if (item.form) forms.push_back(handle);
  return forms;
}

void FltkForms::Pump(double waitSeconds) {
  if (items_.empty()) return;
  for (auto& [handle, item] : items_) {
    if (!item.form || item.widget->as_window()->shown()) continue;
    // Opening the display switches the process to the environment's
    // locale; the rest of the program (and SDL's window titles) keep "C".
    std::string locale = std::setlocale(LC_ALL, nullptr);
    item.widget->show();
    std::setlocale(LC_ALL, locale.c_str());
  }
  if (waitSeconds > 0) Fl::wait(waitSeconds);
  else Fl::check();
}

bool FltkMessageBox(const std::string& text, const std::string& caption) {
  if (!fl_display && !Fl::first_window()) {
    std::string locale = std::setlocale(LC_ALL, nullptr);
    fl_open_display();
    std::setlocale(LC_ALL, locale.c_str());
  }
  if (!fl_display) return false;
  fl_font(kGuiFace, kSystemSize);
  int w = 0, h = 0;
  fl_measure(text.c_str(), w, h);
  w = std::max(w + 40, 200), h += 70;
  Fl_Double_Window box(w, h, caption.c_str());
  Fl_Box label(20, 15, w - 40, h - 65, nullptr);
  label.copy_label(text.c_str());
  label.labelfont(kGuiFace);
  label.labelsize(kSystemSize);
  label.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_WRAP);
  Fl_Return_Button ok(w / 2 - 40, h - 40, 80, 25, "OK");
  ok.callback([](Fl_Widget* button, void*) { button->window()->hide(); });
  box.end();
  box.set_modal();
  box.show();
  while (box.shown() && !StopSignal()) Fl::wait(0.1);
  return true;
}

}  // namespace host
