#include "director/pages.h"
#include "shell/demo.h"
#include "shell/startup.h"

namespace {

void Load(Demo& demo, const char* file, PcxImage& image, size_t minPixels = 0) {
  LoadPCX(file, image, demo.platform.windows, demo.MainWindow, minPixels);
}

}  // namespace

// Every table and record the show needs is built here, once, in a fixed
// order (the order fixes which random numbers each effect receives), and the
// song starts last so the first frame's demo time is close to 0. A picture
// that is missing or broken has already said so in its loader's box; loading
// goes on without it.
void LoadDemoAssets(Demo& demo) {
  // 1-2. Room for 640 × 480 pixels, of which the first 512 × 384 are the frame.
  demo.frameBuffer.assign(640 * 480, 0);
  demo.wobble.columnShift.assign(kWobbleShiftEntries, 0);
  SetFrameBuffer(demo.target, demo.frameBuffer.data());
  // 3. The ray-cast scene.
  InitTraceScene(demo.trace);
  // 4. The flare sprite.
  InitFlareSprite(demo.flare, demo.platform.windows, demo.MainWindow);
  // 5. The logo set.
  SetUpLogoSet(demo.logoSet, demo.random, demo.platform.windows, demo.MainWindow);
  // 6. The warp tables.
  BuildWarpTables(demo.warp);
  // 7. The landscape.
  BuildLandscape(demo.landscape, "illasti2.pcx", demo.platform.windows, demo.MainWindow);
  // 8. The bump-mapped lights.
  InitBumpLights(demo.bumpLights, "lehdet.pcx", "korkeus.pcx", demo.platform.windows, demo.MainWindow);
  // 9-10. The pictures, in the order the show always read them.
  Pictures& p = demo.pictures;
  Load(demo, "staff2.pcx", p.staff2);
  Load(demo, "atomb.pcx", p.atomb);
  Load(demo, "viivak.pcx", p.viivak);
  Load(demo, "staticdi.pcx", p.staticdi1);
  Load(demo, "staticdi.pcx", p.staticdi2);
  Load(demo, "7.pcx", p.land7);
  Load(demo, "bump.pcx", p.bump);
  Load(demo, "6.pcx", p.zoom6, kZoomTexturePixels);
  Load(demo, "mech_v.pcx", p.mechV);
  Load(demo, "g_v.pcx", p.gV);
  Load(demo, "image2.pcx", p.image2);
  Load(demo, "tilpeh1.pcx", p.tilpeh1);
  Load(demo, "tilpeh2.pcx", p.tilpeh2);
  Load(demo, "tilpe3v4.pcx", p.tilpe3v4);
  Load(demo, "tilpeh4.pcx", p.tilpeh4);
  Load(demo, "tilpeh5.pcx", p.tilpeh5);
  Load(demo, "tilpeh6.pcx", p.tilpeh6);
  Load(demo, "tilpeh7.pcx", p.tilpeh7);
  Load(demo, "tilpeh8.pcx", p.tilpeh8);
  Load(demo, "alareuna.pcx", p.alareuna);
  Load(demo, "ylareuna.pcx", p.ylareuna);
  // 11. The raster set.
  SetUpRasterSet(demo.rasterSet, demo.platform.windows, demo.MainWindow);
  // 12. The font.
  Load(demo, "fontti.pcx", p.fontti);
  // 13. The director's paths and the flares' phases.
  FillPaths(demo.director);
  FillFlarePhases(demo.director);
  // 14. The ray-cast lights' ramps.
  BuildLightRamp(demo.trace.lights[0].ramp, 15, 38, 53, 150, 20, 0);
  BuildLightRamp(demo.trace.lights[1].ramp, 38, 26, 48, 150, 20, 0);
  BuildLightRamp(demo.trace.lights[2].ramp, 58, 24, 12, 150, 20, 0);
  // 15. The six scenes, in the order of their files. The first one that
  // cannot be opened has said so, and the program ends there with 1: no
  // further scene is read and the song never starts.
  for (; demo.sceneCounter < kSceneCount; ++demo.sceneCounter) {
    int k = demo.sceneCounter;
    if (!LoadScene(demo.scenes[k], kSceneFiles[k], demo.random)) {
      demo.sceneMissing = 1;
      return;
    }
  }
  int32_t faces = LargestFaceCount(demo.scenes.data(), kSceneCount);
  demo.depthOrder.faceOrder.assign(size_t(faces), 0);
  demo.depthOrder.depthKeys.assign(size_t(faces), 0);
  // 16. The text writer.
  CreateTextWriter(demo.textWriter);
  // 17. The song, then the clock.
  demo.platform.player.PlaySong(demo.SongHandle);
  SeedDemoClock(demo);
  // 18. The text writer's first page.
  SetTextPage(demo.textWriter, 20, 35, 0, 0, 350, 33, MmxListing());
}
