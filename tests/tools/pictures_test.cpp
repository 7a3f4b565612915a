#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "assetgen/assetgen.h"
#include "assetgen/pictures_kit.h"
#include "effects2d/pcx.h"
#include "host/headless.h"

namespace {

namespace fs = std::filesystem;

std::string DataFile(const std::string& name) { return std::string(DORSEL_BINARY_DIR) + "/data/" + name; }

struct Loader {
  PictureErrors errors;
  int Load(const std::string& path, PcxImage& image, bool indexed) {
    return indexed ? LoadPCXIndexed(path, image, errors) : LoadPCX(path, image, errors);
  }
};

int FileDepth(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> header(128);
  in.read(header.data(), 128);
  return uint8_t(header[3]) * uint8_t(header[65]);
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "dorsel-pictures-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Entry {
  const char* name;
  bool indexed;  // the show reads it with LoadPCXIndexed
  int width, height;
};

const std::vector<Entry>& ShowPictures() {
  static const std::vector<Entry> entries = {
      {"mech_v.pcx", false, 512, 384},   {"g_v.pcx", false, 512, 384},      {"image2.pcx", false, 512, 384},
      {"atomb.pcx", false, 512, 384},    {"lehdet.pcx", false, 512, 384},   {"korkeus.pcx", true, 512, 384},
      {"6.pcx", false, 256, 256},        {"staticdi.pcx", false, 256, 256}, {"bump.pcx", false, 256, 256},
      {"7.pcx", false, 256, 256},        {"illasti2.pcx", true, 256, 256},  {"tilpeh2.pcx", false, 80, 80},
      {"tilpe3v4.pcx", false, 80, 80},   {"viivak.pcx", false, 128, 96},    {"flare.pcx", false, 64, 64},
      {"staff2.pcx", false, 218, 384},   {"fontti.pcx", false, 94 * 8, 15},
      // Loaded but never drawn: any size will do, but they must load.
      {"tilpeh1.pcx", false, 0, 0},      {"tilpeh4.pcx", false, 0, 0},      {"tilpeh5.pcx", false, 0, 0},
      {"tilpeh6.pcx", false, 0, 0},      {"tilpeh7.pcx", false, 0, 0},      {"tilpeh8.pcx", false, 0, 0},
      {"alareuna.pcx", false, 0, 0},     {"ylareuna.pcx", false, 0, 0},     {"quibb.pcx", false, 0, 0},
      {"raster1.pcx", false, 0, 0},      {"raster2.pcx", false, 0, 0},      {"raster3.pcx", false, 0, 0},
      {"raster4.pcx", false, 0, 0},      {"raster5.pcx", false, 0, 0},      {"raster6.pcx", false, 0, 0},
      {"raster7.pcx", false, 0, 0},      {"raster8.pcx", false, 0, 0},
  };
  return entries;
}

TEST(ShowPictures, EachLoadsWithTheShowsLoaderAtItsSize) {
  int palettised = 0, trueColour = 0;
  for (const Entry& e : ShowPictures()) {
    SCOPED_TRACE(e.name);
    Loader loader;
    PcxImage image;
    ASSERT_EQ(loader.Load(DataFile(e.name), image, e.indexed), 1);
    EXPECT_TRUE(loader.errors.empty());
    if (e.width) {
      EXPECT_EQ(image.width, e.width);
      EXPECT_EQ(image.height, e.height);
    }
    EXPECT_GT(image.width * image.height, 0);
    // A depth the loader skips also returns 1, so look at the block itself.
    EXPECT_FALSE(e.indexed ? image.values.empty() : image.pixels.empty());
    if (!e.indexed) (FileDepth(DataFile(e.name)) == 8 ? palettised : trueColour) += 1;
  }
  // Both of LoadPCX's decoding paths run in the show.
  EXPECT_GT(palettised, 0);
  EXPECT_GT(trueColour, 0);
}

// Black is the transparent colour of the tiles, the font and the flare, so
// their empty parts must be exactly 0 and their drawn parts never 0.
TEST(ShowPictures, TransparentPicturesAreBlackOnlyWhereEmpty) {
  Loader loader;
  PcxImage flare;
  ASSERT_EQ(loader.Load(DataFile("flare.pcx"), flare, false), 1);
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(flare.pixels[k], 0u) << "top " << k;
    EXPECT_EQ(flare.pixels[63 * 64 + k], 0u) << "bottom " << k;
    EXPECT_EQ(flare.pixels[k * 64], 0u) << "left " << k;
    EXPECT_EQ(flare.pixels[k * 64 + 63], 0u) << "right " << k;
  }
  EXPECT_EQ(flare.pixels[32 * 64 + 32] & 0xFF0000, 0xFF0000u) << "the centre glows";

