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
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Outcome;

const std::string kDataDir = std::string(DORSEL_BINARY_DIR) + "/data";

Outcome RunDorsel(const std::string& args) {
  return testing_support::RunCommand(testing_support::BuiltProgram("dorsel") + " " + args + " 2>&1");
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Wav {
  int rate = 0, channels = 0, bits = 0;
  std::vector<int16_t> samples;
};

Wav ReadWav(const fs::path& path) {
  std::string b = ReadAll(path);
  Wav w;
  if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(36, 4, "data") != 0) return w;
  auto le = [&b](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | uint8_t(b[at + i]);
    return v;
  };
  w.channels = int(le(22, 2));
  w.rate = int(le(24, 4));
  w.bits = int(le(34, 2));
  uint32_t data = le(40, 4);
  if (data != b.size() - 44) return Wav{};
  w.samples.resize(data / 2);
  std::memcpy(w.samples.data(), b.data() + 44, data);
  return w;
}

// The song on its own from `ms` on, as a listener who skips there hears it.
std::vector<int16_t> SongFrom(uint32_t ms, int rate, size_t frames) {
  std::ifstream in(kDataDir + "/what2xx.it", std::ios::binary);
  openmpt::module module(in);
  module.ctl_set_integer("dither", 0);
  module.set_position_seconds(ms / 1000.0);
  std::vector<int16_t> out(2 * frames);
  size_t got = 0;
  while (got < frames) {
    size_t n = module.read_interleaved_stereo(rate, std::min<size_t>(4096, frames - got), out.data() + 2 * got);
    if (n == 0) break;
    got += n;
  }
  out.resize(2 * got);
  return out;
}

long FramesDrawn(const std::string& out) {
  size_t at = out.find("frames ");
  return at == std::string::npos ? -1 : std::atol(out.c_str() + at + 7);
}

struct Y4m {
  std::string header;
  std::vector<std::string> frames;  // each the three planes of one frame
};

