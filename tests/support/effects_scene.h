// Scene objects made by hand for the 3D engine's tests.
#pragma once
#include <array>
#include <vector>

#include "engine3d/scene.h"

namespace testing_support {

// Faces already in camera space, three corners each, all enabled in one colour.
inline SceneObject CameraFaces(const std::vector<std::array<float, 3>>& corners, uint32_t colour = 0xFFFFFF) {
  SceneObject o;
  o.vertexCount = int32_t(corners.size()), o.faceCount = o.vertexCount / 3;
  o.vertices.resize(corners.size());
  for (size_t i = 0; i < corners.size(); ++i)
    o.vertices[i].cx = corners[i][0], o.vertices[i].cy = corners[i][1], o.vertices[i].cz = corners[i][2];
  for (int f = 0; f < o.faceCount; ++f) o.faces.push_back({3 * f, 3 * f + 1, 3 * f + 2}), o.faceInfo.push_back({1, colour});
  return o;
}

// Face i with all three corners at (0, 0, depths[i]).
inline SceneObject FacesAtDepths(const std::vector<float>& depths) {
  std::vector<std::array<float, 3>> corners;
  for (float d : depths) corners.insert(corners.end(), 3, {0, 0, d});
  return CameraFaces(corners);
}

}  // namespace testing_support
