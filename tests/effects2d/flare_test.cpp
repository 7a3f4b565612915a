#include "effects2d/flare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/effects_frame.h"

namespace {

using testing_support::Frame;

// Every texel different: row in red, column in green, 1 in blue, so a drawn
// pixel over black tells which texel it shows.
uint32_t Texel(int row, int column) { return uint32_t(row) << 16 | uint32_t(column) << 8 | 1; }

FlareSprite TestSprite() {
  FlareSprite f;
  f.image.width = f.image.height = kFlareSide;
  for (int r = 0; r < kFlareSide; ++r)
    for (int c = 0; c < kFlareSide; ++c) f.image.pixels.push_back(Texel(r, c));
  f.steps.assign(kFlareStepEntries, 0);
  return f;
}

Frame Draw(float x, float y, float z, FlareSprite f = TestSprite(), uint32_t fill = 0) {
  Frame frame(fill);
  DrawFlare(f, x, y, z, frame.target, 0);
  EXPECT_EQ(f.steps.size(), size_t(kFlareStepEntries));
  return frame;
}

TEST(DrawFlare, ClippingKeepsTheTexelsOfWhatIsOnScreen) {
  const Frame whole = Draw(0, 0, 256);  // left 196, top 132
  // Past the left, right, top and bottom edges and two corners; the whole
  // flare's pixels land moved by (dx, dy).
  const int cases[][2] = {{-250, 0}, {250, 0}, {0, -150}, {0, 150}, {-250, -150}, {250, 150}};
  for (auto [dx, dy] : cases) {
    SCOPED_TRACE(testing::Message() << dx << "," << dy);
    Frame clipped = Draw(float(dx), float(dy), 256);
    int drawn = 0;
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        int sx = x - dx, sy = y - dy;
        bool inside = sx >= 0 && sx < kFrameWidth && sy >= 0 && sy < kFrameHeight;
        // Pixels of the whole flare shifted off the frame cannot be compared.
        if (!inside && clipped.At(x, y) == 0) continue;
        ASSERT_EQ(clipped.At(x, y), inside ? whole.At(sx, sy) : 0) << x << "," << y;
        drawn += clipped.At(x, y) != 0;
      }
    EXPECT_GT(drawn, 0);
  }
}

TEST(DrawFlare, AddsWithSaturation) {
  const uint32_t cases[][3] = {  // texel, pixel, sum
      {0x000000, 0x123456, 0x123456}, {0xFFFFFF, 0x000000, 0xFFFFFF}, {0xFFFFFF, 0x123456, 0xFFFFFF},
      {0x909090, 0x808080, 0xFFFFFF}, {0x20F0F0, 0x10F020, 0x30FFFF}, {0x010203, 0x102030, 0x112233}};
  for (auto [texel, pixel, want] : cases) {
    FlareSprite f = TestSprite();
    std::fill(f.image.pixels.begin(), f.image.pixels.end(), texel);
    Frame frame = Draw(0, 0, 256, f, pixel);
    EXPECT_EQ(frame.At(256, 192), want) << std::hex << texel << " + " << pixel;
    EXPECT_EQ(frame.At(10, 10), pixel);  // outside the square
  }
}

TEST(DrawFlare, NothingBehindTheEyeOffScreenOrTooCloseForTheTable) {
  struct Case {
    const char* what;
    float x, y, z;
    bool drawn;
  };
  const Case cases[] = {
      {"z = 0", 0, 0, 0, false},         {"z < 0", 0, 0, -256, false},        {"z not a number", 0, 0, std::nanf(""), false},
      {"far right", 1000, 0, 256, false}, {"far left", -1000, 0, 256, false},  {"far below", 0, 1000, 256, false},
      {"far above", 0, -1000, 256, false}, {"huge x near the eye", 1e30f, 0, 1e-3f, false},
      // At z = 80 a flare is 384 pixels wide and needs 385 table entries;
      // far off it is under one pixel.
      {"z = 80", 0, 0, 80, false}, {"z = 1e-6", 0, 0, 1e-6f, false}, {"z = 81, 378 wide", 0, 0, 81, true},
      {"tiny and far", 0, 0, 1e5f, false},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(c.x, c.y, c.z).Touched() > 0, c.drawn) << c.what;
  FlareSprite missing = TestSprite();
  missing.image = PcxImage{};
  EXPECT_EQ(Draw(0, 0, 256, missing).Touched(), 0) << "a missing picture";
}

}  // namespace
