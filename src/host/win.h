// The small part of a desktop window system the show needs: handles,
// messages, rectangles and the message numbers its procedures look at.
// The numbers are the classic ones so a message dump reads familiar.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace host {

using HWND = uint32_t;  // 0 is "no window"; handles are never reused
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Msg {
  HWND hwnd = 0;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

struct MinMaxInfo {
  Point reserved, maxSize, maxPosition, minTrackSize, maxTrackSize;
};

constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_GETMINMAXINFO = 0x0024;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_SETTEXT = 0x000C;
constexpr uint32_t WM_SETFONT = 0x0030;
constexpr uint32_t BM_GETCHECK = 0x00F0;
constexpr uint32_t BM_SETCHECK = 0x00F1;

constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WPARAM BN_CLICKED = 0;
// What a dialog's Enter and Escape keys send as WM_COMMAND identifiers.
constexpr WPARAM IDOK = 1;
constexpr WPARAM IDCANCEL = 2;

constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;  // Page Up
constexpr WPARAM VK_NEXT = 0x22;   // Page Down
constexpr WPARAM VK_F9 = 0x78;
constexpr WPARAM VK_F11 = 0x7A;
constexpr WPARAM VK_F12 = 0x7B;

constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;

constexpr int CW_USEDEFAULT = int(0x80000000u);
constexpr int SW_SHOWNORMAL = 1;

constexpr uint32_t CS_VREDRAW = 0x0001;
constexpr uint32_t CS_HREDRAW = 0x0002;
constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr uint32_t WS_SETTINGS = 0x100A0000;  // visible, system menu, minimise box
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;

// The kinds of the built-in "button" class (the low four bits of its style)
// and the plain left-aligned "static" text.
constexpr uint32_t BS_PUSHBUTTON = 0x0;
constexpr uint32_t BS_AUTOCHECKBOX = 0x3;
constexpr uint32_t BS_GROUPBOX = 0x7;
constexpr uint32_t BS_AUTORADIOBUTTON = 0x9;
constexpr uint32_t SS_LEFT = 0x0;

// The stock fonts a control can be given: the one every control starts
// with, and the proportional one dialogs use.
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

constexpr int kProgramIcon = 101;

// The child controls the window system draws itself.
enum class ControlKind { GroupBox, RadioButton, CheckBox, PushButton, Text };

struct ControlSpec {
  ControlKind kind = ControlKind::PushButton;
  std::string text;
  Rect place;  // in the client coordinates of the parent
  bool enabled = true;
  int id = 0;
};

using WndProc = std::function<LRESULT(HWND, uint32_t, WPARAM, LPARAM)>;

struct WndClass {
  std::string name;
  WndProc proc;
  uint32_t style = 0;
  int icon = 0;
  bool blackBackground = false;
  // A window in the desktop's own colour (the menu colour) is painted by
  // the desktop's toolkit and holds controls; others are surfaces to draw on.
  bool systemColourBackground = false;
};

}  // namespace host
