// The demo clock: the song's play position, or the wall clock when there is
// no sound. Every frame reads it once.
#pragma once
#include <cstdint>

struct Demo;

constexpr uint32_t kDemoEndMs = 234000;

struct DemoClock {
  uint32_t DemoTimeMs = 0;
  uint32_t PrevDemoTimeMs = 0;
  float FrameSeconds = 0.0f;
  uint32_t DemoStartMs = 0;
};

// Seconds since 1970 × 1000 + milliseconds, wrapped to 32 bits.
uint32_t WallClockMs(Demo& demo);
void SeedDemoClock(Demo& demo);
void StartWallClock(Demo& demo);
void TickDemoClock(Demo& demo);
