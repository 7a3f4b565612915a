// Every data file taken away in turn, from a copy of the data folder made of
// links: what the viewer is told, and whether the show still runs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/process.h"

namespace fs = std::filesystem;

namespace {

// How often the loading phase reads a picture: once, but the warp's
// texture is read twice into two images.
int ReadsOf(const std::string& picture) { return picture == "staticdi.pcx" ? 2 : 1; }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

struct SweepRun {
  std::string missing;
  std::string folder;
  FILE* pipe = nullptr;
  testing_support::Outcome outcome;
};

TEST(DataSweep, EveryMissingFileIsReportedTheWayItsKindIs) {
  const fs::path data = fs::path(DORSEL_BINARY_DIR) / "data";
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(data))
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  const fs::path root = fs::path(testing::TempDir()) / ("data_sweep_" + std::to_string(getpid()));
  fs::remove_all(root);
  std::vector<SweepRun> runs;
  for (const std::string& missing : files) {
    SweepRun r;
    r.missing = missing;
    r.folder = (root / missing).string();
    fs::create_directories(r.folder);
    for (const std::string& f : files)
      if (f != missing) fs::create_symlink(data / f, fs::path(r.folder) / f);
    runs.push_back(r);
  }

  // A few shows at a time, each at one frame a second of virtual time.
  const std::string program = testing_support::BuiltProgram("dorsel");
  constexpr size_t kAtOnce = 4;
  for (size_t first = 0; first < runs.size(); first += kAtOnce) {
    size_t end = std::min(runs.size(), first + kAtOnce);
    for (size_t i = first; i < end; ++i)
      runs[i].pipe = popen((program + " --headless --nosound --fps 1 --data " + runs[i].folder + " 2>&1").c_str(), "r");
    for (size_t i = first; i < end; ++i) {
      ASSERT_NE(runs[i].pipe, nullptr);
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, runs[i].pipe)) > 0;) runs[i].outcome.out.append(buffer, n);
      int status = pclose(runs[i].pipe);
      runs[i].outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  fs::remove_all(root);

  for (const SweepRun& r : runs) {
    SCOPED_TRACE("without " + r.missing);
    const std::string& out = r.outcome.out;
    std::string kind = Lower(fs::path(r.missing).extension().string());
    bool ranToTheEnd = out.find("windows visited 22/22") != std::string::npos &&
                       out.find("last demo time 235000 ms") != std::string::npos;
    if (kind == ".pcx") {
      size_t boxes = Count(out, "LoadPCX ERROR!: file " + r.missing + " not found");
      EXPECT_EQ(boxes, size_t(ReadsOf(r.missing))) << out;
      // No other complaint, and the show goes on to its end.
      EXPECT_EQ(Count(out, "LoadPCX ERROR!"), boxes) << out;
      EXPECT_EQ(r.outcome.exitCode, 0) << out;
      EXPECT_TRUE(ranToTheEnd) << out;
    } else if (kind == ".it") {
      EXPECT_NE(out.find("Fmod ERROR!: File not found: " + r.missing), std::string::npos) << out;
      EXPECT_EQ(Count(out, "Fmod ERROR!"), 1u) << out;
      EXPECT_EQ(out.find("frames "), std::string::npos) << "a frame was drawn\n" << out;
      EXPECT_EQ(r.outcome.exitCode, 1) << out;
    } else if (kind == ".3ds") {
      EXPECT_NE(out.find("Can't open " + r.missing + "!"), std::string::npos) << out;
      EXPECT_EQ(out.find("frames "), std::string::npos) << "a frame was drawn\n" << out;
      EXPECT_EQ(r.outcome.exitCode, 1) << out;
    } else {
      ADD_FAILURE() << "a data file of a kind this sweep does not know: " << r.missing;
    }
  }
}

}  // namespace
