// The recorders and the progress line on their own: the WAV and YUV4MPEG2
// files byte for byte against files built here from their layouts, the
// colour conversion against the exact one, and the files they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "shell/progress.h"
#include "shell/wav_writer.h"
#include "shell/y4m_writer.h"
#include "support/process.h"

namespace {

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char(v >> 8 * i);
  return s;
}

// The BT.601 studio-range conversion in real numbers.
double Luma(double r, double g, double b) { return 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255; }
double Cb(double r, double g, double b) { return 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255; }
double Cr(double r, double g, double b) { return 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255; }

TEST(WavWriter, TheFileIsAStereoPcmHeaderAndTheSamplesWritten) {
  struct Case {
    int rate;
    std::vector<int> blocks;  // frames per Write call
  };
  const Case cases[] = {{44100, {}}, {44100, {1}}, {48000, {4096, 4096, 17}}, {8000, {3, 0, 5}}, {96000, {1000, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("rate " + std::to_string(c.rate) + ", " + std::to_string(c.blocks.size()) + " blocks");
    std::string path = testing::TempDir() + "wav_writer.wav", samples;
    WavWriter w;
    ASSERT_TRUE(w.Open(path, c.rate));
    int16_t next = -32768;
    for (int n : c.blocks) {
      std::vector<int16_t> block(2 * size_t(n));
      for (int16_t& s : block) samples += Le(uint16_t(s = next += 7919), 2);  // wraps through the whole range
      ASSERT_TRUE(w.Write(block.data(), n));
    }
    EXPECT_EQ(w.Frames(), int64_t(samples.size() / 4));
    EXPECT_TRUE(w.Close());
    uint32_t data = uint32_t(samples.size());
    EXPECT_EQ(testing_support::FileText(path), "RIFF" + Le(36 + data, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) +
                                                   Le(c.rate, 4) + Le(c.rate * 4, 4) + Le(4, 2) + Le(16, 2) + "data" +
                                                   Le(data, 4) + samples);
  }
}

TEST(WavWriter, AFileThatCannotBeMadeOrAFullDiskIsAFailure) {
  WavWriter w, full;
  int16_t block[2 * 8192] = {1, 2};
  EXPECT_FALSE(w.Open("/nonexistent/folder/x.wav", 44100));
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(w.Write(block, 1));
  ASSERT_TRUE(full.Open("/dev/full", 44100));  // accepts the open, refuses the bytes
  bool ok = full.Write(block, 8192);
  EXPECT_FALSE(full.Close() && ok);
}

// Every colour, alone or summed over a 2 × 2 block, with or without a top
// byte, is within rounding of the exact conversion.
TEST(Y4m, EveryColourIsWithinRoundingOfTheExactConversion) {
  double worst = 0;
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 7) {
        uint32_t rgb = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        for (double got : {Bt601Luma(rgb) - Luma(r, g, b), Bt601Luma(rgb | 0xFF000000) - Luma(r, g, b),
                           Bt601Cb(r, g, b, 1) - Cb(r, g, b), Bt601Cr(r, g, b, 1) - Cr(r, g, b),
                           Bt601Cb(4 * r, 4 * g, 4 * b, 4) - Cb(r, g, b), Bt601Cr(4 * r, 4 * g, 4 * b, 4) - Cr(r, g, b)})
          worst = std::max(worst, std::abs(got));
      }
  // Half a step of rounding, plus a hair for the 16-bit coefficients.
  EXPECT_LE(worst, 0.51);
}

// Frame f is grey level 40 f everywhere: its planes are that grey's luma
// and no colour.
TEST(Y4m, StreamHasTheHeaderAndOnePlaneSetPerFrame) {
  struct Case {
    int width, height, fps, frames;
  };
  for (Case c : {Case{512, 384, 60, 3}, Case{512, 384, 25, 0}, Case{6, 4, 1000, 2}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.fps));
    std::string path = testing::TempDir() + "y4m_writer.y4m";
    std::string want = "YUV4MPEG2 W" + std::to_string(c.width) + " H" + std::to_string(c.height) + " F" +
                       std::to_string(c.fps) + ":1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n";
    size_t pixels = size_t(c.width) * c.height;
    Y4mWriter w;
    ASSERT_TRUE(w.Open(path, c.width, c.height, c.fps));
    for (int f = 0; f < c.frames; ++f) {
      std::vector<uint32_t> frame(pixels, uint32_t(40 * f) * 0x010101);
      ASSERT_TRUE(w.WriteFrame(frame.data()));
      want += "FRAME\n" + std::string(pixels, char(std::lround(Luma(40 * f, 40 * f, 40 * f)))) + std::string(pixels / 2, char(128));
    }
    EXPECT_EQ(w.Frames(), c.frames);
    EXPECT_TRUE(w.Close());
    EXPECT_TRUE(testing_support::FileText(path) == want);
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

TEST(Progress, TheLineShowsBarWindowTimeSpeedAndWhatIsLeft) {
  const std::pair<Progress, const char*> cases[] = {
      {{1, 0, 0, 234000, 0, -1}, "[------------------------] window  1/22     0.0 s     0 fps --:-- left"},
      {{2, 30000, 20000, 30000, 412.4, 0.0}, "[########################] window  2/22    30.0 s   412 fps 0:00 left"},
      {{2, 25000, 20000, 30000, 60, 5.4}, "[############------------] window  2/22    25.0 s    60 fps 0:05 left"},
      {{20, 193000, 0, 234000, 1500, 125.6}, "[###################-----] window 20/22   193.0 s  1500 fps 2:06 left"},
      {{0, 234033, 0, 234000, 999, 0}, "[########################] window  0/22   234.0 s   999 fps 0:00 left"},
      // A run that starts past where it ends still draws a sane line.
      {{5, 80000, 90000, 80000, 10, -1}, "[------------------------] window  5/22    80.0 s    10 fps --:-- left"},
  };
  for (const auto& [p, line] : cases) EXPECT_EQ(ProgressLine(p), line);
}

// The meter redraws in place and ends with a line end, at the run's end.
TEST(Progress, TheMeterRedrawsInPlaceAndEndsWithALineEnd) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  {
    ProgressMeter meter(out, 20000, 30000);
    for (uint32_t t = 20000; t <= 30000; t += 40) meter.Frame(2, t);
    meter.Finish();
  }
  std::fclose(out);
  std::string s(text, size);
  std::free(text);
  ASSERT_GT(s.size(), 1u);
  EXPECT_EQ(s.front(), '\r');
  EXPECT_EQ(s.find('\n'), s.size() - 1) << "only the end starts a new line";
  EXPECT_EQ(s.substr(s.rfind('\r') + 1, 49), "[########################] window  2/22    30.0 s") << s;
}

}  // namespace
