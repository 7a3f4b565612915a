#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/morph.h"

namespace {

SceneObject Points(std::initializer_list<std::array<float, 3>> points) {
  SceneObject o;
  for (auto& p : points) {
    MeshVertex v;
    v.x = p[0], v.y = p[1], v.z = p[2];
    o.vertices.push_back(v);
  }
  o.vertexCount = int32_t(o.vertices.size());
  return o;
}

TEST(Morph, AimedOnceItOvershootsTo129Over128AndStops) {
  SceneObject moving = Points({{0, 0, 0}, {5, 5, 5}, {-64, 32, 0}});
  const SceneObject target = Points({{128, -256, 64}, {5, 5, 5}, {64, 32, 128}});
  MorphAim(moving, target);
  EXPECT_EQ(moving.vertices[0].morphActive, 1);
  EXPECT_EQ(moving.vertices[0].morphStep[0], 1.0f);
  EXPECT_EQ(moving.vertices[0].morphStep[1], -2.0f);
  EXPECT_EQ(moving.vertices[1].morphStep[0], 0.0f);
  for (int n = 1; n <= 50; ++n) {
    MorphStep(moving);
    SCOPED_TRACE(n);
    EXPECT_EQ(moving.vertices[0].morphActive, n < 43 ? 1 : 0);
    EXPECT_EQ(moving.vertices[0].morphCount, 3 * std::min(n, 43));
  }
  // 43 calls of three steps: 129 steps of 1/128.
  EXPECT_FLOAT_EQ(moving.vertices[0].x, 129);
  EXPECT_FLOAT_EQ(moving.vertices[0].y, -258);
  EXPECT_FLOAT_EQ(moving.vertices[0].z, 64.5f);
  EXPECT_FLOAT_EQ(moving.vertices[2].x, -64 + 128 * 129 / 128.0f);
  EXPECT_FLOAT_EQ(moving.vertices[2].z, 129);
  // A vertex at its target does not move.
  EXPECT_EQ(moving.vertices[1].x, 5);
  EXPECT_EQ(moving.vertices[1].y, 5);
}

TEST(Morph, AimedEveryFrameItClosesByAFactorOf125Over128) {
  SceneObject moving = Points({{0, 0, 0}});
  const SceneObject target = Points({{1000, -500, 250}});
  for (int n = 1; n <= 100; ++n) {
    MorphAim(moving, target);
    MorphStep(moving);
    if (n % 25) continue;
    SCOPED_TRACE(n);
    double left = std::pow(125.0 / 128.0, n);
    EXPECT_NEAR(1000 - moving.vertices[0].x, 1000 * left, 0.01);
    EXPECT_NEAR(-500 - moving.vertices[0].y, -500 * left, 0.01);
    EXPECT_NEAR(250 - moving.vertices[0].z, 250 * left, 0.01);
    EXPECT_EQ(moving.vertices[0].morphCount, 3);
  }
}

TEST(Morph, VerticesWithoutAPartnerStayWhereTheyAre) {
  SceneObject moving = Points({{0, 0, 0}, {7, 8, 9}});
  const SceneObject target = Points({{128, 0, 0}});
  moving.vertices[1].morphActive = 1;  // left over from an earlier aim
  moving.vertices[1].morphStep[0] = 4;
  MorphAim(moving, target);
  for (int n = 0; n < 10; ++n) MorphStep(moving);
  EXPECT_FLOAT_EQ(moving.vertices[0].x, 30);
  EXPECT_EQ(moving.vertices[1].x, 7);
  EXPECT_EQ(moving.vertices[1].morphActive, 0);
}

}  // namespace
