// Window classes, windows and one thread's message queue, shaped after the
// calls the show's start-up and window procedures make.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/backend.h"
#include "host/win.h"

namespace host {

class WindowSystem {
 public:
  explicit WindowSystem(Backend& backend) : backend_(backend) {}

  bool RegisterClass(const WndClass& windowClass);
  // Returns 0 when the class is unknown, the backend cannot open the window
  // or a test asked for the failure. Sends WM_CREATE before returning.
  // The built-in classes "button" and "static" make child controls: they
  // need a parent, take their kind from the style, and place themselves in
  // the parent's client coordinates; `id` is what their WM_COMMAND carries.
  HWND CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                    int x, int y, int width, int height, HWND parent = 0, int id = 0);
  // Destroys the window's children with it, after its own WM_DESTROY.
  bool DestroyWindow(HWND window);
  bool SetWindowText(HWND window, const std::string& text);
  HWND GetParent(HWND window) const;
  int ControlId(HWND window) const;
  // Children in creation order.
  std::vector<HWND> Children(HWND window) const;
  int GetStockFont(int which) const { return which; }

  // What backends report of a form's controls. A click tells the parent
  // (WM_COMMAND with the control's identifier and BN_CLICKED); Enter and
  // Escape in a form send it IDOK and IDCANCEL, as dialogs do.
  void ControlClicked(HWND control);
  void DialogKey(HWND form, WPARAM key);
  bool IsWindow(HWND window) const { return windows_.count(window) != 0; }
  void ShowWindow(HWND window, int command);
  void UpdateWindow(HWND window);

  bool GetWindowRect(HWND window, Rect* outer) const;
  bool GetClientRect(HWND window, Rect* client) const;
  bool ClientToScreen(HWND window, Point* point) const;
  bool SetWindowPos(HWND window, int x, int y, int width, int height);
  std::string WindowTitle(HWND window) const;
  // Our windows have no drawn frame of their own: the desktop decorates
  // them outside the client area, so every frame metric is 0 and a window's
  // outer size is its client size.
  int GetSystemMetrics(int index) const;

  bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
  void PostQuitMessage(int exitCode);
  bool PeekMessage(Msg* msg, bool remove);
  // 1 for a message, 0 for WM_QUIT, -1 when nothing can ever arrive.
  int GetMessage(Msg* msg);
  // Returns once a message is waiting, or after a tenth of a second at most.
  void WaitMessage();
  void TranslateMessage(const Msg&) {}
  LRESULT DispatchMessage(const Msg& msg);
  LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
  LRESULT DefWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

  void SetCursor(bool visible) { backend_.ShowCursor(visible); }
  void MessageBox(HWND owner, const std::string& text, const std::string& caption);

  // The desktop's screenshot key: F9 that reaches the default procedure
  // hands what the window shows to this handler (if there is one).
  using ScreenshotHandler = std::function<void(HWND, Picture&&)>;
  void SetScreenshotHandler(ScreenshotHandler handler) { screenshot_ = std::move(handler); }

  // Called by backends when the desktop moved a window.
  void WindowMoved(HWND window, Point topLeft);

  // For tests: make the next CreateWindow of this class fail.
  void FailCreate(const std::string& className) { failCreate_.push_back(className); }
  size_t PendingMessages() const { return queue_.size() + (quitPending_ ? 1 : 0); }

 private:
  struct Window {
    std::string className;
    std::string title;
    Rect outer;
    bool visible = false;
    HWND parent = 0;
    int id = 0;
    bool control = false;
  };
  const WndClass* ClassOf(HWND window) const;
  void CloseAllOnStop();
  HWND CreateControl(const std::string& className, const std::string& text, uint32_t style,
                     const Rect& place, HWND parent, int id);
  LRESULT ControlProc(HWND control, uint32_t message, WPARAM wParam, LPARAM lParam);

  Backend& backend_;
  std::map<std::string, WndClass> classes_;
  std::map<HWND, Window> windows_;
  HWND nextHandle_ = 1;
  std::deque<Msg> queue_;
  bool quitPending_ = false;
  bool stopSeen_ = false;  // the windows were closed for a stop signal
  int quitCode_ = 0;
  std::vector<std::string> failCreate_;
  int defaultPlacements_ = 0;
  ScreenshotHandler screenshot_;
};

}  // namespace host
