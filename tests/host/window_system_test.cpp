#include "host/window_system.h"

#include <gtest/gtest.h>

#include <tuple>

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

namespace {

// A form with two group boxes of radio buttons, a check box and two push
// buttons, on the headless desk.
struct Form : Desk {
  HeadlessBackend& backend = Headless(*platform);
  HWND form = Make();
  HWND left = Child("button", "Left", BS_GROUPBOX, form, 0, 0, 100, 80);
  HWND right = Child("button", "Right", BS_GROUPBOX, form, 110, 0, 100, 80);
  HWND a = Child("button", "A", BS_AUTORADIOBUTTON, left, 7, 14, 60, 15);
  HWND b = Child("button", "B", BS_AUTORADIOBUTTON, left, 7, 29, 60, 15);
  HWND c = Child("button", "C", BS_AUTORADIOBUTTON, right, 7, 14, 60, 15);
  HWND greyed = Child("button", "D", BS_AUTORADIOBUTTON | WS_DISABLED, right, 7, 29, 60, 15);
  HWND box = Child("button", "E", BS_AUTOCHECKBOX, form, 7, 90, 60, 15);
  HWND ok = Child("button", "OK", BS_PUSHBUTTON, form, 7, 110, 60, 20, int(IDOK));
  HWND cancel = Child("button", "Cancel", BS_PUSHBUTTON, form, 80, 110, 60, 20, int(IDCANCEL));

  HWND Child(const char* cls, const char* text, uint32_t style, HWND parent, int x, int y, int w, int h,
             int id = 0) {
    return ws.CreateWindow(cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, id);
  }
  bool Checked(HWND h) { return ws.SendMessage(h, BM_GETCHECK, 0, 0) == LRESULT(BST_CHECKED); }
  // The WM_COMMANDs posted so far, as (window, wParam, lParam).
  std::vector<std::tuple<HWND, WPARAM, LPARAM>> Commands() {
    std::vector<std::tuple<HWND, WPARAM, LPARAM>> out;
    Msg m;
    while (ws.PeekMessage(&m, true))
      if (m.message == WM_COMMAND) out.emplace_back(m.hwnd, m.wParam, m.lParam);
    return out;
  }
};

}  // namespace

TEST(WindowSystem, ControlsTakeKindPlaceAndStateFromTheirStyle) {
  Form f;
  struct Case {
    HWND control;
    ControlKind kind;
    HWND parent;
    Rect place;
    bool enabled;
    int id;
  };
  const Case cases[] = {
      {f.left, ControlKind::GroupBox, f.form, {0, 0, 100, 80}, true, 0},
      {f.a, ControlKind::RadioButton, f.left, {7, 14, 67, 29}, true, 0},
      {f.greyed, ControlKind::RadioButton, f.right, {7, 29, 67, 44}, false, 0},
      {f.box, ControlKind::CheckBox, f.form, {7, 90, 67, 105}, true, 0},
      {f.ok, ControlKind::PushButton, f.form, {7, 110, 67, 130}, true, 1},
  };
  for (const Case& c : cases) {
    const HeadlessBackend::Control* control = f.backend.FindControl(c.control);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->spec.kind, c.kind);
    EXPECT_EQ(control->parent, c.parent);
    EXPECT_EQ(f.ws.GetParent(c.control), c.parent);
    EXPECT_EQ(control->spec.place, c.place);
    EXPECT_EQ(control->spec.enabled, c.enabled);
    EXPECT_EQ(f.ws.ControlId(c.control), c.id);
    EXPECT_EQ(control->font, SYSTEM_FONT);
  }
  EXPECT_EQ(f.ws.Children(f.form), (std::vector<HWND>{f.left, f.right, f.box, f.ok, f.cancel}));
  // A control needs a parent and the child style.
  EXPECT_EQ(f.ws.CreateWindow("button", "x", WS_VISIBLE, 0, 0, 9, 9, f.form, 0), 0u);
  EXPECT_EQ(f.ws.CreateWindow("static", "x", WS_CHILD, 0, 0, 9, 9, 0, 0), 0u);
  // Texts and fonts are the control's messages.
  HWND text = f.Child("static", "", SS_LEFT, f.form, 0, 140, 100, 20);
  f.ws.SetWindowText(text, "DirectX version 6");
  f.ws.SendMessage(text, WM_SETFONT, DEFAULT_GUI_FONT, 1);
  EXPECT_EQ(f.backend.FindControl(text)->spec.text, "DirectX version 6");
  EXPECT_EQ(f.ws.WindowTitle(text), "DirectX version 6");
  EXPECT_EQ(f.backend.FindControl(text)->font, DEFAULT_GUI_FONT);
}

TEST(WindowSystem, RadioButtonsExcludeEachOtherOnlyWithinTheirParent) {
  Form f;
  // BM_SETCHECK changes only the control it is sent to.
  f.ws.SendMessage(f.a, BM_SETCHECK, BST_CHECKED, 0);
  f.ws.SendMessage(f.b, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(f.Checked(f.a) && f.Checked(f.b));
  struct Step {
    HWND click;
    bool a, b, c, greyed, box;
  };
  const Step steps[] = {
      {f.c, true, true, true, false, false},     // another group: the first is untouched
      {f.a, true, false, true, false, false},    // a click leaves it the only one checked
      {f.b, false, true, true, false, false},
      {f.greyed, false, true, true, false, false},  // a disabled control takes no click
      {f.box, false, true, true, false, true},   // a check box toggles
      {f.box, false, true, true, false, false},
  };
  for (const Step& s : steps) {
    f.backend.Click(s.click);
    EXPECT_EQ(f.Checked(f.a), s.a);
    EXPECT_EQ(f.Checked(f.b), s.b);
    EXPECT_EQ(f.Checked(f.c), s.c);
    EXPECT_EQ(f.Checked(f.greyed), s.greyed);
    EXPECT_EQ(f.Checked(f.box), s.box);
  }
  f.ws.SendMessage(f.b, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_FALSE(f.Checked(f.b));
}

TEST(WindowSystem, ClicksAndDialogKeysTellTheParent) {
  Form f;
  f.Commands();
  f.backend.Click(f.a);
  f.backend.Click(f.ok);
  f.backend.Click(f.left);  // a group box takes no clicks
  f.backend.Click(f.greyed);
  f.backend.PressKey(f.form, VK_RETURN);
  f.backend.PressKey(f.form, VK_ESCAPE);
  f.backend.PressKey(f.form, VK_F11);  // no dialog key
  using C = std::tuple<HWND, WPARAM, LPARAM>;
  EXPECT_EQ(f.Commands(), (std::vector<C>{{f.left, 0, LPARAM(f.a)},
                                          {f.form, IDOK, LPARAM(f.ok)},
                                          {f.form, IDOK, LPARAM(f.ok)},
                                          {f.form, IDCANCEL, LPARAM(f.cancel)}}));
}

TEST(WindowSystem, DestroyingAFormTakesItsControlsWithIt) {
  Form f;
  f.backend.Click(f.ok);  // what it told the form dies with the form
  f.ws.DestroyWindow(f.form);
  for (HWND h : {f.form, f.left, f.a, f.c, f.box, f.ok}) {
    EXPECT_FALSE(f.ws.IsWindow(h));
    EXPECT_EQ(f.backend.FindControl(h), nullptr);
  }
  EXPECT_EQ(f.backend.ControlNamed("OK"), 0u);
  Msg m;
  ASSERT_TRUE(f.ws.PeekMessage(&m, true));
  EXPECT_EQ(m.message, WM_QUIT);  // only the form's own WM_DESTROY spoke
}
