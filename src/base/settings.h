// The viewer's choices and the six display modes they pick from.
#pragma once

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

constexpr int kMixRates[3] = {44100, 22050, 11025};
