#include "effects2d/bump_lights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/effects_frame.h"

namespace {

using testing_support::Frame;

// A flat height map under a picture of one colour, the lights standing
// still: all amplitudes 0 and angle 0 put the shared centre at (384, 365).
BumpLights Flat(uint32_t colour) {
  BumpLights b;
  b.colour = b.height = PcxImage{{}, {}, kFrameWidth, kFrameHeight};
  b.colour.pixels.assign(kFramePixels, colour), b.height.values.assign(kFramePixels, 0);
  BuildSpotTable(b.spot);
  b.amplitude = b.angle = b.speed = {0, 0, 0, 0};
  return b;
}

// What they leave of a frame: drawn whole when they say they cover it (two
// different frames end the same), and nothing at all from pictures of the
// wrong size.
TEST(DrawBumpLights, CoverTheFrameExactlyWhenTheyDrawOpaquely) {
  struct Case {
    const char* what;
    int level;
    void (*spoil)(BumpLights&);
    bool covers, draws;
  };
  const Case cases[] = {
      {"opaque", 255, [](BumpLights&) {}, true, true},   {"past opaque", 300, [](BumpLights&) {}, true, true},
      {"half way", 128, [](BumpLights&) {}, false, true}, {"faded out", 0, [](BumpLights&) {}, false, true},
      {"no colour picture", 255, [](BumpLights& b) { b.colour = PcxImage{}; }, false, false},
      {"no height map", 255, [](BumpLights& b) { b.height = PcxImage{}; }, false, false},
      {"a narrow colour picture", 255, [](BumpLights& b) { b.colour.width = 320; }, false, false},
      {"a short height map", 255, [](BumpLights& b) { b.height.height = 200, b.height.values.resize(512 * 200); }, false, false},
      {"a height map of 32-bit pixels", 255, [](BumpLights& b) { b.height.values.clear(), b.height.pixels.assign(512 * 384, 0); }, false, false},
      {"no spot table", 255, [](BumpLights& b) { b.spot.clear(); }, false, false},
  };
  for (const Case& c : cases)
    for (int useMmx : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.what << ", useMmx " << useMmx);
      BumpLights b = Flat(0x806040);
      b.level = c.level;
      c.spoil(b);
      EXPECT_EQ(BumpLightsCoverFrame(b), c.covers);
      BumpLights first = b, second = b;
      Frame dark(0x123456), light(0xFEDCBA);
      DrawBumpLights(first, dark.target, 0.5f, useMmx), DrawBumpLights(second, light.target, 0.5f, useMmx);
      EXPECT_EQ(dark.pixels == light.pixels, c.covers);
      EXPECT_EQ(dark.pixels != Frame(0x123456).pixels, c.draws);
      EXPECT_EQ(first.angle[0] != 0, c.draws) << "the lights stand still when nothing is drawn";
    }
}

// Every pixel worked out on its own: the three look-ups, the lighting and,
// below level 255, the blend, with nothing skipped. Source row y lands on
// frame row y − 1; rows 382 and 383 end black.
std::vector<uint32_t> Reference(const BumpLights& b, const std::vector<uint32_t>& before) {
  std::vector<uint32_t> out = before;
  const int level = b.level < 0 ? 0 : b.level;
  const std::vector<uint8_t>& h = b.height.values;
  for (int y = 1; y <= kFrameHeight - 2; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      int i = y * kFrameWidth + x, gx = h[i + 1] - h[i - 1], gy = h[i + kFrameWidth] - h[i - kFrameWidth];
      uint32_t pixel = 0;
      for (int light = 1; light <= 3; ++light) {
        int lx = b.centreX + b.offset[light].x + gx - x, ly = b.centreY + b.offset[light].y + gy - y;
        int shift = 8 * (3 - light);
        uint32_t texel = b.colour.pixels[i] >> shift & 0xFF, v = 0;
        if (lx >= 0 && lx < 255 && ly >= 0 && ly < 255) {
          uint32_t l = b.spot[ly * kSpotSide + lx];
          v = std::min(255u, l + (texel * l >> 6));
        }
        if (level < 255) v = (v * level >> 8) + ((before[i - kFrameWidth] >> shift & 0xFF) * (255 - level) >> 8);
        pixel |= v << shift;
      }
      out[i - kFrameWidth] = pixel;
    }
  std::fill(out.begin() + (kFrameHeight - 2) * kFrameWidth, out.end(), 0u);
  return out;
}

TEST(DrawBumpLights, EveryLookUpIsMadeWhereverASpotCanLand) {
  // A rugged map (steep slopes in bands, flat elsewhere, so the rows differ
  // in how far the light bends) and lights placed so the spots' rims cross
  // the frame's edges, rows and columns in every direction.
  BumpLights base = Flat(0);
  uint32_t seed = 5;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int i = 0; i < kFramePixels; ++i) {
    int row = i / kFrameWidth;
    base.colour.pixels[i] = next() & 0xFFFFFF;
    base.height.values[i] = uint8_t(row % 64 < 20 ? next() : row % 64 < 40 ? (next() & 15) : 0);
  }
  struct Place {
    double a0, angle0, a, angle;  // the centre's swing and the three offsets'
  };
  const Place places[] = {{0, 0, 0, 0}, {100, 1.3, 30, 0.4}, {100, -1.2, 40, 2.5}, {60, 3.0, 300, -1.0},
                          {0, 0, 500, 1.57}};
  // The real spot is dark at its rim; a table lit to its very edges shows
  // any look-up missed there as well.
  std::vector<uint8_t> edgeLit(kSpotSide * kSpotSide);
  for (size_t i = 0; i < edgeLit.size(); ++i) edgeLit[i] = uint8_t(1 + i * 7 % 200);
  for (const std::vector<uint8_t>& spot : {base.spot, edgeLit})
    for (const Place& p : places)
      for (int level : {300, 255, 128, 0, -5})
        for (int useMmx : {0, 1}) {
          SCOPED_TRACE(testing::Message() << "place " << p.a0 << "/" << p.a << ", level " << level << ", useMmx "
                                          << useMmx);
          BumpLights b = base;
          b.spot = spot, b.level = level;
          b.amplitude = {p.a0, p.a, p.a * 0.7, p.a * 1.3};
          b.angle = {p.angle0, p.angle, p.angle + 2.1, p.angle - 2.1};
          Frame frame;
          for (uint32_t& pixel : frame.pixels) pixel = next() & 0xFFFFFF;
          const std::vector<uint32_t> before = frame.pixels;
          DrawBumpLights(b, frame.target, 0, useMmx);
          std::vector<uint32_t> want = Reference(b, before);
          long differing = 0, lit = 0;
          for (int i = 0; i < kFramePixels; ++i) differing += frame.pixels[i] != want[i], lit += want[i] != 0;
          EXPECT_EQ(differing, 0);
          EXPECT_GT(lit, 0);
        }
}

}  // namespace
