// dorsel in a browser: the page's program. The address decides what it does.
//
//   (nothing)        the settings window as an HTML form; "Start Demo" plays
//                    a fresh show, its end brings the form back, "Exit" ends
//   ?start=MS        the same, each show begun at MS, music included
//   ?headless&start=MS&end=MS&fps=N&mmx=0|1
//                    the show on the virtual clock without sound, one line
//                    'frame T HASH' a frame, as the desktop's
//                    --headless --hashes prints them
//   ?benchmark       the show on the virtual clock as fast as it goes, and
//                    the time of each window's frames, as --headless
//                    --benchmark prints it
//
// The page (web/page/page.js) puts what the program prints into a <pre>
// element and onto the console, and fetches the data files into /data first.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "director/director.h"
#include "host/headless.h"
#include "host/web_backend.h"
#include "shell/demo.h"
#include "shell/startup.h"

namespace {

using Query = std::map<std::string, std::string>;

Query ParseQuery(const std::string& text) {
  Query query;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('&', at);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(at, end - at);
    if (!part.empty()) {
      size_t eq = part.find('=');
      query[part.substr(0, eq)] = eq == std::string::npos ? "" : part.substr(eq + 1);
    }
    at = end + 1;
  }
  return query;
}

// A whole number from lo to hi, or `fallback` when the query has none. A
// value that is no such number is said and ends the run.
bool Number(const Query& query, const std::string& name, long lo, long hi, long fallback, long* out) {
  auto it = query.find(name);
  if (it == query.end()) {
    *out = fallback;
    return true;
  }
  char* end = nullptr;
  long v = std::strtol(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end != '\0' || v < lo || v > hi) {
    std::printf("dorsel: %s takes a whole number from %ld to %ld, not '%s'\n", name.c_str(), lo, hi,
                it->second.c_str());
    return false;
  }
  *out = v;
  return true;
}

// The browser's turn, now and then: the lines printed so far reach the page,
// and the page stays alive while a run on the virtual clock takes minutes.
struct Turns {
  double lastMs = host::page::SteadyMs();
  // True when a turn was taken.
  bool Take(double everyMs) {
    if (host::page::SteadyMs() - lastMs < everyMs) return false;
    host::page::Yield(true);
    lastMs = host::page::SteadyMs();
    return true;
  }
};

int RunHashes(const Query& query) {
  long fps, mmx, start, end;
  if (!Number(query, "fps", 1, 1000, 60, &fps) || !Number(query, "mmx", 0, 1, 1, &mmx) ||
      !Number(query, "start", 0, 234000, 0, &start) || !Number(query, "end", 0, 1000000, -1, &end))
    return 2;
  if (end >= 0 && end < start) {
    std::printf("dorsel: end comes before start\n");
    return 2;
  }
  std::unique_ptr<host::Platform> platform = host::MakeHeadlessPlatform(int(fps));
  host::HeadlessBackend& headless = host::Headless(*platform);
  Demo demo(*platform);
  demo.skipSettings = true;
  // As the desktop's --no-mmx; without it the processor's bit decides,
  // which is set here as it is on x86-64.
  if (mmx == 0) demo.choices.useMmx = 0;
  demo.startOffsetMs = uint32_t(start);
  platform->player.SetStartOffsetMs(uint32_t(start));

  long frames = 0, lastPresents = 0;
  Turns turns;
  Driver driver;
  driver.afterFrame = [&] {
    uint32_t t = demo.clock.DemoTimeMs;
    bool presented = demo.display.presents != lastPresents;
    lastPresents = demo.display.presents;
    if (presented && demo.target.pixels)
      std::printf("frame %u %016llx\n", unsigned(t),
                  static_cast<unsigned long long>(FrameHash(demo.target.pixels)));
    ++frames;
    if (end >= 0 && t >= uint32_t(end))
      demo.platform.windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    headless.AdvanceFrame();
    turns.Take(100);
  };
  int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
  if (driver.shutdowns == 0) return 1;  // the show never ran; the reason was shown
  std::printf("frames %ld, last demo time %u ms, windows visited %d/%d\n", frames,
              unsigned(demo.clock.DemoTimeMs), WindowsVisited(demo.director), kScheduleWindows);
  return code;
}

