#include "host/module_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "host/headless.h"
#include "support/process.h"

namespace host {
namespace {

const std::string kModule = testing_support::DataDir() + "/what2xx.it";

TEST(ModulePlayer, TimeFollowsWhatIsHeard) {
  for (auto [output, offset] : {std::pair{kOutputNone, 0u}, {kOutputDirectSound, 0u}, {kOutputNone, 150000u},
                                {kOutputWaveOut, 90000u}}) {
    auto platform = MakeHeadlessPlatform(50);
    ModulePlayer& p = platform->player;
    p.SetOutput(output);
    p.SetStartOffsetMs(offset);
    ASSERT_TRUE(p.Init(22050, 32));
    EXPECT_EQ(p.HasAudio(), output != kOutputNone);
    Song* song = p.LoadSong(kModule);
    ASSERT_NE(song, nullptr) << p.SongErrorText();
    EXPECT_EQ(p.SongTimeMs(song), 0u);  // not started yet
    Headless(*platform).AdvanceMs(500);  // loading takes a while
    ASSERT_TRUE(p.PlaySong(song));
    EXPECT_EQ(p.SongTimeMs(song), offset);
    for (int i = 0; i < 10; ++i) Headless(*platform).AdvanceFrame();
    EXPECT_EQ(p.SongTimeMs(song), offset + 200);
    p.FreeSong(song);
    p.Close();
    EXPECT_FALSE(p.HasAudio());
  }
}

TEST(ModulePlayer, FailuresSayWhatWentWrong) {
  auto platform = MakeHeadlessPlatform();
  ModulePlayer& p = platform->player;
  EXPECT_FALSE(p.Init(1000, 32));
  EXPECT_STREQ(p.InitErrorText(), "Unsupported mixing rate 1000 Hz.");
  Headless(*platform).refuseAudio = "device busy";
  EXPECT_FALSE(p.Init(44100, 32));
  EXPECT_STREQ(p.InitErrorText(),
               "Could not open the sound output: device busy. Choose Nosound, or start with --nosound.");
  p.SetOutput(kOutputNone);
  EXPECT_TRUE(p.Init(44100, 32));  // no output needs no device
  EXPECT_EQ(p.LoadSong("/nonexistent/what2xx.it"), nullptr);
  EXPECT_STREQ(p.SongErrorText(), "File not found: /nonexistent/what2xx.it");
  std::string junk = testing::TempDir() + "/junk.it";
  std::ofstream(junk) << "this is not a module at all";
  EXPECT_EQ(p.LoadSong(junk), nullptr);
  EXPECT_EQ(std::string(p.SongErrorText()).rfind("Unknown file format or corrupted file: " + junk, 0), 0u);
}

// An audio device with one buffer of 1024 frames queued: what it was given
// is heard one buffer later.
class BufferedDevice : public HeadlessBackend {
 public:
  static constexpr int kBuffer = 1024;
  bool OpenAudio(int, int, AudioPull pull, std::string*) override {
    pull_ = std::move(pull);
    return true;
  }
  int64_t AudioFramesHeard() override { return std::max<int64_t>(0, delivered_ - kBuffer); }
  void Callback() {
    std::vector<int16_t> samples(2 * kBuffer);
    pull_(samples.data(), kBuffer);
    delivered_ += kBuffer;
    loud = std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
  }
  bool loud = false;

 private:
  AudioPull pull_;
  int64_t delivered_ = 0;
};

struct Buffered {
  Platform platform{std::make_unique<BufferedDevice>()};
  BufferedDevice& device = static_cast<BufferedDevice&>(*platform.backend);
  ModulePlayer& p = platform.player;
  Song* Load(const std::string& path) {
    EXPECT_TRUE(p.Init(44100, 32));
    return p.LoadSong(path);
  }
  // The song time after `callbacks` buffers were heard.
  static uint32_t Ms(int64_t callbacks) { return uint32_t(callbacks * BufferedDevice::kBuffer * 1000 / 44100); }
};

TEST(ModulePlayer, TheSongIsTimedFromWhenItsFirstSampleIsHeard) {
  Buffered b;
  Song* song = b.Load(kModule);
  ASSERT_NE(song, nullptr);
  for (int i = 0; i < 3; ++i) b.device.Callback();  // loading: silence
  EXPECT_FALSE(b.device.loud);
  b.p.PlaySong(song);
  b.device.Callback();  // the song's first buffer is mixed, but not heard yet
  EXPECT_EQ(b.p.SongTimeMs(song), 0u);
  b.device.Callback();  // now it has been
  EXPECT_EQ(b.p.SongTimeMs(song), Buffered::Ms(1));
  for (int i = 0; i < 41; ++i) b.device.Callback();
  EXPECT_EQ(b.p.SongTimeMs(song), Buffered::Ms(42));
}

// A song that ends long before the show does (its order list cut after the
// first pattern): once it is over the device plays silence, and the time
// goes on with what is heard, so the show keeps running to its end.
TEST(ModulePlayer, TimeRunsOnAfterTheSongHasEnded) {
  std::string bytes = testing_support::FileText(kModule);
  ASSERT_EQ(bytes.substr(0, 4), "IMPM");
  bytes.at(192 + 1) = char(255);  // the second order: end of song
  const std::string shortSong = testing::TempDir() + "/short.it";
  std::ofstream(shortSong, std::ios::binary) << bytes;
  Buffered b;
  Song* song = b.Load(shortSong);
  ASSERT_NE(song, nullptr) << b.p.SongErrorText();
  b.p.PlaySong(song);
  bool heardMusic = false;
  const int callbacks = 60 * 44100 / BufferedDevice::kBuffer;  // a minute, far past one pattern
  for (int i = 0; i < callbacks; ++i) {
    b.device.Callback();
    heardMusic |= b.device.loud;
  }
  EXPECT_TRUE(heardMusic);
  EXPECT_FALSE(b.device.loud) << "the song should be over by now";
  EXPECT_EQ(b.p.SongTimeMs(song), Buffered::Ms(callbacks - 1));  // one buffer is always still queued
  for (int i = 0; i < 100; ++i) b.device.Callback();
  EXPECT_EQ(b.p.SongTimeMs(song), Buffered::Ms(callbacks + 99));
}

}  // namespace
}  // namespace host
