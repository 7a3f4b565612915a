#include "shell/startup.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "display/present.h"
#include "display/window_proc.h"
#include "host/cpu.h"
#include "shell/demo.h"

using namespace host;

// Space holds the show or lets it go on. With no sound the wall clock's
// start moves on by the time held, so the show goes on where it stood.
static void HoldShow(Demo& demo, bool hold) {
  uint64_t now = demo.platform.backend->NowMs();
  demo.platform.player.PauseSong(demo.SongHandle, hold);
  if (hold)
    demo.pausedAtMs = now;
  else if (demo.settings.noSound)
    demo.clock.DemoStartMs += uint32_t(now - demo.pausedAtMs);
  demo.paused = hold;
  demo.heldFrame.clear();
}

// The viewer's keys beyond the original's: Space, PageUp and PageDown.
// True when the key was one of them.
static bool ViewerKey(Demo& demo, HWND window, WPARAM key) {
  if (key == VK_SPACE) {
    HoldShow(demo, !demo.paused);
    return true;
  }
  if (key != VK_PRIOR && key != VK_NEXT) return false;
  int w = ScheduleWindow(demo.clock.DemoTimeMs);
  if (w == 0) return true;  // past the end: the show is closing anyway
  if (key == VK_NEXT && w == kScheduleWindows)
    demo.platform.windows.PostMessage(window, WM_CLOSE, 0, 0);
  else
    demo.nextWindow = key == VK_NEXT ? w + 1 : std::max(w - 1, 1);
  return true;
}

void RegisterClasses(Demo& demo) {
  WindowSystem& ws = demo.platform.windows;
  ws.RegisterClass(WndClass{"Settings",
                            [&demo](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
                              return SettingsWndProc(demo, w, m, wp, lp);
                            },
                            CS_HREDRAW | CS_VREDRAW, kProgramIcon, false, true});
  ws.RegisterClass(WndClass{"Demo",
                            [&demo](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
                              if (m == WM_KEYDOWN && ViewerKey(demo, w, wp)) return LRESULT(0);
                              return MainWndProc(demo.display, w, m, wp, lp);
                            },
                            CS_HREDRAW | CS_VREDRAW, kProgramIcon, true});
}

// Shows the sound library's complaint and takes the demo window down.
static int SoundFailure(Demo& demo, const char* error) {
  char text[1000];
  std::snprintf(text, sizeof text, "%s", error);
  demo.platform.windows.MessageBox(demo.MainWindow, text, "Fmod ERROR!");
  demo.platform.windows.DestroyWindow(demo.MainWindow);
  return 0;
}

