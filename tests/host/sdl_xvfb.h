// A private X server for the tests that need a real display, and the few
// X tools they drive it with (xdotool for input and window queries,
// ImageMagick's import for screenshots).
#pragma once
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/process.h"

namespace sdltest {

// Polls `done` every 20 ms, at most `tries` times: half a minute at least,
// as starting the show takes a while on a busy machine.
template <class Done>
bool WaitFor(Done done, int tries = 1500) {
  for (int i = 0; i < tries; ++i) {
    if (done()) return true;
    usleep(20000);
  }
  return false;
}

// Runs a shell command and returns its standard output.
inline std::string Run(const std::string& command) { return testing_support::RunCommand(command).out; }

inline bool OnPath(const std::string& program) { return !Run("command -v " + program).empty(); }

// The first window whose name matches `pattern`, "" if there is none.
inline std::string FindWindow(const std::string& pattern, bool visibleOnly = false) {
  std::string id = Run(std::string("xdotool search ") + (visibleOnly ? "--onlyvisible " : "") + "--name '" +
                       pattern + "' 2>/dev/null");
  return id.substr(0, id.find('\n'));
}

// Keys as a viewer types them into a window.
inline void Keys(const std::string& xid, const std::string& keys) {
  Run("xdotool windowfocus --sync " + xid + " key " + keys);
}

struct Geometry {
  int x = -1, y = -1, width = -1, height = -1;
};

// Where the X server has a window, from xwininfo.
inline Geometry WindowGeometry(const std::string& xid) {
  std::string info = Run("xwininfo -id " + xid + " 2>/dev/null");
  auto field = [&info](const std::string& name) {
    size_t at = info.find(name);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + name.size());
  };
  return {field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:")};
}

// A window's _NET_WM_ICON property as xprop prints it: width, height, then
// that many 0xAARRGGBB pixels. Empty when the window has none.
inline std::vector<uint32_t> WindowIcon(const std::string& xid) {
  std::string prop = Run("xprop -id " + xid + " -notype -f _NET_WM_ICON 32c _NET_WM_ICON 2>/dev/null");
  std::vector<uint32_t> numbers;
  if (prop.find('=') == std::string::npos) return numbers;
  for (size_t at = prop.find('='); at != std::string::npos && at + 1 < prop.size(); at = prop.find(',', at + 1))
    numbers.push_back(uint32_t(std::strtoul(prop.c_str() + at + 1, nullptr, 0)));
  return numbers;
}

// The 16-bit samples SDL's disk audio driver wrote.
inline std::vector<int16_t> ReadSamples(const std::string& path) {
  std::string bytes = testing_support::FileText(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Every pixel differs from its neighbours in some channel, so a picture
// shifted, sheared or scaled by one pixel cannot match.
inline uint32_t Pattern(int x, int y) {
  uint32_t r = uint32_t(x) & 255, g = uint32_t(y) & 255;
  uint32_t b = (uint32_t(x) * 7 + uint32_t(y) * 13 + (uint32_t(x) >> 8) * 101) & 255;
  return r << 16 | g << 8 | b;
}

// The grey ramp the 8-bit modes show a colour as.
inline uint32_t Grey(uint32_t rgb) {
  uint32_t v = ((rgb >> 16 & 255) + (rgb >> 8 & 255) + (rgb & 255)) >> 2;
  return v << 16 | v << 8 | v;
}

// A test on its own X server of the given size, which DISPLAY and SDL point
// at; skipped where the server or the X tools are missing.
template <int kWidth, int kHeight>
class OnXvfb : public ::testing::Test {
 protected:
  static constexpr int kScreenWidth = kWidth, kScreenHeight = kHeight;
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "import", "xwininfo", "xprop"})
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed; this test needs it";
    // A display number the server picks itself, so parallel tests never
    // collide; it writes the number once it is ready for clients.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    if ((xvfb_ = fork()) == 0) {
      close(fds[0]);
      dup2(open("/dev/null", O_WRONLY), 2);
      std::string fd = std::to_string(fds[1]), screen = std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24";
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-br",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    for (char ch; read(fds[0], &ch, 1) == 1 && ch != '\n';) number += ch;
    close(fds[0]);
    if (number.empty()) GTEST_SKIP() << "Xvfb did not start; this test needs a private X server";
    setenv("DISPLAY", (":" + number).c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
  }
  void TearDown() override {
    if (xvfb_ > 0) kill(xvfb_, SIGTERM), waitpid(xvfb_, nullptr, 0);
  }

  // The whole screen as 0x00RRGGBB pixels, row by row; empty if it failed.
  static std::vector<uint32_t> Screenshot() {
    std::string raw = sdltest::Run("import -window root -depth 8 rgb:- 2>/dev/null");
    std::vector<uint32_t> pixels;
    if (raw.size() != size_t(kWidth) * kHeight * 3) return pixels;
    pixels.resize(size_t(kWidth) * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = uint32_t(uint8_t(raw[3 * i])) << 16 | uint32_t(uint8_t(raw[3 * i + 1])) << 8 |
                  uint8_t(raw[3 * i + 2]);
    return pixels;
  }

  // "" when the screen shows `picture` (w × h) magnified `scale` times at
  // (left, top), every screen pixel of each square the picture's pixel, and
  // (with `bars`) black everywhere else; otherwise the first difference.
  // The screen may lag a present by a moment: `again` runs between looks.
  static std::string ScreenShows(const std::vector<uint32_t>& picture, int w, int h, int left, int top, int scale,
                                 bool bars, const std::function<void()>& again = [] { usleep(20000); }) {
    std::string last = "no screenshot";
    for (int attempt = 0; attempt < 20; ++attempt, again()) {
      std::vector<uint32_t> shot = Screenshot();
      if (shot.empty()) continue;
      last.clear();
      for (int sy = 0; sy < kHeight && last.empty(); ++sy) {
        bool rowInside = sy >= top && sy < top + h * scale;
        for (int sx = 0; sx < kWidth && (rowInside || bars); ++sx) {
          bool inside = rowInside && sx >= left && sx < left + w * scale;
          if (!inside && !bars) continue;
          uint32_t want = inside ? picture[size_t((sy - top) / scale) * w + (sx - left) / scale] : 0;
          uint32_t got = shot[size_t(sy) * kWidth + sx];
          if (got != want) {
            char text[160];
            std::snprintf(text, sizeof text, "screen (%d, %d) is %06X, expected %06X (%s)", sx, sy, unsigned(got),
                          unsigned(want), inside ? "picture" : "bar");
            last = text;
            break;
          }
        }
      }
      if (last.empty()) return last;
    }
    return last;
  }

  pid_t xvfb_ = -1;
};

}  // namespace sdltest
