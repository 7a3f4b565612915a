#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "director/blends.h"
#include "director/landscape.h"
#include "director/roto_zoom.h"
#include "director/table_warp.h"
#include "director/tiles.h"
#include "effect_fixtures.h"

namespace {

using fixtures::Flat;
using fixtures::Frame;

// A frame of noise skipped leaves the shared generator where drawing it
// would, from any state, so the frames after it get the same numbers. The
// noise's own numbers are held by the show's net.
TEST(SkipNoise, LeavesTheGeneratorWhereAFrameOfNoiseWould) {
  for (uint32_t state : {1u, 0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x12345678u}) {
    Frame frame;
    CrtRandom drawn{state}, skipped{state}, expected{state};
    AddNoise(frame.target, drawn, 0);
    SkipNoise(skipped);
    for (int i = 0; i < kFramePixels; ++i) expected.Next();
    EXPECT_EQ(std::make_tuple(drawn.state, skipped.state), std::make_tuple(expected.state, expected.state)) << state;
  }
}

TEST(CrossFadeImage, NeverExactAtEitherEnd) {
  // Level, frame, picture, result. a = 0 leaves the frame at 255/256, a =
  // 255 the picture at 255/256; halfway each side's channels are weighed
  // separately, then added; out of range levels are held to the ends
  // instead of overflowing.
  const std::tuple<int32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      {0, 0x00FFFFFF, 0x00123456, 0x00FEFEFE},   {255, 0x00123456, 0x00FFFFFF, 0x00FEFEFE},
      {255, 0x00FFFFFF, 0x00000000, 0x00000000}, {0, 0x00808080, 0x00FFFFFF, 0x007F7F7F},
      {128, 0x00FF0000, 0x000000FF, 0x007E007F}, {128, 0x0000FF00, 0x0000FF00, 0x0000FD00},
      {300, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE}, {-5, 0x00FFFFFF, 0x00000000, 0x00FEFEFE}};
  for (auto [a, background, picture, want] : cases) {
    Frame frame(background);
    CrossFadeImage(Flat(512, 384, picture), a, frame.target, 0);
    EXPECT_EQ(std::make_pair(frame.pixels[0], frame.pixels[kFramePixels - 1]), std::make_pair(want, want)) << a;
  }
}

// The cross-fade reads only pictures that line up with the frame, and the
// copy only a whole frame's.
TEST(CrossFadeImage, AndCopyPictureReadOnlyPicturesThatLineUpWithTheFrame) {
  // A full frame, a band of rows, taller than the frame, not 512 wide, not
  // loaded; and the leading frame pixels the cross-fade reaches (all of
  // them: the copy takes it too).
  const std::pair<PcxImage, int> cases[] = {{Flat(512, 384, 0), kFramePixels}, {Flat(512, 100, 0), 512 * 100},
                                            {Flat(512, 500, 0), kFramePixels}, {Flat(256, 256, 0), 0},
                                            {PcxImage{}, 0}};
  for (const auto& [picture, faded] : cases) {
    SCOPED_TRACE(testing::Message() << picture.width << " × " << picture.height);
    Frame frame(0x00FFFFFF), copy(0x00FFFFFF);
    CrossFadeImage(picture, 255, frame.target, 0);
    CopyPicture(picture, copy.target);
    EXPECT_EQ(kFramePixels - std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00FFFFFFu), faded);
    EXPECT_TRUE(faded == 0 || frame.pixels[size_t(faded) - 1] != 0x00FFFFFFu);
    EXPECT_EQ(copy.pixels[0], faded == kFramePixels ? 0u : 0x00FFFFFFu);
    EXPECT_TRUE(frame.GuardIntact() && copy.GuardIntact());
  }
}

TEST(CopyLogo, CopiesEveryPixelInsideTheFrame) {
  // Where the show puts it, on the bottom-right corner, hanging off the
  // right, off the top and left, outside. Black pixels are copied too: the
  // logo is opaque.
  PcxImage logo = fixtures::Picture(128, 96, [](int x, int y) { return (x + y) % 2 ? 0x00ABCDEFu : 0u; });
  for (auto [lx, ly] : {std::pair{374, 10}, {384, 288}, {450, 0}, {-28, -46}, {600, 0}}) {
    Frame frame(0x00111111);
    CopyLogo(lx, ly, logo, frame.target);
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        bool inside = x >= lx && x < lx + 128 && y >= ly && y < ly + 96;
        ASSERT_EQ(frame.at(x, y), inside ? logo.pixels[size_t(y - ly) * 128 + size_t(x - lx)] : 0x00111111u) << x << ", " << y;
      }
    EXPECT_TRUE(frame.GuardIntact());
  }
  Frame frame(0x00111111);
  CopyLogo(0, 0, Flat(100, 96, 0), frame.target);
  EXPECT_EQ(frame.pixels[0], 0x00111111u) << "a logo of another width is not read";
}

