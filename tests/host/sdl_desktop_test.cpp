// The SDL backend on a real X server: what the window system and display
// device ask for must be what a screenshot of the server shows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/sdl_backend.h"
#include "host/sdl_pixels.h"
#include "sdl_xvfb.h"

namespace host {
namespace {

constexpr int kScreenWidth = 1536, kScreenHeight = 960;  // not 4:3, so modes get side bars
const std::string kTitle = "dorsel @ oru\u00B4" "99";

// Every pixel differs from its neighbours in some channel, so a picture
// shifted, sheared or scaled by one pixel cannot match.
uint32_t Pattern(int x, int y) {
  uint32_t r = uint32_t(x) & 255, g = uint32_t(y) & 255;
  uint32_t b = (uint32_t(x) * 7 + uint32_t(y) * 13 + (uint32_t(x) >> 8) * 101) & 255;
  return r << 16 | g << 8 | b;
}

uint32_t Grey(uint32_t rgb) {
  uint32_t v = ((rgb >> 16 & 255) + (rgb >> 8 & 255) + (rgb & 255)) >> 2;
  return v << 16 | v << 8 | v;
}

class SdlDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"xdotool", "import", "xwininfo", "xprop"})
      if (!sdltest::OnPath(tool)) GTEST_SKIP() << tool << " is not installed; the desktop tests need it";
    std::string why;
    if (!xvfb_.Start(kScreenWidth, kScreenHeight, &why))
      GTEST_SKIP() << why << "; the desktop tests need a private X server";
    setenv("DISPLAY", xvfb_.Display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::string error;
    platform_ = MakeSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
    Sdl(*platform_).boxesToStderr = true;

    WndClass demo;
    demo.name = "Demo";
    demo.icon = kProgramIcon;
    demo.proc = [this](HWND h, uint32_t message, WPARAM w, LPARAM l) -> LRESULT {
      received_.push_back(Msg{h, message, w, l});
      if (message == WM_SETCURSOR && fullscreen_) {
        platform_->windows.SetCursor(false);
        return 1;
      }
      return platform_->windows.DefWindowProc(h, message, w, l);
    };
    ASSERT_TRUE(platform_->windows.RegisterClass(demo));
    window_ = platform_->windows.CreateWindow("Demo", kTitle, WS_OVERLAPPEDWINDOW, 200, 150, 512, 384);
    ASSERT_NE(window_, 0u);
    platform_->windows.ShowWindow(window_, SW_SHOWNORMAL);

    // Found by its title, the way a viewer's tools would find it. (xdotool
    // cannot match the accent itself: the legacy name property is not UTF-8.)
    ASSERT_TRUE(PumpUntil([&] {
      xid_ = sdltest::Run("xdotool search --name '^dorsel @ oru' 2>/dev/null");
      return !xid_.empty();
    })) << "no window titled " << kTitle;
    ASSERT_EQ(xid_.find('\n'), xid_.size() - 1) << "more than one window: " << xid_;
    xid_.pop_back();
    ASSERT_TRUE(PumpUntil([&] { return Geometry().width == 512; })) << "the window never appeared";
  }

  void TearDown() override {
    platform_.reset();
    xvfb_.Stop();
  }

  // Dispatches messages until `done` holds; false if it never does. X
  // answers asynchronously, so waiting is the only way to see its state.
  bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
      Msg m;
      while (platform_->windows.PeekMessage(&m, true)) platform_->windows.DispatchMessage(m);
      if (done()) return true;
      SDL_Delay(10);
    }
    return false;
  }

  sdltest::Geometry Geometry() const { return sdltest::WindowGeometry(xid_); }

  int Count(uint32_t message, WPARAM wParam) const {
    int n = 0;
    for (const Msg& m : received_) n += m.message == message && m.wParam == wParam;
    return n;
  }

  // Compares the screen with `expected` at the points given; returns "" or
  // the first difference. Presenting reaches the server a little later than
  // the call returns, so a mismatch is looked at again a few times.
  using Probe = std::function<bool(int i, int* x, int* y, uint32_t* rgb)>;
  std::string ScreenMismatch(const Probe& probe, const std::function<void()>& redraw) {
    std::string last;
    for (int attempt = 0; attempt < 20; ++attempt) {
      std::vector<uint32_t> shot = sdltest::Screenshot(kScreenWidth, kScreenHeight);
      if (shot.empty()) return "the screenshot failed";
      last.clear();
      int x, y;
      uint32_t rgb;
      for (int i = 0; probe(i, &x, &y, &rgb); ++i) {
        uint32_t got = shot[size_t(y) * kScreenWidth + x];
        if (got != rgb) {
          char text[128];
          std::snprintf(text, sizeof text, "screen (%d, %d) is %06X, expected %06X", x, y,
                        unsigned(got), unsigned(rgb));
          last = text;
          break;
        }
      }
      if (last.empty()) return last;
      PumpUntil([] { return true; });
      redraw();
    }
    return last;
  }

  // The windowed path of the show: an off-screen surface drawn into and
  // blitted to the window's client area on the desktop-sized primary surface.
  void BlitPatternToWindow(Surface* primary, Surface* offscreen) {
    DisplayDevice& dd = platform_->display;
    SurfaceDesc desc;
    desc.size = kSurfaceDesc2Size;
    ASSERT_EQ(dd.Lock(offscreen, &desc), DD_OK);
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x)
        static_cast<uint32_t*>(desc.memory)[y * desc.pitch / 4 + x] = Pattern(x, y);
    ASSERT_EQ(dd.Unlock(offscreen), DD_OK);
    Rect source, dest;
    ASSERT_TRUE(platform_->windows.GetClientRect(window_, &source));
    Point topLeft;
    ASSERT_TRUE(platform_->windows.ClientToScreen(window_, &topLeft));
    dest = Rect{topLeft.x, topLeft.y, topLeft.x + source.Width(), topLeft.y + source.Height()};
    ASSERT_EQ(dd.Blt(primary, &dest, offscreen, &source), DD_OK);
  }

  Probe WindowProbe(int left, int top) {
    return [left, top](int i, int* x, int* y, uint32_t* rgb) {
      if (i >= 512 * 384) return false;
      *x = left + i % 512;
      *y = top + i / 512;
      *rgb = Pattern(i % 512, i / 512);
      return true;
    };
  }

  sdltest::Xvfb xvfb_;
  std::unique_ptr<Platform> platform_;
  HWND window_ = 0;
  std::string xid_;
  std::vector<Msg> received_;
  bool fullscreen_ = false;
};

