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
  b.colour.width = b.height.width = kBumpWidth;
  b.colour.height = b.height.height = kBumpHeight;
  b.colour.pixels.assign(kBumpWidth * kBumpHeight, colour);
  b.height.values.assign(kBumpWidth * kBumpHeight, 0);
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
  b.height.values[237 * kBumpWidth - 1] = 20;
  // And a raised pixel below tilts the vertical slope of (5, 237) to +30.
  b.height.values[238 * kBumpWidth + 5] = 30;
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
