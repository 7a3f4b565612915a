// The SDL backend without a display: surface conversion, the icon, desktop
// text, the key table, the picture's fit on the screen, and the sound
// through SDL's disk driver.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "host/display_device.h"
#include "host/sdl_backend.h"
#include "host/sdl_pixels.h"
#include "sdl_xvfb.h"

namespace host {
namespace {

// A 4 × 3 surface with padded rows whose pixel (x, y) has red x+1, green
// y+1 and blue 9 (or, at 8 bits, index 10·y + x through the palette).
Surface MakeSurface(int bits, Palette* palette) {
  Surface s;
  s.width = 4, s.height = 3, s.bitsPerPixel = bits, s.palette = palette;
  s.pitch = 4 * bits / 8 + 4;  // padded rows must not shear the picture
  s.memory.assign(size_t(s.pitch) * s.height, 0xEE);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t* p = s.memory.data() + y * s.pitch + x * bits / 8;
      if (bits == 8) {
        p[0] = uint8_t(10 * y + x);
      } else {
        p[0] = 9, p[1] = uint8_t(y + 1), p[2] = uint8_t(x + 1);
        if (bits == 32) p[3] = 0xAB;  // carries no colour
      }
    }
  return s;
}

TEST(SdlPixels, EveryFormatConvertsAndOutsideIsBlack) {
  Palette palette;
  for (int i = 0; i < 256; ++i) palette.entries[i] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A), 0};
  struct Case {
    int bits;
    Rect area;
    Palette* palette;
  };
  const Case kCases[] = {
      {32, {0, 0, 4, 3}, nullptr}, {24, {0, 0, 4, 3}, nullptr}, {8, {0, 0, 4, 3}, &palette},
      // A window hanging over the top-left and bottom-right edges.
      {32, {-2, -1, 3, 2}, nullptr}, {24, {1, 1, 6, 5}, nullptr}, {8, {-1, 2, 5, 4}, &palette},
      {8, {0, 0, 4, 3}, nullptr},  // eight bits without a palette show black
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE("bits " + std::to_string(c.bits) + " from " + std::to_string(c.area.left) + "," +
                 std::to_string(c.area.top) + (c.palette ? "" : " without palette"));
    Surface s = MakeSurface(c.bits, c.palette);
    int stride = c.area.Width() + 3;
    std::vector<uint32_t> out(size_t(stride) * c.area.Height(), 0xDEADBEEF);
    SurfaceToRgb(s, c.area, out.data(), stride);
    for (int y = 0; y < c.area.Height(); ++y)
      for (int x = 0; x < stride; ++x) {
        int sx = c.area.left + x, sy = c.area.top + y;
        uint32_t i = uint32_t(10 * sy + sx), want = 0;
        if (x >= c.area.Width())
          want = 0xDEADBEEF;  // beyond the area: untouched
        else if (sx < 0 || sy < 0 || sx >= 4 || sy >= 3 || (c.bits == 8 && !c.palette))
          want = 0;
        else
          want = c.bits == 8 ? i << 16 | (255 - i) << 8 | (i ^ 0x5A) : uint32_t(sx + 1) << 16 | uint32_t(sy + 1) << 8 | 9;
        ASSERT_EQ(out[size_t(y) * stride + x], want) << "at " << x << "," << y;
      }
  }
}

TEST(SdlPixels, IconIsAnOpaqueDiscOnTransparency) {
  const int n = 32;
  std::vector<uint32_t> icon = ProgramIcon(n);
  ASSERT_EQ(icon.size(), size_t(n * n));
  auto at = [&](int x, int y) { return icon[size_t(y) * n + x]; };
  for (auto [x, y] : {std::pair{0, 0}, {n - 1, 0}, {0, n - 1}, {n - 1, n - 1}})
    EXPECT_EQ(at(x, y) >> 24, 0u) << "corner " << x << "," << y;
  EXPECT_EQ(at(n / 2, n / 2) >> 24, 0xFFu);
  EXPECT_EQ(at(n / 2, 1) >> 24, 0xFFu);
  // Mirror image left to right, and the core is the brightest blue.
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) ASSERT_EQ(at(x, y), at(n - 1 - x, y)) << x << "," << y;
  EXPECT_EQ(at(n / 2, n / 2) & 0xFF, 0xFFu);
  // Chrome: the ring is lighter above the middle than below it.
  EXPECT_GT(at(n / 2, 5) & 0xFF00, at(n / 2, n - 6) & 0xFF00);
}

TEST(SdlPixels, DesktopTextIsUtf8) {
  const std::pair<std::string, std::string> kCases[] = {
      {"Fmod ERROR!", "Fmod ERROR!"},
      {"dorsel @ oru\xB4" "99", "dorsel @ oru\xC2\xB4" "99"},      // old code page byte
      {"dorsel @ oru\xC2\xB4" "99", "dorsel @ oru\xC2\xB4" "99"},  // already UTF-8
      {"\xE4\xF6", "\xC3\xA4\xC3\xB6"},                            // two Latin-1 letters
      {"\xC3", "\xC3\x83"},                                        // cut-off sequence
      {"", ""},
  };
  for (const auto& [in, out] : kCases) EXPECT_EQ(DesktopText(in), out) << in;
}

