// Start-up, the frame loop and shutdown.
#pragma once
#include <functional>

#include "host/win.h"

namespace host {
struct Platform;
}

struct Demo;

// What the one who drives the program (its command line, a test) hooks into
// the loop and learns of it.
struct Driver {
  std::function<void()> afterFrame;  // runs after every frame of the loop
  int shutdowns = 0;                 // how often the show was shut down
};

// The program's entry: settings, the demo window, the display, the sound
// library and the song, loading, the frame loop, shutdown. Returns 0 on every
// early exit but a missing scene file (1), otherwise the code of the quit
// request that ended the loop.
int WinMain(Demo& demo, int showCommand, Driver& driver);
// Frames until a quit request (its code) or until PageUp or PageDown asks
// for a fresh run (0, with demo.nextWindow set). Space holds the frames.
int RunFrameLoop(Demo& demo, Driver& driver);
void ShutdownDemo(Demo& demo);
void LoadDemoAssets(Demo& demo);
// Finds the operating system's family and the display interfaces' level.
void DetectSystem(host::Platform& host, int* directXVersion, int* osPlatform);
// The "Settings" and "Demo" window classes.
void RegisterClasses(Demo& demo);

// The settings window's procedure: it makes the controls, and "Start Demo"
// reads them into the settings.
host::LRESULT SettingsWndProc(Demo& demo, host::HWND window, uint32_t message,
                              host::WPARAM wParam, host::LPARAM lParam);
constexpr host::WPARAM kStartDemoButton = 1;
constexpr host::WPARAM kExitButton = 2;
