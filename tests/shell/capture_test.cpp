// Recording the show: the WAV and YUV4MPEG2 writers byte for byte against
// files built here from their layouts, the colour conversion against the
// exact one, clips from the command line checked against the show's own
// frames and the music rendered on its own, and the progress line.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <libopenmpt/libopenmpt.hpp>

#include "shell/progress.h"
#include "shell/wav_writer.h"
#include "shell/y4m_writer.h"
#include "support/png_read.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::DataDir;
using testing_support::FileText;
using testing_support::Outcome;

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char(v >> 8 * i);
  return s;
}

// A 16-bit stereo PCM WAV's header for `bytes` of samples at `rate`.
std::string WavHeader(int rate, uint32_t bytes) {
  return "RIFF" + Le(36 + bytes, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) + Le(rate, 4) + Le(rate * 4, 4) +
         Le(4, 2) + Le(16, 2) + "data" + Le(bytes, 4);
}

std::string Y4mHeader(int width, int height, int fps) {
  return "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" + std::to_string(fps) +
         ":1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n";
}

// The BT.601 studio-range conversion in real numbers.
double Luma(double r, double g, double b) { return 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255; }
double Cb(double r, double g, double b) { return 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255; }
double Cr(double r, double g, double b) { return 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255; }

TEST(WavWriter, TheFileIsAStereoPcmHeaderAndTheSamplesWritten) {
  struct Case { int rate; std::vector<int> blocks; };  // frames per Write call
  const Case cases[] = {{44100, {}}, {44100, {1}}, {48000, {4096, 4096, 17}}, {8000, {3, 0, 5}}, {96000, {1000, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("rate " + std::to_string(c.rate) + ", " + std::to_string(c.blocks.size()) + " blocks");
    std::string path = testing::TempDir() + "wav_writer.wav", samples;
    WavWriter w;
    ASSERT_TRUE(w.Open(path, c.rate));
    int16_t next = -32768;
    for (int n : c.blocks) {
      std::vector<int16_t> block(2 * size_t(n));
      for (int16_t& s : block) samples += Le(uint16_t(s = next += 7919), 2);  // wraps through the whole range
      ASSERT_TRUE(w.Write(block.data(), n));
    }
    EXPECT_EQ(w.Frames(), int64_t(samples.size() / 4));
    EXPECT_TRUE(w.Close());
    EXPECT_EQ(FileText(path), WavHeader(c.rate, uint32_t(samples.size())) + samples);
  }
}

TEST(WavWriter, AFileThatCannotBeMadeOrAFullDiskIsAFailure) {
  WavWriter w, full;
  int16_t block[2 * 8192] = {1, 2};
  EXPECT_FALSE(w.Open("/nonexistent/folder/x.wav", 44100));
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(w.Write(block, 1));
  ASSERT_TRUE(full.Open("/dev/full", 44100));  // accepts the open, refuses the bytes
  bool ok = full.Write(block, 8192);
  EXPECT_FALSE(full.Close() && ok);
}

// Every colour, alone or summed over a 2 × 2 block, with or without a top
// byte, is within rounding of the exact conversion.
TEST(Y4m, EveryColourIsWithinRoundingOfTheExactConversion) {
  double worst = 0;
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 7) {
        uint32_t rgb = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        for (double off : {Bt601Luma(rgb) - Luma(r, g, b), Bt601Luma(rgb | 0xFF000000) - Luma(r, g, b),
                           Bt601Cb(r, g, b, 1) - Cb(r, g, b), Bt601Cr(r, g, b, 1) - Cr(r, g, b),
                           Bt601Cb(4 * r, 4 * g, 4 * b, 4) - Cb(r, g, b), Bt601Cr(4 * r, 4 * g, 4 * b, 4) - Cr(r, g, b)})
          worst = std::max(worst, std::abs(off));
      }
  EXPECT_LE(worst, 0.51);  // half a step of rounding, plus a hair for the 16-bit coefficients
}

// Frame f is grey level 40 f everywhere: its planes are that grey's luma
// and no colour.
TEST(Y4m, StreamHasTheHeaderAndOnePlaneSetPerFrame) {
  struct Case { int width, height, fps, frames; };
  for (Case c : {Case{512, 384, 60, 3}, Case{512, 384, 25, 0}, Case{6, 4, 1000, 2}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.fps));
    std::string path = testing::TempDir() + "y4m_writer.y4m", want = Y4mHeader(c.width, c.height, c.fps);
    size_t pixels = size_t(c.width) * c.height;
    Y4mWriter w;
    ASSERT_TRUE(w.Open(path, c.width, c.height, c.fps));
    for (int f = 0; f < c.frames; ++f) {
      std::vector<uint32_t> frame(pixels, uint32_t(40 * f) * 0x010101);
      ASSERT_TRUE(w.WriteFrame(frame.data()));
      want += "FRAME\n" + std::string(pixels, char(std::lround(Luma(40 * f, 40 * f, 40 * f)))) + std::string(pixels / 2, '\x80');
    }
    EXPECT_EQ(w.Frames(), c.frames);
    EXPECT_TRUE(w.Close());
    EXPECT_TRUE(FileText(path) == want);
  }
}

