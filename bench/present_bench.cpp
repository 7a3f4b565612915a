// Presenting and fading one frame: the work every frame pays whatever the
// effects draw.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/present.h"
#include "base/settings.h"

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
    FadeTarget(target, 255, 0);
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_FadeTarget);

// The fade's two forms side by side, on a frame of varied pixels.
static void BM_FadeTargetForm(benchmark::State& state) {
  std::vector<uint32_t> pixels(512 * 384);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u);
  RenderTarget target;
  target.pixels = pixels.data();
  target.width = 512;
  target.height = 384;
  for (auto _ : state) {
    FadeTarget(target, 255, int(state.range(0)));
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_FadeTargetForm)->Arg(0)->Arg(1)->ArgName("useMmx");

// The yardstick for every effect: one frame copied, and one frame read
// twice and written once (what a blend of two full frames costs in memory
// traffic), on this machine.
static void BM_CopyFrame(benchmark::State& state) {
  std::vector<uint32_t> from(kFramePixels, 0x00336699), to(kFramePixels);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFramePixels * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_CopyFrame);

static void BM_HalfBlendFrame(benchmark::State& state) {
  std::vector<uint32_t> a(kFramePixels, 0x00336699), b(kFramePixels, 0x00996633);
  for (auto _ : state) {
    for (int i = 0; i < kFramePixels; ++i) a[size_t(i)] = ((a[size_t(i)] >> 1) & 0x7F7F7F) + ((b[size_t(i)] >> 1) & 0x7F7F7F);
    benchmark::DoNotOptimize(a.data());
  }
}
BENCHMARK(BM_HalfBlendFrame);
