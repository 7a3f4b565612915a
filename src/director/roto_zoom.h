// A rotating, zoomed, endlessly tiled 256 × 256 texture blended over the
// middle band of the frame, and the feedback that writes part of the
// finished frame back into the texture, smeared sideways, so the next frame
// turns and multiplies whatever was on screen.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kZoomBandTop = 65;      // the band is rows 65 to 320
constexpr int kZoomBandRows = 256;
constexpr int kZoomBlock = 8;         // the band is walked in 8 × 8 blocks
// The feedback writes as far as this pixel of the texture's block, beyond
// the 256 rows that are sampled.
constexpr size_t kFeedbackPixels = 67876;

// The steps of one frame in 8.8 fixed point: (du, dv) per screen column,
// (duRow, dvRow) per screen row.
struct RotoSteps {
  int32_t du, dv, duRow, dvRow;
};
RotoSteps RotoZoomSteps(float phase, float zoom);

// `useMmx` takes the packed form (the plain walk where there is none): the
// same pixels.
void DrawRotoZoom(float phase, float zoom, RenderTarget& target, const PcxImage& texture, int useMmx);
void FeedBackIntoTexture(PcxImage& texture, const RenderTarget& target);
