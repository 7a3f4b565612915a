// The 3D steps of the recipes: the ball beside the ray-cast scenes, the story
// object melting towards each page's shape, and the closing knot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine3d/scene_frame.h"
#include "support/show.h"

namespace {

namespace fs = std::filesystem;

// The show opened from the data folder, so the scenes load.
struct SceneShow : testing_support::Show {
  fs::path saved = fs::current_path();
  bool opened = false;
  SceneShow() {
    fs::current_path(testing_support::DataDir());
    ::testing::internal::CaptureStdout();
    opened = Open();
    ::testing::internal::GetCapturedStdout();
  }
  ~SceneShow() { fs::current_path(saved); }
  const uint32_t* pixels() const { return demo.frameBuffer.data(); }
};

float Distance(const MeshVertex& a, const MeshVertex& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

// The same frame drawn by a show whose object scene never loaded: what
// differs is what the 3D steps drew.
struct Twin {
  SceneShow with, without;
  Twin() { without.demo.scenes[0].objects.clear(); }
  void FrameAt(uint32_t t) {
    with.FrameAt(t);
    without.FrameAt(t);
  }
  bool Differs(int x, int y) const { return with.pixels()[y * 512 + x] != without.pixels()[y * 512 + x]; }
};

TEST(SceneSteps, TheBallIsDrawnInWindowsElevenToFifteen) {
  for (uint32_t t : {109500u, 115000u, 130000u, 140000u, 147000u}) {
    SCOPED_TRACE(t);
    Twin s;
    ASSERT_TRUE(s.with.opened && s.without.opened);
    s.with.JumpTo(t - 33);  // one frame's step, so a fade has barely begun
    s.without.JumpTo(t - 33);
    s.FrameAt(t);
    const SceneObject& ball = s.with.demo.scenes[0].objects[0];
    EXPECT_EQ(ball.drawMode, 1);
    // Reset to (-65, -40, -250) and moved by (0, 64, 0) turned once: the
    // wobble phase has not started yet.
    EXPECT_NEAR(ball.position[0], -65, 2);
    EXPECT_NEAR(ball.position[1], 24, 2);
    EXPECT_NEAR(ball.position[2], -250, 2);
    // Its dots and edges lie round its place on screen, (≈ 303, 209), and
    // nowhere else.
    int inside = 0, outside = 0;
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x) {
        bool near = y >= 130 && y < 290 && x >= 220 && x < 390;
        (near ? inside : outside) += s.Differs(x, y);
      }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(outside, 0) << "the ball keeps to its place";
  }
}

TEST(SceneSteps, TheStoryObjectMeltsTowardsEachPagesShape) {
  SceneShow s;
  ASSERT_TRUE(s.opened);
  SceneObject& story = s.demo.scenes[0].objects[0];
  const int vertex = 17;
  uint32_t t = 149000;
  for (int page = 1; page <= 4; ++page) {
    SCOPED_TRACE(page);
    const MeshVertex& target = s.demo.scenes[page].objects[0].vertices[vertex];
    float before = Distance(story.vertices[vertex], target);
    for (int n = 0; n < 120; ++n, t += 33) s.FrameAt(t);
    // Aimed again every frame: 3/128 of what is left each time.
    float after = Distance(story.vertices[vertex], target);
    EXPECT_NEAR(after, before * std::pow(125.0f / 128.0f, 120.0f), 0.05f + before * 1e-4f);
    EXPECT_EQ(story.position[0], -125.0f) << "placed every frame; the pass turns it but does not move it";
    EXPECT_EQ(story.drawMode, 2);
    t = 149000 + 11000 * page;  // the next page's window
  }
  EXPECT_EQ(s.demo.director.pageStage, 4);
}

TEST(SceneSteps, TheStoryObjectIsFilledOverThePicture) {
  Twin s;
  ASSERT_TRUE(s.with.opened && s.without.opened);
  s.FrameAt(150000);
  // Over the object (right of centre) "atomb.pcx" is blended with white or
  // with colour 2; away from it the picture is untouched.
  int changed = 0, light = 0, dark = 0;
  for (int y = 0; y < 384; ++y)
    for (int x = 0; x < 512; ++x) {
      if (!s.Differs(x, y)) continue;
      ++changed;
      // A half blend with white leaves red at 0x7F or more, with colour 2 at 0x7F or less.
      uint32_t red = (s.with.pixels()[y * 512 + x] >> 16) & 0xFF;
      light += red > 0x7F;
      dark += red < 0x7F;
    }
  EXPECT_GT(changed, 5000);
  EXPECT_FALSE(s.Differs(50, 100));
  // Both colours show: faces 0 and 1 white, 2 and 3 colour 2, and so on.
  EXPECT_GT(light, 1000);
  EXPECT_GT(dark, 1000);
}

TEST(SceneSteps, TheClosingKnotIsDrawnOnBlackAndSmoothed) {
  for (uint32_t t : {220000u, 232000u}) {
    SCOPED_TRACE(t);
    SceneShow s;
    ASSERT_TRUE(s.opened);
    float wobble = s.demo.director.wobblePhase;
    s.JumpTo(t - 33);
    s.FrameAt(t);
    const SceneObject& knot = s.demo.scenes[5].objects[0];
    EXPECT_EQ(knot.drawMode, 1);
    EXPECT_EQ(knot.position[2], -450);
    EXPECT_FLOAT_EQ(s.demo.director.wobblePhase, wobble + 0.025f);
    int lit = 0, white = 0;
    for (int i = 512; i < 383 * 512; ++i) {
      int x = i % 512, y = i / 512;
      if (x >= 374 && y >= 10 && y < 10 + 96) continue;  // the logo, laid on after the smoothing
      lit += s.pixels()[i] != 0;
      white += s.pixels()[i] == 0xFFFFFF;
    }
    EXPECT_GT(lit, 10000);
    // Smoothing leaves no pure white dot behind, and the corners stay black.
    EXPECT_EQ(white, 0);
    EXPECT_EQ(s.pixels()[380 * 512 + 5], 0u);
  }
}

}  // namespace
