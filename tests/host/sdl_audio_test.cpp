// The SDL backend's sound, through SDL's disk driver: what the player pulls
// is what gets written, at the chosen rate, and the time heard never runs
// ahead of what was delivered nor backwards.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/module_player.h"
#include "host/sdl_backend.h"

namespace host {
namespace {

class SdlAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = testing::TempDir() + "sdl_audio_" + std::to_string(getpid()) + ".raw";
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    std::string error;
    platform_ = MakeSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
  }
  void TearDown() override {
    platform_.reset();
    std::remove(file_.c_str());
  }

  std::vector<int16_t> Written() {
    std::ifstream in(file_, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }

  // The disk driver plays in real time; wait (with a bound) for some sound.
  bool WaitForFrames(int64_t frames) {
    for (int i = 0; i < 1000 && Sdl(*platform_).AudioFramesDelivered() < frames; ++i) SDL_Delay(5);
    return Sdl(*platform_).AudioFramesDelivered() >= frames;
  }

  std::string file_;
  std::unique_ptr<Platform> platform_;
};

TEST_F(SdlAudio, PulledSamplesAreWrittenUnchangedAtTheChosenRate) {
  SdlBackend& sdl = Sdl(*platform_);
  int64_t next = 0;
  // Left counts up, right counts down: a swapped, dropped or resampled frame
  // shows at once.
  auto pull = [&next](int16_t* s, int frames) {
    for (int i = 0; i < frames; ++i, ++next) {
      s[2 * i] = int16_t(next);
      s[2 * i + 1] = int16_t(-next);
    }
  };
  for (int output : {kOutputDirectSound, kOutputWaveOut}) {
    SCOPED_TRACE("output " + std::to_string(output));
    next = 0;
    std::string error;
    ASSERT_TRUE(sdl.OpenAudio(output, 22050, pull, &error)) << error;
    EXPECT_EQ(sdl.AudioDriver(), "disk");  // the environment's choice wins for both
    int64_t last = 0;
    bool heardSome = false;
    for (int i = 0; i < 1000 && !(heardSome && sdl.AudioFramesDelivered() >= 4096); ++i) {
      int64_t heard = sdl.AudioFramesHeard();
      ASSERT_GE(heard, last) << "the time heard went backwards";
      ASSERT_LE(heard, sdl.AudioFramesDelivered()) << "heard more than was delivered";
      heardSome = heardSome || heard > 0;
      last = heard;
      SDL_Delay(5);
    }
    EXPECT_TRUE(heardSome);
    sdl.CloseAudio();
    int64_t delivered = sdl.AudioFramesDelivered();
    EXPECT_EQ(sdl.AudioDriver(), "");
    // The device may play silence while it waits to be started; after that
    // comes every delivered frame, in order.
    std::vector<int16_t> written = Written();
    int64_t lead = int64_t(written.size()) / 2 - delivered;
    ASSERT_GE(lead, 0) << "fewer frames written than delivered";
    ASSERT_LE(lead, 4096);
    for (int64_t i = 0; i < 2 * lead; ++i) ASSERT_EQ(written[i], 0) << "sample " << i;
    for (int64_t i = 0; i < delivered; ++i) {
      ASSERT_EQ(written[2 * (lead + i)], int16_t(i)) << "frame " << i;
      ASSERT_EQ(written[2 * (lead + i) + 1], int16_t(-i)) << "frame " << i;
    }
  }
}

TEST_F(SdlAudio, ModulePlaysAudiblyAndItsTimeFollowsTheSound) {
  std::string song = std::string(DORSEL_BINARY_DIR) + "/data/what2xx.it";
  if (access(song.c_str(), R_OK) != 0) GTEST_SKIP() << song << " has not been written by the build";
  ModulePlayer& player = platform_->player;
  ASSERT_TRUE(player.Init(44100, 32)) << player.InitErrorText();
  Song* handle = player.LoadSong(song);
  ASSERT_NE(handle, nullptr) << player.SongErrorText();
  ASSERT_TRUE(player.PlaySong(handle));
  ASSERT_TRUE(WaitForFrames(44100 / 2));
  uint32_t ms = player.SongTimeMs(handle);
  int64_t delivered = Sdl(*platform_).AudioFramesDelivered();
  // Never ahead of what has been mixed.
  EXPECT_LE(int64_t(ms), delivered * 1000 / 44100);
  EXPECT_GT(ms, 0u);
  player.FreeSong(handle);
  player.Close();

  std::vector<int16_t> written = Written();
  ASSERT_FALSE(written.empty());
  int64_t loud = 0;
  for (int16_t s : written) loud += std::abs(int(s)) > 256;
  EXPECT_GT(loud, int64_t(written.size() / 20)) << "the written sound is (nearly) silent";
}

TEST(SdlAudioOutputs, EachChoiceOpensItsOwnWay) {
  struct Case {
    int output, rate;
    std::string named;
    std::vector<AudioAttempt> attempts;
  };
  const std::vector<Case> cases = {
      // The default output: whatever SDL prefers, the sound server first.
      {kOutputWaveOut, 44100, "", {{"", "", 1024}}},
      // The direct one: ALSA's device past any server, a small buffer, and
      // the default when that does not open.
      {kOutputDirectSound, 44100, "", {{"alsa", "sysdefault", 512}, {"", "", 1024}}},
      {kOutputDirectSound, 22050, "", {{"alsa", "sysdefault", 256}, {"", "", 512}}},
      {kOutputDirectSound, 11025, "", {{"alsa", "sysdefault", 256}, {"", "", 256}}},
      // A driver named in the environment decides for both.
      {kOutputDirectSound, 44100, "disk", {{"", "", 1024}}},
      {kOutputWaveOut, 44100, "disk", {{"", "", 1024}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("output " + std::to_string(c.output) + " at " + std::to_string(c.rate) + " " + c.named);
    EXPECT_EQ(AudioAttempts(c.output, c.rate, c.named), c.attempts);
  }
}

}  // namespace
}  // namespace host
