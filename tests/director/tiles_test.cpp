#include "director/tiles.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "effect_fixtures.h"

namespace {

using fixtures::Flat;
using fixtures::Frame;

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

TEST(TileColumns, MoveFourPixelsAFrameAndRepeatOnceInTwentyOneFrames) {
  // A tile whose top row is white over a frame of 0x40 shows its top rows
  // as the only bright ones.
  const PcxImage topRow = fixtures::Picture(80, 80, [](int, int y) { return y == 0 ? 0x00FFFFFFu : 1u; });
  TileColumns columns;
  std::vector<Frame> frames(63, Frame(0x00404040));
  for (int f = 0; f < 63; ++f) {
    EXPECT_EQ(columns.tileScroll, (f % 21) * 4) << f;
    ScrollTilesDown(columns, 10, topRow, frames[f].target, 0);
    ScrollTilesUp(columns, 422, topRow, frames[f].target, 0);
    EXPECT_TRUE(frames[f].GuardIntact());
  }
  // Offsets 80 and 0 put a column's tiles on the same rows. The up column
  // reads the offset the down column has just moved on, so it repeats one
  // frame earlier.
  std::vector<int> downRepeats, upRepeats;
  for (int f = 1; f < 63; ++f)
    for (auto [x0, repeats] : {std::pair{10, &downRepeats}, {422, &upRepeats}}) {
      bool same = true;
      for (int y = 0; y < kFrameHeight; ++y)
        same = same && std::equal(&frames[f].at(x0, y), &frames[f].at(x0 + 80, y), &frames[f - 1].at(x0, y));
      if (same) repeats->push_back(f);
    }
  EXPECT_EQ(downRepeats, (std::vector<int>{21, 42}));
  EXPECT_EQ(upRepeats, (std::vector<int>{20, 41, 62}));
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

}  // namespace
