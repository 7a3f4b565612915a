#include "effects2d/wobble_overlay.h"

#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMidColumn = kWobbleWidth / 2;  // 109
constexpr int kMidRow = kWobbleHeight / 2;    // 192
constexpr int kMask = kWobbleDirections - 1;

uint32_t HalfBlend(uint32_t a, uint32_t b) { return ((a >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F); }

// The row loop, with `blendRow(out, in, shift)` laying one row.
template <typename BlendRow>
void Draw(WobbleOverlay& o, const PcxImage& picture, std::span<const int32_t> cosine, std::span<const int32_t> sine,
          RenderTarget& target, BlendRow blendRow) {
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
    blendRow(target.pixels + r * kFrameWidth + kWobbleLeft, src + kWobbleWidth * (r + rowShift), shift);
    o.p1 += 1;
    o.p3 += 2;
  }
  // From frame to frame the waves travel by these steps, whatever the loops added.
  o.p0 = q0 + 20;
  o.p1 = q1 + 16;
  o.p2 = q2 + 14;
  o.p3 = q3 + 30;
}

void BlendRow(uint32_t* out, const uint32_t* in, const int32_t* shift) {
  for (int x = 0; x < kWobbleWidth; ++x) out[x] = HalfBlend(in[x + shift[x]], out[x]);
}

#if defined(__SSE2__)
// Four pixels a register: the shifted reads one by one, the half blend
// packed.
void BlendRowPacked(uint32_t* out, const uint32_t* in, const int32_t* shift) {
  const __m128i half = _mm_set1_epi32(0x7F7F7F);
  int x = 0;
  for (; x + 4 <= kWobbleWidth; x += 4) {
    __m128i picture = _mm_setr_epi32(int32_t(in[x + shift[x]]), int32_t(in[x + 1 + shift[x + 1]]),
                                     int32_t(in[x + 2 + shift[x + 2]]), int32_t(in[x + 3 + shift[x + 3]]));
    __m128i* at = reinterpret_cast<__m128i*>(out + x);
    __m128i frame = _mm_loadu_si128(at);
    _mm_storeu_si128(at, _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(picture, 1), half),
                                       _mm_and_si128(_mm_srli_epi32(frame, 1), half)));
  }
  for (; x < kWobbleWidth; ++x) out[x] = HalfBlend(in[x + shift[x]], out[x]);
}
#endif

}  // namespace

void DrawWobbleOverlay(WobbleOverlay& o, const PcxImage& picture, std::span<const int32_t> cosine,
                       std::span<const int32_t> sine, RenderTarget& target) {
  Draw(o, picture, cosine, sine, target, BlendRow);
}

void DrawWobbleOverlay(WobbleOverlay& o, const PcxImage& picture, std::span<const int32_t> cosine,
                       std::span<const int32_t> sine, RenderTarget& target, int useMmx) {
#if defined(__SSE2__)
  if (useMmx) return Draw(o, picture, cosine, sine, target, BlendRowPacked);
#else
  (void)useMmx;
#endif
  DrawWobbleOverlay(o, picture, cosine, sine, target);
}
