// What a viewer of today sees on a 1920 × 1080 screen (a private X server):
// a window twice the size with every pixel a sharp 2 × 2 square, full
// screen at the largest whole scale centred between black bars, and F9
// saving exactly the picture on the screen.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/sdl_backend.h"
#include "sdl_xvfb.h"
#include "shell/demo.h"
#include "shell/startup.h"
#include "support/png_read.h"

namespace {

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

uint32_t Pattern(int x, int y) {
  return uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8 | uint32_t((x * 7 + y * 13) & 255);
}

uint32_t Grey(uint32_t rgb) {
  uint32_t v = ((rgb >> 16 & 255) + (rgb >> 8 & 255) + (rgb & 255)) >> 2;
  return v << 16 | v << 8 | v;
}

std::string WindowId() {
  std::string id = sdltest::Run("xdotool search --name '^dorsel @ oru' 2>/dev/null");
  return id.substr(0, id.find('\n'));
}

// "" when the screen shows `picture` (w × h) magnified `scale` times at
// (left, top), every screen pixel of each square the picture's pixel, and
// (with `bars`) black everywhere else; otherwise the first difference.
// The screen may lag the present by a moment, so it is looked at a few times.
std::string ScreenShows(const std::vector<uint32_t>& picture, int w, int h, int left, int top, int scale,
                        bool bars) {
  std::string last = "no screenshot";
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::vector<uint32_t> shot = sdltest::Screenshot(kScreenWidth, kScreenHeight);
    if (shot.empty()) continue;
    last.clear();
    for (int sy = 0; sy < kScreenHeight && last.empty(); ++sy) {
      bool rowInside = sy >= top && sy < top + h * scale;
      if (!rowInside && !bars) continue;
      for (int sx = 0; sx < kScreenWidth; ++sx) {
        bool inside = rowInside && sx >= left && sx < left + w * scale;
        if (!inside && !bars) continue;
        uint32_t want = inside ? picture[size_t((sy - top) / scale) * w + (sx - left) / scale] : 0;
        uint32_t got = shot[size_t(sy) * kScreenWidth + sx];
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
    SDL_Delay(20);
  }
  return last;
}

class SdlView : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"xdotool", "import", "xwininfo"})
      if (!sdltest::OnPath(tool)) GTEST_SKIP() << tool << " is not installed; this test needs it";
    data_ = std::string(DORSEL_BINARY_DIR) + "/data";
    if (access((data_ + "/what2xx.it").c_str(), R_OK) != 0)
      GTEST_SKIP() << "the build has not written the data files into " << data_;
    std::string why;
    if (!xvfb_.Start(kScreenWidth, kScreenHeight, &why)) GTEST_SKIP() << why << "; this test needs it";
    setenv("DISPLAY", xvfb_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    shots_ = testing::TempDir() + "sdl_view_" + std::to_string(getpid());
    std::filesystem::create_directories(shots_);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    cwd_ = here;
    ASSERT_EQ(chdir(data_.c_str()), 0);
  }

  void TearDown() override {
    if (!cwd_.empty()) {
      EXPECT_EQ(chdir(cwd_.c_str()), 0);
    }
    if (!shots_.empty()) std::filesystem::remove_all(shots_);
    xvfb_.Stop();
  }

  struct Run {
    int windowed, videoMode, scale;
    // Where the picture should appear and how large: from the window's
    // place when windowed, fixed for full screen.
    int left, top, magnify;
  };

  // Runs the show until it has painted the pattern, compared the screen,
  // taken an F9 shot and compared that; returns the problems seen.
  std::vector<std::string> Play(const Run& run) {
    std::vector<std::string> problems;
    std::string error;
    auto platform = host::MakeSdlPlatform(&error);
    if (!platform) return {"no SDL platform: " + error};
    host::SdlBackend& sdl = host::Sdl(*platform);
    sdl.boxesToStderr = true;
    sdl.windowScale = run.scale;
    Demo demo(*platform);
    demo.skipSettings = true;
    demo.choices.windowed = run.windowed;
    demo.choices.videoMode = run.videoMode;
    demo.choices.noSound = 1;  // the wall clock: no sound device needed
    demo.startOffsetMs = 30000;
    demo.screenshots.folder = shots_;
    long frames = 0;
    bool done = false;
    std::string xid;
    Driver driver;
    driver.afterFrame = [&] {
      if (done) return;
      if (++frames > 3000) {
        problems.push_back("the window never got to its size");
        done = true;
      }
      if (done) {
        platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
        return;
      }
      if (frames < 5) return;
      if (xid.empty()) xid = WindowId();
      if (xid.empty()) return;
      sdltest::Geometry g = sdltest::WindowGeometry(xid);
      if (g.width < 0) xid.clear();  // replaced by a new window of the same name: look again
      int wantW = run.windowed ? 512 * run.scale : kScreenWidth;
      int wantH = run.windowed ? 384 * run.scale : kScreenHeight;
      if (g.width != wantW || g.height != wantH) return;  // not there yet
      done = true;
      Check(demo, *platform, run, xid, g, problems);
      platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    };
    int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
    if (code != 0) problems.push_back("the show ended with " + std::to_string(code));
    if (!done) problems.push_back("the show ended before the checks ran");
    return problems;
  }

  // Paints the pattern, looks at the screen, presses F9 and looks at the shot.
  void Check(Demo& demo, host::Platform& platform, const Run& run, const std::string& xid,
           const sdltest::Geometry& g, std::vector<std::string>& problems) {
    const VideoMode& mode = kVideoModes[run.videoMode];
    int shownW = run.windowed ? 512 : mode.width, shownH = run.windowed ? 384 : mode.height;

    // The pattern, drawn the way the show draws a frame in this mode.
    std::vector<uint32_t> expected(size_t(shownW) * shownH, 0);
    int inX = (shownW - 512) / 2, inY = (shownH - 384) / 2;
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x) {
        demo.target.pixels[y * 512 + x] = Pattern(x, y);
        uint32_t p = Pattern(x, y);
        expected[size_t(inY + y) * shownW + inX + x] = (!run.windowed && mode.bitsPerPixel == 8) ? Grey(p) : p;
      }
    if (run.windowed) {
      platform.windows.SendMessage(demo.MainWindow, host::WM_PAINT, 0, 0);  // blits the surface
    } else {
      PresentFrame(demo.display);
    }
    int left = run.windowed ? g.x : run.left, top = run.windowed ? g.y : run.top;
    std::string mismatch = ScreenShows(expected, shownW, shownH, left, top, run.magnify, !run.windowed);
    if (!mismatch.empty()) problems.push_back("the pattern on the screen: " + mismatch);

    // F9 as a viewer presses it; the messages are handled here, between
    // frames, the way the frame loop would, so no new frame is drawn.
    sdltest::Run("xdotool windowfocus --sync " + xid + " key F9");
    host::Msg msg;
    for (int i = 0; i < 500 && demo.screenshots.writers.empty(); ++i) {
      while (platform.windows.PeekMessage(&msg, true)) platform.windows.DispatchMessage(msg);
      SDL_Delay(10);
    }
    demo.screenshots.Wait();
    std::vector<std::string> written = demo.screenshots.Written();
    if (written.size() != 1) {
      problems.push_back("F9 wrote " + std::to_string(written.size()) + " files");
      return;
    }
    if (written[0] != shots_ + "/" + ScreenshotName(demo.clock.DemoTimeMs))
      problems.push_back("the shot is called " + written[0]);
    testing_support::RgbImage png = testing_support::ReadRgbPng(written[0]);
    if (png.width != shownW || png.height != shownH)
      problems.push_back("the shot is " + std::to_string(png.width) + "x" + std::to_string(png.height));
    else if (png.pixels != expected)
      problems.push_back("the shot is not the picture on the screen");
    // And it is what the screen shows, square by square.
    mismatch = ScreenShows(png.pixels, png.width, png.height, left, top, run.magnify, !run.windowed);
    if (!mismatch.empty()) problems.push_back("the shot against the screen: " + mismatch);

    if (!run.windowed) return;
    // F11 there and back: the window comes back at its place, still scaled.
    auto pumpUntil = [&platform](const std::function<bool()>& done) {
      host::Msg m;
      for (int i = 0; i < 500; ++i) {
        while (platform.windows.PeekMessage(&m, true)) platform.windows.DispatchMessage(m);
        if (done()) return true;
        SDL_Delay(10);
      }
      return false;
    };
    sdltest::Run("xdotool windowfocus --sync " + xid + " key F11");
    if (!pumpUntil([&] { return !demo.settings.windowed && sdltest::WindowGeometry(xid).width == kScreenWidth; }))
      problems.push_back("F11 did not go full screen");
    sdltest::Run("xdotool windowfocus --sync " + xid + " key F11");
    sdltest::Geometry back;
    if (!pumpUntil([&] {
          back = sdltest::WindowGeometry(xid);
          return demo.settings.windowed && back.x == g.x && back.y == g.y && back.width == g.width &&
                 back.height == g.height;
        }))
      problems.push_back("back from full screen the window is " + std::to_string(back.width) + "x" +
                         std::to_string(back.height) + " at " + std::to_string(back.x) + "," + std::to_string(back.y));
  }

  std::string data_, shots_, cwd_;
  sdltest::Xvfb xvfb_;
};

TEST_F(SdlView, ScaleTwoDoublesEveryPixelOfTheWindowAndF9SavesIt) {
  for (const std::string& p : Play(Run{1, 0, 2, 0, 0, 2})) ADD_FAILURE() << p;
}

TEST_F(SdlView, FullScreenIsCentredAtTheLargestWholeScaleBetweenBlackBars) {
  // 512 × 384 fits twice (three times would need 1152 rows): 1024 × 768 at
  // (448, 156). 640 × 480 in grey also fits twice: 1280 × 960 at (320, 60).
  const Run runs[] = {{0, 0, 1, 448, 156, 2}, {0, 5, 1, 320, 60, 2}};
  for (const Run& run : runs) {
    SCOPED_TRACE("mode " + std::to_string(run.videoMode));
    for (const std::string& p : Play(run)) ADD_FAILURE() << p;
  }
}

}  // namespace