TEST_F(SdlDesktop, WindowHasTheTitleSizeAndIcon) {
  EXPECT_EQ(sdltest::Run("xdotool getwindowname " + xid_), kTitle + "\n");
  EXPECT_EQ(sdltest::Run("xprop -id " + xid_ + " _NET_WM_NAME"),
            "_NET_WM_NAME(UTF8_STRING) = \"" + kTitle + "\"\n");
  sdltest::Geometry g = Geometry();
  EXPECT_EQ(g.x, 200);
  EXPECT_EQ(g.y, 150);
  EXPECT_EQ(g.width, 512);
  EXPECT_EQ(g.height, 384);

  // The icon property holds width, height, then the ARGB pixels.
  std::vector<uint32_t> numbers = sdltest::WindowIcon(xid_);
  ASSERT_GE(numbers.size(), 2u);
  ASSERT_EQ(numbers[0], 32u);
  ASSERT_EQ(numbers[1], 32u);
  std::vector<uint32_t> icon = ProgramIcon(32);
  ASSERT_EQ(numbers.size(), 2 + icon.size());
  EXPECT_TRUE(std::equal(icon.begin(), icon.end(), numbers.begin() + 2));
}

TEST_F(SdlDesktop, WindowedFrameAppearsInTheClientAreaAndFollowsMoves) {
  DisplayDevice& dd = platform_->display;
  ASSERT_EQ(dd.DirectDrawCreate(), DD_OK);
  ASSERT_EQ(dd.QueryInterface4(), DD_OK);
  ASSERT_EQ(dd.SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
  Surface* primary;
  Clipper* clipper;
  Surface* offscreen;
  ASSERT_EQ(dd.CreatePrimarySurface(&primary), DD_OK);
  ASSERT_EQ(primary->width, kScreenWidth);
  ASSERT_EQ(dd.CreateClipper(&clipper), DD_OK);
  dd.SetClipperWindow(clipper, window_);
  dd.SetClipper(primary, clipper);
  dd.ReleaseClipper(clipper);
  ASSERT_EQ(dd.CreateOffscreenSurface(512, 384, 0, &offscreen), DD_OK);

  auto redraw = [&] { BlitPatternToWindow(primary, offscreen); };
  redraw();
  EXPECT_EQ(ScreenMismatch(WindowProbe(200, 150), redraw), "");

  // The desktop moves the window: the window system hears of it, and the
  // next blit lands at the new place.
  sdltest::Run("xdotool windowmove " + xid_ + " 333 222");
  ASSERT_TRUE(PumpUntil([&] {
    Rect r;
    return platform_->windows.GetWindowRect(window_, &r) && r.left == 333 && r.top == 222;
  }));
  EXPECT_GE(Count(WM_MOVE, 0), 1);
  redraw();
  EXPECT_EQ(ScreenMismatch(WindowProbe(333, 222), redraw), "");
}

TEST_F(SdlDesktop, KeysBecomeKeyDownMessages) {
  sdltest::Run("xdotool windowfocus --sync " + xid_ + " key Escape F11 F12 a");
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_KEYDOWN, 'A') == 1; }));
  EXPECT_EQ(Count(WM_KEYDOWN, VK_ESCAPE), 1);
  EXPECT_EQ(Count(WM_KEYDOWN, VK_F11), 1);
  EXPECT_EQ(Count(WM_KEYDOWN, VK_F12), 1);
}

