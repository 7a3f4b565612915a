// Recording the show as a user does: a clip's picture and sound from the
// command line, checked against the show's own frames and the music
// rendered on its own.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <libopenmpt/libopenmpt.hpp>
#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::DataDir;
using testing_support::FileText;
using testing_support::Outcome;

struct Wav {
  int rate = 0, channels = 0, bits = 0;
  std::vector<int16_t> samples;
};

Wav ReadWav(const fs::path& path) {
  std::string b = FileText(path);
  Wav w;
  if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(36, 4, "data") != 0) return w;
  auto le = [&b](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | uint8_t(b[at + i]);
    return v;
  };
  if (le(40, 4) != b.size() - 44) return w;
  w = {int(le(24, 4)), int(le(22, 2)), int(le(34, 2)), std::vector<int16_t>((b.size() - 44) / 2)};
  std::memcpy(w.samples.data(), b.data() + 44, b.size() - 44);
  return w;
}

// The song on its own from `ms` on, as a listener who skips there hears it.
std::vector<int16_t> SongFrom(uint32_t ms, int rate, size_t frames) {
  std::ifstream in(DataDir() + "/what2xx.it", std::ios::binary);
  openmpt::module module(in);
  module.ctl_set_integer("dither", 0);
  module.set_position_seconds(ms / 1000.0);
  std::vector<int16_t> out(2 * frames);
  for (size_t got = 0, n = 1; got < frames && n > 0; got += n)
    n = module.read_interleaved_stereo(rate, std::min<size_t>(4096, frames - got), out.data() + 2 * got);
  return out;
}

// The three planes of each frame; empty if a frame is broken.
std::vector<std::string> Y4mFrames(const std::string& b, size_t planes) {
  std::vector<std::string> frames;
  for (size_t at = b.find('\n') + 1; at < b.size(); at += 6 + planes) {
    if (b.compare(at, 6, "FRAME\n") != 0 || at + 6 + planes > b.size()) return {};
    frames.push_back(b.substr(at + 6, planes));
  }
  return frames;
}

// The largest distance, in half steps, of a 512 × 384 frame's planes from
// the exact BT.601 studio-range conversion of the PNG of the same frame
// (chroma from each 2 × 2 block's average).
int WorstHalfSteps(const testing_support::RgbImage& png, const std::string& planes) {
  int worst = 0;
  auto at = [&](int x, int y, int shift) { return double(png.pixels[size_t(y) * 512 + x] >> shift & 255); };
  auto off = [&](size_t i, double exact) { worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[i]) - exact) * 2))); };
  for (int y = 0; y < 384; ++y)
    for (int x = 0; x < 512; ++x)
      off(size_t(y) * 512 + x, 16 + (65.481 * at(x, y, 16) + 128.553 * at(x, y, 8) + 24.966 * at(x, y, 0)) / 255);
  for (int by = 0; by < 192; ++by)
    for (int bx = 0; bx < 256; ++bx) {
      double c[3] = {};
      for (int d = 0; d < 4; ++d)
        for (int k = 0; k < 3; ++k) c[k] += at(2 * bx + d % 2, 2 * by + d / 2, 16 - 8 * k) / 4;
      size_t i = 512 * 384 + size_t(by) * 256 + bx;
      off(i, 128 + (-37.797 * c[0] - 74.203 * c[1] + 112.0 * c[2]) / 255);
      off(i + 256 * 192, 128 + (112.0 * c[0] - 93.786 * c[1] - 18.214 * c[2]) / 255);
    }
  return worst;
}

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  const fs::path dir_ = fs::path(testing::TempDir()) / ("capture_" + std::to_string(getpid()));
};

