// The recipes' image effects on a whole show: what loading builds for them
// and what the windows that use them leave on the frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "director/director.h"
#include "support/show.h"

using testing_support::Show;

namespace {

// Runs a test from the data folder and goes back where it was, so the other
// director tests keep running without the pictures.
struct FromDataDir {
  std::string before;
  FromDataDir() {
    char here[PATH_MAX];
    before = getcwd(here, sizeof here) ? here : "/";
    (void)!chdir(testing_support::DataDir().c_str());
  }
  ~FromDataDir() { (void)!chdir(before.c_str()); }
};

TEST(Loading, BuildsTheImageEffectsRecords) {
  FromDataDir here;
  Show s;
  ASSERT_TRUE(s.Open());
  EXPECT_TRUE(s.BoxTexts().empty());
  const Demo& d = s.demo;
  EXPECT_EQ(d.wobble.columnShift.size() * sizeof(int32_t), 2048u);
  EXPECT_EQ(d.trace.lights.size(), 4u);
  EXPECT_EQ(d.trace.radius, 256.0f);
  // The three ramps, light 0 first; the fourth light stays dark.
  EXPECT_EQ(d.trace.lights[0].ramp[255], 0xA4BBCAu);
  EXPECT_EQ(d.trace.lights[1].ramp[255], 0xBBAFC5u);
  EXPECT_EQ(d.trace.lights[2].ramp[255], 0xCFADA1u);
  EXPECT_EQ(d.trace.lights[3].ramp[255], 0u);
  EXPECT_EQ(d.flare.image.width, kFlareSide);
  EXPECT_EQ(d.flare.steps.size(), size_t(kFlareStepEntries));
  EXPECT_EQ(d.bumpLights.colour.width, 512);
  EXPECT_EQ(d.bumpLights.height.width, 512);
  EXPECT_EQ(d.bumpLights.height.height, 384);
  EXPECT_FALSE(d.bumpLights.height.values.empty());
  EXPECT_EQ(d.bumpLights.level, 255);
  EXPECT_EQ(d.bumpLights.spot[128 * 256 + 128], 95);
  EXPECT_EQ(d.logoSet.buffer1.size(), size_t(kLogoBufferBytes));
  // The logo set is the generator's first user.
  EXPECT_EQ(d.logoSet.particles[0].field2, 41 % 70 + 20);
  for (const PcxImage& p : d.rasterSet.pictures) EXPECT_FALSE(p.pixels.empty());
  EXPECT_EQ(d.pictures.staff2.width, kWobbleWidth);
  EXPECT_EQ(d.pictures.bump.width, kTraceTextureSide);
}

TEST(Recipes, BumpLightsAtTheirLevelWithTheLastRowsBlack) {
  FromDataDir here;
  struct Case {
    uint32_t t0, t1;
    int level;
  };
  const Case cases[] = {
      {20000, 21000, 85},   // rising in window 2
      {20000, 24000, 255},  // held
      {54000, 55500, 127},  // falling in window 3: 255 − 127.5
  };
  for (const Case& c : cases) {
    Show s;
    ASSERT_TRUE(s.Open());
    s.JumpTo(c.t0);
    s.FrameAt(c.t0);
    std::fill(s.demo.frameBuffer.begin(), s.demo.frameBuffer.begin() + kFramePixels, 0x00FFFFFF);
    double angle = s.demo.bumpLights.angle[0];
    s.FrameAt(c.t1);
    EXPECT_EQ(s.demo.bumpLights.level, c.level) << c.t1;
    // The lights moved by this frame's time.
    EXPECT_NEAR(s.demo.bumpLights.angle[0] - angle, 0.5 * (c.t1 - c.t0) / 1000.0, 1e-6) << c.t1;
    for (int x = 0; x < kFrameWidth; x += 37) {
      EXPECT_EQ(s.demo.frameBuffer[382 * kFrameWidth + x], 0u);
      EXPECT_EQ(s.demo.frameBuffer[383 * kFrameWidth + x], 0u);
    }
  }
}

TEST(Recipes, BorderRowsFromTheFullFramePictureUntil111Seconds) {
  FromDataDir here;
  Show s;
  ASSERT_TRUE(s.Open());
  const std::vector<uint32_t>& gV = s.demo.pictures.gV.pixels;
  ASSERT_EQ(gV.size(), size_t(kFramePixels));
  s.JumpTo(109000);
  // "image2.pcx" has faded out, so nothing lies over the copied rows.
  s.demo.director.overlayFall = 0;
  s.FrameAt(109000);
  auto rowsMatch = [&](int from, int to) {
    for (int i = from * kFrameWidth; i < to * kFrameWidth; ++i)
      if (s.demo.frameBuffer[i] != gV[i]) return false;
    return true;
  };
  // The planes draw rows 64 to 319; the copied rows outside them stay.
  EXPECT_TRUE(rowsMatch(0, 64));
  EXPECT_TRUE(rowsMatch(320, 384));
  EXPECT_FALSE(rowsMatch(64, 320));
  EXPECT_EQ(s.demo.director.bordersDone, 0);
  s.FrameAt(111000);  // copied one last time
  EXPECT_TRUE(rowsMatch(0, 64));
  EXPECT_EQ(s.demo.director.bordersDone, 1);
  s.demo.frameBuffer[10] = 0x00ABCDEF;
  s.FrameAt(111050);
  EXPECT_EQ(s.demo.frameBuffer[10], 0x00ABCDEFu);
}

TEST(Recipes, TheCameraStepMovesEyeTargetAndLightsAlongTheirPaths) {
  FromDataDir here;
  for (uint32_t t : {112000u, 130000u, 140000u}) {
    Show s;
    ASSERT_TRUE(s.Open());
    s.demo.director.cameraPathPos = 2.5f;
    s.JumpTo(t);
    s.FrameAt(t);
    s.FrameAt(t + 40);
    const Director& d = s.demo.director;
    float u = d.cameraPathPos;
    EXPECT_GT(u, 2.5f);
    const TraceScene& scene = s.demo.trace;
    struct Pair {
      Vec3 got;
      const KeyPath& path;
    };
    for (const Pair& p : {Pair{scene.eye, d.cameraEyePath}, Pair{scene.target, d.cameraTargetPath},
                          Pair{scene.lights[0].position, d.lightPath1}, Pair{scene.lights[1].position, d.lightPath2},
                          Pair{scene.lights[2].position, d.lightPath3}}) {
      Vec3 want = EvaluatePath(p.path, u);
      EXPECT_EQ(p.got.x, want.x) << t;
      EXPECT_EQ(p.got.y, want.y) << t;
      EXPECT_EQ(p.got.z, want.z) << t;
    }
    // The eye is on its path between keys 2 and 3, not at the origin.
    EXPECT_GT(scene.eye.z, 800);
  }
}

TEST(Recipes, TheRayCastWindowsDrawTheBand) {
  FromDataDir here;
  // Planes, morph and tunnel each write every pixel of rows 64 to 319: two
  // shows that differ only in what the frame held before agree there.
  for (uint32_t t : {112000u, 130000u, 140000u}) {
    std::vector<uint32_t> band[2];
    for (int n = 0; n < 2; ++n) {
      Show s;
      ASSERT_TRUE(s.Open());
      s.JumpTo(t);
      s.FrameAt(t);
      uint32_t fill = n ? 0x00FFFFFF : 0x00010203;
      std::fill(s.demo.frameBuffer.begin(), s.demo.frameBuffer.begin() + kFramePixels, fill);
      s.FrameAt(t + 20);
      EXPECT_EQ(s.demo.frameBuffer[5], fill) << t;
      band[n].assign(s.demo.frameBuffer.begin() + 64 * kFrameWidth, s.demo.frameBuffer.begin() + 320 * kFrameWidth);
    }
    EXPECT_EQ(band[0], band[1]) << t;
  }
}

TEST(Recipes, TheOverlayMovesOnByOneStepEachFrameOfWindow20) {
  FromDataDir here;
  Show s;
  ASSERT_TRUE(s.Open());
  s.JumpTo(193000);
  for (int n = 1; n <= 3; ++n) {
    s.FrameAt(193000 + 16 * n);
    EXPECT_EQ(s.demo.wobble.p0, 20 * n);
    EXPECT_EQ(s.demo.wobble.p3, 30 * n);
  }
  // Other windows leave it where it is.
  s.FrameAt(215000);
  EXPECT_EQ(s.demo.wobble.p0, 60);
}

TEST(Recipes, TheFlareRingAddsItsFortyFlares) {
  FromDataDir here;
  // The same opening frames twice, once without the flare picture: the
  // flares are all that differs.
  Show with, without;
  ASSERT_TRUE(with.Open());
  ASSERT_TRUE(without.Open());
  without.demo.flare.image = PcxImage{};
  for (Show* s : {&with, &without}) {
    s->demo.director.fadeInLevel = 255;
    s->JumpTo(10000);
    s->FrameAt(10000);
    s->FrameAt(10016);
  }
  int differ = 0;
  for (int i = 0; i < kFramePixels; ++i) differ += with.demo.frameBuffer[i] != without.demo.frameBuffer[i];
  EXPECT_GT(differ, 5000);
  EXPECT_EQ(with.demo.director.flarePhase, without.demo.director.flarePhase);
}

}  // namespace
