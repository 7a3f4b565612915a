// The whole show in one object: the host it runs on, the viewer's settings,
// the process-wide handles, the display, the clock, the director and its
// effects. A test builds one, drives it and throws it away. Below the shell
// only the director's recipes see it; everything else takes its parts.
//
// The original kept all of this in globals. Where a field keeps one of
// their names, it is capitalised (MainWindow, SongHandle, DisplayReady …)
// or a record of theirs (settings, target, clock); those keep the original's
// int flags. The rest is ours, with bool flags.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "director/console_line.h"
#include "director/director.h"
#include "director/landscape.h"
#include "director/table_warp.h"
#include "director/text_writer.h"
#include "director/tiles.h"
#include "base/clock.h"
#include "base/crt_random.h"
#include "base/settings.h"
#include "display/display.h"
#include "display/present.h"
#include "display/screenshot.h"
#include "effects2d/bump_lights.h"
#include "effects2d/flare.h"
#include "effects2d/image_sets.h"
#include "effects2d/pcx.h"
#include "effects2d/trace.h"
#include "effects2d/wobble_overlay.h"
#include "engine3d/raster.h"
#include "engine3d/scene.h"
#include "host/platform.h"
#include "shell/settings_window.h"

// Every picture the loading phase reads, one record each, in the order it
// reads them. Those marked "kept" are read and kept, but nothing draws them.
struct Pictures {
  PcxImage staff2;      // the wobbling credits
  PcxImage atomb;       // behind the story pages
  PcxImage viivak;      // the closing logo
  PcxImage staticdi1;   // kept
  PcxImage staticdi2;   // the table warp's texture
  PcxImage land7;       // "7.pcx", the landscape's colour map
  PcxImage bump;        // the ray-cast scenes' texture
  PcxImage zoom6;       // "6.pcx", the rotating zoom's texture, with room for the feedback
  PcxImage mechV;       // background of the first two windows
  PcxImage gV;          // full-frame picture, and the ray-cast scenes' border rows
  PcxImage image2;      // full-frame picture after the zoom
  PcxImage tilpeh1;     // kept
  PcxImage tilpeh2;     // the scrolling tile columns
  PcxImage tilpe3v4;    // the tile beside the ray-cast scenes
  PcxImage tilpeh4, tilpeh5, tilpeh6, tilpeh7, tilpeh8;  // kept
  PcxImage alareuna, ylareuna;                          // kept
  PcxImage fontti;      // the text writer's font
};

// The feedback of the rotating zoom writes this far into its texture's block.
constexpr size_t kZoomTexturePixels = 67876;

// Everything one run of the show builds and changes as it plays. PageUp and
// PageDown start a fresh run from a window's first millisecond, as --window
// would: all of this is made new; the window, the display, the sound library
// and the settings stay.
struct ShowState {
  DemoClock clock;
  Director director;
  Landscape landscape;
  Pictures pictures;
  // Director effects' records:
  TextWriter textWriter;
  ConsoleLine console;
  TileColumns tileColumns;
  WarpTables warp;
  // Image effects' records:
  TraceScene trace;
  FlareSprite flare;
  BumpLights bumpLights;
  WobbleOverlay wobble;  // with the column-shift table loading makes
  LogoSet logoSet;
  RasterSet rasterSet;
  // 3D engine's records:
  std::array<Scene, kSceneCount> scenes;
  int sceneCounter = 0;  // the next entry of kSceneFiles to load
  bool sceneMissing = false;  // a scene file could not be opened: the show ends with 1
  DepthOrder depthOrder;  // FaceOrder and DepthKeys, room for the largest object loaded
  std::vector<uint32_t> frameBuffer;
  CrtRandom random;

  // Space holds the show: the last frame stays on the screen, the music and
  // the demo time stand still.
  bool paused = false;
  uint64_t pausedAtMs = 0;           // the wall clock when it was held
  std::vector<uint32_t> heldFrame;   // the frame on the screen then
  // PageUp or PageDown asked for a fresh run from this window (1..22).
  int nextWindow = 0;
};

struct Demo : ShowState {
  explicit Demo(host::Platform& p) : platform(p) {}
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  host::Platform& platform;

  DemoSettings settings;
  // Choices made on the command line; "Start Demo" lays them over the window's.
  SettingsChoices choices;
  // Press "Start Demo" at once, without waiting for the viewer.
  bool skipSettings = true;
  SettingsControls settingsControls;

  // Process-wide handles and what detection found.
  host::HWND MainWindow = 0;
  host::Song* SongHandle = nullptr;
  int DirectXVersion = 0;
  int OsPlatform = 0;

  RenderTarget target;
  Display display{platform.display, platform.windows, settings, target};

  uint32_t startOffsetMs = 0;  // the show begins this far in
  Screenshots screenshots;  // F9
};
