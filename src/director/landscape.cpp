#include "director/landscape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kMapSide = 256;
constexpr uint32_t kSky = 0xFFFFFFFFu;  // white, its top byte set too
constexpr int kLastRow = 383;

// Division by a step s (1..254) as a multiply: with m = floor(2^32 / s) + 1,
// (a × m) >> 32 is a / s rounded down for every 0 <= a < 2^32 / s, as the
// multiply's excess, a × (m × s − 2^32) / (s × 2^32) < a / 2^32, stays below
// the 1 / s that a / s's fraction has left to a whole number.
constexpr std::array<uint64_t, kLandSteps + 1> kStepReciprocals = [] {
  std::array<uint64_t, kLandSteps + 1> m{};
  for (int s = 1; s <= kLandSteps; ++s) m[size_t(s)] = (uint64_t(1) << 32) / uint64_t(s) + 1;
  return m;
}();
// |eye − height| × 128 stays below 2^32 / 254 for eyes this close to the
// map's heights; the rest divide.
constexpr int32_t kReciprocalEyes = 130000;

// n / s rounded toward zero, as the division gives it.
template <bool kByMultiply>
int32_t DivideByStep(int32_t n, int32_t s) {
  if constexpr (kByMultiply) {
    uint64_t a = uint64_t(std::abs(int64_t(n)));
    int32_t q = int32_t((a * kStepReciprocals[size_t(s)]) >> 32);
    return n < 0 ? -q : q;
  } else {
    return n / s;
  }
}

// Farther samples are lighter.
uint32_t Lighter(uint32_t p, int32_t s) {
  uint32_t red = std::min<uint32_t>(255, (p >> 16 & 255) + uint32_t(s));
  uint32_t green = std::min<uint32_t>(255, (p >> 8 & 255) + uint32_t(s));
  uint32_t blue = std::min<uint32_t>(255, (p & 255) + uint32_t(s));
  return (p & 0xFF000000u) | red << 16 | green << 8 | blue;
}

// Rows [top, bottom) of a column, and of its right-hand neighbour with `pair`.
void PaintSpan(uint32_t* column, bool pair, int32_t top, int32_t bottom, uint32_t colour) {
  for (int32_t v = top; v < bottom; ++v) {
    column[size_t(v) * kFrameWidth] = colour;
    if (pair) column[size_t(v) * kFrameWidth + 1] = colour;
  }
}

template <bool kByMultiply>
void DrawColumns(const Landscape& land, int32_t x, int32_t y, int32_t heading, const PcxImage& colourMap,
                 uint32_t* frame) {
  const uint8_t* heights = land.heightMap.values.data();
  const uint32_t* colours = colourMap.pixels.data();
  // Two neighbouring columns share a ray (148 directions span the view), so
  // each ray is walked once and its colours go into both columns.
  for (int c = 0; c < kLandColumns; c += 2) {
    int32_t d = ((c >> 1) + heading) & (kLandDirections - 1);
    int32_t dx = land.dirX[size_t(d)], dy = land.dirY[size_t(d)];
    int32_t px = x, py = y;
    int32_t bottom = kLastRow;
    uint32_t* column = frame + c;
    const bool pair = c + 1 < kLandColumns;
    // Once the column is filled to the top, nothing farther can show.
    for (int32_t s = 1; s <= kLandSteps && bottom > 0; ++s) {
      px += dx;
      py += dy;
      size_t cell = size_t((px >> 8) & 255) + size_t((py >> 8) & 255) * kMapSide;
      int32_t h = heights[cell];
      int32_t sy = DivideByStep<kByMultiply>((land.eyeHeight - h) * 128, s) + land.depthOffsets[size_t(s)];
      if (sy >= bottom) continue;  // hidden behind what the column already shows
      // An eye below the ground would project above the frame's top.
      sy = std::max(sy, 0);
      PaintSpan(column, pair, sy, bottom, Lighter(colours[cell], s));
      bottom = sy;
    }
  }
}

#if DORSEL_PACKED
// Eyes at or above the highest ground keep eye − height at 0 or more, which
// the packed walk's unsigned multiply needs.
constexpr int32_t kLowestPackedEye = 255;
constexpr int kRaysTogether = 4;
static_assert((kLandColumns / 2) % kRaysTogether == 0);

