// Start-up through WinMain on the headless host: what ends the loop, the
// failures that end the program, and what a short show sets up and frees.
// The whole show's run to its end is checked by the regression net.
#include <gtest/gtest.h>

#include "support/show.h"

using host::DisplayCall;
using testing_support::ShowRun;

TEST(Startup, TheLoopEndsOnAQuitOrEscapeAndIdlesWhileTheDisplayIsNotReady) {
  struct Case { const char* name; int atFrame; std::function<void(ShowRun&)> act; };
  const Case cases[] = {
      {"quit", 5, [](ShowRun& r) { r.platform->windows.PostQuitMessage(0); }},
      {"Escape", 3,
       [](ShowRun& r) { r.platform->windows.PostMessage(r.demo.MainWindow, host::WM_KEYDOWN, host::VK_ESCAPE, 0); }},
      // No frame is drawn until the quit that comes after 500 idle turns.
      {"display not ready", 2, [](ShowRun& r) {
         r.demo.display.DisplayReady = 0;
         r.backend.script = [turns = 0](host::WindowSystem& ws) mutable { if (++turns == 500) ws.PostQuitMessage(0); };
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowRun r;
    r.onFrame = [&] { if (r.frames == c.atFrame) c.act(r); };
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.frames, c.atFrame);
    EXPECT_EQ(r.driver.shutdowns, 1);
  }
}

// Exit or the close box in the settings window, or a window that cannot be
// made, end the program at once, with no box and the display never opened.
TEST(Startup, ExitInTheSettingsOrAWindowThatCannotBeMadeEndsTheProgram) {
  for (const char* how : {"Exit", "close box", "Settings", "Demo"}) {
    SCOPED_TRACE(how);
    ShowRun r;
    bool exit = how[0] == 'E', close = how[0] == 'c';
    r.demo.skipSettings = !exit && !close;
    if (!exit && !close) r.platform->windows.FailCreate(how);
    r.backend.script = [&](host::WindowSystem& ws) {
      // The settings window is the first window made: handle 1.
      if (exit || close) ws.PostMessage(1, close ? host::WM_CLOSE : host::WM_COMMAND, close ? 0 : kExitButton, 0);
      r.backend.script = nullptr;
    };
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.demo.settings.startRequested, how == std::string("Demo"));  // skipped settings start the show
    EXPECT_EQ(r.demo.MainWindow, 0u);
    EXPECT_EQ(r.platform->display.CallCount(DisplayCall::DirectDrawCreate), 1);  // detection's
    EXPECT_EQ(r.platform->display.CallCount(DisplayCall::CreateOffscreenSurface), 0);
    EXPECT_EQ(r.platform->player.InitCalls(), 0);
    EXPECT_EQ(r.frames, 0);
    EXPECT_TRUE(r.backend.messageBoxes.empty());
  }
}

// A display call that fails, in a mode or window, shows its box captioned
// with the show's title (and, after DirectDraw is made, InitSurfaces' box);
// the sound library's failures show its text captioned "Fmod ERROR!". Either
// way the program ends before any frame, its window and surfaces gone.
TEST(Startup, DisplayAndSoundLibraryFailuresAreReportedAndEndTheProgram) {
  using D = DisplayCall;
  auto display = [](D call, int windowed, int mode, bool noInterface4 = false) {
    return [=](ShowRun& r) {
      r.demo.choices.windowed = windowed;
      r.demo.choices.videoMode = mode;
      r.platform->display.FailCall(call);
      if (noInterface4) r.platform->display.FailCall(D::QueryInterface, host::DDERR_NOINTERFACE);
    };
  };
  const std::string init = "InitSurfaces FAILED", title = kDemoTitle, fmod = "Fmod ERROR!";
  struct Case { std::function<void(ShowRun&)> arrange; std::vector<std::string> boxes; std::string caption; int inits; };
  const Case cases[] = {
      {display(D::DirectDrawCreate, 0, 0), {"DirectDrawCreate FAILED"}, title, 0},
      {display(D::SetCooperativeLevel, 0, 0), {"SetCooperativeLevel FAILED", init}, title, 0},
      {display(D::SetCooperativeLevel, 1, 0), {"SetCooperativeLevel FAILED", init}, title, 0},
      {display(D::SetDisplayMode, 0, 4), {"SetDisplayMode FAILED", init}, title, 0},
      {display(D::SetDisplayMode, 1, 0, true), {"SetDisplayMode FAILED", init}, title, 0},
      {display(D::CreatePrimarySurface, 0, 0), {"CreateSurface FAILED", init}, title, 0},
      {display(D::CreatePrimarySurface, 1, 0), {"CreateSurface FAILED", init}, title, 0},
      {display(D::CreatePrimarySurface, 0, 0, true), {"CreateSurface FAILED", init}, title, 0},
      {display(D::CreateClipper, 1, 0), {"CreateClipper FAILED", init}, title, 0},
      {display(D::CreateOffscreenSurface, 1, 0), {"CreateSurface2 FAILED", init}, title, 0},
      {display(D::CreatePalette, 0, 2), {"CreatePalette FAILED", init}, title, 0},
      {display(D::CreatePalette, 1, 5), {"CreatePalette FAILED", init}, title, 0},
      {[](ShowRun& r) { r.platform->player.FailInit("No sound card found."); }, {"No sound card found."}, fmod, 1},
      {[](ShowRun&) { (void)!chdir("/"); }, {"File not found: what2xx.it"}, fmod, 1},  // no song there
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boxes[0] + ", case " + std::to_string(&c - cases));
    ShowRun r;
    c.arrange(r);
    EXPECT_EQ(r.Go(), 0);
    EXPECT_EQ(r.BoxTexts(), c.boxes);
    for (const auto& box : r.backend.messageBoxes) EXPECT_EQ(box.second, c.caption);
    EXPECT_FALSE(r.platform->windows.IsWindow(r.demo.MainWindow));
    EXPECT_EQ(r.platform->display.LiveSurfaces(), 0);  // WM_DESTROY released them
    EXPECT_EQ(r.platform->player.InitCalls(), c.inits);
    EXPECT_EQ(r.platform->player.CloseCalls(), 0);
    EXPECT_TRUE(r.demo.frameBuffer.empty());  // nothing was loaded
    EXPECT_EQ(r.frames, 0);
  }
}

