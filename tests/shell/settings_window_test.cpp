// System detection and the settings window on the headless desk: every
// rung of the version ladder and what each failing probe leaves, the
// window's controls, what it preselects by what detection found, and what
// "Start Demo", "Exit" and the dialog keys do.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "support/show.h"

using host::ControlKind;
using host::DisplayCall;
using host::DisplayInterface;
using host::HWND;
using host::Platform;

namespace {

using Arrange = std::function<void(Platform&)>;
Arrange Version(int id, int major) { return [=](Platform& p) { p.system.SetVersion(id, major); }; }
Arrange NoLibrary(const char* name) { return [=](Platform& p) { p.system.RemoveLibrary(name); }; }
Arrange NoEntry(const char* library, const char* entry) { return [=](Platform& p) { p.system.RemoveEntry(library, entry); }; }
Arrange Fail(DisplayCall call) { return [=](Platform& p) { p.display.FailCall(call); }; }
Arrange NoInterface(DisplayInterface i) { return [=](Platform& p) { p.display.RemoveInterface(i); }; }

TEST(DetectSystem, EveryRungOfTheLadder) {
  const int kNt = host::VER_PLATFORM_WIN32_NT, k9x = host::VER_PLATFORM_WIN32_WINDOWS;
  const char *kDInput = "DINPUT.DLL", *kDDraw = "DDRAW.DLL";
  const Arrange noInputEntry = NoEntry(kDInput, "DirectInputCreateA");
  struct Rung {
    const char* name;
    std::vector<Arrange> arrange;
    int directX, os;
    std::string debug;
    bool drawProbed;  // whether a DirectDraw object was asked for
  };
  const Rung rungs[] = {
      {"this host: NT 5", {}, 0x600, 2, "", true},
      {"no version", {[](Platform& p) { p.system.FailVersion(); }}, 0, 0, "", false},
      {"NT 3", {Version(kNt, 3)}, 0, 0, "", false},
      {"NT 4 with DirectInput", {Version(kNt, 4)}, 0x300, 2, "", false},
      {"NT 4 without DirectInput", {Version(kNt, 4), NoLibrary(kDInput)}, 0x200, 2, "Couldn't LoadLibrary DInput\r\n", false},
      {"NT 4, DirectInput without its entry", {Version(kNt, 4), noInputEntry}, 0x200, 2,
       "Couldn't GetProcAddress DInputCreate\r\n", false},
      {"95/98 with everything", {Version(k9x, 4)}, 0x600, 1, "", true},
      {"no DDRAW.DLL", {NoLibrary(kDDraw)}, 0, 0, "", false},
      {"no DirectDrawCreate", {NoEntry(kDDraw, "DirectDrawCreate")}, 0, 0, "Couldn't LoadLibrary DDraw\r\n", false},
      {"DirectDraw cannot be made", {Fail(DisplayCall::DirectDrawCreate)}, 0, 0, "Couldn't create DDraw\r\n", true},
      {"no DirectDraw 2", {NoInterface(DisplayInterface::DirectDraw2)}, 0x100, 2, "Couldn't QI DDraw2\r\n", true},
      {"95/98 without DirectInput", {Version(k9x, 4), NoLibrary(kDInput)}, 0x200, 1, "Couldn't LoadLibrary DInput\r\n", true},
      {"DirectInput without its entry", {noInputEntry}, 0x200, 2, "Couldn't GetProcAddress DInputCreate\r\n", true},
      {"no cooperative level", {Fail(DisplayCall::SetCooperativeLevel)}, 0, 2, "Couldn't Set coop level\r\n", true},
      {"no primary surface", {Fail(DisplayCall::CreatePrimarySurface)}, 0, 2, "Couldn't CreateSurface\r\n", true},
      {"no third surface revision", {NoInterface(DisplayInterface::Surface3)}, 0x300, 2, "", true},
      {"no fourth surface revision", {NoInterface(DisplayInterface::Surface4)}, 0x500, 2, "", true},
  };
  for (const Rung& r : rungs) {
    SCOPED_TRACE(r.name);
    auto platform = host::MakeHeadlessPlatform();
    for (const Arrange& a : r.arrange) a(*platform);
    int directX = 0, os = 0;  // a path that does not write one leaves it so
    DetectSystem(*platform, &directX, &os);
    EXPECT_EQ(std::make_pair(directX, os), std::make_pair(r.directX, r.os));
    EXPECT_EQ(platform->system.DebugOutput(), r.debug);
    EXPECT_EQ(platform->display.CallCount(DisplayCall::DirectDrawCreate), r.drawProbed ? 1 : 0);
    // Whatever was loaded or made is given back, and the display opens
    // afterwards as if nothing had happened.
    EXPECT_EQ(platform->system.LoadedLibraries(), 0);
    EXPECT_FALSE(platform->display.HasInterface(1));
    EXPECT_EQ(platform->display.LiveSurfaces(), 0);
    EXPECT_EQ(platform->display.CooperativeWindow(), 0u);
    EXPECT_FALSE(platform->display.Exclusive());
  }
  auto platform = host::MakeHeadlessPlatform();
  int directX = 0, os = 0;
  DetectSystem(*platform, &directX, &os);
  EXPECT_EQ(platform->display.DirectDrawCreate(), host::DD_OK);
  EXPECT_EQ(platform->display.QueryInterface4(), host::DD_OK);
}

// Notes reach standard error only when DORSEL_DEBUG is 1; the debugger
// gets them always.
TEST(DetectSystem, NotesReachStandardErrorOnlyWhenDebuggingIsAsked) {
  for (const char* env : {"", "0", "yes", "1"}) {
    SCOPED_TRACE(env);
    if (*env) setenv("DORSEL_DEBUG", env, 1);
    else unsetenv("DORSEL_DEBUG");
    auto platform = host::MakeHeadlessPlatform();
    platform->display.RemoveInterface(DisplayInterface::DirectDraw2);
    testing::internal::CaptureStderr();
    int directX = 0, os = 0;
    DetectSystem(*platform, &directX, &os);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), env == std::string("1") ? "Couldn't QI DDraw2\r\n" : "");
    EXPECT_EQ(platform->system.DebugOutput(), "Couldn't QI DDraw2\r\n");
  }
  unsetenv("DORSEL_DEBUG");
}

