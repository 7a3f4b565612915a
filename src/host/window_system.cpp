#include "host/window_system.h"

#include <algorithm>

namespace host {

bool WindowSystem::RegisterClass(const WndClass& windowClass) {
  if (windowClass.name.empty() || classes_.count(windowClass.name)) return false;
  classes_[windowClass.name] = windowClass;
  return true;
}

HWND WindowSystem::CreateWindow(const std::string& className, const std::string& title,
                                uint32_t /*style*/, int x, int y, int width, int height) {
  auto failing = std::find(failCreate_.begin(), failCreate_.end(), className);
  if (failing != failCreate_.end()) {
    failCreate_.erase(failing);
    return 0;
  }
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
  if (!backend_.OpenWindow(handle, title, outer)) return 0;
  windows_[handle] = Window{className, title, outer, false};
  SendMessage(handle, WM_CREATE, 0, 0);
  return handle;
}

bool WindowSystem::DestroyWindow(HWND window) {
  if (!IsWindow(window)) return false;
  SendMessage(window, WM_DESTROY, 0, 0);
  backend_.CloseWindow(window);
  windows_.erase(window);
  // Messages still queued for the window die with it.
  std::erase_if(queue_, [window](const Msg& m) { return m.hwnd == window; });
  return true;
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

bool WindowSystem::PeekMessage(Msg* msg, bool remove) {
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
    if (!backend_.PumpEvents(*this, true) && queue_.empty() && !quitPending_) return -1;
  }
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
  const WndClass* cls = ClassOf(window);
  if (!cls) return 0;
  if (!cls->proc) return DefWindowProc(window, message, wParam, lParam);
  // Copy: the procedure may destroy the window (and so nothing of the class
  // may be touched after it returns).
  WndProc proc = cls->proc;
  return proc(window, message, wParam, lParam);
}

LRESULT WindowSystem::DefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_F9 && screenshot_) {
        Picture picture;
        if (backend_.ShownPicture(window, &picture)) screenshot_(window, std::move(picture));
      }
      return 0;
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
