// The built program on a private X server, driven the way a viewer would:
// its window, what it shows, F11 there and back, Escape, and its sound.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.hpp>

#include "sdl_xvfb.h"
#include "support/process.h"

namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;

using sdltest::WaitFor;

std::vector<uint32_t> ReadPng(const std::string& path) {
  std::string raw = sdltest::Run("convert '" + path + "' -depth 8 rgb:- 2>/dev/null");
  std::vector<uint32_t> pixels(raw.size() / 3);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = uint32_t(uint8_t(raw[3 * i])) << 16 | uint32_t(uint8_t(raw[3 * i + 1])) << 8 |
                uint8_t(raw[3 * i + 2]);
  return pixels;
}

class SdlProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"xdotool", "import", "xwininfo", "convert"})
      if (!sdltest::OnPath(tool)) GTEST_SKIP() << tool << " is not installed; this test needs it";
    program_ = std::string(DORSEL_BINARY_DIR) + "/dorsel";
    data_ = std::string(DORSEL_BINARY_DIR) + "/data";
    std::string why;
    if (!xvfb_.Start(kScreenWidth, kScreenHeight, &why)) GTEST_SKIP() << why << "; this test needs it";
    setenv("DISPLAY", xvfb_.Display().c_str(), 1);  // for the X tools
    work_ = testing::TempDir() + "sdl_program_" + std::to_string(getpid());
    std::filesystem::create_directories(work_ + "/frames");
  }

  void TearDown() override {
    if (child_ > 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    xvfb_.Stop();
    if (!work_.empty()) std::filesystem::remove_all(work_);
  }

  void Start(const std::vector<std::string>& args) {
    child_ = fork();
    if (child_ == 0) {
      setenv("SDL_VIDEODRIVER", "x11", 1);
      setenv("SDL_AUDIODRIVER", "disk", 1);
      setenv("SDL_DISKAUDIOFILE", (work_ + "/sound.raw").c_str(), 1);
      if (chdir(work_.c_str()) != 0) _exit(126);  // where a viewer would start it
      FILE* log = std::fopen((work_ + "/log.txt").c_str(), "w");
      if (log) {
        dup2(fileno(log), 1);
        dup2(fileno(log), 2);
      }
      std::vector<char*> argv{const_cast<char*>(program_.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program_.c_str(), argv.data());
      _exit(127);
    }
  }

  // The exit code once the program has ended by itself; -1 if it does not.
  int WaitForExit() {
    int status = 0;
    if (!WaitFor([&] { return waitpid(child_, &status, WNOHANG) == child_; })) return -1;
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Log() {
    std::ifstream in(work_ + "/log.txt");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // The demo window once it has the given size, "" if it never does. The
  // search is repeated: a renderer may replace the window it was made on
  // with a new one of the same name, so the first one seen can vanish.
  std::string DemoWindow(int width, int height, sdltest::Geometry* g) {
    std::string xid;
    WaitFor([&] {
      xid = sdltest::Run("xdotool search --name '^dorsel @ oru' 2>/dev/null");
      xid = xid.substr(0, xid.find('\n'));
      if (xid.empty()) return false;
      *g = sdltest::WindowGeometry(xid);
      return g->width == width && g->height == height;
    });
    return g->width == width && g->height == height ? xid : std::string();
  }

  std::string program_, data_, work_;
  sdltest::Xvfb xvfb_;
  pid_t child_ = -1;
};

TEST_F(SdlProgram, WindowShowsTheShowF11GoesAndComesBackEscapeEndsIt) {
  Start({"--skip-settings", "--windowed", "--data", data_, "--frames", work_ + "/frames"});
  sdltest::Geometry place;
  std::string xid = DemoWindow(512, 384, &place);
  ASSERT_FALSE(xid.empty()) << "no 512x384 window appeared (last seen " << place.width << "x" << place.height
                            << "); the program said:\n" << Log();
  EXPECT_EQ(sdltest::Run("xdotool getwindowname " + xid), "dorsel @ oru\u00B4" "99\n");

  // The window shows a frame the show drew: one of the frames it has
  // written by the time the screenshot is taken.
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::directory_iterator(work_ + "/frames") !=
                                   std::filesystem::directory_iterator(); }));
  std::vector<uint32_t> shot = sdltest::Screenshot(kScreenWidth, kScreenHeight);
  ASSERT_FALSE(shot.empty());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(work_ + "/frames"))
    names.push_back(entry.path().string());
  std::sort(names.rbegin(), names.rend());  // newest first: names are the demo time
  bool found = false;
  for (size_t i = 0; i < names.size() && i < 60 && !found; ++i) {
    std::vector<uint32_t> frame = ReadPng(names[i]);
    if (frame.size() != 512 * 384) continue;  // still being written
    found = true;
    for (int y = 0; y < 384 && found; ++y)
      for (int x = 0; x < 512 && found; ++x)
        found = shot[size_t(place.y + y) * kScreenWidth + place.x + x] == frame[size_t(y) * 512 + x];
  }
  EXPECT_TRUE(found) << "the window shows none of the last frames the show wrote";

  sdltest::Run("xdotool windowfocus --sync " + xid + " key F11");
  EXPECT_TRUE(WaitFor([&] { return sdltest::WindowGeometry(xid).width == kScreenWidth; }))
      << "F11 did not go full screen";
  sdltest::Run("xdotool windowfocus --sync " + xid + " key F11");
  EXPECT_TRUE(WaitFor([&] {
    sdltest::Geometry g = sdltest::WindowGeometry(xid);
    return g.x == place.x && g.y == place.y && g.width == 512 && g.height == 384;
  })) << "the window did not come back to its place";

  sdltest::Run("xdotool windowfocus --sync " + xid + " key Escape");
  EXPECT_EQ(WaitForExit(), 0) << Log();

  std::vector<int16_t> samples = sdltest::ReadSamples(work_ + "/sound.raw");
  ASSERT_GT(samples.size(), 22050u) << "hardly any sound was written";
  EXPECT_GT(sdltest::LoudSamples(samples), samples.size() / 20) << "the sound is (nearly) silent";
}