  for (const char* name : {"tilpeh2.pcx", "tilpe3v4.pcx"}) {
    SCOPED_TRACE(name);
    PcxImage tile;
    ASSERT_EQ(loader.Load(DataFile(name), tile, false), 1);
    int drawn = 0;
    for (int i = 0; i < 80 * 80; ++i) drawn += tile.pixels[i] != 0;
    EXPECT_EQ(tile.pixels[0], 0u);
    EXPECT_EQ(tile.pixels[79 * 80 + 79], 0u);
    EXPECT_GT(drawn, 80 * 80 / 5);
    EXPECT_LT(drawn, 80 * 80 * 4 / 5);
  }

  // Every glyph from '!' to '~' has pixels, and the last column of every
  // cell stays empty so typed characters 8 pixels apart never touch.
  PcxImage font;
  ASSERT_EQ(loader.Load(DataFile("fontti.pcx"), font, false), 1);
  for (int g = 0; g < 94; ++g) {
    int drawn = 0;
    for (int r = 0; r < 15; ++r) {
      for (int k = 0; k < 8; ++k) drawn += font.pixels[size_t(r) * font.width + g * 8 + k] != 0;
      EXPECT_EQ(font.pixels[size_t(r) * font.width + g * 8 + 7], 0u) << "glyph " << char(33 + g) << " row " << r;
    }
    EXPECT_GT(drawn, 1) << "glyph " << char(33 + g);
  }
}

// The landscape repeats every 256 cells: the step across the seam must look
// like any other step between neighbours.
TEST(ShowPictures, HeightMapWrapsSeamlessly) {
  Loader loader;
  PcxImage map;
  ASSERT_EQ(loader.Load(DataFile("illasti2.pcx"), map, true), 1);
  auto h = [&](int x, int y) { return int(map.values[size_t(y & 255) * 256 + (x & 255)]); };
  double inside = 0, seamX = 0, seamY = 0;
  for (int k = 0; k < 256; ++k) {
    seamX += std::abs(h(255, k) - h(0, k));
    seamY += std::abs(h(k, 255) - h(k, 0));
    for (int x = 0; x < 255; ++x) inside += std::abs(h(x, k) - h(x + 1, k));
  }
  inside /= 255.0;
  EXPECT_LT(seamX, inside * 2 + 256);
  EXPECT_LT(seamY, inside * 2 + 256);
  int lowest = 255, highest = 0;
  for (int i = 0; i < 256 * 256; ++i) lowest = std::min(lowest, int(map.values[i])), highest = std::max(highest, int(map.values[i]));
  EXPECT_GT(highest - lowest, 120) << "a landscape, not a plain";
}

// The textures are read with their coordinates wrapped at 256, so each one
// tiles: the step from its last column to its first, and from its last row
// to its first, is no harsher than a step between neighbours inside.
TEST(ShowPictures, WrappedTexturesGoOnAcrossTheirEdges) {
  Loader loader;
  auto step = [](uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift : {0, 8, 16}) sum += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
    return sum;
  };
  for (const char* name : {"6.pcx", "staticdi.pcx", "bump.pcx", "7.pcx"}) {
    SCOPED_TRACE(name);
    PcxImage texture;
    ASSERT_EQ(loader.Load(DataFile(name), texture, false), 1);
    ASSERT_EQ(texture.width, 256);
    ASSERT_EQ(texture.height, 256);
    auto at = [&](int x, int y) { return texture.pixels[size_t(y & 255) * 256 + size_t(x & 255)]; };
    double inside = 0, seamX = 0, seamY = 0;
    for (int k = 0; k < 256; ++k) {
      seamX += step(at(255, k), at(0, k));
      seamY += step(at(k, 255), at(k, 0));
      for (int x = 0; x < 255; ++x) inside += step(at(x, k), at(x + 1, k)) + step(at(k, x), at(k, x + 1));
    }
    inside /= 2 * 255.0;  // one row's or one column's worth
    EXPECT_LT(seamX, inside * 2 + 256) << "inside " << inside;
    EXPECT_LT(seamY, inside * 2 + 256) << "inside " << inside;
  }
}

// The colour map belongs to the height map: the lowest cells are water.
TEST(ShowPictures, LandscapeColoursFollowTheHeights) {
  Loader loader;
  PcxImage map, colours;
  ASSERT_EQ(loader.Load(DataFile("illasti2.pcx"), map, true), 1);
  ASSERT_EQ(loader.Load(DataFile("7.pcx"), colours, false), 1);
  int lowest = 255;
  for (int i = 0; i < 256 * 256; ++i) lowest = std::min(lowest, int(map.values[i]));
  int water = 0, blueWater = 0, land = 0, blueLand = 0;
  for (int i = 0; i < 256 * 256; ++i) {
    uint32_t p = colours.pixels[i];
    bool blue = (p & 255) > (p >> 16 & 255) + 20;
    if (map.values[i] == lowest) ++water, blueWater += blue;
    if (map.values[i] > lowest + 30) ++land, blueLand += blue;
  }
  ASSERT_GT(water, 0);
  ASSERT_GT(land, 0);
  EXPECT_EQ(blueWater, water);
  EXPECT_LT(blueLand * 20, land);
}

