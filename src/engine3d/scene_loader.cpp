// The 3DS chunk reader. Every chunk ends with a seek to its end, so a handler
// that reads less or more than its chunk holds never loses the chunks after
// it; unknown chunks are stepped over whole.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine3d/scene.h"

namespace {

using Handler = void (*)(std::FILE* f, int indent, long end, Scene& scene);

void ReadChunks(std::FILE* f, int indent, long end, Scene& scene);

bool ReadBytes(std::FILE* f, void* out, size_t n) { return std::fread(out, 1, n, f) == n; }
bool Skip(std::FILE* f, size_t n) {
  unsigned char buffer[64];
  while (n > 0) {
    size_t step = std::min(n, sizeof buffer);
    if (!ReadBytes(f, buffer, step)) return false;
    n -= step;
  }
  return true;
}
bool ReadU16(std::FILE* f, uint16_t& v) {
  unsigned char b[2];
  if (!ReadBytes(f, b, 2)) return false;
  v = uint16_t(b[0] | b[1] << 8);
  return true;
}
bool ReadU32(std::FILE* f, uint32_t& v) {
  unsigned char b[4];
  if (!ReadBytes(f, b, 4)) return false;
  v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}
bool ReadFloat(std::FILE* f, float& v) {
  uint32_t bits;
  if (!ReadU32(f, bits)) return false;
  std::memcpy(&v, &bits, sizeof v);
  return true;
}

void SkipString(std::FILE* f) {
  int c;
  do c = std::fgetc(f);
  while (c != 0 && c != EOF);
}

// Mesh data only belongs to an object block that opened a slot.
SceneObject* CurrentObject(Scene& scene) {
  return scene.objectCount > 0 ? &scene.objects[scene.objectCount - 1] : nullptr;
}

void ObjectBlock(std::FILE* f, int indent, long end, Scene& scene) {
  // Blocks past the last slot are left unread, mesh and all.
  if (scene.objectCount >= scene.objectCapacity) return;
  scene.objectCount += 1;
  SkipString(f);
  ReadChunks(f, indent, end, scene);
}

// What the lists of the scene being read have asked for so far.
int32_t listEntries = 0;

// Counts come straight from the file; past the budget a list is not read.
bool TakeEntries(uint16_t count) {
  if (count > kSceneListBudget - listEntries) return false;
  listEntries += count;
  return true;
}

void VertexList(std::FILE* f, int, long, Scene& scene) {
  SceneObject* object = CurrentObject(scene);
  uint16_t count;
  if (!object || !ReadU16(f, count) || !TakeEntries(count)) return;
  object->vertexCount = count;
  object->vertices.assign(count, MeshVertex{});
  for (MeshVertex& v : object->vertices)
    if (!ReadFloat(f, v.x) || !ReadFloat(f, v.y) || !ReadFloat(f, v.z)) break;
}

void FaceList(std::FILE* f, int indent, long end, Scene& scene) {
  SceneObject* object = CurrentObject(scene);
  uint16_t count;
  if (!object || !ReadU16(f, count) || !TakeEntries(count)) return;
  object->faceCount = count;
  object->faces.assign(count, FaceIndices{});
  object->faceInfo.assign(count, FaceInfo{});
  // The faces end up in reverse file order.
  for (int k = 0; k < count; ++k) {
    uint16_t a, b, c, flags;
    if (!ReadU16(f, a) || !ReadU16(f, b) || !ReadU16(f, c) || !ReadU16(f, flags)) return;
    int i = count - 1 - k;
    object->faces[i] = FaceIndices{a, b, c};
    object->faceInfo[i].enabled = 1;
  }
  ReadChunks(f, indent, end, scene);
}

void Camera(std::FILE* f, int, long, Scene&) {
  unsigned char body[32];
  if (!ReadBytes(f, body, sizeof body)) return;
  std::printf("Quib-3D: Initializing Camera data... ");
  std::printf("ok\n");
}

void TrackObjectName(std::FILE* f, int indent, long, Scene&) {
  std::printf("%*sTrack object name: ", indent, "");
  SkipString(f);
  uint16_t word;
  for (int i = 0; i < 3 && ReadU16(f, word); ++i) {
  }
}

void StringOnly(std::FILE* f, int, long, Scene&) { SkipString(f); }

void KeyTrack(std::FILE* f, size_t valueBytes) {
  uint16_t keys, word;
  if (!Skip(f, 10) || !ReadU16(f, keys) || !Skip(f, 2)) return;
  for (int k = 0; k < keys; ++k) {
    uint16_t spline;
    if (!ReadU16(f, word) || !ReadU16(f, word) || !ReadU16(f, spline)) return;
    for (int bit = 0; bit < 16; ++bit)
      if (spline >> bit & 1 && !Skip(f, 4)) return;
    if (!Skip(f, valueBytes)) return;
  }
}
void PositionKeys(std::FILE* f, int, long, Scene&) { KeyTrack(f, 12); }
void RotationKeys(std::FILE* f, int, long, Scene&) { KeyTrack(f, 16); }
void ScaleKeys(std::FILE* f, int, long, Scene&) { KeyTrack(f, 12); }

void MappingsList(std::FILE* f, int, long, Scene&) {
  uint16_t count;
  if (ReadU16(f, count)) Skip(f, size_t(count) * 8);
}

void Smoothings(std::FILE* f, int, long end, Scene&) {
  uint32_t word;
  while (std::ftell(f) < end && ReadU32(f, word)) {
  }
}

void Matrix(std::FILE* f, int, long, Scene&) {
  if (Skip(f, 36)) Skip(f, 12);
}

void Light(std::FILE* f, int indent, long end, Scene& scene) {
  if (Skip(f, 12)) ReadChunks(f, indent, end, scene);
}

template <size_t N>
void Bytes(std::FILE* f, int, long, Scene&) {
  Skip(f, N);
}
void Nothing(std::FILE*, int, long, Scene&) {}

struct ChunkType {
  uint16_t id;
  const char* name;
  Handler handler;  // null: a container of sub-chunks
};

// Searched front to back; the first match wins.
constexpr ChunkType kChunkTable[] = {
    {0x0010, "RGB float", Bytes<12>},
    {0x0011, "RGB byte", Bytes<3>},
    {0xC23D, "Project", nullptr},
    {0x3DAA, "Material Library", nullptr},
    {0x4D4D, "Main", nullptr},
    {0x3D3D, "Object Mesh", nullptr},
    {0x1200, "Background color", nullptr},
    {0x2100, "Ambient color", nullptr},
    {0x4000, "Object Block", ObjectBlock},
    {0x4100, "Tri-Mesh", nullptr},
    {0x4110, "Vertex list", VertexList},
    {0x4120, "Face list", FaceList},
    {0x4130, "Face material", Nothing},
    {0x4140, "Mappings list", MappingsList},
    {0x4150, "Smoothings", Smoothings},
    {0x4160, "Matrix", Matrix},
    {0x4600, "Light", Light},
    {0x4610, "Spotlight", Bytes<20>},
    {0x4700, "Camera", Camera},
    {0x4F00, "Hierarchy", nullptr},
    {0x7001, "Viewport info", nullptr},
    {0xAFFF, "Material", nullptr},
    {0xA000, "Material name", StringOnly},
    {0xA010, "Ambient color", nullptr},
    {0xA020, "Diffuse color", nullptr},
    {0xA030, "Specular color", nullptr},
    {0xA200, "Texture map", nullptr},
    {0xA230, "Bump map", nullptr},
    {0xA300, "Map filename", StringOnly},
    {0xB000, "Keyframer data", nullptr},
    {0xB001, "Ambient key", nullptr},
    {0xB002, "Track info", nullptr},
    {0xB008, "Frames", Bytes<8>},
    {0xB010, "Track Obj. Name", TrackObjectName},
    {0xB013, "Pivot point", Nothing},
    {0xB020, "Position keys", PositionKeys},
    {0xB021, "Rotation keys", RotationKeys},
    {0xB022, "Scale keys", ScaleKeys},
    {0xB030, "Object number", Bytes<2>},
    {0xB003, "Camera track", nullptr},
    {0xB004, "Camera target track", nullptr},
    {0xB005, "Pointlight track", nullptr},
    {0xB006, "Pointlight target track", nullptr},
    {0xB007, "Spotlight track", nullptr},
    {0xB023, "FOV track", nullptr},
    {0xB024, "Roll track", nullptr},
};
static_assert(std::size(kChunkTable) == 46);

// The key flags' bits 0 to 4, as the format names them.
[[maybe_unused]] constexpr const char* kSplineFlagNames[5] = {"Tension", "Continuity", "Bias",
                                                             "Ease To", "Ease From"};

const ChunkType* FindChunk(uint16_t id) {
  for (const ChunkType& type : kChunkTable)
    if (type.id == id) return &type;
  return nullptr;
}

void ReadChunks(std::FILE* f, int indent, long end, Scene& scene) {
  while (std::ftell(f) < end) {
    long start = std::ftell(f);
    uint16_t id;
    uint32_t length;
    if (!ReadU16(f, id) || !ReadU32(f, length) || length == 0) return;
    // A chunk that claims to run past its parent ends where the parent does.
    long chunkEnd = long(std::min<int64_t>(int64_t(start) + length, end));
    // Every level of nesting comes through here with 2 more indent, so the
    // indent counts the enclosing chunks.
    const ChunkType* type = indent < 2 * kMaxChunkDepth ? FindChunk(id) : nullptr;
    if (type) {
      if (type->handler)
        type->handler(f, indent + 2, chunkEnd, scene);
      else
        ReadChunks(f, indent + 2, chunkEnd, scene);
    }
    std::fseek(f, chunkEnd, SEEK_SET);
    if (std::ferror(f)) return;
  }
}

// A face naming a vertex the object does not have would be drawn from
// outside its list: such faces are dropped.
void DropBrokenFaces(SceneObject& object) {
  int kept = 0;
  for (int i = 0; i < object.faceCount; ++i) {
    const FaceIndices& face = object.faces[i];
    if (face.a >= object.vertexCount || face.b >= object.vertexCount || face.c >= object.vertexCount)
      continue;
    object.faces[kept] = face;
    object.faceInfo[kept] = object.faceInfo[i];
    ++kept;
  }
  object.faceCount = kept;
  object.faces.resize(kept);
  object.faceInfo.resize(kept);
}

void StartState(Scene& scene, CrtRandom& random) {
  for (SceneCamera& camera : scene.cameras) {
    camera.position[0] = 0, camera.position[1] = 0, camera.position[2] = -600;
    camera.target[0] = 0, camera.target[1] = 0, camera.target[2] = 0;
  }
  for (SceneObject& object : scene.objects) {
    object.position[0] = -90, object.position[1] = 20, object.position[2] = -300;
    for (int i = 0; i < 3; ++i) random.Next();
    for (int j = 0; j < object.faceCount; ++j) {
      object.faceInfo[j].enabled = 1;
      object.faceInfo[j].colour = (j & 2) == 0 ? 0xFFFFFFu : 2u;
      const FaceIndices& face = object.faces[j];
      const int32_t corners[3] = {face.a, face.b, face.c};
      const float steps[3] = {-0.0115f, 0.0108f, 0.0115f};
      for (int k = 0; k < 3; ++k) {
        MeshVertex& v = object.vertices[corners[k]];
        v.morphActive = 0;
        v.phase = float(random.Next() % 255);
        v.phaseStep = steps[k];
      }
    }
  }
}

}  // namespace

int LoadScene(Scene& scene, const char* file, CrtRandom& random) {
  scene.objectCount = 0;
  scene.objectCapacity = kObjectSlots;
  scene.cameraCount = kCameraSlots;
  scene.objects.assign(kObjectSlots, SceneObject{});
  scene.cameras.assign(kCameraSlots, SceneCamera{});

  std::FILE* f = std::fopen(file, "rb");
  if (!f) {
    std::printf("Can't open %s!\n", file);
    std::fflush(stdout);
    return 0;
  }
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  listEntries = 0;
  ReadChunks(f, 0, size, scene);
  std::fclose(f);

  for (int i = 0; i < scene.objectCount; ++i) DropBrokenFaces(scene.objects[i]);
  StartState(scene, random);
  std::fflush(stdout);
  return 1;
}

int32_t LargestFaceCount(const Scene* scenes, int count) {
  int32_t largest = 0;
  for (int s = 0; s < count; ++s)
    for (int i = 0; i < scenes[s].objectCount; ++i)
      largest = std::max(largest, scenes[s].objects[i].faceCount);
  return largest;
}
