#include "display/present.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/settings.h"
#include "support/show.h"

namespace {

constexpr uint8_t kUntouched = 0xAB;

// A frame whose every pixel is different, so a misplaced pixel shows.
std::vector<uint32_t> PatternFrame() {
  std::vector<uint32_t> frame(kFramePixels);
  for (int i = 0; i < kFramePixels; ++i) frame[i] = 0xA5000000u ^ uint32_t(i * 2654435761u) >> 8;
  return frame;
}

uint32_t Grey(uint32_t p) { return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) >> 2; }

TEST(ConvertFrame, EveryModeWritesTheFrameAndNothingElse) {
  const std::vector<uint32_t> frame = PatternFrame();
  for (int mode = 0; mode < 6; ++mode) {
    const VideoMode& vm = kVideoModes[mode];
    int bytes = vm.bitsPerPixel / 8;
    // A pitch wider than the row, as drivers like to give, must be honoured.
    for (int padding : {0, 24}) {
      SCOPED_TRACE(std::string(vm.label) + " padding " + std::to_string(padding));
      int pitch = vm.width * bytes + padding;
      std::vector<uint8_t> surface(size_t(pitch) * vm.height, kUntouched);
      ConvertFrame(frame.data(), surface.data(), pitch, mode);
      int left = (vm.width - 512) / 2, top = (vm.height - 384) / 2;
      size_t written = 0, wrong = 0, strayWrites = 0;
      for (int y = 0; y < vm.height; ++y) {
        for (int xb = 0; xb < pitch; ++xb) {
          uint8_t got = surface[size_t(y) * pitch + xb];
          int x = xb / bytes, lane = xb % bytes;
          bool inside = y >= top && y < top + 384 && x >= left && x < left + 512 && xb < vm.width * bytes;
          if (!inside) {
            strayWrites += got != kUntouched;
            continue;
          }
          uint32_t p = frame[size_t(y - top) * 512 + (x - left)];
          uint8_t want = bytes == 1 ? uint8_t(Grey(p)) : uint8_t(p >> (8 * lane));
          wrong += got != want;
          ++written;
        }
      }
      EXPECT_EQ(written, size_t(kFramePixels) * bytes);
      EXPECT_EQ(wrong, 0u);
      EXPECT_EQ(strayWrites, 0u);
    }
  }
}

TEST(ConvertFrame, GreyLevelsAndTheTwentyFourBitEnd) {
  std::vector<uint32_t> frame(kFramePixels, 0);
  frame[0] = 0x00FFFFFF;
  frame[1] = 0x00FF0000;
  frame[2] = 0xFF000000;  // the top byte carries no colour
  frame[kFramePixels - 1] = 0x00123456;
  std::vector<uint8_t> grey(512 * 384, kUntouched);
  ConvertFrame(frame.data(), grey.data(), 512, 2);
  EXPECT_EQ(grey[0], 191);
  EXPECT_EQ(grey[1], 63);
  EXPECT_EQ(grey[2], 0);

  // 512 × 384 × 3 bytes end exactly at byte 589,824.
  std::vector<uint8_t> rgb(589824 + 4, kUntouched);
  ConvertFrame(frame.data(), rgb.data(), 1536, 1);
  EXPECT_EQ(rgb[589821], 0x56);
  EXPECT_EQ(rgb[589822], 0x34);
  EXPECT_EQ(rgb[589823], 0x12);
  EXPECT_EQ(rgb[589824], kUntouched);

  // The 32-bit modes copy the word, top byte included.
  std::vector<uint8_t> full(2048 * 384, kUntouched);
  ConvertFrame(frame.data(), full.data(), 2048, 0);
  EXPECT_EQ(full[11], 0xFF);
}

TEST(FadeTarget, ScalesEveryChannelAndClearsTheTopByte) {
  struct Case {
    int factor;
    uint32_t in, out;
  };
  const Case cases[] = {
      {0, 0xFFFFFFFF, 0x00000000},   {0, 0x00123456, 0x00000000},
      {128, 0x00FFFFFF, 0x007F7F7F}, {128, 0xFF030507, 0x00010203},
      {255, 0x00FFFFFF, 0x00FEFEFE}, {255, 0x00010101, 0x00000000},
      {255, 0x80FF0080, 0x00FE007F}, {64, 0x00804020, 0x00201008},
  };
  std::vector<uint32_t> pixels(kFramePixels);
  RenderTarget target;
  target.pixels = pixels.data();
  target.width = 512;
  target.height = 384;
  for (const Case& c : cases) {
    std::fill(pixels.begin(), pixels.end(), c.in);
    FadeTarget(target, c.factor, 0);
    EXPECT_EQ(pixels.front(), c.out) << c.factor << " on " << std::hex << c.in;
    EXPECT_EQ(pixels.back(), c.out) << c.factor << " on " << std::hex << c.in;
  }
}

