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
Arrange NoEntry(const char* lib, const char* entry) { return [=](Platform& p) { p.system.RemoveEntry(lib, entry); }; }
Arrange Fail(DisplayCall call) { return [=](Platform& p) { p.display.FailCall(call); }; }
Arrange NoInterface(DisplayInterface i) { return [=](Platform& p) { p.display.RemoveInterface(i); }; }

TEST(DetectSystem, EveryRungOfTheLadder) {
  const int kNt = host::VER_PLATFORM_WIN32_NT, k9x = host::VER_PLATFORM_WIN32_WINDOWS;
  const char *kDInput = "DINPUT.DLL", *kDDraw = "DDRAW.DLL";
  const Arrange noInputEntry = NoEntry(kDInput, "DirectInputCreateA"), noInput = NoLibrary(kDInput);
  const std::string noInputNote = "Couldn't LoadLibrary DInput\r\n";
  const std::string noEntryNote = "Couldn't GetProcAddress DInputCreate\r\n";
  // drawProbed: whether a DirectDraw object was asked for.
  struct Rung { const char* name; std::vector<Arrange> arrange; int directX, os; std::string debug; bool drawProbed; };
  const Rung rungs[] = {
      {"this host: NT 5", {}, 0x600, 2, "", true},
      {"no version", {[](Platform& p) { p.system.FailVersion(); }}, 0, 0, "", false},
      {"NT 3", {Version(kNt, 3)}, 0, 0, "", false},
      {"NT 4 with DirectInput", {Version(kNt, 4)}, 0x300, 2, "", false},
      {"NT 4 without DirectInput", {Version(kNt, 4), noInput}, 0x200, 2, noInputNote, false},
      {"NT 4, no DirectInput entry", {Version(kNt, 4), noInputEntry}, 0x200, 2, noEntryNote, false},
      {"95/98 with everything", {Version(k9x, 4)}, 0x600, 1, "", true},
      {"no DDRAW.DLL", {NoLibrary(kDDraw)}, 0, 0, "", false},
      {"no DirectDrawCreate", {NoEntry(kDDraw, "DirectDrawCreate")}, 0, 0, "Couldn't LoadLibrary DDraw\r\n", false},
      {"DirectDraw cannot be made", {Fail(DisplayCall::DirectDrawCreate)}, 0, 0, "Couldn't create DDraw\r\n", true},
      {"no DirectDraw 2", {NoInterface(DisplayInterface::DirectDraw2)}, 0x100, 2, "Couldn't QI DDraw2\r\n", true},
      {"95/98 without DirectInput", {Version(k9x, 4), noInput}, 0x200, 1, noInputNote, true},
      {"DirectInput without its entry", {noInputEntry}, 0x200, 2, noEntryNote, true},
      {"no cooperative level", {Fail(DisplayCall::SetCooperativeLevel)}, 0, 2, "Couldn't Set coop level\r\n", true},
      {"no primary surface", {Fail(DisplayCall::CreatePrimarySurface)}, 0, 2, "Couldn't CreateSurface\r\n", true},
      {"no third surface revision", {NoInterface(DisplayInterface::Surface3)}, 0x300, 2, "", true},
      {"no fourth surface revision", {NoInterface(DisplayInterface::Surface4)}, 0x500, 2, "", true},
  };
  // Each rung under each setting of DORSEL_DEBUG: its notes reach standard
  // error only when that is 1; the debugger gets them always.
  for (const Rung& r : rungs)
    for (const char* debug : {"", "0", "yes", "1"}) {
      SCOPED_TRACE(r.name + std::string(", DORSEL_DEBUG=") + debug);
      *debug ? setenv("DORSEL_DEBUG", debug, 1) : unsetenv("DORSEL_DEBUG");
      auto platform = host::MakeHeadlessPlatform();
      for (const Arrange& a : r.arrange) a(*platform);
      int directX = 0, os = 0;  // a path that does not write one leaves it so
      testing::internal::CaptureStderr();
      DetectSystem(*platform, &directX, &os);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), debug == std::string("1") ? r.debug : "");
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
      EXPECT_TRUE(r.directX != 0x600 || (platform->display.DirectDrawCreate() == host::DD_OK &&
                                         platform->display.QueryInterface4() == host::DD_OK));
    }
  unsetenv("DORSEL_DEBUG");
}

