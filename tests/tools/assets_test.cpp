// The pictures and scenes assetgen writes, as the show's loaders read them:
// their sizes and the properties the effects rely on, the writer's coding,
// and the chunks the scene files hold. (How the shapes and pictures look is
// held by the frame net, which sees every frame they are drawn in.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "assetgen/assetgen.h"
#include "assetgen/pictures_kit.h"
#include "assetgen/scenes.h"
#include "effects2d/pcx.h"
#include "engine3d/scene.h"
#include "support/host_scratch.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FileText;
using testing_support::ScratchDir;

std::string DataFile(const std::string& name) { return testing_support::DataDir() + "/" + name; }

std::vector<uint8_t> Bytes(const std::string& path) {
  std::string text = testing_support::FileText(path);
  return {text.begin(), text.end()};
}

// A picture read with the show's loader (LoadPCXIndexed when `indexed`).
PcxImage Load(const std::string& path, bool indexed = false) {
  PictureErrors errors;
  PcxImage image;
  EXPECT_EQ(indexed ? LoadPCXIndexed(path, image, errors) : LoadPCX(path, image, errors), 1) << path;
  EXPECT_TRUE(errors.empty()) << path;
  return image;
}

struct Entry {
  std::string name;
  bool indexed;  // the show reads it with LoadPCXIndexed
  int width, height;
};

const Entry kDrawnPictures[] = {
    {"mech_v.pcx", false, 512, 384},   {"g_v.pcx", false, 512, 384},      {"image2.pcx", false, 512, 384},
    {"atomb.pcx", false, 512, 384},    {"lehdet.pcx", false, 512, 384},   {"korkeus.pcx", true, 512, 384},
    {"6.pcx", false, 256, 256},        {"staticdi.pcx", false, 256, 256}, {"bump.pcx", false, 256, 256},
    {"7.pcx", false, 256, 256},        {"illasti2.pcx", true, 256, 256},  {"tilpeh2.pcx", false, 80, 80},
    {"tilpe3v4.pcx", false, 80, 80},   {"viivak.pcx", false, 128, 96},    {"flare.pcx", false, 64, 64},
    {"staff2.pcx", false, 218, 384},   {"fontti.pcx", false, 94 * 8, 15},
};
// Loaded but never drawn: any size will do, but they must load.
const std::string kUndrawnPictures[] = {"tilpeh1", "tilpeh4", "tilpeh5", "tilpeh6", "tilpeh7", "tilpeh8",
                                        "alareuna", "ylareuna", "quibb", "raster1", "raster2", "raster3",
                                        "raster4", "raster5", "raster6", "raster7", "raster8"};

TEST(ShowPictures, EachLoadsWithTheShowsLoaderAtItsSize) {
  int depths[2] = {0, 0};  // palettised and true-colour files read by LoadPCX
  std::vector<Entry> all(std::begin(kDrawnPictures), std::end(kDrawnPictures));
  for (const std::string& name : kUndrawnPictures) all.push_back({name + ".pcx", false, 0, 0});
  for (const Entry& e : all) {
    SCOPED_TRACE(e.name);
    PcxImage image = Load(DataFile(e.name), e.indexed);
    if (e.width) { EXPECT_EQ(std::pair(image.width, image.height), std::pair(e.width, e.height)); }
    EXPECT_GT(image.width * image.height, 0);
    // A depth the loader skips also returns 1, so look at the block itself.
    EXPECT_FALSE(e.indexed ? image.values.empty() : image.pixels.empty());
    std::vector<uint8_t> header = Bytes(DataFile(e.name));
    if (!e.indexed) ++depths[header.at(3) * header.at(65) == 8 ? 0 : 1];
  }
  // Both of LoadPCX's decoding paths run in the show.
  EXPECT_GT(depths[0], 0);
  EXPECT_GT(depths[1], 0);
}

