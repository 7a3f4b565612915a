#include "effects2d/pcx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/effects_files.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

struct PcxFile {
  int version = 5, encoding = 1, bitsPerPixel = 8, planes = 1;
  int xMax = 1, yMin = 0, yMax = 1, bytesPerLine = 2;
  std::vector<uint8_t> data;  // encoded pixel data
  bool palette = true;        // append a marker byte and 768 palette bytes
};

// Palette entry i is (i, 255 − i, i / 2), except entry 7, which is (255, 128, 0).
uint32_t TestColour(int i) { return i == 7 ? 0xFF8000 : uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2); }

std::vector<uint8_t> Encode(const PcxFile& s) {
  std::vector<uint8_t> f(128);
  f[0] = 10, f[1] = uint8_t(s.version), f[2] = uint8_t(s.encoding), f[3] = uint8_t(s.bitsPerPixel);
  const int words[][2] = {{6, s.yMin}, {8, s.xMax}, {10, s.yMax}, {66, s.bytesPerLine}};
  for (auto [at, v] : words) f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8);
  f[65] = uint8_t(s.planes);
  f.insert(f.end(), s.data.begin(), s.data.end());
  if (s.palette) {
    f.push_back(12);
    for (int i = 0; i < 256; ++i)
      for (int shift : {16, 8, 0}) f.push_back(uint8_t(TestColour(i) >> shift));
  }
  return f;
}

