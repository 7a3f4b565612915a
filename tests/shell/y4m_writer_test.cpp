#include "shell/y4m_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The BT.601 studio-range conversion in real numbers, for comparison.
double Luma(double r, double g, double b) { return 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255; }
double Cb(double r, double g, double b) { return 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255; }
double Cr(double r, double g, double b) { return 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255; }

TEST(Y4m, PrimariesAndGreysGiveTheTextbookValues) {
  struct Case {
    uint32_t rgb;
    int y, cb, cr;
  };
  const Case cases[] = {
      {0x000000, 16, 128, 128}, {0xFFFFFF, 235, 128, 128}, {0x808080, 126, 128, 128},
      {0xFF0000, 81, 90, 240},  {0x00FF00, 145, 54, 34},   {0x0000FF, 41, 240, 110},
      {0xFFFF00, 210, 16, 146}, {0x00FFFF, 170, 166, 16},  {0xFF00FF, 106, 202, 222},
      // The top byte carries no colour.
      {0xFF000000, 16, 128, 128},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rgb);
    int r = c.rgb >> 16 & 255, g = c.rgb >> 8 & 255, b = c.rgb & 255;
    EXPECT_EQ(Bt601Luma(c.rgb), c.y);
    EXPECT_EQ(Bt601Cb(4 * r, 4 * g, 4 * b, 4), c.cb);
    EXPECT_EQ(Bt601Cr(4 * r, 4 * g, 4 * b, 4), c.cr);
  }
}

TEST(Y4m, EveryColourIsWithinRoundingOfTheExactConversion) {
  double worst = 0;
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 7) {
        uint32_t rgb = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        worst = std::max(worst, std::abs(Bt601Luma(rgb) - Luma(r, g, b)));
        worst = std::max(worst, std::abs(Bt601Cb(r, g, b, 1) - Cb(r, g, b)));
        worst = std::max(worst, std::abs(Bt601Cr(r, g, b, 1) - Cr(r, g, b)));
      }
  // Half a step of rounding, plus a hair for the 16-bit coefficients.
  EXPECT_LE(worst, 0.51);
}

// A 4 × 2 image: two 2 × 2 blocks, so one chroma pair each, from the
// block's average.
TEST(Y4m, ChromaIsTheAverageOfEachTwoByTwoBlock) {
  const uint32_t image[8] = {0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00,  //
                             0xFF0000, 0x0000FF, 0x00FF00, 0x00FF00};
  uint8_t y[8], cb[2], cr[2];
  RgbToYuv420(image, 4, 2, y, cb, cr);
  EXPECT_EQ(std::vector<int>(y, y + 8), (std::vector<int>{81, 41, 145, 145, 81, 41, 145, 145}));
  // Left block: half red, half blue.
  EXPECT_EQ(cb[0], int(std::lround(Cb(127.5, 0, 127.5))));
  EXPECT_EQ(cr[0], int(std::lround(Cr(127.5, 0, 127.5))));
  EXPECT_EQ(cb[1], 54);
  EXPECT_EQ(cr[1], 34);
}

TEST(Y4m, StreamHasTheHeaderAndOnePlaneSetPerFrame) {
  struct Case {
    int width, height, fps, frames;
  };
  for (Case c : {Case{512, 384, 60, 3}, Case{512, 384, 25, 0}, Case{6, 4, 1000, 2}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.fps));
    std::string path = testing::TempDir() + "y4m_writer.y4m";
    std::vector<uint32_t> frame(size_t(c.width) * c.height);
    {
      Y4mWriter w;
      ASSERT_TRUE(w.Open(path, c.width, c.height, c.fps));
      for (int f = 0; f < c.frames; ++f) {
        // Frame f is grey level 40 f everywhere, so frames can be told apart.
        for (uint32_t& p : frame) p = uint32_t(40 * f) * 0x010101;
        ASSERT_TRUE(w.WriteFrame(frame.data()));
      }
      EXPECT_EQ(w.Frames(), c.frames);
      EXPECT_TRUE(w.Close());
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string header = "YUV4MPEG2 W" + std::to_string(c.width) + " H" + std::to_string(c.height) + " F" +
                         std::to_string(c.fps) + ":1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n";
    ASSERT_EQ(bytes.compare(0, header.size(), header), 0) << bytes.substr(0, 80);
    size_t planes = size_t(c.width) * c.height * 3 / 2;
    ASSERT_EQ(bytes.size(), header.size() + size_t(c.frames) * (6 + planes));
    for (int f = 0; f < c.frames; ++f) {
      size_t at = header.size() + size_t(f) * (6 + planes);
      EXPECT_EQ(bytes.substr(at, 6), "FRAME\n");
      int grey = 40 * f;
      EXPECT_EQ(uint8_t(bytes[at + 6]), std::lround(Luma(grey, grey, grey)));
      EXPECT_EQ(uint8_t(bytes[at + 6 + planes - 1]), 128);  // last Cr: a grey has no colour
    }
  }
}

TEST(Y4m, OddSizesAndUnwritableFilesAreRefused) {
  Y4mWriter w;
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 5, 4, 30));
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 4, 3, 30));
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 4, 4, 0));
  EXPECT_FALSE(w.Open("/nonexistent/folder/x.y4m", 512, 384, 30));
  std::vector<uint32_t> frame(512 * 384);
  EXPECT_FALSE(w.WriteFrame(frame.data()));
}

}  // namespace
