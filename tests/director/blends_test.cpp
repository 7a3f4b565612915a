#include "director/blends.h"

#include <gtest/gtest.h>

#include <tuple>

#include "effect_fixtures.h"

namespace {

using fixtures::Flat;
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
    // Blue 0xF0 and n = 31 carry into green: 0x0000F0 + 0x1F1F1F = 0x1F200F.
    ASSERT_EQ(frame.pixels[size_t(i)], 0xF0 + n * 0x010101u) << "pixel " << i;
    carried += frame.pixels[size_t(i)] == 0x001F200Fu;
  }
  EXPECT_GT(carried, 0);
  EXPECT_EQ(random.state, expected.state) << "one number a pixel";
  EXPECT_TRUE(frame.GuardIntact());
}

// A skipped frame of noise leaves the generator where drawing it would,
// from any state, so the frames after it get the same numbers.
TEST(SkipNoise, MovesTheGeneratorOnAsFarAsAFrameOfNoise) {
  for (uint32_t state : {1u, 0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x12345678u}) {
    Frame frame(0);
    CrtRandom drawn{state}, skipped{state};
    AddNoise(frame.target, drawn, 0);
    SkipNoise(skipped);
    EXPECT_EQ(skipped.state, drawn.state) << state;
    EXPECT_NE(skipped.state, state);
  }
}

TEST(CrossFadeImage, NeverExactAtEitherEnd) {
  // Level, frame, picture, result. a = 0 leaves the frame at 255/256, a =
  // 255 the picture at 255/256; halfway each side's channels are weighed
  // separately, then added; out of range levels are held to the ends
  // instead of overflowing.
  const std::tuple<int32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      {0, 0x00FFFFFF, 0x00123456, 0x00FEFEFE},   {255, 0x00123456, 0x00FFFFFF, 0x00FEFEFE},
      {255, 0x00FFFFFF, 0x00000000, 0x00000000}, {0, 0x00808080, 0x00FFFFFF, 0x007F7F7F},
      {128, 0x00FF0000, 0x000000FF, 0x007E007F}, {128, 0x0000FF00, 0x0000FF00, 0x0000FD00},
      {300, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE}, {-5, 0x00FFFFFF, 0x00000000, 0x00FEFEFE}};
  for (auto [a, background, picture, want] : cases) {
    Frame frame(background);
    CrossFadeImage(Flat(512, 384, picture), a, frame.target, 0);
    EXPECT_EQ(std::make_pair(frame.pixels[0], frame.pixels[kFramePixels - 1]), std::make_pair(want, want)) << a;
  }
}

// The cross-fade reads only pictures that line up with the frame, and the
// copy only a whole frame's.
TEST(CrossFadeImage, AndCopyPictureReadOnlyPicturesThatLineUpWithTheFrame) {
  struct Case {
    const char* name;
    PcxImage picture;
    int faded;  // leading frame pixels the cross-fade reaches; all: copied too
  };
  const Case cases[] = {
      {"full frame", Flat(512, 384, 0), kFramePixels},
      {"a band of rows", Flat(512, 100, 0), 512 * 100},
      {"taller than the frame", Flat(512, 500, 0), kFramePixels},
      {"not 512 wide", Flat(256, 256, 0), 0},
      {"not loaded", PcxImage{}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame(0x00FFFFFF), copy(0x00FFFFFF);
    CrossFadeImage(c.picture, 255, frame.target, 0);
    CopyPicture(c.picture, copy.target);
    EXPECT_EQ(kFramePixels - std::count(frame.pixels.begin(), frame.pixels.begin() + kFramePixels, 0x00FFFFFFu), c.faded);
    if (c.faded) {
      EXPECT_NE(frame.pixels[size_t(c.faded) - 1], 0x00FFFFFFu);
    }
    EXPECT_EQ(copy.pixels[0], c.faded == kFramePixels ? 0u : 0x00FFFFFFu);
    EXPECT_TRUE(frame.GuardIntact() && copy.GuardIntact());
  }
  PcxImage picture = fixtures::Picture(512, 384, [](int x, int y) { return uint32_t(y * 512 + x); });
  Frame frame(0x00FFFFFF);
  CopyPicture(picture, frame.target);
  EXPECT_TRUE(std::equal(picture.pixels.begin(), picture.pixels.end(), frame.pixels.begin()));
}

TEST(CopyLogo, CopiesEveryPixelInsideTheFrame) {
  // Where the show puts it, on the bottom-right corner, hanging off the
  // right, off the top and left, outside. Black pixels are copied too: the
  // logo is opaque.
  PcxImage logo = fixtures::Picture(128, 96, [](int x, int y) { return (x + y) % 2 ? 0x00ABCDEFu : 0u; });
  for (auto [lx, ly] : {std::pair{374, 10}, {384, 288}, {450, 0}, {-28, -46}, {600, 0}}) {
    Frame frame(0x00111111);
    CopyLogo(lx, ly, logo, frame.target);
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        bool inside = x >= lx && x < lx + 128 && y >= ly && y < ly + 96;
        ASSERT_EQ(frame.at(x, y), inside ? logo.pixels[size_t(y - ly) * 128 + size_t(x - lx)] : 0x00111111u) << x << ", " << y;
      }
    EXPECT_TRUE(frame.GuardIntact());
  }
  Frame frame(0x00111111);
  CopyLogo(0, 0, Flat(100, 96, 0), frame.target);
  EXPECT_EQ(frame.pixels[0], 0x00111111u) << "a logo of another width is not read";
}

}  // namespace
