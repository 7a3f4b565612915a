#include "effects2d/wobble_overlay.h"

#include <gtest/gtest.h>

#include <vector>

#include "director/landscape.h"
#include "support/effects_frame.h"

namespace {

// Pixel i of the picture carries i in the top seven bits of each channel, so
// half of it over black reads back as i and tells where it came from.
uint32_t Code(int i) { return uint32_t(i >> 14 & 0x7F) << 17 | uint32_t(i >> 7 & 0x7F) << 9 | uint32_t(i & 0x7F) << 1; }

PcxImage Picture(bool coded, uint32_t colour = 0) {
  PcxImage p;
  p.width = kWobbleWidth, p.height = kWobbleHeight;
  for (int i = 0; i < kWobbleWidth * kWobbleHeight; ++i) p.pixels.push_back(coded ? Code(i) : colour);
  return p;
}

struct Rig : testing_support::Frame {
  Landscape land;
  WobbleOverlay overlay;
  explicit Rig(uint32_t fill = 0) : Frame(fill) {
    BuildDirectionTables(land);
    overlay.columnShift.assign(kWobbleShiftEntries, 0);
  }
  void Draw(const PcxImage& picture) { DrawWobbleOverlay(overlay, picture, land.dirX, land.dirY, target); }
  // Where in the picture the overlay pixel (x, y) came from (over black).
  std::pair<int, int> Source(int x, int y) const {
    uint32_t h = At(kWobbleLeft + x, y);
    int i = int(h >> 16 & 0x7F) << 14 | int(h >> 8 & 0x7F) << 7 | int(h & 0x7F);
    return {i % kWobbleWidth, i / kWobbleWidth};
  }
};

// Half of the picture over half of the frame, each half rounded down, on
// the right-hand columns only.
TEST(DrawWobbleOverlay, HalfOfThePictureOverHalfOfTheRightHandColumns) {
  const uint32_t cases[][3] = {{0x000000, 0xFFFFFF, 0x7F7F7F}, {0xFFFFFF, 0x000000, 0x7F7F7F},
                               {0xFFFFFF, 0xFFFFFF, 0xFEFEFE}, {0x123456, 0x654321, 0x3B3B3B},
                               {0x010101, 0x010101, 0x000000}};  // picture, frame, result
  for (auto [picture, under, want] : cases) {
    Rig rig(under);
    rig.Draw(Picture(false, picture));
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x)
        ASSERT_EQ(rig.At(x, y), x < kWobbleLeft ? under : want) << std::hex << picture << " over " << under << std::dec
                                                                << " at " << x << "," << y;
  }
}

TEST(DrawWobbleOverlay, EdgesStayPutWhileTheMiddleSways) {
  Rig rig;
  const PcxImage picture = Picture(true);
  bool swayed = false;
  for (int frame = 0; frame < 12; ++frame) {
    std::fill(rig.pixels.begin(), rig.pixels.end(), 0);
    rig.Draw(picture);
    // The near edges do not move, the far ones by at most one pixel.
    for (int x = 0; x < kWobbleWidth; ++x) {
      ASSERT_EQ(rig.Source(x, 0).second, 0) << "top row, x " << x;
      ASSERT_GE(rig.Source(x, kWobbleHeight - 1).second, kWobbleHeight - 2);
    }
    for (int y = 0; y < kWobbleHeight; ++y) {
      ASSERT_EQ(rig.Source(0, y).first, 0) << "left column, y " << y;
      ASSERT_GE(rig.Source(kWobbleWidth - 1, y).first, kWobbleWidth - 2);
    }
    swayed |= rig.Source(109, 192) != std::make_pair(109, 192);
  }
  EXPECT_TRUE(swayed);
}

TEST(DrawWobbleOverlay, TheFirstFramesMiddleRowAndThePhasesSteps) {
  // At the first frame row 192 reads sine[384] + cosine[192] = 236 + 212,
  // so it comes from 192 × 448 / 2048 = 42 rows further down; the middle
  // column's shift is (cosine[330] + sine[110]) × 109 / 2048 = 219 × 109 / 2048 = 11.
  Rig rig;
  const PcxImage picture = Picture(true);
  rig.Draw(picture);
  EXPECT_EQ(rig.Source(0, 192), std::make_pair(0, 234));
  EXPECT_EQ(rig.overlay.columnShift[109], 11);
  EXPECT_EQ(rig.Source(109, 0), std::make_pair(120, 0));
  rig.Draw(picture);
  std::fill(rig.pixels.begin(), rig.pixels.end(), 0);
  rig.Draw(picture);
  const WobbleOverlay& o = rig.overlay;
  EXPECT_EQ(std::vector<int>({o.p0, o.p1, o.p2, o.p3}), std::vector<int>({60, 48, 42, 90}));
  // A frame depends on nothing but the phases: the third frame equals a
  // fresh one started from the phases the second left; the first differs.
  Rig fresh, first;
  fresh.overlay.p0 = 40, fresh.overlay.p1 = 32, fresh.overlay.p2 = 28, fresh.overlay.p3 = 60;
  fresh.Draw(picture);
  first.Draw(picture);
  EXPECT_EQ(fresh.pixels, rig.pixels);
  EXPECT_NE(first.pixels, rig.pixels);
}

TEST(DrawWobbleOverlay, RefusesWhatItCannotReadSafely) {
  struct Case {
    const char* what;
    void (*spoil)(Rig&, PcxImage&);
  };
  const Case cases[] = {
      {"no picture", [](Rig&, PcxImage& p) { p = PcxImage{}; }}, {"short pixel block", [](Rig&, PcxImage& p) { p.pixels.resize(1000); }},
      {"a wider picture", [](Rig&, PcxImage& p) { p.width = 220, p.pixels.resize(220 * 384); }},
      {"a shorter picture", [](Rig&, PcxImage& p) { p.height = 200, p.pixels.resize(218 * 200); }},
      {"no direction tables", [](Rig& r, PcxImage&) { r.land.dirX.clear(); }},
      {"no column-shift table", [](Rig& r, PcxImage&) { r.overlay.columnShift.clear(); }},
  };
  for (const Case& c : cases) {
    Rig rig(0x00ABCDEF);
    PcxImage picture = Picture(false, 0xFFFFFF);
    c.spoil(rig, picture);
    rig.Draw(picture);
    EXPECT_EQ(rig.pixels, Rig(0x00ABCDEF).pixels) << c.what;
    EXPECT_EQ(rig.overlay.p0, 0) << c.what;
  }
}

}  // namespace
