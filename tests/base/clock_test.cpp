#include "base/clock.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(DemoClock, Tick) {
  // The time before, the reading, the frame's seconds, whether the show ends.
  const std::tuple<uint32_t, uint32_t, float, bool> cases[] = {
      {1000, 1001, 0.001f, false},        // one millisecond
      {5000, 5000, 0.0f, false},          // two frames in one millisecond
      {5000, 4990, 0.0f, false},          // a backwards reading is no step
      {0, 2500, 2.5f, false},             // a long frame
      {233990, 234000, 0.01f, false},     // the last drawn millisecond
      {234000, 234001, 0.001f, true},     // one past the end ends
      {234001, 300000, 65.999f, true}};   // far past the end ends
  for (auto [previous, now, seconds, ends] : cases) {
    DemoClock clock;
    clock.DemoTimeMs = previous;
    EXPECT_EQ(TickDemoClock(clock, now), ends) << now;
    EXPECT_EQ(std::make_pair(clock.PrevDemoTimeMs, clock.DemoTimeMs), std::make_pair(previous, now));
    EXPECT_FLOAT_EQ(clock.FrameSeconds, seconds) << now;
  }
}

TEST(DemoClock, SeededBySongTimeAndStepsInSinglePrecision) {
  // The step meets the float 0.001, not the double: 1 ms is 0.001f exactly,
  // and 3 ms is the float nearest 3 × 0.001f.
  for (uint32_t step : {1u, 3u, 17u, 33u, 250u, 1000u}) {
    DemoClock clock;
    SeedDemoClock(clock, 40);
    EXPECT_EQ(std::make_pair(clock.DemoTimeMs, clock.PrevDemoTimeMs), std::make_pair(40u, 40u));
    TickDemoClock(clock, 40 + step);
    EXPECT_EQ(clock.FrameSeconds, float(double(step) * double(0.001f))) << step;
  }
}

TEST(DemoClock, Readings) {
  // Sound off, started at, entered at, the song's time, the wall clock, and
  // the reading: the song's time with sound, the wall clock since the start
  // without, counted from where a show entered part way. The wall clock's
  // 32 bits wrap every 49 days; a run that straddles the wrap must still
  // count forwards.
  const std::tuple<bool, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      {false, 0, 0, 250, 99999, 250},
      {true, 5000, 0, 250, 5007, 7},
      {true, 5000, 20000, 0, 5010, 20010},
      {true, 0xFFFFFFE2u, 0, 0, 50, 80}};
  for (auto [noSound, startedAt, offset, song, wall, reading] : cases) {
    DemoClock clock;
    StartWallClock(clock, startedAt, offset);
    EXPECT_EQ(ClockReading(clock, noSound, song, wall), reading) << wall;
  }
}

}  // namespace