// The packed walk: four neighbouring rays step out side by side, one lane
// each, with their cells, heights and projections in registers and the
// division by the step as the same reciprocal multiply (its high half, two
// lanes a multiply). Only the samples that show are painted, lane by lane,
// as the plain walk paints them.
void DrawColumnsPacked(const Landscape& land, int32_t x, int32_t y, int32_t heading, const PcxImage& colourMap,
                       uint32_t* frame) {
  const uint8_t* heights = land.heightMap.values.data();
  const uint32_t* colours = colourMap.pixels.data();
  const __m128i zero = _mm_setzero_si128(), byte = _mm_set1_epi32(255), rowByte = _mm_set1_epi32(0xFF00);
  const __m128i eye = _mm_set1_epi32(land.eyeHeight);
  for (int c = 0; c < kLandColumns; c += 2 * kRaysTogether) {
    alignas(16) int32_t dxs[kRaysTogether], dys[kRaysTogether];
    for (int k = 0; k < kRaysTogether; ++k) {
      int32_t d = ((c >> 1) + k + heading) & (kLandDirections - 1);
      dxs[k] = land.dirX[size_t(d)], dys[k] = land.dirY[size_t(d)];
    }
    const __m128i dx = _mm_load_si128(reinterpret_cast<const __m128i*>(dxs));
    const __m128i dy = _mm_load_si128(reinterpret_cast<const __m128i*>(dys));
    __m128i px = _mm_set1_epi32(x), py = _mm_set1_epi32(y), bottom = _mm_set1_epi32(kLastRow);
    for (int32_t s = 1; s <= kLandSteps; ++s) {
      px = _mm_add_epi32(px, dx);
      py = _mm_add_epi32(py, dy);
      // ((px >> 8) & 255) + ((py >> 8) & 255) × 256
      __m128i cell = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(px, 8), byte), _mm_and_si128(py, rowByte));
      alignas(16) uint32_t cells[kRaysTogether];
      _mm_store_si128(reinterpret_cast<__m128i*>(cells), cell);
      __m128i h = _mm_setr_epi32(heights[cells[0]], heights[cells[1]], heights[cells[2]], heights[cells[3]]);
      __m128i n = _mm_slli_epi32(_mm_sub_epi32(eye, h), 7);
      __m128i q = n;  // n / 1
      if (s > 1) {    // floor(2^32 / s) + 1 fits 32 bits from s = 2 on
        const __m128i m = _mm_set1_epi32(int32_t(uint32_t(kStepReciprocals[size_t(s)])));
        __m128i even = _mm_mul_epu32(n, m), odd = _mm_mul_epu32(_mm_srli_epi64(n, 32), m);
        q = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(3, 1, 3, 1)),
                               _mm_shuffle_epi32(odd, _MM_SHUFFLE(3, 1, 3, 1)));
      }
      __m128i sy = _mm_add_epi32(q, _mm_set1_epi32(land.depthOffsets[size_t(s)]));
      // Shown where it rises above what the column already shows, while
      // the column is not yet filled to the top.
      __m128i shows = _mm_and_si128(_mm_cmpgt_epi32(bottom, sy), _mm_cmpgt_epi32(bottom, zero));
      int lanes = _mm_movemask_ps(_mm_castsi128_ps(shows));
      if (lanes == 0) continue;
      __m128i top = _mm_andnot_si128(_mm_srai_epi32(sy, 31), sy);  // above the frame's top: from row 0
      alignas(16) int32_t tops[kRaysTogether], bottoms[kRaysTogether];
      _mm_store_si128(reinterpret_cast<__m128i*>(tops), top);
      _mm_store_si128(reinterpret_cast<__m128i*>(bottoms), bottom);
      for (int k = 0; k < kRaysTogether; ++k) {
        if (!(lanes >> k & 1)) continue;
        int column = c + 2 * k;
        PaintSpan(frame + column, column + 1 < kLandColumns, tops[k], bottoms[k], Lighter(colours[cells[k]], s));
      }
      bottom = _mm_or_si128(_mm_and_si128(shows, top), _mm_andnot_si128(shows, bottom));
    }
  }
}
#endif

}  // namespace

void BuildDirectionTables(Landscape& land) {
  land.dirX.resize(kLandDirections);
  land.dirY.resize(kLandDirections);
  for (int i = 0; i < kLandDirections; ++i) {
    double a = i * 0.0030679615758688787;  // 2π / 2048
    land.dirX[i] = int32_t(256 * std::cos(a));
    land.dirY[i] = int32_t(256 * std::sin(a));
  }
}

void BuildLandscape(Landscape& land, const std::string& heightFile, PictureErrors& errors) {
  BuildDirectionTables(land);
  land.depthOffsets.assign(kLandSteps + 1, 0);
  for (int s = 1; s <= kLandSteps; ++s) land.depthOffsets[size_t(s)] = int32_t(4096.0 / s + 5);
  LoadPCXIndexed(heightFile, land.heightMap, errors);
  land.eyeHeight = 256;
}

void DrawLandscape(const Landscape& land, int32_t x, int32_t y, int32_t heading, const PcxImage& colourMap,
                   RenderTarget& target, [[maybe_unused]] int useMmx) {
  const size_t cells = size_t(kMapSide) * kMapSide;
  if (land.dirX.size() < size_t(kLandDirections) || land.dirY.size() < size_t(kLandDirections) ||
      land.depthOffsets.size() <= size_t(kLandSteps) || land.heightMap.width != kMapSide ||
      land.heightMap.values.size() < cells || colourMap.width != kMapSide || colourMap.pixels.size() < cells)
    return;
  uint32_t* frame = target.pixels;
  for (int r = 0; r < kLandSkyRows; ++r) std::fill_n(frame + size_t(r) * kFrameWidth, kLandColumns, kSky);
#if DORSEL_PACKED
  if (useMmx && land.eyeHeight >= kLowestPackedEye && land.eyeHeight < kReciprocalEyes)
    return DrawColumnsPacked(land, x, y, heading, colourMap, frame);
#endif
  if (land.eyeHeight > -kReciprocalEyes && land.eyeHeight < kReciprocalEyes)
    DrawColumns<true>(land, x, y, heading, colourMap, frame);
  else
    DrawColumns<false>(land, x, y, heading, colourMap, frame);
}
