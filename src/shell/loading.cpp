#include "shell/demo.h"
#include "shell/startup.h"

// Every table and record the show needs is built here, once, in a fixed
// order (the order fixes which random numbers each effect receives), and the
// song starts last so the first frame's demo time is close to 0.
void LoadDemoAssets(Demo& demo) {
  // Room for 640 × 480 pixels, of which the first 512 × 384 are the frame.
  demo.frameBuffer.assign(640 * 480, 0);
  SetFrameBuffer(demo.target, demo.frameBuffer.data());
  BuildDirectionTables(demo.landscape);
  FillPaths(demo.director);
  FillFlarePhases(demo.director);
  demo.platform.player.PlaySong(demo.SongHandle);
  SeedDemoClock(demo);
}
