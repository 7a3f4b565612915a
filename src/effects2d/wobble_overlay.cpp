#include "effects2d/wobble_overlay.h"

#include <cstdlib>

#include "base/pixels.h"

namespace {

constexpr int kMidColumn = kWobbleWidth / 2;  // 109
constexpr int kMidRow = kWobbleHeight / 2;    // 192
constexpr int kMask = kWobbleDirections - 1;

// One row of the picture, its columns shifted, half over the frame's row.
// The three never overlap, and saying so lets the loop be vectorised.
void BlendRow(uint32_t* __restrict out, const uint32_t* __restrict in, const int32_t* __restrict shift) {
  for (int x = 0; x < kWobbleWidth; ++x) out[x] = HalfBlend(in[x + shift[x]], out[x]);
}

}  // namespace

void DrawWobbleOverlay(WobbleOverlay& o, const PcxImage& picture, std::span<const int32_t> cosine,
                       std::span<const int32_t> sine, RenderTarget& target) {
  if (picture.width != kWobbleWidth || picture.height != kWobbleHeight ||
      picture.pixels.size() < size_t(kWobbleWidth * kWobbleHeight) ||
      cosine.size() < size_t(kWobbleDirections) || sine.size() < size_t(kWobbleDirections) ||
      o.columnShift.size() < size_t(kWobbleWidth))
    return;
  const int32_t q0 = o.p0, q1 = o.p1, q2 = o.p2, q3 = o.p3;
  // The sway is strongest in the middle and falls to nothing at the edges,
  // which keeps every source pixel inside the picture.
  int32_t* shift = o.columnShift.data();
  for (int k = 0; k < kWobbleWidth; ++k) {
    int e = kMidColumn - k;
    o.p2 += 3;
    o.p0 += 1;
    shift[k] = ((kMidColumn - std::abs(e)) * (cosine[o.p2 & kMask] + sine[o.p0 & kMask])) >> 11;
  }
  const uint32_t* src = picture.pixels.data();
  for (int r = 0; r < kWobbleHeight; ++r) {
    int e = kMidRow - r;
    int rowShift = ((kMidRow - std::abs(e)) * (sine[o.p3 & kMask] + cosine[o.p1 & kMask])) >> 11;
    BlendRow(target.pixels + r * kFrameWidth + kWobbleLeft, src + kWobbleWidth * (r + rowShift), shift);
    o.p1 += 1;
    o.p3 += 2;
  }
  // From frame to frame the waves travel by these steps, whatever the loops added.
  o.p0 = q0 + 20;
  o.p1 = q1 + 16;
  o.p2 = q2 + 14;
  o.p3 = q3 + 30;
}
