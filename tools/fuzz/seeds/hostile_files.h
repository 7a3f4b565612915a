// Hostile pictures and scenes, made by hand: the shapes that cost a careless
// loader its time or its memory. Chunks that are shorter than the lists they
// announce, lists claiming far more than the file holds, nesting past the
// reader's depth, picture headers naming the largest picture accepted.
// The fuzz seeds, the scene reader's benchmark and the tests take them from
// here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

using Bytes = std::vector<uint8_t>;

struct File {
  std::string name;
  Bytes bytes;
};

inline void U16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
inline void U32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline Bytes Join(Bytes a, const Bytes& b) {
  Append(a, b);
  return a;
}

// A chunk whose length counts exactly its body...
inline Bytes Chunk(uint16_t id, const Bytes& body) {
  Bytes b;
  U16(b, id);
  U32(b, uint32_t(body.size() + 6));
  Append(b, body);
  return b;
}
// ...and one whose length says what it likes.
inline Bytes LyingChunk(uint16_t id, uint32_t length, const Bytes& body) {
  Bytes b;
  U16(b, id);
  U32(b, length);
  Append(b, body);
  return b;
}

enum : uint16_t {
  kMain = 0x4D4D,
  kEditor = 0x3D3D,
  kObject = 0x4000,
  kTriMesh = 0x4100,
  kVertices = 0x4110,
  kFaces = 0x4120,
  kMapping = 0x4140,
  kSmoothing = 0x4150,
  kMatrix = 0x4160,
  kLight = 0x4600,
  kSpotlight = 0x4610,
  kCamera = 0x4700,
  kMaterialName = 0xA000,
  kMapFile = 0xA300,
  kKeyframer = 0xB000,
  kFrames = 0xB008,
  kTrackName = 0xB010,
  kPositionKeys = 0xB020,
  kRotationKeys = 0xB021,
  kScaleKeys = 0xB022,
};

// A list or track head that claims 65535 entries, in a chunk that ends
// right behind the claim: whatever follows is read as its entries.
inline Bytes ShortList(uint16_t id) {
  Bytes body;
  if (id == kPositionKeys || id == kRotationKeys || id == kScaleKeys) {
    body.assign(10, 0xFF);  // flags and the 8 further bytes
    U16(body, 0xFFFF);      // keys
    U16(body, 0);
  } else {
    U16(body, 0xFFFF);
  }
  return Chunk(id, body);
}

// Every handler of the reader once, each in a chunk too short for what it
// reads, the lists and tracks claiming 65535 entries.
inline Bytes ShortChunksOfEveryKind() {
  Bytes b;
  for (uint16_t id : {kVertices, kFaces, kMapping, kPositionKeys, kRotationKeys, kScaleKeys})
    Append(b, ShortList(id));
  for (uint16_t id : {kMatrix, kLight, kSpotlight, kCamera, kFrames}) Append(b, Chunk(id, Bytes(2, 0x41)));
  for (uint16_t id : {kMaterialName, kMapFile, kTrackName}) Append(b, Chunk(id, Bytes(5, 'n')));
  Append(b, Chunk(kSmoothing, Bytes(7, 0x11)));
  return b;
}

inline Bytes Object(const std::string& name, const Bytes& meshChunks) {
  Bytes body(name.begin(), name.end());
  body.push_back(0);
  Append(body, Chunk(kTriMesh, meshChunks));
  return Chunk(kObject, body);
}
inline Bytes MainChunk(const Bytes& editor) { return Chunk(kMain, Chunk(kEditor, editor)); }

// One object whose tri-mesh is `size` bytes (about) of short chunks under
// long lists, over and over: every list and track reads on into the chunks
// behind it.
inline Bytes ShortChunksUnderLongLists(size_t size) {
  const Bytes unit = ShortChunksOfEveryKind();
  Bytes mesh;
  mesh.reserve(size + unit.size());
  while (mesh.size() + unit.size() + 64 <= size) Append(mesh, unit);
  return MainChunk(Object("Hostile", mesh));
}

// `levels` containers one inside the other, each holding short chunks under
// long lists before the next level; a mesh at the bottom.
inline Bytes DeepNesting(int levels) {
  Bytes inner = Object("Deep", ShortChunksOfEveryKind());
  for (int i = 0; i < levels; ++i) {
    Bytes level = ShortChunksOfEveryKind();
    Append(level, inner);
    inner = Chunk(i % 2 ? kEditor : kMain, level);
  }
  return inner;
}

