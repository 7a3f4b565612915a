// The viewer's choices and the six display modes they pick from.
#pragma once
#include "host/win.h"

struct DemoSettings {
  int windowed = 0;
  int videoMode = 0;
  int noSound = 0;
  int mixRate = 0;
  int useMmx = 0;
  int startRequested = 0;
};

struct VideoMode {
  const char* label;
  int width, height, bitsPerPixel;
};

constexpr VideoMode kVideoModes[6] = {
    {"512x384x32bit", 512, 384, 32}, {"512x384x24bit", 512, 384, 24},
    {"512x384x8bit", 512, 384, 8},   {"640x480x32bit", 640, 480, 32},
    {"640x480x24bit", 640, 480, 24}, {"640x480x8bit", 640, 480, 8},
};

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

constexpr int kMixRates[3] = {44100, 22050, 11025};

// What the window says about the DirectX level and the operating system.
const char* DirectXText(int directXVersion);
const char* OsText(int osPlatform);
