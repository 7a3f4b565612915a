#include "shell/startup.h"

#include <gtest/gtest.h>

#include "support/show.h"

using host::DisplayCall;
using testing_support::Show;

namespace {

// A whole start-up on the headless host, from the data folder.
struct ShowRun : Show {
  testing_support::InDataDir here;
  int frames = 0;
  int result = -1;

  ShowRun() {
    demo.skipSettings = true;
    demo.choices.noSound = 1;
    driver.afterFrame = [this] {
      ++frames;
      backend.AdvanceFrame();
      if (onFrame) onFrame();
    };
  }
  std::function<void()> onFrame;
  int Go() { return result = WinMain(demo, host::SW_SHOWNORMAL, driver); }
};

TEST(Startup, TheShowRunsToItsEndAndShutsDownOnce) {
  ShowRun r;
  EXPECT_EQ(r.Go(), 0);
  EXPECT_EQ(r.driver.shutdowns, 1);
  // 30 frames a second to just past 234000 ms: the loop ran the whole show,
  // so the settings stage's second quit request was taken away.
  EXPECT_GT(r.demo.clock.DemoTimeMs, 234000u);
  EXPECT_LT(r.demo.clock.DemoTimeMs, 234100u);
  EXPECT_EQ(WindowsVisited(r.demo.director), kScheduleWindows);
  EXPECT_FALSE(r.platform->windows.IsWindow(r.demo.MainWindow));
  EXPECT_EQ(r.platform->player.CloseCalls(), 1);
  EXPECT_TRUE(r.backend.messageBoxes.empty());
}

TEST(Startup, AQuitDuringTheShowEndsTheLoopAfterTheCurrentFrame) {
  ShowRun r;
  r.onFrame = [&r] {
    if (r.frames == 5) r.platform->windows.PostQuitMessage(0);
  };
  EXPECT_EQ(r.Go(), 0);
  EXPECT_EQ(r.frames, 5);
  EXPECT_EQ(r.driver.shutdowns, 1);
}

TEST(Startup, EscapeEndsTheShow) {
  ShowRun r;
  r.onFrame = [&r] {
    if (r.frames == 3) r.platform->windows.PostMessage(r.demo.MainWindow, host::WM_KEYDOWN, host::VK_ESCAPE, 0);
  };
  EXPECT_EQ(r.Go(), 0);
  EXPECT_EQ(r.frames, 3);
  EXPECT_EQ(r.driver.shutdowns, 1);
}

TEST(Startup, NothingIsDrawnWhileTheDisplayIsNotReady) {
  ShowRun r;
  int idleTurns = 0;
  r.onFrame = [&r] {
    if (r.frames == 2) r.demo.display.DisplayReady = 0;
  };
  r.backend.script = [&](host::WindowSystem& ws) {
    if (r.demo.display.DisplayReady == 0 && ++idleTurns == 500) ws.PostQuitMessage(0);
  };
  EXPECT_EQ(r.Go(), 0);
  EXPECT_EQ(idleTurns, 500);
  EXPECT_EQ(r.frames, 2);
}

TEST(Startup, ExitInTheSettingsEndsWithoutAnotherWindow) {
  for (bool closeBox : {false, true}) {
    ShowRun r;
    r.demo.skipSettings = false;
    r.backend.script = [&](host::WindowSystem& ws) {
      // The settings window is the first window made: handle 1.
      if (closeBox) ws.PostMessage(1, host::WM_CLOSE, 0, 0);
      else ws.PostMessage(1, host::WM_COMMAND, kExitButton, 0);
      r.backend.script = nullptr;
    };
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.demo.settings.startRequested, 0);
    EXPECT_EQ(r.demo.MainWindow, 0u);
    // Only detection asked for the display; it was never opened.
    EXPECT_EQ(r.platform->display.CallCount(DisplayCall::DirectDrawCreate), 1);
    EXPECT_EQ(r.platform->display.CallCount(DisplayCall::CreateOffscreenSurface), 0);
    EXPECT_EQ(r.platform->player.InitCalls(), 0);
  }
}

TEST(Startup, WindowsThatCannotBeCreatedEndTheProgram) {
  for (const char* cls : {"Settings", "Demo"}) {
    SCOPED_TRACE(cls);
    ShowRun r;
    r.platform->windows.FailCreate(cls);
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.platform->display.CallCount(DisplayCall::DirectDrawCreate), 1);  // detection's
    EXPECT_EQ(r.frames, 0);
    EXPECT_TRUE(r.backend.messageBoxes.empty());
  }
}

