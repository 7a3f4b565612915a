#include "director/landscape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "effect_fixtures.h"
#include "host/headless.h"

namespace {

using fixtures::Frame;

constexpr uint32_t kSkyWhite = 0xFFFFFFFFu;

PcxImage Heights(int w, int h, uint8_t (*f)(int, int)) {
  PcxImage p;
  p.width = w;
  p.height = h;
  p.values.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.values[size_t(y) * size_t(w) + size_t(x)] = f(x, y);
  return p;
}

// A landscape with its tables and the given height map, the eye at 300.
Landscape Land(PcxImage heights) {
  Landscape land;
  BuildDirectionTables(land);
  land.depthOffsets.assign(255, 0);
  for (int s = 1; s <= 254; ++s) land.depthOffsets[size_t(s)] = 4096 / s + 5;
  land.heightMap = std::move(heights);
  land.eyeHeight = 300;
  return land;
}

TEST(Landscape, BuildsItsTablesAndReadsTheHeightMap) {
  PictureErrors errors;
  Landscape land;
  BuildLandscape(land, std::string(DORSEL_BINARY_DIR) + "/data/illasti2.pcx", errors);
  EXPECT_EQ(land.eyeHeight, 256);
  ASSERT_EQ(land.depthOffsets.size(), 255u);
  struct Case {
    int s, want;
  };
  for (Case c : {Case{1, 4101}, Case{2, 2053}, Case{3, 1370}, Case{100, 45}, Case{254, 21}})
    EXPECT_EQ(land.depthOffsets[size_t(c.s)], c.want) << c.s;
  EXPECT_EQ(land.dirX[0], 256);
  EXPECT_EQ(land.dirY[512], 256);
  EXPECT_EQ(land.heightMap.width, 256);
  EXPECT_GE(land.heightMap.values.size(), 256u * 256u);

  Landscape missing;
  BuildLandscape(missing, "no-such-heights.pcx", errors);
  EXPECT_TRUE(missing.heightMap.values.empty());
  EXPECT_EQ(missing.depthOffsets.size(), 255u) << "the tables are built all the same";
  EXPECT_EQ(errors, PictureErrors{"file no-such-heights.pcx not found"});
}

TEST(Landscape, FlatGroundClimbsFromTheBottomToItsHorizon) {
  struct Case {
    const char* name;
    uint8_t height;
    int top;          // the highest row the ground reaches
    uint32_t topColour;
    int lowStep;      // the nearest step that paints, seen on row 382
  };
  const Case cases[] = {
      // At height 0 the last step gives 38,400 / 254 + 21 = 172, but step
      // 253 got there first (151 + 16 + 5) and only a higher sample paints.
      {"height 0", 0, 172, 0x00FDFDFD, 113},
      // Height 255: 45 × 128 / s + 4096 / s + 5 first falls below 383 at
      // s = 27; steps 251 to 254 all reach row 43.
      {"height 255", 255, 22 + 21, 0x00FBFBFB, 27},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static uint8_t height;
    height = c.height;
    Landscape land = Land(Heights(256, 256, [](int, int) { return height; }));
    Frame frame(0x00123456);
    DrawLandscape(land, 0, 0, 0, fixtures::Flat(256, 256, 0), frame.target, 0);
    for (int x : {0, 1, 150, 295}) {
      EXPECT_EQ(frame.at(x, c.top), c.topColour) << x;
      EXPECT_EQ(frame.at(x, c.top - 1), c.top - 1 < 200 ? kSkyWhite : 0x00123456u) << x;
      // Row 383 is below the first span and stays as it was.
      EXPECT_EQ(frame.at(x, 383), 0x00123456u) << x;
      // Nearer steps project below the frame and paint nothing.
      EXPECT_EQ(frame.at(x, 382), uint32_t(c.lowStep) * 0x010101u) << x;
    }
  }
}

// Over flat ground the highest row painted, and the step painting it, follow
// from the projection alone: (eye − height) × 128 / s, divided as integers
// divide (toward zero, also for an eye below the ground), plus 4096 / s + 5.
TEST(Landscape, FlatGroundMeetsTheSkyWhereItsProjectionSays) {
  struct Case {
    int eye;
    uint8_t height;
  };
  const Case cases[] = {{300, 0},   {256, 255}, {250, 255}, {0, 128},      {-50, 0},     {1000, 7},
                        {129999, 0}, {130000, 0}, {-130000, 200}, {200000, 255}, {254, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "eye " << c.eye << ", height " << int(c.height));
    static uint8_t height;
    height = c.height;
    Landscape land = Land(Heights(256, 256, [](int, int) { return height; }));
    land.eyeHeight = c.eye;
    int top = 383, topStep = 0, nearStep = 0;
    for (int s = 1; s <= 254 && top > 0; ++s) {
      int sy = (c.eye - c.height) * 128 / s + land.depthOffsets[size_t(s)];
      if (sy >= top) continue;
      top = std::max(sy, 0), topStep = s;
      if (nearStep == 0) nearStep = s;
    }
    Frame frame(0x00123456);
    DrawLandscape(land, 0, 0, 0, fixtures::Flat(256, 256, 0), frame.target, 0);
    for (int x : {0, 101, 295}) {
      EXPECT_EQ(frame.at(x, 382), top < 383 ? uint32_t(nearStep) * 0x010101u : 0x00123456u) << x;
      if (top == 383) continue;
      EXPECT_EQ(frame.at(x, top), uint32_t(topStep) * 0x010101u) << x;
      if (top > 0) {
        EXPECT_EQ(frame.at(x, top - 1), top - 1 < 200 ? kSkyWhite : 0x00123456u) << x;
      }
    }
  }
}

TEST(Landscape, SkyAndGroundStayInTheLeftColumns) {
  Landscape land = Land(Heights(256, 256, [](int x, int y) { return uint8_t((x * 7 + y * 3) & 255); }));
  Frame frame(0x00123456);
  DrawLandscape(land, 1234, -5678, 300, fixtures::Flat(256, 256, 0x00F0F0F0), frame.target, 0);
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 296; x < kFrameWidth; ++x) ASSERT_EQ(frame.at(x, y), 0x00123456u) << x << ", " << y;
    for (int x = 0; x < 296; ++x) {
      uint32_t p = frame.at(x, y);
      // Every column's ground reaches row 172 or higher. It is the colour
      // map lightened by the step and saturated, its top byte clear: white
      // sky is told from white ground by that byte.
      if (y == 383) {
        ASSERT_EQ(p, 0x00123456u) << "the bottom row is below every span";
      } else if (y >= 172 || p != kSkyWhite) {
        ASSERT_EQ(p, 0x00FFFFFFu) << x << ", " << y;
      }
    }
  }
  // Two neighbouring columns share a ray.
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < 296; x += 2) ASSERT_EQ(frame.at(x, y), frame.at(x + 1, y));
  EXPECT_TRUE(frame.GuardIntact());
}

