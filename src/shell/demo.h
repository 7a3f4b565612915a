// The whole show in one object: the host it runs on, the viewer's settings,
// the process-wide handles, the display, the clock, the director and its
// effects. A test builds one, drives it and throws it away.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "director/director.h"
#include "director/landscape.h"
#include "display/display.h"
#include "display/present.h"
#include "host/platform.h"
#include "shell/clock.h"
#include "shell/crt_random.h"
#include "shell/settings.h"

// The demo window's title; its error boxes use it as their caption too.
inline constexpr const char* kDemoTitle = "dorsel @ oru\u00B4" "99";

struct Demo {
  explicit Demo(host::Platform& p) : platform(p) {}
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  host::Platform& platform;

  DemoSettings settings;
  // What the settings window shows preselected; "Start Demo" takes it.
  DemoSettings choices{0, 0, 0, 44100, 1, 0};
  int choiceOutput = host::kOutputDirectSound;
  bool skipSettings = true;

  host::HWND MainWindow = 0;
  host::Song* SongHandle = nullptr;
  int DisplayReady = 0;
  host::Rect SavedWindowRect;
  int DirectXVersion = 0;
  int OsPlatform = 0;

  DisplayState display;
  RenderTarget target;
  DemoClock clock;
  Director director;
  Landscape landscape;
  std::vector<uint32_t> frameBuffer;
  CrtRandom random;

  uint32_t startOffsetMs = 0;  // the show begins this far in
  int shutdowns = 0;
  long presents = 0;  // frames handed to the display
  // Runs after every frame of the loop (the headless driver's clock, capture).
  std::function<void()> afterFrame;
};
