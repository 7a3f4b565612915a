#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine3d/scene.h"
#include "fuzz/seeds/hostile_files.h"

namespace {

// Chunks by hand: a header with its length, then the body.
using Bytes = std::vector<uint8_t>;

void U16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void U32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void F32(Bytes& b, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  U32(b, v);
}
void Str(Bytes& b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}
Bytes Chunk(uint16_t id, const Bytes& body, int lengthAdjust = 0) {
  Bytes b;
  U16(b, id);
  U32(b, uint32_t(int64_t(body.size()) + 6 + lengthAdjust));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}
Bytes Named(const std::string& name, const Bytes& rest) {
  Bytes b;
  Str(b, name);
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}
Bytes Vertices(const std::vector<std::array<float, 3>>& v) {
  Bytes b;
  U16(b, uint16_t(v.size()));
  for (auto& p : v) F32(b, p[0]), F32(b, p[1]), F32(b, p[2]);
  return Chunk(0x4110, b);
}
Bytes Faces(const std::vector<std::array<uint16_t, 3>>& f, const Bytes& sub = {}) {
  Bytes b;
  U16(b, uint16_t(f.size()));
  for (auto& t : f) U16(b, t[0]), U16(b, t[1]), U16(b, t[2]), U16(b, 0);
  b.insert(b.end(), sub.begin(), sub.end());
  return Chunk(0x4120, b);
}
Bytes Mesh(const std::string& name, const Bytes& meshChunks) {
  return Chunk(0x4000, Named(name, Chunk(0x4100, meshChunks)));
}
Bytes Main(const Bytes& editor) { return Chunk(0x4D4D, Chunk(0x3D3D, editor)); }
Bytes CameraBlock() {
  Bytes body;
  for (float f : {100.0f, 200.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f, 35.0f}) F32(body, f);
  return Chunk(0x4000, Named("Camera01", Chunk(0x4700, body)));
}
Bytes LightBlock() {
  Bytes body;
  F32(body, 1), F32(body, 2), F32(body, 3);
  Bytes colour;
  F32(colour, 1), F32(colour, 1), F32(colour, 1);
  body = Join({body, Chunk(0x0010, colour)});
  return Chunk(0x4000, Named("Light01", Chunk(0x4600, body)));
}

const std::vector<std::array<float, 3>> kTriangleVertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                                              {1, 1, 0}};

struct Loaded {
  Scene scene;
  std::string out;  // standard output
  int result = -1;
};

class SceneLoader : public ::testing::Test {
 protected:
  std::string dir_ = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "scene-XXXXXX").string();
    return std::string(mkdtemp(pattern.data()));
  }();
  ~SceneLoader() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string path = dir_ + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);  // an empty one has no data pointer
    std::fclose(f);
    return path;
  }
  Loaded Load(const Bytes& bytes, CrtRandom& random) {
    std::string path = Write("scene.3ds", bytes);
    Loaded l;
    ::testing::internal::CaptureStdout();
    l.result = LoadScene(l.scene, path.c_str(), random);
    l.out = ::testing::internal::GetCapturedStdout();
    return l;
  }
  Loaded Load(const Bytes& bytes) {
    CrtRandom random;
    return Load(bytes, random);
  }
};

TEST_F(SceneLoader, LightsAndCamerasOnlyGiveEmptySlotsAndTheStartCamera) {
  Loaded l = Load(Main(Join({LightBlock(), CameraBlock()})));
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(l.scene.objectCount, 2);
  EXPECT_EQ(l.scene.objectCapacity, 1000);
  EXPECT_EQ(l.scene.cameraCount, 5);
  ASSERT_EQ(l.scene.objects.size(), 1000u);
  ASSERT_EQ(l.scene.cameras.size(), 5u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(l.scene.objects[i].vertexCount, 0);
    EXPECT_EQ(l.scene.objects[i].faceCount, 0);
  }
  EXPECT_EQ(l.out, "Quib-3D: Initializing Camera data... ok\n");
  // The file's camera (100, 200, -300) is not taken.
  for (const SceneCamera& c : l.scene.cameras) {
    EXPECT_EQ(c.position[0], 0);
    EXPECT_EQ(c.position[1], 0);
    EXPECT_EQ(c.position[2], -600);
    EXPECT_EQ(c.target[0], 0);
    EXPECT_EQ(c.target[1], 0);
    EXPECT_EQ(c.target[2], 0);
    EXPECT_EQ(c.basis, kIdentity3);
  }
  const SceneObject& slot = l.scene.objects[999];
  EXPECT_EQ(slot.position[0], -90);
  EXPECT_EQ(slot.position[1], 20);
  EXPECT_EQ(slot.position[2], -300);
  EXPECT_EQ(slot.rotation, kIdentity3);
}