// Lists and tracks that claim far more entries than the file holds: the
// file ends inside each of them, the last one's chunk claiming 2 GiB.
inline Bytes ClaimsMoreThanTheFileHolds() {
  Bytes vertices;
  U16(vertices, 0xFFFF);
  for (int i = 0; i < 9; ++i) U32(vertices, 0x3F800000);  // three vertices of (1, 1, 1)
  Bytes faces;
  U16(faces, 0xFFFF);
  for (int i = 0; i < 8; ++i) U16(faces, uint16_t(i % 3));
  Bytes keys(10, 0);
  U16(keys, 0xFFFF), U16(keys, 0xFFFF);
  U16(keys, 0), U16(keys, 0), U16(keys, 0xFFFF);  // a key with every spline value
  Bytes mesh = Join(Chunk(kVertices, vertices), Chunk(kFaces, faces));
  Append(mesh, ShortList(kMapping));
  Append(mesh, LyingChunk(kPositionKeys, 0x7FFFFFFF, keys));
  return MainChunk(Object("Claims", mesh));
}

// More object blocks than there are slots, each with a vertex and a face
// list claiming 65535 entries: the lists ask for far more than the scene's
// budget.
inline Bytes ManyObjectsOfFullLists(int objects) {
  Bytes blocks;
  for (int i = 0; i < objects; ++i) Append(blocks, Object("O", Join(ShortList(kVertices), ShortList(kFaces))));
  return MainChunk(blocks);
}

// Names that run on past the end of their chunk and of every chunk around
// it, up to the end of the file.
inline Bytes NamesWithoutEnd() {
  Bytes name(40, 'x');
  Bytes names = Join(Chunk(kTrackName, name), Chunk(kMapFile, name));
  Append(names, LyingChunk(kMaterialName, 0x7FFFFFFF, name));
  // An object block whose name is longer than the block.
  Bytes object = LyingChunk(kObject, 6 + 20, Bytes(100, 'y'));
  return Join(Chunk(kKeyframer, names), MainChunk(object));
}

inline std::vector<File> Scenes() {
  return {
      {"hostile-short-lists.3DS", ShortChunksUnderLongLists(1 << 20)},
      {"hostile-deep-nesting.3DS", DeepNesting(40)},
      {"hostile-claims-more.3DS", ClaimsMoreThanTheFileHolds()},
      {"hostile-many-objects.3DS", ManyObjectsOfFullLists(1001)},
      {"hostile-names-without-end.3DS", NamesWithoutEnd()},
  };
}

// A PCX header (version 5, run-length) of the given depth and size.
inline Bytes PcxHeader(int planes, int bytesPerLine, int yMin, int yMax) {
  Bytes h(128, 0);
  h[0] = 10, h[1] = 5, h[2] = 1, h[3] = 8;
  h[6] = uint8_t(yMin), h[7] = uint8_t(yMin >> 8);
  h[8] = uint8_t(bytesPerLine - 1), h[9] = uint8_t((bytesPerLine - 1) >> 8);
  h[10] = uint8_t(yMax), h[11] = uint8_t(yMax >> 8);
  h[65] = uint8_t(planes);
  h[66] = uint8_t(bytesPerLine), h[67] = uint8_t(bytesPerLine >> 8);
  return h;
}

inline Bytes WithPalette(Bytes b) {
  b.push_back(12);
  for (int i = 0; i < 768; ++i) b.push_back(uint8_t(i * 7));
  return b;
}

inline std::vector<File> Pictures() {
  // The largest picture the loader accepts (kPcxMaxSide), 1024 x 1024, in
  // a file that ends almost at once: the rest is decoded from nothing.
  Bytes largest24 = PcxHeader(3, 1024, 0, 1023);
  Append(largest24, {0xC5, 0x10, 0x20});
  Bytes largest8 = WithPalette(PcxHeader(1, 1024, 0, 1023));
  // As long a file as the fuzzers take, every byte pair a run of 63.
  Bytes runs = PcxHeader(3, 1024, 0, 1023);
  runs.resize(size_t(1) << 20, 0xFF);
  // Sizes at and past the edges: no line, no row, rows counted backwards.
  Bytes noLine = WithPalette(PcxHeader(1, 0, 0, 9));
  Bytes backwards = WithPalette(PcxHeader(1, 16, 9, 0));
  Bytes tooWide = WithPalette(PcxHeader(1, 1025, 0, 0));
  // Only the palette where the picture should be: it is read as runs too.
  Bytes paletteOnly = WithPalette(PcxHeader(1, 64, 0, 63));
  return {
      {"hostile-largest-24bit.pcx", largest24}, {"hostile-largest-8bit.pcx", largest8},
      {"hostile-runs-everywhere.pcx", runs},    {"hostile-no-line.pcx", noLine},
      {"hostile-backwards.pcx", backwards},     {"hostile-too-wide.pcx", tooWide},
      {"hostile-palette-only.pcx", paletteOnly},
  };
}

}  // namespace hostile
