#include "effects2d/bump_lights.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kPixels = kFrameWidth * kFrameHeight;
// The spots bounce between 0 and their limit at these speeds.
constexpr double kBounceSpeed[4] = {2.8, 2.6, 1.4, 3.4};
constexpr double kBounceLimit[4] = {100, 20, 5, 20};
constexpr double kTurnRate[4] = {0.5, 0.03, 0.06, 0.08};

bool Usable(const BumpLights& b) {
  return b.colour.width == kFrameWidth && b.colour.height == kFrameHeight &&
         b.colour.pixels.size() >= size_t(kPixels) && b.height.width == kFrameWidth &&
         b.height.height == kFrameHeight && b.height.values.size() >= size_t(kPixels) &&
         b.spot.size() == size_t(kSpotSide * kSpotSide);
}

// A texel channel lit by spot brightness L: a channel of 192 reaches four
// times L.
uint32_t Lit(uint32_t channel, uint32_t l) {
  uint32_t v = l + ((channel * l) >> 6);
  return v > 255 ? 255 : v;
}

// The columns [x0, x1) of source row y where any of the three spots can
// land, from the row's slope ranges; outside them every brightness is 0.
// Light k lands at (base x + gx − x, base y + gy − y), inside the table for
// 0 … 254 on both axes.
void RowReach(const BumpLights& b, int y, int& x0, int& x1) {
  const RowSlopes& s = b.slopes[size_t(y)];
  x0 = kFrameWidth, x1 = 0;
  for (int light = 1; light <= 3; ++light) {
    int baseX = b.centreX + b.offset[light].x, baseY = b.centreY + b.offset[light].y - y;
    if (baseY + s.gyMax < 0 || baseY + s.gyMin > kSpotSide - 2) continue;
    x0 = std::min(x0, std::max(0, baseX + s.gxMin - (kSpotSide - 2)));
    x1 = std::max(x1, std::min(kFrameWidth, baseX + s.gxMax + 1));
  }
}

// A pixel that no spot reaches: black drawn opaquely, and blended the old
// pixel's channels times (255 − level) / 256.
uint32_t Unlit(uint32_t old, uint32_t level) {
  uint32_t mixed = 0;
  for (int k = 0; k < 3; ++k) mixed |= ((old >> (16 - 8 * k) & 0xFF) * (255 - level) >> 8) << (16 - 8 * k);
  return mixed;
}

void MoveLights(BumpLights& b, double dt) {
  double a0 = b.amplitude[0], s0 = std::sin(b.angle[0]), c0 = std::cos(b.angle[0]);
  b.centreX = int32_t(a0 * s0) - int32_t(-90 * s0) + 384;
  b.centreY = int32_t(45 * c0) - int32_t(-0.5 * a0 * c0) + 320;
  for (int i = 1; i <= 3; ++i) {
    b.offset[i].x = int32_t(b.amplitude[i] * std::sin(b.angle[i]));
    b.offset[i].y = int32_t(b.amplitude[i] * std::cos(b.angle[i]));
  }
  for (int i = 0; i < 4; ++i) {
    b.amplitude[i] += dt * b.speed[i];
    b.angle[i] += kTurnRate[i] * dt;
  }
  for (int i = 0; i < 4; ++i) {
    if (b.amplitude[i] < 0) b.speed[i] = kBounceSpeed[i];
    if (b.amplitude[i] > kBounceLimit[i]) b.speed[i] = -kBounceSpeed[i];
  }
}