TEST_F(SceneLoader, FacesAreStoredInReverseWithColoursByIndex) {
  Loaded l = Load(Main(Mesh("Tri", Join({Vertices(kTriangleVertices),
                                         Faces({{0, 1, 2}, {1, 3, 2}, {2, 3, 0}})}))));
  ASSERT_EQ(l.result, 1);
  ASSERT_EQ(l.scene.objectCount, 1);
  const SceneObject& o = l.scene.objects[0];
  ASSERT_EQ(o.vertexCount, 4);
  ASSERT_EQ(o.faceCount, 3);
  EXPECT_EQ(o.vertices[3].x, 1);
  EXPECT_EQ(o.vertices[3].y, 1);
  const int expected[3][3] = {{2, 3, 0}, {1, 3, 2}, {0, 1, 2}};
  const uint32_t colours[3] = {0xFFFFFF, 0xFFFFFF, 2};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(o.faces[i].a, expected[i][0]);
    EXPECT_EQ(o.faces[i].b, expected[i][1]);
    EXPECT_EQ(o.faces[i].c, expected[i][2]);
    EXPECT_EQ(o.faceInfo[i].enabled, 1);
    EXPECT_EQ(o.faceInfo[i].colour, colours[i]);
  }
}

TEST_F(SceneLoader, DrawsThreeThousandAndThreePerFaceCarryingFromSceneToScene) {
  Bytes file = Main(Mesh("Tri", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}, {1, 3, 2}})})));
  CrtRandom random;
  Loaded first = Load(file, random);
  Loaded second = Load(file, random);
  CrtRandom expected;
  for (int i = 0; i < 2 * (3000 + 3 * 2); ++i) expected.Next();
  EXPECT_EQ(random.state, expected.state);

  // Slot 0 draws three to drop, then a, b, c of face 0 (file face 1) and of
  // face 1 (file face 0); the second scene starts where the first stopped.
  CrtRandom replay;
  for (const Loaded* l : {&first, &second}) {
    const SceneObject& o = l->scene.objects[0];
    for (int i = 0; i < 3; ++i) replay.Next();
    float phase[4] = {};
    float step[4] = {};
    const float steps[3] = {-0.0115f, 0.0108f, 0.0115f};
    for (int j = 0; j < 2; ++j) {
      const int32_t corner[3] = {o.faces[j].a, o.faces[j].b, o.faces[j].c};
      for (int k = 0; k < 3; ++k) {
        phase[corner[k]] = float(replay.Next() % 255);
        step[corner[k]] = steps[k];
      }
    }
    for (int v = 0; v < 4; ++v) {
      SCOPED_TRACE(v);
      EXPECT_EQ(o.vertices[v].phase, phase[v]);
      EXPECT_EQ(o.vertices[v].phaseStep, step[v]);
      EXPECT_EQ(o.vertices[v].morphActive, 0);
    }
    for (int i = 0; i < 999 * 3; ++i) replay.Next();
  }
  EXPECT_EQ(replay.state, random.state);
  // Vertex 2 is named by both faces and keeps the last one's values: face 1
  // is file face 0 (0, 1, 2), where it is c.
  EXPECT_EQ(first.scene.objects[0].vertices[2].phaseStep, 0.0115f);
}

