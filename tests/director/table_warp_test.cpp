#include "director/table_warp.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

// Texel v × 256 + u holds its own index.
PcxImage IndexTexture() { return fixtures::Picture(256, 256, [](int u, int v) { return uint32_t(v * 256 + u); }); }

const WarpTables& Built() {
  static const WarpTables tables = [] {
    WarpTables w;
    BuildWarpTables(w);
    return w;
  }();
  return tables;
}

TEST(TableWarp, SinesAreTruncatedTwice) {
  const WarpTables& w = Built();
  struct Case {
    int i, want;
  };
  // 256 × sin(1.57075) = 255.99999… → 255 → 31; at 128 the sine is just
  // above 0 and at 160 the eighth truncates towards zero.
  const Case cases[] = {{0, 0}, {64, 31}, {192, -31}, {128, 0}, {32, 22}, {160, -22}, {1, 0}, {255, 0}};
  for (const Case& c : cases) EXPECT_EQ(w.sines[size_t(c.i)], c.want) << c.i;
  EXPECT_EQ(*std::max_element(w.sines.begin(), w.sines.end()), 31);
  EXPECT_EQ(*std::min_element(w.sines.begin(), w.sines.end()), -31);
}

TEST(TableWarp, OffsetsRippleRoundTwoCentres) {
  const WarpTables& w = Built();
  ASSERT_EQ(w.offsets.size(), size_t(kFramePixels));
  struct Case {
    int x, y, want;
  };
  // Worked out on their own in double precision, the first distance rounded
  // to a float and its 0.01 a float.
  const Case cases[] = {
      {0, 0, 651}, {200, 112, 268}, {330, 300, 268}, {511, 383, 649}, {100, 50, 549}, {57, 301, 596},
  };
  for (const Case& c : cases) EXPECT_EQ(w.offsets[size_t(c.y) * kFrameWidth + size_t(c.x)], c.want) << c.x << ", " << c.y;
}

TEST(TableWarp, TheFirstFrameReadsTheOffsetsAndMirrorsTheColumns) {
  WarpTables w = Built();
  const PcxImage tex = IndexTexture();
  Frame frame(0xFFFFFFFF);
  DrawTableWarp(w, frame.target, tex, 0);
  // Row 0 of the first frame has every phase at 0: texel row T AND 255,
  // column (1024 − 2k) AND 255.
  for (int k = 0; k < kFrameWidth; ++k) {
    uint32_t v = uint32_t(w.offsets[size_t(k)] & 255);
    uint32_t u = uint32_t((1024 - 2 * k) & 255);
    ASSERT_EQ(frame.at(k, 0), v * 256 + u) << k;
  }
  // Later rows have moved on by 3, 2, 1 and 2 a row.
  const auto& S = w.sines;
  for (int r = 1; r < kFrameHeight; ++r) {
    int sa = S[size_t(3 * r & 255)] + S[size_t(2 * r & 255)];
    int sb = S[size_t(((r & 255) + (2 * r & 255)) & 255)];
    int sc = S[size_t(2 * r & 255)];
    for (int k = 0; k < kFrameWidth; ++k) {
      uint32_t v = uint32_t((w.offsets[size_t(r) * kFrameWidth + size_t(k)] + sb + sc) & 255);
      uint32_t u = uint32_t((sa + 1024 - 2 * k) & 255);
      ASSERT_EQ(frame.at(k, r), v * 256 + u) << k << ", " << r;
    }
  }
  EXPECT_TRUE(frame.GuardIntact());
  // The phases moved on by 2, 3, 1 and 3.
  EXPECT_EQ(w.p0, 2);
  EXPECT_EQ(w.p1, 3);
  EXPECT_EQ(w.p2, 1);
  EXPECT_EQ(w.p3, 3);
  DrawTableWarp(w, frame.target, tex, 0);
  EXPECT_EQ(w.p0, 4);
  EXPECT_EQ(w.p1, 6);
  EXPECT_EQ(w.p2, 2);
  EXPECT_EQ(w.p3, 6);
}

TEST(TableWarp, NothingOfThePreviousFrameShowsThrough) {
  WarpTables w = Built();
  w.p0 = 1000, w.p1 = -7, w.p2 = 12345, w.p3 = 99;
  Frame frame(0xFFFFFFFF);
  DrawTableWarp(w, frame.target, fixtures::Flat(256, 256, 0x00102030), 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00102030u), kFramePixels);
}

TEST(TableWarp, ATextureOfAnotherWidthOrNoTablesDrawNothing) {
  WarpTables w = Built();
  Frame frame(0x00ABCDEF);
  DrawTableWarp(w, frame.target, fixtures::Flat(128, 512, 0), 0);
  DrawTableWarp(w, frame.target, PcxImage{}, 0);
  WarpTables unbuilt;
  DrawTableWarp(unbuilt, frame.target, IndexTexture(), 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00ABCDEFu), kFramePixels);
  EXPECT_EQ(w.p0, 0) << "no frame drawn, no phase moved";
}

}  // namespace
