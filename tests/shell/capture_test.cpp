// Recording the show from the command line: the clips' video and frames
// checked against each other and the exact colour conversion, their hashes
// against the frames, their sound against the song rendered on its own and
// the WAV layout; the recordings of a full-screen mode; the progress line.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <libopenmpt/libopenmpt.hpp>

#include "shell/progress.h"
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

// A side or rate the format cannot hold is refused; a refused writer takes
// no frame. (A file that cannot be made is refused on the command line.)
TEST(Y4m, OddSizesAreRefused) {
  Y4mWriter w;
  const std::string path = testing::TempDir() + "/odd.y4m";
  EXPECT_FALSE(w.Open(path, 5, 4, 30) || w.Open(path, 4, 3, 30) || w.Open(path, 4, 4, 0));
  uint32_t frame[16] = {};
  EXPECT_FALSE(w.WriteFrame(frame));
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

// The largest distance, in half steps, of a frame's planes from the exact
// conversion of the PNG of the same frame (chroma from each 2 × 2 block's
// average).
int WorstHalfSteps(const testing_support::RgbImage& png, const std::string& planes) {
  const size_t w = size_t(png.width), h = size_t(png.height);
  int worst = planes.size() == w * h * 3 / 2 ? 0 : 99;
  auto off = [&](size_t i, double exact) {
    worst = std::max(worst, int(std::lround(std::abs(uint8_t(planes[i]) - exact) * 2)));
  };
  for (size_t by = 0; by < h / 2 && worst < 99; ++by)
    for (size_t bx = 0; bx < w / 2; ++bx) {
      double sum[3] = {};
      for (size_t d = 0; d < 4; ++d) {
        size_t at = (2 * by + d / 2) * w + 2 * bx + d % 2;
        double c[3] = {double(png.pixels[at] >> 16 & 255), double(png.pixels[at] >> 8 & 255), double(png.pixels[at] & 255)};
        off(at, Luma(c[0], c[1], c[2]));
        for (int k = 0; k < 3; ++k) sum[k] += c[k] / 4;
      }
      size_t i = w * h + by * w / 2 + bx;
      off(i, Cb(sum[0], sum[1], sum[2]));
      off(i + w * h / 4, Cr(sum[0], sum[1], sum[2]));
    }
  return worst;
}

// Clips from the command line, named from the folder the program started
// in (no --headless: recording implies it). Frame k of the video is the
// frame of demo time start + 1000 k / fps, the one --frames writes and
// --hashes names by the FNV-1a of its pixels' bytes; sample n of the WAV is
// the song at start + n / rate; and the two last exactly as long as the
// frames drawn within the show.
TEST(Capture, PictureAndSoundAreTheShowsFramesAndTheSongInStep) {
  struct Case { uint32_t start; int end, rate, fps, every; long frames; };  // drawn, up to the first at or past the end
  const Case cases[] = {
      {20000, 30000, 44100, 25, 125, 251}, {0, 1500, 44100, 60, 1000, 91}, {107000, 108500, 22050, 25, 1000, 39},
      {231500, 233000, 48000, 30, 1000, 46},
      // Past the end of the show at 234 s; it closes itself two frames later.
      {233000, -1, 44100, 10, 1000, 12},
  };
  for (const Case& c : cases) {
    const std::string at = " --start " + std::to_string(c.start) + (c.end < 0 ? "" : " --end " + std::to_string(c.end)),
                      rates = " --mixrate " + std::to_string(c.rate) + " --fps " + std::to_string(c.fps);
    SCOPED_TRACE(at + rates);
    const fs::path dir = testing_support::FreshFolder("capture");
    Outcome r = testing_support::RunDorsel(at + rates + " --every " + std::to_string(c.every) +
                                           " --wav clip.wav --y4m clip.y4m --frames frames --hashes --data " + DataDir(),
                                           dir);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    uint32_t last = c.start + uint32_t((c.frames - 1) * 1000 / c.fps);
    EXPECT_NE(r.out.find("frames " + std::to_string(c.frames) + ", last demo time " + std::to_string(last) + " ms"),
              std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "a progress line on a pipe";
    EXPECT_FALSE(fs::exists(fs::path(DataDir()) / "clip.wav")) << "written into the data folder";

    // Past 234 s nothing is shown, so nothing is hashed or recorded. The
    // program's own lines each start a line, after what the scene loader said.
    const long shown = std::min<long>(c.frames, ((234000 - c.start) * c.fps + 999) / 1000);
    long hashes = 0;
    for (size_t at = r.out.find("\nframe "); at != std::string::npos; at = r.out.find("\nframe ", at + 1)) ++hashes;
    EXPECT_EQ(hashes, shown);
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
      uint64_t hash = 14695981039346656037ull;
      for (uint32_t p : png.pixels)
        for (int b = 0; b < 32; b += 8) hash = (hash ^ (p >> b & 0xFF)) * 1099511628211ull;
      char line[64];
      std::snprintf(line, sizeof line, "\nframe %ld %016llx\n", c.start + k * 1000 / c.fps, (unsigned long long)hash);
      EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }

    // The frames' whole milliseconds of the virtual clock, at the rate.
    std::string sound = FileText(dir / "clip.wav");
    uint32_t bytes = uint32_t(shown * 1000 / c.fps * c.rate / 1000 * 4);
    EXPECT_EQ(sound.substr(0, 44), WavHeader(c.rate, bytes));
    ASSERT_EQ(sound.size(), 44 + bytes);
    std::vector<int16_t> alone = SongFrom(c.start, c.rate, size_t(c.rate));
    ASSERT_LE(alone.size() * 2, bytes);
    EXPECT_EQ(std::memcmp(alone.data(), sound.data() + 44, alone.size() * 2), 0) << "not the song from " << c.start;
    EXPECT_GT(std::count_if(alone.begin(), alone.end(), [](int16_t s) { return std::abs(s) > 256; }),
              long(alone.size() / 20)) << "the song is (nearly) silent there, so the comparison proves little";
    if (c.start == 0) {  // the song as dorsel-inspect renders it
      Outcome i = testing_support::RunCommand(testing_support::BuiltProgram("dorsel-inspect") + " it " + DataDir() +
                                              "/what2xx.it --wav " + (dir / "song.wav").string());
      EXPECT_EQ(FileText(dir / "song.wav").substr(44, bytes), sound.substr(44)) << i.out;
    }
    fs::remove_all(dir);
  }
}

// With a full-screen --mode the recordings keep what that mode shows: its
// size, the frame centred, and grey in the 8-bit modes.
TEST(Capture, RecordingsOfAModeHaveItsSizeAndColours) {
  struct Case { int mode, width, height; bool grey; };
  for (const Case c : {Case{0, 512, 384, false}, Case{2, 512, 384, true}, Case{5, 640, 480, true}}) {
    SCOPED_TRACE(c.mode);
    const std::string dir = testing_support::FreshFolder("modes");
    Outcome r = testing_support::RunDorsel("--headless --start 30000 --end 30000 --mode " + std::to_string(c.mode) +
                                           " --frames " + dir + " --y4m " + dir + "/clip.y4m --data " + DataDir());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    testing_support::RgbImage png = testing_support::ReadRgbPng(dir + "/t0030000.png");
    ASSERT_EQ(std::make_pair(png.width, png.height), std::make_pair(c.width, c.height));
    int coloured = 0;
    for (uint32_t p : png.pixels) coloured += (p >> 16 & 0xFF) != (p & 0xFF) || (p >> 8 & 0xFF) != (p & 0xFF);
    EXPECT_EQ(coloured == 0, c.grey) << coloured << " coloured pixels";
    std::string video = FileText(dir + "/clip.y4m"), header = Y4mHeader(c.width, c.height, 60) + "FRAME\n";
    ASSERT_EQ(video.compare(0, header.size(), header), 0) << video.substr(0, 80);
    EXPECT_LE(WorstHalfSteps(png, video.substr(header.size())), 1);
    fs::remove_all(dir);
  }
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
