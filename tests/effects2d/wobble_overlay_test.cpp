#include "effects2d/wobble_overlay.h"

#include <gtest/gtest.h>

#include <vector>

#include "director/landscape.h"

namespace {

// Pixel i of the picture carries i in the top seven bits of each channel, so
// half of it over black reads back as i and tells where it came from.
uint32_t Code(int i) { return uint32_t(i >> 14 & 0x7F) << 17 | uint32_t(i >> 7 & 0x7F) << 9 | uint32_t(i & 0x7F) << 1; }
int Decode(uint32_t half) { return int(half >> 16 & 0x7F) << 14 | int(half >> 8 & 0x7F) << 7 | int(half & 0x7F); }

PcxImage Coded() {
  PcxImage p;
  p.width = kWobbleWidth;
  p.height = kWobbleHeight;
  for (int i = 0; i < kWobbleWidth * kWobbleHeight; ++i) p.pixels.push_back(Code(i));
  return p;
}

PcxImage Plain(uint32_t colour) {
  PcxImage p;
  p.width = kWobbleWidth;
  p.height = kWobbleHeight;
  p.pixels.assign(kWobbleWidth * kWobbleHeight, colour);
  return p;
}

struct Rig {
  Landscape land;
  WobbleOverlay overlay;
  std::vector<uint32_t> pixels;
  RenderTarget target;
  explicit Rig(uint32_t fill = 0) : pixels(kFramePixels, fill) {
    BuildDirectionTables(land);
    overlay.columnShift.assign(kWobbleShiftEntries, 0);
    target.pixels = pixels.data();
  }
  void Draw(const PcxImage& picture) { DrawWobbleOverlay(overlay, picture, land.dirX, land.dirY, target); }
  uint32_t At(int x, int y) const { return pixels[y * kFrameWidth + x]; }
  // Where in the picture the overlay pixel (x, y) came from (over black).
  std::pair<int, int> Source(int x, int y) const {
    int i = Decode(At(kWobbleLeft + x, y));
    return {i % kWobbleWidth, i / kWobbleWidth};
  }
};

TEST(DrawWobbleOverlay, OnlyTheRightHandColumnsAreTouched) {
  Rig rig(0x00123456);
  rig.Draw(Coded());
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kWobbleLeft; ++x) ASSERT_EQ(rig.At(x, y), 0x00123456u) << x << "," << y;
  int changed = 0;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = kWobbleLeft; x < kFrameWidth; ++x) changed += rig.At(x, y) != 0x00123456u;
  EXPECT_GT(changed, kWobbleWidth * kWobbleHeight * 99 / 100);
}

TEST(DrawWobbleOverlay, EdgesStayPutWhileTheMiddleSways) {
  Rig rig;
  PcxImage picture = Coded();
  bool swayed = false;
  for (int frame = 0; frame < 12; ++frame) {
    std::fill(rig.pixels.begin(), rig.pixels.end(), 0);
    rig.Draw(picture);
    for (int x = 0; x < kWobbleWidth; ++x) ASSERT_EQ(rig.Source(x, 0).second, 0) << "top row, x " << x;
    for (int y = 0; y < kWobbleHeight; ++y) ASSERT_EQ(rig.Source(0, y).first, 0) << "left column, y " << y;
    EXPECT_EQ(rig.Source(0, 0), std::make_pair(0, 0));
    // The far edges move by at most one pixel.
    for (int y = 0; y < kWobbleHeight; ++y) ASSERT_GE(rig.Source(kWobbleWidth - 1, y).first, kWobbleWidth - 2);
    for (int x = 0; x < kWobbleWidth; ++x) ASSERT_GE(rig.Source(x, kWobbleHeight - 1).second, kWobbleHeight - 2);
    swayed |= rig.Source(109, 192) != std::make_pair(109, 192);
  }
  EXPECT_TRUE(swayed);
}

