// The loading phase's use of the shared generator: the logo set's particles
// take the first numbers, the six scenes the next ones, file by file, and the
// first frame's noise starts where the last scene stopped.
#include <gtest/gtest.h>

#include "director/blends.h"
#include "effects2d/image_sets.h"
#include "engine3d/scene.h"
#include "support/show.h"

namespace {

using testing_support::Show;

void ExpectSameParticles(const LogoSet& a, const LogoSet& b) {
  for (int i = 0; i < kLogoParticles; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a.particles[i].field2, b.particles[i].field2);
    EXPECT_EQ(a.particles[i].field4, b.particles[i].field4);
    EXPECT_EQ(a.particles[i].field6, b.particles[i].field6);
  }
}

void ExpectSamePhases(const Scene& a, const Scene& b) {
  ASSERT_EQ(a.objects.size(), b.objects.size());
  for (size_t k = 0; k < a.objects.size(); ++k) {
    ASSERT_EQ(a.objects[k].vertices.size(), b.objects[k].vertices.size());
    for (size_t v = 0; v < a.objects[k].vertices.size(); ++v) {
      ASSERT_EQ(a.objects[k].vertices[v].phase, b.objects[k].vertices[v].phase) << k << "/" << v;
      ASSERT_EQ(a.objects[k].vertices[v].phaseStep, b.objects[k].vertices[v].phaseStep) << k << "/" << v;
    }
  }
}

TEST(LoadingOrder, LogoSetThenTheScenesInFileOrderThenTheNoise) {
  testing_support::InDataDir here;
  Show s;
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(s.Open());
  ::testing::internal::GetCapturedStdout();

  // Replayed on a generator of our own, step by step in the same order.
  CrtRandom replay;
  LogoSet logo;
  PictureErrors errors;
  SetUpLogoSet(logo, replay, errors);
  ExpectSameParticles(logo, s.demo.logoSet);
  ::testing::internal::CaptureStdout();
  for (int k = 0; k < kSceneCount; ++k) {
    SCOPED_TRACE(kSceneFiles[k]);
    Scene scene;
    ASSERT_EQ(LoadScene(scene, kSceneFiles[k], replay), 1);
    ExpectSamePhases(scene, s.demo.scenes[k]);
  }
  ::testing::internal::GetCapturedStdout();
  // Nothing else drew from it while loading.
  EXPECT_EQ(s.demo.random.state, replay.state);

  // The first frame's noise goes on from there, one number a pixel.
  s.FrameAt(1000);
  std::vector<uint32_t> frame(kFramePixels);
  RenderTarget target;
  target.pixels = frame.data();
  AddNoise(target, replay, 0);
  EXPECT_EQ(s.demo.random.state, replay.state);
}

}  // namespace