TEST_F(SceneLoader, ChunksThatLieAboutTheirLengthDoNotLoseTheirNeighbours) {
  // A vertex list of 4 whose length covers only its count: the reader goes
  // past it, then seeks back and still finds the face list after it.
  Bytes shortVertices;
  U16(shortVertices, 4);
  Bytes shortList = Chunk(0x4110, shortVertices);
  Bytes vertexData;
  for (auto& p : kTriangleVertices) F32(vertexData, p[0]), F32(vertexData, p[1]), F32(vertexData, p[2]);
  // The vertex bytes sit in an unknown chunk, which the reader steps over.
  Bytes filler = Chunk(0x1234, vertexData);

  Bytes frames;
  U32(frames, 0);
  Bytes shortFrames = Chunk(0xB008, frames);  // the handler reads 8 bytes, the chunk holds 4

  struct Case {
    const char* name;
    Bytes file;
    int objects, vertices, faces;
  };
  const Case cases[] = {
      {"short vertex list",
       Main(Mesh("A", Join({shortList, filler, Faces({{0, 1, 2}})}))), 1, 4, 1},
      {"short frames chunk before a mesh",
       Join({Chunk(0xB000, shortFrames), Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}})})))}),
       1, 4, 1},
      {"object block longer than its parent",
       Main(Join({Chunk(0x4000, Named("A", Chunk(0x4100, Vertices(kTriangleVertices))), 1000)})), 1, 4, 0},
      {"zero length ends the level only",
       Join({Chunk(0x4D4D, Join({Chunk(0x3D3D, Join({Chunk(0x0100, {}, -6), Mesh("Lost", Vertices(kTriangleVertices))}))})),
             Main(Mesh("B", Vertices(kTriangleVertices)))}),
       1, 4, 0},
      {"mesh data before any object block is ignored",
       Main(Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}}), Mesh("A", Vertices(kTriangleVertices))})), 1, 4, 0},
      {"unknown chunks are skipped", Main(Join({Chunk(0x7777, Bytes(40, 0xEE)), Mesh("A", Vertices(kTriangleVertices))})),
       1, 4, 0},
      {"a face naming a vertex beyond the list is dropped",
       Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}, {0, 1, 9}, {3, 2, 1}})}))), 1, 4, 2},
      {"a truncated file keeps what was read", [] {
         Bytes f = Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}})})));
         f.resize(f.size() - 4);  // half of the only face
         return f;
       }(), 1, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l = Load(c.file);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.scene.objectCount, c.objects);
    const SceneObject& o = l.scene.objects[c.objects - 1];
    EXPECT_EQ(o.vertexCount, c.vertices);
    EXPECT_EQ(o.faceCount, c.faces);
    for (int i = 0; i < o.faceCount; ++i) {
      EXPECT_LT(o.faces[i].a, o.vertexCount);
      EXPECT_LT(o.faces[i].b, o.vertexCount);
      EXPECT_LT(o.faces[i].c, o.vertexCount);
    }
  }
}

TEST_F(SceneLoader, TheDroppedFaceLeavesTheOthersInTheirStoredOrder) {
  Loaded l = Load(Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}, {0, 1, 9}, {3, 2, 1}})}))));
  const SceneObject& o = l.scene.objects[0];
  ASSERT_EQ(o.faceCount, 2);
  EXPECT_EQ(o.faces[0].a, 3);
  EXPECT_EQ(o.faces[1].a, 0);
  EXPECT_EQ(o.faceInfo.size(), 2u);
}

TEST_F(SceneLoader, ObjectBlocksBeyondTheThousandthAreIgnored) {
  Bytes blocks;
  for (int i = 0; i < 1002; ++i) {
    Bytes b = Mesh("O", Vertices({{float(i), 0, 0}}));
    blocks.insert(blocks.end(), b.begin(), b.end());
  }
  Loaded l = Load(Main(blocks));
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(l.scene.objectCount, 1000);
  EXPECT_EQ(l.scene.objects[999].vertices[0].x, 999);
}

// `levels` containers, one inside the other, around `inner`. Written front
// to back, since the outer lengths are known from the start.
Bytes Nested(int levels, const Bytes& inner) {
  Bytes b;
  b.reserve(size_t(levels) * 6 + inner.size());
  uint32_t length = uint32_t(size_t(levels) * 6 + inner.size());
  for (int i = 0; i < levels; ++i, length -= 6) U16(b, 0x4D4D), U32(b, length);
  b.insert(b.end(), inner.begin(), inner.end());
  return b;
}

