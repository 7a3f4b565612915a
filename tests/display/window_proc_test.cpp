#include "display/window_proc.h"

#include <gtest/gtest.h>

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
  struct Case {
    host::WPARAM key;
    bool closes;
  };
  for (const Case& c : {Case{host::VK_ESCAPE, true}, Case{host::VK_F12, true}, Case{host::VK_F11, false},
                        Case{'A', false}}) {
    Show s;
    ASSERT_TRUE(s.Open());
    Drain(s);
    EXPECT_EQ(Send(s, host::WM_KEYDOWN, c.key), 0);
    std::vector<uint32_t> posted = Drain(s);
    bool closed = posted == std::vector<uint32_t>{host::WM_CLOSE};
    EXPECT_EQ(closed, c.closes) << "key " << c.key;
    if (!c.closes) {
      EXPECT_TRUE(posted.empty());
    }
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
  EXPECT_EQ(s.demo.settings.windowed, 0);
  EXPECT_EQ(s.demo.display.DisplayReady, 1);
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
  EXPECT_EQ(s.demo.settings.windowed, 0);
  EXPECT_EQ(s.demo.display.HaveDirectDraw4, 0);
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
  EXPECT_EQ(s.demo.display.failures, 1) << "the program would end as if nothing had failed";
  EXPECT_FALSE(s.platform->windows.IsWindow(s.demo.MainWindow));
  EXPECT_EQ(s.demo.display.DisplayReady, 1);
  EXPECT_EQ(s.demo.settings.windowed, 1);  // switched back before giving up
  EXPECT_EQ(Drain(s), std::vector<uint32_t>{host::WM_QUIT});
}

TEST(MainWndProc, MovingTheWindowMovesTheBlit) {
  Show s;
  ASSERT_TRUE(s.Open(1));
  s.platform->windows.WindowMoved(s.demo.MainWindow, host::Point{400, 250});
  EXPECT_EQ(s.demo.display.BlitDestRect, (host::Rect{400, 250, 912, 634}));
  EXPECT_EQ(s.demo.display.BlitSourceRect, (host::Rect{0, 0, 512, 384}));
  EXPECT_EQ(s.demo.display.SavedWindowRect, (host::Rect{400, 250, 912, 634}));
  // The next frame lands at the new place on the desktop.
  BeginFrame(s.demo.display);
  std::fill(s.demo.target.pixels, s.demo.target.pixels + kFramePixels, 0x00C0FFEE);
  PresentFrame(s.demo.display);
  const host::Surface* desktop = s.platform->display.PrimarySurface();
  auto at = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(desktop->memory.data() + size_t(y) * desktop->pitch + x * 4);
  };
  EXPECT_EQ(at(400, 250), 0x00C0FFEEu);
  EXPECT_EQ(at(911, 633), 0x00C0FFEEu);
  EXPECT_EQ(at(399, 250), 0u);
  EXPECT_EQ(at(912, 633), 0u);
}

TEST(MainWndProc, CursorSizeAndRepaint) {
  Show s;
  ASSERT_TRUE(s.Open(0));
  EXPECT_EQ(Send(s, host::WM_SETCURSOR), 1);
  EXPECT_FALSE(s.backend.cursorVisible);
  host::MinMaxInfo info{};
  Send(s, host::WM_GETMINMAXINFO, 0, reinterpret_cast<host::LPARAM>(&info));
  EXPECT_EQ(info.minTrackSize, (host::Point{512, 384}));
  EXPECT_EQ(info.maxTrackSize, (host::Point{512, 384}));

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
