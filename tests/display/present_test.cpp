#include "display/present.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "base/settings.h"
#include "support/show.h"

using testing_support::Show;

namespace {

constexpr uint8_t kUntouched = 0xAB;

uint32_t Grey(uint32_t p) { return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) >> 2; }

// Every mode writes each pixel of the frame, in its own format, in the middle
// of the screen, and nothing else: not the border, not the padding at the end
// of a row, not a byte past the surface.
TEST(ConvertFrame, EveryModeWritesTheFrameAndNothingElse) {
  // Every pixel different, top bytes set, so a misplaced pixel shows.
  std::vector<uint32_t> frame(kFramePixels);
  for (int i = 0; i < kFramePixels; ++i) frame[i] = 0xA5000000u ^ uint32_t(i * 2654435761u) >> 8;
  for (int mode = 0; mode < 6; ++mode) {
    const VideoMode& vm = kVideoModes[mode];
    const int bytes = vm.bitsPerPixel / 8, left = (vm.width - 512) / 2, top = (vm.height - 384) / 2;
    for (int padding : {0, 24}) {
      SCOPED_TRACE(std::string(vm.label) + " padding " + std::to_string(padding));
      const int pitch = vm.width * bytes + padding;
      std::vector<uint8_t> surface(size_t(pitch) * vm.height + 4, kUntouched);
      ConvertFrame(frame.data(), surface.data(), pitch, mode);
      size_t written = 0, wrong = 0, stray = 0;
      for (size_t at = 0; at < surface.size(); ++at) {
        int y = int(at / pitch), xb = int(at % pitch), x = xb / bytes;
        if (y < top || y >= top + 384 || x < left || x >= left + 512 || xb >= vm.width * bytes) {
          stray += surface[at] != kUntouched;
          continue;
        }
        uint32_t p = frame[size_t(y - top) * 512 + size_t(x - left)];
        wrong += surface[at] != (bytes == 1 ? uint8_t(Grey(p)) : uint8_t(p >> (8 * (xb % bytes))));
        ++written;
      }
      EXPECT_EQ(written, size_t(kFramePixels) * bytes);
      EXPECT_EQ(wrong, 0u);
      EXPECT_EQ(stray, 0u);
    }
  }
}

std::vector<uint32_t> Faded(std::vector<uint32_t> pixels, int width, int factor, int useMmx) {
  RenderTarget t;
  t.pixels = pixels.data(), t.width = width, t.height = int(pixels.size()) / width;
  FadeTarget(t, factor, useMmx);
  return pixels;
}

TEST(FadeTarget, ScalesEveryChannelAndClearsTheTopByte) {
  const std::tuple<int, uint32_t, uint32_t> cases[] = {
      {0, 0xFFFFFFFF, 0x00000000},   {0, 0x00123456, 0x00000000},   {128, 0x00FFFFFF, 0x007F7F7F},
      {128, 0xFF030507, 0x00010203}, {255, 0x00FFFFFF, 0x00FEFEFE}, {255, 0x00010101, 0x00000000},
      {255, 0x80FF0080, 0x00FE007F}, {64, 0x00804020, 0x00201008}};
  for (auto [factor, in, out] : cases)
    EXPECT_EQ(Faded(std::vector<uint32_t>(kFramePixels, in), 512, factor, 0), std::vector<uint32_t>(kFramePixels, out))
        << factor << " on " << std::hex << in;
}

// The packed fade against the plain one, over frames the show really draws.
TEST(FadeTarget, PackedGivesThePlainPixelsOnRealFramesAtEveryFactor) {
  testing_support::InDataDir inData;
  Show s;
  ASSERT_TRUE(s.Open());
  for (uint32_t t : {30000u, 100000u, 170000u, 226000u}) {
    s.FrameAt(t);
    std::vector<uint32_t> frame(s.demo.target.pixels, s.demo.target.pixels + kFramePixels);
    // The top bytes carry no colour but must end 0 in both forms.
    for (size_t i = 0; i < frame.size(); i += 3) frame[i] |= 0xA5000000u;
    // Every factor on the first frame, a spread of them on the others.
    for (int factor = 0; factor <= 255; factor += t == 30000u ? 1 : 15)
      ASSERT_EQ(Faded(frame, kFrameWidth, factor, 1), Faded(frame, kFrameWidth, factor, 0)) << t << ", " << factor;
    // A pixel count that is not a multiple of the packed width.
    std::vector<uint32_t> odd(frame.begin(), frame.begin() + 7);
    EXPECT_EQ(Faded(odd, 7, 200, 1), Faded(odd, 7, 200, 0)) << t;
  }
}

TEST(RenderTarget, SetFrameBufferLeavesTheDrawingTarget) {
  Show s;
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

TEST(PresentFrame, ALockThatFailsCostsOnlyThatFrame) {
  // Full screen or windowed, one lock refused or the surfaces lost.
  for (auto [windowed, lost] : {std::pair{0, false}, {1, false}, {0, true}, {1, true}}) {
    SCOPED_TRACE(testing::Message() << "windowed " << windowed << ", lost " << lost);
    Show s;
    ASSERT_TRUE(s.Open(windowed));
    s.FrameAt(10);
    int shown = s.backend.ShowCount();
    if (lost) s.platform->display.LoseSurfaces();
    else s.platform->display.FailCall(host::DisplayCall::Lock, host::DDERR_SURFACELOST, 1);
    s.FrameAt(50);  // would have faded the frame in window 1
    EXPECT_EQ(s.backend.ShowCount(), shown) << "a frame without its surface is not shown";
    EXPECT_TRUE(!windowed || s.demo.target.pixels == nullptr);
    // A window's lost screen comes back with its next repaint.
    if (windowed && lost) s.platform->windows.SendMessage(s.demo.MainWindow, host::WM_PAINT, 0, 0);
    s.FrameAt(60);
    s.FrameAt(70);
    EXPECT_EQ(s.backend.ShowCount(), shown + 2) << "the frames after it are shown again";
    ASSERT_NE(s.demo.target.pixels, nullptr);
  }
}

}  // namespace