TEST_F(SceneLoader, ChunksNestedTooDeepAreSteppedOver) {
  // The mesh is an object block around a tri-mesh around a vertex list:
  // its list sits three levels below the containers around it.
  const Bytes mesh = Mesh("A", Vertices(kTriangleVertices));
  struct Case {
    const char* name;
    int containers;
    int objects, vertices;  // of the nested mesh
  };
  const Case cases[] = {
      {"the vertex list at the deepest level read", kMaxChunkDepth - 3, 1, 4},
      {"the vertex list one level too deep", kMaxChunkDepth - 2, 1, 0},
      {"the object block itself too deep", kMaxChunkDepth, 0, 0},
      // Far more levels than a stack holds frames, were each one followed.
      {"three hundred thousand levels", 300000, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A mesh after the nest, at the top, is read whatever the nest held.
    Loaded l = Load(Join({Nested(c.containers, mesh), Main(Mesh("B", Vertices({{5, 6, 7}})))}));
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.scene.objectCount, c.objects + 1);
    if (c.objects) {
      EXPECT_EQ(l.scene.objects[0].vertexCount, c.vertices);
    }
    const SceneObject& after = l.scene.objects[c.objects];
    ASSERT_EQ(after.vertexCount, 1);
    EXPECT_EQ(after.vertices[0].z, 7);
  }
}

TEST_F(SceneLoader, ListsStopBeingReadOnceTheSceneBudgetIsSpent) {
  // A thousand objects, each claiming full vertex and face lists that the
  // file does not hold: only as many are taken as the budget covers.
  Bytes counts;
  U16(counts, 0xFFFF);
  Bytes blocks;
  for (int i = 0; i < kObjectSlots; ++i) {
    Bytes b = Mesh("O", Join({Chunk(0x4110, counts), Chunk(0x4120, counts)}));
    blocks.insert(blocks.end(), b.begin(), b.end());
  }
  // A list before any object block takes nothing from the budget.
  Loaded l = Load(Main(Join({Chunk(0x4110, counts), blocks})));
  ASSERT_EQ(l.result, 1);
  ASSERT_EQ(l.scene.objectCount, kObjectSlots);
  const int full = kSceneListBudget / (2 * 0xFFFF);
  ASSERT_GT(full, 0);
  int64_t entries = 0;
  for (int i = 0; i < kObjectSlots; ++i) {
    const SceneObject& o = l.scene.objects[i];
    entries += o.vertexCount + o.faceCount;
    if (i < full) {
      ASSERT_EQ(o.vertexCount, 0xFFFF) << i;
      // Faces read from the bytes of the chunks behind the list may name
      // vertices past the list and are dropped; the rest stay.
      ASSERT_GT(o.faceCount, 0xFFFF / 2) << i;
    } else if (i > full) {
      ASSERT_EQ(o.vertexCount, 0) << i;
      ASSERT_EQ(o.faceCount, 0) << i;
    }
    ASSERT_EQ(o.vertices.size(), size_t(o.vertexCount));
    ASSERT_EQ(o.faces.size(), size_t(o.faceCount));
  }
  EXPECT_LE(entries, kSceneListBudget);
  // The budget is the scene's: the next scene starts afresh.
  Loaded next = Load(Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}})}))));
  EXPECT_EQ(next.scene.objects[0].vertexCount, 4);
  EXPECT_EQ(next.scene.objects[0].faceCount, 1);
}

TEST_F(SceneLoader, TrackNamesAreIndentedByTheirDepthAndMissingFilesReported) {
  Bytes node = Named("Ball", {});
  U16(node, 0x4000), U16(node, 0), U16(node, 0xFFFF);
  Bytes keyframer = Chunk(0xB000, Chunk(0xB002, Chunk(0xB010, node)));
  Loaded l = Load(Chunk(0x4D4D, keyframer));
  EXPECT_EQ(l.out, "        Track object name: \n");
  Loaded top = Load(Chunk(0xB010, node));
  EXPECT_EQ(top.out, "  Track object name: \n");

  Scene scene;
  CrtRandom random;
  std::string missing = dir_ + "/X_NONE.3DS";
  ::testing::internal::CaptureStdout();
  int result = LoadScene(scene, missing.c_str(), random);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Can't open " + missing + "!\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(random.state, 1u) << "nothing is drawn for a file that is not there";
}

