// The host layer on the headless desk: the processor check, the display
// device, the window system and its controls, and what a recording sees
// and hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

#include "host/cpu.h"
#include "host/display_device.h"
#include "host/headless.h"
#include "host/window_system.h"

namespace host {
namespace {

// The kernel lists the feature flags it read from the same CPUID leaf.
TEST(Cpu, MmxIsReportedExactlyWhenTheKernelListsIt) {
  std::ifstream info("/proc/cpuinfo");
  if (!info) GTEST_SKIP() << "/proc/cpuinfo cannot be read here";
  std::string line;
  while (std::getline(info, line) && line.rfind("flags", 0) != 0) continue;
  std::istringstream words(line.substr(line.find(':') + 1));
  bool listed = std::find(std::istream_iterator<std::string>(words), {}, "mmx") != std::istream_iterator<std::string>();
#if !defined(__i386__) && !defined(__x86_64__)
  listed = false;  // without the instruction there is nothing to ask
#endif
  EXPECT_EQ(CpuHasMmx(), listed);
}

Surface MakeSurface(int w, int h, int bits, int pitch, std::vector<uint8_t> bytes, Palette* palette = nullptr) {
  Surface s;
  s.width = w, s.height = h, s.bitsPerPixel = bits, s.pitch = pitch, s.palette = palette;
  s.memory.assign(bytes.begin(), bytes.end());
  return s;
}

struct Device {
  std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
  DisplayDevice& dd = platform->display;
  HeadlessBackend& backend = Headless(*platform);
  HWND window = 0;
  Device() {
    platform->windows.RegisterClass(WndClass{"W", nullptr});
    window = platform->windows.CreateWindow("W", "w", 0, 100, 50, 512, 384);
    dd.DirectDrawCreate();
    dd.QueryInterface4();
  }
  Surface* Offscreen(int w, int h, int bits) {
    Surface* s = nullptr;
    EXPECT_EQ(dd.CreateOffscreenSurface(w, h, bits, &s), DD_OK);
    return s;
  }
};

TEST(DisplayDevice, ModesNeedExclusiveAccessAndShapeThePrimary) {
  struct Case {
    uint32_t level;
    int w, h, bits;
    HRESULT mode;
    int primaryW, primaryBits, pitch;
  };
  const uint32_t kFull = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;
  const Case cases[] = {
      {DDSCL_NORMAL, 512, 384, 32, DDERR_NOEXCLUSIVEMODE, 1280, 32, 5120},
      {kFull, 512, 384, 24, DD_OK, 512, 24, 1536},
      {kFull, 640, 480, 8, DD_OK, 640, 8, 640},
      {kFull, 640, 480, 16, DDERR_UNSUPPORTEDMODE, 1280, 32, 5120},
  };
  for (const Case& c : cases) {
    Device d;
    ASSERT_EQ(d.dd.SetCooperativeLevel(d.window, c.level), DD_OK);
    EXPECT_EQ(d.dd.SetDisplayMode(c.w, c.h, c.bits), c.mode);
    Surface* primary = nullptr;
    ASSERT_EQ(d.dd.CreatePrimarySurface(&primary), DD_OK);
    EXPECT_EQ(std::tuple(primary->width, primary->bitsPerPixel, primary->pitch),
              std::tuple(c.primaryW, c.primaryBits, c.pitch));
  }
}

// Surface memory is zero when made, even where the allocator hands back
// the block of a surface that was drawn on and released.
TEST(DisplayDevice, EveryNewSurfaceStartsBlack) {
  Device d;
  for (int round = 0; round < 3; ++round)
    for (auto [w, h, bits, bytes] : {std::tuple{640, 480, 32, 640 * 480 * 4}, {3, 5, 8, 4 * 5}}) {
      Surface* s = d.Offscreen(w, h, bits);
      EXPECT_EQ(s->memory, decltype(s->memory)(size_t(bytes), 0)) << w << " wide, round " << round;
      std::fill(s->memory.begin(), s->memory.end(), uint8_t(0xA5));
      d.dd.Release(s);
    }
}

TEST(DisplayDevice, ClippedBlitsStayInsideTheWindow) {
  Device d;
  d.dd.SetCooperativeLevel(d.window, DDSCL_NORMAL);
  Surface* primary;
  Clipper* clipper;
  d.dd.CreatePrimarySurface(&primary);
  d.dd.CreateClipper(&clipper);
  d.dd.SetClipperWindow(clipper, d.window);
  d.dd.SetClipper(primary, clipper);
  d.dd.ReleaseClipper(clipper);
  Surface* off = d.Offscreen(512, 384, 32);
  d.dd.ColorFill(off, 0x00FF00FF);
  // A destination that spills past the window's client area is cut to it.
  Rect dst{90, 40, 690, 490}, src{0, 0, 512, 384};  // stretched, too
  ASSERT_EQ(d.dd.Blt(primary, &dst, off, &src), DD_OK);
  auto at = [&](int x, int y) { return reinterpret_cast<uint32_t*>(primary->memory.data() + y * primary->pitch)[x]; };
  EXPECT_EQ(std::tuple(at(100, 50), at(611, 433), at(99, 50), at(612, 433), at(611, 434)),
            std::tuple(0x00FF00FFu, 0x00FF00FFu, 0u, 0u, 0u));
  // The headless screen shows the window's client area.
  EXPECT_EQ(d.backend.ScreenWidth(), 512);
  EXPECT_EQ(d.backend.Screen()[0], 0x00FF00FFu);
  // The clipper lives as long as the surface holding it.
  d.dd.Release(primary);
  d.dd.Release(off);
  EXPECT_EQ(d.dd.LiveSurfaces(), 0);
}

// A lost surface refuses locks and blits until it is restored, and the
// device wipes it then; a released one is freed. Neither reaches the
// screen, which keeps the last picture shown.
TEST(DisplayDevice, ARestoredOrReleasedPrimaryLeavesTheLastPictureOnTheScreen) {
  for (bool release : {false, true}) {
    SCOPED_TRACE(release ? "released" : "restored");
    Device d;
    ASSERT_EQ(d.dd.SetCooperativeLevel(d.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(d.dd.SetDisplayMode(512, 384, 32), DD_OK);
    Surface* primary = nullptr;
    ASSERT_EQ(d.dd.CreatePrimarySurface(&primary), DD_OK);
    SurfaceDesc desc{kSurfaceDescSize}, wrong{100};
    EXPECT_EQ(d.dd.Lock(primary, &wrong), DDERR_INVALIDPARAMS);
    ASSERT_EQ(d.dd.Lock(primary, &desc), DD_OK);
    static_cast<uint32_t*>(desc.memory)[5] = 0x00ABCDEF;
    ASSERT_EQ(d.dd.Unlock(primary), DD_OK);
    if (release) {
      d.dd.Release(primary);
    } else {
      d.dd.LoseSurfaces();
      EXPECT_EQ(d.dd.Lock(primary, &desc), DDERR_SURFACELOST);
      EXPECT_EQ(d.dd.Blt(primary, nullptr, primary, nullptr), DDERR_SURFACELOST);
      ASSERT_EQ(d.dd.Restore(primary), DD_OK);
      ASSERT_EQ(d.dd.Lock(primary, &desc), DD_OK);
      ASSERT_EQ(static_cast<uint32_t*>(desc.memory)[5], 0u) << "the restored surface is wiped";
    }
    ASSERT_EQ(d.backend.Screen().size(), size_t(512 * 384));
    EXPECT_EQ(std::pair(d.backend.Screen()[4], d.backend.Screen()[5]), std::pair(0u, 0x00ABCDEFu));
  }
}

TEST(HeadlessAudio, EveryHeardFrameIsTakenOnceInOrderAtTheFrameRate) {
  for (auto [fps, rate] : {std::pair{60, 44100}, {25, 48000}, {30, 22050}, {7, 8000}}) {
    SCOPED_TRACE(std::to_string(fps) + " fps at " + std::to_string(rate) + " Hz");
    HeadlessBackend backend(fps);
    int64_t pulled = 0;
    // Left counts up, right counts down, so a lost, doubled or swapped
    // frame shows.
    auto pull = [&pulled](int16_t* s, int n) {
      for (int i = 0; i < n; ++i, ++pulled) s[2 * i] = int16_t(pulled), s[2 * i + 1] = int16_t(~pulled);
    };
    std::string error;
    ASSERT_TRUE(backend.OpenAudio(kOutputDirectSound, rate, pull, &error));
    std::vector<int16_t> taken;
    auto sink = [&taken](const int16_t* s, int n) { taken.insert(taken.end(), s, s + 2 * n); };
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0);  // nothing heard before the first frame ends
    for (int f = 1; f <= 3 * fps + 1; ++f) {
      backend.AdvanceFrame();
      backend.TakeHeardAudio(sink);
      // Heard up to the end of frame f: its whole milliseconds at the rate.
      ASSERT_EQ(int64_t(taken.size()) / 2, int64_t(f) * 1000 / fps * rate / 1000) << "after frame " << f;
    }
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0) << "taken twice";
    EXPECT_EQ(pulled, int64_t(taken.size()) / 2);
    for (size_t i = 0; i < taken.size() / 2; ++i)
      ASSERT_EQ(std::pair(taken[2 * i], taken[2 * i + 1]), std::pair(int16_t(i), int16_t(~int64_t(i)))) << i;
    backend.CloseAudio();
    backend.AdvanceFrame();
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0) << "a closed stream is not pulled";
  }
}

// The picture is made only when looked at, as a viewer would see it. A
// primary surface is the screen: what is drawn on it is seen, but the
// palette is the one it was shown with, and a second show replaces it.
TEST(HeadlessScreen, ThePictureIsThePrimarySurfaceWithThePaletteItWasShownWith) {
  auto platform = MakeHeadlessPlatform();
  HeadlessBackend& backend = Headless(*platform);
  backend.fullscreen = true;
  Picture picture;
  EXPECT_FALSE(backend.ShownPicture(1, &picture)) << "nothing has been shown yet";
  std::vector<uint8_t> bytes(24, 0);
  bytes[0] = 0x33, bytes[1] = 0x22, bytes[2] = 0x11;  // blue, green, red of (0, 0)
  bytes[12 + 9 + 2] = 0xFF;                           // red of (3, 1)
  Surface rgb = MakeSurface(4, 2, 24, 12, bytes);  // the screen reads it when looked at
  backend.Show(rgb, 0);
  ASSERT_TRUE(backend.ShownPicture(1, &picture));
  EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(4, 2));
  EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0x112233, 0, 0, 0, 0, 0, 0, 0xFF0000}));

  Palette palette;
  palette.entries[7] = PaletteEntry{0x10, 0x20, 0x30, 0};
  Surface s = MakeSurface(3, 1, 8, 4, {7, 0, 7, 9}, &palette);
  backend.Show(s, 0);
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0x102030, 0, 0x102030}));
  s.memory[1] = 7;
  palette.entries[7] = PaletteEntry{0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0x102030, 0x102030, 0x102030}));
  backend.Show(s, 0);
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
  EXPECT_EQ(backend.ShowCount(), 3);
}

