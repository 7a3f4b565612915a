#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "assetgen/it_writer.h"
#include "support/process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using testing_support::Outcome;

// A run still going after a minute is a hang.
Outcome Inspect(const std::string& args, const fs::path&) {
  return testing_support::RunCommand("timeout 60 " + testing_support::BuiltProgram("dorsel-inspect") + " it " + args +
                                     " 2>&1");
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

// A song far longer than a WAV can hold (4 GiB of 16-bit stereo at
// 44100 Hz is 6.8 hours): ten orders of one slow, empty pattern of 200 rows
// at speed 255 and tempo 32, nearly 20 seconds a row.
std::vector<uint8_t> EndlessSong() {
  it::Module m;
  m.name = "long";
  m.channels = 1;
  m.speed = 255;
  m.tempo = 32;
  m.patterns.emplace_back(200, 1);
  m.orders.assign(10, 0);
  std::string error;
  std::vector<uint8_t> bytes = it::WriteModule(m, &error);
  EXPECT_FALSE(bytes.empty()) << error;
  return bytes;
}

TEST(InspectIt, RefusesBadArgumentsAndWhatItCannotReadOrWrite) {
  fs::path dir = Scratch("inspect-it-bad");
  std::ofstream(dir / "junk.it") << "not a module at all";
  fs::remove(dir / "fifo.it");
  ASSERT_EQ(mkfifo((dir / "fifo.it").c_str(), 0600), 0);
  fs::create_directories(dir / "folder.it");
  const std::vector<uint8_t> endless = EndlessSong();
  std::ofstream(dir / "endless.it", std::ios::binary)
      .write(reinterpret_cast<const char*>(endless.data()), std::streamsize(endless.size()));
  const std::string song = std::string(DORSEL_BINARY_DIR) + "/data/what2xx.it";
  struct Case {
    std::string args;
    int exitCode;
    std::string says;  // in the output, when not empty
    bool described;    // the song's length was printed
  };
  const Case cases[] = {
      {"", 2, "usage", false},
      {"a.it b.it", 2, "usage", false},
      {"--wav", 2, "usage", false},
      {(dir / "missing.it").string(), 1, "not found", false},
      {(dir / "junk.it").string(), 1, "junk.it", false},
      {(dir / "fifo.it").string(), 1, "not a regular file", false},
      {(dir / "folder.it").string(), 1, "not a regular file", false},
      // An output that cannot be made fails before anything is rendered.
      {song + " --wav " + (dir / "no" / "such.wav").string(), 1, "cannot write", false},
      {song + " --wav " + (dir / "folder.it").string(), 1, "cannot write", false},
      {(dir / "endless.it").string() + " --wav " + (dir / "endless.wav").string(), 1, "4 GiB", false},
      // Without a WAV the length is only told.
      {(dir / "endless.it").string(), 0, "length: ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("'" + c.args + "'");
    Outcome run = Inspect(c.args, dir);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out;
    EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("length: ") != std::string::npos, c.described) << run.out;
  }
  EXPECT_FALSE(fs::exists(dir / "endless.wav"));
}

// A disk that fills up while the song is written.
TEST(InspectIt, AWriteThatFailsEndsTheRenderingWithOne) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Outcome run =
      Inspect(std::string(DORSEL_BINARY_DIR) + "/data/what2xx.it --wav /dev/full", Scratch("inspect-it-full"));
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("cannot write /dev/full"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("wav: "), std::string::npos) << run.out;
}

}  // namespace
