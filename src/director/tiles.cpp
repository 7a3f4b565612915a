#include "director/tiles.h"

#include <algorithm>
#include <cstdlib>

#include "director/blends.h"

namespace {

constexpr int kMiddleRow = 192;
constexpr int32_t kScrollStep = 4;

bool IsTile(const PcxImage& tile) {
  return tile.width == kTileSize && tile.height >= kTileSize &&
         tile.pixels.size() >= size_t(kTileSize * kTileSize);
}

// Calls draw(frame pixel, tile pixel, screen row) for every non-black tile
// pixel on screen rows 1 to 383 and inside the frame's columns.
template <class Draw>
void ForTilePixels(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target, Draw draw) {
  if (!IsTile(tile)) return;
  int c0 = std::clamp(-x, 0, kTileSize), c1 = std::clamp(kFrameWidth - x, 0, kTileSize);
  for (int r = 0; r < kTileSize; ++r) {
    int32_t v = y + r;
    // Row 0 of the screen is never drawn.
    if (v <= 0 || v >= kFrameHeight) continue;
    const uint32_t* src = tile.pixels.data() + size_t(r) * kTileSize;
    uint32_t* row = target.pixels + size_t(v) * kFrameWidth;
    for (int c = c0; c < c1; ++c)
      if (uint32_t p = src[c]) draw(row[x + c], p, v);
  }
}

}  // namespace

void DrawTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target) {
  ForTilePixels(x, y, tile, target, [](uint32_t& f, uint32_t p, int32_t) { f = p; });
}

void DrawFadedTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target) {
  ForTilePixels(x, y, tile, target, [](uint32_t& f, uint32_t p, int32_t v) {
    uint32_t d = uint32_t(std::abs(v - kMiddleRow)), w = uint32_t(kMiddleRow) - d;
    f = WeightedBlend(f, d, p, w);
  });
}

void ScrollTilesDown(TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target) {
  for (int32_t k : {-80, 0, 80, 160, 240, 320}) DrawFadedTile(x, k + columns.tileScroll, tile, target);
  columns.tileScroll += kScrollStep;
  if (columns.tileScroll > kTileSize) columns.tileScroll = 0;
}

void ScrollTilesUp(const TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target) {
  for (int32_t k : {400, 320, 240, 160, 80, 0}) DrawFadedTile(x, k - columns.tileScroll, tile, target);
}