struct Desk {
  std::unique_ptr<Platform> platform = MakeHeadlessPlatform();
  WindowSystem& ws = platform->windows;
  HeadlessBackend& backend = Headless(*platform);
  std::vector<uint32_t> seen;
  bool keepF9 = false;  // the window's own procedure takes F9 for itself
  Desk() {
    ws.RegisterClass(WndClass{"Test", [this](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
                                seen.push_back(m);
                                if (m == WM_DESTROY) ws.PostQuitMessage(7);
                                if (m == WM_KEYDOWN && wp == VK_F9 && keepF9) return LRESULT(0);
                                return ws.DefWindowProc(w, m, wp, lp);
                              }});
  }
  HWND Make(int w = 512, int h = 384) { return ws.CreateWindow("Test", "t", 0, CW_USEDEFAULT, CW_USEDEFAULT, w, h); }
};

// F9 is the desktop's key: it reaches the default procedure like any key
// the window's own procedure passes on, and only there takes a shot.
TEST(ScreenshotKey, F9InTheDefaultProcedureHandsOverWhatTheWindowShows) {
  Desk d;
  HWND w = d.Make(2, 1);
  std::vector<std::pair<HWND, Picture>> shots;
  auto press = [&](WPARAM key) { d.ws.DispatchMessage(Msg{w, WM_KEYDOWN, key, 0}); };
  press(VK_F9);  // no handler yet: nothing happens
  d.ws.SetScreenshotHandler([&](HWND h, Picture&& p) { shots.emplace_back(h, std::move(p)); });
  press(VK_F9);
  EXPECT_TRUE(shots.empty()) << "a shot before anything was shown";
  d.backend.fullscreen = true;
  Surface s = MakeSurface(2, 1, 32, 8, {0x56, 0x34, 0x12, 0, 0xFF, 0xFF, 0xFF, 0});
  d.backend.Show(s, w);
  for (WPARAM other : {VK_ESCAPE, VK_F11, VK_F12, WPARAM(0x77), WPARAM(0x79), WPARAM('P')}) press(other);
  EXPECT_TRUE(shots.empty()) << "a key other than F9 took a shot";
  press(VK_F9);
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(std::tuple(shots[0].first, shots[0].second.width, shots[0].second.pixels),
            std::tuple(w, 2, std::vector<uint32_t>{0x123456, 0xFFFFFF}));
  d.keepF9 = true;
  press(VK_F9);
  EXPECT_EQ(shots.size(), 1u) << "a procedure that keeps F9 to itself still got a shot";
}

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
  EXPECT_EQ(std::pair(m.message, m.wParam), std::pair(uint32_t(WM_QUIT), WPARAM(4)));
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
  EXPECT_NE(d.Make(), w);  // handles are never reused
}

