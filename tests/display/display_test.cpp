#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "display/display.h"
#include "display/window_proc.h"
#include "support/show.h"

using testing_support::Show;
using host::DisplayCall;

namespace {

std::string Joined(const std::vector<std::string>& calls, size_t from = 0) {
  std::string text;
  for (size_t i = from; i < calls.size(); ++i) text += (i > from ? "; " : "") + calls[i];
  return text;
}

// Each way of opening the display takes its steps in order, makes its
// surfaces and palette, gives the effects a frame of 512 unpadded 32-bit
// rows, and lets go of everything again on the way out.
TEST(Display, EachPathOpensItsSurfacesAndReleasesThem) {
  // Windowed asked, video mode, the newer interface there, and the calls.
  // A window gets a clipped primary and a 32-bit frame surface, cleared; the
  // 8-bit modes a grey palette; full screen through the newer interface is
  // allowed a reboot (0x13), through the first one not (0x11).
  const std::string window = "DirectDrawCreate; QueryInterface(4); SetCooperativeLevel(0x08); CreateSurface(primary); "
                             "CreateClipper; CreateSurface(offscreen 512x384x32); Blt(colour fill)";
  const std::string full = "DirectDrawCreate; QueryInterface(4); SetCooperativeLevel(0x1";
  const std::tuple<int, int, bool, std::string> cases[] = {
      {1, 2, true, window + "; CreatePalette; SetPalette"}, {1, 0, true, window}, {1, 1, true, window}, {1, 4, true, window},
      {0, 5, true, full + "3); SetDisplayMode(640, 480, 8); CreateSurface(primary); CreatePalette; SetPalette"},
      {0, 0, true, full + "3); SetDisplayMode(512, 384, 32); CreateSurface(primary)"},
      {1, 1, false, full + "1); SetDisplayMode(512, 384, 24); CreateSurface(primary)"}};
  for (const auto& [windowed, mode, newerInterface, calls] : cases) {
    SCOPED_TRACE(calls);
    Show s;
    auto& device = s.platform->display;
    if (!newerInterface) device.RemoveInterface(host::DisplayInterface::DirectDraw4);
    RegisterClasses(s.demo);
    s.demo.settings.windowed = windowed;
    s.demo.settings.videoMode = mode;
    s.demo.MainWindow =
        s.platform->windows.CreateWindow("Demo", kDemoTitle, host::WS_OVERLAPPEDWINDOW, 100, 80, 512, 384);
    s.platform->windows.GetWindowRect(s.demo.MainWindow, &s.demo.display.SavedWindowRect);
    ASSERT_EQ(OpenDisplay(s.demo.display, s.demo.MainWindow), 1);
    EXPECT_EQ(Joined(device.CallLog()), calls);
    EXPECT_EQ(std::make_pair(s.demo.display.DisplayReady, s.BoxTexts().size()), std::make_pair(1, size_t(0)));
    const bool hasPalette = calls.find("SetPalette") != std::string::npos, inWindow = windowed && newerInterface;
    EXPECT_EQ(std::make_pair(device.LiveSurfaces(), device.LivePalettes()), std::make_pair(inWindow ? 2 : 1, int(hasPalette)));
    const host::Surface* primary = device.PrimarySurface();
    ASSERT_NE(primary, nullptr);
    for (int i = 0; i < 256; i += 85) EXPECT_TRUE(!hasPalette || primary->palette->entries[i].red + primary->palette->entries[i].blue == 2 * i);
    if (const host::Surface* frame = inWindow ? s.demo.display.offscreen : nullptr) {
      EXPECT_EQ(std::make_tuple(frame->width, frame->height, frame->bitsPerPixel, frame->pitch),
                std::make_tuple(512, 384, 32, 512 * 4));
      BeginFrame(s.demo.display);
      // Exactly the frame, no more, no less.
      EXPECT_EQ(std::make_tuple(static_cast<const void*>(s.demo.target.pixels), s.demo.target.surfacePitch, frame->memory.size()),
                std::make_tuple(static_cast<const void*>(frame->memory.data()), 512 * 4, size_t(kFramePixels) * 4));
      PresentFrame(s.demo.display);
    }
    EXPECT_EQ(std::make_tuple(s.demo.target.width, s.demo.target.height, s.demo.target.bitsPerPixel),
              std::make_tuple(512, 384, 32));
    // Released twice, as an error path and then WM_DESTROY do; palettes
    // outlive releases. Shutdown then closes the display.
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    ReleaseAllObjects(s.demo.display, s.demo.MainWindow);
    EXPECT_EQ(std::make_pair(device.LiveSurfaces(), device.LivePalettes()), std::make_pair(0, int(hasPalette)));
    size_t before = device.CallLog().size();
    CloseDisplay(s.demo.display);
    EXPECT_EQ(Joined(device.CallLog(), before),
              std::string(newerInterface ? "Release(interface 4); " : "") + "Release(interface 1)");
    EXPECT_FALSE(device.HasInterface(1) || device.HasInterface(4) || device.Exclusive());
  }
}

const testing_support::InDataDir kInDataDir;  // the show's pictures load without a box

struct MainWndProc : testing::Test {
  testing_support::Show s;
  host::LRESULT Send(uint32_t message, host::WPARAM wParam = 0, host::LPARAM lParam = 0) {
    return s.platform->windows.SendMessage(s.demo.MainWindow, message, wParam, lParam);
  }
  std::vector<uint32_t> Drain() {
    std::vector<uint32_t> messages;
    for (host::Msg m; s.platform->windows.PeekMessage(&m, true);) messages.push_back(m.message);
    return messages;
  }
};

TEST_F(MainWndProc, EscapeAndF12CloseAndF11NeverDoesAndClosingDestroysReleasesAndQuits) {
  ASSERT_TRUE(s.Open(1));
  Drain();
  for (auto [key, closes] : {std::pair{host::VK_ESCAPE, true}, {host::VK_F12, true}, {host::VK_F11, false},
                             {host::WPARAM('A'), false}}) {
    EXPECT_EQ(Send(host::WM_KEYDOWN, key), 0);
    EXPECT_EQ(Drain(), closes ? std::vector<uint32_t>{host::WM_CLOSE} : std::vector<uint32_t>{}) << "key " << key;
  }
  Send(host::WM_KEYDOWN, host::VK_ESCAPE);
  host::Msg m;
  ASSERT_TRUE(s.platform->windows.PeekMessage(&m, true));
  s.platform->windows.DispatchMessage(m);  // WM_CLOSE: the default procedure destroys
  EXPECT_FALSE(s.platform->windows.IsWindow(s.demo.MainWindow));
  EXPECT_EQ(s.platform->display.LiveSurfaces(), 0);
  EXPECT_EQ(Drain(), std::vector<uint32_t>{host::WM_QUIT});
}

TEST_F(MainWndProc, F11SwitchesToFullScreenWithoutACursorAndBackToTheSamePlace) {
  ASSERT_TRUE(s.Open(1, 3));
  // The viewer moved the window before switching.
  s.platform->windows.SetWindowPos(s.demo.MainWindow, 300, 200, 512, 384);
  Send(host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(std::tie(s.demo.settings.windowed, s.demo.display.DisplayReady), std::make_tuple(0, 1));
  EXPECT_TRUE(s.platform->display.Exclusive());
  ASSERT_NE(s.demo.display.primary4, nullptr);
  EXPECT_EQ(std::make_tuple(s.demo.display.primary4->width, s.demo.display.offscreen), std::make_tuple(640, nullptr));
  // Full screen hides the cursor, and the window keeps its size.
  EXPECT_EQ(Send(host::WM_SETCURSOR), 1);
  EXPECT_FALSE(s.backend.cursorVisible);
  host::MinMaxInfo info{};
  Send(host::WM_GETMINMAXINFO, 0, reinterpret_cast<host::LPARAM>(&info));
  EXPECT_EQ(std::tie(info.minTrackSize, info.maxTrackSize), std::make_tuple(host::Point{512, 384}, host::Point{512, 384}));
  s.platform->windows.SetWindowPos(s.demo.MainWindow, 0, 0, 640, 480);  // full screen covers the desktop
  Send(host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(s.demo.settings.windowed, 1);
  EXPECT_FALSE(s.platform->display.Exclusive());
  host::Rect r;
  s.platform->windows.GetWindowRect(s.demo.MainWindow, &r);
  EXPECT_EQ(std::tie(r, s.demo.display.BlitDestRect), std::make_tuple(host::Rect{300, 200, 812, 584}, host::Rect{300, 200, 812, 584}));
  EXPECT_NE(s.demo.display.offscreen, nullptr);
}

TEST_F(MainWndProc, F11WithoutTheNewerInterfaceDoesNothing) {
  s.platform->display.FailCall(DisplayCall::QueryInterface, host::DDERR_NOINTERFACE);
  ASSERT_TRUE(s.Open(1));
  // A windowed request still opened full screen, through the first interface.
  EXPECT_EQ(std::tie(s.demo.settings.windowed, s.demo.display.HaveDirectDraw4), std::make_tuple(0, 0));
  size_t calls = s.platform->display.CallLog().size();
  Send(host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(std::make_pair(s.platform->display.CallLog().size(), s.demo.settings.windowed), std::make_pair(calls, 0));
}

TEST_F(MainWndProc, AFailedSwitchReportsAndEndsTheShow) {
  ASSERT_TRUE(s.Open(1));
  s.platform->display.FailCall(DisplayCall::SetDisplayMode, host::DDERR_UNSUPPORTEDMODE, 1);
  Send(host::WM_KEYDOWN, host::VK_F11);
  EXPECT_EQ(s.BoxTexts(), std::vector<std::string>{"SetDisplayMode FAILED"});
  // Switched back before giving up, and counted, or the program would end
  // as if nothing had failed.
  EXPECT_EQ(std::tie(s.demo.display.failures, s.demo.display.DisplayReady, s.demo.settings.windowed),
            std::make_tuple(1, 1, 1));
  EXPECT_FALSE(s.platform->windows.IsWindow(s.demo.MainWindow));
  EXPECT_EQ(Drain(), std::vector<uint32_t>{host::WM_QUIT});
}

TEST_F(MainWndProc, MovingTheWindowMovesTheBlit) {
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

TEST_F(MainWndProc, AWindowShowsTheArrowAndRepaintsOnceALostScreenIsRestored) {
  ASSERT_TRUE(s.Open(1));
  Send(host::WM_SETCURSOR);
  EXPECT_TRUE(s.backend.cursorVisible);  // the class arrow
  // A repaint that finds the screen lost restores it once and does not
  // retry; one still drawing is tried again.
  auto& device = s.platform->display;
  device.FailCall(DisplayCall::Blt, host::DDERR_SURFACELOST, 1);
  int blits = device.CallCount(DisplayCall::Blt);
  Send(host::WM_PAINT);
  EXPECT_EQ(std::make_pair(device.CallCount(DisplayCall::Blt), device.CallCount(DisplayCall::Restore)), std::make_pair(blits + 1, 1));
  device.FailCall(DisplayCall::Blt, host::DDERR_WASSTILLDRAWING, 2);
  Send(host::WM_PAINT);
  EXPECT_EQ(device.CallCount(DisplayCall::Blt), blits + 4);
}

}  // namespace
