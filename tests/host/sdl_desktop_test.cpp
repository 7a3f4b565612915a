// The SDL backend on a real X server: the window as the desktop sees it,
// and a form's controls as widgets that take clicks where they are drawn.
// (What the display device shows there is checked with the whole show.)
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "host/sdl_backend.h"
#include "host/sdl_pixels.h"
#include "sdl_xvfb.h"

namespace host {
namespace {

const std::string kTitle = "dorsel @ oru\u00B4" "99";

class SdlDesktop : public sdltest::OnXvfb<1024, 768> {
 protected:
  void SetUp() override {
    OnXvfb::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    std::string error;
    platform_ = MakeSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
    Sdl(*platform_).boxesToStderr = true;
    auto proc = [this](HWND h, uint32_t m, WPARAM w, LPARAM l) -> LRESULT {
      received_.push_back(Msg{h, m, w, l});
      if (m == WM_CLOSE && h == form_) return 0;
      return platform_->windows.DefWindowProc(h, m, w, l);
    };
    WndClass demo{"Demo", proc}, form{"Form", proc};
    demo.icon = kProgramIcon;
    form.systemColourBackground = true;
    ASSERT_TRUE(platform_->windows.RegisterClass(demo) && platform_->windows.RegisterClass(form));
  }

  void TearDown() override {
    platform_.reset();
    OnXvfb::TearDown();
  }

  // A window found by its title, the way a viewer's tools would, once it
  // shows at its width; "" if it never does.
  std::string Await(const std::string& pattern, int width) {
    std::string xid;
    Pump([&] { return !(xid = sdltest::FindWindow(pattern, true)).empty() && sdltest::WindowGeometry(xid).width == width; });
    return xid;
  }

  void OpenDemo() {
    window_ = platform_->windows.CreateWindow("Demo", kTitle, WS_OVERLAPPEDWINDOW, 200, 150, 512, 384);
    platform_->windows.ShowWindow(window_, SW_SHOWNORMAL);
    // (xdotool cannot match the accent itself: the legacy name is not UTF-8.)
    xid_ = Await("^dorsel @ oru", 512);
    ASSERT_FALSE(xid_.empty()) << "the demo window never appeared";
  }

  // Dispatches messages until `done` holds; false if it never does. X
  // answers asynchronously, so waiting is the only way to see its state.
  bool Pump(const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
      Msg m;
      while (platform_->windows.PeekMessage(&m, true)) platform_->windows.DispatchMessage(m);
      if (done()) return true;
      SDL_Delay(10);
    }
    return false;
  }

  int Count(uint32_t message) const {
    return int(std::count_if(received_.begin(), received_.end(), [&](const Msg& m) { return m.message == message; }));
  }

  // The window carries the program's own 32 × 32 icon.
  static void ExpectProgramIcon(const std::string& xid) {
    std::vector<uint32_t> want = ProgramIcon(32);
    want.insert(want.begin(), {32u, 32u});
    EXPECT_EQ(sdltest::WindowIcon(xid), want) << "not the program's icon";
  }

