#include "director/tiles.h"

#include <algorithm>
#include <cstdlib>

#include "director/blends.h"
#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kMiddleRow = 192;
constexpr int32_t kScrollStep = 4;

bool IsTile(const PcxImage& tile) {
  return tile.width == kTileSize && tile.height >= kTileSize &&
         tile.pixels.size() >= size_t(kTileSize * kTileSize);
}

// Calls drawRow(tile row, frame row at the tile's column 0, first and end
// column, screen row) for every tile row on screen rows 1 to 383, with the
// columns cut to the frame's.
template <class DrawRow>
void ForTileRows(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target, DrawRow drawRow) {
  if (!IsTile(tile)) return;
  int c0 = std::clamp(-x, 0, kTileSize), c1 = std::clamp(kFrameWidth - x, 0, kTileSize);
  for (int r = 0; r < kTileSize; ++r) {
    int32_t v = y + r;
    // Row 0 of the screen is never drawn.
    if (v <= 0 || v >= kFrameHeight) continue;
    const uint32_t* src = tile.pixels.data() + size_t(r) * kTileSize;
    uint32_t* row = target.pixels + size_t(v) * kFrameWidth + x;
    drawRow(src, row, c0, c1, v);
  }
}

// The row's weights: the frame by the distance d from the middle row, the
// tile by 192 − d.
uint32_t FrameWeight(int32_t v) { return uint32_t(std::abs(v - kMiddleRow)); }

}  // namespace

void DrawTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target) {
  ForTileRows(x, y, tile, target, [](const uint32_t* src, uint32_t* row, int c0, int c1, int32_t) {
    for (int c = c0; c < c1; ++c)
      if (uint32_t p = src[c]) row[c] = p;
  });
}

void DrawFadedTile(int32_t x, int32_t y, const PcxImage& tile, RenderTarget& target, [[maybe_unused]] int useMmx) {
  ForTileRows(x, y, tile, target, [&](const uint32_t* src, uint32_t* row, int c0, int c1, int32_t v) {
    uint32_t d = FrameWeight(v), w = uint32_t(kMiddleRow) - d;
    int c = c0;
#if DORSEL_PACKED
    // Four pixels at a time, blended whole; where the tile pixel is 0 the
    // frame pixel is kept.
    if (useMmx)
      for (const __m128i frameWeight = ChannelWeights(d), tileWeight = ChannelWeights(w); c + 4 <= c1; c += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(row + c);
        __m128i f = _mm_loadu_si128(at), p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + c));
        __m128i keep = _mm_cmpeq_epi32(p, _mm_setzero_si128());
        __m128i blended = WeightedBlend4(f, frameWeight, p, tileWeight);
        _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(keep, f), _mm_andnot_si128(keep, blended)));
      }
#endif
    for (; c < c1; ++c)
      if (uint32_t p = src[c]) row[c] = WeightedBlend(row[c], d, p, w);
  });
}

void ScrollTilesDown(TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target, int useMmx) {
  for (int32_t k : {-80, 0, 80, 160, 240, 320}) DrawFadedTile(x, k + columns.tileScroll, tile, target, useMmx);
  columns.tileScroll += kScrollStep;
  if (columns.tileScroll > kTileSize) columns.tileScroll = 0;
}

void ScrollTilesUp(const TileColumns& columns, int32_t x, const PcxImage& tile, RenderTarget& target, int useMmx) {
  for (int32_t k : {400, 320, 240, 160, 80, 0}) DrawFadedTile(x, k - columns.tileScroll, tile, target, useMmx);
}