TEST(Y4m, OddSizesAndUnwritableFilesAreRefused) {
  Y4mWriter w;
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 5, 4, 30));
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 4, 3, 30));
  EXPECT_FALSE(w.Open(testing::TempDir() + "odd.y4m", 4, 4, 0));
  EXPECT_FALSE(w.Open("/nonexistent/folder/x.y4m", 512, 384, 30));
  std::vector<uint32_t> frame(512 * 384);
  EXPECT_FALSE(w.WriteFrame(frame.data()));
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

// The largest distance, in half steps, of a 512 × 384 frame's planes from
// the exact conversion of the PNG of the same frame (chroma from each 2 × 2
// block's average).
int WorstHalfSteps(const testing_support::RgbImage& png, const std::string& planes) {
  int worst = 0;
  auto off = [&](size_t i, double exact) { worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[i]) - exact) * 2))); };
  for (int by = 0; by < 192; ++by)
    for (int bx = 0; bx < 256; ++bx) {
      double sum[3] = {};
      for (int d = 0; d < 4; ++d) {
        size_t at = size_t(2 * by + d / 2) * 512 + 2 * bx + d % 2;
        double c[3] = {double(png.pixels[at] >> 16 & 255), double(png.pixels[at] >> 8 & 255), double(png.pixels[at] & 255)};
        off(at, Luma(c[0], c[1], c[2]));
        for (int k = 0; k < 3; ++k) sum[k] += c[k] / 4;
      }
      size_t i = 512 * 384 + size_t(by) * 256 + bx;
      off(i, Cb(sum[0], sum[1], sum[2]));
      off(i + 256 * 192, Cr(sum[0], sum[1], sum[2]));
    }
  return worst;
}

// Clips from the command line, named from the folder the program started
// in (no --headless: recording implies it). Frame k of the video is the
// frame of demo time start + 1000 k / fps, the one --frames writes; sample n
// of the WAV is the song at start + n / rate; and the two last exactly as
// long as the frames drawn within the show.
TEST(Capture, PictureAndSoundAreTheShowsFramesAndTheSongInStep) {
  struct Case { uint32_t start; int end, rate, fps, every; long frames; };  // drawn, up to the first at or past the end
  const Case cases[] = {
      {20000, 30000, 44100, 25, 125, 251}, {0, 1500, 44100, 60, 1000, 91}, {107000, 108500, 22050, 25, 1000, 39},
      {231500, 233000, 48000, 30, 1000, 46},
      // Past the end of the show, at 234 s, nothing more is recorded; the
      // show closes itself two frames later.
      {233000, -1, 44100, 10, 1000, 12},
  };
  const fs::path dir = fs::path(testing::TempDir()) / ("capture_" + std::to_string(getpid()));
  for (const Case& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.start) + " at " + std::to_string(c.rate) + " Hz, " + std::to_string(c.fps) + " fps");
    fs::remove_all(dir);
    fs::create_directories(dir);
    Outcome r = testing_support::RunCommand(
        "cd " + dir.string() + " && " + testing_support::BuiltProgram("dorsel") + " --start " + std::to_string(c.start) +
        (c.end < 0 ? "" : " --end " + std::to_string(c.end)) + " --mixrate " + std::to_string(c.rate) + " --fps " +
        std::to_string(c.fps) + " --every " + std::to_string(c.every) + " --wav clip.wav --y4m clip.y4m --frames frames --data " +
        DataDir() + " 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    uint32_t last = c.start + uint32_t((c.frames - 1) * 1000 / c.fps);
    EXPECT_NE(r.out.find("frames " + std::to_string(c.frames) + ", last demo time " + std::to_string(last) + " ms"),
              std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "a progress line on a pipe";
    EXPECT_FALSE(fs::exists(fs::path(DataDir()) / "clip.wav")) << "written into the data folder";

    const long shown = std::min<long>(c.frames, ((234000 - c.start) * c.fps + 999) / 1000);
    const size_t planes = 512 * 384 * 3 / 2;
    std::string video = FileText(dir / "clip.y4m"), header = Y4mHeader(512, 384, c.fps);
    ASSERT_EQ(video.compare(0, header.size(), header), 0) << video.substr(0, 80);
    ASSERT_EQ(video.size(), header.size() + shown * (6 + planes));
    long pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir / "frames")) pictures += entry.is_regular_file();
    EXPECT_EQ(pictures, (c.frames + c.every - 1) / c.every);
    for (long k = 0; k < shown; k += c.every) {
      char name[32];
      std::snprintf(name, sizeof name, "t%07ld.png", c.start + k * 1000 / c.fps);
      SCOPED_TRACE(name);
      testing_support::RgbImage png = testing_support::ReadRgbPng(dir / "frames" / name);
      ASSERT_EQ(png.width * png.height, 512 * 384);
      size_t at = header.size() + size_t(k) * (6 + planes);
      EXPECT_EQ(video.substr(at, 6), "FRAME\n");
      EXPECT_LE(WorstHalfSteps(png, video.substr(at + 6, planes)), 1);
    }

    // The frames' whole milliseconds of the virtual clock, at the rate.
    std::string sound = FileText(dir / "clip.wav");
    uint32_t bytes = uint32_t(shown * 1000 / c.fps * c.rate / 1000 * 4);
    EXPECT_EQ(sound.substr(0, 44), WavHeader(c.rate, bytes));
    ASSERT_EQ(sound.size(), 44 + bytes);
    std::vector<int16_t> alone = SongFrom(c.start, c.rate, size_t(c.rate));
    ASSERT_LE(alone.size() * 2, bytes);
    EXPECT_EQ(std::memcmp(alone.data(), sound.data() + 44, alone.size() * 2), 0) << "not the song from " << c.start;
    EXPECT_GT(std::count_if(alone.begin(), alone.end(), [](int16_t s) { return std::abs(s) > 256; }), long(alone.size() / 20))
        << "the song is (nearly) silent there, so the comparison proves little";
    if (c.start == 0) {  // the song as dorsel-inspect renders it
      Outcome i = testing_support::RunCommand(testing_support::BuiltProgram("dorsel-inspect") + " it " + DataDir() +
                                              "/what2xx.it --wav " + (dir / "song.wav").string());
      EXPECT_EQ(FileText(dir / "song.wav").substr(44, bytes), sound.substr(44)) << i.out;
    }
  }
  fs::remove_all(dir);
}

