#include "director/landscape.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

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
      // Farther samples are lighter.
      uint32_t p = colours[cell];
      uint32_t red = std::min<uint32_t>(255, (p >> 16 & 255) + uint32_t(s));
      uint32_t green = std::min<uint32_t>(255, (p >> 8 & 255) + uint32_t(s));
      uint32_t blue = std::min<uint32_t>(255, (p & 255) + uint32_t(s));
      uint32_t colour = (p & 0xFF000000u) | red << 16 | green << 8 | blue;
      for (int32_t v = sy; v < bottom; ++v) {
        column[size_t(v) * kFrameWidth] = colour;
        if (pair) column[size_t(v) * kFrameWidth + 1] = colour;
      }
      bottom = sy;
    }
  }
}


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

void BuildLandscape(Landscape& land, const std::string& heightFile, host::WindowSystem& windows,
                    host::HWND owner) {
  BuildDirectionTables(land);
  land.depthOffsets.assign(kLandSteps + 1, 0);
  for (int s = 1; s <= kLandSteps; ++s) land.depthOffsets[size_t(s)] = int32_t(4096.0 / s + 5);
  LoadPCXIndexed(heightFile, land.heightMap, windows, owner);
  land.eyeHeight = 256;
}

void DrawLandscape(const Landscape& land, int32_t x, int32_t y, int32_t heading, const PcxImage& colourMap,
                   RenderTarget& target) {
  const size_t cells = size_t(kMapSide) * kMapSide;
  if (land.dirX.size() < size_t(kLandDirections) || land.dirY.size() < size_t(kLandDirections) ||
      land.depthOffsets.size() <= size_t(kLandSteps) || land.heightMap.width != kMapSide ||
      land.heightMap.values.size() < cells || colourMap.width != kMapSide || colourMap.pixels.size() < cells)
    return;
  uint32_t* frame = target.pixels;
  for (int r = 0; r < kLandSkyRows; ++r) std::fill_n(frame + size_t(r) * kFrameWidth, kLandColumns, kSky);
  if (land.eyeHeight > -kReciprocalEyes && land.eyeHeight < kReciprocalEyes)
    DrawColumns<true>(land, x, y, heading, colourMap, frame);
  else
    DrawColumns<false>(land, x, y, heading, colourMap, frame);
}


