#include "effects2d/pcx.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>


namespace {

namespace fs = std::filesystem;

struct FileSpec {
  int version = 5;
  int encoding = 1;
  int bitsPerPixel = 8;
  int planes = 1;
  int xMax = 1;
  int yMin = 0;
  int yMax = 1;
  int bytesPerLine = 2;
  std::vector<uint8_t> data;   // encoded pixel data
  bool palette = true;         // append a marker byte and 768 palette bytes
};

// A palette whose entry i is (i, 255 - i, i / 2), except entry 7, which is
// (255, 128, 0).
std::vector<uint8_t> TestPalette() {
  std::vector<uint8_t> p;
  for (int i = 0; i < 256; ++i) {
    p.push_back(uint8_t(i));
    p.push_back(uint8_t(255 - i));
    p.push_back(uint8_t(i / 2));
  }
  p[21] = 255, p[22] = 128, p[23] = 0;
  return p;
}

uint32_t TestColour(int i) {
  if (i == 7) return 0xFF8000;
  return uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2);
}

std::vector<uint8_t> Encode(const FileSpec& s) {
  std::vector<uint8_t> f;
  f.reserve(128 + s.data.size() + 769);
  f.resize(128);
  f[0] = 10;
  f[1] = uint8_t(s.version);
  f[2] = uint8_t(s.encoding);
  f[3] = uint8_t(s.bitsPerPixel);
  f[6] = uint8_t(s.yMin), f[7] = uint8_t(s.yMin >> 8);
  f[8] = uint8_t(s.xMax), f[9] = uint8_t(s.xMax >> 8);
  f[10] = uint8_t(s.yMax), f[11] = uint8_t(s.yMax >> 8);
  f[65] = uint8_t(s.planes);
  f[66] = uint8_t(s.bytesPerLine), f[67] = uint8_t(s.bytesPerLine >> 8);
  f.insert(f.end(), s.data.begin(), s.data.end());
  if (s.palette) {
    f.push_back(12);
    std::vector<uint8_t> p = TestPalette();
    f.insert(f.end(), p.begin(), p.end());
  }
  return f;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "dorsel-pcx-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return (fs::path(path_) / name).string(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return File(name);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};


// Decoding: runs over line and plane ends, the early end of a file, the
// header fields that set the size, and the palette lookup.
TEST(LoadPcx, DecodesRunsAcrossLinesAndPlanes) {
  struct Case {
    const char* name;
    FileSpec spec;
    int width, height;
    std::vector<uint32_t> pixels;
  };
  std::vector<Case> cases = {
      {"8-bit run crossing a line end", {.data = {0xC3, 7, 9}}, 2, 2,
       {0xFF8000, 0xFF8000, 0xFF8000, TestColour(9)}},
      {"8-bit escaped single value", {.data = {0xC1, 200, 1, 0xC2, 3}}, 2, 2,
       {TestColour(200), TestColour(1), TestColour(3), TestColour(3)}},
      {"8-bit run cut at the last pixel", {.data = {0xFF, 5, 0xC2, 9}}, 2, 2,
       {TestColour(5), TestColour(5), TestColour(5), TestColour(5)}},
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
    std::string path = dir.Write("t.pcx", Encode(c.spec));
    ASSERT_EQ(LoadPCX(path, image, errors), 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    size_t count = c.pixels.size();
    size_t slack = c.spec.planes == 1 ? 760 / 4 : 0;
    ASSERT_EQ(image.pixels.size(), count + slack);
    EXPECT_EQ(std::vector<uint32_t>(image.pixels.begin(), image.pixels.begin() + count), c.pixels);
    for (size_t i = count; i < image.pixels.size(); ++i) ASSERT_EQ(image.pixels[i], 0u) << "slack " << i;
  }
}

TEST(LoadPcx, IndexedGivesRawValuesAndLeaves24BitAlone) {
  TempDir dir;
  PictureErrors errors;
  PcxImage image;
  std::string path = dir.Write("h.pcx", Encode({.data = {0xC3, 7, 0xC1, 250}}));
  ASSERT_EQ(LoadPCXIndexed(path, image, errors), 1);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  ASSERT_EQ(image.values.size(), 4u + 120u);
  EXPECT_EQ(std::vector<uint8_t>(image.values.begin(), image.values.begin() + 4),
            (std::vector<uint8_t>{7, 7, 7, 250}));
  EXPECT_TRUE(image.pixels.empty());

  // A file that ends early: the rest of the image reads as 255.
  ASSERT_EQ(LoadPCXIndexed(dir.Write("e.pcx", Encode({.data = {2}, .palette = false})), image,
                           errors), 1);
  EXPECT_EQ(std::vector<uint8_t>(image.values.begin(), image.values.begin() + 4),
            (std::vector<uint8_t>{2, 255, 255, 255}));

  PcxImage untouched;
  untouched.width = 33;
  std::string rgb = dir.Write("rgb.pcx", Encode({.planes = 3, .data = {0xFF, 1}, .palette = false}));
  EXPECT_EQ(LoadPCXIndexed(rgb, untouched, errors), 1);
  EXPECT_EQ(untouched.width, 33);
  EXPECT_EQ(untouched.height, 0);
  EXPECT_TRUE(untouched.values.empty());
  EXPECT_TRUE(errors.empty());
}

TEST(LoadPcx, MinimumBlockLeavesRoomPastTheLastRow) {
  TempDir dir;
  PictureErrors errors;
  PcxImage image;
  FileSpec s{.planes = 3, .xMax = 255, .yMax = 255, .bytesPerLine = 256, .data = {}, .palette = false};
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

// Every refusal: its text, its caption, its result and what it leaves in the
// record.
TEST(LoadPcx, RefusesWithTheLoaderMessages) {
  const std::string wrong = "The PCX-file must be of version 5 and RLE compressed";
  const std::string memory = "Memory allocation error !!!";
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: no file at all
    bool indexed;
    int result;
    std::string message;  // empty: no box
    int width, height;    // record afterwards (starts as 33 × 44)
    bool folder = false;  // a folder of that name instead of a file
  };
  std::vector<uint8_t> huge = Encode({.yMax = 9999, .bytesPerLine = 9999, .data = {1}});
  std::vector<uint8_t> shortPalette = Encode({.data = {1, 2, 3, 4}, .palette = false});
  std::vector<Case> cases = {
      {"missing file", {}, false, 0, "file bump.pcx not found", 33, 44},
      {"missing file, indexed", {}, true, 0, "file bump.pcx not found", 33, 44},
      {"version 3", Encode({.version = 3, .data = {1}}), false, 0, wrong, 33, 44},
      {"version 5 without encoding", Encode({.encoding = 0, .data = {1}}), true, 0, wrong, 33, 44},
      {"shorter than a header", std::vector<uint8_t>(huge.begin(), huge.begin() + 100), false, 0, wrong, 33, 44},
      {"8-bit file shorter than a palette", shortPalette, false, 0, wrong, 33, 44},
      {"far too large", huge, false, 0, memory, 9999, 10000},
      {"far too large, indexed", huge, true, 0, memory, 9999, 10000},
      {"the widest accepted", Encode({.bytesPerLine = kPcxMaxSide, .data = {1}}), false, 1, "", kPcxMaxSide, 2},
      {"one wider", Encode({.bytesPerLine = kPcxMaxSide + 1, .data = {1}}), false, 0, memory, kPcxMaxSide + 1, 2},
      {"4-bit depth", Encode({.bitsPerPixel = 4, .data = {1}}), false, 1, "", 33, 44},
      {"a folder in its place", {}, false, 0, "file bump.pcx not found", 33, 44, true},
      {"a folder in its place, indexed", {}, true, 0, "file bump.pcx not found", 33, 44, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    if (!c.bytes.empty()) dir.Write("bump.pcx", c.bytes);
    if (c.folder) fs::create_directory(dir.File("bump.pcx"));
    PictureErrors errors;
    PcxImage image;
    image.width = 33;
    image.height = 44;
    image.pixels.assign(5, 1);
    int result = c.indexed ? LoadPCXIndexed("bump.pcx", image, errors)
                           : LoadPCX("bump.pcx", image, errors);
    fs::current_path(previous);
    EXPECT_EQ(result, c.result);
    if (c.message.empty()) {
      EXPECT_TRUE(errors.empty());
    } else {
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0], c.message);
    }
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.pixels.empty(), c.message == memory);
  }
}