TEST(Landscape, TheMapWrapsEvery256Cells) {
  Landscape land = Land(Heights(256, 256, [](int x, int y) { return uint8_t((x ^ y) * 37 & 255); }));
  const PcxImage colours = fixtures::Picture(256, 256, [](int x, int y) { return uint32_t(x << 16 | y << 8 | 0x40); });
  Frame base;
  DrawLandscape(land, 5000, 7000, 100, colours, base.target, 0);
  const int32_t lap = 256 << 8;  // 256 cells in 8.8
  struct Case {
    int32_t dx, dy;
    bool same;
  };
  const Case cases[] = {{lap, 0, true}, {0, -lap, true}, {3 * lap, 2 * lap, true}, {128 << 8, 0, false}};
  for (const Case& c : cases) {
    Frame moved;
    DrawLandscape(land, 5000 + c.dx, 7000 + c.dy, 100, colours, moved.target, 0);
    EXPECT_EQ(moved.pixels == base.pixels, c.same) << c.dx << ", " << c.dy;
  }
  // A full turn of heading is 2048 steps.
  Frame turned;
  DrawLandscape(land, 5000, 7000, 100 + 2048, colours, turned.target, 0);
  EXPECT_EQ(turned.pixels, base.pixels);
}

TEST(Landscape, NearerHillsHideFartherOnes) {
  // Flat ground at 0 with one ridge of 255 on the cells of row y = 40,
  // looked at along +y from y = 0 (heading 512: dirX 0, dirY 256, one cell
  // a step).
  Landscape land = Land(Heights(256, 256, [](int, int y) { return uint8_t(y == 40 ? 255 : 0); }));
  Frame frame;
  DrawLandscape(land, 0, 0, 512, fixtures::Flat(256, 256, 0), frame.target, 0);
  struct Case {
    int row;
    uint32_t step;  // the step whose sample shows there (its grey level)
  };
  const Case cases[] = {
      // The ridge at step 40: 45 × 128 / 40 + 107 = 251, painted down to 382;
      // the ground in front of it projects below the frame.
      {382, 40},
      {251, 40},
      // Behind it the ground stays hidden until step 173 (sy 249) rises
      // above the ridge.
      {250, 173},
      {249, 173},
      {172, 253},
  };
  for (const Case& c : cases) EXPECT_EQ(frame.at(0, c.row), c.step * 0x010101u) << c.row;
  EXPECT_EQ(frame.at(0, 171), kSkyWhite);
}

TEST(Landscape, MapsItCannotReadDrawNothing) {
  Landscape good = Land(Heights(256, 256, [](int, int) { return uint8_t(0); }));
  Landscape narrow = Land(Heights(128, 512, [](int, int) { return uint8_t(0); }));
  Landscape unloaded = Land(PcxImage{});
  Landscape noTables;
  noTables.heightMap = good.heightMap;
  struct Case {
    const char* name;
    const Landscape& land;
    PcxImage colours;
  };
  const Case cases[] = {
      {"heights not 256 wide", narrow, fixtures::Flat(256, 256, 0)},
      {"no heights", unloaded, fixtures::Flat(256, 256, 0)},
      {"no tables", noTables, fixtures::Flat(256, 256, 0)},
      {"colours not 256 wide", good, fixtures::Flat(512, 128, 0)},
      {"no colours", good, PcxImage{}},
  };
  for (const Case& c : cases) {
    Frame frame(0x00123456);
    DrawLandscape(c.land, 0, 0, 0, c.colours, frame.target, 0);
    EXPECT_EQ(frame.at(0, 0), 0x00123456u) << c.name;
    EXPECT_EQ(frame.at(0, 300), 0x00123456u) << c.name;
  }
}

}  // namespace
