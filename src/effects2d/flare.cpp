#include "effects2d/flare.h"

#include <cmath>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr float kFocal = 256;
constexpr float kHalfSide = 60;  // the flare is 120 world units across
constexpr int kCentreX = kFrameWidth / 2, kCentreY = kFrameHeight / 2;
// Projected edges beyond this are far off screen; converting them would not
// fit an int.
constexpr float kFarEdge = 1 << 20;

bool Project(float v, float z, int centre, int& edge) {
  float p = v * kFocal / z;
  if (!(std::fabs(p) < kFarEdge)) return false;
  edge = int(p) + centre;
  return true;
}

// One row of the sprite added onto the frame: dst[px] += src[steps[px - left]].
void AddRow(uint32_t* dst, const uint32_t* src, const int32_t* steps, int left, int x0, int right) {
  for (int px = x0; px < right; ++px) dst[px] = AddSaturated(dst[px], src[steps[px - left] & 63]);
}

#if DORSEL_PACKED
// The same row four pixels at a time: the texels are fetched one by one
// through the table and added with saturating bytes. The top bytes are
// cleared as the plain sum does.
void AddRowPacked(uint32_t* dst, const uint32_t* src, const int32_t* steps, int left, int x0, int right) {
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  int px = x0;
  for (; px + 4 <= right; px += 4) {
    const int32_t* k = steps + (px - left);
    __m128i texels = _mm_set_epi32(int(src[k[3] & 63]), int(src[k[2] & 63]), int(src[k[1] & 63]),
                                   int(src[k[0] & 63]));
    __m128i* at = reinterpret_cast<__m128i*>(dst + px);
    __m128i sum = _mm_adds_epu8(_mm_loadu_si128(at), texels);
    _mm_storeu_si128(at, _mm_and_si128(sum, colour));
  }
  AddRow(dst, src, steps, left, px, right);
}
#endif

}  // namespace

int InitFlareSprite(FlareSprite& flare, PictureErrors& errors) {
  flare.steps.assign(kFlareStepEntries, 0);
  return LoadPCX("flare.pcx", flare.image, errors);
}

void DrawFlare(FlareSprite& flare, float x, float y, float z, RenderTarget& target, [[maybe_unused]] int useMmx) {
  auto addRow = AddRow;
#if DORSEL_PACKED
  if (useMmx) addRow = AddRowPacked;
#endif
  if (!(z > 0)) return;
  const PcxImage& img = flare.image;
  if (img.width != kFlareSide || img.pixels.size() < size_t(kFlareSide * kFlareSide)) return;
  int left, top, right, bottom;
  if (!Project(x - kHalfSide, z, kCentreX, left) || !Project(y - kHalfSide, z, kCentreY, top) ||
      !Project(x + kHalfSide, z, kCentreX, right) || !Project(y + kHalfSide, z, kCentreY, bottom))
    return;
  int size = right - left;
  if (left > kFrameWidth || top > kFrameHeight || right < 0 || bottom < 0 || size < 1) return;
  // A draw needs size + 1 entries.
  if (size + 1 > int(flare.steps.size())) return;

  int32_t* steps = flare.steps.data();
  int step = 16384 / size;
  for (int k = 0; k < size; ++k) steps[k] = (k * step) >> 8;
  steps[size] = 0;

  // The same table serves rows and columns, so a clipped edge skips its
  // table positions and the visible part keeps its texels.
  if (right > kFrameWidth) right = kFrameWidth;
  if (bottom > kFrameHeight) bottom = kFrameHeight;
  int x0 = left < 0 ? 0 : left;
  int y0 = top < 0 ? 0 : top;
  // bottom - top may exceed size by one; that row reads the table's last
  // entry, 0, as the original did.
  if (bottom - top > size + 1) bottom = top + size + 1;
  for (int py = y0; py < bottom; ++py) {
    const uint32_t* src = img.pixels.data() + (steps[py - top] & 63) * kFlareSide;
    uint32_t* dst = target.pixels + py * kFrameWidth;
    addRow(dst, src, steps, left, x0, right);
  }
}
