#include "base/clock.h"

void SeedDemoClock(DemoClock& clock, uint32_t songMs) {
  clock.DemoTimeMs = songMs;
  clock.PrevDemoTimeMs = songMs;
}

void StartWallClock(DemoClock& clock, uint32_t nowMs, uint32_t offsetMs) { clock.DemoStartMs = nowMs - offsetMs; }

uint32_t ClockReading(const DemoClock& clock, bool noSound, uint32_t songMs, uint32_t wallMs) {
  return noSound ? wallMs - clock.DemoStartMs : songMs;
}

bool TickDemoClock(DemoClock& c, uint32_t t) {
  c.PrevDemoTimeMs = c.DemoTimeMs;
  // A reading earlier than the last one (the first no-sound frame after a
  // song time was seeded, say) is a step of nothing, not of 49 days.
  uint32_t step = t >= c.PrevDemoTimeMs ? t - c.PrevDemoTimeMs : 0;
  // The difference converts exactly and meets the single-precision 0.001 in
  // extended precision, rounding once to float as the x87 code did.
  c.FrameSeconds = float((long double)step * (long double)0.001f);
  c.DemoTimeMs = t;
  return t > kDemoEndMs;
}
