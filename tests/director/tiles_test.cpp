#include "director/tiles.h"

#include <gtest/gtest.h>

#include <vector>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

// Tile row r is coloured r + 1, with a black (transparent) left half.
PcxImage RowTile(uint32_t colour = 0) {
  return fixtures::Picture(80, 80, [=](int x, int y) -> uint32_t {
    if (x < 40) return 0;
    return colour ? colour : uint32_t(y + 1);
  });
}

// Screen rows on which something was drawn in column x.
std::vector<int> RowsDrawn(Frame& frame, int x, uint32_t background) {
  std::vector<int> rows;
  for (int y = 0; y < kFrameHeight; ++y)
    if (frame.at(x, y) != background) rows.push_back(y);
  return rows;
}

TEST(DrawTile, SkipsScreenRowZeroAndEverythingBelowTheFrame) {
  struct Case {
    int y;
    int firstRow, lastRow;  // screen rows drawn, or −1 for none
    uint32_t firstColour;   // tile row + 1 on the first drawn row
  };
  const Case cases[] = {
      {10, 10, 89, 1},    {-78, 1, 1, 80}, {-79, -1, -1, 0}, {0, 1, 79, 2},
      {304, 304, 383, 1}, {305, 305, 383, 1}, {384, -1, -1, 0},
  };
  const PcxImage tile = RowTile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.y);
    Frame frame(0x00FFFFFF);
    DrawTile(100, c.y, tile, frame.target);
    std::vector<int> rows = RowsDrawn(frame, 150, 0x00FFFFFF);
    if (c.firstRow < 0) {
      EXPECT_TRUE(rows.empty());
    } else {
      ASSERT_FALSE(rows.empty());
      EXPECT_EQ(rows.front(), c.firstRow);
      EXPECT_EQ(rows.back(), c.lastRow);
      EXPECT_EQ(int(rows.size()), c.lastRow - c.firstRow + 1);
      EXPECT_EQ(frame.at(150, c.firstRow), c.firstColour);
    }
    // Black tile pixels leave the frame alone.
    EXPECT_TRUE(RowsDrawn(frame, 139, 0x00FFFFFF).empty());
    EXPECT_TRUE(frame.GuardIntact());
  }
}

TEST(DrawTile, StaysInsideTheFrameSideways) {
  const PcxImage tile = RowTile(0x00123456);
  Frame right;
  DrawTile(470, 383 - 79, tile, right.target);  // columns 510 … 549 would be drawn
  EXPECT_EQ(right.at(511, 383), 0x00123456u);
  EXPECT_EQ(right.at(0, 305), 0u) << "nothing wraps onto the next row";
  EXPECT_TRUE(right.GuardIntact());
  Frame left;
  DrawTile(-60, 100, tile, left.target);
  // Tile columns 60 to 79 land on screen columns 0 to 19.
  EXPECT_EQ(left.at(0, 100), 0x00123456u);
  EXPECT_EQ(left.at(19, 100), 0x00123456u);
  EXPECT_EQ(left.at(20, 100), 0u);
  EXPECT_EQ(left.at(492, 99), 0u) << "nothing wraps onto the row above";
  EXPECT_EQ(left.at(511, 99), 0u);
  Frame none;
  DrawTile(10, 10, fixtures::Flat(64, 64, 0x00FFFFFF), none.target);
  EXPECT_EQ(none.at(10, 10), 0u) << "only 80 × 80 tiles are read";
}

TEST(DrawFadedTile, FadesByTheDistanceFromTheMiddleRow) {
  struct Case {
    int v;  // screen row of the tile's row 0
    uint32_t frame, tile, want;
  };
  const Case cases[] = {
      // The middle row: 192/256 of the tile, nothing of the frame.
      {192, 0x00FFFFFF, 0x00FFFFFF, 0x00BFBFBF},
      {192, 0x00123456, 0x00808080, 0x00606060},
      // Rows 1 and 383: d = 191, w = 1, the frame darkened to 191/256.
      {1, 0x00FFFFFF, 0x00FFFFFF, 0x00BEBEBE},
      {383, 0x00FFFFFF, 0x00FFFFFF, 0x00BEBEBE},
      {383, 0x00FFFFFF, 0x00000001, 0x00BEBEBE},
      {100, 0x00FF0000, 0x000000FF, 0x005B0063},  // d = 92, w = 100
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    Frame frame(c.frame);
    DrawFadedTile(0, c.v, fixtures::Flat(80, 80, c.tile), frame.target, 0);
    EXPECT_EQ(frame.at(5, c.v), c.want);
    EXPECT_EQ(frame.at(80, c.v), c.frame);
  }
  // At y = −78 only the tile's last row shows, on row 1; at −79 nothing.
  for (int y : {-78, -79}) {
    Frame frame(0x00FFFFFF);
    DrawFadedTile(0, y, fixtures::Flat(80, 80, 0x00FFFFFF), frame.target, 0);
    std::vector<int> rows = RowsDrawn(frame, 5, 0x00FFFFFF);
    EXPECT_EQ(rows, y == -78 ? std::vector<int>{1} : std::vector<int>{}) << y;
  }
  // Under a black tile pixel the frame stays as it is.
  Frame frame(0x00FFFFFF);
  DrawFadedTile(0, 1, RowTile(), frame.target, 0);
  EXPECT_EQ(frame.at(0, 1), 0x00FFFFFFu);
  EXPECT_EQ(frame.at(0, 0), 0x00FFFFFFu) << "row 0 is never drawn";
}