// Black is the transparent colour of the tiles, the font and the flare, so
// their empty parts must be exactly 0 and their drawn parts never 0.
TEST(ShowPictures, TransparentPicturesAreBlackOnlyWhereEmpty) {
  PcxImage flare = Load(DataFile("flare.pcx"));
  for (int k = 0; k < 64; ++k)
    EXPECT_EQ(flare.pixels[k] | flare.pixels[63 * 64 + k] | flare.pixels[k * 64] | flare.pixels[k * 64 + 63], 0u) << k;
  EXPECT_EQ(flare.pixels[32 * 64 + 32] & 0xFF0000, 0xFF0000u) << "the centre glows";
  for (const char* name : {"tilpeh2.pcx", "tilpe3v4.pcx"}) {
    PcxImage tile = Load(DataFile(name));
    int drawn = int(std::count_if(tile.pixels.begin(), tile.pixels.begin() + 80 * 80, [](uint32_t p) { return p != 0; }));
    EXPECT_EQ(tile.pixels[0] | tile.pixels[79 * 80 + 79], 0u) << name;
    EXPECT_TRUE(drawn > 80 * 80 / 5 && drawn < 80 * 80 * 4 / 5) << name << ": " << drawn;
  }
  // Every glyph from '!' to '~' has pixels, and the last column of every
  // cell stays empty so typed characters 8 pixels apart never touch.
  PcxImage font = Load(DataFile("fontti.pcx"));
  for (int g = 0; g < 94; ++g) {
    int drawn = 0;
    for (int r = 0; r < 15; ++r) {
      for (int k = 0; k < 8; ++k) drawn += font.pixels[size_t(r) * font.width + g * 8 + k] != 0;
      EXPECT_EQ(font.pixels[size_t(r) * font.width + g * 8 + 7], 0u) << "glyph " << char(33 + g) << " row " << r;
    }
    EXPECT_GT(drawn, 1) << "glyph " << char(33 + g);
  }
}

// The height map and the textures are read with their coordinates wrapped
// at 256, so each one tiles: the step from its last column to its first,
// and from its last row to its first, is no harsher than a step between
// neighbours inside.
TEST(ShowPictures, WrappedPicturesGoOnAcrossTheirEdges) {
  for (const char* name : {"illasti2.pcx", "6.pcx", "staticdi.pcx", "bump.pcx", "7.pcx"}) {
    SCOPED_TRACE(name);
    bool heights = name[0] == 'i';
    PcxImage picture = Load(DataFile(name), heights);
    ASSERT_EQ(std::pair(picture.width, picture.height), std::pair(256, 256));
    auto at = [&](int x, int y) {
      size_t i = size_t(y & 255) * 256 + size_t(x & 255);
      return heights ? uint32_t(picture.values[i]) : picture.pixels[i];
    };
    auto step = [](uint32_t a, uint32_t b) {
      int sum = 0;
      for (int shift : {0, 8, 16}) sum += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
      return sum;
    };
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

// The opening's noise adds up to 31 to each channel of "mech_v.pcx" and lets
// a channel past 255 carry into the one above, so no channel may pass 224;
// the highlights are squeezed below that, not cut away.
TEST(ShowPictures, OpeningBackgroundLeavesRoomForTheNoise) {
  PcxImage mech = Load(DataFile("mech_v.pcx"));
  ASSERT_EQ(mech.pixels.size(), size_t(512 * 384));
  uint32_t highest = 0;
  for (uint32_t p : mech.pixels)
    for (int shift : {0, 8, 16}) highest = std::max(highest, p >> shift & 255);
  EXPECT_TRUE(highest >= 215 && highest <= 224) << highest;
}

TEST(ShowPictures, WrittenTheSameOnEveryRun) {
  ScratchDir a("pictures_a"), b("pictures_b");
  ASSERT_TRUE(WritePictures(a.dir));
  ASSERT_TRUE(WritePictures(b.dir));
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(a.dir)) {
    std::string name = entry.path().filename().string(), bytes = FileText(entry.path());
    EXPECT_EQ(bytes, FileText(b / name)) << name;
    EXPECT_EQ(bytes, FileText(DataFile(name))) << name << ": build/data is out of date";
    ++files;
  }
  EXPECT_EQ(files, std::size(kDrawnPictures) + std::size(kUndrawnPictures));
}

// The writer's run-length coding, read back by the show's loader: runs
// longer than 63, values that need the run marker, odd widths.
TEST(PcxWriter, RoundTripsThroughTheLoader) {
  pics::Palette palette{};
  for (int i = 0; i < 256; ++i) palette[i] = uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i ^ 0x5A);
  ScratchDir dir("pcx_writer");
  const std::string path = dir / "t.pcx";
  for (auto [w, h, palettised] : {std::tuple{130, 5, true}, {13, 4, true}, {130, 5, false}, {13, 4, false}}) {
    SCOPED_TRACE(std::to_string(w) + " wide, " + (palettised ? "8-bit" : "24-bit"));
    std::vector<uint8_t> indices;
    std::vector<uint32_t> rgb;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Long runs in the first rows, then values at and above the marker.
        indices.push_back(y < 2 ? uint8_t(y * 200) : uint8_t(190 + (x * 7 + y) % 66));
        rgb.push_back(palette[indices.back()]);
      }
    ASSERT_TRUE(palettised ? pics::WritePcx8(path, w, h, indices, palette) : pics::WritePcx24(path, w, h, rgb));
    PcxImage image = Load(path);
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(w + w % 2, h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(image.pixels[size_t(y) * image.width + x], rgb[size_t(y) * w + x]) << x << "," << y;
  }
}

