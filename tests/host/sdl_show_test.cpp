// The whole show on the SDL backend and a private X server: the picture on
// the screen is the frame the show drew, F11 goes full screen and back to
// the same place, Escape ends the show with 0, and the sound is not silent.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/sdl_backend.h"
#include "sdl_xvfb.h"
#include "shell/demo.h"
#include "display/present.h"
#include "shell/startup.h"

namespace {

constexpr int kScreenWidth = 1280, kScreenHeight = 800;  // 16:10, so full screen has side bars

// Where the test is in its script; each step waits for the show to get there.
enum class Step { FirstLook, GoFullScreen, LookFullScreen, GoBack, LookBack, Quit };

class SdlShow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"xdotool", "import", "xwininfo"})
      if (!sdltest::OnPath(tool)) GTEST_SKIP() << tool << " is not installed; the show test needs it";
    data_ = std::string(DORSEL_BINARY_DIR) + "/data";
    if (access((data_ + "/what2xx.it").c_str(), R_OK) != 0)
      GTEST_SKIP() << "the build has not written the data files into " << data_;
    std::string why;
    if (!xvfb_.Start(kScreenWidth, kScreenHeight, &why))
      GTEST_SKIP() << why << "; the show test needs a private X server";
    audio_ = testing::TempDir() + "sdl_show_" + std::to_string(getpid()) + ".raw";
    setenv("DISPLAY", xvfb_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audio_.c_str(), 1);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    cwd_ = here;
    ASSERT_EQ(chdir(data_.c_str()), 0);
  }

  void TearDown() override {
    if (!cwd_.empty()) {
      EXPECT_EQ(chdir(cwd_.c_str()), 0);
    }
    if (!audio_.empty()) std::remove(audio_.c_str());
    xvfb_.Stop();
  }

  std::string data_, audio_, cwd_;
  sdltest::Xvfb xvfb_;
};

std::string WindowId() {
  std::string id = sdltest::Run("xdotool search --name '^dorsel @ oru' 2>/dev/null");
  return id.substr(0, id.find('\n'));
}

void Press(const std::string& xid, const char* key) {
  sdltest::Run("xdotool windowfocus --sync " + xid + " key " + key);
}

// Every pixel differs from its neighbours, so a shifted or misscaled
// picture cannot pass for it.
uint32_t Pattern(int x, int y) {
  return uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8 | uint32_t((x * 7 + y * 13) & 255);
}

uint32_t Grey(uint32_t rgb) {
  uint32_t v = ((rgb >> 16 & 255) + (rgb >> 8 & 255) + (rgb & 255)) >> 2;
  return v << 16 | v << 8 | v;
}

