#include "director/blends.h"

#include <gtest/gtest.h>

#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

TEST(AddNoise, AddsTheSharedGeneratorsNumbersInPixelOrderWithCarries) {
  Frame frame(0x000000F0);
  CrtRandom random;
  random.Next();  // whatever was drawn before is not drawn again
  CrtRandom expected = random;
  AddNoise(frame.target, random, 0);
  int carried = 0;
  for (int i = 0; i < kFramePixels; ++i) {
    uint32_t n = uint32_t(expected.Next() & 31);
    ASSERT_EQ(frame.pixels[size_t(i)], 0xF0 + n * 0x010101u) << "pixel " << i;
    // Blue 0xF0 and n = 31 carry into green: 0x0000F0 + 0x1F1F1F = 0x1F200F.
    if (n == 31) {
      EXPECT_EQ(frame.pixels[size_t(i)], 0x001F200Fu);
      ++carried;
    }
  }
  EXPECT_GT(carried, 0);
  EXPECT_EQ(random.state, expected.state) << "one number a pixel";
  EXPECT_TRUE(frame.GuardIntact());
}

// A skipped frame of noise leaves the generator where drawing it would,
// from any state, so the frames after it get the same numbers.
TEST(SkipNoise, MovesTheGeneratorOnAsFarAsAFrameOfNoise) {
  for (uint32_t state : {1u, 0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x12345678u}) {
    SCOPED_TRACE(state);
    Frame frame(0);
    CrtRandom drawn{state}, skipped{state};
    AddNoise(frame.target, drawn, 0);
    SkipNoise(skipped);
    EXPECT_EQ(skipped.state, drawn.state);
    EXPECT_NE(skipped.state, state);
  }
}

TEST(CrossFadeImage, NeverExactAtEitherEnd) {
  struct Case {
    int32_t a;
    uint32_t frame, picture, want;
  };
  const Case cases[] = {
      // a = 0 leaves the frame at 255/256, a = 255 the picture at 255/256.
      {0, 0x00FFFFFF, 0x00123456, 0x00FEFEFE},
      {255, 0x00123456, 0x00FFFFFF, 0x00FEFEFE},
      {255, 0x00FFFFFF, 0x00000000, 0x00000000},
      {0, 0x00808080, 0x00FFFFFF, 0x007F7F7F},
      // Halfway: each side's channels weighed separately, then added.
      {128, 0x00FF0000, 0x000000FF, 0x007E007F},
      {128, 0x0000FF00, 0x0000FF00, 0x0000FD00},
      // Out of range levels are held to the ends instead of overflowing.
      {300, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE},
      {-5, 0x00FFFFFF, 0x00000000, 0x00FEFEFE},
  };
  for (const Case& c : cases) {
    Frame frame(c.frame);
    CrossFadeImage(fixtures::Flat(512, 384, c.picture), c.a, frame.target, 0);
    EXPECT_EQ(frame.pixels[0], c.want) << c.a;
    EXPECT_EQ(frame.pixels[kFramePixels - 1], c.want) << c.a;
    EXPECT_TRUE(frame.GuardIntact());
  }
}

TEST(CrossFadeImage, ReadsOnlyPicturesThatLineUpWithTheFrame) {
  struct Case {
    const char* name;
    PcxImage picture;
    int changed;  // leading frame pixels the picture reaches
  };
  const Case cases[] = {
      {"full frame", fixtures::Flat(512, 384, 0), kFramePixels},
      {"a band of rows", fixtures::Flat(512, 100, 0), 512 * 100},
      {"taller than the frame", fixtures::Flat(512, 500, 0), kFramePixels},
      {"not 512 wide", fixtures::Flat(256, 256, 0), 0},
      {"not loaded", PcxImage{}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame(0x00FFFFFF);
    CrossFadeImage(c.picture, 255, frame.target, 0);
    int changed = 0;
    for (int i = 0; i < kFramePixels; ++i) changed += frame.pixels[size_t(i)] != 0x00FFFFFFu;
    EXPECT_EQ(changed, c.changed);
    if (c.changed) {
      EXPECT_NE(frame.pixels[size_t(c.changed) - 1], 0x00FFFFFFu);
    }
    EXPECT_TRUE(frame.GuardIntact());
  }
}

TEST(CopyPicture, CopiesAWholeFrameOrNothing) {
  PcxImage picture = fixtures::Picture(512, 384, [](int x, int y) { return uint32_t(y * 512 + x); });
  Frame frame(0x00FFFFFF);
  CopyPicture(picture, frame.target);
  for (int i = 0; i < kFramePixels; i += 997) EXPECT_EQ(frame.pixels[size_t(i)], uint32_t(i));
  EXPECT_EQ(frame.pixels[kFramePixels - 1], uint32_t(kFramePixels - 1));
  EXPECT_TRUE(frame.GuardIntact());
  Frame kept(0x00FFFFFF);
  CopyPicture(fixtures::Flat(512, 200, 0), kept.target);
  CopyPicture(PcxImage{}, kept.target);
  EXPECT_EQ(kept.pixels[0], 0x00FFFFFFu);
}

TEST(CopyLogo, CopiesEveryPixelInsideTheFrame) {
  struct Case {
    const char* name;
    int x, y;
    int copied;
  };
  const Case cases[] = {
      {"where the show puts it", 374, 10, 128 * 96},
      {"on the bottom-right corner", 384, 288, 128 * 96},
      {"hanging off the right", 450, 0, 62 * 96},
      {"hanging off the top and left", -28, -46, 100 * 50},
      {"outside", 600, 0, 0},
  };
  // Black pixels are copied too: the logo is opaque.
  PcxImage logo = fixtures::Picture(128, 96, [](int x, int y) { return (x + y) % 2 ? 0x00ABCDEFu : 0u; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame(0x00111111);
    CopyLogo(c.x, c.y, logo, frame.target);
    int copied = 0;
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        bool inside = x >= c.x && x < c.x + 128 && y >= c.y && y < c.y + 96;
        uint32_t want = inside ? logo.pixels[size_t(y - c.y) * 128 + size_t(x - c.x)] : 0x00111111u;
        ASSERT_EQ(frame.at(x, y), want) << x << ", " << y;
        copied += inside;
      }
    EXPECT_EQ(copied, c.copied);
    EXPECT_TRUE(frame.GuardIntact());
  }
  Frame frame(0x00111111);
  CopyLogo(0, 0, fixtures::Flat(100, 96, 0), frame.target);
  EXPECT_EQ(frame.pixels[0], 0x00111111u) << "a logo of another width is not read";
}

}  // namespace