Y4m ReadY4m(const fs::path& path, int width, int height) {
  std::string b = ReadAll(path);
  Y4m y;
  size_t end = b.find('\n');
  if (end == std::string::npos) return y;
  y.header = b.substr(0, end);
  size_t planes = size_t(width) * height * 3 / 2;
  for (size_t at = end + 1; at < b.size(); at += 6 + planes) {
    if (b.compare(at, 6, "FRAME\n") != 0 || at + 6 + planes > b.size()) {
      y.frames.clear();
      y.header = "broken frame at byte " + std::to_string(at);
      return y;
    }
    y.frames.push_back(b.substr(at + 6, planes));
  }
  return y;
}

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("capture_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

// A ten-second clip from 20 s: every frame in the video, the sound from
// the clip's first frame on, the two exactly as long as each other.
TEST_F(Capture, AClipFromTwentySecondsHasItsFramesAndItsMusicInStep) {
  Outcome r = RunDorsel("--start 20000 --end 30000 --fps 25 --wav " + (dir_ / "clip.wav").string() +
                        " --y4m " + (dir_ / "clip.y4m").string() + " --frames " + (dir_ / "frames").string() +
                        " --every 125 --data " + kDataDir);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  // No --headless needed: recording implies it. Frames at 20.00, 20.04 …
  // 30.00 s.
  EXPECT_NE(r.out.find("frames 251, last demo time 30000 ms, windows visited 1/22"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos) << "a progress line on a pipe";

  Y4m video = ReadY4m(dir_ / "clip.y4m", 512, 384);
  EXPECT_EQ(video.header, "YUV4MPEG2 W512 H384 F25:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED");
  ASSERT_EQ(video.frames.size(), 251u);

  Wav sound = ReadWav(dir_ / "clip.wav");
  EXPECT_EQ(sound.rate, 44100);
  EXPECT_EQ(sound.channels, 2);
  EXPECT_EQ(sound.bits, 16);
  // 251 frames of 40 ms: 10.04 s.
  ASSERT_EQ(sound.samples.size(), 2u * 10040 * 441 / 10);
  std::vector<int16_t> alone = SongFrom(20000, 44100, 44100 * 2);
  ASSERT_EQ(alone.size(), 2u * 44100 * 2);
  size_t differing = 0;
  for (size_t i = 0; i < alone.size(); ++i) differing += sound.samples[i] != alone[i];
  EXPECT_EQ(differing, 0u) << "the first two seconds are not the song from 20.000 s";
  EXPECT_GT(std::count_if(alone.begin(), alone.end(), [](int16_t s) { return std::abs(s) > 256; }),
            long(alone.size() / 20))
      << "the song is (nearly) silent there, so the comparison proves little";

  // Frame k of the video is the frame of demo time 20000 + 40 k.
  for (int k : {0, 125, 250}) {
    SCOPED_TRACE("frame " + std::to_string(k));
    char name[32];
    std::snprintf(name, sizeof name, "t%07d.png", 20000 + 40 * k);
    testing_support::RgbImage png = testing_support::ReadRgbPng(dir_ / "frames" / name);
    ASSERT_EQ(png.pixels.size(), 512u * 384) << name;
    const std::string& planes = video.frames[size_t(k)];
    int worst = 0;
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x) {
        uint32_t p = png.pixels[size_t(y) * 512 + x];
        double luma = 16 + (65.481 * (p >> 16 & 255) + 128.553 * (p >> 8 & 255) + 24.966 * (p & 255)) / 255;
        worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[size_t(y) * 512 + x]) - luma) * 2)));
      }
    for (int by = 0; by < 192; ++by)
      for (int bx = 0; bx < 256; ++bx) {
        double r = 0, g = 0, b = 0;
        for (int d = 0; d < 4; ++d) {
          uint32_t p = png.pixels[size_t(2 * by + d / 2) * 512 + 2 * bx + d % 2];
          r += (p >> 16 & 255) / 4.0, g += (p >> 8 & 255) / 4.0, b += (p & 255) / 4.0;
        }
        double cb = 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255;
        double cr = 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255;
        size_t at = 512 * 384 + size_t(by) * 256 + bx;
        worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[at]) - cb) * 2)));
        worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[at + 256 * 192]) - cr) * 2)));
      }
    EXPECT_LE(worst, 1) << "a sample is more than half a step from the exact conversion of the PNG";
  }
}

// Sample n of the WAV is the song at demo time start + n / rate, for any
// start, rate and frame rate, and the WAV lasts exactly as long as the
// frames the video holds.
TEST_F(Capture, TheSoundStartsWithTheFirstFrameAndLastsAsLongAsTheFrames) {
  struct Case {
    uint32_t start;
    int rate, fps;
  };
  for (Case c : {Case{0, 44100, 60}, Case{107000, 22050, 25}, Case{231500, 48000, 30}}) {
    SCOPED_TRACE("from " + std::to_string(c.start) + " at " + std::to_string(c.rate) + " Hz, " +
                 std::to_string(c.fps) + " fps");
    fs::path wav = dir_ / "s.wav", y4m = dir_ / "s.y4m";
    Outcome r = RunDorsel("--headless --start " + std::to_string(c.start) + " --end " +
                          std::to_string(c.start + 1500) + " --mixrate " + std::to_string(c.rate) +
                          " --fps " + std::to_string(c.fps) + " --wav " + wav.string() + " --y4m " +
                          y4m.string() + " --data " + kDataDir);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    long frames = FramesDrawn(r.out);
    ASSERT_GT(frames, 0) << r.out;
    EXPECT_EQ(long(ReadY4m(y4m, 512, 384).frames.size()), frames);
    Wav sound = ReadWav(wav);
    EXPECT_EQ(sound.rate, c.rate);
    // The frames' whole milliseconds of the virtual clock, at the rate.
    int64_t want = int64_t(frames) * 1000 / c.fps * c.rate / 1000;
    EXPECT_EQ(int64_t(sound.samples.size()) / 2, want);
    std::vector<int16_t> alone = SongFrom(c.start, c.rate, size_t(c.rate));
    ASSERT_LE(alone.size(), sound.samples.size());
    EXPECT_TRUE(std::equal(alone.begin(), alone.end(), sound.samples.begin()))
        << "the first second is not the song from " << c.start << " ms";
  }
}

