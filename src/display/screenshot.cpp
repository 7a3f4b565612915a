#include "display/screenshot.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/png_writer.h"

void Screenshots::Wait() {
  for (std::jthread& t : writers)
    if (t.joinable()) t.join();
  writers.clear();
}

std::vector<std::string> Screenshots::Written() {
  std::lock_guard<std::mutex> guard(lock);
  return written;
}

std::string ScreenshotName(uint32_t demoTimeMs) {
  char name[32];
  std::snprintf(name, sizeof name, "dorsel-%07u.png", unsigned(demoTimeMs));
  return name;
}

void InstallScreenshotKey(Screenshots& shots, host::WindowSystem& windows, const DemoClock& clock) {
  windows.SetScreenshotHandler([&shots, &clock](host::HWND, host::Picture&& picture) {
    // The clock still holds the time of the frame on the screen.
    std::string name = ScreenshotName(clock.DemoTimeMs);
    std::string path = shots.folder.empty() ? name : shots.folder + "/" + name;
    shots.writers.emplace_back([&shots, path, picture = std::move(picture)] {
      if (!WritePng(path, picture.pixels.data(), picture.width, picture.height)) {
        std::fprintf(stderr, "dorsel: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return;
      }
      std::lock_guard<std::mutex> guard(shots.lock);
      shots.written.push_back(path);
      std::printf("screenshot %s\n", path.c_str());
      std::fflush(stdout);
    });
  });
}
