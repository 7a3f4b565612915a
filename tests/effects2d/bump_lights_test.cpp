#include "effects2d/bump_lights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// A flat height map under a picture of one colour, the lights standing
// still: all amplitudes 0 and angle 0 put the shared centre at (384, 365),
// so frame pixel (x, y − 1) reads spot[(365 − y) × 256 + 384 − x].
BumpLights Flat(uint32_t colour) {
  BumpLights b;
  b.colour.width = b.height.width = kFrameWidth;
  b.colour.height = b.height.height = kFrameHeight;
  b.colour.pixels.assign(kFrameWidth * kFrameHeight, colour);
  b.height.values.assign(kFrameWidth * kFrameHeight, 0);
  BuildSpotTable(b.spot);
  b.amplitude = {0, 0, 0, 0};
  b.angle = {0, 0, 0, 0};
  b.speed = {0, 0, 0, 0};
  return b;
}

// Moves the three lights' centre 256 to the left, to (128, 365).
void ShiftLeft(BumpLights& b) {
  for (int i = 1; i <= 3; ++i) b.amplitude[i] = 256, b.angle[i] = -kHalfPi;
}

struct Frame {
  std::vector<uint32_t> pixels;
  RenderTarget target;
  explicit Frame(uint32_t fill = 0) : pixels(kFramePixels, fill) { target.pixels = pixels.data(); }
  uint32_t At(int x, int y) const { return pixels[y * kFrameWidth + x]; }
};

uint8_t Spot(const BumpLights& b, int i, int j) { return b.spot[j * kSpotSide + i]; }

