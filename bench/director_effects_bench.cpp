// One frame of each of the director's own effects on a full-size frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "director/blends.h"
#include "director/landscape.h"
#include "director/pages.h"
#include "director/roto_zoom.h"
#include "director/table_warp.h"
#include "director/text_writer.h"
#include "director/tiles.h"

namespace {

struct BenchFrame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kFramePixels, 0x00405060);
  RenderTarget target;
  BenchFrame() { target.pixels = target.frameBuffer = pixels.data(); }
};

PcxImage Pattern(int w, int h, size_t room = 0) {
  PcxImage p;
  p.width = w;
  p.height = h;
  p.pixels.resize(std::max(size_t(w) * size_t(h), room));
  for (size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = uint32_t(i * 2654435761u) & 0x00FFFFFF;
  return p;
}

PcxImage Font() {
  PcxImage f = Pattern(94 * 8, 15);
  for (size_t i = 0; i < f.pixels.size(); ++i)
    if (i % 3 == 0) f.pixels[i] = 0;
  return f;
}

void BM_AddNoise(benchmark::State& state) {
  BenchFrame f;
  CrtRandom random;
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    AddNoise(f.target, random, useMmx);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_AddNoise)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_CopyPicture(benchmark::State& state) {
  BenchFrame f;
  PcxImage p = Pattern(512, 384);
  for (auto _ : state) {
    CopyPicture(p, f.target);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_CopyPicture);

void BM_CrossFadeImage(benchmark::State& state) {
  BenchFrame f;
  PcxImage p = Pattern(512, 384);
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    CrossFadeImage(p, 128, f.target, useMmx);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_CrossFadeImage)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_CopyLogo(benchmark::State& state) {
  BenchFrame f;
  PcxImage logo = Pattern(128, 96);
  for (auto _ : state) {
    CopyLogo(374, 10, logo, f.target);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_CopyLogo);

void BM_DrawTile(benchmark::State& state) {
  BenchFrame f;
  PcxImage tile = Pattern(80, 80);
  for (auto _ : state) {
    DrawTile(10, 230, tile, f.target);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_DrawTile);

// Both columns, as windows 3 and 4 draw them.
void BM_TileColumns(benchmark::State& state) {
  BenchFrame f;
  PcxImage tile = Pattern(80, 80);
  TileColumns columns;
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    ScrollTilesDown(columns, 10, tile, f.target, useMmx);
    ScrollTilesUp(columns, 422, tile, f.target, useMmx);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_TileColumns)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_DrawRotoZoom(benchmark::State& state) {
  BenchFrame f;
  PcxImage tex = Pattern(256, 256, kFeedbackPixels);
  float phase = 0;
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    DrawRotoZoom(phase, 400.0f, f.target, tex, useMmx);
    phase += 0.1f;
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_DrawRotoZoom)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_FeedBackIntoTexture(benchmark::State& state) {
  BenchFrame f;
  PcxImage tex = Pattern(256, 256, kFeedbackPixels);
  for (auto _ : state) {
    FeedBackIntoTexture(tex, f.target);
    benchmark::DoNotOptimize(tex.pixels.data());
  }
}
BENCHMARK(BM_FeedBackIntoTexture);

void BM_DrawTableWarp(benchmark::State& state) {
  BenchFrame f;
  PcxImage tex = Pattern(256, 256);
  WarpTables warp;
  BuildWarpTables(warp);
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    DrawTableWarp(warp, f.target, tex, useMmx);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_DrawTableWarp)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_BuildWarpTables(benchmark::State& state) {
  for (auto _ : state) {
    WarpTables warp;
    BuildWarpTables(warp);
    benchmark::DoNotOptimize(warp.offsets.data());
  }
}
BENCHMARK(BM_BuildWarpTables)->Unit(benchmark::kMillisecond);

void BM_DrawLandscape(benchmark::State& state) {
  BenchFrame f;
  Landscape land;
  BuildDirectionTables(land);
  land.depthOffsets.assign(255, 0);
  for (int s = 1; s <= 254; ++s) land.depthOffsets[size_t(s)] = 4096 / s + 5;
  land.heightMap.width = land.heightMap.height = 256;
  land.heightMap.values.resize(256 * 256);
  for (size_t i = 0; i < land.heightMap.values.size(); ++i)
    land.heightMap.values[i] = uint8_t((i % 256) ^ (i / 256));
  land.eyeHeight = 300;
  PcxImage colours = Pattern(256, 256);
  int32_t x = 0, heading = 0;
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    DrawLandscape(land, x, 0, heading, colours, f.target, useMmx);
    x += 512;
    heading = (heading + 4) & 2047;
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_DrawLandscape)->Arg(0)->Arg(1)->ArgName("useMmx");

void BM_OverlayText(benchmark::State& state) {
  BenchFrame f;
  TextWriter w;
  CreateTextWriter(w);
  SetTextPage(w, 20, 35, 0, 0, 350, 1, MmxListing());
  PcxImage font = Font();
  UpdateTextWriter(w, font, 1);
  UpdateTextWriter(w, font, 2000);
  const int useMmx = int(state.range(0));
  for (auto _ : state) {
    OverlayText(w, f.target, useMmx);
    benchmark::DoNotOptimize(f.pixels.data());
  }
}
BENCHMARK(BM_OverlayText)->Arg(0)->Arg(1)->ArgName("useMmx");

// Typing a whole page at once: the worst a long frame can ask of the writer.
void BM_TypeWholePage(benchmark::State& state) {
  TextWriter w;
  CreateTextWriter(w);
  PcxImage font = Font();
  for (auto _ : state) {
    SetTextPage(w, 10, 140, 0, 0, 360, 1, StoryText(4));
    UpdateTextWriter(w, font, 1);
    UpdateTextWriter(w, font, 1000);
    benchmark::DoNotOptimize(w.overlay.data());
  }
}
BENCHMARK(BM_TypeWholePage);

}  // namespace
