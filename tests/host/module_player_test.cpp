#include "host/module_player.h"

#include <gtest/gtest.h>

#include <fstream>

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
  EXPECT_STREQ(p.InitErrorText(), "Could not open the sound output: device busy");
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
