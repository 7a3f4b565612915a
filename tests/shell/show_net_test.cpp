// A regression net for speed work: the whole show, run headless at 30
// frames a second of demo time with and without the packed forms, must
// present exactly the frames it presented when the net was recorded. Each
// window's frames fold into one 64-bit hash, so a broken frame names its
// window. The effects have their own tests; this only says "nothing moved".
//
// To record the net again (only when a change is meant to alter pixels):
//   DORSEL_RECORD_NET=1 build/test_shell --gtest_filter='ShowNet.*'
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "director/director.h"
#include "host/headless.h"
#include "shell/demo.h"
#include "shell/startup.h"
#include "support/show.h"

namespace {

constexpr int kNetFps = 30;
const std::string kNetFile = std::string(DORSEL_SOURCE_DIR) + "/tests/shell/show_net.txt";

// FNV-style word hash: every pixel and its place count.
uint64_t FrameHash(const uint32_t* p, int n) {
  uint64_t h = 14695981039346656037ull;
  for (int i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

struct WindowHash {
  long frames = 0;
  uint64_t hash = 0;
  bool operator==(const WindowHash&) const = default;
};
using Net = std::map<std::pair<int, int>, WindowHash>;  // (useMmx, window) -> frames

// The show as `dorsel --headless --fps 30 [--no-mmx]` runs it, every
// presented frame hashed in order.
void RunShow(int useMmx, Net& net) {
  auto platform = host::MakeHeadlessPlatform(kNetFps);
  host::HeadlessBackend& backend = host::Headless(*platform);
  backend.quiet = true;
  Demo demo(*platform);
  demo.skipSettings = true;
  demo.choices.useMmx = useMmx;
  long seen = 0;
  Driver driver;
  driver.afterFrame = [&] {
    if (demo.display.presents != seen && demo.target.pixels) {
      seen = demo.display.presents;
      WindowHash& w = net[{useMmx, ScheduleWindow(demo.clock.DemoTimeMs)}];
      w.hash = (w.hash ^ FrameHash(demo.target.pixels, kFrameWidth * kFrameHeight)) * 1099511628211ull;
      ++w.frames;
    }
    backend.AdvanceFrame();
  };
  ASSERT_EQ(WinMain(demo, host::SW_SHOWNORMAL, driver), 0);
}

Net ReadNet() {
  Net net;
  std::ifstream in(kNetFile);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    int mmx, window;
    long frames;
    unsigned long long hash;
    if (std::sscanf(line.c_str(), "%d %d %ld %llx", &mmx, &window, &frames, &hash) == 4)
      net[{mmx, window}] = WindowHash{frames, uint64_t(hash)};
  }
  return net;
}

void WriteNet(const Net& net) {
  std::ofstream out(kNetFile);
  out << "# useMmx window frames hash, of every frame the whole show presents at " << kNetFps
      << " fps\n";
  for (const auto& [key, w] : net) {
    char line[80];
    std::snprintf(line, sizeof line, "%d %d %ld %016" PRIx64 "\n", key.first, key.second, w.frames, w.hash);
    out << line;
  }
}

TEST(ShowNet, EveryFrameOfTheShowIsTheOneRecorded) {
  testing_support::InDataDir inData;
  Net now;
  for (int useMmx : {0, 1}) RunShow(useMmx, now);
  if (std::getenv("DORSEL_RECORD_NET")) {
    WriteNet(now);
    GTEST_SKIP() << "recorded " << kNetFile;
  }
  Net recorded = ReadNet();
  ASSERT_EQ(recorded.size(), size_t(2 * kScheduleWindows)) << "no net recorded in " << kNetFile;
  for (const auto& [key, w] : recorded) {
    auto it = now.find(key);
    ASSERT_NE(it, now.end()) << "window " << key.second << " never presented (useMmx " << key.first << ")";
    EXPECT_EQ(it->second.frames, w.frames) << "window " << key.second << ", useMmx " << key.first;
    EXPECT_EQ(it->second.hash, w.hash) << "window " << key.second << ", useMmx " << key.first
                                       << ": its frames changed";
  }
  EXPECT_EQ(now.size(), recorded.size());
}

}  // namespace
