// Start-up, the frame loop and shutdown.
#pragma once
#include "host/win.h"

namespace host {
struct Platform;
}

struct Demo;

// The program's entry: settings, the demo window, the display, the sound
// library and the song, loading, the frame loop, shutdown. Returns 0 on every
// early exit but a missing scene file (1), otherwise the code of the quit
// request that ended the loop.
int WinMain(Demo& demo, int showCommand);
int RunFrameLoop(Demo& demo);
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
