// What the loading phase leaves for the effects to read.
#include <gtest/gtest.h>

#include <algorithm>

#include "director/roto_zoom.h"
#include "support/show.h"

namespace {

const testing_support::InDataDir kInDataDir;

// The rotating zoom's feedback writes its rows past the end of the 256 × 256
// texture; the block it is loaded into has room for them, or the feedback
// would be left out.
TEST(Loading, TheZoomTextureHasRoomForItsFeedback) {
  testing_support::Show s;
  ::testing::internal::CaptureStdout();  // the scene loader's notes
  ASSERT_TRUE(s.Open());
  ::testing::internal::GetCapturedStdout();
  ASSERT_TRUE(s.BoxTexts().empty());
  const PcxImage& zoom = s.demo.pictures.zoom6;
  ASSERT_EQ(zoom.width, 256);
  ASSERT_EQ(zoom.height, 256);
  EXPECT_GE(zoom.pixels.size(), kFeedbackPixels);
  // The room behind the picture starts black.
  EXPECT_TRUE(std::all_of(zoom.pixels.begin() + 256 * 256, zoom.pixels.end(), [](uint32_t p) { return p == 0; }));
}

}  // namespace
