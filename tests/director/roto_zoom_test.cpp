#include "director/roto_zoom.h"

#include <gtest/gtest.h>

#include <tuple>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

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
  const std::tuple<float, float, RotoSteps> cases[] = {{0.0f, 400.0f, {400, 0, 0, 399}},
                                                       {1.0f, 400.0f, {399, 9, -9, 399}},
                                                       {128.0f, 400.0f, {-399, 0, 0, -399}},
                                                       {0.0f, 256.0f, {256, 0, 0, 255}}};
  for (auto [phase, zoom, want] : cases) {
    RotoSteps s = RotoZoomSteps(phase, zoom);
    EXPECT_EQ(std::tie(s.du, s.dv, s.duRow, s.dvRow), std::tie(want.du, want.dv, want.duRow, want.dvRow)) << phase;
  }
}

TEST(RotoZoom, EveryBandPixelIsTheTexelItsRowAndColumnReach) {
  // The band is walked in 8 × 8 blocks; the picture is that of a plain walk
  // with the column step taken before the first read. At phase 0 pixel
  // (0, 65) reads texel (113, 113): U = −102400 + 400, V = −102144.
  const PcxImage tex = CodedTexture();
  for (float phase : {0.0f, 1.0f, 37.5f, 200.0f}) {
    SCOPED_TRACE(phase);
    Frame frame(0x00103050);
    DrawRotoZoom(phase, 400.0f, frame.target, tex, 0);
    if (phase == 0.0f) {
      EXPECT_EQ(frame.at(0, 65), ((Texel(113, 113) >> 1) & 0x7F7F7Fu) + 0x00081828u);
    }
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
}

TEST(RotoZoom, ATextureItCannotReadDrawsNothing) {
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
      size_t s = 16731 + size_t(j) * 256 + size_t(i);
      uint32_t f = frame.at(92 + i, 65 + j);
      uint32_t want = ((left & 0xFEFEFEu) >> 1) + ((f & 0xFEFEFEu) >> 1);
      ASSERT_EQ(tex.pixels[s + 1], want) << "row " << j << " step " << i;
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

}  // namespace