struct Settings : testing_support::Show {
  host::WindowSystem& ws = platform->windows;
  static constexpr int kUnset = 77;  // an output the window never selects

  // Opens the window as start-up does, after detection found these.
  HWND Open(int directX = 0x600, int os = 2, int mmx = 1) {
    RegisterClasses(demo);
    demo.DirectXVersion = directX;
    demo.OsPlatform = os;
    demo.settings.useMmx = mmx;
    platform->player.SetOutput(kUnset);
    const int any = host::CW_USEDEFAULT;
    return ws.CreateWindow("Settings", "dorsel settings", host::WS_SETTINGS, any, any, 289, 283);
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

// The controls in the order they are made: text, kind, parent (nullptr:
// the window itself), place and identifier.
struct Row { const char* text; ControlKind kind; const char* parent; host::Rect place; int id = 0; };
const auto G = ControlKind::GroupBox, R = ControlKind::RadioButton;
const char *kVideo = "Video settings", *kModes = "FullScreen Mode", *kAudio = "Audio settings", *kRates = "Mixrate";
const Row kRows[] = {
    {kVideo, G, nullptr, {0, 0, 148, 176}},          {"Windowed", R, kVideo, {7, 14, 127, 29}},
    {"Fullscreen", R, kVideo, {7, 42, 127, 57}},     {kModes, G, kVideo, {14, 63, 134, 171}},
    {"512x384x32bit", R, kModes, {7, 14, 99, 29}},   {"512x384x24bit", R, kModes, {7, 29, 99, 44}},
    {"512x384x8bit", R, kModes, {7, 44, 99, 59}},    {"640x480x32bit", R, kModes, {7, 59, 99, 74}},
    {"640x480x24bit", R, kModes, {7, 74, 99, 89}},   {"640x480x8bit", R, kModes, {7, 89, 99, 104}},
    {kAudio, G, nullptr, {154, 0, 281, 176}},        {"Directsound", R, kAudio, {7, 14, 107, 29}},
    {"Wavout", R, kAudio, {7, 42, 107, 57}},         {"Nosound", R, kAudio, {7, 70, 107, 85}},
    {kRates, G, kAudio, {7, 105, 102, 169}},         {"44100 Hz", R, kRates, {7, 14, 72, 29}},
    {"22050 Hz", R, kRates, {7, 29, 72, 44}},        {"11025 Hz", R, kRates, {7, 44, 72, 59}},
    {"Hardware settings", G, nullptr, {0, 182, 148, 225}},
    {"MMX Optimizations", ControlKind::CheckBox, "Hardware settings", {7, 14, 134, 36}},
    {"DirectX version 6", ControlKind::Text, nullptr, {155, 190, 282, 210}},
    {"Windows NT", ControlKind::Text, nullptr, {155, 204, 282, 224}},
    {"Start Demo", ControlKind::PushButton, nullptr, {7, 231, 87, 254}, 1},
    {"Exit", ControlKind::PushButton, nullptr, {196, 231, 276, 254}, 2},
};

// The checked controls' texts, in the order they are made.
std::string CheckedOnes(Settings& s) {
  std::string checked;
  for (const Row& r : kRows) checked += s.Checked(r.text) ? std::string(checked.empty() ? "" : ", ") + r.text : "";
  return checked;
}

TEST(SettingsWindow, HasEveryControlAtItsPlaceInItsParent) {
  Settings s;
  HWND window = s.Open();
  ASSERT_NE(window, 0u);
  HWND previous = 0;
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.text);
    HWND h = s.backend.ControlNamed(r.text);
    EXPECT_GT(h, previous);  // made in the table's order
    previous = h;
    const auto c = s.Control(r.text);
    EXPECT_EQ(c.spec.kind, r.kind);
    EXPECT_EQ(c.parent, r.parent ? s.backend.ControlNamed(r.parent) : window);
    EXPECT_EQ(c.spec.place, r.place);
    EXPECT_EQ(s.ws.ControlId(h), r.id);
    EXPECT_EQ(c.font, host::DEFAULT_GUI_FONT);
  }
  EXPECT_EQ(s.ws.Children(window).size(), 7u);  // three group boxes, two texts, two buttons: nothing else
}

