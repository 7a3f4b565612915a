// The scene reader's time per KB of file: the show's six scenes, and a
// hostile 1 MB file of short chunks under long lists, whose every list and
// track claims 65535 entries its chunk does not hold. The two should be of
// one order of magnitude. Run from the build folder (or set DORSEL_DATA) so
// the scene files are found.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine3d/scene.h"
#include "fuzz/seeds/hostile_files.h"

namespace {

std::string SceneFolder() {
  if (const char* dir = std::getenv("DORSEL_DATA")) return dir;
  for (const char* dir : {"data", "build/data"})
    if (std::filesystem::exists(std::string(dir) + "/X_BALL.3DS")) return dir;
  return "data";
}

// The loader's messages would land among the figures: they go to
// /dev/null while it runs.
struct QuietStdout {
  int saved = -1;
  QuietStdout() {
    std::fflush(stdout);
    saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    if (saved >= 0 && null >= 0) dup2(null, 1);
    if (null >= 0) close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    if (saved >= 0) dup2(saved, 1), close(saved);
  }
};

// Loads every file once per iteration and reports the time per KB read.
void LoadAll(benchmark::State& state, const std::vector<std::string>& files) {
  uint64_t bytes = 0;
  for (const std::string& f : files) {
    std::error_code ec;
    uint64_t size = std::filesystem::file_size(f, ec);
    if (ec) return state.SkipWithError(("cannot find " + f + " (set DORSEL_DATA)").c_str());
    bytes += size;
  }
  QuietStdout quiet;
  for (auto _ : state) {
    CrtRandom random;
    for (const std::string& f : files) {
      Scene scene;
      if (LoadScene(scene, f.c_str(), random) != 1) return state.SkipWithError(("cannot load " + f).c_str());
      benchmark::DoNotOptimize(scene.objects.data());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
  state.counters["KB"] = double(bytes) / 1024;
  state.counters["per_KB"] = benchmark::Counter(
      double(bytes) / 1024, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadShowScenes(benchmark::State& state) {
  std::vector<std::string> files;
  for (const char* name : kSceneFiles) files.push_back(SceneFolder() + "/" + name);
  LoadAll(state, files);
}
BENCHMARK(BM_LoadShowScenes)->Unit(benchmark::kMicrosecond);

void BM_LoadHostileScene(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("dorsel-hostile-" + std::to_string(getpid()) + ".3DS")).string();
  const hostile::Bytes bytes = hostile::ShortChunksUnderLongLists(size_t(1) << 20);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  LoadAll(state, {path});
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadHostileScene)->Unit(benchmark::kMillisecond);

}  // namespace
