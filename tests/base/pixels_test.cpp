#include "base/pixels.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "base/simd.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Truncation, TowardsZeroEachWithItsOwnRuleOutOfRange) {
  // 2147483520 is the largest float below 2^31.
  const std::tuple<double, int32_t, int32_t> cases[] = {
      {2.9, 2, 2},     {-2.9, -2, -2},     {-0.5, 0, 0},     {3e9, INT32_MIN, INT32_MAX}, {-3e9, INT32_MIN, INT32_MIN},
      {2147483520.0, 2147483520, 2147483520}, {kNaN, INT32_MIN, 0}};
  for (auto [v, indefinite, saturated] : cases)
    EXPECT_EQ(std::make_pair(TruncOrIndefinite(float(v)), TruncSaturated(v)), std::make_pair(indefinite, saturated)) << v;
}

TEST(PixelArithmetic, PerChannel) {
  // a, b, their half blend, their saturated sum, a × 64 + b × 192 each >> 8.
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      {0x00000000, 0x00FFFFFF, 0x007F7F7F, 0x00FFFFFF, 0x00BFBFBF},
      {0x00FF0000, 0x00FF0000, 0x00FE0000, 0x00FF0000, 0x00FE0000},
      {0xFF102030, 0x00010203, 0x00081119, 0x00112233, 0x0004090E},
      {0x00808080, 0x00808080, 0x00808080, 0x00FFFFFF, 0x00808080}};
  for (auto [a, b, half, added, weighted] : cases) {
    EXPECT_EQ(std::make_tuple(HalfBlend(a, b), AddSaturated(a, b), WeightedBlend(a, 64, b, 192)),
              std::make_tuple(half, added, weighted)) << std::hex << a;
    EXPECT_EQ(ScalePixel(a, 128), WeightedBlend(a, 128, 0, 0)) << std::hex << a;
  }
}

#if DORSEL_PACKED
TEST(PixelArithmetic, PackedFormsGiveThePlainPixels) {
  // Every channel value against weights and partners that reach the ends.
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t a[4] = {v * 0x010101u, v << 16 | 0xFF, 0xFF000000u | v << 8, v * 0x01010101u};
    const uint32_t b[4] = {0x00FFFFFF, 0, (255 - v) * 0x010101u, 0x00123456};
    __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    for (uint32_t w : {0u, 1u, 127u, 255u}) {
      alignas(16) uint32_t scaled[4], blended[4], halves[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(scaled), ScalePixels4(pa, ChannelWeights(w)));
      _mm_store_si128(reinterpret_cast<__m128i*>(blended),
                      WeightedBlend4(pa, ChannelWeights(255 - w), pb, ChannelWeights(w)));
      _mm_store_si128(reinterpret_cast<__m128i*>(halves), HalfBlend4(pa, pb));
      for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(scaled[k], ScalePixel(a[k], w)) << v << " " << w << " " << k;
        ASSERT_EQ(blended[k], WeightedBlend(a[k], 255 - w, b[k], w)) << v << " " << w << " " << k;
        ASSERT_EQ(halves[k], HalfBlend(a[k], b[k])) << v << " " << k;
      }
    }
  }
}
#endif

}  // namespace
