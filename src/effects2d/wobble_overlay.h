// A 218 × 384 picture laid over the frame's right-hand columns at half
// strength, its columns swaying sideways and its rows up and down in slowly
// travelling sine waves that fade to nothing at its edges.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kWobbleWidth = 218, kWobbleHeight = 384;
constexpr int kWobbleLeft = kFrameWidth - kWobbleWidth;  // 294
constexpr int kWobbleShiftEntries = 512;                 // 2,048 bytes; the picture uses 218
constexpr int kWobbleDirections = 2048;

struct WobbleOverlay {
  int32_t p0 = 0, p1 = 0, p2 = 0, p3 = 0;  // wave phases, kept between frames
  std::vector<int32_t> columnShift;        // rebuilt every draw
};

// Draws the picture over columns 294..511 and moves the waves on by one
// frame's step. `cosine` and `sine` are the landscape's 2048-step direction
// tables (256 × cos and sin). A picture or table of the wrong size, or a
// column-shift table with too little room, draws nothing and keeps the
// phases.
void DrawWobbleOverlay(WobbleOverlay& overlay, const PcxImage& picture, std::span<const int32_t> cosine,
                       std::span<const int32_t> sine, RenderTarget& target);