TEST(RenderTarget, SetFrameBufferLeavesTheDrawingTarget) {
  testing_support::Show s;
  ASSERT_TRUE(s.Open(1));
  BeginFrame(s.demo.display);
  uint32_t* drawing = s.demo.target.pixels;
  ASSERT_NE(drawing, nullptr);
  EXPECT_NE(drawing, s.demo.frameBuffer.data());  // windowed: the locked surface
  std::vector<uint32_t> other(kFramePixels);
  SetFrameBuffer(s.demo.target, other.data());
  EXPECT_EQ(s.demo.target.pixels, drawing);
  EXPECT_EQ(s.demo.target.frameBuffer, other.data());
}

TEST(PresentFrame, FullScreenModesShowTheConvertedFrame) {
  for (int mode = 0; mode < 6; ++mode) {
    SCOPED_TRACE(kVideoModes[mode].label);
    testing_support::Show s;
    ASSERT_TRUE(s.Open(0, mode));
    BeginFrame(s.demo.display);
    std::fill(s.demo.frameBuffer.begin(), s.demo.frameBuffer.begin() + kFramePixels, 0x00FFFFFF);
    PresentFrame(s.demo.display);
    ASSERT_EQ(s.backend.ScreenWidth(), kVideoModes[mode].width);
    ASSERT_EQ(s.backend.ScreenHeight(), kVideoModes[mode].height);
    int left = (kVideoModes[mode].width - 512) / 2, top = (kVideoModes[mode].height - 384) / 2;
    uint32_t white = kVideoModes[mode].bitsPerPixel == 8 ? 0x00BFBFBF : 0x00FFFFFF;
    const auto& screen = s.backend.Screen();
    EXPECT_EQ(screen[size_t(top) * s.backend.ScreenWidth() + left], white);
    EXPECT_EQ(screen[size_t(top + 383) * s.backend.ScreenWidth() + left + 511], white);
    EXPECT_EQ(screen[0], left ? 0u : white);  // the border stays black
  }
}

TEST(PresentFrame, WindowedFramesAreBlittedIntoTheClientArea) {
  testing_support::Show s;
  ASSERT_TRUE(s.Open(1));
  BeginFrame(s.demo.display);
  for (int i = 0; i < kFramePixels; ++i) s.demo.target.pixels[i] = uint32_t(i);
  PresentFrame(s.demo.display);
  ASSERT_EQ(s.backend.ScreenWidth(), 512);
  ASSERT_EQ(s.backend.ScreenHeight(), 384);
  const auto& screen = s.backend.Screen();
  for (int i = 0; i < kFramePixels; i += 4099) EXPECT_EQ(screen[i], uint32_t(i));
  EXPECT_EQ(screen[kFramePixels - 1], uint32_t(kFramePixels - 1));
}

TEST(PresentFrame, AFailedLockSkipsTheFrame) {
  for (int windowed : {0, 1}) {
    SCOPED_TRACE(windowed ? "windowed" : "full screen");
    testing_support::Show s;
    ASSERT_TRUE(s.Open(windowed));
    s.FrameAt(10);
    int shown = s.backend.ShowCount();
    s.platform->display.LoseSurfaces();
    s.FrameAt(50);  // would have faded the frame in window 1
    EXPECT_EQ(s.backend.ShowCount(), shown);
    if (windowed) {
      EXPECT_EQ(s.demo.target.pixels, nullptr);
    }
  }
}

TEST(PresentFrame, ALockThatFailsOnceCostsOnlyThatFrame) {
  struct Case {
    const char* name;
    int windowed;
    bool lost;  // the surfaces are lost, not just one lock refused
  };
  const Case cases[] = {
      {"full screen, one lock refused", 0, false},
      {"windowed, one lock refused", 1, false},
      {"full screen, the screen lost", 0, true},
      {"windowed, both surfaces lost", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Show s;
    ASSERT_TRUE(s.Open(c.windowed));
    s.FrameAt(10);
    int shown = s.backend.ShowCount();
    if (c.lost) {
      s.platform->display.LoseSurfaces();
    } else {
      s.platform->display.FailCall(host::DisplayCall::Lock, host::DDERR_SURFACELOST, 1);
    }
    s.FrameAt(20);
    EXPECT_EQ(s.backend.ShowCount(), shown) << "a frame without its surface is not shown";
    // A window's lost screen comes back with its next repaint.
    if (c.windowed && c.lost) s.platform->windows.SendMessage(s.demo.MainWindow, host::WM_PAINT, 0, 0);
    shown = s.backend.ShowCount();
    s.FrameAt(30);
    s.FrameAt(40);
    EXPECT_EQ(s.backend.ShowCount(), shown + 2) << "the frames after it are shown again";
    ASSERT_NE(s.demo.target.pixels, nullptr);
  }
}

}  // namespace