// Tile row r is coloured r + 1, with a black (transparent) left half.
const PcxImage kRowTile =
    fixtures::Picture(80, 80, [](int x, int y) { return x < 40 ? 0u : uint32_t(y + 1); });

// Screen rows on which something was drawn in column x.
std::vector<int> RowsDrawn(Frame& frame, int x, uint32_t background) {
  std::vector<int> rows;
  for (int y = 0; y < kFrameHeight; ++y)
    if (frame.at(x, y) != background) rows.push_back(y);
  return rows;
}

std::vector<int> Rows(int first, int last) {
  std::vector<int> rows;
  for (int y = first; y <= last; ++y) rows.push_back(y);
  return rows;
}

TEST(DrawTile, SkipsScreenRowZeroAndEverythingOutsideTheFrame) {
  // The tile's y, the screen rows drawn (none when first > last), and the
  // colour on the first one: its tile row + 1.
  const std::tuple<int, int, int, uint32_t> cases[] = {{10, 10, 89, 1},     {-78, 1, 1, 80},     {-79, 0, -1, 0},
                                                       {0, 1, 79, 2},       {304, 304, 383, 1}, {305, 305, 383, 1},
                                                       {384, 0, -1, 0}};
  for (auto [y, first, last, colour] : cases) {
    SCOPED_TRACE(y);
    Frame frame(0x00FFFFFF);
    DrawTile(100, y, kRowTile, frame.target);
    EXPECT_EQ(RowsDrawn(frame, 150, 0x00FFFFFF), Rows(first, last));
    EXPECT_TRUE(first > last || frame.at(150, first) == colour);
    EXPECT_TRUE(RowsDrawn(frame, 139, 0x00FFFFFF).empty()) << "black tile pixels leave the frame alone";
    EXPECT_TRUE(frame.GuardIntact());
  }
  // Sideways: columns 510 … 549 would be drawn on the right, and tile
  // columns 60 to 79 land on screen columns 0 to 19 on the left; nothing
  // wraps onto the next row or the one above.
  const PcxImage flat = Flat(80, 80, 0x00123456);
  Frame right, left, none;
  DrawTile(470, 383 - 79, flat, right.target);
  DrawTile(-60, 100, flat, left.target);
  EXPECT_EQ(std::make_tuple(right.at(511, 383), right.at(0, 305), left.at(0, 100), left.at(19, 100), left.at(20, 100),
                            left.at(492, 99), left.at(511, 99)),
            std::make_tuple(0x00123456u, 0u, 0x00123456u, 0x00123456u, 0u, 0u, 0u));
  EXPECT_TRUE(right.GuardIntact());
  DrawTile(10, 10, Flat(64, 64, 0x00FFFFFF), none.target);
  EXPECT_EQ(none.at(10, 10), 0u) << "only 80 × 80 tiles are read";
}

// How the rows fade is held by the show's net; here the edges.
TEST(DrawFadedTile, DrawsRowsOneTo383AndLeavesTheFrameUnderBlackPixels) {
  // At y = −78 only the tile's last row shows, on row 1; at −79 nothing.
  for (int y : {-78, -79}) {
    Frame frame(0x00FFFFFF);
    DrawFadedTile(0, y, Flat(80, 80, 0x00FFFFFF), frame.target, 0);
    EXPECT_EQ(RowsDrawn(frame, 5, 0x00FFFFFF), Rows(1, y + 79)) << y;
  }
  // Under a black tile pixel the frame stays as it is, and row 0 is never drawn.
  Frame frame(0x00FFFFFF);
  DrawFadedTile(0, 1, kRowTile, frame.target, 0);
  EXPECT_EQ(std::make_pair(frame.at(0, 1), frame.at(0, 0)), std::make_pair(0x00FFFFFFu, 0x00FFFFFFu));
}

// Texel v × 256 + u holds its own index.
const PcxImage kIndexTexture = fixtures::Picture(256, 256, [](int u, int v) { return uint32_t(v * 256 + u); });

WarpTables Built() {
  WarpTables w;
  BuildWarpTables(w);
  return w;
}

