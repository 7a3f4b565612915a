#include "display/screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/png_read.h"
#include "support/show.h"

using testing_support::Show;

namespace {

const testing_support::InDataDir kInDataDir;

TEST(Screenshot, NamesCarryTheDemoTimeInSevenDigits) {
  for (auto [ms, name] : {std::pair{0u, "dorsel-0000000.png"}, {999u, "dorsel-0000999.png"},
                          {234033u, "dorsel-0234033.png"}, {9999999u, "dorsel-9999999.png"}})
    EXPECT_EQ(ScreenshotName(ms), name);
}

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
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
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
      uint32_t p = s.demo.target.pixels[i] & 0xFFFFFF, g = ((p >> 16) + (p >> 8 & 255) + (p & 255)) >> 2;
      want[size_t(top + i / 512) * width + left + i % 512] = kVideoModes[videoMode].bitsPerPixel == 8 && !windowed ? g * 0x010101 : p;
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
  EXPECT_TRUE(s.demo.screenshots.Written().empty());
  EXPECT_TRUE(s.platform->windows.IsWindow(s.demo.MainWindow));
}

}  // namespace
