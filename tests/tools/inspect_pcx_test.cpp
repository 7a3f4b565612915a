#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "support/process.h"
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

using testing_support::Outcome;
using testing_support::PngSize;

// Standard output and error together.
Outcome Inspect(const std::string& args, const std::string&) {
  // A run still going after a minute is a hang.
  Outcome r = testing_support::RunCommand("timeout 60 " + testing_support::BuiltProgram("dorsel-inspect") + " " +
                                          args + " 2>&1");
  return r;
}

TEST(InspectPcx, WritesPicturesAndSheetsAndRefusesBadInput) {
  ASSERT_TRUE(fs::exists(std::string(DORSEL_BINARY_DIR) + "/dorsel-inspect")) << "build dorsel-inspect first";
  std::string pattern = (fs::temp_directory_path() / "dorsel-inspect-XXXXXX").string();
  std::string scratch = mkdtemp(pattern.data());
  std::string data = std::string(DORSEL_BINARY_DIR) + "/data";
  std::string png = scratch + "/out.png";
  fs::create_directory(scratch + "/folder.pcx");
  ASSERT_EQ(mkfifo((scratch + "/fifo.pcx").c_str(), 0600), 0);
  struct Case {
    std::string args;
    int exitCode;
    int width, height;  // of the PNG written; 0 for none
    std::string says;   // expected in what it prints
  };
  const Case cases[] = {
      {"pcx " + data + "/flare.pcx --png " + png, 0, 64, 64, ""},
      {"pcx " + data + "/staff2.pcx --png " + png, 0, 218, 384, ""},
      {"pcx " + data + "/korkeus.pcx --png " + png, 0, 512, 384, ""},
      {"pcx " + scratch + "/none.pcx --png " + png, 1, 0, 0, "LoadPCX ERROR!: file " + scratch + "/none.pcx not found"},
      {"pcx " + scratch + "/folder.pcx --png " + png, 1, 0, 0,
       "LoadPCX ERROR!: file " + scratch + "/folder.pcx not found"},
      {"pcx " + scratch + "/fifo.pcx --png " + png, 1, 0, 0,
       "LoadPCX ERROR!: file " + scratch + "/fifo.pcx not found"},
      {"pcx " + data + "/flare.pcx", 0, 0, 0, "flare.pcx: 64 x 64, 24-bit"},
      {"pcx " + data + "/what2xx.it", 1, 0, 0, "LoadPCX ERROR!"},
      {"pcx " + data + "/flare.pcx --jpg " + png, 2, 0, 0, "usage"},
      {"--version", 0, 0, 0, "dorsel-inspect " DORSEL_VERSION},
      {"sheet " + data + " --png " + png, 0, 1064, -1, ""},
      {"sheet " + scratch + " --png " + png, 1, 0, 0, "no .pcx files"},
      {"sheet " + data, 2, 0, 0, "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove(png);
    Outcome run = Inspect(c.args, scratch);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    auto [w, h] = PngSize(png);
    EXPECT_EQ(w, c.width);
    if (c.height >= 0) {
      EXPECT_EQ(h, c.height);
    } else {
      EXPECT_GT(h, 384) << "the sheet holds more than one row of pictures";
    }
  }
  fs::remove_all(scratch);
}

}  // namespace
