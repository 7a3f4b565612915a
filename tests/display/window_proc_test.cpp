#include "display/window_proc.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/show.h"

using host::DisplayCall;
using testing_support::Show;

namespace {

const testing_support::InDataDir kInDataDir;  // the show's pictures load without a box

host::LRESULT Send(Show& s, uint32_t message, host::WPARAM wParam = 0, host::LPARAM lParam = 0) {
  return s.platform->windows.SendMessage(s.demo.MainWindow, message, wParam, lParam);
}

std::vector<uint32_t> Drain(Show& s) {
  std::vector<uint32_t> messages;
  host::Msg m;
  while (s.platform->windows.PeekMessage(&m, true)) messages.push_back(m.message);
  return messages;
}

TEST(MainWndProc, EscapeAndF12CloseAndF11NeverDoes) {
  Show s;
  ASSERT_TRUE(s.Open());
  Drain(s);
  for (auto [key, closes] : {std::pair{host::VK_ESCAPE, true}, {host::VK_F12, true}, {host::VK_F11, false},
                             {host::WPARAM('A'), false}}) {
    EXPECT_EQ(Send(s, host::WM_KEYDOWN, key), 0);
    EXPECT_EQ(Drain(s), closes ? std::vector<uint32_t>{host::WM_CLOSE} : std::vector<uint32_t>{}) << "key " << key;
  }
}

TEST(MainWndProc, CloseDestroysReleasesAndQuits) {
  Show s;
  ASSERT_TRUE(s.Open(1));
  EXPECT_EQ(s.platform->display.LiveSurfaces(), 2);
  Send(s, host::WM_KEYDOWN, host::VK_ESCAPE);
  host::Msg m;
  ASSERT_TRUE(s.platform->windows.PeekMessage(&m, true));
  s.platform->windows.DispatchMessage(m);  // WM_CLOSE: the default procedure destroys
  EXPECT_FALSE(s.platform->windows.IsWindow(s.demo.MainWindow));
  EXPECT_EQ(s.platform->display.LiveSurfaces(), 0);
  EXPECT_EQ(Drain(s), std::vector<uint32_t>{host::WM_QUIT});
}

TEST(MainWndProc, F11SwitchesToFullScreenAndBackToTheSamePlace) {
  Show s;
  ASSERT_TRUE(s.Open(1, 3));
  // The viewer moved the window before switching.
  s.platform->windows.SetWindowPos(s.demo.MainWindow, 300, 200, 512, 384);
  Send(s, host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(std::tie(s.demo.settings.windowed, s.demo.display.DisplayReady), std::make_tuple(0, 1));
  EXPECT_TRUE(s.platform->display.Exclusive());
  ASSERT_NE(s.demo.display.primary4, nullptr);
  EXPECT_EQ(s.demo.display.primary4->width, 640);
  EXPECT_EQ(s.demo.display.offscreen, nullptr);

  s.platform->windows.SetWindowPos(s.demo.MainWindow, 0, 0, 640, 480);  // full screen covers the desktop
  Send(s, host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(s.demo.settings.windowed, 1);
  EXPECT_FALSE(s.platform->display.Exclusive());
  host::Rect r;
  s.platform->windows.GetWindowRect(s.demo.MainWindow, &r);
  EXPECT_EQ(r, (host::Rect{300, 200, 812, 584}));
  EXPECT_EQ(s.demo.display.BlitDestRect, (host::Rect{300, 200, 812, 584}));
  EXPECT_NE(s.demo.display.offscreen, nullptr);
}

TEST(MainWndProc, F11WithoutTheNewerInterfaceDoesNothing) {
  Show s;
  s.platform->display.FailCall(DisplayCall::QueryInterface, host::DDERR_NOINTERFACE);
  ASSERT_TRUE(s.Open(1));
  // A windowed request still opened full screen, through the first interface
  // and without the reboot permission.
  EXPECT_EQ(std::tie(s.demo.settings.windowed, s.demo.display.HaveDirectDraw4), std::make_tuple(0, 0));
  EXPECT_NE(s.demo.display.primary1, nullptr);
  const auto& log = s.platform->display.CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "SetCooperativeLevel(0x11)"), log.end());
  size_t calls = log.size();
  Send(s, host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(s.platform->display.CallLog().size(), calls);
  EXPECT_EQ(s.demo.settings.windowed, 0);
}

TEST(MainWndProc, AFailedSwitchReportsAndEndsTheShow) {
  Show s;
  ASSERT_TRUE(s.Open(1));
  s.platform->display.FailCall(DisplayCall::SetDisplayMode, host::DDERR_UNSUPPORTEDMODE, 1);
  Send(s, host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(s.BoxTexts(), std::vector<std::string>{"SetDisplayMode FAILED"});
  // Switched back before giving up, and counted, or the program would end
  // as if nothing had failed.
  EXPECT_EQ(std::tie(s.demo.display.failures, s.demo.display.DisplayReady, s.demo.settings.windowed),
            std::make_tuple(1, 1, 1));
  EXPECT_FALSE(s.platform->windows.IsWindow(s.demo.MainWindow));
  EXPECT_EQ(Drain(s), std::vector<uint32_t>{host::WM_QUIT});
}

TEST(MainWndProc, MovingTheWindowMovesTheBlit) {
  Show s;
  ASSERT_TRUE(s.Open(1));
  s.platform->windows.WindowMoved(s.demo.MainWindow, host::Point{400, 250});
  EXPECT_EQ(std::tie(s.demo.display.BlitDestRect, s.demo.display.BlitSourceRect, s.demo.display.SavedWindowRect),
            std::make_tuple(host::Rect{400, 250, 912, 634}, host::Rect{0, 0, 512, 384}, host::Rect{400, 250, 912, 634}));
  // The next frame lands at the new place on the desktop.
  BeginFrame(s.demo.display);
  std::fill(s.demo.target.pixels, s.demo.target.pixels + kFramePixels, 0x00C0FFEE);
  PresentFrame(s.demo.display);
  const host::Surface* desktop = s.platform->display.PrimarySurface();
  auto at = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(desktop->memory.data() + size_t(y) * desktop->pitch + x * 4);
  };
  EXPECT_EQ(std::make_tuple(at(400, 250), at(911, 633), at(399, 250), at(912, 633)),
            std::make_tuple(0x00C0FFEEu, 0x00C0FFEEu, 0u, 0u));
}

TEST(MainWndProc, CursorSizeAndRepaint) {
  Show s;
  ASSERT_TRUE(s.Open(0));
  EXPECT_EQ(Send(s, host::WM_SETCURSOR), 1);
  EXPECT_FALSE(s.backend.cursorVisible);
  host::MinMaxInfo info{};
  Send(s, host::WM_GETMINMAXINFO, 0, reinterpret_cast<host::LPARAM>(&info));
  EXPECT_EQ(std::tie(info.minTrackSize, info.maxTrackSize), std::make_tuple(host::Point{512, 384}, host::Point{512, 384}));

  Show w;
  ASSERT_TRUE(w.Open(1));
  Send(w, host::WM_SETCURSOR);
  EXPECT_TRUE(w.backend.cursorVisible);  // the class arrow
  // A repaint that finds the screen lost restores it once and does not retry.
  w.platform->display.FailCall(DisplayCall::Blt, host::DDERR_SURFACELOST, 1);
  int blits = w.platform->display.CallCount(DisplayCall::Blt);
  Send(w, host::WM_PAINT);
  EXPECT_EQ(w.platform->display.CallCount(DisplayCall::Blt), blits + 1);
  EXPECT_EQ(w.platform->display.CallCount(DisplayCall::Restore), 1);
  // One still drawing is tried again.
  w.platform->display.FailCall(DisplayCall::Blt, host::DDERR_WASSTILLDRAWING, 2);
  Send(w, host::WM_PAINT);
  EXPECT_EQ(w.platform->display.CallCount(DisplayCall::Blt), blits + 4);
}

}  // namespace
