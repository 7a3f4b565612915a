#include "engine3d/scene_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine3d/morph.h"
#include "support/effects_scene.h"

namespace {

using testing_support::CameraFaces, testing_support::FacesAtDepths;

void ExpectMatrix(const Matrix3& got, const Matrix3& want) {
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[r][k], want[r][k], 1e-6) << r << k;
}

TEST(SceneFrame, AimCameraBuildsItsBasisFromTheView) {
  struct Case {
    const char* name;
    float position[3], target[3];
    Matrix3 basis;
  };
  const Case cases[] = {
      // The start camera: camera x is world x mirrored.
      {"start camera", {0, 0, -600}, {0, 0, 0}, {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
      // f = (0, 0.6, 0.8); u = (0, 0.64, -0.48) is left unnormalised.
      {"looking up", {0, 0, 0}, {0, 3, 4}, {{{-0.8f, 0, 0}, {0, 0.64f, -0.48f}, {0, 0.6f, 0.8f}}}},
      {"looking along x", {-10, 0, 0}, {90, 0, 0}, {{{0, 0, 1}, {0, 1, 0}, {1, 0, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SceneCamera camera;
    std::copy(c.position, c.position + 3, camera.position);
    std::copy(c.target, c.target + 3, camera.target);
    AimCamera(camera);
    ExpectMatrix(camera.basis, c.basis);
  }
}

std::vector<float> Xyz(const float* p) { return {p[0], p[1], p[2]}; }
TEST(SceneFrame, DepthKeysAndTheirSort) {
  struct Case {
    std::vector<float> depths;
    std::vector<int32_t> keys, order;  // after the sort
  };
  const Case cases[] = {
      {{7, 3, 5}, {3, 5, 7}, {1, 2, 0}},
      {{4}, {4}, {0}},
      {{2.9f, -2.9f}, {-2, 2}, {1, 0}},
      {{5, 5, 5, 1}, {1, 5, 5, 5}, {3, 2, 0, 1}},  // equal keys: the partition's own order
      {{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    SceneObject o = FacesAtDepths(c.depths);
    DepthOrder order;
    BuildDepthKeys(o, order);
    SortFaces(order, 0, o.faceCount - 1);
    EXPECT_EQ(order.depthKeys, c.keys) << c.depths.size();
    EXPECT_EQ(order.faceOrder, c.order) << c.depths.size();
  }
  // Many keys with repeats: ascending, every key still beside its face, and
  // entries past the object left alone.
  std::vector<float> depths;
  CrtRandom random;
  for (int i = 0; i < 777; ++i) depths.push_back(float(random.Next() % 300 - 100));
  SceneObject o = FacesAtDepths(depths);
  DepthOrder order{std::vector<int32_t>(1000, -1), std::vector<int32_t>(1000, -1)};
  BuildDepthKeys(o, order);
  SortFaces(order, 0, o.faceCount - 1);
  EXPECT_TRUE(std::is_sorted(order.depthKeys.begin(), order.depthKeys.begin() + 777));
  std::vector<int32_t> faces(order.faceOrder.begin(), order.faceOrder.begin() + 777);
  for (int i = 0; i < 777; ++i) ASSERT_EQ(order.depthKeys[i], int32_t(depths[faces[i]]));
  std::sort(faces.begin(), faces.end());
  for (int i = 0; i < 777; ++i) ASSERT_EQ(faces[i], i);
  EXPECT_EQ(order.faceOrder[777], -1);
}

TEST(SceneFrame, WobbleMovesAVertexOncePerFaceThatNamesIt) {
  SceneObject o = FacesAtDepths({0, 0});
  o.vertexCount = 4, o.vertices.resize(4);
  o.faces = {FaceIndices{0, 1, 2}, FaceIndices{2, 1, 3}};
  const float steps[4] = {-0.0115f, 0.0108f, 0.0115f, 0.0115f}, t = 0.25f;
  for (int i = 0; i < 4; ++i) o.vertices[i].phase = float(i), o.vertices[i].phaseStep = steps[i];
  WobbleVertices(t, o);
  // Vertex 2 is named twice: moved at phase 2, advanced, moved again.
  EXPECT_FLOAT_EQ(o.vertices[2].cx, std::cos(t + 2) + std::cos(t + (2 + steps[2])));
  EXPECT_FLOAT_EQ(o.vertices[2].phase, 2 + steps[2] + steps[2]);
  EXPECT_FLOAT_EQ(o.vertices[0].cx, std::cos(t));
  EXPECT_FLOAT_EQ(o.vertices[0].cy, std::sin(t));
  EXPECT_FLOAT_EQ(o.vertices[0].phase, -0.0115f);
  EXPECT_FLOAT_EQ(o.vertices[3].phase, 3 + 0.0115f);
}

TEST(SceneFrame, DrawSceneUsesEachObjectsModeAndOwnOrder) {
  // Two overlapping faces in one object at depths 200 (red) and 100 (blue):
  // the painter's order puts the near one last, whatever order the other
  // object left.
  SceneObject near = CameraFaces({{-100, -100, 200}, {100, -100, 200}, {-100, 100, 200}, {-25, -25, 100}, {25, -25, 100}, {-25, 25, 100}});
  near.faceInfo[0].colour = 0xFF0000, near.faceInfo[1].colour = 0x0000FF;
  near.drawMode = 2;
  Scene scene;
  scene.objectCount = 2;
  scene.objects = {near, FacesAtDepths({10, 20, 30})};
  scene.objects[1].drawMode = 9;  // draws nothing
  std::vector<uint32_t> pixels(kFramePixels, 0);
  DepthOrder order{{0, 1, 2}, {0, 0, 0}};  // stale: the wrong order for this object
  DrawScene(scene, SceneCamera{}, pixels.data(), order, 0, 0);
  EXPECT_EQ(pixels[182 * 512 + 246], HalfBlend(HalfBlend(0, 0xFF0000), 0x0000FF));
  EXPECT_EQ(pixels[100 * 512 + 150], HalfBlend(0, 0xFF0000));
  // Mode 1 draws the wire and then white dots; mode 0 the dots only.
  for (int mode : {0, 1}) {
    scene.objects[0].drawMode = mode;
    std::fill(pixels.begin(), pixels.end(), 0);
    DrawScene(scene, SceneCamera{}, pixels.data(), order, 0xFFFFFFFFu, 0);
    EXPECT_EQ(pixels[64 * 512 + 128], 0xFFFFFFu) << "a corner of the far face, mode " << mode;
    EXPECT_EQ(pixels[64 * 512 + 256] != 0, mode == 1) << "its top edge, mode " << mode;
  }
}

SceneObject Points(std::vector<std::array<float, 3>> points) {
  SceneObject o;
  for (auto [x, y, z] : points) o.vertices.push_back(MeshVertex{x, y, z});
  o.vertexCount = int32_t(o.vertices.size());
  return o;
}

// Aimed once, a vertex moves 3/128 of the way a step until it overshoots to
// 129/128 and stops; a vertex at its target or without a partner stays.
TEST(Morph, AimedOnceItOvershootsTo129Over128AndStops) {
  SceneObject moving = Points({{0, 0, 0}, {5, 5, 5}, {-64, 32, 0}, {7, 8, 9}});
  const SceneObject target = Points({{128, -256, 64}, {5, 5, 5}, {64, 32, 128}});
  moving.vertices[3].morphActive = 1;  // left over from an earlier aim
  moving.vertices[3].morphStep[0] = 4;
  MorphAim(moving, target);
  EXPECT_EQ(Xyz(moving.vertices[0].morphStep), std::vector<float>({1, -2, 0.5f}));
  for (int n = 1; n <= 50; ++n) {
    MorphStep(moving);
    EXPECT_EQ(moving.vertices[0].morphActive, n < 43 ? 1 : 0) << n;
    EXPECT_EQ(moving.vertices[0].morphCount, 3 * std::min(n, 43)) << n;
  }
  const float want[4][3] = {{129, -258, 64.5f}, {5, 5, 5}, {-64 + 129, 32, 129}, {7, 8, 9}};
  for (int v = 0; v < 4; ++v)
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ((&moving.vertices[v].x)[k], want[v][k]) << v << "," << k;
  EXPECT_EQ(moving.vertices[3].morphActive, 0);
  // Aimed again, the count starts over and the vertex moves on.
  MorphAim(moving, target);
  MorphStep(moving);
  EXPECT_EQ(moving.vertices[0].morphActive, 1);
}

}  // namespace