TEST(SpotTable, BrightestInTheMiddleAndDarkFromTheRimOut) {
  std::vector<uint8_t> spot;
  BuildSpotTable(spot);
  ASSERT_EQ(spot.size(), size_t(kSpotSide * kSpotSide));
  struct Case {
    int i, j, value;
  };
  const Case cases[] = {
      {128, 128, 95},  // 35 + 60
      {129, 128, 89},  // d = 127/128
      {192, 128, 30},  // d = 1/2: 60 × 0.5 and a vanishing 35 × 0.5^20
      {160, 128, 45},
      {128, 192, 30},
      {0, 128, 0},     // radius 128
      {128, 0, 0},
      {255, 128, 0},
      {0, 0, 0},
      {255, 255, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(spot[c.j * kSpotSide + c.i], c.value) << c.i << "," << c.j;
  for (uint8_t v : spot) ASSERT_LE(v, 95);
  // Round: the same at the same distance in each direction.
  EXPECT_EQ(spot[128 * 256 + 100], spot[100 * 256 + 128]);
  EXPECT_EQ(spot[128 * 256 + 100], spot[128 * 256 + 156]);
}

TEST(DrawBumpLights, OpaqueFillLightsEachChannel) {
  struct Case {
    uint32_t colour;
    int x, y;  // frame pixel
    uint32_t want;
  };
  // The spot's middle (L = 95) is under frame pixel (256, 236).
  const Case cases[] = {
      {0x000000, 256, 236, 0x5F5F5F},  // a channel of 0 shows the bare spot
      {0x404040, 256, 236, 0xBEBEBE},  // 64: 95 + 95
      {0xFFFFFF, 256, 236, 0xFFFFFF},  // 255 saturates
      {0xFF4000, 256, 236, 0xFFBE5F},  // channels apart
      {0x000000, 257, 236, 0x595959},  // one step off the middle, L = 89
      {0xFFFFFF, 0, 236, 0x000000},    // all three look-ups miss: black
      {0xFFFFFF, 256, 100, 0x000000},  // below the table's rows
  };
  for (const Case& c : cases) {
    BumpLights b = Flat(c.colour);
    Frame frame(0x00ABCDEF);
    DrawBumpLights(b, frame.target, 0, 0);
    EXPECT_EQ(frame.At(c.x, c.y), c.want) << std::hex << c.colour << " at " << std::dec << c.x << "," << c.y;
    EXPECT_EQ(b.centreX, 384);
    EXPECT_EQ(b.centreY, 365);
  }
}

TEST(DrawBumpLights, FullChannelsSaturateOnceTheSpotReaches52) {
  BumpLights b = Flat(0xFFFFFF);
  // Find spot entries of 51 and 52 and the frame pixels that read them.
  struct Want {
    int value;
    uint32_t channel;
  };
  for (Want w : {Want{51, 254}, Want{52, 255}, Want{30, 149}}) {
    int at = -1;
    for (int j = 20; j < 235 && at < 0; ++j)
      for (int i = 0; i < 255; ++i)
        if (Spot(b, i, j) == w.value) {
          at = j * kSpotSide + i;
          break;
        }
    ASSERT_GE(at, 0) << w.value;
    int x = 384 - at % kSpotSide, y = 365 - at / kSpotSide;
    Frame frame;
    DrawBumpLights(b, frame.target, 0, 0);
    EXPECT_EQ(frame.At(x, y - 1), w.channel * 0x010101) << w.value;
  }
}

TEST(DrawBumpLights, SlopesOfTheHeightMapBendTheLight) {
  BumpLights b = Flat(0x000000);
  ShiftLeft(b);  // the middle now lies under frame pixel (0, 236)
  Frame plain;
  DrawBumpLights(b, plain.target, 0, 0);
  EXPECT_EQ(plain.At(0, 236), 0x5F5F5Fu);
  // The left neighbour of a row's first pixel is the last pixel of the row
  // above: raising it 20 tilts the slope at (0, 237) to −20.
  b.height.values[237 * kFrameWidth - 1] = 20;
  // And a raised pixel below tilts the vertical slope of (5, 237) to +30.
  b.height.values[238 * kFrameWidth + 5] = 30;
  Frame bent;
  DrawBumpLights(b, bent.target, 0, 0);
  EXPECT_EQ(bent.At(0, 236), uint32_t(Spot(b, 108, 128)) * 0x010101);
  EXPECT_EQ(bent.At(5, 236), uint32_t(Spot(b, 123, 158)) * 0x010101);
  EXPECT_EQ(bent.At(1, 236), plain.At(1, 236));
}

TEST(DrawBumpLights, BlendedFillMixesByLevel) {
  struct Case {
    int level;
    uint32_t colour, old, want;  // at the spot's middle
  };
  const Case cases[] = {
      // Level 0 keeps old × 255 / 256, rounded down: frames slowly darken.
      {0, 0xFFFFFF, 0xFFFFFF, 0xFEFEFE},
      {0, 0xFFFFFF, 0x808080, 0x7F7F7F},
      {0, 0x000000, 0x000000, 0x000000},
      // Half way: (255 × 128) >> 8 + (0 × 127) >> 8.
      {128, 0xFFFFFF, 0x000000, 0x7F7F7F},
      {128, 0xFFFFFF, 0xFFFFFF, 0x7F7F7F + 0x7E7E7E},
      {254, 0xFFFFFF, 0x000000, 0xFDFDFD},
      // 255 ignores what was there.
      {255, 0x000000, 0xFFFFFF, 0x5F5F5F},
      {300, 0x000000, 0xFFFFFF, 0x5F5F5F},
  };
  for (const Case& c : cases) {
    BumpLights b = Flat(c.colour);
    b.level = c.level;
    Frame frame(c.old);
    DrawBumpLights(b, frame.target, 0, 0);
    EXPECT_EQ(frame.At(256, 236), c.want) << c.level << " " << std::hex << c.old;
  }
}

TEST(DrawBumpLights, TheLastTwoRowsEndBlackInBothFills) {
  for (int level : {255, 100, 0}) {
    BumpLights b = Flat(0xFFFFFF);
    b.level = level;
    Frame frame(0xFFFFFF);
    DrawBumpLights(b, frame.target, 0, 0);
    for (int y : {382, 383})
      for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(frame.At(x, y), 0u) << level << " " << x << "," << y;
    // Row 381 is drawn from source row 382, not cleared: blended over white
    // it keeps some of the white.
    if (level < 255) {
      EXPECT_NE(frame.At(0, 381), 0u) << level;
    }
  }
}

TEST(DrawBumpLights, LightsMoveByFrameTimeAndBounce) {
  BumpLights b;
  b.colour = Flat(0).colour;
  b.height = Flat(0).height;
  BuildSpotTable(b.spot);
  Frame frame;
  DrawBumpLights(b, frame.target, 1.0f, 0);
  // The positions come from the values before the step.
  EXPECT_EQ(b.centreX, 384);
  EXPECT_EQ(b.centreY, 45 + 50 + 320);
  EXPECT_EQ(b.offset[3].x, 0);  // amplitude 0
  const double amplitude[] = {100.1, -0.6, -0.4, -0.5};
  const double angle[] = {0.5, 0.03, 1.06, 2.08};
  // Amplitude 0 went past 100 and turns back; the others went below 0 and
  // turn up again.
  const double speed[] = {-2.8, 2.6, 1.4, 3.4};
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(b.amplitude[i], amplitude[i]) << i;
    EXPECT_DOUBLE_EQ(b.angle[i], angle[i]) << i;
    EXPECT_EQ(b.speed[i], speed[i]) << i;
  }
  DrawBumpLights(b, frame.target, 0.5f, 0);
  // trunc(100.1 sin 0.5) − trunc(−90 sin 0.5) + 384, and the same for y.
  EXPECT_EQ(b.centreX, 47 + 43 + 384);
  EXPECT_EQ(b.centreY, 39 + 43 + 320);
  EXPECT_DOUBLE_EQ(b.amplitude[0], 100.1 - 1.4);
  EXPECT_DOUBLE_EQ(b.amplitude[1], -0.6 + 1.3);
}

TEST(DrawBumpLights, PicturesOfTheWrongSizeDrawNothing) {
  struct Case {
    const char* what;
    void (*spoil)(BumpLights&);
  };
  const Case cases[] = {
      {"no colour picture", [](BumpLights& b) { b.colour = PcxImage{}; }},
      {"no height map", [](BumpLights& b) { b.height = PcxImage{}; }},
      {"a narrow colour picture", [](BumpLights& b) { b.colour.width = 320; }},
      {"a short height map", [](BumpLights& b) { b.height.height = 200, b.height.values.resize(512 * 200); }},
      {"a height map of 32-bit pixels",
       [](BumpLights& b) { b.height.values.clear(), b.height.pixels.assign(512 * 384, 0); }},
      {"no spot table", [](BumpLights& b) { b.spot.clear(); }},
  };
  for (const Case& c : cases) {
    BumpLights b = Flat(0xFFFFFF);
    c.spoil(b);
    Frame frame(0x123456);
    DrawBumpLights(b, frame.target, 1.0f, 0);
    for (uint32_t p : frame.pixels) ASSERT_EQ(p, 0x123456u) << c.what;
    EXPECT_EQ(b.angle[0], 0.0) << c.what;
  }
}

}  // namespace

