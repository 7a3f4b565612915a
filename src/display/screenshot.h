// The screenshot key: F9 writes what the demo window shows as a PNG named
// by the demo time, without holding up the show.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "host/window_system.h"

struct Screenshots {
  Screenshots() = default;
  Screenshots(const Screenshots&) = delete;
  Screenshots& operator=(const Screenshots&) = delete;
  // The writers use the members below, so they finish before any goes.
  ~Screenshots() { Wait(); }

  std::string folder;  // where the files go; empty for the working folder
  // Each shot is compressed and written on a thread of its own, so a frame
  // never waits for zlib.
  std::vector<std::jthread> writers;
  std::mutex lock;
  std::vector<std::string> written;  // paths written so far, in the order they completed

  void Wait();  // until every shot taken so far is on disk
  std::vector<std::string> Written();
};

// "dorsel-0030000.png" for 30000 ms: seven digits, so the names sort by time.
std::string ScreenshotName(uint32_t demoTimeMs);

// Lets F9 in any of the show's windows take a shot.
// The shot is named by the time on `clock`.
void InstallScreenshotKey(Screenshots& shots, host::WindowSystem& windows, const DemoClock& clock);
