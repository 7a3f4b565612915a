// The six scenes in the loading phase: their order, the shared generator,
// the depth order arrays, and the end of the program when one is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/process.h"
#include "support/show.h"

namespace {

namespace fs = std::filesystem;
using testing_support::DataDir;

// Runs a test body from another folder and comes back.
struct InFolder {
  fs::path saved = fs::current_path();
  explicit InFolder(const fs::path& dir) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(saved); }
};

// A copy of the data folder (as links) without one file.
struct DataWithout {
  fs::path dir;
  explicit DataWithout(const std::string& missing) {
    std::string pattern = (fs::temp_directory_path() / "dorsel-data-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    for (const auto& entry : fs::directory_iterator(DataDir()))
      if (entry.path().filename() != missing) fs::create_symlink(entry.path(), dir / entry.path().filename());
  }
  ~DataWithout() { fs::remove_all(dir); }
};

TEST(SceneLoading, TheSixScenesLoadInOrderWithRoomForTheLargestObject) {
  InFolder here(DataDir());
  testing_support::Show s;
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(s.Open());
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.demo.sceneMissing, 0);
  EXPECT_EQ(s.demo.sceneCounter, 6);
  // Every file has one camera block.
  size_t cameras = 0;
  for (size_t at = out.find("Quib-3D: Initializing Camera data... ok\n"); at != std::string::npos;
       at = out.find("Quib-3D: Initializing Camera data... ok\n", at + 1))
    ++cameras;
  EXPECT_EQ(cameras, 6u);
  int32_t largest = 0;
  for (const Scene& scene : s.demo.scenes) {
    ASSERT_GE(scene.objectCount, 1);
    largest = std::max(largest, scene.objects[0].faceCount);
  }
  EXPECT_EQ(s.demo.depthOrder.faceOrder.size(), size_t(largest));
  EXPECT_EQ(s.demo.depthOrder.depthKeys.size(), size_t(largest));
  // Scenes 0 and 1 share their layout, but the generator ran on between
  // them, so their wobble phases differ.
  const SceneObject& ball = s.demo.scenes[0].objects[0];
  const SceneObject& box = s.demo.scenes[1].objects[0];
  ASSERT_EQ(ball.vertexCount, box.vertexCount);
  int same = 0;
  for (int i = 0; i < ball.vertexCount; ++i) same += ball.vertices[i].phase == box.vertices[i].phase;
  EXPECT_LT(same, ball.vertexCount / 10);
}

TEST(SceneLoading, AMissingSceneEndsTheProgramWithOne) {
  DataWithout data("X_VOTKY.3DS");
  {
    InFolder here(data.dir);
    testing_support::Show s;
    s.demo.skipSettings = true;
    s.demo.choices.noSound = 1;
    int frames = 0;
    s.driver.afterFrame = [&] { ++frames; };
    ::testing::internal::CaptureStdout();
    int code = WinMain(s.demo, host::SW_SHOWNORMAL, s.driver);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(s.demo.sceneMissing, 1);
    EXPECT_EQ(s.demo.sceneCounter, 2) << "no scene after the missing one is read";
    ASSERT_GE(out.size(), 24u);
    EXPECT_EQ(out.substr(out.size() - 24), "Can't open X_VOTKY.3DS!\n");
    EXPECT_EQ(s.demo.scenes[3].objectCount, 0);
    ASSERT_NE(s.demo.SongHandle, nullptr);
    EXPECT_FALSE(s.demo.SongHandle->playing) << "the song starts only after the last scene";
    EXPECT_TRUE(s.demo.textWriter.overlay.empty()) << "loading stops at the missing scene";
  }
  // The program itself, from the command line.
  testing_support::Outcome run = testing_support::RunCommand(
      testing_support::BuiltProgram("dorsel") + " --headless --data " + data.dir.string() + " 2>/dev/null");
  EXPECT_EQ(run.exitCode, 1);
  ASSERT_GE(run.out.size(), 24u);
  EXPECT_EQ(run.out.substr(run.out.size() - 24), "Can't open X_VOTKY.3DS!\n");
}

}  // namespace
