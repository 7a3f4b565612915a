#include "shell/clock.h"

#include <gtest/gtest.h>

#include "support/show.h"

using testing_support::Show;

namespace {

int PendingCloses(Show& s) {
  int closes = 0;
  host::Msg m;
  while (s.platform->windows.PeekMessage(&m, true))
    if (m.message == host::WM_CLOSE) ++closes;
  return closes;
}

TEST(DemoClock, TickOnTheWallClock) {
  struct Case {
    const char* name;
    uint32_t previous, now;
    float seconds;
    bool closes;
  };
  const Case cases[] = {
      {"one millisecond", 1000, 1001, 0.001f, false},
      {"two frames in one millisecond", 5000, 5000, 0.0f, false},
      {"a backwards reading is no step", 5000, 4990, 0.0f, false},
      {"a long frame", 0, 2500, 2.5f, false},
      {"the last drawn millisecond", 233990, 234000, 0.01f, false},
      {"one past the end closes", 234000, 234001, 0.001f, true},
      {"far past the end closes", 234001, 300000, 65.999f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show s;
    ASSERT_TRUE(s.Open());
    PendingCloses(s);
    s.demo.clock.DemoTimeMs = c.previous;
    s.demo.clock.DemoStartMs = WallClockMs(s.demo) - c.now;
    TickDemoClock(s.demo);
    EXPECT_EQ(s.demo.clock.PrevDemoTimeMs, c.previous);
    EXPECT_EQ(s.demo.clock.DemoTimeMs, c.now);
    EXPECT_FLOAT_EQ(s.demo.clock.FrameSeconds, c.seconds);
    EXPECT_EQ(PendingCloses(s), c.closes ? 1 : 0);
  }
}

TEST(DemoClock, FrameSecondsIsTheSinglePrecisionProduct) {
  // The step meets the float 0.001, not the double: 1 ms is 0.001f exactly,
  // and 3 ms is the float nearest 3 × 0.001f.
  Show s;
  ASSERT_TRUE(s.Open());
  for (uint32_t step : {1u, 3u, 17u, 33u, 1000u}) {
    s.demo.clock.DemoTimeMs = 0;
    s.demo.clock.DemoStartMs = WallClockMs(s.demo) - step;
    TickDemoClock(s.demo);
    EXPECT_EQ(s.demo.clock.FrameSeconds, float(double(step) * double(0.001f))) << step;
  }
}

TEST(DemoClock, WallClockSubtractionSurvivesTheWrap) {
  // The wall clock's 32 bits wrap every 49 days; a run that straddles the
  // wrap must still count forwards.
  Show s;
  ASSERT_TRUE(s.Open());
  uint32_t now = WallClockMs(s.demo);
  s.backend.AdvanceMs(0x100000000ull - now - 30);  // 30 ms before the wrap
  StartWallClock(s.demo);
  s.demo.clock.DemoTimeMs = 0;
  s.backend.AdvanceMs(80);  // 50 ms past it
  TickDemoClock(s.demo);
  EXPECT_LT(WallClockMs(s.demo), 100u);
  EXPECT_EQ(s.demo.clock.DemoTimeMs, 80u);
  EXPECT_FLOAT_EQ(s.demo.clock.FrameSeconds, 0.08f);
}

TEST(DemoClock, NoSoundStartsWhenLoadingEnds) {
  // With no sound the first frame's time counts from the end of loading, not
  // from the song.
  Show s;
  ASSERT_TRUE(s.Open());
  s.backend.AdvanceMs(7);
  TickDemoClock(s.demo);
  EXPECT_EQ(s.demo.clock.DemoTimeMs, 7u);
}

TEST(DemoClock, SongTimeRunsTheShowWithSound) {
  testing_support::InDataDir here;
  Show s;
  ASSERT_TRUE(s.Open());
  s.demo.settings.noSound = 0;
  s.platform->player.SetOutput(host::kOutputNone);
  ASSERT_TRUE(s.platform->player.Init(44100, 32));
  s.demo.SongHandle = s.platform->player.LoadSong("what2xx.it");
  ASSERT_NE(s.demo.SongHandle, nullptr) << s.platform->player.SongErrorText();
  s.platform->player.PlaySong(s.demo.SongHandle);
  SeedDemoClock(s.demo);
  EXPECT_EQ(s.demo.clock.DemoTimeMs, 0u);
  EXPECT_EQ(s.demo.clock.PrevDemoTimeMs, 0u);
  s.backend.AdvanceMs(250);
  TickDemoClock(s.demo);
  EXPECT_EQ(s.demo.clock.DemoTimeMs, 250u);
  EXPECT_FLOAT_EQ(s.demo.clock.FrameSeconds, 0.25f);
}

}  // namespace
