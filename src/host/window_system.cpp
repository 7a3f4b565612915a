#include "host/window_system.h"

#include <algorithm>

#include "host/stop_signal.h"

namespace host {

bool WindowSystem::RegisterClass(const WndClass& windowClass) {
  if (windowClass.name.empty() || classes_.count(windowClass.name)) return false;
  classes_[windowClass.name] = windowClass;
  return true;
}

static bool IsControlClass(const std::string& name) { return name == "button" || name == "static"; }

static ControlKind KindOf(const std::string& className, uint32_t style) {
  if (className == "static") return ControlKind::Text;
  switch (style & 0xF) {
    case BS_GROUPBOX: return ControlKind::GroupBox;
    case BS_AUTORADIOBUTTON: return ControlKind::RadioButton;
    case BS_AUTOCHECKBOX: return ControlKind::CheckBox;
    default: return ControlKind::PushButton;
  }
}

HWND WindowSystem::CreateWindow(const std::string& className, const std::string& title,
                                uint32_t style, int x, int y, int width, int height, HWND parent,
                                int id) {
  auto failing = std::find(failCreate_.begin(), failCreate_.end(), className);
  if (failing != failCreate_.end()) {
    failCreate_.erase(failing);
    return 0;
  }
  if (IsControlClass(className))
    return CreateControl(className, title, style, Rect{x, y, x + width, y + height}, parent, id);
  if (!classes_.count(className)) return 0;
  if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
    // Cascade new windows from the desktop's top-left corner.
    Rect desk = backend_.DesktopRect();
    x = desk.left + 64 + 32 * (defaultPlacements_ % 8);
    y = desk.top + 48 + 32 * (defaultPlacements_ % 8);
    ++defaultPlacements_;
  }
  HWND handle = nextHandle_++;
  Rect outer{x, y, x + width, y + height};
  bool form = classes_[className].systemColourBackground;
  if (!(form ? backend_.OpenForm(handle, title, outer) : backend_.OpenWindow(handle, title, outer)))
    return 0;
  windows_[handle] = Window{className, title, outer, false};
  SendMessage(handle, WM_CREATE, 0, 0);
  return handle;
}

HWND WindowSystem::CreateControl(const std::string& className, const std::string& text,
                                 uint32_t style, const Rect& place, HWND parent, int id) {
  if (!(style & WS_CHILD) || !IsWindow(parent)) return 0;
  ControlSpec spec{KindOf(className, style), text, place, !(style & WS_DISABLED), id};
  HWND handle = nextHandle_++;
  if (!backend_.OpenControl(handle, parent, spec)) return 0;
  Window w{className, text, place, (style & WS_VISIBLE) != 0};
  w.parent = parent;
  w.id = id;
  w.control = true;
  windows_[handle] = w;
  return handle;
}

bool WindowSystem::DestroyWindow(HWND window) {
  if (!IsWindow(window)) return false;
  SendMessage(window, WM_DESTROY, 0, 0);
  for (HWND child : Children(window)) DestroyWindow(child);
  backend_.CloseWindow(window);
  windows_.erase(window);
  // Messages still queued for the window die with it.
  std::erase_if(queue_, [window](const Msg& m) { return m.hwnd == window; });
  return true;
}

bool WindowSystem::SetWindowText(HWND window, const std::string& text) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  SendMessage(window, WM_SETTEXT, 0, LPARAM(text.c_str()));
  return true;
}

HWND WindowSystem::GetParent(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? 0 : it->second.parent;
}

int WindowSystem::ControlId(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? 0 : it->second.id;
}

std::vector<HWND> WindowSystem::Children(HWND window) const {
  std::vector<HWND> children;
  // Handles grow with creation, so the map's order is creation order.
  for (const auto& [handle, w] : windows_)
    if (w.parent == window && window != 0) children.push_back(handle);
  return children;
}

void WindowSystem::ControlClicked(HWND control) {
  auto it = windows_.find(control);
  if (it == windows_.end() || !it->second.control) return;
  PostMessage(it->second.parent, WM_COMMAND, WPARAM(it->second.id) | (BN_CLICKED << 16),
              LPARAM(control));
}

void WindowSystem::DialogKey(HWND form, WPARAM key) {
  WPARAM id = key == VK_RETURN ? IDOK : key == VK_ESCAPE ? IDCANCEL : 0;
  if (!id || !IsWindow(form)) return;
  // The button that answers to the key rides along, as a click of it would.
  HWND button = 0;
  for (HWND child : Children(form))
    if (WPARAM(ControlId(child)) == id) button = child;
  PostMessage(form, WM_COMMAND, id | (BN_CLICKED << 16), LPARAM(button));
}

// The built-in procedure of "button" and "static" controls. A group box
// hears its children's clicks and, like any group box, does nothing with them.
LRESULT WindowSystem::ControlProc(HWND control, uint32_t message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_SETCHECK:
      backend_.SetControlCheck(control, wParam == BST_CHECKED);
      return 0;
    case BM_GETCHECK:
      return backend_.ControlChecked(control) ? LRESULT(BST_CHECKED) : LRESULT(BST_UNCHECKED);
    case WM_SETFONT:
      backend_.SetControlFont(control, int(wParam));
      return 0;
    case WM_SETTEXT:
      DefWindowProc(control, message, wParam, lParam);
      backend_.SetControlText(control, WindowTitle(control));
      return 1;
    default:
      return DefWindowProc(control, message, wParam, lParam);
  }
}

