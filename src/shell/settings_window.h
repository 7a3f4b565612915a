// The settings window: its controls and what it says, and the choices
// made before it was asked.
#pragma once
#include "base/settings.h"
#include "host/win.h"

// Choices made before the settings window was asked (the command line).
// -1 leaves a field as the window has it.
struct SettingsChoices {
  int windowed = -1;
  int videoMode = -1;
  int noSound = -1;
  int mixRate = -1;
  int useMmx = -1;
};

// The settings window and its controls, in the order they are made.
struct SettingsControls {
  host::HWND window = 0;
  host::HWND videoGroup = 0, windowed = 0, fullscreen = 0, modeGroup = 0;
  host::HWND modes[6] = {};
  host::HWND audioGroup = 0, directSound = 0, wavOut = 0, noSound = 0, rateGroup = 0;
  host::HWND rates[3] = {};
  host::HWND hardwareGroup = 0, mmx = 0, directXText = 0, osText = 0, startDemo = 0, exit = 0;
  int font = 0;
};

// What the window says about the DirectX level and the operating system.
const char* DirectXText(int directXVersion);
const char* OsText(int osPlatform);
