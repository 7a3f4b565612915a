#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine3d/scene_frame.h"

namespace {

SceneCamera StartCamera() {
  SceneCamera c;
  c.position[2] = -600;
  return c;
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
    for (int r = 0; r < 3; ++r)
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(camera.basis[r][k], c.basis[r][k], 1e-6) << r << k;
  }
}

TEST(SceneFrame, RotateMoveObjectTurnsAndMovesByThisFramesTurn) {
  SceneObject o;
  o.position[0] = 1, o.position[1] = 2, o.position[2] = 3;
  // Zero angles: the rotation stays, d is added as it is.
  RotateMoveObject(o, 0, 0, 0, Vec3{10, -20, 30});
  EXPECT_EQ(o.rotation, kIdentity3);
  EXPECT_EQ(o.position[0], 11);
  EXPECT_EQ(o.position[1], -18);
  EXPECT_EQ(o.position[2], 33);

  // A quarter turn about z twice: x goes to y, then to -x. The move is turned
  // by this frame's quarter only, both times.
  const float quarter = 1.5707964f;
  RotateMoveObject(o, 0, 0, quarter, Vec3{1, 0, 0});
  RotateMoveObject(o, 0, 0, quarter, Vec3{1, 0, 0});
  const Matrix3 half = {{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(o.rotation[r][k], half[r][k], 1e-6);
  EXPECT_NEAR(o.position[0], 11, 1e-5);
  EXPECT_NEAR(o.position[1], -16, 1e-5);
  EXPECT_NEAR(o.position[2], 33, 1e-5);

  // About x by a: row 1 of R is (0, cos a, sin a).
  SceneObject p;
  RotateMoveObject(p, 0.5f, 0, 0, Vec3{0, 1, 0});
  EXPECT_FLOAT_EQ(p.rotation[1][1], std::cos(0.5f));
  EXPECT_FLOAT_EQ(p.rotation[1][2], std::sin(0.5f));
  EXPECT_FLOAT_EQ(p.position[2], std::sin(0.5f));
}

TEST(SceneFrame, TransformObjectPutsVerticesInCameraSpace) {
  SceneCamera camera = StartCamera();
  AimCamera(camera);
  SceneObject o;
  o.vertexCount = 2;
  o.vertices.resize(2);
  o.vertices[0].x = 10, o.vertices[1].y = 5, o.vertices[1].z = -7;
  o.position[0] = -90, o.position[1] = 20, o.position[2] = -300;
  TransformObject(o, camera);
  // World x is mirrored; z counts from the camera at -600.
  EXPECT_FLOAT_EQ(o.vertices[0].cx, 80);
  EXPECT_FLOAT_EQ(o.vertices[0].cy, 20);
  EXPECT_FLOAT_EQ(o.vertices[0].cz, 300);
  EXPECT_FLOAT_EQ(o.vertices[1].cx, 90);
  EXPECT_FLOAT_EQ(o.vertices[1].cy, 25);
  EXPECT_FLOAT_EQ(o.vertices[1].cz, 293);
  // The object's own turn comes before the camera's.
  o.rotation = {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
  TransformObject(o, camera);
  EXPECT_FLOAT_EQ(o.vertices[0].cx, 90);
  EXPECT_FLOAT_EQ(o.vertices[0].cy, 30);
}

// An object whose face i has depth keys[i] (all three corners at that z).
SceneObject FacesAtDepths(const std::vector<float>& depths) {
  SceneObject o;
  o.faceCount = int32_t(depths.size());
  o.vertexCount = 3 * o.faceCount;
  o.vertices.resize(size_t(o.vertexCount));
  for (int i = 0; i < o.faceCount; ++i) {
    for (int k = 0; k < 3; ++k) o.vertices[3 * i + k].cz = depths[i];
    o.faces.push_back(FaceIndices{3 * i, 3 * i + 1, 3 * i + 2});
    o.faceInfo.push_back(FaceInfo{1, 0xFFFFFF});
  }
  return o;
}

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
    SCOPED_TRACE(c.depths.size());
    SceneObject o = FacesAtDepths(c.depths);
    DepthOrder order;
    BuildDepthKeys(o, order);
    SortFaces(order, 0, o.faceCount - 1);
    EXPECT_EQ(order.depthKeys, c.keys);
    EXPECT_EQ(order.faceOrder, c.order);
  }
}

TEST(SceneFrame, SortFacesOrdersAnyKeysWithTheirFaces) {
  // Many keys with repeats: ascending, and every key still beside its face.
  std::vector<float> depths;
  CrtRandom random;
  for (int i = 0; i < 777; ++i) depths.push_back(float(random.Next() % 300 - 100));
  SceneObject o = FacesAtDepths(depths);
  DepthOrder order;
  order.faceOrder.assign(1000, -1);
  order.depthKeys.assign(1000, -1);
  BuildDepthKeys(o, order);
  SortFaces(order, 0, o.faceCount - 1);
  EXPECT_TRUE(std::is_sorted(order.depthKeys.begin(), order.depthKeys.begin() + 777));
  std::vector<int32_t> faces(order.faceOrder.begin(), order.faceOrder.begin() + 777);
  for (int i = 0; i < 777; ++i) EXPECT_EQ(order.depthKeys[i], int32_t(depths[faces[i]]));
  std::sort(faces.begin(), faces.end());
  for (int i = 0; i < 777; ++i) EXPECT_EQ(faces[i], i);
  EXPECT_EQ(order.faceOrder[777], -1) << "entries past the object are left alone";
}

TEST(SceneFrame, WobbleMovesAVertexOncePerFaceThatNamesIt) {
  SceneObject o;
  o.vertexCount = 4, o.faceCount = 2;
  o.vertices.resize(4);
  o.faces = {FaceIndices{0, 1, 2}, FaceIndices{2, 1, 3}};
  o.faceInfo.assign(2, FaceInfo{1, 0xFFFFFF});
  const float steps[4] = {-0.0115f, 0.0108f, 0.0115f, 0.0115f};
  for (int i = 0; i < 4; ++i) o.vertices[i].phase = float(i), o.vertices[i].phaseStep = steps[i];
  const float t = 0.25f;
  WobbleVertices(t, o);
  // Vertex 2 is named twice: moved at phase 2, advanced, moved again.
  float p2 = 2;
  float cx2 = std::cos(t + p2);
  p2 += steps[2];
  cx2 += std::cos(t + p2);
  p2 += steps[2];
  EXPECT_FLOAT_EQ(o.vertices[2].cx, cx2);
  EXPECT_FLOAT_EQ(o.vertices[2].phase, p2);
  EXPECT_FLOAT_EQ(o.vertices[0].cx, std::cos(t + 0));
  EXPECT_FLOAT_EQ(o.vertices[0].cy, std::sin(t + 0));
  EXPECT_FLOAT_EQ(o.vertices[0].phase, -0.0115f);
  EXPECT_FLOAT_EQ(o.vertices[3].phase, 3 + 0.0115f);
}

TEST(SceneFrame, DrawSceneUsesEachObjectsModeAndOwnOrder) {
  // Two overlapping faces in one object at depths 100 and 200: the painter's
  // order puts the near one last, whatever order the other object left.
  SceneObject near = FacesAtDepths({200, 100});
  near.vertexCount = 6;
  const float xy[6][2] = {{-50, -50}, {50, -50}, {-50, 50}, {-25, -25}, {25, -25}, {-25, 25}};
  for (int i = 0; i < 6; ++i) near.vertices[i].cx = xy[i][0] * near.vertices[i].cz / 100, near.vertices[i].cy = xy[i][1] * near.vertices[i].cz / 100;
  near.faceInfo[0].colour = 0xFF0000;  // far
  near.faceInfo[1].colour = 0x0000FF;  // near
  near.drawMode = 2;
  Scene scene;
  scene.objectCount = 2;
  scene.objects = {near, FacesAtDepths({10, 20, 30})};
  scene.objects[1].drawMode = 9;  // draws nothing
  std::vector<uint32_t> pixels(512 * 384, 0);
  DepthOrder order{{0, 1, 2}, {0, 0, 0}};  // stale: the wrong order for this object
  DrawScene(scene, SceneCamera{}, pixels.data(), order, 0, 0);
  // Far red first, then near blue over it.
  uint32_t both = HalfBlend(HalfBlend(0, 0xFF0000), 0x0000FF);
  EXPECT_EQ(pixels[size_t(182) * 512 + 246], both);
  EXPECT_EQ(pixels[size_t(100) * 512 + 150], HalfBlend(0, 0xFF0000));

  // Mode 1 draws the wire and then white dots; mode 0 the dots only.
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    scene.objects[0].drawMode = mode;
    std::fill(pixels.begin(), pixels.end(), 0);
    DrawScene(scene, SceneCamera{}, pixels.data(), order, 0xFFFFFFFFu, 0);
    EXPECT_EQ(pixels[size_t(64) * 512 + 128], 0xFFFFFFu);  // a corner of the far face
    uint32_t edge = pixels[size_t(64) * 512 + 256];        // on its top edge
    EXPECT_EQ(edge != 0, mode == 1);
  }
}