TEST_F(SdlDesktop, CloseButtonPostsClose) {
  // What SDL makes of the desktop's close button.
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(Sdl(*platform_).WindowOf(window_));
  SDL_PushEvent(&e);
  ASSERT_TRUE(PumpUntil([&] { return !platform_->windows.IsWindow(window_); }));
  EXPECT_EQ(Count(WM_CLOSE, 0), 1);
  EXPECT_EQ(Count(WM_DESTROY, 0), 1);
}

struct Mode {
  int width, height, bits;
};

TEST_F(SdlDesktop, EveryFullScreenModeShowsItsConvertedPictureScaledUp) {
  const Mode kModes[] = {{512, 384, 32}, {512, 384, 24}, {512, 384, 8},
                         {640, 480, 32}, {640, 480, 24}, {640, 480, 8}};
  DisplayDevice& dd = platform_->display;
  ASSERT_EQ(dd.DirectDrawCreate(), DD_OK);
  ASSERT_EQ(dd.QueryInterface4(), DD_OK);
  PaletteEntry grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};

  for (const Mode& mode : kModes) {
    SCOPED_TRACE(std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" +
                 std::to_string(mode.bits));
    ASSERT_EQ(dd.SetCooperativeLevel(window_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd.SetDisplayMode(mode.width, mode.height, mode.bits), DD_OK);
    fullscreen_ = true;
    Surface* primary;
    ASSERT_EQ(dd.CreatePrimarySurface(&primary), DD_OK);
    ASSERT_EQ(primary->bitsPerPixel, mode.bits);
    if (mode.bits == 8) {
      Palette* palette;
      ASSERT_EQ(dd.CreatePalette(grey, &palette), DD_OK);
      dd.SetPalette(primary, palette);
    }
    // Write the picture the way the show converts it, centred in 640 × 480.
    SurfaceDesc desc;
    desc.size = kSurfaceDesc2Size;
    ASSERT_EQ(dd.Lock(primary, &desc), DD_OK);
    int left = (mode.width - 512) / 2, top = (mode.height - 384) / 2, bytes = mode.bits / 8;
    for (int y = 0; y < 384; ++y) {
      uint8_t* row = static_cast<uint8_t*>(desc.memory) + size_t(top + y) * desc.pitch;
      for (int x = 0; x < 512; ++x) {
        uint32_t p = Pattern(x, y);
        uint8_t* out = row + size_t(left + x) * bytes;
        if (mode.bits == 8) {
          out[0] = uint8_t(Grey(p) & 255);
        } else {
          for (int b = 0; b < bytes; ++b) out[b] = uint8_t(p >> (8 * b));
        }
      }
    }
    ASSERT_EQ(dd.Unlock(primary), DD_OK);
    ASSERT_TRUE(PumpUntil([&] { return Geometry().width == kScreenWidth; }));
    ASSERT_TRUE(PumpUntil([&] { return SDL_ShowCursor(SDL_QUERY) == SDL_DISABLE; }))
        << "the cursor stays visible in full screen";

    // The mode is shown at the largest whole scale that fits (2 for both
    // sizes on this screen), centred on black: every screen pixel of the
    // picture shows its mode pixel, so nothing is blurred or stretched.
    int scale = std::min(kScreenWidth / mode.width, kScreenHeight / mode.height);
    ASSERT_EQ(scale, 2);
    int offsetX = (kScreenWidth - mode.width * scale) / 2;
    int offsetY = (kScreenHeight - mode.height * scale) / 2;
    int shown = mode.width * mode.height * scale * scale;
    Probe probe = [&](int i, int* x, int* y, uint32_t* rgb) {
      if (i >= shown + kScreenHeight + (offsetY > 0 ? kScreenWidth : 0)) return false;
      *rgb = 0;
      if (i >= shown + kScreenHeight) {  // the bar above the picture is black
        *x = i - shown - kScreenHeight;
        *y = offsetY - 1;
        return true;
      }
      if (i >= shown) {  // and so is the bar left of it
        *x = offsetX - 1;
        *y = i - shown;
        return true;
      }
      int sx = i % (mode.width * scale), sy = i / (mode.width * scale);
      *x = offsetX + sx;
      *y = offsetY + sy;
      int mx = sx / scale, my = sy / scale;
      bool inside = mx >= left && mx < left + 512 && my >= top && my < top + 384;
      uint32_t p = inside ? Pattern(mx - left, my - top) : 0;
      *rgb = mode.bits == 8 ? Grey(p) : p;
      return true;
    };
    EXPECT_EQ(ScreenMismatch(probe, [&] {
                ASSERT_EQ(dd.Lock(primary, &desc), DD_OK);
                ASSERT_EQ(dd.Unlock(primary), DD_OK);  // shows the surface again
              }),
              "");

    // Back to the desktop: the window returns to its place and size.
    ASSERT_EQ(dd.SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
    dd.Release(primary);
    fullscreen_ = false;
    Rect place;
    ASSERT_TRUE(platform_->windows.GetWindowRect(window_, &place));
    EXPECT_EQ(place, (Rect{200, 150, 712, 534}));
    platform_->windows.SetWindowPos(window_, place.left, place.top, place.Width(), place.Height());
    ASSERT_TRUE(PumpUntil([&] {
      sdltest::Geometry g = Geometry();
      return g.x == 200 && g.y == 150 && g.width == 512 && g.height == 384;
    })) << "the window did not return to its place";
    ASSERT_TRUE(PumpUntil([&] { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }))
        << "the cursor stays hidden in a window";
  }
}

}  // namespace
}  // namespace host
