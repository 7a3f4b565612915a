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

constexpr WPARAM VK_ESCAPE = 0x1B;
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

constexpr int kProgramIcon = 101;

using WndProc = std::function<LRESULT(HWND, uint32_t, WPARAM, LPARAM)>;

struct WndClass {
  std::string name;
  WndProc proc;
  uint32_t style = 0;
  int icon = 0;
  bool blackBackground = false;
};

}  // namespace host