template <bool kOpaque>
void Fill(const BumpLights& b, uint32_t* frame) {
  const uint8_t* h = b.height.values.data();
  const uint32_t* colour = b.colour.pixels.data();
  const uint8_t* spot = b.spot.data();
  uint32_t level = uint32_t(b.level < 0 ? 0 : b.level);
  for (int y = 1; y <= kFrameHeight - 2; ++y) {
    uint32_t* out = frame + (y - 1) * kFrameWidth;
    int x0, x1;
    RowReach(b, y, x0, x1);
    for (int x = 0; x < kFrameWidth; ++x) {
      if (x < x0 || x >= x1) {
        out[x] = kOpaque ? 0u : Unlit(out[x], level);
        continue;
      }
      // Neighbours in flat order: the row's ends wrap onto the next rows.
      int i = y * kFrameWidth + x;
      int gx = int(h[i + 1]) - int(h[i - 1]);
      int gy = int(h[i + kFrameWidth]) - int(h[i - kFrameWidth]);
      uint32_t c = colour[i];
      uint32_t channel[3];
      for (int light = 1; light <= 3; ++light) {
        uint32_t lx = uint32_t(b.centreX + b.offset[light].x + gx - x);
        uint32_t ly = uint32_t(b.centreY + b.offset[light].y + gy - y);
        uint32_t texel = c >> (8 * (3 - light)) & 0xFF;
        channel[light - 1] = lx < 255 && ly < 255 ? Lit(texel, spot[ly * kSpotSide + lx]) : 0;
      }
      if constexpr (kOpaque) {
        out[x] = channel[0] << 16 | channel[1] << 8 | channel[2];
      } else {
        uint32_t old = out[x], mixed = 0;
        for (int k = 0; k < 3; ++k) {
          uint32_t o = old >> (16 - 8 * k) & 0xFF;
          uint32_t v = ((channel[k] * level) >> 8) + ((o * (255 - level)) >> 8);
          mixed |= v << (16 - 8 * k);
        }
        out[x] = mixed;
      }
    }
  }
}

#if DORSEL_PACKED
// The spot table inside a dark frame: places −1 and 255 on either axis give
// 0, as the plain fill's range test does, so a position clamped to −1 … 255
// needs no test of its own. Built afresh each frame from the record's table
// (66 KB, a few microseconds).
constexpr int kFramedSide = kSpotSide + 1;

void FrameSpot(const std::vector<uint8_t>& spot, std::vector<uint8_t>& framed) {
  framed.assign(size_t(kFramedSide) * kFramedSide, 0);
  for (int j = 0; j < kSpotSide - 1; ++j)
    std::memcpy(framed.data() + size_t(j + 1) * kFramedSide + 1, spot.data() + size_t(j) * kSpotSide,
                kSpotSide - 1);
}

// Eight bytes of the height map widened to eight 16-bit lanes.
__m128i Heights(const uint8_t* at) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
}

