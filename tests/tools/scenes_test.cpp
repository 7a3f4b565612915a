// The six scene files assetgen writes: what the show's loader reads from
// them, the shapes the morph passes through, and the chunks they hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "assetgen/scenes.h"
#include "engine3d/scene.h"

namespace {

std::string DataFile(const std::string& name) { return std::string(DORSEL_BINARY_DIR) + "/data/" + name; }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Scene LoadQuietly(const std::string& path, CrtRandom& random) {
  Scene scene;
  ::testing::internal::CaptureStdout();
  int ok = LoadScene(scene, path.c_str(), random);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(ok, 1) << path;
  return scene;
}

TEST(Scenes, TheFilesAreWhatTheWriterMakes) {
  for (int k = 0; k < kSceneCount; ++k) {
    SCOPED_TRACE(kSceneFiles[k]);
    EXPECT_EQ(ReadAll(DataFile(kSceneFiles[k])), tds::Encode(scenes::Build(k)));
  }
}

TEST(Scenes, TheLoaderReadsEveryMeshWithItsFacesReversed) {
  CrtRandom random;
  for (int k = 0; k < kSceneCount; ++k) {
    SCOPED_TRACE(kSceneFiles[k]);
    tds::SceneData data = scenes::Build(k);
    Scene scene = LoadQuietly(DataFile(kSceneFiles[k]), random);
    // The mesh, then the light's and the camera's blocks, which hold nothing.
    ASSERT_EQ(scene.objectCount, int(data.meshes.size()) + 2);
    const tds::Mesh& mesh = data.meshes[0];
    const SceneObject& o = scene.objects[0];
    ASSERT_EQ(o.vertexCount, int(mesh.vertices.size()));
    ASSERT_EQ(o.faceCount, int(mesh.faces.size()));
    for (int i = 0; i < o.vertexCount; ++i) {
      EXPECT_EQ(o.vertices[i].x, mesh.vertices[i][0]);
      EXPECT_EQ(o.vertices[i].z, mesh.vertices[i][2]);
    }
    for (int j = 0; j < o.faceCount; ++j) {
      const tds::Face& f = mesh.faces[o.faceCount - 1 - j];
      EXPECT_EQ(o.faces[j].a, f[0]);
      EXPECT_EQ(o.faces[j].b, f[1]);
      EXPECT_EQ(o.faces[j].c, f[2]);
    }
    for (int s = 1; s < scene.objectCount; ++s) EXPECT_EQ(scene.objects[s].vertexCount, 0);
  }
}

TEST(Scenes, TheBallMeltsIntoFourShapesOfTheSameNumbering) {
  std::vector<tds::Mesh> meshes;
  for (int k = 0; k < 5; ++k) meshes.push_back(scenes::Build(k).meshes[0]);
  constexpr int n = scenes::kCubeCells;
  for (int k = 1; k < 5; ++k) {
    EXPECT_EQ(meshes[k].vertices.size(), meshes[0].vertices.size());
    EXPECT_EQ(meshes[k].faces, meshes[0].faces) << k;
  }
  EXPECT_EQ(meshes[0].vertices.size(), size_t(6 * n * n + 2));
  EXPECT_EQ(meshes[0].faces.size(), size_t(12 * n * n));
  auto length = [](const tds::Vertex& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); };
  int spikes = 0;
  for (size_t i = 0; i < meshes[0].vertices.size(); ++i) {
    EXPECT_NEAR(length(meshes[0].vertices[i]), 70, 1e-3);  // a ball
    const tds::Vertex& box = meshes[1].vertices[i];
    float side = std::max({std::fabs(box[0]), std::fabs(box[1]), std::fabs(box[2])});
    EXPECT_NEAR(side, 62, 1e-3);  // on the faces of a cube
    EXPECT_LE(std::fabs(meshes[3].vertices[i][1]), 84.001f);  // the tall block
    float r = length(meshes[4].vertices[i]);
    EXPECT_TRUE(std::fabs(r - 54) < 1e-3 || std::fabs(r - 116) < 1e-3) << r;
    spikes += r > 100;
  }
  EXPECT_EQ(spikes, 26);  // the lattice points of a 2 × 2 × 2 cube's surface
  // Every face's corners are three different vertices.
  for (const tds::Face& f : meshes[0].faces) EXPECT_TRUE(f[0] != f[1] && f[1] != f[2] && f[0] != f[2]);
  // Each of the twelve cube edges is shared by two faces: a closed surface.
  std::map<std::pair<int, int>, int> edges;
  for (const tds::Face& f : meshes[0].faces)
    for (int e = 0; e < 3; ++e) ++edges[{std::min(f[e], f[(e + 1) % 3]), std::max(f[e], f[(e + 1) % 3])}];
  for (const auto& [edge, count] : edges) EXPECT_EQ(count, 2);
}

