#include "director/director.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/show.h"

using testing_support::Show;

namespace {

TEST(Schedule, EveryBoundaryBelongsToTheLaterWindow) {
  const uint32_t starts[] = {0,      20000,  54000,  57000,  79000,  82000,  85000,  88000,
                             105000, 107000, 109000, 111000, 128000, 133000, 146000, 149000,
                             160000, 171000, 182000, 193000, 215000, 231000};
  for (int w = 1; w <= kScheduleWindows; ++w) {
    uint32_t from = starts[w - 1];
    EXPECT_EQ(ScheduleWindow(from), w) << from;
    if (from > 0) {
      EXPECT_EQ(ScheduleWindow(from - 1), w - 1) << from - 1;
    }
    EXPECT_EQ(kSchedule[w - 1].from, from);
    EXPECT_EQ(kSchedule[w - 1].to, w < kScheduleWindows ? starts[w] : 234000u);
  }
  EXPECT_EQ(ScheduleWindow(233999), 22);
  EXPECT_EQ(ScheduleWindow(234000), 0);
  EXPECT_EQ(ScheduleWindow(0xFFFFFFFFu), 0);
}

TEST(DemoFrame, FromTheEndOnNothingIsDrawnOrPresented) {
  Show s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(233990);
  int shown = s.backend.ShowCount();
  s.demo.frameBuffer[0] = 0x00123456;
  for (uint32_t t : {234000u, 234001u, 250000u}) {
    host::Msg m;
    while (s.platform->windows.PeekMessage(&m, true)) {
    }
    s.FrameAt(t);
    EXPECT_EQ(s.backend.ShowCount(), shown) << t;
    EXPECT_EQ(s.demo.frameBuffer[0], 0x00123456u) << t;
    EXPECT_EQ(s.demo.director.lastWindow, 22);
    // Past the last millisecond the frame closes the demo window.
    bool closes = s.platform->windows.PeekMessage(&m, true) && m.message == host::WM_CLOSE;
    EXPECT_EQ(closes, t > 234000u) << t;
  }
}

TEST(DemoFrame, TheOpeningFadesInUntilItsLevelIsFull) {
  struct Case {
    uint32_t t;  // demo time of the frame after one at 0
    int level;   // the fade's level, or -1 for no fade at all
  };
  // The level grows by 51 a second: 10 ms gives 0.51 (fade to black), 2 s
  // gives 102, and 5 s or more reaches 255 where no fade runs at all.
  const Case cases[] = {{10, 0}, {2000, 102}, {5000, -1}, {19000, -1}};
  for (const Case& c : cases) {
    Show s;
    ASSERT_TRUE(s.Open());
    s.FrameAt(0);
    // A flat grey background: what the frame shows is the grey, its noise
    // and the fade.
    s.demo.pictures.mechV = PcxImage{std::vector<uint32_t>(kFramePixels, 0x00404040u), {}, 512, 384};
    CrtRandom next = s.demo.random;
    for (int i = 0; i < 1000; ++i) next.Next();
    uint32_t channel = 0x40 + uint32_t(next.Next() & 31);
    if (c.level >= 0) channel = channel * uint32_t(c.level) >> 8;
    s.FrameAt(c.t);
    EXPECT_EQ(s.demo.frameBuffer[1000], channel * 0x010101u) << c.t;
  }
}

TEST(Director, HeldAndFallingLevels) {
  struct Case {
    const char* name;
    uint32_t t0, t1;  // a frame at t0, then one at t1
    float Director::*level;
    float start, want;
  };
  const Case cases[] = {
      {"bump lights rise 85/s", 20000, 21000, &Director::bumpRise, 0, 85},
      {"and hold at 255", 20000, 23500, &Director::bumpRise, 0, 255},
      {"bump lights fall 85/s", 54000, 55000, &Director::bumpFall, 255, 170},
      {"and hold at 0", 54000, 55000, &Director::bumpFall, 10, 0},
      {"g_v waits for 76 s", 57000, 76000, &Director::imageRise, 0, 0},
      {"then rises", 76000, 78000, &Director::imageRise, 0, 170},
      {"g_v fades out", 82000, 84000, &Director::imageFall, 255, 85},
      {"image2 rises 127.5/s", 105000, 106000, &Director::overlayRise, 0, 127.5f},
      {"image2 falls 255/s, unheld", 109000, 110999, &Director::overlayFall, 255, -254.745f},
      {"tunnel fade", 146000, 148000, &Director::tunnelFade, 255, 85},
      {"closing fade waits for 231 s", 231000, 231000, &Director::closingFade, 255, 255},
      {"closing fade", 231000, 233000, &Director::closingFade, 255, 85},
      {"zoom angle 6.4/s", 85000, 86000, &Director::rotoPhase, 0, 6.4f},
      {"zoom angle only in the zoom", 79000, 81999, &Director::rotoPhase, 0, 0},
  };
  for (const Case& c : cases) {
    Show s;
    ASSERT_TRUE(s.Open());
    s.demo.director.*c.level = c.start;
    s.JumpTo(c.t0);
    s.FrameAt(c.t0);
    s.FrameAt(c.t1);
    EXPECT_NEAR(s.demo.director.*c.level, c.want, 1e-3) << c.name;
  }
}

TEST(Director, FlaresRestartFromZeroAndTheRingTurns) {
  Show s;
  ASSERT_TRUE(s.Open());
  FillFlarePhases(s.demo.director);
  EXPECT_EQ(s.demo.director.flarePhase[0], 0.0f);
  EXPECT_EQ(s.demo.director.flarePhase[39], 8.0f);
  EXPECT_FLOAT_EQ(s.demo.director.flarePhase[1], 8.0f / 39);
  s.demo.director.flarePhase[5] = 7.99f;
  s.FrameAt(0);
  s.FrameAt(100);  // +0.02: past 8, so back to 0, not to 0.01
  EXPECT_EQ(s.demo.director.flarePhase[5], 0.0f);
  EXPECT_EQ(s.demo.director.flarePhase[39], 0.0f);
  EXPECT_NEAR(s.demo.director.flarePhase[1], 8.0f / 39 + 0.02f, 1e-6);
  // The orbit matrix stays a rotation.
  const auto& m = s.demo.director.orbitMatrix;
  EXPECT_NEAR(s.demo.director.orbitYaw, 0.04f, 1e-7);
  EXPECT_NEAR(m[0] * m[0] + m[1] * m[1] + m[2] * m[2], 1.0f, 1e-6);
  EXPECT_NEAR(m[0] * m[3] + m[1] * m[4] + m[2] * m[5], 0.0f, 1e-6);
  EXPECT_FLOAT_EQ(m[2], -std::sin(0.04f));
}

TEST(Director, CameraPathStopsAtTheLastKey) {
  Show s;
  ASSERT_TRUE(s.Open());
  s.demo.director.cameraPathPos = 6.99f;
  s.demo.director.smoothSeconds = 1.0f;
  float smooth = 1.0f;
  s.JumpTo(146000);
  for (uint32_t t : {146000u, 146100u, 146200u}) {
    s.FrameAt(t);
    // The low-pass: 0.9 of the old value and 0.1 of the frame time.
    smooth = float(0.9 * smooth + 0.1 * s.demo.clock.FrameSeconds);
    EXPECT_EQ(s.demo.director.smoothSeconds, smooth);
    EXPECT_EQ(s.demo.director.cameraPathPos, 7.0f);
  }
  // Far from the end, the position grows by 0.18 of the smoothed time.
  s.demo.director.cameraPathPos = 2.0f;
  s.FrameAt(146300);
  smooth = float(0.9 * smooth + 0.1 * s.demo.clock.FrameSeconds);
  EXPECT_EQ(s.demo.director.cameraPathPos, float(2.0 + double(0.18f) * smooth));
}

TEST(Director, MorphWeightReachesZeroAndStays) {
  Show s;
  ASSERT_TRUE(s.Open());
  s.JumpTo(128000);
  s.FrameAt(128000);
  s.FrameAt(130000);
  EXPECT_NEAR(s.demo.director.morphWeight, 0.6f, 1e-5);
  s.FrameAt(132999);
  EXPECT_NEAR(s.demo.director.morphWeight, 0.0002f, 1e-5);
  // A long first frame carried in from window 12 counts too: past 5 s the
  // weight is 0, and it stays 0.
  Show t;
  ASSERT_TRUE(t.Open());
  t.JumpTo(127900);
  for (uint32_t ms : {128000u, 131000u, 132950u, 132990u}) t.FrameAt(ms);
  EXPECT_EQ(t.demo.director.morphWeight, 0.0f);
}

TEST(Director, OneShotFlags) {
  Show s;
  ASSERT_TRUE(s.Open());
  s.FrameAt(109000);
  s.FrameAt(110999);
  EXPECT_EQ(s.demo.director.bordersDone, 0);
  EXPECT_EQ(s.demo.director.lastWindow, 11);
  s.FrameAt(111000);
  EXPECT_EQ(s.demo.director.bordersDone, 1);

  EXPECT_EQ(s.demo.director.greetPageSet, 0);
  Show g;
  ASSERT_TRUE(g.Open());
  g.FrameAt(84999);
  EXPECT_EQ(g.demo.director.greetPageSet, 0);
  g.FrameAt(85000);
  EXPECT_EQ(g.demo.director.greetPageSet, 1);

  // Pages missed by a long frame are all started, in order, in one frame.
  Show p;
  ASSERT_TRUE(p.Open());
  p.FrameAt(148000);
  p.FrameAt(159999);
  EXPECT_EQ(p.demo.director.pageStage, 1);
  p.FrameAt(185000);
  EXPECT_EQ(p.demo.director.pageStage, 4);
  EXPECT_EQ(p.demo.director.lastWindow, 19);
}

TEST(Director, PerFrameValues) {
  Show s;
  ASSERT_TRUE(s.Open());
  // The wobble grows by 0.025 a frame in windows 16 to 22, whatever the time.
  s.FrameAt(150000);
  s.FrameAt(150001);
  s.FrameAt(216000);
  EXPECT_FLOAT_EQ(s.demo.director.wobblePhase, float(float(float(0.025) + 0.025) + 0.025));
  // The landscape flight: two steps along the old heading, then four more
  // steps of heading, wrapping at 2048.
  s.demo.director.landHeading = 2046;
  s.FrameAt(200000);
  EXPECT_EQ(s.demo.director.landX, 2 * int32_t(256 * std::cos(2046 * 0.0030679615758688787)));
  EXPECT_EQ(s.demo.director.landY, 2 * int32_t(256 * std::sin(2046 * 0.0030679615758688787)));
  EXPECT_EQ(s.demo.director.landHeading, 2);
  EXPECT_EQ(s.demo.landscape.eyeHeight, 300);
}

TEST(Director, TheClosingWindowsClearTheFrame) {
  Show s;
  ASSERT_TRUE(s.Open());
  std::fill(s.demo.frameBuffer.begin(), s.demo.frameBuffer.end(), 0x00FFFFFF);
  s.FrameAt(220000);
  EXPECT_EQ(s.demo.frameBuffer[0], 0u);
  EXPECT_EQ(s.demo.frameBuffer[kFramePixels - 1], 0u);
  EXPECT_EQ(s.demo.frameBuffer[kFramePixels], 0x00FFFFFFu);  // past the frame: not ours to clear
}

TEST(Director, PathsHoldTheirKeys) {
  Director d;
  FillPaths(d);
  for (const KeyPath* p : {&d.flarePath, &d.cameraEyePath, &d.cameraTargetPath, &d.lightPath1,
                           &d.lightPath2, &d.lightPath3})
    EXPECT_EQ(p->keys.size(), 8u);
  EXPECT_EQ(d.flarePath.closed, 1);
  EXPECT_EQ(d.lightPath3.closed, 0);
  EXPECT_EQ(d.flarePath.keys[0].tension, 7.8f);
  EXPECT_EQ(d.flarePath.keys[2].tension, 9.0f);
  EXPECT_EQ(d.flarePath.keys[1].tension, 0.0f);
  EXPECT_EQ(d.flarePath.keys[6].position.y, -465.0f);
  EXPECT_EQ(d.cameraEyePath.keys[6].position.z, 2045.0f);
  EXPECT_EQ(d.cameraTargetPath.keys[7].position.z, -50.0f);
  EXPECT_EQ(d.lightPath1.keys[7].position.z, -1800.0f);
  EXPECT_EQ(d.lightPath2.keys[4].position.z, 2860.0f);
  EXPECT_EQ(d.lightPath3.keys[5].position.x, -220.0f);
}

}  // namespace
