#include "host/window_system.h"

#include <gtest/gtest.h>

#include "host/headless.h"

namespace {

using namespace host;

struct Desk {
  std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
  WindowSystem& ws = platform->windows;
  std::vector<uint32_t> seen;

  HWND Make(const std::string& cls = "Test") {
    if (!ws.IsWindow(1) && cls == "Test")
      ws.RegisterClass(WndClass{"Test", [this](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
                                  seen.push_back(m);
                                  if (m == WM_DESTROY) ws.PostQuitMessage(7);
                                  return ws.DefWindowProc(w, m, wp, lp);
                                }});
    return ws.CreateWindow(cls, "t", 0, CW_USEDEFAULT, CW_USEDEFAULT, 512, 384);
  }
};

TEST(WindowSystem, QuitRequestsComeAfterPostedMessagesAndCollapse) {
  Desk d;
  HWND w = d.Make();
  d.ws.PostQuitMessage(3);
  d.ws.PostQuitMessage(4);
  d.ws.PostMessage(w, WM_KEYDOWN, VK_F11, 0);
  Msg m;
  ASSERT_TRUE(d.ws.PeekMessage(&m, true));
  EXPECT_EQ(m.message, WM_KEYDOWN);
  ASSERT_TRUE(d.ws.PeekMessage(&m, false));  // a look leaves it there
  ASSERT_TRUE(d.ws.PeekMessage(&m, true));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 4u);
  EXPECT_FALSE(d.ws.PeekMessage(&m, true));
  EXPECT_EQ(d.ws.GetMessage(&m), -1);  // nothing can ever come on a headless desk
}

TEST(WindowSystem, CloseDestroysAndTheWindowsMessagesGoWithIt) {
  Desk d;
  HWND w = d.Make();
  EXPECT_EQ(d.seen.front(), WM_CREATE);
  d.ws.PostMessage(w, WM_CLOSE, 0, 0);
  d.ws.PostMessage(w, WM_KEYDOWN, VK_ESCAPE, 0);
  Msg m;
  ASSERT_TRUE(d.ws.PeekMessage(&m, true));
  d.ws.DispatchMessage(m);
  EXPECT_FALSE(d.ws.IsWindow(w));
  EXPECT_EQ(d.seen.back(), WM_DESTROY);
  EXPECT_FALSE(d.ws.PostMessage(w, WM_CLOSE, 0, 0));
  EXPECT_FALSE(d.ws.DestroyWindow(w));
  ASSERT_EQ(d.ws.GetMessage(&m), 0);  // the key died with the window; the quit remains
  EXPECT_EQ(m.wParam, 7u);
  // Handles are never reused.
  EXPECT_NE(d.Make(), w);
}

TEST(WindowSystem, GeometryAndMoves) {
  Desk d;
  HWND w = d.Make();
  Rect outer, client;
  ASSERT_TRUE(d.ws.GetWindowRect(w, &outer));
  ASSERT_TRUE(d.ws.GetClientRect(w, &client));
  EXPECT_EQ(client, (Rect{0, 0, 512, 384}));
  EXPECT_EQ(outer.Width(), 512);
  Point p{10, 20};
  d.ws.ClientToScreen(w, &p);
  EXPECT_EQ(p, (Point{outer.left + 10, outer.top + 20}));
  d.seen.clear();
  d.ws.SetWindowPos(w, outer.left, outer.top, 512, 384);  // no move, no WM_MOVE
  EXPECT_TRUE(d.seen.empty());
  d.ws.WindowMoved(w, Point{5, 6});
  EXPECT_EQ(d.seen, std::vector<uint32_t>{WM_MOVE});
  d.ws.GetWindowRect(w, &outer);
  EXPECT_EQ(outer, (Rect{5, 6, 517, 390}));
  EXPECT_FALSE(d.ws.GetWindowRect(999, &outer));
}

TEST(WindowSystem, CreationFailures) {
  Desk d;
  EXPECT_EQ(d.ws.CreateWindow("Nobody", "t", 0, 0, 0, 10, 10), 0u);
  d.Make();
  d.ws.FailCreate("Test");
  EXPECT_EQ(d.Make(), 0u);
  EXPECT_NE(d.Make(), 0u);  // only the next one fails
  EXPECT_FALSE(d.ws.RegisterClass(WndClass{"Test", nullptr}));
}

}  // namespace
