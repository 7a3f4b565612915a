// What recording and a screenshot cost per frame: the BT.601 conversion of
// a frame for the video, and compressing a frame into a PNG (the work the
// screenshot key moves off the frame loop).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "display/present.h"
#include "base/png_writer.h"
#include "shell/y4m_writer.h"

namespace {

std::vector<uint32_t> BusyFrame() {
  std::vector<uint32_t> frame(kFramePixels);
  uint32_t state = 1;
  for (uint32_t& p : frame) p = (state = state * 214013 + 2531011) >> 8 & 0xFFFFFF;
  return frame;
}

void BM_RgbToYuv420(benchmark::State& state) {
  std::vector<uint32_t> frame = BusyFrame();
  std::vector<uint8_t> planes(size_t(kFramePixels) * 3 / 2);
  for (auto _ : state) {
    RgbToYuv420(frame.data(), kFrameWidth, kFrameHeight, planes.data(), planes.data() + kFramePixels,
                planes.data() + kFramePixels + kFramePixels / 4);
    benchmark::DoNotOptimize(planes.data());
  }
}
BENCHMARK(BM_RgbToYuv420);

void BM_WritePng(benchmark::State& state) {
  std::vector<uint32_t> frame = BusyFrame();
  std::string path = "/tmp/dorsel_bench_" + std::to_string(getpid()) + ".png";
  for (auto _ : state) benchmark::DoNotOptimize(WritePng(path, frame.data(), kFrameWidth, kFrameHeight));
  unlink(path.c_str());
}
BENCHMARK(BM_WritePng)->Unit(benchmark::kMillisecond);

}  // namespace