// Full screen, the first mode and the highest rate always; the output and
// Windowed by the system; the MMX box checked and enabled by its bit.
TEST(SettingsWindow, PreselectsAndGreysByWhatDetectionFound) {
  struct Case { int directX, os, mmx; const char *directXText, *osText; bool windowedEnabled; const char* output; };
  const char *nt = "Windows NT", *unknown = "Unknown Operation System.", *other = "Unknown version of DirectX installed.";
  const Case cases[] = {
      {0x000, 2, 1, "No DirectX installed!", nt, false, "Wavout"},
      {0x100, 1, 1, "DirectX version 1", "Windows 95/98", false, "Directsound"},
      {0x200, 1, 1, "DirectX version 2", "Windows 95/98", false, "Directsound"},
      {0x300, 2, 1, "DirectX version 3", nt, false, "Wavout"},
      {0x400, 2, 0, other, nt, false, "Wavout"},
      {0x500, 0, 1, "DirectX version 5", unknown, false, nullptr},
      {0x501, 3, 1, other, unknown, true, nullptr},
      {0x600, 2, 0, "DirectX version 6", nt, true, "Wavout"},
      {0x700, -1, 1, other, unknown, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.directXText) + " / " + c.osText);
    Settings s;
    s.Open(c.directX, c.os, c.mmx);
    EXPECT_NE(s.backend.ControlNamed(c.directXText), 0u);
    EXPECT_NE(s.backend.ControlNamed(c.osText), 0u);
    EXPECT_EQ(s.Control("Windowed").spec.enabled, c.windowedEnabled);
    EXPECT_EQ(s.Control("MMX Optimizations").spec.enabled, c.mmx == 1);
    EXPECT_EQ(CheckedOnes(s), std::string("Fullscreen, 512x384x32bit, ") + (c.output ? c.output + std::string(", ") : "") +
                                  "44100 Hz" + (c.mmx ? ", MMX Optimizations" : ""));
  }
}