  std::unique_ptr<Platform> platform_;
  HWND window_ = 0, form_ = 0;
  std::string xid_;
  std::vector<Msg> received_;
};

TEST_F(SdlDesktop, WindowHasTheTitleSizeAndIconAndItsCloseButtonPostsClose) {
  OpenDemo();
  EXPECT_EQ(sdltest::Run("xdotool getwindowname " + xid_), kTitle + "\n");
  EXPECT_EQ(sdltest::Run("xprop -id " + xid_ + " _NET_WM_NAME"), "_NET_WM_NAME(UTF8_STRING) = \"" + kTitle + "\"\n");
  sdltest::Geometry g = sdltest::WindowGeometry(xid_);
  EXPECT_EQ(std::tuple(g.x, g.y, g.width, g.height), std::tuple(200, 150, 512, 384));
  ExpectProgramIcon(xid_);
  // What SDL makes of the desktop's close button.
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(Sdl(*platform_).WindowOf(window_));
  SDL_PushEvent(&e);
  ASSERT_TRUE(Pump([&] { return !platform_->windows.IsWindow(window_); }));
  EXPECT_EQ(std::pair(Count(WM_CLOSE), Count(WM_DESTROY)), std::pair(1, 1));
}

// The window system's controls as the toolkit's widgets: where clicks
// land, what BM_GETCHECK then says, and who hears of it.
TEST_F(SdlDesktop, FormClicksLandOnTheWidgetsKeysAndDestructionReachTheForm) {
  WindowSystem& ws = platform_->windows;
  auto make = [&](const char* cls, const char* text, uint32_t style, HWND parent, int x, int y, int w, int h,
                  int id = 0) { return ws.CreateWindow(cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, id); };
  form_ = ws.CreateWindow("Form", "form test", WS_SETTINGS, 100, 50, 240, 200);
  // A group inside a group, so the nested places must add up.
  HWND outer = make("button", "Outer", BS_GROUPBOX, form_, 10, 10, 150, 120);
  HWND inner = make("button", "Inner", BS_GROUPBOX, outer, 20, 40, 120, 70);
  HWND top = make("button", "Top", BS_AUTORADIOBUTTON, outer, 7, 14, 100, 15);
  HWND first = make("button", "First", BS_AUTORADIOBUTTON, inner, 7, 14, 100, 15);
  HWND second = make("button", "Second", BS_AUTORADIOBUTTON, inner, 7, 34, 100, 15);
  HWND greyed = make("button", "Greyed", BS_AUTOCHECKBOX | WS_DISABLED, form_, 10, 140, 100, 15);
  HWND push = make("button", "Push", BS_PUSHBUTTON, form_, 150, 160, 80, 23, 7);
  ws.SetWindowText(make("static", "", SS_LEFT, form_, 170, 10, 60, 20), "Hello");
  ws.SendMessage(first, BM_SETCHECK, BST_CHECKED, 0);
  ws.SendMessage(top, BM_SETCHECK, BST_CHECKED, 0);
  std::string xid = Await("^form test$", 240);
  ASSERT_FALSE(xid.empty()) << "the form never showed";
  ExpectProgramIcon(xid);  // as the demo window does
  auto checked = [&](HWND h) { return ws.SendMessage(h, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED); };
  auto click = [&](int x, int y) {
    sdltest::Run("xdotool mousemove --window " + xid + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  };
  auto commands = [&] {  // what the form heard
    std::vector<std::pair<WPARAM, LPARAM>> heard;
    for (const Msg& m : received_)
      if (m.message == WM_COMMAND && m.hwnd == form_) heard.emplace_back(m.wParam, m.lParam);
    return heard;
  };
  // "Second" sits at 10 + 20 + 7, 10 + 40 + 34 in the form.
  click(37 + 30, 84 + 7);
  ASSERT_TRUE(Pump([&] { return checked(second); })) << "the click missed the nested radio button";
  EXPECT_FALSE(checked(first));  // its own group lets go
  EXPECT_TRUE(checked(top));     // the outer group's button is another choice
  click(10 + 30, 140 + 7);       // a greyed control ignores the click
  click(150 + 40, 160 + 11);
  ASSERT_TRUE(Pump([&] { return !commands().empty(); })) << "the push button was not heard";
  EXPECT_FALSE(checked(greyed));
  // Only the push button reaches the form: the radio told its group box.
  EXPECT_EQ(commands(), (std::vector<std::pair<WPARAM, LPARAM>>{{7, LPARAM(push)}}));
  // Enter and Escape are the dialog's keys.
  sdltest::Keys(xid, "Return key Escape");
  ASSERT_TRUE(Pump([&] { return commands().size() >= 3; }));
  EXPECT_EQ(std::pair(commands()[1].first, commands()[2].first), std::pair(WPARAM(IDOK), WPARAM(IDCANCEL)));
  // Destroying the form takes its window off the screen.
  ws.DestroyWindow(form_);
  EXPECT_TRUE(Pump([] { return sdltest::FindWindow("^form test$", true).empty(); }));
}

}  // namespace
}  // namespace host