struct Settings : testing_support::Show {
  host::WindowSystem& ws = platform->windows;
  static constexpr int kUnset = 77;

  // Opens the window as start-up does, after detection found these.
  HWND Open(int directX = 0x600, int os = 2, int mmx = 1) {
    RegisterClasses(demo);
    demo.DirectXVersion = directX;
    demo.OsPlatform = os;
    demo.settings.useMmx = mmx;
    platform->player.SetOutput(kUnset);  // an output the window never selects
    return ws.CreateWindow("Settings", "dorsel settings", host::WS_SETTINGS, host::CW_USEDEFAULT, host::CW_USEDEFAULT, 289, 283);
  }
  host::HeadlessBackend::Control Control(const std::string& text) {
    const auto* c = backend.FindControl(backend.ControlNamed(text));
    return c ? *c : host::HeadlessBackend::Control{};
  }
  bool Checked(const std::string& text) { return Control(text).checked; }
  void Click(const std::string& text) { backend.Click(backend.ControlNamed(text)); }
  // Runs the window's messages until it asks to quit; true if it did.
  bool RunToQuit() {
    host::Msg m;
    for (int i = 0; i < 100 && ws.PeekMessage(&m, true); ++i) {
      if (m.message == host::WM_QUIT) return true;
      ws.DispatchMessage(m);
    }
    return false;
  }
};