TEST(Scenes, TheClosingKnotIsAClosedTube) {
  tds::Mesh knot = scenes::Build(5).meshes[0];
  EXPECT_EQ(knot.vertices.size(), 768u);
  EXPECT_EQ(knot.faces.size(), 1536u);
  std::map<std::pair<int, int>, int> edges;
  for (const tds::Face& f : knot.faces)
    for (int e = 0; e < 3; ++e) ++edges[{std::min(f[e], f[(e + 1) % 3]), std::max(f[e], f[(e + 1) % 3])}];
  for (const auto& [edge, count] : edges) EXPECT_EQ(count, 2);
  // It fits the frame at the closing distance of 150 in front of the camera.
  for (const tds::Vertex& v : knot.vertices) EXPECT_LT(std::hypot(v[0], v[1], v[2]) * 256 / 150, 190);
}

// The chunk tree of a file: ids seen, and whether every child fits its parent.
struct Walk {
  std::set<uint16_t> ids;
  bool fits = true;
};
const std::set<uint16_t> kContainers = {0x4D4D, 0x3D3D, 0xAFFF, 0xA010, 0xA020, 0xA030, 0xA200, 0x1200,
                                        0x2100, 0x4100, 0xB000, 0xB002, 0xB003, 0xB004, 0xB005};
void WalkChunks(const std::vector<uint8_t>& b, size_t at, size_t end, Walk& w) {
  while (at < end) {
    if (at + 6 > end) {
      w.fits = false;
      return;
    }
    uint16_t id = uint16_t(b[at] | b[at + 1] << 8);
    uint32_t length = uint32_t(b[at + 2] | b[at + 3] << 8 | b[at + 4] << 16 | uint32_t(b[at + 5]) << 24);
    if (length < 6 || at + length > end) {
      w.fits = false;
      return;
    }
    w.ids.insert(id);
    size_t body = at + 6;
    if (id == 0x4000 || id == 0x4600) {  // a name or a position before the sub-chunks
      if (id == 0x4000)
        while (b[body] != 0) ++body;
      body += id == 0x4000 ? 1 : 12;
      WalkChunks(b, body, at + length, w);
    } else if (id == 0x4120) {
      WalkChunks(b, body + 2 + 8 * size_t(b[body] | b[body + 1] << 8), at + length, w);
    } else if (kContainers.count(id)) {
      WalkChunks(b, body, at + length, w);
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
    std::vector<uint8_t> bytes = ReadAll(DataFile(name));
    Walk w;
    WalkChunks(bytes, 0, bytes.size(), w);
    EXPECT_TRUE(w.fits);
    for (uint16_t id : expected) EXPECT_TRUE(w.ids.count(id)) << std::hex << id;
  }
  // The ball's texture map names its file.
  std::vector<uint8_t> ball = ReadAll(DataFile("X_BALL.3DS"));
  Walk w;
  WalkChunks(ball, 0, ball.size(), w);
  EXPECT_TRUE(w.ids.count(0xA300));
}

}  // namespace
