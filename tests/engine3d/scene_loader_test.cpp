#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine3d/scene.h"
#include "fuzz/seeds/hostile_files.h"
#include "support/effects_files.h"

namespace {

using hostile::Bytes, hostile::Chunk, hostile::Join, hostile::MainChunk, hostile::Object, hostile::U16, hostile::U32;

Bytes Vertices(const std::vector<std::array<float, 3>>& v) {
  Bytes b;
  U16(b, uint16_t(v.size()));
  for (auto& p : v)
    for (float f : p) U32(b, std::bit_cast<uint32_t>(f));
  return Chunk(hostile::kVertices, b);
}
Bytes Faces(const std::vector<std::array<uint16_t, 3>>& f) {
  Bytes b;
  U16(b, uint16_t(f.size()));
  for (auto& t : f) U16(b, t[0]), U16(b, t[1]), U16(b, t[2]), U16(b, 0);
  return Chunk(hostile::kFaces, b);
}
const Bytes kFour = Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
Bytes Tri(const std::string& name, std::vector<std::array<uint16_t, 3>> faces = {{0, 1, 2}}) {
  return MainChunk(Object(name, Join(kFour, Faces(faces))));
}

struct Loaded {
  Scene scene;
  std::string out;  // standard output
  int result = -1;
};

class SceneLoader : public ::testing::Test {
 protected:
  testing_support::TempDir dir_;
  std::string Write(const std::string& name, const Bytes& bytes) { return dir_.Write(name, bytes); }
  Loaded LoadPath(const std::string& path, CrtRandom& random) {
    Loaded l;
    ::testing::internal::CaptureStdout();
    l.result = LoadScene(l.scene, path.c_str(), random);
    l.out = ::testing::internal::GetCapturedStdout();
    return l;
  }
  Loaded Load(const Bytes& bytes) {
    CrtRandom random;
    return LoadPath(Write("scene.3ds", bytes), random);
  }
};

// A light, a camera and a mesh: the light and camera take empty slots and
// the file's camera is not taken; the faces are stored in reverse with their
// colours by index; every slot starts at (−90, 20, −300) unturned, every
// camera at (0, 0, −600). (The wobble phases each slot draws show in every
// frame of the show's scenes.)
TEST_F(SceneLoader, SlotsCamerasAndFaces) {
  Bytes light, camera;
  for (float f : {1, 2, 3, 1, 1, 1}) U32(light, std::bit_cast<uint32_t>(f));
  light = Join(Bytes(light.begin(), light.begin() + 12), Chunk(0x0010, Bytes(light.begin() + 12, light.end())));  // position, colour
  for (float f : {100, 200, -300, 0, 0, 0, 0, 35}) U32(camera, std::bit_cast<uint32_t>(f));
  const Bytes file = MainChunk(Join(Join(Chunk(hostile::kObject, Join(Bytes{'L', 0}, Chunk(hostile::kLight, light))),
                                         Chunk(hostile::kObject, Join(Bytes{'C', 0}, Chunk(hostile::kCamera, camera)))),
                                    Object("Tri", Join(kFour, Faces({{0, 1, 2}, {1, 3, 2}, {2, 3, 0}})))));
  const Loaded l = Load(file);
  const Scene& s = l.scene;
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(l.out, "Quib-3D: Initializing Camera data... ok\n");
  EXPECT_EQ(std::vector<int>({s.objectCount, s.objectCapacity, s.cameraCount}), std::vector<int>({3, 1000, 5}));
  ASSERT_EQ(s.objects.size(), 1000u);
  ASSERT_EQ(s.cameras.size(), 5u);
  for (const SceneCamera& c : s.cameras) {
    EXPECT_EQ(std::vector<float>(c.position, c.position + 3), std::vector<float>({0, 0, -600}));
    EXPECT_EQ(std::vector<float>(c.target, c.target + 3), std::vector<float>({0, 0, 0}));
    EXPECT_EQ(c.basis, kIdentity3);
  }
  EXPECT_EQ(std::vector<float>(s.objects[999].position, s.objects[999].position + 3), std::vector<float>({-90, 20, -300}));
  EXPECT_EQ(s.objects[999].rotation, kIdentity3);
  EXPECT_EQ(s.objects[0].vertexCount + s.objects[0].faceCount + s.objects[1].vertexCount + s.objects[1].faceCount, 0);
  const SceneObject& o = s.objects[2];
  ASSERT_EQ(o.vertexCount, 4);
  ASSERT_EQ(o.faceCount, 3);
  EXPECT_EQ(o.vertices[3].x + o.vertices[3].y, 2);
  for (const MeshVertex& v : o.vertices) EXPECT_EQ(v.morphActive, 0);
  const int expected[3][3] = {{2, 3, 0}, {1, 3, 2}, {0, 1, 2}};
  const uint32_t colours[3] = {0xFFFFFF, 0xFFFFFF, 2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(std::vector<int>({o.faces[i].a, o.faces[i].b, o.faces[i].c}), std::vector<int>(expected[i], expected[i] + 3)) << i;
    EXPECT_EQ(o.faceInfo[i].enabled, 1) << i;
    EXPECT_EQ(o.faceInfo[i].colour, colours[i]) << i;
  }
}

// `levels` containers, one inside the other, around `inner`.
Bytes Nested(int levels, const Bytes& inner) {
  Bytes b;
  b.reserve(size_t(levels) * 6 + inner.size());
  uint32_t length = uint32_t(size_t(levels) * 6 + inner.size());
  for (int i = 0; i < levels; ++i, length -= 6) U16(b, 0x4D4D), U32(b, length);
  return Join(b, inner);
}

TEST_F(SceneLoader, HostileChunksDoNotLoseTheirNeighbours) {
  // A vertex list of 4 whose length covers only its count: the reader goes
  // past it, then seeks back and still finds the face list after it. The
  // vertex bytes sit in an unknown chunk, which the reader steps over.
  Bytes count, frames(4, 0);
  U16(count, 4);
  const Bytes shortList = Join(Chunk(hostile::kVertices, count), Chunk(0x1234, Bytes(kFour.begin() + 8, kFour.end())));
  Bytes truncated = Tri("A");
  truncated.resize(truncated.size() - 4);  // half of the only face
  const Bytes mesh = Object("A", kFour);   // the nested mesh's list is three levels below its containers
  const Bytes meshBody(mesh.begin() + 6, mesh.end());
  struct Case {
    const char* name;
    Bytes file;
    int objects, vertices, faces;  // of the last object
  };
  const Case cases[] = {
      {"short vertex list", MainChunk(Object("A", Join(shortList, Faces({{0, 1, 2}})))), 1, 4, 1},
      {"short frames chunk before a mesh", Join(Chunk(hostile::kKeyframer, Chunk(hostile::kFrames, frames)), Tri("A")), 1, 4, 1},
      {"object block longer than its parent", MainChunk(hostile::LyingChunk(hostile::kObject, uint32_t(6 + meshBody.size() + 1000), meshBody)), 1, 4, 0},
      {"zero length ends the level only",
       Join(Chunk(0x4D4D, Chunk(0x3D3D, Join(hostile::LyingChunk(0x0100, 0, {}), Object("Lost", kFour)))), MainChunk(Object("B", kFour))), 1, 4, 0},
      {"mesh data before any object block is ignored", MainChunk(Join(Join(kFour, Faces({{0, 1, 2}})), Object("A", kFour))), 1, 4, 0},
      {"unknown chunks are skipped", MainChunk(Join(Chunk(0x7777, Bytes(40, 0xEE)), Object("A", kFour))), 1, 4, 0},
      {"a face naming a vertex beyond the list is dropped", Tri("A", {{0, 1, 2}, {0, 1, 9}, {3, 2, 1}}), 1, 4, 2},
      {"a truncated file keeps what was read", truncated, 1, 4, 1},
      // A mesh after a nest, at the top, is read whatever the nest held.
      {"the vertex list at the deepest level read", Join(Nested(kMaxChunkDepth - 3, mesh), Tri("B")), 2, 4, 1},
      {"the vertex list one level too deep", Join(Nested(kMaxChunkDepth - 2, mesh), Tri("B")), 2, 4, 1},
      {"the object block itself too deep", Join(Nested(kMaxChunkDepth, mesh), Tri("B")), 1, 4, 1},
      // Far more levels than a stack holds frames, were each one followed.
      {"three hundred thousand levels", Join(Nested(300000, mesh), Tri("B")), 1, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l = Load(c.file);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.scene.objectCount, c.objects);
    const SceneObject& o = l.scene.objects[c.objects - 1];
    EXPECT_EQ(o.vertexCount, c.vertices);
    EXPECT_EQ(o.faceCount, c.faces);
    for (int i = 0; i < o.faceCount; ++i) EXPECT_LT(std::max({o.faces[i].a, o.faces[i].b, o.faces[i].c}), o.vertexCount);
    if (c.objects == 2) { EXPECT_EQ(l.scene.objects[0].vertexCount, std::string(c.name).find("too deep") == std::string::npos ? 4 : 0); }
  }
  // The dropped face leaves the others in their stored order.
  Loaded dropped = Load(Tri("A", {{0, 1, 2}, {0, 1, 9}, {3, 2, 1}}));
  EXPECT_EQ(dropped.scene.objects[0].faces[0].a, 3);
  EXPECT_EQ(dropped.scene.objects[0].faces[1].a, 0);
  EXPECT_EQ(dropped.scene.objects[0].faceInfo.size(), 2u);
}

TEST_F(SceneLoader, ObjectsPastTheSlotsAndListsPastTheBudgetAreNotRead) {
  Bytes blocks;
  for (int i = 0; i < 1002; ++i) blocks = Join(blocks, Object("O", Vertices({{float(i), 0, 0}})));
  Loaded many = Load(MainChunk(blocks));
  EXPECT_EQ(many.scene.objectCount, 1000);
  EXPECT_EQ(many.scene.objects[999].vertices[0].x, 999);
  // A thousand objects, each claiming full vertex and face lists that the
  // file does not hold: only as many are taken as the budget covers. A list
  // before any object block takes nothing from it.
  Loaded l = Load(Join(MainChunk(hostile::ShortList(hostile::kVertices)), hostile::ManyObjectsOfFullLists(kObjectSlots)));
  ASSERT_EQ(l.result, 1);
  ASSERT_EQ(l.scene.objectCount, kObjectSlots);
  const int full = kSceneListBudget / (2 * 0xFFFF);
  ASSERT_GT(full, 0);
  int64_t entries = 0;
  for (int i = 0; i < kObjectSlots; ++i) {
    const SceneObject& o = l.scene.objects[i];
    entries += o.vertexCount + o.faceCount;
    // Faces read from the bytes of the chunks behind the list may name
    // vertices past the list and are dropped; the rest stay.
    if (i < full) { ASSERT_TRUE(o.vertexCount == 0xFFFF && o.faceCount > 0xFFFF / 2) << i; }
    if (i > full) { ASSERT_EQ(o.vertexCount + o.faceCount, 0) << i; }
    ASSERT_EQ(o.vertices.size(), size_t(o.vertexCount));
    ASSERT_EQ(o.faces.size(), size_t(o.faceCount));
  }
  EXPECT_LE(entries, kSceneListBudget);
  // The budget is the scene's: the next scene starts afresh.
  Loaded next = Load(Tri("A"));
  EXPECT_EQ(next.scene.objects[0].vertexCount + next.scene.objects[0].faceCount, 5);
}

TEST_F(SceneLoader, TrackNamesAreIndentedByTheirDepth) {
  Bytes node = {'B', 'a', 'l', 'l', 0};
  U16(node, 0x4000), U16(node, 0), U16(node, 0xFFFF);
  EXPECT_EQ(Load(Chunk(0x4D4D, Chunk(0xB000, Chunk(0xB002, Chunk(0xB010, node))))).out, "        Track object name: \n");
  EXPECT_EQ(Load(Chunk(0xB010, node)).out, "  Track object name: \n");
}

// The bytes this process's reads returned while `work` ran, as the kernel
// counts them (rchar); -1 where there is no such count. Reading the count is
// itself a read, of the count's own text.
int64_t BytesReadDuring(const std::function<void()>& work) {
  auto count = [](int64_t& value) -> int64_t {
    std::ifstream in("/proc/self/io");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = text.find("rchar: ");
    value = at == std::string::npos ? -1 : std::stoll(text.substr(at + 7));
    return int64_t(text.size());
  };
  int64_t before, after, own = count(before);
  work();
  count(after);
  return before < 0 || after < 0 ? -1 : after - before - own;
}

// The reader takes each file from the disk once, whatever its chunks say,
// closes it again, and does not take at all what is missing, too large or
// not a file: it says it cannot open it and draws no numbers.
TEST_F(SceneLoader, EachFileIsReadOnceAndClosedAndOnlyARegularFileUpToTheLimit) {
  if (BytesReadDuring([] {}) != 0) GTEST_SKIP() << "no read count in /proc/self/io";
  std::vector<std::pair<std::string, int>> cases;  // path, result
  for (const char* file : kSceneFiles) cases.push_back({std::string(DORSEL_BINARY_DIR) + "/data/" + file, 1});
  for (const hostile::File& f : hostile::Scenes()) cases.push_back({Write(f.name, f.bytes), 1});
  Bytes whole = Tri("A");
  cases.push_back({Write("cut.3ds", Bytes(whole.begin(), whole.end() - 5)), 1});
  // Sizes at and past the limit, without the bytes on disk.
  for (size_t size : {kSceneFileLimit, kSceneFileLimit + 1}) {
    cases.push_back({Write(std::to_string(size), {}), size > kSceneFileLimit ? 0 : 1});
    std::filesystem::resize_file(cases.back().first, size);
  }
  std::filesystem::create_directory(dir_.File("folder.3ds"));
  cases.push_back({dir_.File("folder.3ds"), 0});
  cases.push_back({dir_.File("X_NONE.3DS"), 0});
  auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto before = openFiles();
  for (auto [path, result] : cases) {
    SCOPED_TRACE(path);
    CrtRandom random;
    Loaded l;
    ::testing::internal::CaptureStdout();
    int64_t taken = BytesReadDuring([&] { l.result = LoadScene(l.scene, path.c_str(), random); });
    l.out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(l.result, result);
    if (result) {
      EXPECT_EQ(taken, int64_t(std::filesystem::file_size(path)));
    } else {
      EXPECT_EQ(taken, 0);
      EXPECT_EQ(l.out, "Can't open " + path + "!\n");
      EXPECT_EQ(l.scene.objectCount, 0);
      EXPECT_EQ(random.state, 1u);
    }
  }
  EXPECT_EQ(openFiles(), before);
}

TEST_F(SceneLoader, LargestFaceCountCoversEveryObject) {
  Scene scenes[2] = {Load(MainChunk(Join(Object("A", Join(kFour, Faces({{0, 1, 2}}))),
                                         Object("B", Join(kFour, Faces({{0, 1, 2}, {1, 2, 3}, {0, 2, 3}})))))).scene,
                     Load(Tri("C", {{0, 1, 2}, {1, 2, 3}})).scene};
  EXPECT_EQ(LargestFaceCount(scenes, 2), 3);
  EXPECT_EQ(LargestFaceCount(scenes + 1, 1), 2);
}

}  // namespace
