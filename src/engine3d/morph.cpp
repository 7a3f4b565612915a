#include "engine3d/morph.h"

#include <cstddef>

namespace {
constexpr float kStepFraction = 0.0078125f;  // 1/128 of the way per unit step
constexpr int32_t kStepsPerCall = 3;
constexpr int32_t kLastCount = 128;
}  // namespace

void MorphAim(SceneObject& moving, const SceneObject& target) {
  for (size_t i = 0; i < moving.vertices.size(); ++i) {
    MeshVertex& v = moving.vertices[i];
    v.morphCount = 0;
    if (i >= target.vertices.size()) {
      v.morphActive = 0;
      v.morphStep[0] = v.morphStep[1] = v.morphStep[2] = 0;
      continue;
    }
    const MeshVertex& t = target.vertices[i];
    v.morphActive = 1;
    v.morphStep[0] = (t.x - v.x) * kStepFraction;
    v.morphStep[1] = (t.y - v.y) * kStepFraction;
    v.morphStep[2] = (t.z - v.z) * kStepFraction;
  }
}

void MorphStep(SceneObject& moving) {
  for (MeshVertex& v : moving.vertices) {
    if (v.morphActive != 1) continue;
    v.morphCount += kStepsPerCall;
    // The step that passes the count still moves: the vertex overshoots to
    // 129/128 of the way.
    if (v.morphCount > kLastCount) v.morphActive = 0;
    for (int k = 0; k < kStepsPerCall; ++k) {
      v.x += v.morphStep[0];
      v.y += v.morphStep[1];
      v.z += v.morphStep[2];
    }
  }
}
