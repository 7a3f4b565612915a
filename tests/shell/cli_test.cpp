// The program as a user runs it: command line, headless show, frame files.
#include <gtest/gtest.h>

#include "support/process.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Result = testing_support::Outcome;

Result RunDorsel(const std::string& args) {
  return testing_support::RunCommand(testing_support::BuiltProgram("dorsel") + " " + args + " 2>&1");
}

const std::string kData = std::string("--data ") + DORSEL_BINARY_DIR + "/data";

TEST(CommandLine, AHeadlessShowVisitsEveryWindowAndEndsByItself) {
  Result r = RunDorsel("--headless --nosound --fps 30 " + kData);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("frames 7022, last demo time 234033 ms, windows visited 22/22"), std::string::npos)
      << r.out;
}

TEST(CommandLine, FramesAreWrittenNamedByTheirDemoTime) {
  std::string dir = testing::TempDir() + "/dorsel-frames";
  std::filesystem::remove_all(dir);
  Result r = RunDorsel("--headless --fps 10 --start 100000 --end 102000 --every 5 --frames " + dir + " " + kData);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("frames 21, last demo time 102000 ms, windows visited 1/22"), std::string::npos) << r.out;
  for (const char* name : {"t0100000.png", "t0100500.png", "t0101000.png", "t0101500.png", "t0102000.png"})
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files += entry.is_regular_file();
  EXPECT_EQ(files, 5);
  EXPECT_EQ(testing_support::PngSize(dir + "/t0100000.png"), std::make_pair(512, 384));
}

TEST(CommandLine, BadArgumentsAreExplainedWithCodeTwo) {
  const char* bad[] = {"--mode 6", "--mode x", "--fps 0", "--mixrate", "--frobnicate", "--every 2",
                       "--headless --start 5000 --end 10", "--data /nonexistent/folder --headless"};
  for (const char* args : bad) {
    Result r = RunDorsel(args);
    EXPECT_EQ(r.exitCode, 2) << args << "\n" << r.out;
    EXPECT_EQ(r.out.rfind("dorsel: ", 0), 0u) << args << "\n" << r.out;
  }
  Result help = RunDorsel("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);
  Result version = RunDorsel("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("dorsel ", 0), 0u);
}

TEST(CommandLine, AMissingSongIsAFailure) {
  Result r = RunDorsel("--headless --data /");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Fmod ERROR!: File not found: what2xx.it"), std::string::npos) << r.out;
}

}  // namespace
