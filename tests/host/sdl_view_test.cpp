// The whole show on the SDL backend and a private 1920 × 1080 X server, as a
// viewer of today sees it: a window twice the size showing the show's frame
// with every pixel a sharp 2 × 2 square, F9 saving exactly the picture on
// the screen, F11 to full screen at the largest whole scale between black
// bars and back to the same place, and Escape ending the show.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/present.h"
#include "host/sdl_backend.h"
#include "sdl_xvfb.h"
#include "shell/demo.h"
#include "shell/startup.h"
#include "support/png_read.h"

namespace {

using sdltest::Pattern;

// Writes the pattern into the show's frame and returns the picture it
// should make in a w × h mode: the frame centred, grey at 8 bits.
std::vector<uint32_t> DrawPattern(Demo& demo, int w, int h, bool grey) {
  std::vector<uint32_t> expected(size_t(w) * h, 0);
  for (int y = 0; y < 384; ++y)
    for (int x = 0; x < 512; ++x) {
      demo.target.pixels[y * 512 + x] = Pattern(x, y);
      expected[size_t(y + (h - 384) / 2) * w + x + (w - 512) / 2] = grey ? sdltest::Grey(Pattern(x, y)) : Pattern(x, y);
    }
  return expected;
}

class SdlView : public sdltest::OnXvfb<1920, 1080> {
 protected:
  void SetUp() override {
    OnXvfb::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    data_ = std::string(DORSEL_BINARY_DIR) + "/data";
    if (access((data_ + "/what2xx.it").c_str(), R_OK) != 0) GTEST_SKIP() << "the build has not written " << data_;
    shots_ = testing::TempDir() + "sdl_view_" + std::to_string(getpid());
    std::filesystem::create_directories(shots_);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    cwd_ = here;
    ASSERT_EQ(chdir(data_.c_str()), 0);
  }

  void TearDown() override {
    if (!cwd_.empty()) { EXPECT_EQ(chdir(cwd_.c_str()), 0); }
    if (!shots_.empty()) std::filesystem::remove_all(shots_);
    OnXvfb::TearDown();
  }

  // How the show starts, and where its full-screen picture (the mode
  // magnified twice) should appear.
  struct Run {
    int windowed, videoMode, scale, left, top;
  };

  // Runs the show until its window has its size, checks it from inside a
  // frame (so no new frame is drawn meanwhile), then ends it with Escape;
  // returns the problems seen.
  std::vector<std::string> Play(const Run& run) {
    std::vector<std::string> problems;
    std::string error;
    auto platform = host::MakeSdlPlatform(&error);
    if (!platform) return {"no SDL platform: " + error};
    host::Sdl(*platform).boxesToStderr = true;
    host::Sdl(*platform).windowScale = run.scale;
    Demo demo(*platform);
    demo.skipSettings = true;
    demo.choices.windowed = run.windowed;
    demo.choices.videoMode = run.videoMode;
    demo.choices.noSound = 1;  // the wall clock: no sound device needed
    demo.startOffsetMs = 30000;
    demo.screenshots.folder = shots_;
    long frames = 0;
    bool checked = false;
    std::string xid;
    Driver driver;
    driver.afterFrame = [&] {
      if (++frames == 3000) {
        problems.push_back(checked ? "Escape did not end the show" : "the window never got to its size");
        platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
      }
      if (checked || frames < 5 || (xid.empty() && (xid = sdltest::FindWindow("^dorsel @ oru")).empty())) return;
      sdltest::Geometry g = sdltest::WindowGeometry(xid);
      if (g.width < 0) xid.clear();  // replaced by a new window of the same name: look again
      if (g.width != (run.windowed ? 512 * run.scale : kScreenWidth) ||
          g.height != (run.windowed ? 384 * run.scale : kScreenHeight))
        return;  // not there yet
      checked = true;
      Check(demo, *platform, run, xid, g, problems);
      sdltest::Keys(xid, "Escape");
    };
    int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
    if (code != 0 || driver.shutdowns != 1)
      problems.push_back("the show ended with " + std::to_string(code) + " after " + std::to_string(driver.shutdowns) +
                         " shutdowns");
    if (!checked) problems.push_back("the show ended before the checks ran");
    return problems;
  }

