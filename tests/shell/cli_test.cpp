// The program as a user runs it: command line, headless show, frame files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Result {
  int code;
  std::string out;
};

Result RunDorsel(const std::string& args) {
  std::string command = std::string(DORSEL_BINARY_DIR) + "/dorsel " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  Result r{-1, ""};
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const std::string kData = std::string("--data ") + DORSEL_BINARY_DIR + "/data";

TEST(CommandLine, AHeadlessShowVisitsEveryWindowAndEndsByItself) {
  Result r = RunDorsel("--headless --nosound --fps 30 " + kData);
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("frames 7022, last demo time 234033 ms, windows visited 22/22"), std::string::npos)
      << r.out;
}

TEST(CommandLine, FramesAreWrittenNamedByTheirDemoTime) {
  std::string dir = testing::TempDir() + "/dorsel-frames";
  std::filesystem::remove_all(dir);
  Result r = RunDorsel("--headless --fps 10 --start 100000 --end 102000 --every 5 --frames " + dir + " " + kData);
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("frames 21, last demo time 102000 ms, windows visited 1/22"), std::string::npos) << r.out;
  for (const char* name : {"t0100000.png", "t0100500.png", "t0101000.png", "t0101500.png", "t0102000.png"})
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files += entry.is_regular_file();
  EXPECT_EQ(files, 5);
  // A PNG of 512 × 384.
  FILE* f = std::fopen((dir + "/t0100000.png").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char head[24];
  ASSERT_EQ(std::fread(head, 1, 24, f), 24u);
  std::fclose(f);
  EXPECT_EQ(head[1], 'P');
  EXPECT_EQ((head[18] << 8) | head[19], 512);
  EXPECT_EQ((head[22] << 8) | head[23], 384);
}

TEST(CommandLine, BadArgumentsAreExplainedWithCodeTwo) {
  const char* bad[] = {"--mode 6", "--mode x", "--fps 0", "--mixrate", "--frobnicate", "--every 2",
                       "--headless --start 5000 --end 10", "--data /nonexistent/folder --headless"};
  for (const char* args : bad) {
    Result r = RunDorsel(args);
    EXPECT_EQ(r.code, 2) << args << "\n" << r.out;
    EXPECT_EQ(r.out.rfind("dorsel: ", 0), 0u) << args << "\n" << r.out;
  }
  Result help = RunDorsel("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);
  Result version = RunDorsel("--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("dorsel ", 0), 0u);
}

TEST(CommandLine, AMissingSongIsAFailure) {
  Result r = RunDorsel("--headless --data /");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("Fmod ERROR!: File not found: what2xx.it"), std::string::npos) << r.out;
}

}  // namespace