TEST(SdlKeys, KeysMapToVirtualKeyCodes) {
  const std::pair<int32_t, WPARAM> kCases[] = {
      {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_F11, VK_F11}, {SDLK_F12, VK_F12}, {SDLK_F1, 0x70},
      {SDLK_a, 'A'},            {SDLK_z, 'Z'},      {SDLK_0, '0'},      {SDLK_9, '9'},
      {SDLK_RETURN, 0x0D},      {SDLK_SPACE, 0x20}, {SDLK_UP, 0x26},    {SDLK_DOWN, 0x28},
      {SDLK_PAGEUP, 0x21},      {SDLK_PAGEDOWN, 0x22}, {SDLK_LSHIFT, 0}, {SDLK_F13, 0},
  };
  for (auto [key, vk] : kCases) EXPECT_EQ(VirtualKeyFor(key), vk) << SDL_GetKeyName(key);
}

TEST(SdlPixels, PicturesFitAtTheLargestWholeScaleCentredOnBlack) {
  struct Case {
    int outW, outH, picW, picH;
    Rect want;
  };
  const Case cases[] = {
      {512, 384, 512, 384, {0, 0, 512, 384}},          // a window at scale 1
      {2048, 1536, 512, 384, {0, 0, 2048, 1536}},      // --scale 4
      {1280, 800, 640, 480, {320, 160, 960, 640}},     // 1.67 fits only once
      {1280, 1024, 512, 384, {128, 128, 1152, 896}},   // 2x, bars on all sides
      {2560, 1440, 512, 384, {512, 144, 2048, 1296}},  // 3x
      {1024, 2000, 512, 384, {0, 616, 1024, 1384}},    // a tall screen: letterbox
      {400, 300, 512, 384, {0, 0, 400, 300}},          // smaller than the picture: shrink
      {300, 400, 512, 384, {0, 87, 300, 312}},         // shrink to the width
      {0, 0, 512, 384, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Rect got = FitPicture(c.outW, c.outH, c.picW, c.picH);
    EXPECT_EQ(got, c.want) << c.picW << "x" << c.picH << " on " << c.outW << "x" << c.outH;
  }
}

TEST(SdlAudioOutputs, EachChoiceOpensItsOwnWay) {
  const std::tuple<int, int, std::string, std::vector<AudioAttempt>> cases[] = {  // output, rate, named driver
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
  for (const auto& [output, rate, named, attempts] : cases)
    EXPECT_EQ(AudioAttempts(output, rate, named), attempts) << "output " << output << " at " << rate << " " << named;
}

// What the player pulls is what the disk driver writes, at the chosen
// rate, and the time heard never runs ahead of what was delivered nor
// backwards.
TEST(SdlAudio, PulledSamplesAreWrittenUnchangedAtTheChosenRate) {
  const std::string file = testing::TempDir() + "sdl_audio_" + std::to_string(getpid()) + ".raw";
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  std::string error;
  std::unique_ptr<Platform> platform = MakeSdlPlatform(&error);
  ASSERT_NE(platform, nullptr) << error;
  SdlBackend& sdl = Sdl(*platform);
  for (int output : {kOutputDirectSound, kOutputWaveOut}) {
    SCOPED_TRACE("output " + std::to_string(output));
    // Left counts up, right counts down: a swapped, dropped or resampled
    // frame shows at once.
    int64_t next = 0;
    auto pull = [&next](int16_t* s, int frames) {
      for (int i = 0; i < frames; ++i, ++next) s[2 * i] = int16_t(next), s[2 * i + 1] = int16_t(-next);
    };
    ASSERT_TRUE(sdl.OpenAudio(output, 22050, pull, &error)) << error;
    EXPECT_EQ(sdl.AudioDriver(), "disk");  // the environment's choice wins for both
    int64_t last = 0;
    for (int i = 0; i < 1000 && !(last > 0 && sdl.AudioFramesDelivered() >= 4096); ++i) {
      int64_t heard = sdl.AudioFramesHeard();
      ASSERT_GE(heard, last) << "the time heard went backwards";
      ASSERT_LE(heard, sdl.AudioFramesDelivered()) << "heard more than was delivered";
      last = heard;
      SDL_Delay(5);
    }
    EXPECT_GT(last, 0);
    sdl.CloseAudio();
    int64_t delivered = sdl.AudioFramesDelivered();
    EXPECT_EQ(std::pair(sdl.AudioDriver(), delivered), std::pair(std::string(), next));
    // The device may play silence while it waits to be started; after that
    // comes every delivered frame, in order.
    std::vector<int16_t> written = sdltest::ReadSamples(file);
    int64_t lead = int64_t(written.size()) / 2 - delivered;
    ASSERT_GE(lead, 0) << "fewer frames written than delivered";
    ASSERT_LE(lead, 4096);
    for (int64_t i = -lead; i < delivered; ++i)
      ASSERT_EQ(std::pair(written[2 * (lead + i)], written[2 * (lead + i) + 1]),
                (i < 0 ? std::pair<int16_t, int16_t>(0, 0) : std::pair(int16_t(i), int16_t(-i))))
          << "frame " << i;
  }
  platform.reset();
  std::remove(file.c_str());
}

}  // namespace
}  // namespace host
