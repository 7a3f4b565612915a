// A private X server for the tests that need a real display, and the few
// X tools they drive it with (xdotool for input and window queries,
// ImageMagick's import for screenshots).
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace sdltest {

// Polls `done` every 20 ms, at most `tries` times.
template <class Done>
bool WaitFor(Done done, int tries = 500) {
  for (int i = 0; i < tries; ++i) {
    if (done()) return true;
    usleep(20000);
  }
  return false;
}

inline bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

// Runs a shell command and returns its standard output; `status` gets the
// exit code (-1 if it could not run).
inline std::string Run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

class Xvfb {
 public:
  ~Xvfb() { Stop(); }

  // Starts a server on a display number it picks itself (so parallel tests
  // never collide) and returns once it accepts clients.
  bool Start(int width, int height, std::string* why) {
    if (!OnPath("Xvfb")) {
      *why = "Xvfb is not installed";
      return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
      *why = "pipe failed";
      return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      FILE* null = std::fopen("/dev/null", "w");
      if (null) dup2(fileno(null), 2);
      std::string fd = std::to_string(fds[1]);
      std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-br", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it is ready for clients.
    std::string number;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    if (number.empty()) {
      *why = "Xvfb did not start";
      Stop();
      return false;
    }
    display_ = ":" + number;
    return true;
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The whole screen as 0x00RRGGBB pixels, row by row.
inline std::vector<uint32_t> Screenshot(int width, int height) {
  std::string raw = Run("import -window root -depth 8 rgb:- 2>/dev/null");
  std::vector<uint32_t> pixels;
  if (raw.size() != size_t(width) * height * 3) return pixels;
  pixels.resize(size_t(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = uint32_t(uint8_t(raw[3 * i])) << 16 | uint32_t(uint8_t(raw[3 * i + 1])) << 8 |
                uint8_t(raw[3 * i + 2]);
  return pixels;
}

struct Geometry {
  int x = -1, y = -1, width = -1, height = -1;
};

// Where the X server has a window, from xwininfo.
inline Geometry WindowGeometry(const std::string& xid) {
  std::string info = Run("xwininfo -id " + xid + " 2>/dev/null");
  Geometry g;
  auto field = [&info](const char* name) {
    size_t at = info.find(name);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + std::string(name).size());
  };
  g.x = field("Absolute upper-left X:");
  g.y = field("Absolute upper-left Y:");
  g.width = field("Width:");
  g.height = field("Height:");
  return g;
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
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// How many samples stand clearly above the noise floor.
inline size_t LoudSamples(const std::vector<int16_t>& samples) {
  size_t loud = 0;
  for (int16_t s : samples) loud += std::abs(int(s)) > 256;
  return loud;
}

}  // namespace sdltest