// The packed fill: eight pixels at a time. Slopes and light positions run in
// 16-bit lanes. Every value used fits: RowReach leaves only rows and columns
// a spot can land on, so there a light's base lies within −255 … 1021 and a
// position within a few hundred of the table. Positions are clamped into the
// framed table, whose place is
// (y + 1) × 257 + (x + 1), one multiply-add. The three spot brightnesses are
// fetched one by one and laid out as a pixel (red, green, blue), so the
// lighting L + (C × L >> 6), its saturation and the blend work on all
// channels of two pixels in one register of 16-bit lanes.
template <bool kOpaque>
void FillPacked(const BumpLights& b, const uint8_t* framed, uint32_t* frame) {
  const uint8_t* h = b.height.values.data();
  const uint32_t* colour = b.colour.pixels.data();
  int level = b.level < 0 ? 0 : b.level > 255 ? 255 : b.level;
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowest = _mm_set1_epi16(-1), highest = _mm_set1_epi16(kSpotSide - 1);
  const __m128i one = _mm_set1_epi16(1), edge = _mm_set1_epi16(0xFF);
  const __m128i place = _mm_set1_epi32(kFramedSide << 16 | 1);
  const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  const __m128i newWeight = ChannelWeights(uint32_t(level)), oldWeight = ChannelWeights(uint32_t(255 - level));
  // Four pixels: their colours lit by their spots (both as 32-bit pixels)
  // and put over what the frame holds.
  auto put = [&](uint32_t* out, __m128i c, __m128i l) {
    auto lit = [](__m128i c16, __m128i l16) { return _mm_add_epi16(l16, _mm_srli_epi16(_mm_mullo_epi16(c16, l16), 6)); };
    // packus limits each channel to 255, as min(255, …) does.
    __m128i lo = lit(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(l, zero));
    __m128i hi = lit(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(l, zero));
    __m128i* dst = reinterpret_cast<__m128i*>(out);
    __m128i lit8 = _mm_packus_epi16(lo, hi);  // the new pixels, saturated first
    if constexpr (kOpaque)
      _mm_storeu_si128(dst, lit8);
    else
      _mm_storeu_si128(dst, WeightedBlend4(lit8, newWeight, _mm_loadu_si128(dst), oldWeight));
  };
  auto unlit = [&](uint32_t* out) {
    __m128i* dst = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(dst, kOpaque ? zero : ScalePixels4(_mm_loadu_si128(dst), oldWeight));
  };
  for (int y = 1; y <= kFrameHeight - 2; ++y) {
    uint32_t* out = frame + (y - 1) * kFrameWidth;
    __m128i baseX[3], baseY[3];
    for (int light = 1; light <= 3; ++light) {
      baseX[light - 1] = _mm_set1_epi16(short(b.centreX + b.offset[light].x));
      baseY[light - 1] = _mm_set1_epi16(short(b.centreY + b.offset[light].y - y));
    }
    // Whole groups of eight around the reachable columns; the rest unlit.
    int x0, x1;
    RowReach(b, y, x0, x1);
    x0 &= ~7;
    int xEnd = x1 > x0 ? x0 + ((x1 - x0 + 7) & ~7) : x0;
    for (int x = 0; x < x0; x += 4) unlit(out + x);
    for (int x = xEnd; x < kFrameWidth; x += 4) unlit(out + x);
    for (int x = x0; x < xEnd; x += 8) {
      int i = y * kFrameWidth + x;
      __m128i gx = _mm_sub_epi16(Heights(h + i + 1), Heights(h + i - 1));
      __m128i gy = _mm_sub_epi16(Heights(h + i + kFrameWidth), Heights(h + i - kFrameWidth));
      __m128i xs = _mm_add_epi16(_mm_set1_epi16(short(x)), lanes);
      alignas(16) int32_t at[3][8];
      __m128i anyInside = zero;
      for (int k = 0; k < 3; ++k) {
        // Clamped to −1 … 255 and moved on by one: 0 and 256 are the dark
        // frame, 1 … 255 the table's 0 … 254.
        __m128i lx = _mm_sub_epi16(_mm_add_epi16(baseX[k], gx), xs);
        __m128i ly = _mm_add_epi16(baseY[k], gy);
        __m128i fx = _mm_add_epi16(_mm_min_epi16(_mm_max_epi16(lx, lowest), highest), one);
        __m128i fy = _mm_add_epi16(_mm_min_epi16(_mm_max_epi16(ly, lowest), highest), one);
        __m128i inside = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(fx, edge), zero),
                                                        _mm_cmpeq_epi16(_mm_and_si128(fy, edge), zero)),
                                          _mm_set1_epi16(-1));
        anyInside = _mm_or_si128(anyInside, inside);
        _mm_store_si128(reinterpret_cast<__m128i*>(at[k]), _mm_madd_epi16(_mm_unpacklo_epi16(fx, fy), place));
        _mm_store_si128(reinterpret_cast<__m128i*>(at[k] + 4), _mm_madd_epi16(_mm_unpackhi_epi16(fx, fy), place));
      }
      // Much of the reachable part of a row still lies outside all three
      // spots: there the brightnesses are 0 and need not be fetched.
      alignas(16) uint32_t spots[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      if (_mm_movemask_epi8(anyInside))
        for (int p = 0; p < 8; ++p)
          spots[p] = uint32_t(framed[at[0][p]]) << 16 | uint32_t(framed[at[1][p]]) << 8 | framed[at[2][p]];
      put(out + x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + i)),
          _mm_load_si128(reinterpret_cast<const __m128i*>(spots)));
      put(out + x + 4, _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + i + 4)),
          _mm_load_si128(reinterpret_cast<const __m128i*>(spots + 4)));
    }
  }
}
#endif

}  // namespace