// From the command line: --scale 2 makes the window 1024 × 768, and F9
// saves a shot in the folder the program was started in (not the data
// folder) and names it on standard output.
TEST_F(SdlProgram, ScaleTwoOpensTheWindowTwiceAsLargeAndF9SavesAShotWhereItStarted) {
  Start({"--skip-settings", "--windowed", "--scale", "2", "--nosound", "--data", data_});
  sdltest::Geometry g;
  std::string xid = DemoWindow(1024, 768, &g);
  ASSERT_FALSE(xid.empty()) << "no 1024x768 window appeared (last seen " << g.width << "x" << g.height
                            << "); the program said:\n" << Log();

  sdltest::Run("xdotool windowfocus --sync " + xid + " key F9");
  std::string prefix = "screenshot " + work_ + "/dorsel-";
  ASSERT_TRUE(WaitFor([&] { return Log().find(prefix) != std::string::npos; })) << Log();
  std::string log = Log();
  std::string path = log.substr(log.find(prefix) + 11, work_.size() + 19);
  EXPECT_EQ(path.substr(path.size() - 4), ".png") << log;
  EXPECT_EQ(testing_support::PngSize(path), std::make_pair(512, 384)) << path;
  EXPECT_FALSE(std::filesystem::exists(data_ + "/" + path.substr(work_.size() + 1))) << "written into the data folder";

  sdltest::Run("xdotool windowfocus --sync " + xid + " key Escape");
  EXPECT_EQ(WaitForExit(), 0) << Log();

  // A scale the 1024 x 768 screen cannot hold takes the largest that fits.
  Start({"--skip-settings", "--windowed", "--scale", "4", "--nosound", "--data", data_});
  xid = DemoWindow(1024, 768, &g);
  ASSERT_FALSE(xid.empty()) << "last seen " << g.width << "x" << g.height << "; the program said:\n" << Log();
  EXPECT_NE(Log().find("--scale 4 does not fit the 1024x768 screen; using --scale 2"), std::string::npos) << Log();
  sdltest::Run("xdotool windowfocus --sync " + xid + " key Escape");
  EXPECT_EQ(WaitForExit(), 0) << Log();
}

