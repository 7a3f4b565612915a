#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <vector>

#include "base/settings.h"
#include "display/present.h"
#include "display/screenshot.h"
#include "support/png_read.h"
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
        const bool inside = y >= top && y < top + 384 && x >= left && x < left + 512 && xb < vm.width * bytes;
        const uint32_t p = inside ? frame[size_t(y - top) * 512 + size_t(x - left)] : 0;
        stray += !inside && surface[at] != kUntouched;
        wrong += inside && surface[at] != (bytes == 1 ? uint8_t(Grey(p)) : uint8_t(p >> (8 * (xb % bytes))));
        written += inside;
      }
      EXPECT_EQ(std::make_tuple(written, wrong, stray), std::make_tuple(size_t(kFramePixels) * bytes, size_t(0), size_t(0)));
    }
  }
}

std::vector<uint32_t> Faded(std::vector<uint32_t> pixels, int width, int factor, int useMmx) {
  RenderTarget t;
  t.pixels = pixels.data(), t.width = width, t.height = int(pixels.size()) / width;
  FadeTarget(t, factor, useMmx);
  return pixels;
}

// The packed fade against the plain one, over frames the show really draws;
// the plain one is held to the pixel arithmetic's own packed forms and by the
// show's net.
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
    for (uint32_t t : {60u, 70u}) s.FrameAt(t);
    EXPECT_EQ(s.backend.ShowCount(), shown + 2) << "the frames after it are shown again";
    ASSERT_NE(s.demo.target.pixels, nullptr);
  }
}

const testing_support::InDataDir kInDataDir;

// F9 in the demo window writes what the viewer sees: the window's picture,
// or the whole full-screen mode in its own colours (grey in the 8-bit
// modes) with a black border, named by the demo time of the frame on the
// screen. So the file also shows how each mode presents the frame.
TEST(Screenshot, F9WritesThePictureOnTheScreenNamedByTheDemoTime) {
  for (int mode = -1; mode < 6; ++mode) {
    const int windowed = mode < 0, videoMode = std::max(mode, 0);
    const int width = windowed ? 512 : kVideoModes[videoMode].width, height = windowed ? 384 : kVideoModes[videoMode].height;
    const uint32_t ms = 20000 + 7001 * uint32_t(mode + 1);
    SCOPED_TRACE("windowed " + std::to_string(windowed) + ", mode " + std::to_string(videoMode));
    std::string folder = testing::TempDir() + "shots_" + std::to_string(mode + 1);
    std::filesystem::remove_all(folder), std::filesystem::create_directories(folder);
    Show s;
    ASSERT_TRUE(s.Open(windowed, videoMode));
    s.demo.screenshots.folder = folder;
    InstallScreenshotKey(s.demo.screenshots, s.demo.platform.windows, s.demo.clock);
    // Something to see even where the recipe draws nothing over it.
    s.FrameAt(ms - 20);
    for (int i = 0; i < kFramePixels; ++i) s.demo.target.pixels[i] = uint32_t(i * 2654435761u) >> 8;
    s.JumpTo(ms - 20);
    PresentFrame(s.demo.display);
    s.FrameAt(ms);
    testing::internal::CaptureStdout();
    s.platform->windows.DispatchMessage(host::Msg{s.demo.MainWindow, host::WM_KEYDOWN, host::VK_F9, 0});
    s.demo.screenshots.Wait();
    const std::string path = folder + "/" + ScreenshotName(ms);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "screenshot " + path + "\n");
    EXPECT_EQ(s.demo.screenshots.Written(), std::vector<std::string>{path});
    // The file is what is on the screen, and the screen the frame the show
    // drew, in the middle, in the mode's colours.
    testing_support::RgbImage png = testing_support::ReadRgbPng(path);
    ASSERT_EQ(std::make_pair(png.width, png.height), std::make_pair(width, height));
    EXPECT_EQ(png.pixels, s.backend.Screen());
    std::vector<uint32_t> want(size_t(width) * height, 0);
    const int left = (width - 512) / 2, top = (height - 384) / 2;
    for (int i = 0; i < kFramePixels; ++i) {
      uint32_t p = s.demo.target.pixels[i] & 0xFFFFFF;
      want[size_t(top + i / 512) * width + left + i % 512] = kVideoModes[videoMode].bitsPerPixel == 8 && !windowed ? Grey(p) * 0x010101 : p;
    }
    EXPECT_TRUE(png.pixels == want);
    EXPECT_TRUE(std::any_of(png.pixels.begin(), png.pixels.end(), [](uint32_t p) { return p != 0; }))
        << "a black shot proves little";
  }
}

TEST(Screenshot, AFolderThatCannotBeWrittenIsReportedAndTheShowGoesOn) {
  Show s;
  ASSERT_TRUE(s.Open(1));
  s.demo.screenshots.folder = "/nonexistent/folder";
  InstallScreenshotKey(s.demo.screenshots, s.demo.platform.windows, s.demo.clock);
  s.FrameAt(25000);
  testing::internal::CaptureStderr();
  s.platform->windows.DispatchMessage(host::Msg{s.demo.MainWindow, host::WM_KEYDOWN, host::VK_F9, 0});
  s.demo.screenshots.Wait();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("dorsel: cannot write /nonexistent/folder/dorsel-0025000.png"), std::string::npos) << said;
  EXPECT_TRUE(s.demo.screenshots.Written().empty() && s.platform->windows.IsWindow(s.demo.MainWindow));
}

}  // namespace
