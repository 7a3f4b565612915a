#include "director/landscape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

constexpr uint32_t kSkyWhite = 0xFFFFFFFFu;

// A landscape with its tables, heights f(x, y) on a w × h map, the eye at 300.
template <class F>
Landscape Land(F f, int w = 256, int h = 256) {
  Landscape land;
  BuildDirectionTables(land);
  land.depthOffsets.assign(255, 0);
  for (int s = 1; s <= 254; ++s) land.depthOffsets[size_t(s)] = 4096 / s + 5;
  const PcxImage heights = fixtures::Picture(w, h, f);
  land.heightMap.width = w, land.heightMap.height = h;
  land.heightMap.values.assign(heights.pixels.begin(), heights.pixels.end());
  land.eyeHeight = 300;
  return land;
}

TEST(Landscape, BuildsItsTablesAndReadsTheHeightMap) {
  PictureErrors errors;
  Landscape land, missing;
  BuildLandscape(land, std::string(DORSEL_BINARY_DIR) + "/data/illasti2.pcx", errors);
  EXPECT_EQ(land.eyeHeight, 256);
  ASSERT_EQ(land.depthOffsets.size(), 255u);
  for (auto [s, want] : {std::pair{1, 4101}, {2, 2053}, {3, 1370}, {100, 45}, {254, 21}})
    EXPECT_EQ(land.depthOffsets[size_t(s)], want) << s;
  EXPECT_EQ(std::make_pair(land.dirX[0], land.dirY[512]), std::make_pair(256, 256));
  EXPECT_EQ(land.heightMap.width, 256);
  EXPECT_GE(land.heightMap.values.size(), 256u * 256u);
  BuildLandscape(missing, "no-such-heights.pcx", errors);
  EXPECT_TRUE(missing.heightMap.values.empty());
  EXPECT_EQ(missing.depthOffsets.size(), 255u) << "the tables are built all the same";
  EXPECT_EQ(errors, PictureErrors{"file no-such-heights.pcx not found"});
}

// Over flat ground the highest row painted, and the step painting it, follow
// from the projection alone: (eye − height) × 128 / s, divided as integers
// divide (toward zero, also for an eye below the ground), plus 4096 / s + 5.
TEST(Landscape, FlatGroundMeetsTheSkyWhereItsProjectionSays) {
  const std::pair<int, int> cases[] = {{300, 0},    {300, 255},  {256, 255},     {250, 255},    {0, 128},   {-50, 0},
                                       {1000, 7},   {129999, 0}, {130000, 0}, {-130000, 200}, {200000, 255}, {254, 255}};
  for (auto [eye, height] : cases) {
    SCOPED_TRACE(testing::Message() << "eye " << eye << ", height " << height);
    Landscape land = Land([h = height](int, int) { return h; });
    land.eyeHeight = eye;
    int top = 383, topStep = 0, nearStep = 0;
    for (int s = 1; s <= 254 && top > 0; ++s) {
      int sy = (eye - height) * 128 / s + land.depthOffsets[size_t(s)];
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
  Landscape land = Land([](int x, int y) { return (x * 7 + y * 3) & 255; });
  Frame frame(0x00123456);
  DrawLandscape(land, 1234, -5678, 300, fixtures::Flat(256, 256, 0x00F0F0F0), frame.target, 0);
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      // Right of column 296 and on the bottom row, below every span, nothing
      // is drawn. Every column's ground reaches row 172 or higher: the colour
      // map lightened by the step and saturated, its top byte clear, so white
      // sky is told from white ground by that byte. Two neighbouring columns
      // share a ray.
      const uint32_t p = frame.at(x, y);
      ASSERT_EQ(p, x >= 296 || y == 383 ? 0x00123456u : y < 172 && p == kSkyWhite ? kSkyWhite : 0x00FFFFFFu) << x << ", " << y;
      ASSERT_TRUE(x >= 296 || x % 2 || p == frame.at(x + 1, y)) << x << ", " << y;
    }
  EXPECT_TRUE(frame.GuardIntact());
}

TEST(Landscape, TheMapWrapsEvery256Cells) {
  Landscape land = Land([](int x, int y) { return (x ^ y) * 37 & 255; });
  const PcxImage colours = fixtures::Picture(256, 256, [](int x, int y) { return uint32_t(x << 16 | y << 8 | 0x40); });
  Frame base;
  DrawLandscape(land, 5000, 7000, 100, colours, base.target, 0);
  const int32_t lap = 256 << 8;  // 256 cells in 8.8
  for (auto [dx, dy, same] : {std::tuple{lap, 0, true}, {0, -lap, true}, {3 * lap, 2 * lap, true}, {128 << 8, 0, false}}) {
    Frame moved;
    DrawLandscape(land, 5000 + dx, 7000 + dy, 100, colours, moved.target, 0);
    EXPECT_EQ(moved.pixels == base.pixels, same) << dx << ", " << dy;
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
  Landscape land = Land([](int, int y) { return y == 40 ? 255 : 0; });
  Frame frame;
  DrawLandscape(land, 0, 0, 512, fixtures::Flat(256, 256, 0), frame.target, 0);
  // Row and the step whose sample shows there (its grey level). The ridge at
  // step 40: 45 × 128 / 40 + 107 = 251, painted down to 382; the ground in
  // front of it projects below the frame. Behind it the ground stays hidden
  // until step 173 (sy 249) rises above the ridge.
  for (auto [row, step] : {std::pair{382, 40u}, {251, 40u}, {250, 173u}, {249, 173u}, {172, 253u}})
    EXPECT_EQ(frame.at(0, row), step * 0x010101u) << row;
  EXPECT_EQ(frame.at(0, 171), kSkyWhite);
}

TEST(Landscape, MapsItCannotReadDrawNothing) {
  auto zero = [](int, int) { return 0; };
  Landscape good = Land(zero), narrow = Land(zero, 128, 512), unloaded = Land(zero, 0, 0);
  Landscape noTables;
  noTables.heightMap = good.heightMap;
  const PcxImage flat = fixtures::Flat(256, 256, 0), wide = fixtures::Flat(512, 128, 0), none;
  // Heights not 256 wide, none, no tables; colours not 256 wide, none.
  const std::pair<const Landscape*, const PcxImage*> cases[] = {
      {&narrow, &flat}, {&unloaded, &flat}, {&noTables, &flat}, {&good, &wide}, {&good, &none}};
  for (auto [land, colours] : cases) {
    Frame frame(0x00123456);
    DrawLandscape(*land, 0, 0, 0, *colours, frame.target, 0);
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), 0x00123456u), kFramePixels);
  }
}

}  // namespace
