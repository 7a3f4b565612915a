// --headless --benchmark as a user runs it: a table of the windows drawn,
// a last "overall" line, nothing written, and the options it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/process.h"

namespace {

using Result = testing_support::Outcome;

Result RunDorsel(const std::string& args) {
  return testing_support::RunCommand(testing_support::BuiltProgram("dorsel") + " " + args + " 2>&1");
}

const std::string kData = std::string("--data ") + DORSEL_BINARY_DIR + "/data";

struct Row {
  int window = 0, frames = 0;
  double median = 0, p95 = 0;
};

TEST(BenchmarkMode, PrintsEachWindowDrawnThenTheOverallLine) {
  namespace fs = std::filesystem;
  fs::path folder = fs::path(testing::TempDir()) / "dorsel-benchmark";
  fs::remove_all(folder);
  fs::create_directories(folder);
  // Windows 21 and 22 only: 3 s at 30 fps from 228 s, then 3 s more.
  Result r = testing_support::RunCommand("cd " + folder.string() + " && " +
                                         testing_support::BuiltProgram("dorsel") +
                                         " --headless --benchmark --fps 30 --start 228000 --end 233999 " +
                                         kData + " 2>&1");
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(fs::is_empty(folder)) << "a benchmark writes nothing";

  std::istringstream lines(r.out.substr(r.out.find("window  frames")));
  std::string line, last;
  std::getline(lines, line);
  std::vector<Row> rows;
  while (std::getline(lines, line)) {
    Row row;
    if (std::sscanf(line.c_str(), "%d %d %lf %lf", &row.window, &row.frames, &row.median, &row.p95) == 4)
      rows.push_back(row);
    else
      last = line;
  }
  ASSERT_EQ(rows.size(), 2u) << r.out;
  // Window 22 starts at 231 s: 90 frames before it (the first one timed as
  // loading, not as a frame), 90 in it up to 233967 ms, and the frame at
  // 234 s that the --end closes on.
  EXPECT_EQ(rows[0].window, 21);
  EXPECT_EQ(rows[0].frames, 89);
  EXPECT_EQ(rows[1].window, 22);
  EXPECT_EQ(rows[1].frames, 90);
  for (const Row& row : rows) {
    EXPECT_GT(row.median, 0) << row.window;
    EXPECT_GE(row.p95, row.median) << row.window;
  }
  double cpu = -1;
  long cpuFrames = 0;
  size_t at = r.out.find("processor time: ");
  ASSERT_NE(at, std::string::npos) << r.out;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, "processor time: %lf s for %ld frames", &cpu, &cpuFrames), 2);
  // Every timed frame, the one at 234 s past the last window too.
  EXPECT_EQ(cpuFrames, rows[0].frames + rows[1].frames + 1);
  EXPECT_GE(cpu, 0);
  double fps = 0, rss = 0, loading = -1;
  ASSERT_EQ(std::sscanf(last.c_str(), "overall: %lf frames/s, peak RSS %lf MiB, loading %lf ms", &fps, &rss,
                        &loading),
            3)
      << last;
  EXPECT_GT(fps, 0);
  EXPECT_GT(rss, 1) << "the frame buffer alone is more than a MiB";
  EXPECT_GT(loading, 0);
}

TEST(BenchmarkMode, NeedsTheVirtualClockAndWritesNothing) {
  struct Case {
    const char* args;
    const char* says;
  };
  const Case cases[] = {
      {"--benchmark", "--benchmark runs on the virtual clock: give --headless"},
      {"--benchmark --nosound", "--benchmark runs on the virtual clock: give --headless"},
      {"--headless --benchmark --frames /tmp/x", "--benchmark writes nothing"},
      {"--benchmark --y4m a.y4m", "--benchmark writes nothing"},
      {"--headless --benchmark --wav a.wav", "--benchmark writes nothing"},
  };
  for (const Case& c : cases) {
    Result r = RunDorsel(kData + " " + c.args);
    EXPECT_EQ(r.exitCode, 2) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
  }
}

}  // namespace
