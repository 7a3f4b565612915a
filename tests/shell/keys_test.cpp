// The viewer's keys beyond the original's, on the headless host: Space holds
// the show and lets it go on, PageUp and PageDown start a window afresh.
#include <gtest/gtest.h>

#include <map>

#include "support/show.h"

namespace {

// A whole start-up from `startMs`, 30 frames a second, with the sound heard
// taken after every frame. keys[i] is pressed after frame i; the show is
// closed after `frames` frames.
struct KeyRun : testing_support::ShowRun {
  std::map<int, host::WPARAM> keys;
  std::vector<uint32_t> times;       // each frame's demo time
  std::vector<uint64_t> hashes;      // each frame's pixels
  std::vector<int16_t> heard;        // the sound, as stereo samples
  std::vector<size_t> heardAt;       // its length after each frame

  KeyRun(uint32_t startMs, bool noSound, int frames, std::map<int, host::WPARAM> pressed = {}) : keys(pressed) {
    demo.choices.noSound = noSound ? 1 : -1;
    demo.startOffsetMs = startMs;
    platform->player.SetStartOffsetMs(startMs);
    onFrame = [this, frames] {
      times.push_back(demo.clock.DemoTimeMs);
      hashes.push_back(FrameHash(demo.target.pixels));
      backend.TakeHeardAudio([this](const int16_t* s, int n) { heard.insert(heard.end(), s, s + 2 * n); });
      heardAt.push_back(heard.size());
      int i = int(times.size()) - 1;
      if (keys.count(i)) platform->windows.PostMessage(demo.MainWindow, host::WM_KEYDOWN, keys[i], 0);
      if (i + 1 == frames) platform->windows.PostMessage(demo.MainWindow, host::WM_CLOSE, 0, 0);
    };
    Go();
  }
};

TEST(ViewerKeys, SpaceHoldsPictureMusicAndTimeAndGoesOnInStep) {
  // Held after frame 10 for 30 frames: one second of the 30 frames/s clock.
  constexpr int kPress = 10, kHeld = 30, kFrames = 50;
  for (bool noSound : {false, true}) {
    SCOPED_TRACE(noSound ? "no sound" : "sound");
    KeyRun plain(20000, noSound, kFrames - kHeld);
    KeyRun held(20000, noSound, kFrames, {{kPress, host::VK_SPACE}, {kPress + kHeld, host::VK_SPACE}});
    ASSERT_EQ(held.times.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
      SCOPED_TRACE(i);
      // While held, the frame pressed on stays, its time with it; after, the
      // show goes on as if the held second had not been.
      int j = i <= kPress ? i : i <= kPress + kHeld ? kPress : i - kHeld;
      EXPECT_EQ(held.times[size_t(i)], plain.times[size_t(j)]);
      EXPECT_EQ(held.hashes[size_t(i)], plain.hashes[size_t(j)]);
    }
    if (noSound) continue;
    // The music: what was heard up to the press, one second of silence, then
    // the song from where it stopped.
    size_t at = held.heardAt[kPress], rate = size_t(held.demo.settings.mixRate);
    ASSERT_EQ(held.heard.size(), plain.heard.size() + 2 * rate);
    std::vector<int16_t> silence(2 * rate, 0);
    EXPECT_TRUE(std::equal(silence.begin(), silence.end(), held.heard.begin() + long(at)));
    held.heard.erase(held.heard.begin() + long(at), held.heard.begin() + long(at + 2 * rate));
    EXPECT_EQ(held.heard, plain.heard);
    EXPECT_NE(held.heard[at + 1000], 0);  // music, not silence, on either side
  }
}

TEST(ViewerKeys, PageKeysStartAWindowAsIfTheShowBeganThere) {
  struct Case { int from; host::WPARAM key; int to; };  // to 0: the show ends
  const Case cases[] = {{3, host::VK_NEXT, 4}, {3, host::VK_PRIOR, 2}, {1, host::VK_PRIOR, 1}, {22, host::VK_NEXT, 0}};
  // Pressed after frame 2, so the fresh run starts on the same phase of the
  // 30 frames/s clock's 33, 33, 34 ms steps.
  constexpr int kPress = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    KeyRun paged(kSchedule[size_t(c.from - 1)].from, false, 20, {{kPress, c.key}});
    if (c.to == 0) {
      EXPECT_EQ(paged.times.size(), size_t(kPress + 1));
      EXPECT_EQ(paged.driver.shutdowns, 1);
      continue;
    }
    KeyRun fresh(kSchedule[size_t(c.to - 1)].from, false, 20 - kPress - 1);
    ASSERT_EQ(paged.times.size(), size_t(20));
    // Frame for frame, picture and time, the fresh start.
    for (size_t i = 0; i < fresh.times.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(paged.times[kPress + 1 + i], fresh.times[i]);
      EXPECT_EQ(paged.hashes[kPress + 1 + i], fresh.hashes[i]);
    }
    EXPECT_EQ(paged.times[kPress + 1], kSchedule[size_t(c.to - 1)].from);
    // The song, too, from the window's start.
    std::vector<int16_t> after(paged.heard.begin() + long(paged.heardAt[kPress]), paged.heard.end());
    ASSERT_EQ(after.size(), fresh.heard.size());
    EXPECT_EQ(after, fresh.heard);
  }
}

}  // namespace