// What the listener hears is the module itself: the sound the show sent to
// the device, from the song's first sample on, equals the module rendered on
// its own at the same rate.
TEST_F(SdlProgram, SoundMatchesTheModuleRenderedOnItsOwn) {
  Start({"--skip-settings", "--windowed", "--mixrate", "44100", "--end", "3000", "--data", data_});
  ASSERT_EQ(WaitForExit(), 0) << Log();
  std::vector<int16_t> heard = sdltest::ReadSamples(work_ + "/sound.raw");

  std::ifstream song(data_ + "/what2xx.it", std::ios::binary);
  openmpt::module module(song);
  module.ctl_set_integer("dither", 0);
  std::vector<int16_t> alone(2 * 44100 * 3);
  size_t got = 0;
  while (got < alone.size() / 2) {
    size_t n = module.read_interleaved_stereo(44100, std::min<size_t>(1000, alone.size() / 2 - got),
                                              alone.data() + 2 * got);
    if (n == 0) break;
    got += n;
  }
  // Before the song starts (loading) the device plays silence; line the two
  // up on their first sound.
  auto firstSound = [](const std::vector<int16_t>& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == 0) ++i;
    return i & ~size_t(1);
  };
  size_t a = firstSound(heard), b = firstSound(alone);
  ASSERT_LT(a, heard.size()) << "the show wrote only silence";
  size_t compare = std::min({heard.size() - a, alone.size() - b, size_t(2 * 44100 * 2)});
  ASSERT_GT(compare, size_t(2 * 44100)) << "less than a second of sound was written";
  size_t differing = 0;
  int worst = 0;
  for (size_t i = 0; i < compare; ++i) {
    differing += heard[a + i] != alone[b + i];
    worst = std::max(worst, std::abs(heard[a + i] - alone[b + i]));
  }
  EXPECT_EQ(differing, 0u) << "of " << compare << " samples compared; the worst is " << worst << " off";
}

TEST_F(SdlProgram, WithoutADisplayItSaysSoAndPointsToHeadless) {
  child_ = fork();
  if (child_ == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    FILE* log = std::fopen((work_ + "/log.txt").c_str(), "w");
    if (log) dup2(fileno(log), 2);
    execl(program_.c_str(), program_.c_str(), "--skip-settings", "--data", data_.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int code = WaitForExit();
  EXPECT_NE(code, 0);
  EXPECT_NE(code, -1);
  std::string log = Log();
  EXPECT_NE(log.find("display"), std::string::npos) << log;
  EXPECT_NE(log.find("--headless"), std::string::npos) << log;
}

TEST_F(SdlProgram, CtrlCAndTermEndEveryStageInOrderWithTheShellsStatus) {
  const std::string empty = work_ + "/empty";
  std::filesystem::create_directories(empty);
  struct Case {
    const char* stage;
    std::vector<std::string> args;
    const char* window;  // what is on the screen when the signal comes
    int signal, status;
  };
  const Case cases[] = {
      {"the settings window", {"--data", data_}, "^dorsel settings$", SIGINT, 130},
      {"a box on the screen", {"--skip-settings", "--windowed", "--data", empty}, "^Fmod ERROR!$", SIGTERM, 143},
      {"the show", {"--skip-settings", "--windowed", "--nosound", "--data", data_}, "^dorsel @ oru", SIGINT, 130},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    Start(c.args);
    ASSERT_TRUE(WaitFor([&] {
      return !sdltest::Run(std::string("xdotool search --onlyvisible --name '") + c.window + "' 2>/dev/null").empty();
    })) << "it never showed " << c.window << "; the program said:\n" << Log();
    auto sent = std::chrono::steady_clock::now();
    kill(child_, c.signal);
    EXPECT_EQ(WaitForExit(), c.status) << Log();
    // Within a second is the aim; twice that leaves room for a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(2));
    if (c.signal == SIGTERM) {
      EXPECT_NE(Log().find("Fmod ERROR!: "), std::string::npos) << "the box's words on the terminal";
    }
  }
}

}  // namespace
