#include "director/pages.h"
#include "shell/demo.h"
#include "shell/startup.h"

// Every table and record the show needs is built here, once, in a fixed
// order (the order fixes which random numbers each effect receives), and the
// song starts last so the first frame's demo time is close to 0. A picture
// that is missing or broken is reported in the loader's box once every
// picture has been read; loading goes on without it.
void LoadDemoAssets(Demo& demo) {
  // 1-2. Room for 640 × 480 pixels, of which the first 512 × 384 are the frame.
  demo.frameBuffer.assign(640 * 480, 0);
  demo.wobble.columnShift.assign(kWobbleShiftEntries, 0);
  SetFrameBuffer(demo.target, demo.frameBuffer.data());
  PictureErrors errors;
  auto load = [&errors](const char* file, PcxImage& image, size_t minPixels = 0) {
    LoadPCX(file, image, errors, minPixels);
  };
  // 3. The ray-cast scene.
  InitTraceScene(demo.trace);
  // 4. The flare sprite.
  InitFlareSprite(demo.flare, errors);
  // 5. The logo set.
  SetUpLogoSet(demo.logoSet, demo.random, errors);
  // 6. The warp tables.
  BuildWarpTables(demo.warp);
  // 7. The landscape.
  BuildLandscape(demo.landscape, "illasti2.pcx", errors);
  // 8. The bump-mapped lights.
  InitBumpLights(demo.bumpLights, "lehdet.pcx", "korkeus.pcx", errors);
  // 9-10. The pictures, in the order the show always read them.
  Pictures& p = demo.pictures;
  load("staff2.pcx", p.staff2);
  load("atomb.pcx", p.atomb);
  load("viivak.pcx", p.viivak);
  load("staticdi.pcx", p.staticdi1);
  load("staticdi.pcx", p.staticdi2);
  load("7.pcx", p.land7);
  load("bump.pcx", p.bump);
  load("6.pcx", p.zoom6, kZoomTexturePixels);
  load("mech_v.pcx", p.mechV);
  load("g_v.pcx", p.gV);
  load("image2.pcx", p.image2);
  load("tilpeh1.pcx", p.tilpeh1);
  load("tilpeh2.pcx", p.tilpeh2);
  load("tilpe3v4.pcx", p.tilpe3v4);
  load("tilpeh4.pcx", p.tilpeh4);
  load("tilpeh5.pcx", p.tilpeh5);
  load("tilpeh6.pcx", p.tilpeh6);
  load("tilpeh7.pcx", p.tilpeh7);
  load("tilpeh8.pcx", p.tilpeh8);
  load("alareuna.pcx", p.alareuna);
  load("ylareuna.pcx", p.ylareuna);
  // 11. The raster set.
  SetUpRasterSet(demo.rasterSet, errors);
  // 12. The font.
  load("fontti.pcx", p.fontti);
  for (const std::string& text : errors) demo.platform.windows.MessageBox(demo.MainWindow, text, kPcxErrorCaption);
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
      demo.sceneMissing = true;
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
  SeedDemoClock(demo.clock, demo.platform.player.SongTimeMs(demo.SongHandle));
  // 18. The text writer's first page.
  SetTextPage(demo.textWriter, 20, 35, 0, 0, 350, 33, MmxListing());
}
