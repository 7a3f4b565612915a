// A regression net for speed work: the whole show, run headless at 30
// frames a second of demo time with and without the packed forms, must
// present exactly the frames it presented when the net was recorded. Each
// window's frames fold into one 64-bit hash, so a broken frame names its
// window. The same two runs check that the show ends by itself and shuts
// down once.
//
// To record the net again (only when a change is meant to alter pixels):
//   DORSEL_RECORD_NET=1 build/test_shell --gtest_filter='ShowNet.*'
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "director/director.h"
#include "support/show.h"

namespace {

const std::string kNetFile = std::string(DORSEL_SOURCE_DIR) + "/tests/shell/show_net.txt";

struct WindowHash { long frames = 0; uint64_t hash = 0; };
using Net = std::map<std::pair<int, int>, WindowHash>;  // (useMmx, window) -> frames

// The show as `dorsel --headless --fps 30 [--no-mmx]` runs it, every
// presented frame hashed (FNV-style, by whole pixels) in order.
void RunShow(int useMmx, Net& net) {
  testing_support::ShowRun r;
  r.demo.choices = SettingsChoices{};
  r.demo.choices.useMmx = useMmx;
  long seen = 0;
  r.onFrame = [&] {
    if (r.demo.display.presents == seen || !r.demo.target.pixels) return;
    seen = r.demo.display.presents;
    uint64_t h = 14695981039346656037ull;
    for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) h = (h ^ r.demo.target.pixels[i]) * 1099511628211ull;
    WindowHash& w = net[{useMmx, ScheduleWindow(r.demo.clock.DemoTimeMs)}];
    w.hash = (w.hash ^ h) * 1099511628211ull;
    ++w.frames;
  };
  ASSERT_EQ(r.Go(), 0);
  // To just past 234000 ms and no further: the loop ran the whole show and
  // ended by itself, so the settings stage's second quit request was taken away.
  EXPECT_GT(r.demo.clock.DemoTimeMs, 234000u);
  EXPECT_LT(r.demo.clock.DemoTimeMs, 234100u);
  EXPECT_EQ(WindowsVisited(r.demo.director), kScheduleWindows);
  EXPECT_EQ(r.driver.shutdowns, 1);
  EXPECT_FALSE(r.platform->windows.IsWindow(r.demo.MainWindow));
  EXPECT_EQ(r.platform->player.CloseCalls(), 1);
  EXPECT_TRUE(r.backend.messageBoxes.empty());
}

TEST(ShowNet, EveryFrameOfTheShowIsTheOneRecorded) {
  Net now, recorded;
  for (int useMmx : {0, 1}) RunShow(useMmx, now);
  if (std::getenv("DORSEL_RECORD_NET")) {
    std::ofstream out(kNetFile);
    out << "# useMmx window frames hash, of every frame the whole show presents at 30 fps\n";
    for (const auto& [key, w] : now) {
      char line[80];
      std::snprintf(line, sizeof line, "%d %d %ld %016" PRIx64 "\n", key.first, key.second, w.frames, w.hash);
      out << line;
    }
    GTEST_SKIP() << "recorded " << kNetFile;
  }
  std::ifstream in(kNetFile);
  for (std::string line; std::getline(in, line);) {
    int mmx, window;
    long frames;
    unsigned long long hash;
    if (line[0] != '#' && std::sscanf(line.c_str(), "%d %d %ld %llx", &mmx, &window, &frames, &hash) == 4)
      recorded[{mmx, window}] = WindowHash{frames, uint64_t(hash)};
  }
  ASSERT_EQ(recorded.size(), size_t(2 * kScheduleWindows)) << "no net recorded in " << kNetFile;
  EXPECT_EQ(now.size(), recorded.size());
  for (const auto& [key, w] : recorded) {
    SCOPED_TRACE("window " + std::to_string(key.second) + ", useMmx " + std::to_string(key.first));
    EXPECT_EQ(now[key].frames, w.frames);
    EXPECT_EQ(now[key].hash, w.hash) << "its frames changed";
  }
}

}  // namespace
