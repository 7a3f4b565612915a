#include "host/module_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/headless.h"

namespace {

using namespace host;

std::string Module() { return std::string(DORSEL_BINARY_DIR) + "/data/what2xx.it"; }

TEST(ModulePlayer, TimeFollowsWhatIsHeard) {
  struct Case {
    int output;
    uint32_t offset;
  };
  for (const Case& c : {Case{kOutputNone, 0}, Case{kOutputDirectSound, 0}, Case{kOutputNone, 150000},
                        Case{kOutputWaveOut, 90000}}) {
    auto platform = MakeHeadlessPlatform(50);
    ModulePlayer& p = platform->player;
    p.SetOutput(c.output);
    p.SetStartOffsetMs(c.offset);
    ASSERT_TRUE(p.Init(22050, 32));
    EXPECT_EQ(p.HasAudio(), c.output != kOutputNone);
    Song* song = p.LoadSong(Module());
    ASSERT_NE(song, nullptr) << p.SongErrorText();
    EXPECT_EQ(p.SongTimeMs(song), 0u);  // not started yet
    Headless(*platform).AdvanceMs(500);  // loading takes a while
    ASSERT_TRUE(p.PlaySong(song));
    EXPECT_EQ(p.SongTimeMs(song), c.offset);
    for (int i = 0; i < 10; ++i) Headless(*platform).AdvanceFrame();
    EXPECT_EQ(p.SongTimeMs(song), c.offset + 200);
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

}  // namespace

namespace {

// An audio device with one buffer of 1024 frames queued: what it was given
// is heard one buffer later.
class BufferedDevice : public HeadlessBackend {
 public:
  bool OpenAudio(int, int, AudioPull pull, std::string*) override {
    pull_ = std::move(pull);
    return true;
  }
  int64_t AudioFramesHeard() override { return std::max<int64_t>(0, delivered_ - kBuffer); }
  void Callback() {
    std::vector<int16_t> samples(2 * kBuffer);
    pull_(samples.data(), kBuffer);
    delivered_ += kBuffer;
    loud_ = std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
  }
  static constexpr int kBuffer = 1024;
  bool loud_ = false;

 private:
  AudioPull pull_;
  int64_t delivered_ = 0;
};

TEST(ModulePlayer, TheSongIsTimedFromWhenItsFirstSampleIsHeard) {
  Platform platform(std::make_unique<BufferedDevice>());
  auto& device = static_cast<BufferedDevice&>(*platform.backend);
  ModulePlayer& p = platform.player;
  ASSERT_TRUE(p.Init(44100, 32));
  Song* song = p.LoadSong(Module());
  ASSERT_NE(song, nullptr);
  for (int i = 0; i < 3; ++i) device.Callback();  // loading: silence
  EXPECT_FALSE(device.loud_);
  p.PlaySong(song);
  device.Callback();  // the song's first buffer is mixed, but not heard yet
  EXPECT_EQ(p.SongTimeMs(song), 0u);
  device.Callback();  // now it has been
  EXPECT_EQ(p.SongTimeMs(song), 1024u * 1000 / 44100);
  for (int i = 0; i < 41; ++i) device.Callback();
  EXPECT_EQ(p.SongTimeMs(song), 42u * 1024 * 1000 / 44100);
}

// A song that ends long before the show does (its order list cut after the
// first pattern): once it is over the device plays silence, and the time
// goes on with what is heard, so the show keeps running to its end.
TEST(ModulePlayer, TimeRunsOnAfterTheSongHasEnded) {
  std::ifstream in(Module(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 200u);
  ASSERT_EQ(std::string(bytes.data(), 4), "IMPM");
  bytes[192 + 1] = char(255);  // the second order: end of song
  const std::string shortSong = testing::TempDir() + "/short.it";
  std::ofstream(shortSong, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));

  Platform platform(std::make_unique<BufferedDevice>());
  auto& device = static_cast<BufferedDevice&>(*platform.backend);
  ModulePlayer& p = platform.player;
  ASSERT_TRUE(p.Init(44100, 32));
  Song* song = p.LoadSong(shortSong);
  ASSERT_NE(song, nullptr) << p.SongErrorText();
  p.PlaySong(song);
  bool heardMusic = false;
  int callbacks = 0;
  // Sixty seconds of output, far past one pattern's worth.
  for (; callbacks < 60 * 44100 / BufferedDevice::kBuffer; ++callbacks) {
    device.Callback();
    heardMusic |= device.loud_;
  }
  EXPECT_TRUE(heardMusic);
  EXPECT_FALSE(device.loud_) << "the song should be over by now";
  // One buffer is always still queued.
  EXPECT_EQ(p.SongTimeMs(song), uint32_t(int64_t(callbacks - 1) * 1024 * 1000 / 44100));
  for (int i = 0; i < 100; ++i) device.Callback();
  EXPECT_EQ(p.SongTimeMs(song), uint32_t(int64_t(callbacks + 99) * 1024 * 1000 / 44100));
}

}  // namespace