TEST(WindowSystem, GeometryMovesAndCreationFailures) {
  Desk d;
  HWND w = d.Make();
  Rect outer, client;
  ASSERT_TRUE(d.ws.GetWindowRect(w, &outer));
  ASSERT_TRUE(d.ws.GetClientRect(w, &client));
  EXPECT_EQ(client, (Rect{0, 0, 512, 384}));
  EXPECT_EQ(outer.Width(), 512);
  // Either coordinate left to the desk places the window on the cascade.
  Rect next;
  ASSERT_TRUE(d.ws.GetWindowRect(d.ws.CreateWindow("Test", "t", 0, 7, CW_USEDEFAULT, 10, 10), &next));
  EXPECT_EQ(next, (Rect{outer.left + 32, outer.top + 32, outer.left + 42, outer.top + 42}));
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

  EXPECT_EQ(d.ws.CreateWindow("Nobody", "t", 0, 0, 0, 10, 10), 0u);
  d.ws.FailCreate("Test");
  EXPECT_EQ(d.Make(), 0u);
  EXPECT_NE(d.Make(), 0u);  // only the next one fails
  EXPECT_FALSE(d.ws.RegisterClass(WndClass{"Test", nullptr}));
}

// A form with two group boxes of radio buttons, a check box and two push
// buttons, on the headless desk.
struct Form : Desk {
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
    EXPECT_EQ(std::tuple(control->spec.kind, control->parent, f.ws.GetParent(c.control), control->spec.place,
                         control->spec.enabled, f.ws.ControlId(c.control), control->font),
              std::tuple(c.kind, c.parent, c.parent, c.place, c.enabled, c.id, SYSTEM_FONT));
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

// A click checks a radio button alone among those of its parent (a
// disabled one takes none) and toggles a box; BM_SETCHECK changes only the
// control it is sent to. Clicks and dialog keys tell the parent, and what
// they told dies with the form.
TEST(WindowSystem, ClicksCheckWithinTheParentTellItAndDieWithTheForm) {
  Form f;
  f.ws.SendMessage(f.a, BM_SETCHECK, BST_CHECKED, 0);
  f.ws.SendMessage(f.b, BM_SETCHECK, BST_CHECKED, 0);
  auto marks = [&] {  // a, b, c, greyed, box
    std::string s;
    for (HWND h : {f.a, f.b, f.c, f.greyed, f.box}) s += f.Checked(h) ? 'x' : '.';
    return s;
  };
  EXPECT_EQ(marks(), "xx...");
  const std::pair<HWND, std::string> steps[] = {
      {f.c, "xxx.."},       // another group: the first is untouched
      {f.a, "x.x.."},       // a click leaves it the only one checked
      {f.b, ".xx.."},
      {f.greyed, ".xx.."},  // a disabled control takes no click
      {f.box, ".xx.x"},     // a check box toggles
      {f.box, ".xx.."},
      {f.left, ".xx.."},    // a group box takes no clicks
      {f.ok, ".xx.."},
  };
  f.Commands();
  for (const auto& [click, want] : steps) {
    f.backend.Click(click);
    EXPECT_EQ(marks(), want);
  }
  f.backend.PressKey(f.form, VK_RETURN);
  f.backend.PressKey(f.form, VK_ESCAPE);
  f.backend.PressKey(f.form, VK_F11);  // no dialog key
  using C = std::tuple<HWND, WPARAM, LPARAM>;
  EXPECT_EQ(f.Commands(), (std::vector<C>{{f.right, 0, LPARAM(f.c)}, {f.left, 0, LPARAM(f.a)}, {f.left, 0, LPARAM(f.b)},
                                          {f.form, 0, LPARAM(f.box)}, {f.form, 0, LPARAM(f.box)},
                                          {f.form, IDOK, LPARAM(f.ok)}, {f.form, IDOK, LPARAM(f.ok)},
                                          {f.form, IDCANCEL, LPARAM(f.cancel)}}));
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

}  // namespace
}  // namespace host