TEST(Scenes, TheFilesAreWhatTheWriterMakesAndTheLoaderReadsEveryMeshWithItsFacesReversed) {
  CrtRandom random;
  for (int k = 0; k < kSceneCount; ++k) {
    SCOPED_TRACE(kSceneFiles[k]);
    tds::SceneData data = scenes::Build(k);
    EXPECT_EQ(Bytes(DataFile(kSceneFiles[k])), tds::Encode(data));
    Scene scene;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadScene(scene, DataFile(kSceneFiles[k]).c_str(), random), 1);
    ::testing::internal::GetCapturedStdout();
    // The mesh, then the light's and the camera's blocks, which hold nothing.
    ASSERT_EQ(scene.objectCount, int(data.meshes.size()) + 2);
    const tds::Mesh& mesh = data.meshes[0];
    const SceneObject& o = scene.objects[0];
    ASSERT_EQ(std::pair(o.vertexCount, o.faceCount), std::pair(int(mesh.vertices.size()), int(mesh.faces.size())));
    for (int i = 0; i < o.vertexCount; ++i)
      EXPECT_EQ(std::pair(o.vertices[i].x, o.vertices[i].z), std::pair(mesh.vertices[i][0], mesh.vertices[i][2]));
    for (int j = 0; j < o.faceCount; ++j) {
      const tds::Face& f = mesh.faces[o.faceCount - 1 - j];
      EXPECT_EQ(std::tuple(o.faces[j].a, o.faces[j].b, o.faces[j].c), std::tuple(f[0], f[1], f[2]));
    }
    for (int s = 1; s < scene.objectCount; ++s) EXPECT_EQ(scene.objects[s].vertexCount, 0);
  }
}

// The chunk ids of a file, and whether every child fits its parent.
void WalkChunks(const std::vector<uint8_t>& b, size_t at, size_t end, std::set<uint16_t>& ids, bool& fits) {
  static const std::set<uint16_t> kContainers = {0x4D4D, 0x3D3D, 0xAFFF, 0xA010, 0xA020, 0xA030, 0xA200, 0x1200,
                                                 0x2100, 0x4100, 0xB000, 0xB002, 0xB003, 0xB004, 0xB005};
  while (at < end) {
    if (at + 6 > end) return void(fits = false);
    uint16_t id = uint16_t(b[at] | b[at + 1] << 8);
    uint32_t length = uint32_t(b[at + 2] | b[at + 3] << 8 | b[at + 4] << 16 | uint32_t(b[at + 5]) << 24);
    if (length < 6 || at + length > end) return void(fits = false);
    ids.insert(id);
    size_t body = at + 6;
    if (id == 0x4000) {  // a name before the sub-chunks
      while (b[body] != 0) ++body;
      WalkChunks(b, body + 1, at + length, ids, fits);
    } else if (id == 0x4600) {  // a position before the sub-chunks
      WalkChunks(b, body + 12, at + length, ids, fits);
    } else if (id == 0x4120) {  // the faces before the sub-chunks
      WalkChunks(b, body + 2 + 8 * size_t(b[body] | b[body + 1] << 8), at + length, ids, fits);
    } else if (kContainers.count(id)) {
      WalkChunks(b, body, at + length, ids, fits);
    }
    at += length;
  }
}

TEST(Scenes, TheFilesHoldWhatExportersWrite) {
  const std::set<uint16_t> expected = {
      0x4D4D, 0x3D3D, 0xAFFF, 0xA000, 0xA010, 0xA020, 0xA030, 0x0010, 0x0011, 0x1200, 0x2100,
      0x4000, 0x4100, 0x4110, 0x4120, 0x4130, 0x4140, 0x4150, 0x4160, 0x4600, 0x4610, 0x4700,
      0xB000, 0xB008, 0xB002, 0xB003, 0xB004, 0xB005, 0xB010, 0xB013, 0xB020, 0xB021, 0xB022,
      0xB023, 0xB024, 0xB030};
  for (const char* name : kSceneFiles) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes = Bytes(DataFile(name));
    std::set<uint16_t> ids;
    bool fits = true;
    WalkChunks(bytes, 0, bytes.size(), ids, fits);
    EXPECT_TRUE(fits);
    for (uint16_t id : expected) EXPECT_TRUE(ids.count(id)) << std::hex << id;
    if (std::string(name) == "X_BALL.3DS") {
      EXPECT_TRUE(ids.count(0xA300)) << "the ball's texture map names its file";
    }
  }
}

}  // namespace