TEST(Startup, DisplayFailuresAreReportedAndEndTheProgram) {
  struct Case {
    DisplayCall call;
    int windowed, mode;
    bool noInterface4;
    std::vector<std::string> boxes;
  };
  const std::vector<Case> cases = {
      {DisplayCall::DirectDrawCreate, 0, 0, false, {"DirectDrawCreate FAILED"}},
      {DisplayCall::SetCooperativeLevel, 0, 0, false, {"SetCooperativeLevel FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::SetCooperativeLevel, 1, 0, false, {"SetCooperativeLevel FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::SetDisplayMode, 0, 4, false, {"SetDisplayMode FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::SetDisplayMode, 1, 0, true, {"SetDisplayMode FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreatePrimarySurface, 0, 0, false, {"CreateSurface FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreatePrimarySurface, 1, 0, false, {"CreateSurface FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreatePrimarySurface, 0, 0, true, {"CreateSurface FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreateClipper, 1, 0, false, {"CreateClipper FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreateOffscreenSurface, 1, 0, false, {"CreateSurface2 FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreatePalette, 0, 2, false, {"CreatePalette FAILED", "InitSurfaces FAILED"}},
      {DisplayCall::CreatePalette, 1, 5, false, {"CreatePalette FAILED", "InitSurfaces FAILED"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(host::DisplayCallName(c.call)) + " windowed " + std::to_string(c.windowed) +
                 " mode " + std::to_string(c.mode));
    ShowRun r;
    r.demo.choices.windowed = c.windowed;
    r.demo.choices.videoMode = c.mode;
    r.platform->display.FailCall(c.call);
    if (c.noInterface4) r.platform->display.FailCall(DisplayCall::QueryInterface, host::DDERR_NOINTERFACE);
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.BoxTexts(), c.boxes);
    for (const auto& box : r.backend.messageBoxes) EXPECT_EQ(box.second, kDemoTitle);
    EXPECT_FALSE(r.platform->windows.IsWindow(r.demo.MainWindow));
    EXPECT_EQ(r.platform->display.LiveSurfaces(), 0);
    EXPECT_EQ(r.platform->player.InitCalls(), 0);
    EXPECT_EQ(r.frames, 0);
  }
}

TEST(Startup, SoundLibraryFailuresShowItsTextAndEndTheProgram) {
  {
    ShowRun r;
    r.platform->player.FailInit("No sound card found.");
    EXPECT_EQ(r.Go(), 0);
    ASSERT_EQ(r.backend.messageBoxes.size(), 1u);
    EXPECT_EQ(r.backend.messageBoxes[0].first, "No sound card found.");
    EXPECT_EQ(r.backend.messageBoxes[0].second, "Fmod ERROR!");
    EXPECT_FALSE(r.platform->windows.IsWindow(r.demo.MainWindow));
    EXPECT_EQ(r.platform->display.LiveSurfaces(), 0);  // WM_DESTROY released them
    EXPECT_EQ(r.platform->player.CloseCalls(), 0);
  }
  {
    ShowRun r;
    (void)!chdir("/");  // no "what2xx.it" here
    EXPECT_EQ(r.Go(), 0);
    ASSERT_EQ(r.backend.messageBoxes.size(), 1u);
    EXPECT_EQ(r.backend.messageBoxes[0].first, "File not found: what2xx.it");
    EXPECT_EQ(r.backend.messageBoxes[0].second, "Fmod ERROR!");
    EXPECT_TRUE(r.demo.frameBuffer.empty());  // nothing was loaded
    EXPECT_EQ(r.frames, 0);
    EXPECT_EQ(r.platform->player.CloseCalls(), 0);
  }
}

TEST(Startup, NoSoundSelectsNoOutputButStillPlaysTheSong) {
  ShowRun r;
  bool songLoaded = false;
  r.driver.afterFrame = [&] {
    songLoaded = r.demo.SongHandle != nullptr && r.demo.SongHandle->playing;
    ++r.frames;
    r.platform->windows.PostQuitMessage(0);
  };
  r.Go();
  EXPECT_EQ(r.platform->player.Output(), host::kOutputNone);
  EXPECT_FALSE(r.platform->player.HasAudio());
  EXPECT_TRUE(songLoaded);
  EXPECT_EQ(r.platform->player.MixRate(), 44100);
}

TEST(Startup, TheSettingsChoicesBecomeTheShowsSettings) {
  ShowRun r;
  r.demo.choices = SettingsChoices{1, 4, -1, 22050, 0};
  bool audioDuringShow = false;
  r.driver.afterFrame = [&] {
    audioDuringShow = r.platform->player.HasAudio();
    r.platform->windows.PostQuitMessage(0);
  };
  r.Go();
  EXPECT_EQ(r.demo.settings.startRequested, 1);
  EXPECT_EQ(r.demo.settings.windowed, 1);
  EXPECT_EQ(r.demo.settings.videoMode, 4);
  EXPECT_EQ(r.demo.settings.useMmx, 0);
  EXPECT_EQ(r.demo.settings.mixRate, 22050);
  EXPECT_EQ(r.platform->player.Output(), host::kOutputWaveOut);  // preselected on this system
  EXPECT_TRUE(audioDuringShow);
  EXPECT_FALSE(r.platform->player.HasAudio());  // closed at shutdown
}

TEST(Startup, ShutdownFreesTheSongTheBuffersAndTheDrawnPicturesOnce) {
  ShowRun r;
  r.onFrame = [&r] { r.platform->windows.PostQuitMessage(0); };
  ASSERT_EQ(r.Go(), 0);
  EXPECT_EQ(r.driver.shutdowns, 1);
  EXPECT_EQ(r.demo.SongHandle, nullptr);
  EXPECT_EQ(r.platform->player.CloseCalls(), 1);
  EXPECT_TRUE(r.demo.frameBuffer.empty());
  EXPECT_EQ(r.demo.target.pixels, nullptr);
  EXPECT_EQ(r.platform->display.LiveSurfaces(), 0);
  Pictures& p = r.demo.pictures;
  struct Picture {
    const char* name;
    const PcxImage& image;
    bool freed;
  };
  const Picture pictures[] = {
      {"staff2", p.staff2, true},     {"atomb", p.atomb, true},       {"viivak", p.viivak, true},
      {"staticdi 1", p.staticdi1, false}, {"staticdi 2", p.staticdi2, true}, {"7", p.land7, true},
      {"bump", p.bump, true},         {"6", p.zoom6, true},           {"mech_v", p.mechV, true},
      {"g_v", p.gV, true},            {"image2", p.image2, true},     {"tilpeh1", p.tilpeh1, false},
      {"tilpeh2", p.tilpeh2, true},   {"tilpe3v4", p.tilpe3v4, true}, {"tilpeh4", p.tilpeh4, false},
      {"tilpeh5", p.tilpeh5, false},  {"tilpeh6", p.tilpeh6, false},  {"tilpeh7", p.tilpeh7, false},
      {"tilpeh8", p.tilpeh8, false},  {"alareuna", p.alareuna, false}, {"ylareuna", p.ylareuna, false},
      {"fontti", p.fontti, false},
  };
  for (const Picture& pic : pictures) {
    SCOPED_TRACE(pic.name);
    // What nothing draws, and the font, live as long as the process.
    EXPECT_EQ(pic.image.pixels.empty(), pic.freed);
    EXPECT_EQ(pic.image.width == 0, pic.freed);
  }  // The effects' large buffers go too; their tables stay.
  EXPECT_TRUE(r.demo.trace.lights.empty());
  EXPECT_TRUE(r.demo.trace.grid.empty());
  EXPECT_TRUE(r.demo.bumpLights.colour.pixels.empty());
  EXPECT_TRUE(r.demo.bumpLights.height.values.empty());
  EXPECT_TRUE(r.demo.bumpLights.spot.empty());
  EXPECT_TRUE(r.demo.textWriter.overlay.empty());
  EXPECT_FALSE(r.demo.warp.offsets.empty());
}

TEST(Startup, TheFirstFrameComesWithinAFrameOfTheSongsStartWithNoBoxShown) {
  for (bool noSound : {false, true}) {
    SCOPED_TRACE(noSound ? "no sound" : "sound");
    ShowRun r;
    r.demo.choices.noSound = noSound ? 1 : -1;
    uint32_t firstTime = 999999;
    bool settingsGone = false;
    r.onFrame = [&] {
      if (r.frames == 1) {
        firstTime = r.demo.clock.DemoTimeMs;
        settingsGone = !r.platform->windows.IsWindow(r.demo.settingsControls.window);
      }
      r.platform->windows.PostQuitMessage(0);
    };
    ASSERT_EQ(r.Go(), 0);
    EXPECT_LE(firstTime, 1000u / 30);
    EXPECT_TRUE(settingsGone);
    EXPECT_TRUE(r.backend.messageBoxes.empty());
    EXPECT_EQ(r.platform->player.Output(), noSound ? host::kOutputNone : host::kOutputWaveOut);
  }
}

}  // namespace
