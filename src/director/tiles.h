// The 80 × 80 tiles: one colour-keyed tile, and two columns of tiles that
// scroll past each other and fade towards the top and bottom of the screen.
#pragma once
#include <cstdint>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kTileSize = 80;

struct TileColumns {
  int32_t tileScroll = 0;  // 0 … 80, both columns' offset; 4 more every frame they are drawn
};

// Non-black tile pixels replace the frame's, on screen rows 1 to 383.
void DrawTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target);
// Non-black tile pixels blend in by their row's distance d from row 192:
// frame × d / 256 + tile × (192 − d) / 256. `useMmx` takes the packed form:
// the same pixels.
void DrawFadedTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target, int useMmx);
// Six faded tiles at tileScroll − 80, −0, +80 …; then tileScroll moves on.
void ScrollTilesDown(TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target, int useMmx);
// Six faded tiles at 400 − tileScroll, 320 − …; tileScroll stays.
void ScrollTilesUp(const TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target, int useMmx);