// Draws both columns into a fresh frame, as one frame of the show does.
std::vector<uint32_t> ColumnsFrame(TileColumns& columns, const PcxImage& tile) {
  Frame frame(0x00404040);
  ScrollTilesDown(columns, 10, tile, frame.target, 0);
  ScrollTilesUp(columns, 422, tile, frame.target, 0);
  EXPECT_TRUE(frame.GuardIntact());
  frame.pixels.resize(kFramePixels);
  return frame.pixels;
}

TEST(TileColumns, MoveFourPixelsAFrameAndRepeatOnceInTwentyOneFrames) {
  // A tile whose top row is white over a frame of 0x40 shows its top rows
  // as the only bright ones.
  const PcxImage topRow = fixtures::Picture(80, 80, [](int, int y) { return y == 0 ? 0x00FFFFFFu : 1u; });
  const PcxImage& tile = topRow;
  TileColumns columns;
  std::vector<std::vector<uint32_t>> frames;
  std::vector<int32_t> offsets;
  for (int f = 0; f < 63; ++f) {
    offsets.push_back(columns.tileScroll);
    frames.push_back(ColumnsFrame(columns, tile));
  }
  for (int f = 0; f < 63; ++f) EXPECT_EQ(offsets[size_t(f)], (f % 21) * 4) << f;
  // Offsets 80 and 0 put a column's tiles on the same rows. The up column
  // reads the offset the down column has just moved on, so it repeats one
  // frame earlier.
  auto same = [&](size_t f, int x0) {
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = x0; x < x0 + 80; ++x)
        if (frames[f][size_t(y) * kFrameWidth + size_t(x)] != frames[f - 1][size_t(y) * kFrameWidth + size_t(x)])
          return false;
    return true;
  };
  std::vector<size_t> downRepeats, upRepeats;
  for (size_t f = 1; f < frames.size(); ++f) {
    if (same(f, 10)) downRepeats.push_back(f);
    if (same(f, 422)) upRepeats.push_back(f);
  }
  EXPECT_EQ(downRepeats, (std::vector<size_t>{21, 42}));
  EXPECT_EQ(upRepeats, (std::vector<size_t>{20, 41, 62}));

  // Where each column puts its tiles at offset 8.
  struct Case {
    const char* name;
    bool up;
    int x, y;
    uint32_t want;
  };
  const Case cases[] = {
      // Down: tiles at −72, 8, 88, …; at row 88, d = 104 and w = 88.
      {"down, a tile's top row", false, 60, 88, 0x00717171},
      {"down, the row above it", false, 60, 87, 0x001A1A1A},
      {"down, near the top", false, 60, 8, 0x00353535},
      // Up: tiles at 392 (off screen), 312, 232, …, −8.
      {"up, a tile's top row", true, 470, 312, 0x00656565},
      {"up, the row above it", true, 470, 311, 0x001D1D1D},
      {"up, the tile cut by row 0", true, 470, 1, 0x002F2F2F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TileColumns at8{8};
    Frame frame(0x00404040);
    if (c.up) {
      ScrollTilesUp(at8, 422, topRow, frame.target, 0);
      EXPECT_EQ(at8.tileScroll, 8) << "the up column does not move the offset";
    } else {
      ScrollTilesDown(at8, 10, topRow, frame.target, 0);
      EXPECT_EQ(at8.tileScroll, 12);
    }
    EXPECT_EQ(frame.at(c.x, c.y), c.want);
  }
}

}  // namespace