// Nothing reads a scene file again once it is loaded, so none stays open:
// not after a whole file, a cut one, or one that is not there.
TEST_F(SceneLoader, EveryFileReadIsClosedAgain) {
  auto openFiles = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator{});
  };
  if (!std::filesystem::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc/self/fd to count open files in";
  Bytes whole = Main(Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}})})));
  Bytes cut(whole.begin(), whole.end() - 5);
  const std::string files[] = {Write("whole.3ds", whole), Write("cut.3ds", cut), dir_ + "/missing.3ds"};
  const auto before = openFiles();
  CrtRandom random;
  ::testing::internal::CaptureStdout();
  for (int round = 0; round < 20; ++round)
    for (const std::string& file : files) {
      Scene scene;
      LoadScene(scene, file.c_str(), random);
    }
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(openFiles(), before);
}

// The bytes this process's reads returned while `work` ran, as the kernel
// counts them (rchar); -1 where there is no such count.
int64_t BytesReadDuring(const std::function<void()>& work) {
  // Reading the count is itself a read, of the count's own text.
  auto count = [](int64_t& value) -> int64_t {
    std::ifstream in("/proc/self/io");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = text.find("rchar: ");
    value = at == std::string::npos ? -1 : std::stoll(text.substr(at + 7));
    return int64_t(text.size());
  };
  int64_t before, after;
  int64_t own = count(before);
  work();
  count(after);
  return before < 0 || after < 0 ? -1 : after - before - own;
}

// The reader takes each file from the disk once, whatever its chunks say,
// and does not take at all what is too large or not a file.
TEST_F(SceneLoader, EachFileIsReadOnceAndOnlyARegularFileUpToTheLimit) {
  if (BytesReadDuring([] {}) != 0) GTEST_SKIP() << "no read count in /proc/self/io";
  struct Case {
    std::string name, path;
    int result;
  };
  std::vector<Case> cases;
  for (const char* file : kSceneFiles)
    cases.push_back({file, std::string(DORSEL_BINARY_DIR) + "/data/" + file, 1});
  for (const hostile::File& f : hostile::Scenes()) cases.push_back({f.name, Write(f.name, f.bytes), 1});
  // Sizes at and past the limit, without the bytes on disk.
  for (size_t size : {kSceneFileLimit, kSceneFileLimit + 1}) {
    std::string name = size > kSceneFileLimit ? "past the limit" : "at the limit";
    std::string path = Write(name, {});
    std::filesystem::resize_file(path, size);
    cases.push_back({name, path, size > kSceneFileLimit ? 0 : 1});
  }
  std::filesystem::create_directory(dir_ + "/folder.3ds");
  cases.push_back({"a folder", dir_ + "/folder.3ds", 0});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    CrtRandom random;
    int result = -1;
    ::testing::internal::CaptureStdout();
    int64_t taken = BytesReadDuring([&] { result = LoadScene(scene, c.path.c_str(), random); });
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, c.result);
    if (c.result) {
      EXPECT_EQ(taken, int64_t(std::filesystem::file_size(c.path)));
    } else {
      EXPECT_EQ(taken, 0);
      EXPECT_EQ(out, "Can't open " + c.path + "!\n");
      EXPECT_EQ(scene.objectCount, 0);
    }
  }
}

TEST_F(SceneLoader, LargestFaceCountCoversEveryObject) {
  Scene scenes[2];
  CrtRandom random;
  std::string a = Write("a.3ds", Main(Join({Mesh("A", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}})})),
                                            Mesh("B", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}, {1, 2, 3}, {0, 2, 3}})}))})));
  std::string b = Write("b.3ds", Main(Mesh("C", Join({Vertices(kTriangleVertices), Faces({{0, 1, 2}, {1, 2, 3}})}))));
  ASSERT_EQ(LoadScene(scenes[0], a.c_str(), random), 1);
  ASSERT_EQ(LoadScene(scenes[1], b.c_str(), random), 1);
  EXPECT_EQ(LargestFaceCount(scenes, 2), 3);
  EXPECT_EQ(LargestFaceCount(scenes + 1, 1), 2);
}

}  // namespace
