#include "base/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(DemoClock, Tick) {
  struct Case {
    const char* name;
    uint32_t previous, now;
    float seconds;
    bool ends;
  };
  const Case cases[] = {
      {"one millisecond", 1000, 1001, 0.001f, false},
      {"two frames in one millisecond", 5000, 5000, 0.0f, false},
      {"a backwards reading is no step", 5000, 4990, 0.0f, false},
      {"a long frame", 0, 2500, 2.5f, false},
      {"the last drawn millisecond", 233990, 234000, 0.01f, false},
      {"one past the end ends", 234000, 234001, 0.001f, true},
      {"far past the end ends", 234001, 300000, 65.999f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DemoClock clock;
    clock.DemoTimeMs = c.previous;
    EXPECT_EQ(TickDemoClock(clock, c.now), c.ends);
    EXPECT_EQ(clock.PrevDemoTimeMs, c.previous);
    EXPECT_EQ(clock.DemoTimeMs, c.now);
    EXPECT_FLOAT_EQ(clock.FrameSeconds, c.seconds);
  }
}

TEST(DemoClock, FrameSecondsIsTheSinglePrecisionProduct) {
  // The step meets the float 0.001, not the double: 1 ms is 0.001f exactly,
  // and 3 ms is the float nearest 3 × 0.001f.
  for (uint32_t step : {1u, 3u, 17u, 33u, 1000u}) {
    DemoClock clock;
    TickDemoClock(clock, step);
    EXPECT_EQ(clock.FrameSeconds, float(double(step) * double(0.001f))) << step;
  }
}

TEST(DemoClock, Readings) {
  struct Case {
    const char* name;
    bool noSound;
    uint32_t startedAt, offset, song, wall, reading;
  };
  const Case cases[] = {
      {"the song's time with sound", false, 0, 0, 250, 99999, 250},
      {"the wall clock since the start without", true, 5000, 0, 250, 5007, 7},
      {"a show entered part way counts from there", true, 5000, 20000, 0, 5010, 20010},
      // The wall clock's 32 bits wrap every 49 days; a run that straddles
      // the wrap must still count forwards.
      {"across the wall clock's wrap", true, 0xFFFFFFE2u, 0, 0, 50, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DemoClock clock;
    StartWallClock(clock, c.startedAt, c.offset);
    EXPECT_EQ(ClockReading(clock, c.noSound, c.song, c.wall), c.reading);
  }
}

TEST(DemoClock, SeededBySongTime) {
  DemoClock clock;
  SeedDemoClock(clock, 40);
  EXPECT_EQ(clock.DemoTimeMs, 40u);
  EXPECT_EQ(clock.PrevDemoTimeMs, 40u);
  TickDemoClock(clock, 290);
  EXPECT_FLOAT_EQ(clock.FrameSeconds, 0.25f);
}

}  // namespace