// Compares the screen with a 512 × 384 picture whose pixel (x, y) should
// show as `colour(x, y)` at (left + (x + 0.5) · scale, top + (y + 0.5) · scale).
// The show is held inside its frame hook meanwhile, so the screen can only
// catch up with it.
std::string ScreenShows(const std::function<uint32_t(int, int)>& colour, double left, double top,
                        double scale) {
  std::string last = "no screenshot";
  for (int attempt = 0; attempt < 20; ++attempt) {
    std::vector<uint32_t> shot = sdltest::Screenshot(kScreenWidth, kScreenHeight);
    if (shot.empty()) continue;
    last.clear();
    for (int y = 0; y < 384 && last.empty(); ++y) {
      for (int x = 0; x < 512; ++x) {
        int sx = int(left + (x + 0.5) * scale), sy = int(top + (y + 0.5) * scale);
        uint32_t want = colour(x, y) & 0xFFFFFF;
        uint32_t got = shot[size_t(sy) * kScreenWidth + sx];
        if (got != want) {
          char text[128];
          std::snprintf(text, sizeof text, "pixel (%d, %d) is %06X on the screen, drawn %06X", x, y,
                        unsigned(got), unsigned(want));
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

TEST_F(SdlShow, ScreenFollowsTheShowThroughF11AndEscapeEndsIt) {
  std::string error;
  auto platform = host::MakeSdlPlatform(&error);
  ASSERT_NE(platform, nullptr) << error;
  host::Sdl(*platform).boxesToStderr = true;
  Demo demo(*platform);
  demo.skipSettings = true;
  demo.choices.windowed = 1;
  demo.choices.videoMode = 5;  // F11 goes to 640 × 480 with the grey palette
  demo.choices.mixRate = 44100;
  demo.startOffsetMs = 30000;
  platform->player.SetStartOffsetMs(30000);

  Step step = Step::FirstLook;
  std::string xid;
  host::Rect place;
  long frames = 0, waited = 0;
  std::vector<std::string> problems;
  auto check = [&problems](const std::string& what, const std::string& mismatch) {
    if (!mismatch.empty()) problems.push_back(what + ": " + mismatch);
  };
  Driver driver;
  driver.afterFrame = [&] {
    if (++frames < 5) return;  // let the window settle on the server first
    if (++waited > 1000) {     // a step that never comes: stop the show
      problems.push_back("the show never got past step " + std::to_string(int(step)));
      platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
      return;
    }
    switch (step) {
      case Step::FirstLook:
      case Step::LookBack: {
        if (xid.empty()) xid = WindowId();
        if (xid.empty()) return;
        sdltest::Geometry g = sdltest::WindowGeometry(xid);
        if (g.width < 0) {  // replaced by a new window of the same name: look again
          xid.clear();
          return;
        }
        if (g.width != 512 || g.height != 384) {
          if (step == Step::LookBack) return;  // still on its way back
          problems.push_back("the window is " + std::to_string(g.width) + "x" + std::to_string(g.height));
        }
        host::Rect r;
        platform->windows.GetWindowRect(demo.MainWindow, &r);
        if (step == Step::FirstLook) {
          place = r;
        } else if (!(r == place) || g.x != place.left || g.y != place.top) {
          problems.push_back("back from full screen at " + std::to_string(g.x) + "," +
                             std::to_string(g.y) + ", was at " + std::to_string(place.left) + "," +
                             std::to_string(place.top));
        }
        // In a window the show draws into the off-screen surface and blits
        // it into the client area.
        host::Surface* off = demo.display.offscreen;
        auto surfacePixel = [off](int x, int y) {
          return reinterpret_cast<const uint32_t*>(off->memory.data() + size_t(y) * off->pitch)[x];
        };
        check("the show's frame in the window", ScreenShows(surfacePixel, r.left, r.top, 1.0));
        // What the desktop's repaint request shows: the surface as it is now.
        for (int y = 0; y < 384; ++y)
          for (int x = 0; x < 512; ++x)
            reinterpret_cast<uint32_t*>(off->memory.data() + size_t(y) * off->pitch)[x] = Pattern(x, y);
        platform->windows.SendMessage(demo.MainWindow, host::WM_PAINT, 0, 0);
        check("the window repainted", ScreenShows(Pattern, r.left, r.top, 1.0));
        if (step == Step::FirstLook) {
          Press(xid, "F11");
          step = Step::GoFullScreen;
        } else {
          Press(xid, "Escape");
          step = Step::Quit;
        }
        waited = 0;
        break;
      }
      case Step::GoFullScreen:
        if (demo.settings.windowed) return;  // the key has not arrived yet
        if (sdltest::WindowGeometry(xid).width != kScreenWidth) return;
        step = Step::LookFullScreen;
        waited = 0;
        break;
      case Step::LookFullScreen: {
        // 640 × 480 at 8 bits fits the 1280 × 800 screen once (twice would
        // be 960 rows): centred at scale 1, and the 512 × 384 frame sits in
        // its middle, in grey.
        double scale = 1;
        double left = (kScreenWidth - 640) / 2 + 64, top = (kScreenHeight - 480) / 2 + 48;
        const uint32_t* frame = demo.frameBuffer.data();
        check("the show's frame in full screen",
              ScreenShows([frame](int x, int y) { return Grey(frame[y * 512 + x]); }, left, top, scale));
        for (int y = 0; y < 384; ++y)
          for (int x = 0; x < 512; ++x) demo.frameBuffer[size_t(y) * 512 + x] = Pattern(x, y);
        PresentFrame(demo.display);
        check("a frame presented in full screen",
              ScreenShows([](int x, int y) { return Grey(Pattern(x, y)); }, left, top, scale));
        if (SDL_ShowCursor(SDL_QUERY) != SDL_DISABLE) problems.push_back("the cursor shows in full screen");
        Press(xid, "F11");
        step = Step::GoBack;
        waited = 0;
        break;
      }
      case Step::GoBack:
        if (!demo.settings.windowed) return;
        step = Step::LookBack;
        waited = 0;
        break;
      case Step::Quit:
        break;  // Escape is on its way
    }
  };

  int code = WinMain(demo, host::SW_SHOWNORMAL, driver);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(driver.shutdowns, 1);
  EXPECT_EQ(step, Step::Quit);
  for (const std::string& p : problems) ADD_FAILURE() << p;
  platform.reset();  // closes the sound device, so the file is complete

  std::vector<int16_t> samples = sdltest::ReadSamples(audio_);
  ASSERT_GT(samples.size(), 22050u) << "hardly any sound was written";
  EXPECT_GT(sdltest::LoudSamples(samples), samples.size() / 20) << "the show's sound is (nearly) silent";
}

}  // namespace