TEST(Progress, TheLineShowsBarWindowTimeSpeedAndWhatIsLeft) {
  const std::pair<Progress, const char*> cases[] = {
      {{1, 0, 0, 234000, 0, -1}, "[------------------------] window  1/22     0.0 s     0 fps --:-- left"},
      {{2, 30000, 20000, 30000, 412.4, 0.0}, "[########################] window  2/22    30.0 s   412 fps 0:00 left"},
      {{2, 25000, 20000, 30000, 60, 5.4}, "[############------------] window  2/22    25.0 s    60 fps 0:05 left"},
      {{20, 193000, 0, 234000, 1500, 125.6}, "[###################-----] window 20/22   193.0 s  1500 fps 2:06 left"},
      {{0, 234033, 0, 234000, 999, 0}, "[########################] window  0/22   234.0 s   999 fps 0:00 left"},
      // A run that starts past where it ends still draws a sane line.
      {{5, 80000, 90000, 80000, 10, -1}, "[------------------------] window  5/22    80.0 s    10 fps --:-- left"},
  };
  for (const auto& [p, line] : cases) EXPECT_EQ(ProgressLine(p), line);
}

// On a terminal a headless run redraws one progress line in place, the last
// at the run's end, and the summary comes on a line of its own after it.
TEST(Progress, ATerminalGetsAProgressLine) {
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string program = testing_support::BuiltProgram("dorsel"), data = DataDir();
    execl(program.c_str(), program.c_str(), "--headless", "--window", "2", "--end", "21000", "--fps", "30", "--data",
          data.c_str(), static_cast<char*>(nullptr));
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
  size_t bar = out.find("\r["), end = out.find("\r\nframes 31, last demo time 21000 ms");  // the terminal adds \r
  ASSERT_TRUE(bar != std::string::npos && end != std::string::npos) << out;
  EXPECT_EQ(out.find('\n', bar), end + 1) << "only the end starts a new line";
  std::string lastLine = out.substr(out.rfind('\r', end - 1) + 1, end - out.rfind('\r', end - 1) - 1);
  EXPECT_EQ(lastLine.substr(0, 49), "[########################] window  2/22    21.0 s") << lastLine;
  EXPECT_NE(lastLine.find(" fps 0:00 left"), std::string::npos) << lastLine;
}

}  // namespace
