// The 3DS chunk reader. The file is read whole into memory once; the reader
// walks it with a cursor. Every chunk ends with a move to its end, so a
// handler that reads less or more than its chunk holds never loses the
// chunks after it; unknown chunks are stepped over whole.
//
// The vertex and face lists may read on past a short chunk, as far as the
// file goes, but what they read is paid for by the scene's list budget. The
// handlers whose values are dropped read no further than the chunk they
// are given (which ends no later than every chunk around it), so the work of
// the whole file stays in proportion to its size and the lists it keeps.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/file_read.h"
#include "engine3d/scene.h"

namespace {

// The file's bytes and the place the next read starts from.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  // What the lists of this scene have asked for so far.
  int32_t listEntries = 0;
  // A track name's message leaves its line open.
  bool lineOpen = false;
};

using Handler = void (*)(Reader& r, int indent, size_t end, Scene& scene);

void ReadChunks(Reader& r, int indent, size_t end, Scene& scene);

// Takes n bytes when they lie before `limit` (at most the file's end);
// otherwise, like a short read, takes what is left up to it and fails.
bool ReadBytes(Reader& r, void* out, size_t n, size_t limit) {
  limit = std::min(limit, r.size);
  if (r.pos > limit || limit - r.pos < n) {
    r.pos = std::max(r.pos, limit);
    return false;
  }
  std::memcpy(out, r.data + r.pos, n);
  r.pos += n;
  return true;
}
bool Skip(Reader& r, size_t n, size_t limit) {
  limit = std::min(limit, r.size);
  if (r.pos > limit || limit - r.pos < n) {
    r.pos = std::max(r.pos, limit);
    return false;
  }
  r.pos += n;
  return true;
}
bool ReadU16(Reader& r, uint16_t& v, size_t limit) {
  unsigned char b[2];
  if (!ReadBytes(r, b, 2, limit)) return false;
  v = uint16_t(b[0] | b[1] << 8);
  return true;
}
bool ReadU32(Reader& r, uint32_t& v, size_t limit) {
  unsigned char b[4];
  if (!ReadBytes(r, b, 4, limit)) return false;
  v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}
bool ReadFloat(Reader& r, float& v, size_t limit) {
  uint32_t bits;
  if (!ReadU32(r, bits, limit)) return false;
  std::memcpy(&v, &bits, sizeof v);
  return true;
}

// Up to and past a 0 byte, or up to `limit`.
void SkipString(Reader& r, size_t limit) {
  limit = std::min(limit, r.size);
  if (r.pos >= limit) return;
  const void* nul = std::memchr(r.data + r.pos, 0, limit - r.pos);
  r.pos = nul ? size_t(static_cast<const uint8_t*>(nul) - r.data) + 1 : limit;
}

// Mesh data only belongs to an object block that opened a slot.
SceneObject* CurrentObject(Scene& scene) {
  return scene.objectCount > 0 ? &scene.objects[scene.objectCount - 1] : nullptr;
}

void ObjectBlock(Reader& r, int indent, size_t end, Scene& scene) {
  // Blocks past the last slot are left unread, mesh and all.
  if (scene.objectCount >= scene.objectCapacity) return;
  scene.objectCount += 1;
  SkipString(r, end);
  ReadChunks(r, indent, end, scene);
}

// Counts come straight from the file; past the budget a list is not read.
bool TakeEntries(Reader& r, uint16_t count) {
  if (count > kSceneListBudget - r.listEntries) return false;
  r.listEntries += count;
  return true;
}