// What the buttons, keys and clicks do: "Start Demo" reads every control,
// a choice with nothing selected leaves its setting, and what the command
// line chose wins over the window; the radio buttons and the box tell their
// group boxes, not the window.
TEST(SettingsWindow, StartDemoReadsEveryControlAndOnlyTheButtonsAndKeysEndTheWindow) {
  using Act = std::function<void(Settings&, HWND)>;
  // Clicks (or with "-", unchecks) these controls, then "Start Demo".
  auto start = [](std::vector<std::string> names) -> Act {
    return [=](Settings& s, HWND w) {
      for (const std::string& n : names)
        if (n[0] != '-') s.Click(n);
        else s.ws.SendMessage(s.backend.ControlNamed(n.substr(1)), host::BM_SETCHECK, host::BST_UNCHECKED, 0);
      s.ws.PostMessage(w, host::WM_COMMAND, kStartDemoButton, 0);
    };
  };
  auto post = [](uint32_t message, host::WPARAM w) -> Act {
    return [=](Settings& s, HWND h) { s.ws.PostMessage(h, message, w, 0); };
  };
  auto key = [](host::WPARAM k) -> Act { return [=](Settings& s, HWND h) { s.backend.PressKey(h, k); }; };
  // Settings: windowed, mode, no sound, rate, MMX, start requested.
  struct Case { const char* name; int directX, os, mmx; Act act; bool quits; std::vector<int> settings; int output;
                DemoSettings before = {}; SettingsChoices choices = {}; };
  const int unset = Settings::kUnset, wave = host::kOutputWaveOut, direct = host::kOutputDirectSound;
  const std::vector<int> preselected = {0, 0, 0, 44100, 1, 1}, untouched = {0, 0, 0, 0, 0, 0};
  const Case cases[] = {
      {"as preselected", 0x600, 2, 1, start({}), true, preselected, wave},
      {"windowed, mode 4, DirectSound, 22050, no MMX", 0x600, 2, 1,
       start({"Windowed", "640x480x24bit", "Directsound", "22050 Hz", "MMX Optimizations"}), true, {1, 4, 0, 22050, 0, 1},
       direct},
      {"back to full screen, the 8-bit mode, 11025", 0x600, 1, 1,
       start({"Windowed", "Fullscreen", "512x384x8bit", "11025 Hz"}), true, {0, 2, 0, 11025, 1, 1}, direct},
      // "Nosound" leaves the output to start-up.
      {"no sound", 0x600, 2, 1, start({"Nosound", "640x480x32bit"}), true, {0, 3, 1, 44100, 1, 1}, unset},
      {"greyed Windowed cannot be chosen", 0x500, 2, 1, start({"Windowed"}), true, preselected, wave},
      {"no MMX bit: the greyed box gives 0", 0x600, 2, 0, start({"MMX Optimizations"}), true, {0, 0, 0, 44100, 0, 1}, wave},
      {"unknown system: no output chosen", 0x600, 0, 1, start({}), true, preselected, unset},
      // The MMX box is read whatever it says.
      {"nothing selected", 0x600, 2, 1,
       start({"-Windowed", "-Fullscreen", "-512x384x32bit", "-Wavout", "-44100 Hz", "-MMX Optimizations"}), true,
       {7, 5, 0, 1234, 0, 1}, unset, {7, 5, 0, 1234, 1, 0}},
      {"command line wins", 0x500, 2, 1, start({"22050 Hz"}), true, {1, 5, 1, 48000, 0, 1}, wave, {}, {1, 5, 1, 48000, 0}},
      {"Start Demo clicked", 0x600, 2, 1, [](Settings& s, HWND) { s.Click("Start Demo"); }, true, preselected, wave},
      {"Enter", 0x600, 2, 1, key(host::VK_RETURN), true, preselected, wave},
      {"Exit clicked", 0x600, 2, 1, [](Settings& s, HWND) { s.Click("Exit"); }, true, untouched, unset},
      {"Escape", 0x600, 2, 1, key(host::VK_ESCAPE), true, untouched, unset},
      {"closed", 0x600, 2, 1, post(host::WM_CLOSE, 0), true, untouched, unset},
      // These do not end the window: a notification other than a click, an
      // identifier nobody has, and the radio buttons and the box.
      {"not a click", 0x600, 2, 1, post(host::WM_COMMAND, 1 | (5 << 16)), false, untouched, unset},
      {"other identifier", 0x600, 2, 1, post(host::WM_COMMAND, 3), false, untouched, unset},
      {"radio and box clicks", 0x600, 2, 1, [](Settings& s, HWND) {
         for (const char* n : {"Windowed", "Nosound", "11025 Hz", "640x480x8bit", "MMX Optimizations"}) s.Click(n);
       }, false, untouched, unset},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    HWND window = s.Open(c.directX, c.os, c.mmx);
    s.demo.settings = c.before;
    s.demo.choices = c.choices;
    c.act(s, window);
    EXPECT_EQ(s.RunToQuit(), c.quits);
    const DemoSettings& got = s.demo.settings;
    EXPECT_EQ(std::vector<int>({got.windowed, got.videoMode, got.noSound, got.mixRate, got.useMmx, got.startRequested}),
              c.settings);
    EXPECT_EQ(s.platform->player.Output(), c.output);
  }
}

}  // namespace
