#include <gtest/gtest.h>

#include "support/process.h"
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

using testing_support::Outcome;

Outcome Inspect(const std::string& args, const fs::path&) {
  return testing_support::RunCommand(testing_support::BuiltProgram("dorsel-inspect") + " it " + args + " 2>&1");
}

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

fs::path Scratch(const char* name) {
  fs::path dir = fs::path(DORSEL_BINARY_DIR) / "test-scratch" / name;
  fs::create_directories(dir);
  return dir;
}

TEST(InspectIt, DescribesTheSongAndRendersItWhole) {
  fs::path dir = Scratch("inspect-it");
  fs::path wav = dir / "song.wav";
  fs::remove(wav);
  Outcome run = Inspect(std::string(DORSEL_BINARY_DIR) + "/data/what2xx.it --wav " + wav.string(), dir);
  ASSERT_EQ(run.exitCode, 0) << run.out;
  for (const char* line : {"length: 237.000 s", "channels: 13", "instruments: 13", "samples: 13",
                           "warnings: none", "kick", "reverse crash"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;

  std::ifstream in(wav, std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(b.size(), 44u);
  EXPECT_EQ(b.substr(0, 4), "RIFF");
  EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(U32(b, 24), 44100u);                      // rate
  EXPECT_EQ(U32(b, 22) & 0xFFFF, 2u);                 // stereo
  EXPECT_EQ(U32(b, 40), b.size() - 44);               // data size
  EXPECT_EQ(U32(b, 4), b.size() - 8);                 // RIFF size
  EXPECT_NEAR((b.size() - 44) / 4.0 / 44100, 237.0, 0.1);  // the whole song
}

TEST(InspectIt, RefusesBadArgumentsAndUnreadableFiles) {
  fs::path dir = Scratch("inspect-it-bad");
  std::ofstream(dir / "junk.it") << "not a module at all";
  struct Case {
    std::string args;
    int exitCode;
  };
  const Case cases[] = {
      {"", 2},
      {"a.it b.it", 2},
      {"--wav", 2},
      {(dir / "missing.it").string(), 1},
      {(dir / "junk.it").string(), 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Inspect(c.args, dir).exitCode, c.exitCode) << "'" << c.args << "'";
}

}  // namespace