// Clips from the command line, named from the folder the program started
// in (no --headless: recording implies it). Frame k of the video is the
// frame of demo time start + 1000 k / fps, the one --frames writes; sample n
// of the WAV is the song at start + n / rate; and the two last exactly as
// long as the frames drawn within the show.
TEST_F(Capture, PictureAndSoundAreTheShowsFramesAndTheSongInStep) {
  struct Case {
    uint32_t start;
    int end, rate, fps, every;
    long frames;  // drawn: up to the first at or past the end
  };
  const Case cases[] = {
      {20000, 30000, 44100, 25, 125, 251},
      {0, 1500, 44100, 60, 1000, 91},
      {107000, 108500, 22050, 25, 1000, 39},
      {231500, 233000, 48000, 30, 1000, 46},
      // Past the end of the show, at 234 s, nothing more is recorded; the
      // show closes itself after two more frames.
      {233000, -1, 44100, 10, 1000, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.start) + " at " + std::to_string(c.rate) + " Hz, " +
                 std::to_string(c.fps) + " fps");
    fs::remove_all(dir_ / "frames");
    Outcome r = testing_support::RunCommand(
        "cd " + dir_.string() + " && " + testing_support::BuiltProgram("dorsel") + " --start " +
        std::to_string(c.start) + (c.end < 0 ? "" : " --end " + std::to_string(c.end)) + " --mixrate " +
        std::to_string(c.rate) + " --fps " + std::to_string(c.fps) + " --every " + std::to_string(c.every) +
        " --wav clip.wav --y4m clip.y4m --frames frames --data " + DataDir() + " 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    uint32_t last = c.start + uint32_t((c.frames - 1) * 1000 / c.fps);
    EXPECT_NE(r.out.find("frames " + std::to_string(c.frames) + ", last demo time " + std::to_string(last) + " ms"),
              std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "a progress line on a pipe";
    EXPECT_FALSE(fs::exists(fs::path(DataDir()) / "clip.wav")) << "written into the data folder";

    const long shown = std::min<long>(c.frames, ((234000 - c.start) * c.fps + 999) / 1000);
    std::string y4m = FileText(dir_ / "clip.y4m");
    EXPECT_EQ(y4m.substr(0, y4m.find('\n')),
              "YUV4MPEG2 W512 H384 F" + std::to_string(c.fps) + ":1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED");
    std::vector<std::string> video = Y4mFrames(y4m, 512 * 384 * 3 / 2);
    ASSERT_EQ(long(video.size()), shown);
    long pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "frames")) pictures += entry.is_regular_file();
    EXPECT_EQ(pictures, (c.frames + c.every - 1) / c.every);
    for (long k = 0; k < shown; k += c.every) {
      char name[32];
      std::snprintf(name, sizeof name, "t%07ld.png", c.start + k * 1000 / c.fps);
      SCOPED_TRACE(name);
      testing_support::RgbImage png = testing_support::ReadRgbPng(dir_ / "frames" / name);
      ASSERT_EQ(png.width * png.height, 512 * 384);
      EXPECT_LE(WorstHalfSteps(png, video[size_t(k)]), 1);
    }

    Wav sound = ReadWav(dir_ / "clip.wav");
    EXPECT_EQ(std::vector<int>({sound.rate, sound.channels, sound.bits}), std::vector<int>({c.rate, 2, 16}));
    // The frames' whole milliseconds of the virtual clock, at the rate.
    EXPECT_EQ(int64_t(sound.samples.size()) / 2, shown * 1000 / c.fps * c.rate / 1000);
    std::vector<int16_t> alone = SongFrom(c.start, c.rate, size_t(c.rate));
    ASSERT_LE(alone.size(), sound.samples.size());
    EXPECT_TRUE(std::equal(alone.begin(), alone.end(), sound.samples.begin())) << "not the song from " << c.start;
    EXPECT_GT(std::count_if(alone.begin(), alone.end(), [](int16_t s) { return std::abs(s) > 256; }),
              long(alone.size() / 20)) << "the song is (nearly) silent there, so the comparison proves little";
    if (c.start == 0) {  // the song as dorsel-inspect renders it
      Outcome i = testing_support::RunCommand(testing_support::BuiltProgram("dorsel-inspect") + " it " + DataDir() +
                                              "/what2xx.it --wav " + (dir_ / "song.wav").string());
      std::vector<int16_t> song = ReadWav(dir_ / "song.wav").samples;
      ASSERT_GE(song.size(), sound.samples.size()) << i.out;
      EXPECT_TRUE(std::equal(sound.samples.begin(), sound.samples.end(), song.begin()));
    }
  }
}

// On a terminal a headless run redraws one progress line in place.
TEST_F(Capture, ATerminalGetsAProgressLine) {
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string program = testing_support::BuiltProgram("dorsel"), data = DataDir();
    execl(program.c_str(), program.c_str(), "--headless", "--window", "2", "--end", "21000", "--fps", "30",
          "--data", data.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) out.append(buffer, size_t(n));
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << out;
  size_t bar = out.find("\r[");
  ASSERT_NE(bar, std::string::npos) << out;
  for (const char* part : {"window  2/22", "21.0 s", "fps", "left"}) EXPECT_NE(out.find(part, bar), std::string::npos) << out;
  // The summary comes on a line of its own after the bar.
  EXPECT_NE(out.find("\nframes 31, last demo time 21000 ms"), std::string::npos) << out;
}

}  // namespace