int WinMain(Demo& demo, int showCommand, Driver& driver) {
  WindowSystem& ws = demo.platform.windows;
  ModulePlayer& player = demo.platform.player;

  demo.settings.useMmx = CpuHasMmx();
  RegisterClasses(demo);
  InstallScreenshotKey(demo.screenshots, ws, demo.clock);
  DetectSystem(demo.platform, &demo.DirectXVersion, &demo.OsPlatform);

  HWND settings = ws.CreateWindow("Settings", "dorsel settings", WS_SETTINGS, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 289, 283);
  if (!settings) return 0;
  ws.ShowWindow(settings, showCommand);
  ws.UpdateWindow(settings);
  if (demo.skipSettings) ws.PostMessage(settings, WM_COMMAND, kStartDemoButton, 0);
  Msg msg;
  while (ws.GetMessage(&msg) > 0) {
    ws.TranslateMessage(msg);
    ws.DispatchMessage(msg);
  }
  if (!demo.settings.startRequested) return int(msg.wParam);
  ws.DestroyWindow(settings);
  // The settings window's destruction asked to quit once more: take exactly
  // that request away, or the frame loop would end at once.
  ws.PeekMessage(&msg, true);

  int width = 512 + 2 * ws.GetSystemMetrics(SM_CXFRAME);
  int height = 384 + 2 * ws.GetSystemMetrics(SM_CYFRAME);
  demo.MainWindow = 0;
  HWND window = ws.CreateWindow("Demo", kDemoTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, width, height);
  if (!window) return 0;
  ws.ShowWindow(window, showCommand);
  ws.UpdateWindow(window);
  ws.GetWindowRect(window, &demo.display.SavedWindowRect);
  demo.MainWindow = window;

  if (!OpenDisplay(demo.display, demo.MainWindow)) {
    ws.DestroyWindow(demo.MainWindow);
    return 0;
  }
  if (demo.settings.noSound) player.SetOutput(kOutputNone);
  if (!player.Init(demo.settings.mixRate, 32)) return SoundFailure(demo, player.InitErrorText());
  for (;;) {
    demo.SongHandle = player.LoadSong("what2xx.it");
    if (!demo.SongHandle) return SoundFailure(demo, player.SongErrorText());
    LoadDemoAssets(demo);
    // A missing scene ends the program before the show starts, with code 1.
    if (demo.sceneMissing) return 1;
    if (demo.settings.noSound)
      StartWallClock(demo.clock, uint32_t(demo.platform.backend->NowMs()), demo.startOffsetMs);
    int code = RunFrameLoop(demo, driver);
    if (!demo.nextWindow) {
      ShutdownDemo(demo);
      ++driver.shutdowns;
      return code;
    }
    // PageUp or PageDown: the song and the whole show made new, started at
    // the window's first millisecond.
    demo.startOffsetMs = kSchedule[size_t(demo.nextWindow - 1)].from;
    player.SetStartOffsetMs(demo.startOffsetMs);
    player.FreeSong(demo.SongHandle);
    demo.SongHandle = nullptr;
    static_cast<ShowState&>(demo) = std::move(*std::make_unique<ShowState>());
  }
}

// A held show puts its frame on the screen again (it may have been lost to
// F11) instead of drawing, and waits for the next key.
static void HoldFrame(Demo& demo) {
  BeginFrame(demo.display);
  if (uint32_t* pixels = demo.target.pixels) {
    if (demo.heldFrame.empty())
      demo.heldFrame.assign(pixels, pixels + kFramePixels);
    else
      std::copy(demo.heldFrame.begin(), demo.heldFrame.end(), pixels);
  }
  PresentFrame(demo.display);
}

int RunFrameLoop(Demo& demo, Driver& driver) {
  WindowSystem& ws = demo.platform.windows;
  Msg msg;
  for (;;) {
    if (ws.PeekMessage(&msg, true)) {
      if (msg.message == WM_QUIT) return int(msg.wParam);
      ws.TranslateMessage(msg);
      ws.DispatchMessage(msg);
      if (demo.nextWindow) return 0;
      continue;
    }
    if (demo.display.DisplayReady) {
      if (demo.paused)
        HoldFrame(demo);
      else
        DemoFrame(demo);
      if (driver.afterFrame) driver.afterFrame();
      if (demo.paused) ws.WaitMessage();
    }
  }
}

// Frees the song, the sound library, the large buffers and the pictures the
// director draws, in that order; everything else goes with the process.
void ShutdownDemo(Demo& demo) {
  ModulePlayer& player = demo.platform.player;
  // 1-2. The song, then the sound library.
  player.FreeSong(demo.SongHandle);
  demo.SongHandle = nullptr;
  player.Close();
  // 3. The FrameBuffer.
  demo.frameBuffer = {};
  demo.target.frameBuffer = nullptr;
  demo.target.pixels = nullptr;
  // 4. The ray-cast scene's lights and grid.
  demo.trace.lights = {};
  demo.trace.grid = {};
  // 5. The bump-mapped lights' two pictures and lighting table.
  demo.bumpLights.colour = PcxImage{};
  demo.bumpLights.height = PcxImage{};
  demo.bumpLights.spot = {};
  // 6. The display.
  CloseDisplay(demo.display);
  // 7. The pictures the director draws.
  Pictures& p = demo.pictures;
  for (PcxImage* image : {&p.staff2, &p.atomb, &p.viivak, &p.staticdi2, &p.land7, &p.bump, &p.zoom6,
                          &p.mechV, &p.gV, &p.image2, &p.tilpeh2, &p.tilpe3v4})
    *image = PcxImage{};
  // The text writer's overlay.
  demo.textWriter.overlay = {};
}