TEST(SettingsWindow, HasEveryControlAtItsPlaceInItsParent) {
  Settings s;
  HWND window = s.Open();
  ASSERT_NE(window, 0u);
  struct Row {
    const char* text;
    ControlKind kind;
    const char* parent;  // nullptr: the window itself
    host::Rect place;
    int id = 0;
  };
  const auto G = ControlKind::GroupBox, R = ControlKind::RadioButton, B = ControlKind::PushButton;
  const char *video = "Video settings", *modes = "FullScreen Mode", *audio = "Audio settings", *rates = "Mixrate";
  const Row rows[] = {
      {video, G, nullptr, {0, 0, 148, 176}},           {"Windowed", R, video, {7, 14, 127, 29}},
      {"Fullscreen", R, video, {7, 42, 127, 57}},      {modes, G, video, {14, 63, 134, 171}},
      {"512x384x32bit", R, modes, {7, 14, 99, 29}},    {"512x384x24bit", R, modes, {7, 29, 99, 44}},
      {"512x384x8bit", R, modes, {7, 44, 99, 59}},     {"640x480x32bit", R, modes, {7, 59, 99, 74}},
      {"640x480x24bit", R, modes, {7, 74, 99, 89}},    {"640x480x8bit", R, modes, {7, 89, 99, 104}},
      {audio, G, nullptr, {154, 0, 281, 176}},         {"Directsound", R, audio, {7, 14, 107, 29}},
      {"Wavout", R, audio, {7, 42, 107, 57}},          {"Nosound", R, audio, {7, 70, 107, 85}},
      {rates, G, audio, {7, 105, 102, 169}},           {"44100 Hz", R, rates, {7, 14, 72, 29}},
      {"22050 Hz", R, rates, {7, 29, 72, 44}},         {"11025 Hz", R, rates, {7, 44, 72, 59}},
      {"Hardware settings", G, nullptr, {0, 182, 148, 225}},
      {"MMX Optimizations", ControlKind::CheckBox, "Hardware settings", {7, 14, 134, 36}},
      {"DirectX version 6", ControlKind::Text, nullptr, {155, 190, 282, 210}},
      {"Windows NT", ControlKind::Text, nullptr, {155, 204, 282, 224}},
      {"Start Demo", B, nullptr, {7, 231, 87, 254}, 1}, {"Exit", B, nullptr, {196, 231, 276, 254}, 2},
  };
  std::vector<HWND> made;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    HWND h = s.backend.ControlNamed(r.text);
    ASSERT_NE(h, 0u);
    made.push_back(h);
    const auto c = s.Control(r.text);
    EXPECT_EQ(c.spec.kind, r.kind);
    EXPECT_EQ(c.parent, r.parent ? s.backend.ControlNamed(r.parent) : window);
    EXPECT_EQ(c.spec.place, r.place);
    EXPECT_EQ(s.ws.ControlId(h), r.id);
    EXPECT_EQ(c.font, host::DEFAULT_GUI_FONT);
  }
  // Made in the table's order, and nothing else.
  for (size_t i = 1; i < made.size(); ++i) EXPECT_LT(made[i - 1], made[i]);
  EXPECT_EQ(s.ws.Children(window).size(), 7u);  // three group boxes, two texts, two buttons
}

TEST(SettingsWindow, PreselectsAndGreysByWhatDetectionFound) {
  struct Case {
    int directX, os, mmx;
    const char *directXText, *osText;
    bool windowedEnabled, directSound, wavOut;
  };
  const Case cases[] = {
      {0x000, 2, 1, "No DirectX installed!", "Windows NT", false, false, true},
      {0x100, 1, 1, "DirectX version 1", "Windows 95/98", false, true, false},
      {0x200, 1, 1, "DirectX version 2", "Windows 95/98", false, true, false},
      {0x300, 2, 1, "DirectX version 3", "Windows NT", false, false, true},
      {0x400, 2, 0, "Unknown version of DirectX installed.", "Windows NT", false, false, true},
      {0x500, 0, 1, "DirectX version 5", "Unknown Operation System.", false, false, false},
      {0x501, 3, 1, "Unknown version of DirectX installed.", "Unknown Operation System.", true, false, false},
      {0x600, 2, 0, "DirectX version 6", "Windows NT", true, false, true},
      {0x700, -1, 1, "Unknown version of DirectX installed.", "Unknown Operation System.", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.directXText) + " / " + c.osText);
    Settings s;
    s.Open(c.directX, c.os, c.mmx);
    EXPECT_NE(s.backend.ControlNamed(c.directXText), 0u);
    EXPECT_NE(s.backend.ControlNamed(c.osText), 0u);
    EXPECT_EQ(s.Control("Windowed").spec.enabled, c.windowedEnabled);
    EXPECT_EQ(s.Control("MMX Optimizations").spec.enabled, c.mmx == 1);
    EXPECT_EQ(s.Checked("MMX Optimizations"), c.mmx == 1);
    EXPECT_EQ(s.Checked("Directsound"), c.directSound);
    EXPECT_EQ(s.Checked("Wavout"), c.wavOut);
    // Always: full screen, the first mode and the highest rate.
    for (const char* on : {"Fullscreen", "512x384x32bit", "44100 Hz"}) EXPECT_TRUE(s.Checked(on)) << on;
    for (const char* off : {"Windowed", "512x384x24bit", "640x480x8bit", "Nosound", "22050 Hz", "11025 Hz"})
      EXPECT_FALSE(s.Checked(off)) << off;
  }
}

