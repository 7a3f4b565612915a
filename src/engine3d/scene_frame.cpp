// Camera, object motion and depth order. Vectors are rows multiplied into
// matrices from the left, all in single precision.
#include "engine3d/scene_frame.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr float kThird = 0.33333334f;

Matrix3 Multiply(const Matrix3& a, const Matrix3& b) {
  Matrix3 out{};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) out[r][k] = a[r][0] * b[0][k] + a[r][1] * b[1][k] + a[r][2] * b[2][k];
  return out;
}

void RowTimes(const float v[3], const Matrix3& m, float out[3]) {
  float x = v[0], y = v[1], z = v[2];
  for (int k = 0; k < 3; ++k) out[k] = x * m[0][k] + y * m[1][k] + z * m[2][k];
}

}  // namespace

void AimCamera(SceneCamera& camera) {
  float f[3] = {camera.target[0] - camera.position[0], camera.target[1] - camera.position[1],
                camera.target[2] - camera.position[2]};
  float inverse = 1.0f / std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
  for (float& v : f) v *= inverse;
  // World up minus its part along the view; left unnormalised.
  float u[3] = {-f[0] * f[1], 1 - f[1] * f[1], -f[2] * f[1]};
  float r[3] = {f[1] * u[2] - f[2] * u[1], f[2] * u[0] - f[0] * u[2], f[0] * u[1] - f[1] * u[0]};
  camera.basis = {{{r[0], r[1], r[2]}, {u[0], u[1], u[2]}, {f[0], f[1], f[2]}}};
}

void RotateMoveObject(SceneObject& object, float ax, float ay, float az, Vec3 d) {
  float c1 = std::cos(ax), s1 = std::sin(ax);
  float c2 = std::cos(ay), s2 = std::sin(ay);
  float c3 = std::cos(az), s3 = std::sin(az);
  Matrix3 turn = {{{c2 * c3, c2 * s3, -s2},
                   {s1 * s2 * c3 - c1 * s3, s1 * s2 * s3 + c1 * c3, s1 * c2},
                   {c1 * s2 * c3 + s1 * s3, c1 * s2 * s3 - s1 * c3, c1 * c2}}};
  object.rotation = Multiply(object.rotation, turn);
  const float move[3] = {d.x, d.y, d.z};
  float turned[3];
  RowTimes(move, turn, turned);
  for (int k = 0; k < 3; ++k) object.position[k] += turned[k];
}

void TransformObject(SceneObject& object, const SceneCamera& camera) {
  Matrix3 m = Multiply(object.rotation, camera.basis);
  const float offset[3] = {object.position[0] - camera.position[0],
                           object.position[1] - camera.position[1],
                           object.position[2] - camera.position[2]};
  float t[3];
  RowTimes(offset, camera.basis, t);
  for (MeshVertex& v : object.vertices) {
    const float p[3] = {v.x, v.y, v.z};
    float c[3];
    RowTimes(p, m, c);
    v.cx = c[0] + t[0], v.cy = c[1] + t[1], v.cz = c[2] + t[2];
  }
}

void BuildDepthKeys(const SceneObject& object, DepthOrder& order) {
  size_t n = size_t(object.faceCount);
  if (order.faceOrder.size() < n) order.faceOrder.resize(n);
  if (order.depthKeys.size() < n) order.depthKeys.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const FaceIndices& f = object.faces[i];
    order.faceOrder[i] = int32_t(i);
    order.depthKeys[i] = TruncOrIndefinite((object.vertices[f.a].cz + object.vertices[f.b].cz +
                                object.vertices[f.c].cz) * kThird);
  }
}

namespace {

// A face and its key side by side, so that a swap moves one word.
struct Keyed {
  int32_t key, face;
};

void SortKeyed(Keyed* a, int32_t lo, int32_t hi) {
  // A range of one is already in order; the partition below would never
  // finish on it, as neither index may move.
  while (lo < hi) {
    int32_t pivot = a[(lo + hi) / 2].key;
    int32_t i = lo, j = hi;
    do {
      while (a[i].key < pivot) ++i;
      while (a[j].key > pivot) --j;
      if (i <= j) {
        std::swap(a[i], a[j]);
        if (i < hi) ++i;
        if (j > lo) --j;
      }
    } while (i <= j);
    if (lo < j) SortKeyed(a, lo, j);
    if (i >= hi) return;
    lo = i;
  }
}

}  // namespace

void SortFaces(DepthOrder& order, int32_t lo, int32_t hi) {
  if (lo >= hi) return;
  // The range is sorted as pairs counted from 0: the partition's middle,
  // (lo + hi) / 2, moves with the range, as 2 lo is even.
  static thread_local std::vector<Keyed> pairs;
  const size_t n = size_t(hi - lo) + 1;
  pairs.resize(n);
  for (size_t k = 0; k < n; ++k) pairs[k] = Keyed{order.depthKeys[size_t(lo) + k], order.faceOrder[size_t(lo) + k]};
  SortKeyed(pairs.data(), 0, int32_t(n - 1));
  for (size_t k = 0; k < n; ++k) {
    order.depthKeys[size_t(lo) + k] = pairs[k].key;
    order.faceOrder[size_t(lo) + k] = pairs[k].face;
  }
}

void WobbleVertices(float time, SceneObject& object) {
  for (int j = 0; j < object.faceCount; ++j) {
    const FaceIndices& f = object.faces[j];
    MeshVertex* corners[3] = {&object.vertices[f.a], &object.vertices[f.b], &object.vertices[f.c]};
    for (MeshVertex* v : corners) {
      v->cx += std::cos(time + v->phase);
      v->cy += std::sin(time + v->phase);
    }
    for (MeshVertex* v : corners) v->phase += v->phaseStep;
  }
}

void DrawScene(const Scene& scene, const SceneCamera&, uint32_t* pixels, DepthOrder& order,
               uint32_t wireColour, int32_t cull) {
  for (int k = 0; k < scene.objectCount; ++k) {
    const SceneObject& object = scene.objects[k];
    if (object.faceCount == 0) continue;
    // Each object in the order of its own faces, whichever object was
    // ordered last.
    BuildDepthKeys(object, order);
    SortFaces(order, 0, object.faceCount - 1);
    switch (object.drawMode) {
      case 0: DrawDots(object, order, 255, 255, 255, pixels); break;
      case 1:
        DrawWire(object, order, wireColour, pixels);
        DrawDots(object, order, 255, 255, 255, pixels);
        break;
      case 2: DrawFlat(object, order, pixels, cull); break;
      case 6: DrawShaded(object, order, pixels, cull); break;
      default: break;
    }
  }
}

void DrawBallScene(Scene& scene, DepthOrder& order, float wobblePhase, uint32_t* pixels) {
  SceneCamera& camera = scene.cameras[0];
  AimCamera(camera);
  SceneObject& ball = scene.objects[0];
  ball.position[0] = -65, ball.position[1] = -40, ball.position[2] = -250;
  const float t = wobblePhase;
  const Vec3 move{64 * std::sin(t), 64 * std::cos(t), 64 * std::sin(t)};
  for (int k = 0; k < scene.objectCount; ++k) {
    SceneObject& object = scene.objects[k];
    RotateMoveObject(object, 0.015f, 0.015f, 0.015f, move);
    TransformObject(object, camera);
    BuildDepthKeys(object, order);
    if (object.faceCount > 0) SortFaces(order, 0, object.faceCount - 1);
    object.drawMode = 1;
    WobbleVertices(t, object);
  }
  DrawScene(scene, camera, pixels, order, 0xFFFFFFFFu, 0);
}
