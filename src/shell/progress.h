// The progress line of a headless run on a terminal: how far the show is,
// how fast it is drawn and how long the rest will take.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

struct Progress {
  int window = 0;          // 1..22, 0 past the end
  uint32_t demoMs = 0;     // the frame's demo time
  uint32_t fromMs = 0;     // where the run began
  uint32_t toMs = 0;       // where it will end
  double framesPerSecond = 0;  // frames drawn per second of real time
  double secondsLeft = -1;     // real time still to go; negative while unknown
};

// One line, without a line end, e.g.
// "[######------------------] window  2/22   31.4 s   412 fps   0:12 left".
std::string ProgressLine(const Progress& progress);

// Redraws the line in place (carriage return) a few times a second.
class ProgressMeter {
 public:
  ProgressMeter(std::FILE* out, uint32_t fromMs, uint32_t toMs);
  void Frame(int window, uint32_t demoMs);
  void Finish();  // the last state, then a line end

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(int window, uint32_t demoMs);
  std::FILE* out_;
  uint32_t fromMs_, toMs_;
  Clock::time_point started_, lastDrawn_;
  long frames_ = 0;
  int window_ = 0;
  uint32_t demoMs_ = 0;
  bool drawn_ = false;
};
