#include "effects2d/flare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Every texel different: row in red, column in green, 1 in blue, so a drawn
// pixel over black tells which texel it shows.
FlareSprite TestSprite() {
  FlareSprite f;
  f.image.width = f.image.height = kFlareSide;
  for (int r = 0; r < kFlareSide; ++r)
    for (int c = 0; c < kFlareSide; ++c) f.image.pixels.push_back(uint32_t(r) << 16 | uint32_t(c) << 8 | 1);
  f.steps.assign(kFlareStepEntries, 0);
  return f;
}

struct Frame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kFramePixels, 0);
  RenderTarget target;
  Frame() { target.pixels = pixels.data(); }
  uint32_t At(int x, int y) const { return pixels[y * kFrameWidth + x]; }
};

struct Box {
  int left = kFrameWidth, top = kFrameHeight, right = -1, bottom = -1;  // inclusive
  int count = 0;
};

Box Drawn(const Frame& f) {
  Box b;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      if (f.At(x, y)) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        ++b.count;
      }
  return b;
}

TEST(DrawFlare, SizeFollowsDepth) {
  struct Case {
    float x, y, z;
    int left, top, width;
  };
  const Case cases[] = {
      {0, 0, 256, 196, 132, 120},  // 120 world units at the focal length
      {0, 0, 512, 226, 162, 60},
      {0, 0, 1024, 241, 177, 30},
      {100, -50, 256, 296, 82, 120},  // moved by its own units at z = 256
  };
  for (const Case& c : cases) {
    FlareSprite f = TestSprite();
    Frame frame;
    DrawFlare(f, c.x, c.y, c.z, frame.target, 0);
    Box b = Drawn(frame);
    EXPECT_EQ(b.left, c.left) << c.z;
    EXPECT_EQ(b.top, c.top) << c.z;
    EXPECT_EQ(b.right - b.left + 1, c.width) << c.z;
    EXPECT_EQ(b.bottom - b.top + 1, c.width) << c.z;
    EXPECT_EQ(b.count, c.width * c.width) << c.z;
  }
}

TEST(DrawFlare, TheSquareSpansTheWholePicture) {
  FlareSprite f = TestSprite();
  Frame frame;
  DrawFlare(f, 0, 0, 256, frame.target, 0);
  // 120 pixels step through the texels by 16384 / 120 = 136 in 8.8.
  struct Case {
    int x, y, row, column;
  };
  const Case cases[] = {
      {196, 132, 0, 0},     // top-left corner
      {315, 251, 63, 63},   // bottom-right: (119 × 136) >> 8 = 63
      {256, 192, 31, 31},   // (60 × 136) >> 8
      {197, 133, 0, 0},     // (1 × 136) >> 8 = 0
      {198, 134, 1, 1},
      {315, 132, 0, 63},
  };
  for (const Case& c : cases)
    EXPECT_EQ(frame.At(c.x, c.y), uint32_t(c.row) << 16 | uint32_t(c.column) << 8 | 1) << c.x << "," << c.y;
}

TEST(DrawFlare, ClippingKeepsTheTexelsOfTheVisiblePart) {
  FlareSprite f = TestSprite();
  Frame whole;
  DrawFlare(f, 0, 0, 256, whole.target, 0);  // left 196, top 132
  struct Case {
    float x, y;
    int dx, dy;  // where the whole flare's pixels land
  };
  const Case cases[] = {
      {-250, 0, -250, 0},    // past the left edge
      {250, 0, 250, 0},      // past the right edge
      {0, -150, 0, -150},    // past the top
      {0, 150, 0, 150},      // past the bottom
      {-250, -150, -250, -150},
      {250, 150, 250, 150},
  };
  for (const Case& c : cases) {
    Frame clipped;
    DrawFlare(f, c.x, c.y, 256, clipped.target, 0);
    int drawn = 0;
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        int sx = x - c.dx, sy = y - c.dy;
        bool inside = sx >= 0 && sx < kFrameWidth && sy >= 0 && sy < kFrameHeight;
        uint32_t want = inside ? whole.At(sx, sy) : 0;
        // Pixels of the whole flare shifted off the frame cannot be compared.
        if (!inside && clipped.At(x, y) == 0) continue;
        ASSERT_EQ(clipped.At(x, y), want) << c.x << "," << c.y << " at " << x << "," << y;
        drawn += want != 0;
      }
    EXPECT_GT(drawn, 0) << c.x << "," << c.y;
  }
}

TEST(DrawFlare, AddsWithSaturation) {
  struct Case {
    uint32_t texel, pixel, want;
  };
  const Case cases[] = {
      {0x000000, 0x123456, 0x123456},  // black leaves the frame as it was
      {0xFFFFFF, 0x000000, 0xFFFFFF},  // white makes it white
      {0xFFFFFF, 0x123456, 0xFFFFFF},
      {0x909090, 0x808080, 0xFFFFFF},
      {0x20F0F0, 0x10F020, 0x30FFFF},  // each channel on its own
      {0x010203, 0x102030, 0x112233},
  };
  for (const Case& c : cases) {
    FlareSprite f = TestSprite();
    std::fill(f.image.pixels.begin(), f.image.pixels.end(), c.texel);
    Frame frame;
    std::fill(frame.pixels.begin(), frame.pixels.end(), c.pixel);
    DrawFlare(f, 0, 0, 256, frame.target, 0);
    EXPECT_EQ(frame.At(256, 192), c.want) << std::hex << c.texel << " + " << c.pixel;
    EXPECT_EQ(frame.At(10, 10), c.pixel);  // outside the square
  }
}

TEST(DrawFlare, NothingBehindTheEyeOffScreenOrTooCloseForTheTable) {
  struct Case {
    const char* what;
    float x, y, z;
    bool drawn;
  };
  const Case cases[] = {
      {"z = 0", 0, 0, 0, false},
      {"z < 0", 0, 0, -256, false},
      {"z not a number", 0, 0, std::nanf(""), false},
      {"far right", 1000, 0, 256, false},
      {"far left", -1000, 0, 256, false},
      {"far below", 0, 1000, 256, false},
      {"far above", 0, -1000, 256, false},
      {"huge x near the eye", 1e30f, 0, 1e-3f, false},
      // At z = 80 a flare is 384 pixels wide and needs 385 table entries.
      {"z = 80", 0, 0, 80, false},
      {"z = 1e-6", 0, 0, 1e-6f, false},
      {"z = 81, 378 wide", 0, 0, 81, true},
      {"tiny and far", 0, 0, 1e5f, false},  // under one pixel
  };
  for (const Case& c : cases) {
    FlareSprite f = TestSprite();
    Frame frame;
    DrawFlare(f, c.x, c.y, c.z, frame.target, 0);
    EXPECT_EQ(Drawn(frame).count > 0, c.drawn) << c.what;
    EXPECT_EQ(f.steps.size(), size_t(kFlareStepEntries)) << c.what;
  }
}

TEST(DrawFlare, AMissingPictureDrawsNothing) {
  FlareSprite f = TestSprite();
  f.image = PcxImage{};
  Frame frame;
  DrawFlare(f, 0, 0, 256, frame.target, 0);
  EXPECT_EQ(Drawn(frame).count, 0);
}

}  // namespace
