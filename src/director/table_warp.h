// A full-screen texture warp: every frame pixel is a texel of a 256 × 256
// texture found through an offset table built once (rings and 32-fold
// ripples round two centres) and a few sine lookups per row that sway the
// rows from frame to frame.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

struct WarpTables {
  std::vector<int32_t> offsets;     // one per frame pixel, row after row; empty until built
  std::array<int32_t, 256> sines{};  // −31 … 31
  // The row phases; they only grow and are read modulo 256.
  int32_t p0 = 0, p1 = 0, p2 = 0, p3 = 0;
};

void BuildWarpTables(WarpTables& warp);
// Writes every frame pixel; the texture must be 256 texels wide. `useMmx`
// takes the packed form: the same pixels.
void DrawTableWarp(WarpTables& warp, RenderTarget& target, const PcxImage& texture, int useMmx);