// Files written by other programs decode to the pixels those programs read
// back from them.
struct Rgb {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
};

bool ReadPpm(const std::string& path, Rgb& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> out.width >> out.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return false;
  out.bytes.resize(size_t(out.width) * out.height * 3);
  in.read(reinterpret_cast<char*>(out.bytes.data()), std::streamsize(out.bytes.size()));
  return bool(in);
}

void WritePpm(const std::string& path, int width, int height) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      // A few dozen colours, so a palettised copy is exact, with long flat
      // stretches for the tools to encode as runs.
      int band = (x / 3 + y * 5) % 40;
      uint8_t rgb[3] = {uint8_t(band * 6), uint8_t(255 - band * 3), uint8_t((x < width / 2) ? 200 : band)};
      out.write(reinterpret_cast<const char*>(rgb), 3);
    }
}

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(LoadPcx, MatchesOtherToolsDecoding) {
  struct Case {
    const char* tool;
    const char* encode;  // %in, %out
    const char* decode;  // %in (pcx), %out (ppm)
  };
  std::vector<Case> cases = {
      {"convert", "convert %in -type TrueColor %out", "convert %in -depth 8 ppm:%out"},
      {"convert", "convert %in -type Palette %out", "convert %in -depth 8 ppm:%out"},
      {"ppmtopcx", "ppmtopcx -24bit %in > %out 2>/dev/null", "pcxtoppm %in > %out 2>/dev/null"},
      {"ppmtopcx", "ppmtopcx -8bit %in > %out 2>/dev/null", "pcxtoppm %in > %out 2>/dev/null"},
  };
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
  auto fill = [](std::string cmd, const std::string& in, const std::string& out) {
    cmd.replace(cmd.find("%in"), 3, in);
    cmd.replace(cmd.find("%out"), 4, out);
    return cmd;
  };
  TempDir dir;
  for (const Case& c : cases) {
    if (!HaveTool(c.tool)) continue;  // netpbm is optional; ImageMagick is not
    for (int width : {13, 14, 130}) {
      SCOPED_TRACE(std::string(c.encode) + " width " + std::to_string(width));
      std::string source = dir.File("source.ppm"), pcx = dir.File("tool.pcx"), back = dir.File("back.ppm");
      WritePpm(source, width, 9);
      ASSERT_EQ(std::system(fill(c.encode, source, pcx).c_str()), 0);
      ASSERT_EQ(std::system(fill(c.decode, pcx, back).c_str()), 0);
      Rgb expected;
      ASSERT_TRUE(ReadPpm(back, expected));
      PictureErrors errors;
      PcxImage image;
      ASSERT_EQ(LoadPCX(pcx, image, errors), 1);
      EXPECT_TRUE(errors.empty());
      ASSERT_GE(image.width, expected.width);
      ASSERT_EQ(image.height, expected.height);
      int mismatches = 0;
      for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
          const uint8_t* p = &expected.bytes[(size_t(y) * expected.width + x) * 3];
          uint32_t want = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
          if (image.pixels[size_t(y) * image.width + x] != want) ++mismatches;
        }
      EXPECT_EQ(mismatches, 0);
    }
  }
}

}  // namespace
