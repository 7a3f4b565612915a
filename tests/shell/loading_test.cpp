// What the loading phase leaves for the effects to read: the six scenes
// with room for the largest object, the zoom texture's room, and the end of
// the program when a scene is missing. The order in which loading draws from
// the shared generator shows in every frame, so the regression net holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "director/roto_zoom.h"
#include "support/show.h"

namespace {

namespace fs = std::filesystem;

// The show as start-up leaves it, from the data folder, its notes kept aside.
struct Loading : ::testing::Test {
  testing_support::InDataDir here;
  testing_support::Show s;
  void SetUp() override {
    ::testing::internal::CaptureStdout();
    bool opened = s.Open();
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(opened);
    ASSERT_TRUE(s.BoxTexts().empty());
  }
};

// All six scenes are read, and the depth order arrays have room for the
// largest object.
TEST_F(Loading, TheSixScenesLoadInOrderWithRoomForTheLargestObject) {
  EXPECT_EQ(s.demo.sceneMissing, 0);
  EXPECT_EQ(s.demo.sceneCounter, 6);
  int32_t largest = 0;
  for (const Scene& scene : s.demo.scenes) {
    ASSERT_GE(scene.objectCount, 1);
    largest = std::max(largest, scene.objects[0].faceCount);
  }
  EXPECT_EQ(s.demo.depthOrder.faceOrder.size(), size_t(largest));
  EXPECT_EQ(s.demo.depthOrder.depthKeys.size(), size_t(largest));
}

// The rotating zoom's feedback writes its rows past the end of the 256 × 256
// texture; the block it is loaded into has room for them, black at first.
TEST_F(Loading, TheZoomTextureHasRoomForItsFeedback) {
  const PcxImage& zoom = s.demo.pictures.zoom6;
  ASSERT_EQ(std::make_pair(zoom.width, zoom.height), std::make_pair(256, 256));
  EXPECT_GE(zoom.pixels.size(), kFeedbackPixels);
  EXPECT_TRUE(std::all_of(zoom.pixels.begin() + 256 * 256, zoom.pixels.end(), [](uint32_t p) { return p == 0; }));
}

// Without its fourth scene the program says so last, reads no later scene,
// never starts the song, draws no frame and ends with 1.
TEST(SceneLoading, AMissingSceneEndsTheProgramWithOne) {
  const fs::path dir = testing_support::FreshFolder("missing_scene");
  for (const auto& entry : fs::directory_iterator(testing_support::DataDir()))
    if (entry.path().filename() != "X_VOTKY.3DS") fs::create_symlink(entry.path(), dir / entry.path().filename());
  testing_support::ShowRun r;
  (void)!chdir(dir.c_str());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(r.Go(), 1);
  std::string out = ::testing::internal::GetCapturedStdout();
  fs::remove_all(dir);
  EXPECT_EQ(r.frames, 0);
  EXPECT_EQ(r.demo.sceneMissing, 1);
  EXPECT_EQ(r.demo.sceneCounter, 2) << "a scene after the missing one was read";
  EXPECT_EQ(r.demo.scenes[3].objectCount, 0);
  ASSERT_GE(out.size(), 24u);
  EXPECT_EQ(out.substr(out.size() - 24), "Can't open X_VOTKY.3DS!\n");
  ASSERT_NE(r.demo.SongHandle, nullptr);
  EXPECT_FALSE(r.demo.SongHandle->playing) << "the song starts only after the last scene";
  EXPECT_TRUE(r.demo.textWriter.overlay.empty()) << "loading stops at the missing scene";
}

}  // namespace
