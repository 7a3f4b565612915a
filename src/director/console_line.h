// One line of a made-up 6502 listing printed straight into the frame, a
// different line every frame, so the line flickers through the listing.
#pragma once
#include <cstdint>

#include "base/frame.h"
#include "effects2d/pcx.h"

struct ConsoleLine {
  uint32_t consoleLineCounter = 0;  // its low four bits pick the line
};

void DrawConsoleLine(ConsoleLine& console, const PcxImage& font, int32_t x, int32_t y, RenderTarget& target);