// Little-endian words straight from the file's bytes.
uint16_t U16At(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
float FloatAt(const uint8_t* p) {
  uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  float f;
  std::memcpy(&f, &bits, sizeof f);  // the browser's library has no std::bit_cast yet
  return f;
}

// The lists read on to the file's end, whatever their chunk says. Whole
// entries are taken straight from the bytes; the file may end inside the
// next one.
void VertexList(Reader& r, int, size_t, Scene& scene) {
  SceneObject* object = CurrentObject(scene);
  uint16_t count;
  if (!object || !ReadU16(r, count, r.size) || !TakeEntries(r, count)) return;
  object->vertexCount = count;
  object->vertices.assign(count, MeshVertex{});
  const size_t whole = std::min<size_t>(count, (r.size - r.pos) / 12);
  const uint8_t* p = r.data + r.pos;
  for (size_t k = 0; k < whole; ++k, p += 12) {
    MeshVertex& v = object->vertices[k];
    v.x = FloatAt(p), v.y = FloatAt(p + 4), v.z = FloatAt(p + 8);
  }
  r.pos += whole * 12;
  // Of a vertex cut short, the coordinates before the cut are kept.
  if (whole < count) {
    MeshVertex& v = object->vertices[whole];
    if (ReadFloat(r, v.x, r.size) && ReadFloat(r, v.y, r.size)) ReadFloat(r, v.z, r.size);
  }
}

void FaceList(Reader& r, int indent, size_t end, Scene& scene) {
  SceneObject* object = CurrentObject(scene);
  uint16_t count;
  if (!object || !ReadU16(r, count, r.size) || !TakeEntries(r, count)) return;
  object->faceCount = count;
  object->faces.assign(count, FaceIndices{});
  object->faceInfo.assign(count, FaceInfo{});
  // The faces end up in reverse file order; the flags word is dropped.
  const size_t whole = std::min<size_t>(count, (r.size - r.pos) / 8);
  const uint8_t* p = r.data + r.pos;
  for (size_t k = 0; k < whole; ++k, p += 8) {
    size_t i = count - 1 - k;
    object->faces[i] = FaceIndices{U16At(p), U16At(p + 2), U16At(p + 4)};
    object->faceInfo[i].enabled = 1;
  }
  r.pos += whole * 8;
  // A face cut short is not kept, and ends the list.
  if (whole < count) {
    r.pos = r.size;
    return;
  }
  ReadChunks(r, indent, end, scene);
}

void Camera(Reader& r, int, size_t end, Scene&) {
  unsigned char body[32];
  if (!ReadBytes(r, body, sizeof body, end)) return;
  std::printf("Quib-3D: Initializing Camera data... ");
  std::printf("ok\n");
  r.lineOpen = false;
}

void TrackObjectName(Reader& r, int indent, size_t end, Scene&) {
  std::printf("%*sTrack object name: ", indent, "");
  r.lineOpen = true;
  SkipString(r, end);
  uint16_t word;
  for (int i = 0; i < 3 && ReadU16(r, word, end); ++i) {
  }
}

void StringOnly(Reader& r, int, size_t end, Scene&) { SkipString(r, end); }

// Every key takes at least 6 bytes of its chunk, so a track that claims more
// keys than its chunk holds ends with the chunk.
void KeyTrack(Reader& r, size_t end, size_t valueBytes) {
  uint16_t keys, word;
  if (!Skip(r, 10, end) || !ReadU16(r, keys, end) || !Skip(r, 2, end)) return;
  for (int k = 0; k < keys; ++k) {
    uint16_t spline;
    if (!ReadU16(r, word, end) || !ReadU16(r, word, end) || !ReadU16(r, spline, end)) return;
    for (int bit = 0; bit < 16; ++bit)
      if (spline >> bit & 1 && !Skip(r, 4, end)) return;
    if (!Skip(r, valueBytes, end)) return;
  }
}
void PositionKeys(Reader& r, int, size_t end, Scene&) { KeyTrack(r, end, 12); }
void RotationKeys(Reader& r, int, size_t end, Scene&) { KeyTrack(r, end, 16); }
void ScaleKeys(Reader& r, int, size_t end, Scene&) { KeyTrack(r, end, 12); }

void MappingsList(Reader& r, int, size_t end, Scene&) {
  uint16_t count;
  if (ReadU16(r, count, end)) Skip(r, size_t(count) * 8, end);
}

void Smoothings(Reader& r, int, size_t end, Scene&) {
  uint32_t word;
  while (r.pos < end && ReadU32(r, word, end)) {
  }
}

void Matrix(Reader& r, int, size_t end, Scene&) {
  if (Skip(r, 36, end)) Skip(r, 12, end);
}

void Light(Reader& r, int indent, size_t end, Scene& scene) {
  if (Skip(r, 12, end)) ReadChunks(r, indent, end, scene);
}

template <size_t N>
void Bytes(Reader& r, int, size_t end, Scene&) {
  Skip(r, N, end);
}
void Nothing(Reader&, int, size_t, Scene&) {}

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

void ReadChunks(Reader& r, int indent, size_t end, Scene& scene) {
  while (r.pos < end) {
    size_t start = r.pos;
    uint16_t id;
    uint32_t length;
    // A header is read as far as the file goes, like the lists.
    if (!ReadU16(r, id, r.size) || !ReadU32(r, length, r.size) || length == 0) return;
    // A chunk that claims to run past its parent ends where the parent does.
    size_t chunkEnd = size_t(std::min<uint64_t>(uint64_t(start) + length, end));
    // Every level of nesting comes through here with 2 more indent, so the
    // indent counts the enclosing chunks.
    const ChunkType* type = indent < 2 * kMaxChunkDepth ? FindChunk(id) : nullptr;
    if (type) {
      if (type->handler)
        type->handler(r, indent + 2, chunkEnd, scene);
      else
        ReadChunks(r, indent + 2, chunkEnd, scene);
    }
    r.pos = chunkEnd;
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

  // A folder, FIFO or device, or a file past the limit, is one that cannot
  // be opened.
  std::vector<uint8_t> bytes;
  if (base::ReadWholeFile(file, kSceneFileLimit, bytes) != base::FileRead::kOk) {
    std::printf("Can't open %s!\n", file);
    std::fflush(stdout);
    return 0;
  }
  Reader reader{bytes.data(), bytes.size()};
  ReadChunks(reader, 0, bytes.size(), scene);
  bytes = {};
  // Whatever is said next starts a line of its own.
  if (reader.lineOpen) std::printf("\n");

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
