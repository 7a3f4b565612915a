// The SDL backend's display-free helpers: surface conversion, the icon,
// desktop text and the key table.
#include "host/sdl_pixels.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "host/display_device.h"
#include "host/sdl_backend.h"

namespace host {
namespace {

// A 4 × 3 surface whose pixel (x, y) has red x+1, green y+1 and blue 9 (or,
// at 8 bits, index 10·y + x through a palette that spreads the index out).
Surface MakeSurface(int bits, Palette* palette) {
  Surface s;
  s.width = 4;
  s.height = 3;
  s.bitsPerPixel = bits;
  s.pitch = 4 * bits / 8 + 4;  // padded rows must not shear the picture
  s.memory.assign(size_t(s.pitch) * s.height, 0xEE);
  s.palette = palette;
  for (int y = 0; y < 3; ++y) {
    uint8_t* row = s.memory.data() + y * s.pitch;
    for (int x = 0; x < 4; ++x) {
      if (bits == 8) {
        row[x] = uint8_t(10 * y + x);
      } else {
        uint8_t* p = row + x * bits / 8;
        p[0] = 9;
        p[1] = uint8_t(y + 1);
        p[2] = uint8_t(x + 1);
        if (bits == 32) p[3] = 0xAB;  // carries no colour
      }
    }
  }
  return s;
}

uint32_t Expected(int bits, int x, int y) {
  if (bits == 8) {
    uint32_t i = uint32_t(10 * y + x);
    return i << 16 | (255 - i) << 8 | (i ^ 0x5A);
  }
  return uint32_t(x + 1) << 16 | uint32_t(y + 1) << 8 | 9;
}

TEST(SdlPixels, EveryFormatConvertsAndOutsideIsBlack) {
  Palette palette;
  for (int i = 0; i < 256; ++i)
    palette.entries[i] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A), 0};
  struct Case {
    int bits;
    Rect area;
  };
  const Case kCases[] = {
      {32, {0, 0, 4, 3}}, {24, {0, 0, 4, 3}}, {8, {0, 0, 4, 3}},
      // A window hanging over the top-left and bottom-right edges.
      {32, {-2, -1, 3, 2}}, {24, {1, 1, 6, 5}}, {8, {-1, 2, 5, 4}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE("bits " + std::to_string(c.bits) + " area " + std::to_string(c.area.left) + "," +
                 std::to_string(c.area.top));
    Surface s = MakeSurface(c.bits, &palette);
    int stride = c.area.Width() + 3;
    std::vector<uint32_t> out(size_t(stride) * c.area.Height(), 0xDEADBEEF);
    SurfaceToRgb(s, c.area, out.data(), stride);
    for (int y = 0; y < c.area.Height(); ++y) {
      for (int x = 0; x < stride; ++x) {
        int sx = c.area.left + x, sy = c.area.top + y;
        uint32_t want;
        if (x >= c.area.Width())
          want = 0xDEADBEEF;  // beyond the area: untouched
        else if (sx < 0 || sy < 0 || sx >= 4 || sy >= 3)
          want = 0;
        else
          want = Expected(c.bits, sx, sy);
        ASSERT_EQ(out[size_t(y) * stride + x], want) << "at " << x << "," << y;
      }
    }
  }
}

TEST(SdlPixels, EightBitsWithoutPaletteShowBlack) {
  Surface s = MakeSurface(8, nullptr);
  std::vector<uint32_t> out(12, 0x123456);
  SurfaceToRgb(s, Rect{0, 0, 4, 3}, out.data(), 4);
  for (uint32_t p : out) EXPECT_EQ(p, 0u);
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
  struct Case {
    std::string in, out;
  };
  const Case kCases[] = {
      {"Fmod ERROR!", "Fmod ERROR!"},
      {"dorsel @ oru\xB4" "99", "dorsel @ oru\xC2\xB4" "99"},         // old code page byte
      {"dorsel @ oru\xC2\xB4" "99", "dorsel @ oru\xC2\xB4" "99"},     // already UTF-8
      {"\xE4\xF6", "\xC3\xA4\xC3\xB6"},                               // two Latin-1 letters
      {"\xC3", "\xC3\x83"},                                           // cut-off sequence
      {"", ""},
  };
  for (const Case& c : kCases) EXPECT_EQ(DesktopText(c.in), c.out) << c.in;
}

TEST(SdlKeys, KeysMapToVirtualKeyCodes) {
  struct Case {
    int32_t key;
    WPARAM vk;
  };
  const Case kCases[] = {
      {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_F11, VK_F11}, {SDLK_F12, VK_F12}, {SDLK_F1, 0x70},
      {SDLK_a, 'A'},            {SDLK_z, 'Z'},      {SDLK_0, '0'},      {SDLK_9, '9'},
      {SDLK_RETURN, 0x0D},      {SDLK_SPACE, 0x20}, {SDLK_UP, 0x26},    {SDLK_DOWN, 0x28},
      {SDLK_LSHIFT, 0},         {SDLK_F13, 0},
  };
  for (const Case& c : kCases) EXPECT_EQ(VirtualKeyFor(c.key), c.vk) << SDL_GetKeyName(c.key);
}

}  // namespace
}  // namespace host

namespace host {
namespace {

TEST(SdlPixels, PicturesFitAtTheLargestWholeScaleCentredOnBlack) {
  struct Case {
    int outW, outH, picW, picH;
    Rect want;
  };
  const Case cases[] = {
      {512, 384, 512, 384, {0, 0, 512, 384}},          // a window at scale 1
      {1024, 768, 512, 384, {0, 0, 1024, 768}},        // --scale 2
      {2048, 1536, 512, 384, {0, 0, 2048, 1536}},      // --scale 4
      {1920, 1080, 512, 384, {448, 156, 1472, 924}},   // 2x: 3x would need 1152 rows
      {1920, 1080, 640, 480, {320, 60, 1600, 1020}},   // 2x, pillarbox
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
    EXPECT_EQ(got, c.want) << c.picW << "x" << c.picH << " on " << c.outW << "x" << c.outH << ": got "
                           << got.left << "," << got.top << "," << got.right << "," << got.bottom;
  }
}

}  // namespace
}  // namespace host