void WindowSystem::ShowWindow(HWND window, int /*command*/) {
  auto it = windows_.find(window);
  if (it != windows_.end()) it->second.visible = true;
}

void WindowSystem::UpdateWindow(HWND window) {
  if (IsWindow(window)) SendMessage(window, WM_PAINT, 0, 0);
}

bool WindowSystem::GetWindowRect(HWND window, Rect* outer) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  *outer = it->second.outer;
  return true;
}

bool WindowSystem::GetClientRect(HWND window, Rect* client) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  *client = Rect{0, 0, it->second.outer.Width(), it->second.outer.Height()};
  return true;
}

bool WindowSystem::ClientToScreen(HWND window, Point* point) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  point->x += it->second.outer.left;
  point->y += it->second.outer.top;
  return true;
}

bool WindowSystem::SetWindowPos(HWND window, int x, int y, int width, int height) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  Rect before = it->second.outer;
  it->second.outer = Rect{x, y, x + width, y + height};
  it->second.visible = true;
  backend_.PlaceWindow(window, it->second.outer);
  if (before.left != x || before.top != y)
    SendMessage(window, WM_MOVE, 0, LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)));
  return true;
}

void WindowSystem::WindowMoved(HWND window, Point topLeft) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  Rect& r = it->second.outer;
  if (r.left == topLeft.x && r.top == topLeft.y) return;
  r = Rect{topLeft.x, topLeft.y, topLeft.x + r.Width(), topLeft.y + r.Height()};
  SendMessage(window, WM_MOVE, 0, LPARAM((topLeft.y & 0xFFFF) << 16 | (topLeft.x & 0xFFFF)));
}

std::string WindowSystem::WindowTitle(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? std::string() : it->second.title;
}

int WindowSystem::GetSystemMetrics(int) const { return 0; }

bool WindowSystem::PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (window != 0 && !IsWindow(window)) return false;
  queue_.push_back(Msg{window, message, wParam, lParam});
  return true;
}

void WindowSystem::PostQuitMessage(int exitCode) {
  // Like the desktop it stands in for, a quit request is a flag, not a queued
  // message: it is handed out once the posted messages are gone, and two
  // requests before that collapse into one.
  quitPending_ = true;
  quitCode_ = exitCode;
}

// Once a signal asks the program to end, every window is closed the way
// its close button would: the settings window's "Exit", the end of the show.
void WindowSystem::CloseAllOnStop() {
  if (stopSeen_ || !StopSignal()) return;
  stopSeen_ = true;
  for (const auto& [handle, window] : windows_)
    if (!window.parent) PostMessage(handle, WM_CLOSE, 0, 0);
}

bool WindowSystem::PeekMessage(Msg* msg, bool remove) {
  CloseAllOnStop();
  if (queue_.empty() && !quitPending_) backend_.PumpEvents(*this, false);
  if (!queue_.empty()) {
    *msg = queue_.front();
    if (remove) queue_.pop_front();
    return true;
  }
  if (quitPending_) {
    *msg = Msg{0, WM_QUIT, WPARAM(quitCode_), 0};
    if (remove) quitPending_ = false;
    return true;
  }
  return false;
}

int WindowSystem::GetMessage(Msg* msg) {
  for (;;) {
    if (PeekMessage(msg, true)) return msg->message == WM_QUIT ? 0 : 1;
    if (stopSeen_ && queue_.empty() && !quitPending_) return -1;  // nothing left to close
    if (!backend_.PumpEvents(*this, true) && queue_.empty() && !quitPending_) return -1;
  }
}

void WindowSystem::WaitMessage() {
  if (queue_.empty() && !quitPending_) backend_.PumpEvents(*this, true);
}

const WndClass* WindowSystem::ClassOf(HWND window) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return nullptr;
  auto cls = classes_.find(it->second.className);
  return cls == classes_.end() ? nullptr : &cls->second;
}

LRESULT WindowSystem::DispatchMessage(const Msg& msg) {
  if (msg.hwnd == 0) return 0;
  return SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT WindowSystem::SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  auto it = windows_.find(window);
  if (it != windows_.end() && it->second.control) return ControlProc(window, message, wParam, lParam);
  const WndClass* cls = ClassOf(window);
  if (!cls) return 0;
  if (!cls->proc) return DefWindowProc(window, message, wParam, lParam);
  // Copy: the procedure may destroy the window (and so nothing of the class
  // may be touched after it returns).
  WndProc proc = cls->proc;
  return proc(window, message, wParam, lParam);
}

LRESULT WindowSystem::DefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_F9 && screenshot_) {
        Picture picture;
        if (backend_.ShownPicture(window, &picture)) screenshot_(window, std::move(picture));
      }
      return 0;
    case WM_SETTEXT: {
      auto it = windows_.find(window);
      if (it == windows_.end()) return 0;
      it->second.title = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETCURSOR:
      // The class cursor is the arrow.
      SetCursor(true);
      return 1;
    default:
      return 0;
  }
}

void WindowSystem::MessageBox(HWND /*owner*/, const std::string& text, const std::string& caption) {
  backend_.ShowMessageBox(text, caption);
}

}  // namespace host
