#include "shell/startup.h"

#include <cstdio>

#include "display/window_proc.h"
#include "host/cpu.h"
#include "shell/demo.h"

using namespace host;

void RegisterClasses(Demo& demo) {
  WindowSystem& ws = demo.platform.windows;
  ws.RegisterClass(WndClass{"Settings",
                            [&demo](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
                              return SettingsWndProc(demo, w, m, wp, lp);
                            },
                            CS_HREDRAW | CS_VREDRAW, kProgramIcon, false, true});
  ws.RegisterClass(WndClass{"Demo",
                            [&demo](HWND w, uint32_t m, WPARAM wp, LPARAM lp) {
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
  demo.SongHandle = player.LoadSong("what2xx.it");
  if (!demo.SongHandle) return SoundFailure(demo, player.SongErrorText());

  LoadDemoAssets(demo);
  // A missing scene ends the program before the show starts, with code 1.
  if (demo.sceneMissing) return 1;
  if (demo.settings.noSound)
    StartWallClock(demo.clock, uint32_t(demo.platform.backend->NowMs()), demo.startOffsetMs);

  int code = RunFrameLoop(demo, driver);
  ShutdownDemo(demo);
  ++driver.shutdowns;
  return code;
}

int RunFrameLoop(Demo& demo, Driver& driver) {
  WindowSystem& ws = demo.platform.windows;
  Msg msg;
  for (;;) {
    if (ws.PeekMessage(&msg, true)) {
      if (msg.message == WM_QUIT) return int(msg.wParam);
      ws.TranslateMessage(msg);
      ws.DispatchMessage(msg);
      continue;
    }
    if (demo.display.DisplayReady) {
      DemoFrame(demo);
      if (driver.afterFrame) driver.afterFrame();
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