TEST(DrawWobbleOverlay, TheFirstFramesMiddleRow) {
  // At the first frame row 192 reads sine[384] + cosine[192] = 236 + 212,
  // so it comes from 192 × 448 / 2048 = 42 rows further down; the middle
  // column's shift is (cosine[330] + sine[110]) × 109 / 2048 = 219 × 109 / 2048 = 11.
  Rig rig;
  rig.Draw(Coded());
  EXPECT_EQ(rig.Source(0, 192), std::make_pair(0, 234));
  EXPECT_EQ(rig.overlay.columnShift[109], (109 * (rig.land.dirX[330] + rig.land.dirY[110])) >> 11);
  EXPECT_EQ(rig.overlay.columnShift[109], 11);
  EXPECT_EQ(rig.Source(109, 0), std::make_pair(120, 0));
}

TEST(DrawWobbleOverlay, PhasesTravelByFixedStepsEachFrame) {
  Rig rig;
  PcxImage picture = Coded();
  for (int n = 1; n <= 3; ++n) {
    rig.Draw(picture);
    const WobbleOverlay& o = rig.overlay;
    EXPECT_EQ(o.p0, 20 * n);
    EXPECT_EQ(o.p1, 16 * n);
    EXPECT_EQ(o.p2, 14 * n);
    EXPECT_EQ(o.p3, 30 * n);
  }
  // A frame depends on nothing but the phases: the third frame equals a
  // fresh one started from the phases the second left.
  Rig a, b;
  a.Draw(picture);
  a.Draw(picture);
  WobbleOverlay at = a.overlay;
  std::fill(a.pixels.begin(), a.pixels.end(), 0);
  a.Draw(picture);
  b.overlay.p0 = at.p0, b.overlay.p1 = at.p1, b.overlay.p2 = at.p2, b.overlay.p3 = at.p3;
  b.Draw(picture);
  EXPECT_EQ(a.pixels, b.pixels);
  // And different phases give a different picture.
  Rig c;
  c.Draw(picture);
  EXPECT_NE(a.pixels, c.pixels);
}

TEST(DrawWobbleOverlay, HalfOfThePictureOverHalfOfTheFrame) {
  struct Case {
    uint32_t picture, frame, want;
  };
  const Case cases[] = {
      {0x000000, 0xFFFFFF, 0x7F7F7F},  // black halves the frame
      {0xFFFFFF, 0x000000, 0x7F7F7F},  // white over black
      {0xFFFFFF, 0xFFFFFF, 0xFEFEFE},  // each half rounded down
      {0x123456, 0x654321, 0x3B3B3B},
      {0x010101, 0x010101, 0x000000},
  };
  for (const Case& c : cases) {
    Rig rig(c.frame);
    rig.Draw(Plain(c.picture));
    EXPECT_EQ(rig.At(400, 200), c.want) << std::hex << c.picture << " over " << c.frame;
    EXPECT_EQ(rig.At(293, 200), c.frame);
  }
}

TEST(DrawWobbleOverlay, RefusesWhatItCannotReadSafely) {
  struct Case {
    const char* what;
    void (*spoil)(Rig&, PcxImage&);
  };
  const Case cases[] = {
      {"no picture", [](Rig&, PcxImage& p) { p = PcxImage{}; }},
      {"a wider picture", [](Rig&, PcxImage& p) { p.width = 220, p.pixels.resize(220 * 384); }},
      {"a shorter picture", [](Rig&, PcxImage& p) { p.height = 200, p.pixels.resize(218 * 200); }},
      {"short pixel block", [](Rig&, PcxImage& p) { p.pixels.resize(1000); }},
      {"no direction tables", [](Rig& r, PcxImage&) { r.land.dirX.clear(); }},
      {"no column-shift table", [](Rig& r, PcxImage&) { r.overlay.columnShift.clear(); }},
  };
  for (const Case& c : cases) {
    Rig rig(0x00ABCDEF);
    PcxImage picture = Plain(0xFFFFFF);
    c.spoil(rig, picture);
    rig.Draw(picture);
    for (uint32_t p : rig.pixels) ASSERT_EQ(p, 0x00ABCDEFu) << c.what;
    EXPECT_EQ(rig.overlay.p0, 0) << c.what;
  }
}

}  // namespace
