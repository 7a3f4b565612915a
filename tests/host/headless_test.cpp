// The headless host's screen and sound as a recording sees them.
#include "host/headless.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/display_device.h"
#include "host/window_system.h"

namespace host {
namespace {

TEST(HeadlessAudio, EveryHeardFrameIsTakenOnceInOrderAtTheFrameRate) {
  struct Case {
    int fps, rate;
  };
  for (Case c : {Case{60, 44100}, Case{25, 48000}, Case{30, 22050}, Case{7, 8000}}) {
    SCOPED_TRACE(std::to_string(c.fps) + " fps at " + std::to_string(c.rate) + " Hz");
    HeadlessBackend backend(c.fps);
    int64_t pulled = 0;
    // Left counts up, right counts down, so a lost, doubled or swapped
    // frame shows.
    auto pull = [&pulled](int16_t* s, int n) {
      for (int i = 0; i < n; ++i, ++pulled) {
        s[2 * i] = int16_t(pulled);
        s[2 * i + 1] = int16_t(~pulled);
      }
    };
    std::string error;
    ASSERT_TRUE(backend.OpenAudio(kOutputDirectSound, c.rate, pull, &error));
    std::vector<int16_t> taken;
    auto sink = [&taken](const int16_t* s, int n) { taken.insert(taken.end(), s, s + 2 * n); };
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0);  // nothing heard before the first frame ends
    const int kFrames = 3 * c.fps + 1;
    for (int f = 1; f <= kFrames; ++f) {
      backend.AdvanceFrame();
      backend.TakeHeardAudio(sink);
      // Heard up to the end of frame f: its whole milliseconds at the rate.
      int64_t want = int64_t(f) * 1000 / c.fps * c.rate / 1000;
      ASSERT_EQ(int64_t(taken.size()) / 2, want) << "after frame " << f;
    }
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0) << "taken twice";
    EXPECT_EQ(pulled, int64_t(taken.size()) / 2);
    for (size_t i = 0; i < taken.size() / 2; ++i) {
      ASSERT_EQ(taken[2 * i], int16_t(i)) << "frame " << i;
      ASSERT_EQ(taken[2 * i + 1], int16_t(~int64_t(i))) << "frame " << i;
    }
    backend.CloseAudio();
    backend.AdvanceFrame();
    EXPECT_EQ(backend.TakeHeardAudio(sink), 0) << "a closed stream is not pulled";
  }
}

TEST(HeadlessScreen, TheShownPictureIsWhatAViewerWouldSee) {
  auto platform = MakeHeadlessPlatform();
  HeadlessBackend& backend = Headless(*platform);
  Picture picture;
  EXPECT_FALSE(backend.ShownPicture(1, &picture)) << "nothing has been shown yet";
  Surface s;
  s.width = 4;
  s.height = 2;
  s.bitsPerPixel = 24;
  s.pitch = 12;
  s.memory.assign(24, 0);
  s.memory[0] = 0x33, s.memory[1] = 0x22, s.memory[2] = 0x11;  // blue, green, red of (0, 0)
  s.memory[12 + 9 + 2] = 0xFF;                                  // red of (3, 1)
  backend.fullscreen = true;
  backend.Show(s, 0);
  ASSERT_TRUE(backend.ShownPicture(1, &picture));
  EXPECT_EQ(picture.width, 4);
  EXPECT_EQ(picture.height, 2);
  EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0x112233, 0, 0, 0, 0, 0, 0, 0xFF0000}));
}

// The picture is made only when looked at. A primary surface is the screen:
// what is drawn on it is seen, but the palette is the one it was shown
// with, and a second show replaces it.
TEST(HeadlessScreen, ThePictureIsThePrimarySurfaceWithThePaletteItWasShownWith) {
  auto platform = MakeHeadlessPlatform();
  HeadlessBackend& backend = Headless(*platform);
  backend.fullscreen = true;
  Palette palette;
  palette.entries[7] = PaletteEntry{0x10, 0x20, 0x30, 0};
  Surface s;
  s.width = 3;
  s.height = 1;
  s.bitsPerPixel = 8;
  s.pitch = 4;
  s.palette = &palette;
  s.memory = {7, 0, 7, 9};
  backend.Show(s, 0);
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0x102030, 0, 0x102030}));
  s.memory[1] = 7;
  palette.entries[7] = PaletteEntry{0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0x102030, 0x102030, 0x102030}));
  backend.Show(s, 0);
  EXPECT_EQ(backend.Screen(), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
  EXPECT_EQ(backend.ShowCount(), 2);
}

// F9 is the desktop's key: it reaches the default procedure like any key
// the window's own procedure passes on, and only there takes a shot.
TEST(ScreenshotKey, F9InTheDefaultProcedureHandsOverWhatTheWindowShows) {
  auto platform = MakeHeadlessPlatform();
  WindowSystem& ws = platform->windows;
  HeadlessBackend& backend = Headless(*platform);
  bool ownProcedureTakesF9 = false;
  ws.RegisterClass(WndClass{"Test", [&](HWND w, uint32_t m, WPARAM wp, LPARAM lp) -> LRESULT {
                              if (m == WM_KEYDOWN && wp == VK_F9 && ownProcedureTakesF9) return 0;
                              return ws.DefWindowProc(w, m, wp, lp);
                            }});
  HWND w = ws.CreateWindow("Test", "t", 0, 0, 0, 2, 1);
  std::vector<std::pair<HWND, Picture>> shots;
  auto press = [&](WPARAM key) { ws.DispatchMessage(Msg{w, WM_KEYDOWN, key, 0}); };

  press(VK_F9);  // no handler yet: nothing happens
  ws.SetScreenshotHandler([&](HWND h, Picture&& p) { shots.emplace_back(h, std::move(p)); });
  press(VK_F9);
  EXPECT_TRUE(shots.empty()) << "a shot before anything was shown";

  Surface s;
  s.width = 2;
  s.height = 1;
  s.bitsPerPixel = 32;
  s.pitch = 8;
  s.memory = {0x56, 0x34, 0x12, 0x00, 0xFF, 0xFF, 0xFF, 0x00};
  backend.fullscreen = true;
  backend.Show(s, w);
  for (WPARAM other : {VK_ESCAPE, VK_F11, VK_F12, WPARAM(0x77), WPARAM(0x79), WPARAM('P')}) press(other);
  EXPECT_TRUE(shots.empty()) << "a key other than F9 took a shot";
  press(VK_F9);
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].first, w);
  EXPECT_EQ(shots[0].second.width, 2);
  EXPECT_EQ(shots[0].second.pixels, (std::vector<uint32_t>{0x123456, 0xFFFFFF}));
  ownProcedureTakesF9 = true;
  press(VK_F9);
  EXPECT_EQ(shots.size(), 1u) << "a procedure that keeps F9 to itself still got a shot";
}

}  // namespace
}  // namespace host