// One frame of the show with the given choices: the settings they make, the
// sound output, the first frame within a frame of the song's start, and
// then a shutdown that frees what the effects drew from, once.
TEST(Startup, AShortShowTakesTheChoicesAndShutsDownOnce) {
  struct Case { const char* name; SettingsChoices choices; std::vector<int> settings; int output; };
  const Case cases[] = {  // settings: windowed, mode, no sound, rate, MMX
      {"no sound", {-1, -1, 1, -1, -1}, {0, 0, 1, 44100, 1}, host::kOutputNone},
      {"sound as preselected", {}, {0, 0, 0, 44100, 1}, host::kOutputWaveOut},
      {"windowed, mode 4, 22050 Hz, no MMX", {1, 4, -1, 22050, 0}, {1, 4, 0, 22050, 0}, host::kOutputWaveOut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowRun r;
    r.demo.choices = c.choices;
    uint32_t firstTime = 999999;
    bool settingsGone = false, songPlaying = false, audio = false;
    r.onFrame = [&] {
      firstTime = r.demo.clock.DemoTimeMs;
      settingsGone = !r.platform->windows.IsWindow(r.demo.settingsControls.window);
      songPlaying = r.demo.SongHandle != nullptr && r.demo.SongHandle->playing;
      audio = r.platform->player.HasAudio();
      r.platform->windows.PostQuitMessage(0);
    };
    ASSERT_EQ(r.Go(), 0);
    EXPECT_EQ(r.frames, 1);
    EXPECT_LE(firstTime, 1000u / 30);
    EXPECT_TRUE(settingsGone && songPlaying && r.backend.messageBoxes.empty());
    EXPECT_EQ(audio, c.output != host::kOutputNone);
    EXPECT_EQ(r.platform->player.Output(), c.output);
    EXPECT_EQ(r.platform->player.MixRate(), c.settings[3]);
    const DemoSettings& s = r.demo.settings;
    EXPECT_EQ(std::vector<int>({s.windowed, s.videoMode, s.noSound, s.mixRate, s.useMmx}), c.settings);
    EXPECT_EQ(s.startRequested, 1);
    // Shut down once: the song, the buffers and the pictures the effects drew.
    EXPECT_EQ(r.driver.shutdowns, 1);
    EXPECT_FALSE(r.platform->player.HasAudio());
    EXPECT_EQ(r.demo.SongHandle, nullptr);
    EXPECT_EQ(r.platform->player.CloseCalls(), 1);
    EXPECT_TRUE(r.demo.frameBuffer.empty());
    EXPECT_EQ(r.demo.target.pixels, nullptr);
    EXPECT_EQ(r.platform->display.LiveSurfaces(), 0);
    Pictures& p = r.demo.pictures;
    // What nothing draws, and the font, live as long as the process.
    const PcxImage* kept[] = {&p.staticdi1, &p.tilpeh1, &p.tilpeh4, &p.tilpeh5, &p.tilpeh6, &p.tilpeh7, &p.tilpeh8,
                              &p.alareuna, &p.ylareuna, &p.fontti};
    const PcxImage* freed[] = {&p.staff2, &p.atomb, &p.viivak, &p.staticdi2, &p.land7, &p.bump, &p.zoom6, &p.mechV,
                               &p.gV, &p.image2, &p.tilpeh2, &p.tilpe3v4};
    for (const PcxImage* const& k : kept) EXPECT_TRUE(k->width && !k->pixels.empty()) << "kept " << &k - kept;
    for (const PcxImage* const& f : freed) EXPECT_TRUE(!f->width && f->pixels.empty()) << "freed " << &f - freed;
    // The effects' large buffers go too; their tables stay.
    EXPECT_TRUE(r.demo.trace.lights.empty() && r.demo.trace.grid.empty() && r.demo.textWriter.overlay.empty());
    EXPECT_TRUE(r.demo.bumpLights.colour.pixels.empty() && r.demo.bumpLights.height.values.empty() &&
                r.demo.bumpLights.spot.empty());
    EXPECT_FALSE(r.demo.warp.offsets.empty());
  }
}
