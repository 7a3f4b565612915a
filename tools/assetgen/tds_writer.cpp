#include "assetgen/tds_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tds {

namespace {

// The chunk ids the writer uses, named as the format's documentation does.
enum : uint16_t {
  kMain = 0x4D4D,
  kVersion = 0x0002,
  kEditor = 0x3D3D,
  kMeshVersion = 0x3D3E,
  kMasterScale = 0x0100,
  kColourFloat = 0x0010,
  kColourByte = 0x0011,
  kPercent = 0x0030,
  kBackground = 0x1200,
  kAmbientLight = 0x2100,
  kMaterial = 0xAFFF,
  kMaterialName = 0xA000,
  kMaterialAmbient = 0xA010,
  kMaterialDiffuse = 0xA020,
  kMaterialSpecular = 0xA030,
  kTextureMap = 0xA200,
  kMapFile = 0xA300,
  kObject = 0x4000,
  kTriMesh = 0x4100,
  kVertices = 0x4110,
  kFaces = 0x4120,
  kFaceMaterial = 0x4130,
  kMapping = 0x4140,
  kSmoothing = 0x4150,
  kLocalMatrix = 0x4160,
  kLight = 0x4600,
  kSpotlight = 0x4610,
  kCamera = 0x4700,
  kKeyframer = 0xB000,
  kKeyHeader = 0xB00A,
  kFrames = 0xB008,
  kObjectNode = 0xB002,
  kCameraNode = 0xB003,
  kTargetNode = 0xB004,
  kLightNode = 0xB005,
  kNodeHeader = 0xB010,
  kPivot = 0xB013,
  kPositionTrack = 0xB020,
  kRotationTrack = 0xB021,
  kScaleTrack = 0xB022,
  kFovTrack = 0xB023,
  kRollTrack = 0xB024,
  kNodeId = 0xB030,
};

constexpr uint16_t kSplineTension = 1 << 0, kSplineContinuity = 1 << 1, kSplineEaseFrom = 1 << 4;
constexpr uint16_t kNoParent = 0xFFFF;

void Chunk(ChunkWriter& w, uint16_t id, auto&& body) {
  w.Begin(id);
  body();
  w.End();
}

void ColourFloat(ChunkWriter& w, float r, float g, float b) {
  Chunk(w, kColourFloat, [&] { w.F32(r), w.F32(g), w.F32(b); });
}
void ColourByte(ChunkWriter& w, const std::array<uint8_t, 3>& c) {
  Chunk(w, kColourByte, [&] { w.U8(c[0]), w.U8(c[1]), w.U8(c[2]); });
}

void WriteMaterial(ChunkWriter& w, const Material& m) {
  Chunk(w, kMaterial, [&] {
    Chunk(w, kMaterialName, [&] { w.Str(m.name); });
    Chunk(w, kMaterialAmbient, [&] { ColourByte(w, m.ambient); });
    Chunk(w, kMaterialDiffuse, [&] { ColourByte(w, m.diffuse); });
    Chunk(w, kMaterialSpecular, [&] { ColourFloat(w, m.specular[0], m.specular[1], m.specular[2]); });
    if (!m.map.empty())
      Chunk(w, kTextureMap, [&] {
        Chunk(w, kPercent, [&] { w.U16(100); });
        Chunk(w, kMapFile, [&] { w.Str(m.map); });
      });
  });
}

void WriteMesh(ChunkWriter& w, const Mesh& mesh, const Material& material) {
  Chunk(w, kObject, [&] {
    w.Str(mesh.name);
    Chunk(w, kTriMesh, [&] {
      Chunk(w, kVertices, [&] {
        w.U16(uint16_t(mesh.vertices.size()));
        for (const Vertex& v : mesh.vertices) w.F32(v[0]), w.F32(v[1]), w.F32(v[2]);
      });
      // Spherical mapping coordinates, as an exporter writes them even when
      // no texture uses them.
      Chunk(w, kMapping, [&] {
        w.U16(uint16_t(mesh.vertices.size()));
        for (const Vertex& v : mesh.vertices) {
          float len = std::max(1e-6f, std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
          w.F32(0.5f + std::atan2(v[2], v[0]) / 6.2831853f);
          w.F32(0.5f - std::asin(std::clamp(v[1] / len, -1.0f, 1.0f)) / 3.1415927f);
        }
      });
      Chunk(w, kLocalMatrix, [&] {
        const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        for (float f : identity) w.F32(f);
      });
      Chunk(w, kFaces, [&] {
        w.U16(uint16_t(mesh.faces.size()));
        for (const Face& f : mesh.faces) w.U16(f[0]), w.U16(f[1]), w.U16(f[2]), w.U16(7);
        Chunk(w, kFaceMaterial, [&] {
          w.Str(material.name);
          w.U16(uint16_t(mesh.faces.size()));
          for (size_t i = 0; i < mesh.faces.size(); ++i) w.U16(uint16_t(i));
        });
        Chunk(w, kSmoothing, [&] {
          for (size_t i = 0; i < mesh.faces.size(); ++i) w.U32(1);
        });
      });
    });
  });
}

// A track body of `keys` keys, every other one with spline parameters; each
// key's value is `value`, led by a rotation angle when `angle` is set.
void TrackBody(ChunkWriter& w, int keys, const std::vector<float>& value, bool angle,
               uint32_t lastFrame) {
  w.U16(0);  // track flags
  w.U32(0), w.U32(0);
  w.U32(uint32_t(keys));
  for (int k = 0; k < keys; ++k) {
    w.U32(keys > 1 ? uint32_t(k) * lastFrame / uint32_t(keys - 1) : 0);
    uint16_t spline = k % 2 ? uint16_t(kSplineTension | kSplineContinuity | kSplineEaseFrom) : 0;
    w.U16(spline);
    for (int bit = 0; bit < 16; ++bit)
      if (spline >> bit & 1) w.F32(bit == 0 ? 0.5f : 0.0f);
    if (angle) w.F32(k * 0.5f);
    for (float f : value) w.F32(f);
  }
}

void Track(ChunkWriter& w, uint16_t id, int keys, const Vertex& v, bool angle, uint32_t lastFrame) {
  Chunk(w, id, [&] { TrackBody(w, keys, {v[0], v[1], v[2]}, angle, lastFrame); });
}

void NodeHeader(ChunkWriter& w, uint16_t nodeId, const std::string& name) {
  Chunk(w, kNodeId, [&] { w.U16(nodeId); });
  Chunk(w, kNodeHeader, [&] {
    w.Str(name);
    w.U16(0x4000), w.U16(0);
    w.U16(kNoParent);
  });
}

void WriteKeyframer(ChunkWriter& w, const SceneData& s) {
  Chunk(w, kKeyframer, [&] {
    Chunk(w, kKeyHeader, [&] {
      w.U16(5);
      w.Str("MAXSCENE");
      w.U32(s.lastFrame);
    });
    Chunk(w, kFrames, [&] { w.U32(0), w.U32(s.lastFrame); });
    uint16_t node = 0;
    for (const Mesh& mesh : s.meshes)
      Chunk(w, kObjectNode, [&] {
        NodeHeader(w, node++, mesh.name);
        Chunk(w, kPivot, [&] { w.F32(0), w.F32(0), w.F32(0); });
        Track(w, kPositionTrack, 1, {0, 0, 0}, false, s.lastFrame);
        Track(w, kRotationTrack, 3, {0, 1, 0}, true, s.lastFrame);
        Track(w, kScaleTrack, 1, {1, 1, 1}, false, s.lastFrame);
      });
    Chunk(w, kCameraNode, [&] {
      NodeHeader(w, node++, "Camera01");
      Track(w, kPositionTrack, 2, s.cameraPosition, false, s.lastFrame);
      Chunk(w, kFovTrack, [&] { TrackBody(w, 1, {45.0f}, false, s.lastFrame); });
      Chunk(w, kRollTrack, [&] { TrackBody(w, 1, {0.0f}, false, s.lastFrame); });
    });
    Chunk(w, kTargetNode, [&] {
      NodeHeader(w, node++, "Camera01");
      Track(w, kPositionTrack, 1, s.cameraTarget, false, s.lastFrame);
    });
    Chunk(w, kLightNode, [&] {
      NodeHeader(w, node++, "Light01");
      Track(w, kPositionTrack, 1, s.lightPosition, false, s.lastFrame);
    });
  });
}

}  // namespace

void ChunkWriter::Begin(uint16_t id) {
  open_.push_back(bytes_.size());
  U16(id);
  U32(0);
}

void ChunkWriter::End() {
  size_t start = open_.back();
  open_.pop_back();
  uint32_t length = uint32_t(bytes_.size() - start);
  for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = uint8_t(length >> (8 * i));
}

void ChunkWriter::U16(uint16_t v) {
  bytes_.push_back(uint8_t(v)), bytes_.push_back(uint8_t(v >> 8));
}
void ChunkWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
}
void ChunkWriter::F32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  U32(bits);
}
void ChunkWriter::Str(const std::string& s) {
  bytes_.insert(bytes_.end(), s.begin(), s.end());
  bytes_.push_back(0);
}