// The time of every frame, gathered by the window that drew it, as the
// desktop's --benchmark does. The page has no processor-time clock, so only
// the wall clock's times are given; the browser's turns are left out of them.
int RunBenchmark() {
  using Clock = std::chrono::steady_clock;
  Clock::time_point started = Clock::now(), last;
  double loadingMs = -1, totalUs = 0;
  long frames = 0;
  std::array<std::vector<float>, kScheduleWindows + 1> perWindow;  // index 0: past the schedule

  std::unique_ptr<host::Platform> platform = host::MakeHeadlessPlatform(60);
  host::HeadlessBackend& headless = host::Headless(*platform);
  Demo demo(*platform);
  demo.skipSettings = true;
  Turns turns;
  Driver driver;
  driver.afterFrame = [&] {
    Clock::time_point now = Clock::now();
    uint32_t t = demo.clock.DemoTimeMs;
    if (loadingMs < 0) {
      loadingMs = std::chrono::duration<double, std::milli>(now - started).count();
    } else {
      double us = std::chrono::duration<double, std::micro>(now - last).count();
      int w = ScheduleWindow(t);
      perWindow[w >= 1 && w <= kScheduleWindows ? size_t(w) : 0].push_back(float(us));
      totalUs += us;
      ++frames;
    }
    headless.AdvanceFrame();
    last = turns.Take(250) ? Clock::now() : now;
  };
  int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
  if (driver.shutdowns == 0) return 1;
  auto percentile = [](std::vector<float> v, double p) {
    size_t k = std::min(v.size() - 1, size_t(p * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
  };
  std::printf("window  frames  median_us   p95_us\n");
  for (int w = 1; w <= kScheduleWindows; ++w) {
    const std::vector<float>& v = perWindow[size_t(w)];
    if (v.empty()) continue;
    std::printf("%6d  %6zu  %9.1f  %7.1f\n", w, v.size(), double(percentile(v, 0.5)),
                double(percentile(v, 0.95)));
  }
  std::printf("overall: %.0f frames/s, memory %.1f MiB, loading %.0f ms\n",
              totalUs > 0 ? frames * 1e6 / totalUs : 0.0, double(host::page::MemoryBytes()) / 1048576,
              loadingMs < 0 ? 0.0 : loadingMs);
  return code;
}

// F9's shots are written into the file system; the viewer gets each as a
// download.
void OfferShots(Screenshots& shots, size_t* offered) {
  std::vector<std::string> written = shots.Written();
  for (; *offered < written.size(); ++*offered) {
    const std::string& path = written[*offered];
    host::page::Download(path, path.substr(path.rfind('/') + 1));
  }
}

int RunPage(const Query& query) {
  long start;
  if (!Number(query, "start", 0, 234000, 0, &start)) {
    host::page::Close("dorsel could not start the show.", true);
    return 2;
  }
  mkdir("/shots", 0755);
  for (;;) {
    std::unique_ptr<host::Platform> platform = host::MakeWebPlatform();
    Demo demo(*platform);
    demo.skipSettings = false;
    demo.screenshots.folder = "/shots";
    demo.startOffsetMs = uint32_t(start);
    platform->player.SetStartOffsetMs(uint32_t(start));
    size_t offered = 0;
    Driver driver;
    driver.afterFrame = [&] { OfferShots(demo.screenshots, &offered); };
    int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
    demo.screenshots.Wait();
    OfferShots(demo.screenshots, &offered);
    // "Exit", or a show that could not start (its box has said why).
    if (!demo.settings.startRequested) {
      host::page::Close("dorsel has ended.");
      return code;
    }
    if (driver.shutdowns == 0) {
      host::page::Close("dorsel could not start the show.", true);
      return code;
    }
    // The show is over: the settings window comes back for the next one.
  }
}

}  // namespace

int main() {
  Query query = ParseQuery(host::page::Query());
  // The page put the data files here.
  if (chdir("/data") != 0) {
    std::printf("dorsel: the data files are missing\n");
    return 2;
  }
  int code;
  if (query.count("benchmark")) code = RunBenchmark();
  else if (query.count("headless")) code = RunHashes(query);
  else code = RunPage(query);
  std::fflush(stdout);
  host::page::Finished(code);
  return code;
}
