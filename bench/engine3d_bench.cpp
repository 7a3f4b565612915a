// One frame of each 3D object of the show, as its window draws it: the wire
// ball beside the ray-cast scenes, the melting story object, and the closing
// knot with its smoothing pass. Run from the build folder (or set
// DORSEL_DATA) so the scene files are found.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine3d/morph.h"
#include "engine3d/scene_frame.h"

namespace {

std::string SceneFolder() {
  if (const char* dir = std::getenv("DORSEL_DATA")) return dir;
  for (const char* dir : {"data", "build/data"}) {
    std::string probe = std::string(dir) + "/X_BALL.3DS";
    if (std::FILE* f = std::fopen(probe.c_str(), "rb")) {
      std::fclose(f);
      return dir;
    }
  }
  return "data";
}

struct Loaded {
  std::vector<Scene> scenes = std::vector<Scene>(kSceneCount);
  bool ok = true;
  Loaded() {
    CrtRandom random;
    std::string dir = SceneFolder();
    // The loader's messages would land among the figures: set them aside.
    std::fflush(stdout);
    int saved = dup(1), null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0) dup2(null, 1);
    for (int k = 0; k < kSceneCount && ok; ++k)
      ok = LoadScene(scenes[k], (dir + "/" + kSceneFiles[k]).c_str(), random) == 1;
    std::fflush(stdout);
    if (saved >= 0) dup2(saved, 1), close(saved);
    if (null >= 0) close(null);
  }
};

// The frame starts as a mid grey picture, the way a background leaves it.
std::vector<uint32_t> Frame() { return std::vector<uint32_t>(size_t(kFrameWidth) * kFrameHeight, 0x404850); }

void ObjectPass(Scene& scene, DepthOrder& order, float s, int32_t mode) {
  AimCamera(scene.cameras[0]);
  for (int k = 0; k < scene.objectCount; ++k) {
    SceneObject& o = scene.objects[k];
    RotateMoveObject(o, s, s, s, Vec3{0, 0, 0});
    TransformObject(o, scene.cameras[0]);
    BuildDepthKeys(o, order);
    if (o.faceCount > 0) SortFaces(order, 0, o.faceCount - 1);
    o.drawMode = mode;
  }
}

void BM_BallSceneFrame(benchmark::State& state) {
  Loaded l;
  if (!l.ok) return state.SkipWithError("the scene files were not found (set DORSEL_DATA)");
  std::vector<uint32_t> pixels = Frame();
  DepthOrder order;
  for (auto _ : state) {
    DrawBallScene(l.scenes[0], order, 0.0f, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_BallSceneFrame);

void BM_StoryObjectFrame(benchmark::State& state) {
  Loaded l;
  if (!l.ok) return state.SkipWithError("the scene files were not found (set DORSEL_DATA)");
  std::vector<uint32_t> pixels = Frame();
  DepthOrder order;
  Scene& scene = l.scenes[0];
  SceneObject& story = scene.objects[0];
  int frame = 0;
  for (auto _ : state) {
    story.position[0] = -125, story.position[1] = 20, story.position[2] = -300;
    MorphAim(story, l.scenes[1 + (frame++ / 200) % 4].objects[0]);
    ObjectPass(scene, order, 0.03f, 2);
    MorphStep(story);
    DrawScene(scene, scene.cameras[0], pixels.data(), order, 0xFFFFFFFFu, 0);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_StoryObjectFrame);

void BM_ClosingObjectFrame(benchmark::State& state) {
  Loaded l;
  if (!l.ok) return state.SkipWithError("the scene files were not found (set DORSEL_DATA)");
  std::vector<uint32_t> pixels = Frame();
  DepthOrder order;
  Scene& scene = l.scenes[5];
  float wobble = 0;
  for (auto _ : state) {
    scene.objects[0].position[0] = 0, scene.objects[0].position[1] = 0, scene.objects[0].position[2] = -450;
    std::memset(pixels.data(), 0, pixels.size() * sizeof(uint32_t));
    ObjectPass(scene, order, 0.015f, 1);
    WobbleVertices(wobble, scene.objects[0]);
    DrawScene(scene, scene.cameras[0], pixels.data(), order, 0, 0);
    SmoothRow(pixels.data() + kFrameWidth, (kFrameHeight - 2) * kFrameWidth, 0);
    wobble += 0.025f;
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ClosingObjectFrame);

void BM_SmoothRow(benchmark::State& state) {
  std::vector<uint32_t> pixels = Frame();
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    SmoothRow(pixels.data() + kFrameWidth, (kFrameHeight - 2) * kFrameWidth, useMmx);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_SmoothRow)->Arg(0)->Arg(1)->ArgName("useMmx");

}  // namespace
