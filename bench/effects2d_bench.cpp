// One frame of each image effect, on made-up pictures of the right sizes.
#include <benchmark/benchmark.h>

#include <vector>

#include "director/landscape.h"
#include "effects2d/bump_lights.h"
#include "effects2d/flare.h"
#include "effects2d/keypath.h"
#include "effects2d/trace_internal.h"
#include "effects2d/wobble_overlay.h"

namespace {

uint32_t Hash(uint32_t i) {
  i ^= i >> 13;
  i *= 0x5bd1e995u;
  return (i ^ i >> 15) & 0x00FFFFFF;
}

PcxImage Picture(int width, int height) {
  PcxImage p;
  p.width = width;
  p.height = height;
  for (int i = 0; i < width * height; ++i) p.pixels.push_back(Hash(uint32_t(i)));
  return p;
}

struct Frame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kFramePixels, 0x00203040);
  RenderTarget target;
  Frame() { target.pixels = pixels.data(); }
};

KeyPath Ring() {
  std::vector<PathKey> keys;
  const float p[8][3] = {{-95, -220, 1500}, {-380, -45, 500}, {-145, 385, 1500}, {125, 285, 500},
                         {170, -135, 1500}, {345, 130, 500}, {660, -465, 1000}, {-130, -245, 500}};
  for (auto& k : p) keys.push_back(PathKey{Vec3{k[0], k[1], k[2]}});
  keys[0].tension = 7.8f;
  keys[2].tension = 9.0f;
  KeyPath path;
  SetPathKeys(path, keys, 1);
  return path;
}

void BM_EvaluatePath(benchmark::State& state) {
  KeyPath path = Ring();
  float u = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EvaluatePath(path, u));
    u = u > 7.9f ? 0 : u + 0.01f;
  }
}
BENCHMARK(BM_EvaluatePath);

// The forty flares of the ring at the depths the show gives them.
void BM_FlareRing(benchmark::State& state) {
  FlareSprite flare;
  flare.image = Picture(kFlareSide, kFlareSide);
  flare.steps.assign(kFlareStepEntries, 0);
  KeyPath path = Ring();
  Frame frame;
  for (auto _ : state) {
    for (int i = 0; i < 40; ++i) {
      Vec3 p = EvaluatePath(path, i * 0.2f);
      DrawFlare(flare, p.x, p.y, p.z - 750 + 1400, frame.target, int(state.range(0)));
    }
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_FlareRing)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_DrawBumpLights(benchmark::State& state) {
  BumpLights bump;
  bump.colour = Picture(kFrameWidth, kFrameHeight);
  bump.height.width = kFrameWidth;
  bump.height.height = kFrameHeight;
  for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) bump.height.values.push_back(uint8_t(Hash(uint32_t(i)) & 31));
  BuildSpotTable(bump.spot);
  bump.level = int32_t(state.range(0));
  Frame frame;
  for (auto _ : state) {
    DrawBumpLights(bump, frame.target, 1 / 60.0f, int(state.range(1)));
    benchmark::DoNotOptimize(frame.pixels.data());
  }
  state.SetLabel(state.range(0) >= 255 ? "opaque" : "blended");
}
BENCHMARK(BM_DrawBumpLights)->ArgsProduct({{255, 128}, {0, 1}})->ArgNames({"level", "useMmx"});

// 0 tunnel, 1 planes, 2 morph, seen from a point on the camera path.
void BM_TraceScene(benchmark::State& state) {
  TraceScene scene;
  InitTraceScene(scene);
  const float ramp[3][3] = {{15, 38, 53}, {38, 26, 48}, {58, 24, 12}};
  for (int i = 0; i < 3; ++i) BuildLightRamp(scene.lights[i].ramp, ramp[i][0], ramp[i][1], ramp[i][2], 150, 20, 0);
  scene.eye = {26, 53, 800};
  scene.target = {-3, 34, 836};
  scene.lights[0].position = {-700, 95, 1500};
  scene.lights[1].position = {-240, -100, 520};
  scene.lights[2].position = {-60, 0, 1340};
  PcxImage texture = Picture(kTraceTextureSide, kTraceTextureSide);
  Frame frame;
  int which = int(state.range(0));
  for (auto _ : state) {
    if (which == 0) DrawTunnel(scene, texture, frame.target, 0);
    if (which == 1) DrawPlanes(scene, texture, frame.target, 0);
    if (which == 2) DrawMorph(scene, 0.5f, texture, frame.target, 0);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
  const char* names[] = {"tunnel", "planes", "morph"};
  state.SetLabel(names[which]);
}
BENCHMARK(BM_TraceScene)->DenseRange(0, 2);

// The block fill alone, plain and packed, over the grid of a tunnel frame.
void BM_FillTraceBlocks(benchmark::State& state) {
  TraceScene scene;
  InitTraceScene(scene);
  const float ramp[3][3] = {{15, 38, 53}, {38, 26, 48}, {58, 24, 12}};
  for (int i = 0; i < 3; ++i) BuildLightRamp(scene.lights[i].ramp, ramp[i][0], ramp[i][1], ramp[i][2], 150, 20, 0);
  scene.eye = {26, 53, 800};
  scene.target = {-3, 34, 836};
  scene.lights[0].position = {-700, 95, 1500};
  scene.lights[1].position = {-240, -100, 520};
  scene.lights[2].position = {-60, 0, 1340};
  PcxImage texture = Picture(kTraceTextureSide, kTraceTextureSide);
  Frame frame;
  DrawTunnel(scene, texture, frame.target, 0);  // fills the grid
  for (auto _ : state) {
    if (state.range(0))
      FillTraceBlocksPacked(scene, texture, frame.target);
    else
      FillTraceBlocks(scene, texture, frame.target);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_FillTraceBlocks)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_DrawWobbleOverlay(benchmark::State& state) {
  Landscape land;
  BuildDirectionTables(land);
  WobbleOverlay overlay;
  overlay.columnShift.assign(kWobbleShiftEntries, 0);
  PcxImage picture = Picture(kWobbleWidth, kWobbleHeight);
  Frame frame;
  for (auto _ : state) {
    DrawWobbleOverlay(overlay, picture, land.dirX, land.dirY, frame.target);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
}
BENCHMARK(BM_DrawWobbleOverlay);

}  // namespace
