// A scene as plain data, and the code that turns it into the chunks of a
// 3DS file the way the usual exporters lay them out: the editor block with
// its materials, meshes (vertices, mapping, local matrix, faces with their
// material and smoothing groups), a light and a camera, then the keyframer
// with a node and its position, rotation and scale tracks for each of them.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tds {

using Vertex = std::array<float, 3>;
using Face = std::array<uint16_t, 3>;

struct Mesh {
  std::string name;
  std::vector<Vertex> vertices;
  std::vector<Face> faces;  // in file order
};

struct Material {
  std::string name;
  std::array<uint8_t, 3> ambient, diffuse;
  std::array<float, 3> specular;
  std::string map;  // texture file name, empty for none
};

struct SceneData {
  std::vector<Mesh> meshes;
  Material material;
  Vertex lightPosition{0, 0, 0};
  Vertex cameraPosition{0, 0, -600}, cameraTarget{0, 0, 0};
  float cameraLens = 35;
  uint32_t lastFrame = 100;
};

// Bytes of nested chunks: Begin writes a header whose length End fills in.
class ChunkWriter {
 public:
  void Begin(uint16_t id);
  void End();
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void F32(float v);
  void Str(const std::string& s);  // with its closing NUL
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;
};

std::vector<uint8_t> Encode(const SceneData& scene);
bool Save(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tds