  void Check(Demo& demo, host::Platform& platform, const Run& run, const std::string& xid, const sdltest::Geometry& g,
             std::vector<std::string>& problems) {
    auto expect = [&](const std::string& what, const std::string& mismatch) {
      if (!mismatch.empty()) problems.push_back(what + ": " + mismatch);
    };
    auto pumpUntil = [&platform](const std::function<bool()>& done) {
      host::Msg m;
      for (int i = 0; i < 500; ++i) {
        while (platform.windows.PeekMessage(&m, true)) platform.windows.DispatchMessage(m);
        if (done()) return true;
        SDL_Delay(10);
      }
      return false;
    };
    const VideoMode& mode = kVideoModes[run.videoMode];
    int w = run.windowed ? 512 : mode.width, h = run.windowed ? 384 : mode.height;
    int left = run.windowed ? g.x : run.left, top = run.windowed ? g.y : run.top;
    if (run.windowed) {
      // In a window the show draws into the off-screen surface and blits
      // it into the client area.
      const host::Surface* off = demo.display.offscreen;
      std::vector<uint32_t> frame;
      for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
          frame.push_back(reinterpret_cast<const uint32_t*>(off->memory.data() + size_t(y) * off->pitch)[x] & 0xFFFFFF);
      expect("the show's frame in the window", ScreenShows(frame, 512, 384, left, top, 2, false));
    }
    std::vector<uint32_t> expected = DrawPattern(demo, w, h, !run.windowed && mode.bitsPerPixel == 8);
    if (run.windowed) {
      platform.windows.SendMessage(demo.MainWindow, host::WM_PAINT, 0, 0);  // the desktop's repaint request
    } else {
      PresentFrame(demo.display);
    }
    expect("the pattern on the screen", ScreenShows(expected, w, h, left, top, 2, !run.windowed));

    // F9 as a viewer presses it.
    sdltest::Keys(xid, "F9");
    pumpUntil([&] { return !demo.screenshots.writers.empty(); });
    demo.screenshots.Wait();
    std::vector<std::string> written = demo.screenshots.Written();
    if (written.size() != 1) return problems.push_back("F9 wrote " + std::to_string(written.size()) + " files");
    if (written[0] != shots_ + "/" + ScreenshotName(demo.clock.DemoTimeMs))
      problems.push_back("the shot is called " + written[0]);
    testing_support::RgbImage png = testing_support::ReadRgbPng(written[0]);
    if (png.width != w || png.height != h || png.pixels != expected)
      problems.push_back("the shot is not the picture on the screen");
    if (!run.windowed) return;

    // F11 there and back: in full screen the mode is magnified twice,
    // the cursor is hidden, and the window comes back at its place.
    sdltest::Keys(xid, "F11");
    if (!pumpUntil([&] { return !demo.settings.windowed && sdltest::WindowGeometry(xid).width == kScreenWidth; }))
      return problems.push_back("F11 did not go full screen");
    BeginFrame(demo.display);  // the full-screen frame: the window's surface went with the switch
    expected = DrawPattern(demo, mode.width, mode.height, mode.bitsPerPixel == 8);
    PresentFrame(demo.display);
    expect("a frame in full screen", ScreenShows(expected, mode.width, mode.height, run.left, run.top, 2, true));
    if (SDL_ShowCursor(SDL_QUERY) != SDL_DISABLE) problems.push_back("the cursor shows in full screen");
    sdltest::Keys(xid, "F11");
    sdltest::Geometry back;
    if (!pumpUntil([&] {
          back = sdltest::WindowGeometry(xid);
          return demo.settings.windowed && back.x == g.x && back.y == g.y && back.width == g.width &&
                 back.height == g.height;
        }))
      return problems.push_back("back from full screen the window is " + std::to_string(back.width) + "x" +
                                std::to_string(back.height) + " at " + std::to_string(back.x) + "," + std::to_string(back.y));
    // The desktop moves the window: the window system hears of it, and the
    // next paint lands at the new place.
    sdltest::Run("xdotool windowmove " + xid + " 333 222");
    host::Rect r;
    if (!pumpUntil([&] { return platform.windows.GetWindowRect(demo.MainWindow, &r) && r.left == 333 && r.top == 222; }))
      return problems.push_back("the window system did not hear of the move");
    host::Surface* off = demo.display.offscreen;  // written directly: frames reach it only as the show draws them
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x) reinterpret_cast<uint32_t*>(off->memory.data() + size_t(y) * off->pitch)[x] = Pattern(x, y);
    expected = DrawPattern(demo, 512, 384, false);
    auto paint = [&] { pumpUntil([] { return true; }), platform.windows.SendMessage(demo.MainWindow, host::WM_PAINT, 0, 0); };
    paint();
    expect("the pattern in the moved window", ScreenShows(expected, 512, 384, 333, 222, 2, false, paint));
  }

  std::string data_, shots_, cwd_;
};

// F11 goes to 640 × 480 with the grey palette, which fits twice: 1280 × 960
// at (320, 60).
TEST_F(SdlView, ScaleTwoDoublesEveryPixelOfTheWindowF9SavesItAndF11GoesAndComesBack) {
  for (const std::string& p : Play(Run{1, 5, 2, 320, 60})) ADD_FAILURE() << p;
}

// 512 × 384 fits twice (three times would need 1152 rows): 1024 × 768 at
// (448, 156); 640 × 480 also twice, at (320, 60). With the 8-bit mode F11
// goes to above, every depth is seen.
TEST_F(SdlView, FullScreenIsCentredAtTheLargestWholeScaleBetweenBlackBars) {
  for (const Run& run : {Run{0, 1, 1, 448, 156}, Run{0, 3, 1, 320, 60}}) {
    SCOPED_TRACE(kVideoModes[run.videoMode].label);
    for (const std::string& p : Play(run)) ADD_FAILURE() << p;
  }
}

}  // namespace
