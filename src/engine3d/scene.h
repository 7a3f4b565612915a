// The scene records and the loader that fills them from a 3DS file. Of the
// file only the mesh geometry is kept; the director moves everything.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/crt_random.h"

constexpr int kSceneCount = 6;
constexpr int kObjectSlots = 1000;
constexpr int kCameraSlots = 5;
// Chunks nested deeper than this are stepped over whole: the scene files
// nest six deep, and a file of nothing but nested headers must not run the
// reader out of stack.
constexpr int kMaxChunkDepth = 32;
// The vertex and face entries the lists of one scene may ask for in all.
// A list's count comes from the file, and a small file can name a full
// list in each of its thousand objects; a list that would pass this is
// left unread.
constexpr int32_t kSceneListBudget = 1 << 20;
// A scene file is read whole into memory; a larger one, far beyond any
// scene, cannot be opened.
constexpr size_t kSceneFileLimit = size_t(16) << 20;

// The scene files in loading order; scene record k holds entry k.
inline constexpr std::array<const char*, kSceneCount> kSceneFiles = {
    "X_BALL.3DS", "X_BOKSI2.3DS", "X_VOTKY.3DS", "X_BOKSI.3DS", "X_SPIKE.3DS", "X_DAOBJ.3DS"};

struct MeshVertex {
  float x = 0, y = 0, z = 0;     // object space, as read
  float cx = 0, cy = 0, cz = 0;  // camera space, written every frame
  float morphStep[3] = {0, 0, 0};
  float phase = 0;  // wobble phase in radians
  float phaseStep = 0;
  int32_t morphActive = 0;
  int32_t morphCount = 0;
};

struct FaceIndices {
  int32_t a = 0, b = 0, c = 0;
};

struct FaceInfo {
  int32_t enabled = 0;
  uint32_t colour = 0;
};

using Matrix3 = std::array<std::array<float, 3>, 3>;
inline constexpr Matrix3 kIdentity3 = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

struct SceneObject {
  int32_t vertexCount = 0;
  int32_t faceCount = 0;
  float position[3] = {0, 0, 0};
  std::vector<MeshVertex> vertices;
  std::vector<FaceInfo> faceInfo;
  std::vector<FaceIndices> faces;
  Matrix3 rotation = kIdentity3;
  int32_t drawMode = 0;  // 0 dots, 1 wire and dots, 2 flat, 6 shaded
};

struct SceneCamera {
  float position[3] = {0, 0, 0};
  float target[3] = {0, 0, 0};
  Matrix3 basis = kIdentity3;  // rows right, up, forward
};

struct Scene {
  int32_t objectCount = 0;
  int32_t objectCapacity = 0;
  int32_t cameraCount = 0;
  std::vector<SceneObject> objects;
  std::vector<SceneCamera> cameras;
};

// Reads `file` into `scene` and gives every slot its start state, drawing
// the wobble phases from `random` (3000 numbers, then three per face). When
// the file cannot be opened it prints "Can't open FILE!" and returns 0, and
// the caller ends the show; otherwise 1.
int LoadScene(Scene& scene, const char* file, CrtRandom& random);

// The most faces any object of the scenes holds: the depth order arrays
// need room for that many.
int32_t LargestFaceCount(const Scene* scenes, int count);
