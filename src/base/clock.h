// The demo clock: the song's play position, or the wall clock when there is
// no sound. Every frame reads it once.
#pragma once
#include <cstdint>

constexpr uint32_t kDemoEndMs = 234000;

struct DemoClock {
  uint32_t DemoTimeMs = 0;
  uint32_t PrevDemoTimeMs = 0;
  float FrameSeconds = 0.0f;
  uint32_t DemoStartMs = 0;
};

// The song has started: its first reading is the time of the show so far.
void SeedDemoClock(DemoClock& clock, uint32_t songMs);
// With no sound the show counts from the wall clock's `nowMs`; a show
// entered part way (--start) counts from `offsetMs`.
void StartWallClock(DemoClock& clock, uint32_t nowMs, uint32_t offsetMs);
// What a frame reads: the song's time, or the wall clock's since the start
// (both in milliseconds, the wall clock wrapped to 32 bits).
uint32_t ClockReading(const DemoClock& clock, bool noSound, uint32_t songMs, uint32_t wallMs);
// One frame's step to the reading t. True once t is past the end of the
// show: then the demo window is to be closed.
bool TickDemoClock(DemoClock& clock, uint32_t t);
