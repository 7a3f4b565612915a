#include "director/roto_zoom.h"

#include <cmath>

namespace {

constexpr int kTexSide = 256;
constexpr int kFeedbackSide = 200;
constexpr size_t kFeedbackStart = 16731;  // 65 × 256 + 91
constexpr int kFeedbackColumn = 92;

}  // namespace

RotoSteps RotoZoomSteps(float phase, float zoom) {
  double a = phase * 0.02453125;
  // A quarter turn written as 1.571, not π/2: the row step keeps a sliver of
  // the column direction.
  double aRow = a + 1.571;
  return {int32_t(std::cos(a) * zoom), int32_t(std::sin(a) * zoom), int32_t(std::cos(aRow) * zoom),
          int32_t(std::sin(aRow) * zoom)};
}

void DrawRotoZoom(float phase, float zoom, RenderTarget& target, const PcxImage& texture) {
  if (texture.width != kTexSide || texture.pixels.size() < size_t(kTexSide * kTexSide)) return;
  const RotoSteps s = RotoZoomSteps(phase, zoom);
  const int32_t u0 = -256 * (s.du + s.duRow), v0 = -256 * (s.dv + s.dvRow);
  const uint32_t* tex = texture.pixels.data();
  uint32_t* band = target.pixels + size_t(kZoomBandTop) * kFrameWidth;
  for (int by = 0; by < kZoomBandRows; by += kZoomBlock)
    for (int bx = 0; bx < kFrameWidth; bx += kZoomBlock)
      for (int r = by; r < by + kZoomBlock; ++r) {
        // The step is added before the texel is read: column c samples at c + 1.
        int32_t u = u0 + r * s.duRow + bx * s.du, v = v0 + r * s.dvRow + bx * s.dv;
        uint32_t* row = band + size_t(r) * kFrameWidth;
        for (int c = bx; c < bx + kZoomBlock; ++c) {
          u += s.du;
          v += s.dv;
          uint32_t t = tex[size_t((v >> 8) & 255) * kTexSide + size_t((u >> 8) & 255)];
          row[c] = ((t >> 1) & 0x7F7F7Fu) + ((row[c] >> 1) & 0x7F7F7Fu);
        }
      }
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
