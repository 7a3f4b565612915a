// A show on the headless host for tests: built fresh, driven, thrown away.
#pragma once
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/headless.h"
#include "shell/demo.h"
#include "shell/startup.h"
#include "support/process.h"

namespace testing_support {

struct Show {
  std::unique_ptr<host::Platform> platform = host::MakeHeadlessPlatform(30);
  Demo demo{*platform};
  Driver driver;  // for a run through WinMain
  host::HeadlessBackend& backend = host::Headless(*platform);

  Show() { backend.quiet = true; }

  // Demo window, display and assets, as start-up leaves them, but with the
  // wall clock running the show so tests can set the demo time directly.
  bool Open(int windowed = 0, int videoMode = 0) {
    RegisterClasses(demo);
    demo.settings.windowed = windowed;
    demo.settings.videoMode = videoMode;
    demo.settings.noSound = 1;
    demo.MainWindow = platform->windows.CreateWindow("Demo", kDemoTitle, host::WS_OVERLAPPEDWINDOW,
                                                     100, 80, 512, 384);
    platform->windows.GetWindowRect(demo.MainWindow, &demo.display.SavedWindowRect);
    if (!OpenDisplay(demo.display, demo.MainWindow)) return false;
    LoadDemoAssets(demo);
    StartWallClock(demo.clock, uint32_t(backend.NowMs()), 0);
    return true;
  }

  // Runs one frame whose clock reads exactly t.
  void FrameAt(uint32_t t) {
    demo.clock.DemoStartMs = uint32_t(backend.NowMs()) - t;
    DemoFrame(demo);
  }

  // Sets the clock to t without a frame, so the next frame's step counts from t.
  void JumpTo(uint32_t t) { demo.clock.DemoTimeMs = t; }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& [text, caption] : backend.messageBoxes) texts.push_back(text);
    return texts;
  }
};

// Runs the tests of a file from the data folder, as the show expects.
struct InDataDir {
  InDataDir() { (void)!chdir(DataDir().c_str()); }
};

// A whole start-up through WinMain from the data folder, without the
// settings window or sound; `onFrame` runs after every frame.
struct ShowRun : Show {
  InDataDir here;
  int frames = 0;
  std::function<void()> onFrame;
  ShowRun() {
    demo.skipSettings = true;
    demo.choices.noSound = 1;
    driver.afterFrame = [this] {
      ++frames;
      backend.AdvanceFrame();
      if (onFrame) onFrame();
    };
  }
  int Go() { return WinMain(demo, host::SW_SHOWNORMAL, driver); }
};

}  // namespace testing_support