// Past the end of the show nothing is drawn, and nothing more is recorded.
TEST_F(Capture, TheRecordingStopsWithTheShow) {
  fs::path wav = dir_ / "e.wav", y4m = dir_ / "e.y4m";
  Outcome r = RunDorsel("--headless --start 233000 --fps 10 --wav " + wav.string() + " --y4m " + y4m.string() +
                        " --data " + kDataDir);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  // Frames at 233.0 … 234.1 s; the last two are past the end.
  EXPECT_NE(r.out.find("frames 12, last demo time 234100 ms"), std::string::npos) << r.out;
  EXPECT_EQ(ReadY4m(y4m, 512, 384).frames.size(), 10u);
  EXPECT_EQ(ReadWav(wav).samples.size(), 2u * 44100);
}

// The music on its own, as dorsel-inspect renders it, is what the show
// records from its start.
TEST_F(Capture, TheShowsSoundFromTheStartIsTheSongAsInspectRendersIt) {
  fs::path show = dir_ / "show.wav", song = dir_ / "song.wav";
  Outcome r = RunDorsel("--headless --end 2000 --wav " + show.string() + " --data " + kDataDir);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  Outcome i = testing_support::RunCommand(testing_support::BuiltProgram("dorsel-inspect") + " it " + kDataDir +
                                          "/what2xx.it --wav " + song.string());
  ASSERT_EQ(i.exitCode, 0) << i.out;
  Wav a = ReadWav(show), b = ReadWav(song);
  ASSERT_EQ(a.rate, b.rate);
  ASSERT_GT(a.samples.size(), 2u * 44100);
  ASSERT_GE(b.samples.size(), a.samples.size());
  EXPECT_TRUE(std::equal(a.samples.begin(), a.samples.end(), b.samples.begin()));
}

TEST_F(Capture, OutputsAreNamedFromTheFolderTheProgramStartedIn) {
  Outcome r = testing_support::RunCommand("cd " + dir_.string() + " && " + testing_support::BuiltProgram("dorsel") +
                                          " --start 5000 --end 5100 --fps 10 --wav rel.wav --y4m rel.y4m"
                                          " --frames rel --data " + kDataDir + " 2>&1");
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "rel.wav"));
  EXPECT_TRUE(fs::exists(dir_ / "rel.y4m"));
  EXPECT_TRUE(fs::exists(dir_ / "rel" / "t0005000.png"));
  EXPECT_FALSE(fs::exists(fs::path(kDataDir) / "rel.wav")) << "written into the data folder";
}

// On a terminal a headless run redraws one progress line in place.
TEST_F(Capture, ATerminalGetsAProgressLine) {
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string program = testing_support::BuiltProgram("dorsel");
    execl(program.c_str(), program.c_str(), "--headless", "--window", "2", "--end", "21000", "--fps", "30",
          "--data", kDataDir.c_str(), static_cast<char*>(nullptr));
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
  EXPECT_NE(out.find("window  2/22", bar), std::string::npos) << out;
  EXPECT_NE(out.find("21.0 s", bar), std::string::npos) << out;
  EXPECT_NE(out.find("fps", bar), std::string::npos) << out;
  EXPECT_NE(out.find("left", bar), std::string::npos) << out;
  // The summary comes on a line of its own after the bar.
  EXPECT_NE(out.find("\nframes 31, last demo time 21000 ms"), std::string::npos) << out;
}

}  // namespace