// Decoding: runs over line and plane ends, the early end of a file, the
// header fields that set the size, and the palette lookup. An 8-bit picture
// carries 190 pixels of 0 past its last row.
TEST(LoadPcx, DecodesRunsAcrossLinesAndPlanes) {
  struct Case {
    const char* name;
    PcxFile file;
    int width, height;
    std::vector<uint32_t> pixels;
  };
  const uint32_t c7 = TestColour(7);
  std::vector<Case> cases = {
      {"8-bit run crossing a line end", {.data = {0xC3, 7, 9}}, 2, 2, {c7, c7, c7, TestColour(9)}},
      {"8-bit escaped single value", {.data = {0xC1, 200, 1, 0xC2, 3}}, 2, 2,
       {TestColour(200), TestColour(1), TestColour(3), TestColour(3)}},
      {"8-bit run cut at the last pixel", {.data = {0xFF, 5, 0xC2, 9}}, 2, 2, std::vector<uint32_t>(4, TestColour(5))},
      {"odd image width keeps the padding column", {.xMax = 2, .yMax = 0, .bytesPerLine = 4, .data = {1, 2, 3, 0}},
       4, 1, {TestColour(1), TestColour(2), TestColour(3), TestColour(0)}},
      {"Ymin other than 0", {.xMax = 0, .yMin = 10, .yMax = 12, .bytesPerLine = 1, .data = {4, 5, 6}}, 1, 3,
       {TestColour(4), TestColour(5), TestColour(6)}},
      {"24-bit run crossing plane ends",
       {.planes = 3, .xMax = 1, .yMax = 0, .data = {0xC3, 0x10, 0x20, 0xC2, 0x30}, .palette = false}, 2, 1,
       {0x101030, 0x102030}},
      {"24-bit run crossing a line end",
       {.planes = 3, .xMax = 0, .yMax = 1, .bytesPerLine = 1, .data = {1, 2, 0xC2, 3, 4, 5}, .palette = false},
       1, 2, {0x010203, 0x030405}},
      {"24-bit file ending early gives 255s",
       {.planes = 3, .xMax = 0, .yMax = 1, .bytesPerLine = 1, .data = {1, 2, 3, 4}, .palette = false}, 1, 2,
       {0x010203, 0x04FFFF}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureErrors errors;
    PcxImage image;
    ASSERT_EQ(LoadPCX(dir.Write("t.pcx", Encode(c.file)), image, errors), 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    std::vector<uint32_t> want = c.pixels;
    want.resize(want.size() + (c.file.planes == 1 ? 190 : 0), 0);
    EXPECT_EQ(image.pixels, want);
  }
}

TEST(LoadPcx, IndexedGivesRawValuesAndLeaves24BitAlone) {
  TempDir dir;
  PictureErrors errors;
  PcxImage image;
  // 120 values of 0 past the last row; a file that ends early reads on as 255.
  ASSERT_EQ(LoadPCXIndexed(dir.Write("h.pcx", Encode({.data = {0xC3, 7, 0xC1, 250}})), image, errors), 1);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  std::vector<uint8_t> want = {7, 7, 7, 250};
  want.resize(4 + 120, 0);
  EXPECT_EQ(image.values, want);
  EXPECT_TRUE(image.pixels.empty());
  ASSERT_EQ(LoadPCXIndexed(dir.Write("e.pcx", Encode({.data = {2}, .palette = false})), image, errors), 1);
  EXPECT_EQ(std::vector<uint8_t>(image.values.begin(), image.values.begin() + 4), (std::vector<uint8_t>{2, 255, 255, 255}));

  PcxImage untouched;
  untouched.width = 33;
  EXPECT_EQ(LoadPCXIndexed(dir.Write("rgb.pcx", Encode({.planes = 3, .data = {0xFF, 1}, .palette = false})), untouched,
                           errors), 1);
  EXPECT_EQ(untouched.width, 33);
  EXPECT_EQ(untouched.height, 0);
  EXPECT_TRUE(untouched.values.empty());
  EXPECT_TRUE(errors.empty());
}

TEST(LoadPcx, MinimumBlockLeavesRoomPastTheLastRow) {
  TempDir dir;
  PictureErrors errors;
  PcxImage image;
  PcxFile s{.planes = 3, .xMax = 255, .yMax = 255, .bytesPerLine = 256, .data = {}, .palette = false};
  for (int planeLine = 0; planeLine < 256 * 3; ++planeLine) {
    uint8_t v = planeLine % 3 == 1 ? 0x40 : 0;  // green only
    for (int run = 0; run < 4; ++run) s.data.insert(s.data.end(), {0xFF, v});
    s.data.insert(s.data.end(), {0xC4, v});
  }
  ASSERT_EQ(LoadPCX(dir.Write("6.pcx", Encode(s)), image, errors, 67876), 1);
  ASSERT_EQ(image.pixels.size(), 67876u);
  EXPECT_EQ(image.pixels[256 * 256 - 1], 0x004000u);
  EXPECT_EQ(image.pixels[256 * 256], 0u);
  EXPECT_EQ(image.pixels[67875], 0u);
}

// Every refusal: its text, its result and what it leaves in the record
// (which starts as 33 × 44 with a pixel block).
TEST(LoadPcx, RefusesWithTheLoaderMessages) {
  const std::string wrong = "The PCX-file must be of version 5 and RLE compressed", memory = "Memory allocation error !!!",
                    missing = "file bump.pcx not found";
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: no file at all
    bool indexed;
    int result;
    std::string message;  // empty: no message
    int width, height;
    bool folder = false;  // a folder of that name instead of a file
  };
  std::vector<uint8_t> huge = Encode({.yMax = 9999, .bytesPerLine = 9999, .data = {1}});
  std::vector<Case> cases = {
      {"missing file", {}, false, 0, missing, 33, 44},
      {"missing file, indexed", {}, true, 0, missing, 33, 44},
      {"version 3", Encode({.version = 3, .data = {1}}), false, 0, wrong, 33, 44},
      {"version 5 without encoding", Encode({.encoding = 0, .data = {1}}), true, 0, wrong, 33, 44},
      {"shorter than a header", std::vector<uint8_t>(huge.begin(), huge.begin() + 100), false, 0, wrong, 33, 44},
      {"8-bit file shorter than a palette", Encode({.data = {1, 2, 3, 4}, .palette = false}), false, 0, wrong, 33, 44},
      {"far too large", huge, false, 0, memory, 9999, 10000},
      {"far too large, indexed", huge, true, 0, memory, 9999, 10000},
      {"the widest accepted", Encode({.bytesPerLine = kPcxMaxSide, .data = {1}}), false, 1, "", kPcxMaxSide, 2},
      {"one wider", Encode({.bytesPerLine = kPcxMaxSide + 1, .data = {1}}), false, 0, memory, kPcxMaxSide + 1, 2},
      {"4-bit depth", Encode({.bitsPerPixel = 4, .data = {1}}), false, 1, "", 33, 44},
      {"a folder in its place", {}, false, 0, missing, 33, 44, true},
      {"a folder in its place, indexed", {}, true, 0, missing, 33, 44, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::path previous = fs::current_path();
    fs::current_path(dir.path);
    if (!c.bytes.empty()) dir.Write("bump.pcx", c.bytes);
    if (c.folder) fs::create_directory(dir.File("bump.pcx"));
    PictureErrors errors;
    PcxImage image;
    image.width = 33, image.height = 44;
    image.pixels.assign(5, 1);
    int result = c.indexed ? LoadPCXIndexed("bump.pcx", image, errors) : LoadPCX("bump.pcx", image, errors);
    fs::current_path(previous);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(errors, c.message.empty() ? PictureErrors{} : PictureErrors{c.message});
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.pixels.empty(), c.message == memory);
  }
}

// Files written by other programs decode to the pixels those programs read
// back from them: a few dozen colours, so a palettised copy is exact, with
// long flat stretches for the tools to encode as runs, at odd and even widths.
TEST(LoadPcx, MatchesOtherToolsDecoding) {
  auto have = [](const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; };
  if (!have("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const char* cases[][2] = {  // netpbm is optional; ImageMagick is not
      {"convert", "convert source.ppm -type TrueColor tool.pcx && convert tool.pcx -depth 8 ppm:back.ppm"},
      {"convert", "convert source.ppm -type Palette tool.pcx && convert tool.pcx -depth 8 ppm:back.ppm"},
      {"ppmtopcx", "ppmtopcx -24bit source.ppm > tool.pcx 2>/dev/null && pcxtoppm tool.pcx > back.ppm 2>/dev/null"},
      {"ppmtopcx", "ppmtopcx -8bit source.ppm > tool.pcx 2>/dev/null && pcxtoppm tool.pcx > back.ppm 2>/dev/null"}};
  TempDir dir;
  for (auto [tool, commands] : cases)
    for (int width : {13, 14, 130}) {
      if (!have(tool)) continue;
      SCOPED_TRACE(std::string(commands) + ", width " + std::to_string(width));
      std::ofstream source(dir.File("source.ppm"), std::ios::binary);
      source << "P6\n" << width << " 9\n255\n";
      for (int y = 0; y < 9; ++y)
        for (int x = 0, band = (y * 5) % 40; x < width; ++x, band = (x / 3 + y * 5) % 40)
          source << char(band * 6) << char(255 - band * 3) << char(x < width / 2 ? 200 : band);
      source.close();
      ASSERT_EQ(std::system(("cd " + dir.path + " && " + commands).c_str()), 0);
      std::ifstream back(dir.File("back.ppm"), std::ios::binary);
      std::string magic;
      int w = 0, h = 0, maxValue = 0;
      back >> magic >> w >> h >> maxValue;
      back.get();
      std::vector<uint8_t> rgb(size_t(w) * h * 3);
      ASSERT_TRUE(back.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size())) && magic == "P6" && maxValue == 255);
      PictureErrors errors;
      PcxImage image;
      ASSERT_EQ(LoadPCX(dir.File("tool.pcx"), image, errors), 1);
      EXPECT_TRUE(errors.empty());
      ASSERT_GE(image.width, w);
      ASSERT_EQ(image.height, h);
      int mismatches = 0;
      for (int i = 0; i < w * h; ++i)
        mismatches += image.pixels[size_t(i / w * image.width + i % w)] != (uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2]);
      EXPECT_EQ(mismatches, 0);
    }
}

}  // namespace