// What each frame shows is held by the show's net; here the phases and the
// edges the show never meets.
TEST(TableWarp, EachFrameStepsThePhasesAndLeavesNothingOfTheLast) {
  WarpTables w = Built();
  Frame frame(0xFFFFFFFF);
  DrawTableWarp(w, frame.target, kIndexTexture, 0);
  // The phases move on by 2, 3, 1 and 3 a frame.
  EXPECT_EQ(std::tie(w.p0, w.p1, w.p2, w.p3), std::make_tuple(2, 3, 1, 3));
  DrawTableWarp(w, frame.target, kIndexTexture, 0);
  EXPECT_EQ(std::tie(w.p0, w.p1, w.p2, w.p3), std::make_tuple(4, 6, 2, 6));
  // Nothing of the previous frame shows through, whatever the phases; and
  // nothing is drawn, nor a phase moved, from a texture of another width,
  // none, or without tables.
  WarpTables unbuilt;
  w.p0 = 1000, w.p1 = -7, w.p2 = 12345, w.p3 = 99;
  DrawTableWarp(w, frame.target, fixtures::Flat(256, 256, 0x00102030), 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00102030u), kFramePixels);
  DrawTableWarp(w, frame.target, fixtures::Flat(128, 512, 0), 0);
  DrawTableWarp(w, frame.target, PcxImage{}, 0);
  DrawTableWarp(unbuilt, frame.target, kIndexTexture, 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00102030u), kFramePixels);
  EXPECT_EQ(std::make_pair(w.p0, unbuilt.p0), std::make_pair(1002, 0));
}

// Each texel tells its own place in the bits the halving blend keeps (bits
// 1 to 7 of each channel): column and row, their top bits in green.
uint32_t Texel(uint32_t c, uint32_t r) { return (r & 127) << 17 | (r >> 7) << 10 | (c >> 7) << 9 | (c & 127) << 1; }

PcxImage CodedTexture(size_t pixels = kFeedbackPixels) {
  PcxImage t = fixtures::Picture(256, 256, [](int c, int r) { return Texel(uint32_t(c), uint32_t(r)); });
  t.pixels.resize(pixels, 0);
  return t;
}

TEST(RotoZoom, EveryBandPixelIsTheTexelItsRowAndColumnReachAndOnlyFromATextureItCanRead) {
  // The band is walked in 8 × 8 blocks; the picture is that of a plain walk
  // with the column step taken before the first read. The rows around the
  // band are held by the show's net.
  const PcxImage tex = CodedTexture();
  for (float phase : {0.0f, 1.0f, 37.5f, 200.0f}) {
    SCOPED_TRACE(phase);
    Frame frame(0x00103050);
    DrawRotoZoom(phase, 400.0f, frame.target, tex, 0);
    EXPECT_TRUE(frame.GuardIntact());
    RotoSteps s = RotoZoomSteps(phase, 400.0f);
    int32_t u0 = -256 * (s.du + s.duRow), v0 = -256 * (s.dv + s.dvRow);
    for (int r = 0; r < kZoomBandRows; ++r)
      for (int c = 0; c < kFrameWidth; ++c) {
        int32_t u = u0 + r * s.duRow + (c + 1) * s.du, v = v0 + r * s.dvRow + (c + 1) * s.dv;
        uint32_t t = Texel(uint32_t(u >> 8) & 255, uint32_t(v >> 8) & 255);
        ASSERT_EQ(frame.at(c, kZoomBandTop + r), ((t >> 1) & 0x7F7F7Fu) + 0x00081828u) << c << ", " << r;
      }
  }
  // A texture it cannot read draws nothing.
  for (const PcxImage& t : {PcxImage{}, fixtures::Flat(128, 128, 0x00FFFFFF), fixtures::Flat(256, 200, 0x00FFFFFF)}) {
    Frame frame(0x00123456);
    DrawRotoZoom(0.0f, 400.0f, frame.target, t, 0);
    EXPECT_EQ(frame.at(100, 100), 0x00123456u) << t.width << " × " << t.height;
  }
}

TEST(FeedBack, ATextureWithoutRoomForItsRowsIsLeftAlone) {
  PcxImage small = CodedTexture(256 * 256);
  Frame frame(0x00FFFFFF);
  FeedBackIntoTexture(small, frame.target);
  EXPECT_EQ(small.pixels, CodedTexture(256 * 256).pixels);
}

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

// The eye starts at 256 (the show sets its own before it draws), and the
// tables are built even when the height map cannot be read.
TEST(Landscape, BuildsItsTablesWithTheEyeAt256EvenWithoutAHeightMap) {
  PictureErrors errors;
  Landscape land;
  BuildLandscape(land, "no-such-heights.pcx", errors);
  EXPECT_EQ(std::make_tuple(land.eyeHeight, land.heightMap.values.size(), land.depthOffsets.size(), land.dirX.size()),
            std::make_tuple(256, size_t(0), size_t(255), size_t(kLandDirections)));
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
