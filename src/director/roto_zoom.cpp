#include "director/roto_zoom.h"

#include <cmath>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kTexSide = 256;
constexpr int kFeedbackSide = 200;
constexpr size_t kFeedbackStart = 16731;  // 65 × 256 + 91
constexpr int kFeedbackColumn = 92;

bool Usable(const PcxImage& texture) {
  return texture.width == kTexSide && texture.pixels.size() >= size_t(kTexSide * kTexSide);
}

}  // namespace

RotoSteps RotoZoomSteps(float phase, float zoom) {
  double a = phase * 0.02453125;
  // A quarter turn written as 1.571, not π/2: the row step keeps a sliver of
  // the column direction.
  double aRow = a + 1.571;
  return {int32_t(std::cos(a) * zoom), int32_t(std::sin(a) * zoom), int32_t(std::cos(aRow) * zoom),
          int32_t(std::sin(aRow) * zoom)};
}

namespace {

void DrawRotoZoomPlain(const RotoSteps& s, const uint32_t* tex, uint32_t* band) {
  const int32_t u0 = -256 * (s.du + s.duRow), v0 = -256 * (s.dv + s.dvRow);
  for (int by = 0; by < kZoomBandRows; by += kZoomBlock)
    for (int bx = 0; bx < kFrameWidth; bx += kZoomBlock)
      for (int r = by; r < by + kZoomBlock; ++r) {
        // The step is added before the texel is read: column c samples at c + 1.
        int32_t u = u0 + r * s.duRow + bx * s.du, v = v0 + r * s.dvRow + bx * s.dv;
        uint32_t* row = band + size_t(r) * kFrameWidth;
        for (int c = bx; c < bx + kZoomBlock; ++c) {
          u += s.du;
          v += s.dv;
          row[c] = HalfBlend(tex[size_t((v >> 8) & 255) * kTexSide + size_t((u >> 8) & 255)], row[c]);
        }
      }
}

#if DORSEL_PACKED
// The packed zoom, a row at a time (every pixel's texel hangs on its own
// place only, so the blocks need not be kept): u and v of four pixels a
// register, their texel places, the eight fetches one by one, and the half
// blend of four pixels a register. Pixel c of row r samples at
// u0 + r × duRow + (c + 1) × du, as the plain walk's adds come to.
void DrawRotoZoomPacked(const RotoSteps& s, const uint32_t* tex, uint32_t* band) {
  const int32_t u0 = -256 * (s.du + s.duRow), v0 = -256 * (s.dv + s.dvRow);
  auto times = [](int32_t d) { return _mm_setr_epi32(d, 2 * d, 3 * d, 4 * d); };
  const __m128i uFirst = times(s.du), vFirst = times(s.dv);
  const __m128i uFour = _mm_set1_epi32(4 * s.du), vFour = _mm_set1_epi32(4 * s.dv);
  const __m128i row = _mm_set1_epi32(0xFF00), column = _mm_set1_epi32(0xFF);
  for (int r = 0; r < kZoomBandRows; ++r) {
    __m128i u = _mm_add_epi32(_mm_set1_epi32(u0 + r * s.duRow), uFirst);
    __m128i v = _mm_add_epi32(_mm_set1_epi32(v0 + r * s.dvRow), vFirst);
    uint32_t* out = band + size_t(r) * kFrameWidth;
    for (int c = 0; c < kFrameWidth; c += 4) {
      alignas(16) uint32_t at[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at),
                      _mm_or_si128(_mm_and_si128(v, row), _mm_and_si128(_mm_srli_epi32(u, 8), column)));
      u = _mm_add_epi32(u, uFour);
      v = _mm_add_epi32(v, vFour);
      __m128i t = _mm_setr_epi32(int32_t(tex[at[0]]), int32_t(tex[at[1]]), int32_t(tex[at[2]]), int32_t(tex[at[3]]));
      __m128i* dst = reinterpret_cast<__m128i*>(out + c);
      _mm_storeu_si128(dst, HalfBlend4(t, _mm_loadu_si128(dst)));
    }
  }
}
#endif

}  // namespace

void DrawRotoZoom(float phase, float zoom, RenderTarget& target, const PcxImage& texture,
                  [[maybe_unused]] int useMmx) {
  if (!Usable(texture)) return;
  const RotoSteps s = RotoZoomSteps(phase, zoom);
  const uint32_t* tex = texture.pixels.data();
  uint32_t* band = target.pixels + size_t(kZoomBandTop) * kFrameWidth;
#if DORSEL_PACKED
  if (useMmx) return DrawRotoZoomPacked(s, tex, band);
#endif
  DrawRotoZoomPlain(s, tex, band);
}

void FeedBackIntoTexture(PcxImage& texture, const RenderTarget& target) {
  if (texture.pixels.size() < kFeedbackPixels) return;
  uint32_t* tex = texture.pixels.data();
  for (int j = 0; j < kFeedbackSide; ++j) {
    const uint32_t* screen = target.pixels + size_t(kZoomBandTop + j) * kFrameWidth + kFeedbackColumn;
    size_t s = kFeedbackStart + size_t(j) * kTexSide;
    // Each texel written is read as the next one's left neighbour: a running
    // average along the row. The texture is addressed as one line, so a row
    // past column 255 goes on at the start of the next texture row.
    for (int i = 0; i < kFeedbackSide; ++i, ++s)
      tex[s + 1] = ((tex[s] & 0xFEFEFEu) >> 1) + ((screen[i] & 0xFEFEFEu) >> 1);
  }
}
