#include "shell/progress.h"

#include <algorithm>
#include <cmath>

#include "director/director.h"

namespace {
constexpr int kBarCells = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

std::string ProgressLine(const Progress& p) {
  double span = p.toMs > p.fromMs ? double(p.toMs - p.fromMs) : 1.0;
  double done = p.demoMs > p.fromMs ? double(p.demoMs - p.fromMs) / span : 0.0;
  int cells = int(std::clamp(done, 0.0, 1.0) * kBarCells);
  std::string bar(size_t(kBarCells) + 2, '-');
  bar.front() = '[', bar.back() = ']';
  std::fill_n(bar.begin() + 1, cells, '#');
  char left[32] = "--:-- left";
  if (p.secondsLeft >= 0) {
    long s = std::lround(p.secondsLeft);
    std::snprintf(left, sizeof left, "%ld:%02ld left", s / 60, s % 60);
  }
  char line[128];
  std::snprintf(line, sizeof line, "%s window %2d/%d %7.1f s %5.0f fps %s", bar.c_str(), p.window,
                kScheduleWindows, p.demoMs / 1000.0, p.framesPerSecond, left);
  return line;
}

ProgressMeter::ProgressMeter(std::FILE* out, uint32_t fromMs, uint32_t toMs)
    : out_(out), fromMs_(fromMs), toMs_(toMs), started_(Clock::now()), lastDrawn_(started_) {}

void ProgressMeter::Frame(int window, uint32_t demoMs) {
  ++frames_;
  window_ = window;
  demoMs_ = demoMs;
  Clock::time_point now = Clock::now();
  if (drawn_ && now - lastDrawn_ < kRedrawEvery) return;
  lastDrawn_ = now;
  Draw(window, demoMs);
}

void ProgressMeter::Draw(int window, uint32_t demoMs) {
  Progress p{window, demoMs, fromMs_, toMs_, 0, -1};
  double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  if (seconds > 0) {
    p.framesPerSecond = frames_ / seconds;
    // Demo time covered per real second so far gives the rest.
    double covered = demoMs > fromMs_ ? double(demoMs - fromMs_) : 0.0;
    double rest = toMs_ > demoMs ? double(toMs_ - demoMs) : 0.0;
    if (covered > 0) p.secondsLeft = rest * seconds / covered;
  }
  std::fprintf(out_, "\r%s", ProgressLine(p).c_str());
  std::fflush(out_);
  drawn_ = true;
}

void ProgressMeter::Finish() {
  Draw(window_, demoMs_);
  std::fputc('\n', out_);
  std::fflush(out_);
}