void MeasureSlopes(BumpLights& bump) {
  bump.slopes.clear();
  const PcxImage& m = bump.height;
  if (m.width != kFrameWidth || m.height != kFrameHeight || m.values.size() < size_t(kPixels)) return;
  const uint8_t* h = m.values.data();
  bump.slopes.resize(kFrameHeight);
  // Only the rows the fill reads: 1 to 382, whose neighbours all exist.
  for (int y = 1; y <= kFrameHeight - 2; ++y) {
    RowSlopes& s = bump.slopes[size_t(y)];
    s = RowSlopes{255, -255, 255, -255};
    for (int i = y * kFrameWidth; i < (y + 1) * kFrameWidth; ++i) {
      int16_t gx = int16_t(h[i + 1] - h[i - 1]), gy = int16_t(h[i + kFrameWidth] - h[i - kFrameWidth]);
      s.gxMin = std::min(s.gxMin, gx), s.gxMax = std::max(s.gxMax, gx);
      s.gyMin = std::min(s.gyMin, gy), s.gyMax = std::max(s.gyMax, gy);
    }
  }
}

void BuildSpotTable(std::vector<uint8_t>& spot) {
  spot.assign(kSpotSide * kSpotSide, 0);
  for (int j = 0; j < kSpotSide; ++j) {
    double fy = (j - 128) * 0.0078125;
    float fy2 = float(fy * fy);
    for (int i = 0; i < kSpotSide; ++i) {
      double fx = (i - 128) * 0.0078125;
      double d = 1 - std::sqrt(fx * fx + fy2);
      if (d < 0) d = 0;
      int v = int(35 * std::pow(d, 20) + 60 * d);
      spot[j * kSpotSide + i] = uint8_t(v > 255 ? 255 : v);
    }
  }
}

int InitBumpLights(BumpLights& bump, const std::string& colourFile, const std::string& heightFile,
                   PictureErrors& errors) {
  int ok = LoadPCX(colourFile, bump.colour, errors);
  ok &= LoadPCXIndexed(heightFile, bump.height, errors);
  MeasureSlopes(bump);
  BuildSpotTable(bump.spot);
  bump.level = 255;
  bump.amplitude = {100, 0, 0, 0};
  bump.speed = {0.1, -0.6, -0.4, -0.5};
  bump.angle = {0, 0, 1.0, 2.0};
  return ok;
}

bool BumpLightsCoverFrame(const BumpLights& bump) {
  return Usable(bump) && bump.level >= 255;
}

void DrawBumpLights(BumpLights& bump, RenderTarget& target, float frameSeconds, [[maybe_unused]] int useMmx) {
  if (!Usable(bump)) return;
  if (bump.slopes.size() != size_t(kFrameHeight)) MeasureSlopes(bump);
  MoveLights(bump, frameSeconds);
  bool opaque = bump.level >= 255;
  // Rows 382 and 383 end black; the fills neither write nor read them.
  std::fill(target.pixels + (kFrameHeight - 2) * kFrameWidth, target.pixels + kFrameHeight * kFrameWidth,
            0u);
#if DORSEL_PACKED
  if (useMmx) {
    FrameSpot(bump.spot, bump.framedSpot);
    return (opaque ? FillPacked<true> : FillPacked<false>)(bump, bump.framedSpot.data(), target.pixels);
  }
#endif
  (opaque ? Fill<true> : Fill<false>)(bump, target.pixels);
}