// "Start Demo" reads every control; a choice with nothing selected leaves
// its setting, and what the command line chose wins over the window.
TEST(SettingsWindow, StartDemoReadsEveryControl) {
  struct Case {
    const char* name;
    int directX, os, mmx;
    std::vector<std::string> clicks;  // "-NAME": NAME is unchecked instead
    DemoSettings before;
    SettingsChoices choices;
    DemoSettings expected;  // startRequested is always 1
    int output;
  };
  const int unset = Settings::kUnset, wave = host::kOutputWaveOut, direct = host::kOutputDirectSound;
  const Case cases[] = {
      {"as preselected", 0x600, 2, 1, {}, {}, {}, {0, 0, 0, 44100, 1}, wave},
      {"windowed, mode 4, DirectSound, 22050, no MMX", 0x600, 2, 1,
       {"Windowed", "640x480x24bit", "Directsound", "22050 Hz", "MMX Optimizations"}, {}, {}, {1, 4, 0, 22050, 0}, direct},
      {"back to full screen, the 8-bit mode, 11025", 0x600, 1, 1,
       {"Windowed", "Fullscreen", "512x384x8bit", "11025 Hz"}, {}, {}, {0, 2, 0, 11025, 1}, direct},
      // "Nosound" leaves the output to start-up.
      {"no sound", 0x600, 2, 1, {"Nosound", "640x480x32bit"}, {}, {}, {0, 3, 1, 44100, 1}, unset},
      {"greyed Windowed cannot be chosen", 0x500, 2, 1, {"Windowed"}, {}, {}, {0, 0, 0, 44100, 1}, wave},
      {"no MMX bit: the greyed box gives 0", 0x600, 2, 0, {"MMX Optimizations"}, {}, {}, {0, 0, 0, 44100, 0}, wave},
      {"unknown system: no output chosen", 0x600, 0, 1, {}, {}, {}, {0, 0, 0, 44100, 1}, unset},
      // The MMX box is read whatever it says.
      {"nothing selected", 0x600, 2, 1,
       {"-Windowed", "-Fullscreen", "-512x384x32bit", "-Wavout", "-44100 Hz", "-MMX Optimizations"},
       {7, 5, 0, 1234, 1, 0}, {}, {7, 5, 0, 1234, 0}, unset},
      {"command line wins", 0x500, 2, 1, {"22050 Hz"}, {}, {1, 5, 1, 48000, 0}, {1, 5, 1, 48000, 0}, wave},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    HWND window = s.Open(c.directX, c.os, c.mmx);
    s.demo.settings = c.before;
    s.demo.choices = c.choices;
    for (const std::string& name : c.clicks)
      if (name[0] == '-')
        s.ws.SendMessage(s.backend.ControlNamed(name.substr(1)), host::BM_SETCHECK, host::BST_UNCHECKED, 0);
      else
        s.Click(name);
    s.ws.PostMessage(window, host::WM_COMMAND, kStartDemoButton, 0);
    EXPECT_TRUE(s.RunToQuit());
    const DemoSettings& got = s.demo.settings;
    EXPECT_EQ(std::vector<int>({got.windowed, got.videoMode, got.noSound, got.mixRate, got.useMmx, got.startRequested}),
              std::vector<int>({c.expected.windowed, c.expected.videoMode, c.expected.noSound, c.expected.mixRate,
                                c.expected.useMmx, 1}));
    EXPECT_EQ(s.platform->player.Output(), c.output);
  }
}

TEST(SettingsWindow, ButtonsKeysAndNotifications) {
  struct Case {
    const char* name;
    std::function<void(Settings&, HWND)> act;
    bool quits;
    int startRequested;
  };
  const Case cases[] = {
      {"Start Demo clicked", [](Settings& s, HWND) { s.Click("Start Demo"); }, true, 1},
      {"Exit clicked", [](Settings& s, HWND) { s.Click("Exit"); }, true, 0},
      {"Enter", [](Settings& s, HWND w) { s.backend.PressKey(w, host::VK_RETURN); }, true, 1},
      {"Escape", [](Settings& s, HWND w) { s.backend.PressKey(w, host::VK_ESCAPE); }, true, 0},
      {"closed", [](Settings& s, HWND w) { s.ws.PostMessage(w, host::WM_CLOSE, 0, 0); }, true, 0},
      // A notification other than a click, and an identifier nobody has.
      {"not a click", [](Settings& s, HWND w) { s.ws.PostMessage(w, host::WM_COMMAND, 1 | (5 << 16), 0); }, false, 0},
      {"other identifier", [](Settings& s, HWND w) { s.ws.PostMessage(w, host::WM_COMMAND, 3, 0); }, false, 0},
      // The radio buttons and the box tell their group boxes, not the window.
      {"radio and box clicks", [](Settings& s, HWND) { for (const char* n : {"Windowed", "Nosound", "11025 Hz",
                                 "640x480x8bit", "MMX Optimizations"}) s.Click(n); }, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    HWND window = s.Open();
    c.act(s, window);
    EXPECT_EQ(s.RunToQuit(), c.quits);
    EXPECT_EQ(s.demo.settings.startRequested, c.startRequested);
  }
}

}  // namespace
