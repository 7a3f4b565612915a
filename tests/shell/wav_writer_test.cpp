#include "shell/wav_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

TEST(WavWriter, HeaderSizesAndSamplesMatchWhatWasWritten) {
  struct Case {
    int rate;
    std::vector<int> blocks;  // frames per Write call
  };
  const Case cases[] = {{44100, {}}, {44100, {1}}, {48000, {4096, 4096, 17}}, {8000, {3, 0, 5}},
                        {96000, {1000, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("rate " + std::to_string(c.rate) + ", " + std::to_string(c.blocks.size()) + " blocks");
    std::string path = testing::TempDir() + "wav_writer.wav";
    std::vector<int16_t> all;
    {
      WavWriter w;
      ASSERT_TRUE(w.Open(path, c.rate));
      int16_t next = -32768;
      for (int n : c.blocks) {
        std::vector<int16_t> block(2 * size_t(n));
        for (int16_t& s : block) s = next += 7919;  // wraps through the whole range
        all.insert(all.end(), block.begin(), block.end());
        ASSERT_TRUE(w.Write(block.data(), n));
      }
      EXPECT_EQ(w.Frames(), int64_t(all.size() / 2));
      EXPECT_TRUE(w.Close());
    }
    std::vector<uint8_t> b = Bytes(path);
    uint32_t data = uint32_t(all.size() * 2);
    ASSERT_EQ(b.size(), 44 + data);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le(b, 4, 4), 36 + data);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le(b, 16, 4), 16u);
    EXPECT_EQ(Le(b, 20, 2), 1u);  // PCM
    EXPECT_EQ(Le(b, 22, 2), 2u);  // stereo
    EXPECT_EQ(Le(b, 24, 4), uint32_t(c.rate));
    EXPECT_EQ(Le(b, 28, 4), uint32_t(c.rate) * 4);
    EXPECT_EQ(Le(b, 32, 2), 4u);
    EXPECT_EQ(Le(b, 34, 2), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(Le(b, 40, 4), data);
    for (size_t i = 0; i < all.size(); ++i)
      ASSERT_EQ(int16_t(Le(b, 44 + 2 * i, 2)), all[i]) << "sample " << i;
  }
}

TEST(WavWriter, AFileThatCannotBeMadeFailsToOpen) {
  WavWriter w;
  EXPECT_FALSE(w.Open("/nonexistent/folder/x.wav", 44100));
  EXPECT_FALSE(w.IsOpen());
  int16_t s[2] = {1, 2};
  EXPECT_FALSE(w.Write(s, 1));
}

TEST(WavWriter, AFullDiskIsAFailureAtClose) {
  WavWriter w;
  ASSERT_TRUE(w.Open("/dev/full", 44100));  // accepts the open, refuses the bytes
  std::vector<int16_t> block(2 * 8192, 1);
  bool ok = w.Write(block.data(), 8192);
  ok = w.Close() && ok;
  EXPECT_FALSE(ok);
}

}  // namespace
