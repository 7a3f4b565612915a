// Forms on a real X server: the window system's controls as FLTK widgets,
// where clicks land, what BM_GETCHECK then says, and who hears of it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/sdl_backend.h"
#include "host/sdl_pixels.h"
#include "sdl_xvfb.h"

namespace host {
namespace {

class SdlForms : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"xdotool", "xwininfo", "xprop"})
      if (!sdltest::OnPath(tool)) GTEST_SKIP() << tool << " is not installed; this test needs it";
    std::string why;
    if (!xvfb_.Start(640, 480, &why)) GTEST_SKIP() << why << "; this test needs it";
    setenv("DISPLAY", xvfb_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::string error;
    platform_ = MakeSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
    WindowSystem& ws = platform_->windows;
    WndClass form;
    form.name = "Form";
    form.systemColourBackground = true;
    form.proc = [this](HWND h, uint32_t m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_COMMAND || m == WM_CLOSE) heard_.push_back(Msg{h, m, w, l});
      return m == WM_CLOSE ? 0 : platform_->windows.DefWindowProc(h, m, w, l);
    };
    ASSERT_TRUE(ws.RegisterClass(form));
    form_ = ws.CreateWindow("Form", "form test", WS_SETTINGS, 100, 50, 240, 200);
    ASSERT_NE(form_, 0u);
    // A group inside a group, so the nested places must add up.
    outer_ = Make("button", "Outer", BS_GROUPBOX, form_, 10, 10, 150, 120);
    inner_ = Make("button", "Inner", BS_GROUPBOX, outer_, 20, 40, 120, 70);
    top_ = Make("button", "Top", BS_AUTORADIOBUTTON, outer_, 7, 14, 100, 15);
    first_ = Make("button", "First", BS_AUTORADIOBUTTON, inner_, 7, 14, 100, 15);
    second_ = Make("button", "Second", BS_AUTORADIOBUTTON, inner_, 7, 34, 100, 15);
    greyed_ = Make("button", "Greyed", BS_AUTOCHECKBOX | WS_DISABLED, form_, 10, 140, 100, 15);
    push_ = Make("button", "Push", BS_PUSHBUTTON, form_, 150, 160, 80, 23, 7);
    text_ = Make("static", "", SS_LEFT, form_, 170, 10, 60, 20);
    ws.SendMessage(first_, BM_SETCHECK, BST_CHECKED, 0);
    ws.SendMessage(top_, BM_SETCHECK, BST_CHECKED, 0);
    ws.SetWindowText(text_, "Hello");
    ASSERT_TRUE(Pump([&] {
      xid_ = sdltest::Run("xdotool search --onlyvisible --name '^form test$' 2>/dev/null");
      return !xid_.empty() && sdltest::WindowGeometry(xid_.substr(0, xid_.find('\n'))).width == 240;
    })) << "the form never showed";
    xid_ = xid_.substr(0, xid_.find('\n'));
  }

  void TearDown() override {
    platform_.reset();
    xvfb_.Stop();
  }

  HWND Make(const char* cls, const char* text, uint32_t style, HWND parent, int x, int y, int w, int h,
            int id = 0) {
    return platform_->windows.CreateWindow(cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, id);
  }

  bool Pump(const std::function<bool()>& done) {
    for (int i = 0; i < 300; ++i) {
      Msg m;
      while (platform_->windows.PeekMessage(&m, true)) platform_->windows.DispatchMessage(m);
      if (done()) return true;
      SDL_Delay(10);
    }
    return false;
  }

  // Clicks at a point of the form's client area.
  void Click(int x, int y) {
    sdltest::Run("xdotool mousemove --window " + xid_ + " " + std::to_string(x) + " " + std::to_string(y) +
                 " click 1");
  }

  bool Checked(HWND h) { return platform_->windows.SendMessage(h, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED); }

  sdltest::Xvfb xvfb_;
  std::unique_ptr<Platform> platform_;
  std::vector<Msg> heard_;
  std::string xid_;
  HWND form_ = 0, outer_ = 0, inner_ = 0, top_ = 0, first_ = 0, second_ = 0, greyed_ = 0, push_ = 0,
       text_ = 0;
};

// One test only: the toolkit keeps its connection to the first X server it
// meets for the rest of the process.
TEST_F(SdlForms, ClicksLandOnTheWidgetsKeysAndDestructionReachTheForm) {
  // The form carries the program's own icon, as the demo window does.
  std::vector<uint32_t> icon = sdltest::WindowIcon(xid_);
  ASSERT_EQ(icon.size(), 2u + 32 * 32) << "the form has no 32 x 32 icon";
  EXPECT_EQ(icon[0], 32u);
  EXPECT_EQ(icon[1], 32u);
  std::vector<uint32_t> own = ProgramIcon(32);
  EXPECT_TRUE(std::equal(own.begin(), own.end(), icon.begin() + 2));

  // "Second" sits at 10 + 20 + 7, 10 + 40 + 34 in the form.
  Click(37 + 30, 84 + 7);
  ASSERT_TRUE(Pump([&] { return Checked(second_); })) << "the click missed the nested radio button";
  EXPECT_FALSE(Checked(first_));  // its own group lets go
  EXPECT_TRUE(Checked(top_));     // the outer group's button is another choice
  // A greyed control ignores the click.
  Click(10 + 30, 140 + 7);
  Click(150 + 40, 160 + 11);
  ASSERT_TRUE(Pump([&] {
    for (const Msg& m : heard_)
      if (m.message == WM_COMMAND && m.hwnd == form_) return true;
    return false;
  })) << "the push button was not heard";
  EXPECT_FALSE(Checked(greyed_));
  ASSERT_FALSE(heard_.empty());
  // Only the push button reaches the form: the radio told its group box.
  EXPECT_EQ(heard_.back().wParam, 7u);
  EXPECT_EQ(heard_.back().lParam, LPARAM(push_));
  int commands = 0;
  for (const Msg& m : heard_) commands += m.message == WM_COMMAND;
  EXPECT_EQ(commands, 1);

  // Enter and Escape are the dialog's keys.
  heard_.clear();
  sdltest::Run("xdotool windowfocus --sync " + xid_ + " key Return key Escape");
  ASSERT_TRUE(Pump([&] { return heard_.size() >= 2; }));
  EXPECT_EQ(heard_[0].message, WM_COMMAND);
  EXPECT_EQ(heard_[0].wParam, IDOK);
  EXPECT_EQ(heard_[1].message, WM_COMMAND);
  EXPECT_EQ(heard_[1].wParam, IDCANCEL);
  // Destroying the form takes its window off the screen.
  platform_->windows.DestroyWindow(form_);
  EXPECT_TRUE(Pump([] {
    return sdltest::Run("xdotool search --onlyvisible --name '^form test$' 2>/dev/null").empty();
  }));
}

}  // namespace
}  // namespace host
