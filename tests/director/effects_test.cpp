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

// The noise adds the shared generator's numbers in pixel order, one a pixel,
// with carries between channels; a skipped frame of noise leaves the
// generator where drawing it would, from any state, so the frames after it
// get the same numbers.
TEST(AddNoise, AddsTheSharedGeneratorsNumbersInPixelOrderWithCarriesAndSkipNoiseMatchesIt) {
  for (uint32_t state : {1u, 0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x12345678u}) {
    SCOPED_TRACE(state);
    Frame frame(0x000000F0);
    CrtRandom drawn{state}, skipped{state}, expected{state};
    AddNoise(frame.target, drawn, 0);
    SkipNoise(skipped);
    int carried = 0;
    for (int i = 0; i < kFramePixels; ++i) {
      // Blue 0xF0 and n = 31 carry into green: 0x0000F0 + 0x1F1F1F = 0x1F200F.
      ASSERT_EQ(frame.pixels[size_t(i)], 0xF0 + uint32_t(expected.Next() & 31) * 0x010101u) << "pixel " << i;
      carried += frame.pixels[size_t(i)] == 0x001F200Fu;
    }
    EXPECT_GT(carried, 0);
    EXPECT_EQ(std::make_tuple(drawn.state, skipped.state), std::make_tuple(expected.state, expected.state));
    EXPECT_NE(skipped.state, state);
    EXPECT_TRUE(frame.GuardIntact());
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
  PcxImage picture = fixtures::Picture(512, 384, [](int x, int y) { return uint32_t(y * 512 + x); });
  Frame frame(0x00FFFFFF);
  CopyPicture(picture, frame.target);
  EXPECT_TRUE(std::equal(picture.pixels.begin(), picture.pixels.end(), frame.pixels.begin()));
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

TEST(DrawFadedTile, FadesByTheDistanceFromTheMiddleRow) {
  // The screen row of the tile's row 0, the frame, the tile and the blend.
  // The middle row: 192/256 of the tile, nothing of the frame. Rows 1 and
  // 383: d = 191, w = 1, the frame darkened to 191/256. Row 100: d = 92, w = 100.
  const std::tuple<int, uint32_t, uint32_t, uint32_t> cases[] = {
      {192, 0x00FFFFFF, 0x00FFFFFF, 0x00BFBFBF}, {192, 0x00123456, 0x00808080, 0x00606060},
      {1, 0x00FFFFFF, 0x00FFFFFF, 0x00BEBEBE},   {383, 0x00FFFFFF, 0x00FFFFFF, 0x00BEBEBE},
      {383, 0x00FFFFFF, 0x00000001, 0x00BEBEBE}, {100, 0x00FF0000, 0x000000FF, 0x005B0063}};
  for (auto [v, background, tile, want] : cases) {
    Frame frame(background);
    DrawFadedTile(0, v, Flat(80, 80, tile), frame.target, 0);
    EXPECT_EQ(std::make_pair(frame.at(5, v), frame.at(80, v)), std::make_pair(want, background)) << v;
  }
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

TEST(TileColumns, MoveFourPixelsAFrameAndWrapEveryTwentyOneFrames) {
  // A tile whose top row is white over a frame of 0x40 shows its top rows
  // as the only bright ones.
  const PcxImage topRow = fixtures::Picture(80, 80, [](int, int y) { return y == 0 ? 0x00FFFFFFu : 1u; });
  TileColumns columns;
  for (int f = 0; f < 63; ++f) {
    EXPECT_EQ(columns.tileScroll, (f % 21) * 4) << f;
    Frame frame(0x00404040);
    ScrollTilesDown(columns, 10, topRow, frame.target, 0);
    ScrollTilesUp(columns, 422, topRow, frame.target, 0);
    EXPECT_TRUE(frame.GuardIntact());
  }
  // Where each column puts its tiles at offset 8. Down: tiles at −72, 8,
  // 88, …; at row 88, d = 104 and w = 88. Up: tiles at 392 (off screen),
  // 312, 232, …, −8; the up column does not move the offset.
  const std::tuple<bool, int, int, uint32_t> cases[] = {
      {false, 60, 88, 0x00717171}, {false, 60, 87, 0x001A1A1A}, {false, 60, 8, 0x00353535},
      {true, 470, 312, 0x00656565}, {true, 470, 311, 0x001D1D1D}, {true, 470, 1, 0x002F2F2F}};
  for (auto [up, x, y, want] : cases) {
    TileColumns at8{8};
    Frame frame(0x00404040);
    if (up) ScrollTilesUp(at8, 422, topRow, frame.target, 0);
    else ScrollTilesDown(at8, 10, topRow, frame.target, 0);
    EXPECT_EQ(std::make_pair(at8.tileScroll, frame.at(x, y)), std::make_pair(up ? 8 : 12, want)) << x << ", " << y;
  }
}

// Texel v × 256 + u holds its own index.
const PcxImage kIndexTexture = fixtures::Picture(256, 256, [](int u, int v) { return uint32_t(v * 256 + u); });

WarpTables Built() {
  WarpTables w;
  BuildWarpTables(w);
  return w;
}

TEST(TableWarp, SinesAreTruncatedTwiceAndOffsetsRippleRoundTwoCentres) {
  const WarpTables w = Built();
  // 256 × sin(1.57075) = 255.99999… → 255 → 31; at 128 the sine is just
  // above 0 and at 160 the eighth truncates towards zero.
  for (auto [i, want] : {std::pair{0, 0}, {64, 31}, {192, -31}, {128, 0}, {32, 22}, {160, -22}, {1, 0}, {255, 0}})
    EXPECT_EQ(w.sines[size_t(i)], want) << i;
  EXPECT_EQ(std::make_pair(*std::min_element(w.sines.begin(), w.sines.end()), *std::max_element(w.sines.begin(), w.sines.end())),
            std::make_pair(-31, 31));
  // Worked out on their own in double precision, the first distance rounded
  // to a float and its 0.01 a float.
  ASSERT_EQ(w.offsets.size(), size_t(kFramePixels));
  for (auto [x, y, want] : {std::tuple{0, 0, 651}, {200, 112, 268}, {330, 300, 268}, {511, 383, 649}, {100, 50, 549},
                            {57, 301, 596}})
    EXPECT_EQ(w.offsets[size_t(y) * kFrameWidth + size_t(x)], want) << x << ", " << y;
}

TEST(TableWarp, EachFrameReadsTheOffsetsAndMirrorsTheColumnsWithNothingOfTheLastLeft) {
  WarpTables w = Built();
  Frame frame(0xFFFFFFFF);
  DrawTableWarp(w, frame.target, kIndexTexture, 0);
  // Row r has moved on by 3, 2, 1 and 2 a row from phases all 0: texel row
  // offset + sines AND 255, column (1024 − 2k) + sines AND 255.
  const auto& S = w.sines;
  for (int r = 0; r < kFrameHeight; ++r) {
    int sa = S[size_t(3 * r & 255)] + S[size_t(2 * r & 255)];
    int sb = S[size_t(((r & 255) + (2 * r & 255)) & 255)], sc = S[size_t(2 * r & 255)];
    for (int k = 0; k < kFrameWidth; ++k) {
      uint32_t v = uint32_t((w.offsets[size_t(r) * kFrameWidth + size_t(k)] + sb + sc) & 255);
      ASSERT_EQ(frame.at(k, r), v * 256 + uint32_t((sa + 1024 - 2 * k) & 255)) << k << ", " << r;
    }
  }
  EXPECT_TRUE(frame.GuardIntact());
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

TEST(RotoZoom, StepsFromTheAngleAndZoom) {
  // A quarter turn of 1.571, not π/2: cos is −0.0002, sin × 400 just under
  // 400. Half a turn: every step reverses, truncated towards zero.
  const std::tuple<float, float, RotoSteps> cases[] = {{0.0f, 400.0f, {400, 0, 0, 399}}, {1.0f, 400.0f, {399, 9, -9, 399}},
                                                       {128.0f, 400.0f, {-399, 0, 0, -399}}, {0.0f, 256.0f, {256, 0, 0, 255}}};
  for (auto [phase, zoom, want] : cases) {
    RotoSteps s = RotoZoomSteps(phase, zoom);
    EXPECT_EQ(std::tie(s.du, s.dv, s.duRow, s.dvRow), std::tie(want.du, want.dv, want.duRow, want.dvRow)) << phase;
  }
}

TEST(RotoZoom, EveryBandPixelIsTheTexelItsRowAndColumnReachAndOnlyFromATextureItCanRead) {
  // The band is walked in 8 × 8 blocks; the picture is that of a plain walk
  // with the column step taken before the first read. At phase 0 pixel
  // (0, 65) reads texel (113, 113): U = −102400 + 400, V = −102144.
  const PcxImage tex = CodedTexture();
  for (float phase : {0.0f, 1.0f, 37.5f, 200.0f}) {
    SCOPED_TRACE(phase);
    Frame frame(0x00103050);
    DrawRotoZoom(phase, 400.0f, frame.target, tex, 0);
    EXPECT_TRUE(phase != 0.0f || frame.at(0, 65) == ((Texel(113, 113) >> 1) & 0x7F7F7Fu) + 0x00081828u);
    // Rows 0 to 64 and 321 to 383 are left alone.
    for (int y : {0, 64, 321, 383})
      for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(frame.at(x, y), 0x00103050u) << x << ", " << y;
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

TEST(FeedBack, EachRowIsARunningAverageOfTheScreen) {
  PcxImage tex = CodedTexture(kFeedbackPixels + 8);
  const uint32_t first = tex.pixels[16731];
  std::fill(tex.pixels.begin() + 16732, tex.pixels.end(), 0xDEADBEEF);
  Frame frame;
  // The screen pixels it reads carry their own place.
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) frame.at(x, y) = uint32_t(y) << 14 | uint32_t(x) << 1;
  FeedBackIntoTexture(tex, frame.target);
  // Texel 16,731 (row 65, column 91) is read, never written.
  EXPECT_EQ(tex.pixels[16731], first);
  for (int j : {0, 1, 100, 199}) {
    uint32_t left = j == 0 ? first : tex.pixels[16731 + size_t(j) * 256];
    for (int i = 0; i < 200; ++i) {
      const uint32_t want = ((left & 0xFEFEFEu) >> 1) + ((frame.at(92 + i, 65 + j) & 0xFEFEFEu) >> 1);
      ASSERT_EQ(tex.pixels[16732 + size_t(j) * 256 + size_t(i)], want) << "row " << j << " step " << i;
      left = want;
    }
  }
  // A row goes on past column 255 at the start of the next texture row (the
  // rows above end on texels 16,931 and 67,875), and stops there.
  EXPECT_EQ(std::make_pair(tex.pixels[66 * 256 + 36], tex.pixels[kFeedbackPixels]),
            std::make_pair(0xDEADBEEFu, 0xDEADBEEFu));
  // A block too small is left alone.
  PcxImage small = CodedTexture(256 * 256);
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

TEST(Landscape, BuildsItsTablesAndReadsTheHeightMap) {
  PictureErrors errors;
  Landscape land, missing;
  BuildLandscape(land, std::string(DORSEL_BINARY_DIR) + "/data/illasti2.pcx", errors);
  EXPECT_EQ(std::make_tuple(land.eyeHeight, land.heightMap.width, land.dirX[0], land.dirY[512]), std::make_tuple(256, 256, 256, 256));
  ASSERT_EQ(land.depthOffsets.size(), 255u);
  for (auto [s, want] : {std::pair{1, 4101}, {2, 2053}, {3, 1370}, {100, 45}, {254, 21}})
    EXPECT_EQ(land.depthOffsets[size_t(s)], want) << s;
  EXPECT_GE(land.heightMap.values.size(), 256u * 256u);
  BuildLandscape(missing, "no-such-heights.pcx", errors);
  // The tables are built all the same.
  EXPECT_EQ(std::make_pair(missing.heightMap.values.size(), missing.depthOffsets.size()), std::make_pair(size_t(0), size_t(255)));
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
