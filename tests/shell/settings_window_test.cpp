// The settings window on the headless desk: its controls, what it
// preselects, and what "Start Demo", "Exit" and the dialog keys do.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/show.h"

using host::ControlKind;
using host::HWND;
using testing_support::Show;

namespace {

struct Settings : Show {
  host::WindowSystem& ws = platform->windows;

  // Opens the window as start-up does, after detection found these.
  HWND Open(int directX = 0x600, int os = 2, int mmx = 1) {
    RegisterClasses(demo);
    demo.DirectXVersion = directX;
    demo.OsPlatform = os;
    demo.settings.useMmx = mmx;
    // An output the window never selects, to see whether it selects one.
    platform->player.SetOutput(kUnset);
    return ws.CreateWindow("Settings", "dorsel settings", host::WS_SETTINGS, host::CW_USEDEFAULT,
                           host::CW_USEDEFAULT, 289, 283);
  }
  const host::HeadlessBackend::Control& Control(const std::string& text) {
    const auto* c = backend.FindControl(backend.ControlNamed(text));
    EXPECT_NE(c, nullptr) << text;
    static const host::HeadlessBackend::Control none;
    return c ? *c : none;
  }
  bool Checked(const std::string& text) { return Control(text).checked; }
  void Click(const std::string& text) { backend.Click(backend.ControlNamed(text)); }
  // Runs the window's messages until it asks to quit; true if it did.
  bool RunToQuit() {
    host::Msg m;
    for (int i = 0; i < 100; ++i) {
      if (!ws.PeekMessage(&m, true)) return false;
      if (m.message == host::WM_QUIT) return true;
      ws.DispatchMessage(m);
    }
    return false;
  }
  static constexpr int kUnset = 77;
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
    int id;
  };
  const auto G = ControlKind::GroupBox, R = ControlKind::RadioButton, B = ControlKind::PushButton;
  const Row rows[] = {
      {"Video settings", G, nullptr, {0, 0, 148, 176}, 0},
      {"Windowed", R, "Video settings", {7, 14, 127, 29}, 0},
      {"Fullscreen", R, "Video settings", {7, 42, 127, 57}, 0},
      {"FullScreen Mode", G, "Video settings", {14, 63, 134, 171}, 0},
      {"512x384x32bit", R, "FullScreen Mode", {7, 14, 99, 29}, 0},
      {"512x384x24bit", R, "FullScreen Mode", {7, 29, 99, 44}, 0},
      {"512x384x8bit", R, "FullScreen Mode", {7, 44, 99, 59}, 0},
      {"640x480x32bit", R, "FullScreen Mode", {7, 59, 99, 74}, 0},
      {"640x480x24bit", R, "FullScreen Mode", {7, 74, 99, 89}, 0},
      {"640x480x8bit", R, "FullScreen Mode", {7, 89, 99, 104}, 0},
      {"Audio settings", G, nullptr, {154, 0, 281, 176}, 0},
      {"Directsound", R, "Audio settings", {7, 14, 107, 29}, 0},
      {"Wavout", R, "Audio settings", {7, 42, 107, 57}, 0},
      {"Nosound", R, "Audio settings", {7, 70, 107, 85}, 0},
      {"Mixrate", G, "Audio settings", {7, 105, 102, 169}, 0},
      {"44100 Hz", R, "Mixrate", {7, 14, 72, 29}, 0},
      {"22050 Hz", R, "Mixrate", {7, 29, 72, 44}, 0},
      {"11025 Hz", R, "Mixrate", {7, 44, 72, 59}, 0},
      {"Hardware settings", G, nullptr, {0, 182, 148, 225}, 0},
      {"MMX Optimizations", ControlKind::CheckBox, "Hardware settings", {7, 14, 134, 36}, 0},
      {"DirectX version 6", ControlKind::Text, nullptr, {155, 190, 282, 210}, 0},
      {"Windows NT", ControlKind::Text, nullptr, {155, 204, 282, 224}, 0},
      {"Start Demo", B, nullptr, {7, 231, 87, 254}, 1},
      {"Exit", B, nullptr, {196, 231, 276, 254}, 2},
  };
  std::vector<HWND> made;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    HWND h = s.backend.ControlNamed(r.text);
    ASSERT_NE(h, 0u);
    made.push_back(h);
    const auto& c = s.Control(r.text);
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
  const int unset = Settings::kUnset;
  const Case cases[] = {
      {"as preselected", 0x600, 2, 1, {}, {}, {}, {0, 0, 0, 44100, 1}, host::kOutputWaveOut},
      {"windowed, mode 4, DirectSound, 22050, no MMX", 0x600, 2, 1,
       {"Windowed", "640x480x24bit", "Directsound", "22050 Hz", "MMX Optimizations"}, {}, {}, {1, 4, 0, 22050, 0},
       host::kOutputDirectSound},
      {"back to full screen, the 8-bit mode, 11025", 0x600, 1, 1,
       {"Windowed", "Fullscreen", "512x384x8bit", "11025 Hz"}, {}, {}, {0, 2, 0, 11025, 1},
       host::kOutputDirectSound},
      // "Nosound" leaves the output to start-up.
      {"no sound", 0x600, 2, 1, {"Nosound", "640x480x32bit"}, {}, {}, {0, 3, 1, 44100, 1}, unset},
      {"greyed Windowed cannot be chosen", 0x500, 2, 1, {"Windowed"}, {}, {}, {0, 0, 0, 44100, 1},
       host::kOutputWaveOut},
      {"no MMX bit: the greyed box gives 0", 0x600, 2, 0, {"MMX Optimizations"}, {}, {}, {0, 0, 0, 44100, 0},
       host::kOutputWaveOut},
      {"unknown system: no output chosen", 0x600, 0, 1, {}, {}, {}, {0, 0, 0, 44100, 1}, unset},
      // The MMX box is read whatever it says.
      {"nothing selected", 0x600, 2, 1,
       {"-Windowed", "-Fullscreen", "-512x384x32bit", "-Wavout", "-44100 Hz", "-MMX Optimizations"},
       {7, 5, 0, 1234, 1, 0}, {}, {7, 5, 0, 1234, 0}, unset},
      {"command line wins", 0x500, 2, 1, {"22050 Hz"}, {}, {1, 5, 1, 48000, 0}, {1, 5, 1, 48000, 0},
       host::kOutputWaveOut},
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
      {"not a click", [](Settings& s, HWND w) { s.ws.PostMessage(w, host::WM_COMMAND, 1 | (5 << 16), 0); },
       false, 0},
      {"other identifier", [](Settings& s, HWND w) { s.ws.PostMessage(w, host::WM_COMMAND, 3, 0); }, false, 0},
      // The radio buttons and the box tell their group boxes, not the window.
      {"radio and box clicks",
       [](Settings& s, HWND) {
         for (const char* n : {"Windowed", "Nosound", "11025 Hz", "640x480x8bit", "MMX Optimizations"})
           s.Click(n);
       },
       false, 0},
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
