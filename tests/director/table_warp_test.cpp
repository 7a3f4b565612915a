#include "director/table_warp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

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
  EXPECT_EQ(*std::max_element(w.sines.begin(), w.sines.end()), 31);
  EXPECT_EQ(*std::min_element(w.sines.begin(), w.sines.end()), -31);
  // Worked out on their own in double precision, the first distance rounded
  // to a float and its 0.01 a float.
  ASSERT_EQ(w.offsets.size(), size_t(kFramePixels));
  for (auto [x, y, want] : {std::tuple{0, 0, 651}, {200, 112, 268}, {330, 300, 268}, {511, 383, 649}, {100, 50, 549},
                            {57, 301, 596}})
    EXPECT_EQ(w.offsets[size_t(y) * kFrameWidth + size_t(x)], want) << x << ", " << y;
}

TEST(TableWarp, TheFirstFrameReadsTheOffsetsAndMirrorsTheColumns) {
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
}

TEST(TableWarp, NothingOfThePreviousFrameShowsThroughAndNothingIsDrawnWithoutTextureOrTables) {
  WarpTables w = Built(), unbuilt;
  w.p0 = 1000, w.p1 = -7, w.p2 = 12345, w.p3 = 99;
  Frame frame(0xFFFFFFFF);
  DrawTableWarp(w, frame.target, fixtures::Flat(256, 256, 0x00102030), 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00102030u), kFramePixels);
  // A texture of another width, none, or no tables.
  DrawTableWarp(w, frame.target, fixtures::Flat(128, 512, 0), 0);
  DrawTableWarp(w, frame.target, PcxImage{}, 0);
  DrawTableWarp(unbuilt, frame.target, kIndexTexture, 0);
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00102030u), kFramePixels);
  EXPECT_EQ(std::make_pair(w.p0, unbuilt.p0), std::make_pair(1002, 0)) << "no frame drawn, no phase moved";
}

}  // namespace