std::vector<uint8_t> Encode(const SceneData& s) {
  ChunkWriter w;
  Chunk(w, kMain, [&] {
    Chunk(w, kVersion, [&] { w.U32(3); });
    Chunk(w, kEditor, [&] {
      Chunk(w, kMeshVersion, [&] { w.U32(3); });
      WriteMaterial(w, s.material);
      Chunk(w, kMasterScale, [&] { w.F32(1); });
      Chunk(w, kBackground, [&] { ColourFloat(w, 0, 0, 0); });
      Chunk(w, kAmbientLight, [&] { ColourFloat(w, 0.1f, 0.1f, 0.12f); });
      for (const Mesh& mesh : s.meshes) WriteMesh(w, mesh, s.material);
      Chunk(w, kObject, [&] {
        w.Str("Light01");
        Chunk(w, kLight, [&] {
          w.F32(s.lightPosition[0]), w.F32(s.lightPosition[1]), w.F32(s.lightPosition[2]);
          ColourFloat(w, 1, 0.95f, 0.9f);
          Chunk(w, kSpotlight, [&] {
            w.F32(0), w.F32(0), w.F32(0);  // aimed at the origin
            w.F32(30), w.F32(45);           // hot spot and fall-off, degrees
          });
        });
      });
      Chunk(w, kObject, [&] {
        w.Str("Camera01");
        Chunk(w, kCamera, [&] {
          for (float f : s.cameraPosition) w.F32(f);
          for (float f : s.cameraTarget) w.F32(f);
          w.F32(0);  // bank
          w.F32(s.cameraLens);
        });
      });
    });
    WriteKeyframer(w, s);
  });
  return w.bytes();
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
  return ok;
}

}  // namespace tds