TEST(SceneFrame, BallSceneCirclesItsFirstObjectAndDrawsItAsWire) {
  Scene scene;
  scene.objectCount = 1;
  scene.objects.resize(1);
  scene.cameras.resize(5);
  scene.cameras[0] = StartCamera();
  SceneObject& ball = scene.objects[0];
  ball = FacesAtDepths({0});
  const float corners[3][3] = {{-20, -20, 0}, {20, -20, 0}, {0, 20, 0}};
  for (int i = 0; i < 3; ++i)
    ball.vertices[i].x = corners[i][0], ball.vertices[i].y = corners[i][1], ball.vertices[i].z = corners[i][2];
  ball.position[0] = 999;  // replaced every frame
  std::vector<uint32_t> pixels(512 * 384, 0);
  DepthOrder order;
  const float t = 0.5f;
  DrawBallScene(scene, order, t, pixels.data());
  // The move is d turned by one frame's turn of 0.015 on each axis.
  SceneObject expected;
  expected.position[0] = -65, expected.position[1] = -40, expected.position[2] = -250;
  RotateMoveObject(expected, 0.015f, 0.015f, 0.015f,
                   Vec3{64 * std::sin(t), 64 * std::cos(t), 64 * std::sin(t)});
  for (int k = 0; k < 3; ++k) EXPECT_EQ(ball.position[k], expected.position[k]);
  EXPECT_EQ(ball.rotation, expected.rotation);
  EXPECT_EQ(ball.drawMode, 1);
  EXPECT_EQ(scene.cameras[0].basis[0][0], -1);
  // Drawn: blue edges and white dots.
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p == 0x0000BE || p == 0x00007F; }));
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p == 0xFFFFFF; }));
}

}  // namespace