// The opening's noise adds up to 31 to each channel of "mech_v.pcx" and lets
// a channel past 255 carry into the one above, so no channel may pass 224.
// The picture keeps its bright chrome and its glowing orange core.
TEST(ShowPictures, OpeningBackgroundLeavesRoomForTheNoise) {
  Loader loader;
  PcxImage mech;
  ASSERT_EQ(loader.Load(DataFile("mech_v.pcx"), mech, false), 1);
  ASSERT_EQ(mech.pixels.size(), size_t(512 * 384));
  int over = 0, bright = 0;
  uint32_t highest = 0;
  for (uint32_t p : mech.pixels) {
    for (int shift : {0, 8, 16}) {
      uint32_t channel = p >> shift & 255;
      highest = std::max(highest, channel);
      over += channel > 224;
    }
    bright += (p >> 16 & 255) + (p >> 8 & 255) + (p & 255) > 3 * 180;
    // The largest noise step never carries.
    EXPECT_EQ((p + 31 * 0x010101u) & 0xFF000000u, 0u);
  }
  EXPECT_EQ(over, 0);
  EXPECT_GE(highest, 215u) << "the highlights are squeezed, not cut away";
  EXPECT_GT(bright, 512 * 384 / 200) << "the chrome ring stays bright";
  uint32_t core = mech.pixels[168 * 512 + 372];
  EXPECT_GT(core >> 16 & 255, core & 255) << "the core glows orange";
  // The dark left side under the listing is unchanged in kind.
  uint64_t left = 0;
  for (int y = 0; y < 384; ++y)
    for (int x = 0; x < 200; ++x) left += mech.pixels[size_t(y) * 512 + x] >> 8 & 255;
  EXPECT_LT(left / (200 * 384), 60u);
}

TEST(ShowPictures, WrittenTheSameOnEveryRun) {
  TempDir a, b;
  ASSERT_TRUE(WritePictures(a.Path()));
  ASSERT_TRUE(WritePictures(b.Path()));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(a.Path())) {
    std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    std::vector<char> bytes = Bytes(entry.path());
    EXPECT_EQ(bytes, Bytes(fs::path(b.Path()) / name));
    EXPECT_EQ(bytes, Bytes(DataFile(name))) << "build/data is out of date";
    ++files;
  }
  EXPECT_EQ(files, int(ShowPictures().size()));
}

// The writer's run-length coding, read back by the show's loader: runs
// longer than 63, values that need the run marker, odd widths.
TEST(PcxWriter, RoundTripsThroughTheLoader) {
  struct Case {
    const char* name;
    int w, h;
    bool palettised;
  };
  const Case cases[] = {{"8-bit even width", 130, 5, true}, {"8-bit odd width", 13, 4, true},
                        {"24-bit even width", 130, 5, false}, {"24-bit odd width", 13, 4, false}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pics::Palette palette{};
    for (int i = 0; i < 256; ++i) palette[i] = uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i ^ 0x5A);
    std::vector<uint8_t> indices;
    std::vector<uint32_t> rgb;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        // Long runs in the first rows, then values at and above the marker.
        uint8_t v = y < 2 ? uint8_t(y * 200) : uint8_t(190 + (x * 7 + y) % 66);
        indices.push_back(v);
        rgb.push_back(palette[v]);
      }
    std::string path = dir.Path() + "/t.pcx";
    ASSERT_TRUE(c.palettised ? pics::WritePcx8(path, c.w, c.h, indices, palette)
                             : pics::WritePcx24(path, c.w, c.h, rgb));
    Loader loader;
    PcxImage image;
    ASSERT_EQ(loader.Load(path, image, false), 1);
    EXPECT_EQ(image.width, c.w + c.w % 2);
    ASSERT_EQ(image.height, c.h);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x)
        ASSERT_EQ(image.pixels[size_t(y) * image.width + x], rgb[size_t(y) * c.w + x]) << x << "," << y;
  }
}

TEST(PictureKit, TileNoiseRepeatsOverItsPeriod) {
  std::vector<pics::TileNoise> octaves = pics::MakeOctaves(1234, 4, 5);
  for (float x : {0.0f, 17.5f, 200.25f})
    for (float y : {3.0f, 128.0f, 255.5f}) {
      float v = pics::Fbm(octaves, x, y, 256.0f);
      EXPECT_NEAR(v, pics::Fbm(octaves, x + 256.0f, y, 256.0f), 1e-4f);
      EXPECT_NEAR(v, pics::Fbm(octaves, x, y - 256.0f, 256.0f), 1e-4f);
    }
}

}  // namespace
