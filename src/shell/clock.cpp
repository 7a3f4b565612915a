#include "shell/clock.h"

#include "shell/demo.h"

uint32_t WallClockMs(Demo& demo) { return uint32_t(demo.platform.backend->NowMs()); }

void SeedDemoClock(Demo& demo) {
  uint32_t t = demo.platform.player.SongTimeMs(demo.SongHandle);
  demo.clock.DemoTimeMs = t;
  demo.clock.PrevDemoTimeMs = t;
}

void StartWallClock(Demo& demo) {
  // A show entered part way (--start) counts from there; otherwise 0.
  demo.clock.DemoStartMs = WallClockMs(demo) - demo.startOffsetMs;
}

void TickDemoClock(Demo& demo) {
  DemoClock& c = demo.clock;
  c.PrevDemoTimeMs = c.DemoTimeMs;
  uint32_t t = demo.settings.noSound ? WallClockMs(demo) - c.DemoStartMs
                                     : demo.platform.player.SongTimeMs(demo.SongHandle);
  // A reading earlier than the last one (the first no-sound frame after a
  // song time was seeded, say) is a step of nothing, not of 49 days.
  uint32_t step = t >= c.PrevDemoTimeMs ? t - c.PrevDemoTimeMs : 0;
  // The difference converts exactly and meets the single-precision 0.001 in
  // extended precision, rounding once to float as the x87 code did.
  c.FrameSeconds = float((long double)step * (long double)0.001f);
  c.DemoTimeMs = t;
  if (t > kDemoEndMs) demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
}
