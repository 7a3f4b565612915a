// Presenting and fading one frame: the work every frame pays whatever the
// effects draw.
#include <benchmark/benchmark.h>

#include <vector>

#include "display/present.h"
#include "shell/settings.h"

static void BM_ConvertFrame(benchmark::State& state) {
  int mode = int(state.range(0));
  const VideoMode& vm = kVideoModes[mode];
  std::vector<uint32_t> frame(kFramePixels, 0x00336699);
  int pitch = vm.width * vm.bitsPerPixel / 8;
  std::vector<uint8_t> surface(size_t(pitch) * vm.height);
  for (auto _ : state) {
    ConvertFrame(frame.data(), surface.data(), pitch, mode);
    benchmark::DoNotOptimize(surface.data());
  }
  state.SetLabel(vm.label);
}
BENCHMARK(BM_ConvertFrame)->DenseRange(0, 5);

static void BM_FadeTarget(benchmark::State& state) {
  std::vector<uint32_t> frame(kFramePixels, 0x00FFFFFF);
  RenderTarget target;
  target.pixels = frame.data();
  target.width = kFrameWidth;
  target.height = kFrameHeight;
  for (auto _ : state) {
    FadeTarget(target, 255);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_FadeTarget);