namespace {

// Every pixel worked out on its own: the three look-ups, the lighting and,
// below level 255, the blend, with nothing skipped.
std::vector<uint32_t> Reference(const BumpLights& b, const std::vector<uint32_t>& before) {
  std::vector<uint32_t> out = before;
  const int level = b.level < 0 ? 0 : b.level;
  for (int y = 1; y <= kFrameHeight - 2; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      int i = y * kFrameWidth + x;
      int gx = b.height.values[i + 1] - b.height.values[i - 1];
      int gy = b.height.values[i + kFrameWidth] - b.height.values[i - kFrameWidth];
      uint32_t pixel = 0;
      for (int light = 1; light <= 3; ++light) {
        int lx = b.centreX + b.offset[light].x + gx - x, ly = b.centreY + b.offset[light].y + gy - y;
        int shift = 8 * (3 - light);
        uint32_t texel = b.colour.pixels[i] >> shift & 0xFF, v = 0;
        if (lx >= 0 && lx < 255 && ly >= 0 && ly < 255) {
          uint32_t l = Spot(b, lx, ly);
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

// Whenever the lights say they cover the frame, what lay below cannot show
// through (two different frames end the same), and whenever they do not,
// it does.
TEST(DrawBumpLights, TheyCoverTheFrameExactlyWhenNothingBelowShowsThrough) {
  struct Case {
    const char* what;
    int level;
    void (*spoil)(BumpLights&);
    bool covers;
  };
  const Case cases[] = {
      {"opaque", 255, [](BumpLights&) {}, true},
      {"past opaque", 300, [](BumpLights&) {}, true},
      {"half way", 128, [](BumpLights&) {}, false},
      {"faded out", 0, [](BumpLights&) {}, false},
      {"opaque without a height map", 255, [](BumpLights& b) { b.height = PcxImage{}; }, false},
      {"opaque without a spot table", 255, [](BumpLights& b) { b.spot.clear(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BumpLights b = Flat(0x806040);
    b.level = c.level;
    c.spoil(b);
    EXPECT_EQ(BumpLightsCoverFrame(b), c.covers);
    for (int useMmx : {0, 1}) {
      BumpLights first = b, second = b;
      Frame dark(0x123456), light(0xFEDCBA);
      DrawBumpLights(first, dark.target, 0.5f, useMmx);
      DrawBumpLights(second, light.target, 0.5f, useMmx);
      EXPECT_EQ(dark.pixels == light.pixels, c.covers) << "useMmx " << useMmx;
    }
  }
}

}  // namespace

TEST(DrawBumpLights, EveryLookUpIsMadeWhereverASpotCanLand) {
  // A rugged map (steep slopes in bands, flat elsewhere, so the rows differ
  // in how far the light bends) and lights placed so the spots' rims cross
  // the frame's edges, rows and columns in every direction.
  BumpLights base = Flat(0);
  uint32_t seed = 5;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) {
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
    for (int level : {255, 128, 0})
      for (int useMmx : {0, 1}) {
        BumpLights b = base;
        b.spot = spot;
        b.level = level;
        b.amplitude = {p.a0, p.a, p.a * 0.7, p.a * 1.3};
        b.angle = {p.angle0, p.angle, p.angle + 2.1, p.angle - 2.1};
        Frame frame;
        for (int i = 0; i < kFramePixels; ++i) frame.pixels[i] = next() & 0xFFFFFF;
        const std::vector<uint32_t> before = frame.pixels;
        DrawBumpLights(b, frame.target, 0, useMmx);
        std::vector<uint32_t> want = Reference(b, before);
        long differing = 0, lit = 0;
        for (int i = 0; i < kFramePixels; ++i) differing += frame.pixels[i] != want[i], lit += want[i] != 0;
        EXPECT_EQ(differing, 0) << "place " << p.a0 << "/" << p.a << ", level " << level << ", useMmx " << useMmx;
        EXPECT_GT(lit, 0);
      }
}
