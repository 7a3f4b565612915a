#include "effects2d/image_sets.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "host/headless.h"
#include "support/show.h"

namespace {

TEST(RasterTables, DistanceAndAngleAboutTheCentre) {
  RasterSet r;
  BuildRasterTables(r);
  ASSERT_EQ(r.distance.size(), size_t(96 * 128));
  ASSERT_EQ(r.angle.size(), size_t(96 * 128));
  // distance = trunc(√(x² + y²)), angle = trunc(atan2(y, x) × 128/π) as a
  // byte, with x = column − 64 and y = row − 48.
  struct Case {
    int row, column, distance, angle;
  };
  const Case cases[] = {
      {48, 64, 0, 0},      // the centre
      {0, 0, 80, 155},     // √(64² + 48²); −2.498 rad is −101.8, −101 as a byte
      {48, 0, 64, 128},    // straight left: π
      {48, 127, 63, 0},    // straight right
      {0, 64, 48, 192},    // straight up: −π/2 is −64
      {95, 64, 47, 64},    // straight down
      {95, 127, 78, 26},   // √(63² + 47²) = 78.6; 0.641 rad
      {0, 127, 79, 230},   // −26.5 → −26
      {95, 0, 79, 102},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(r.distance[c.row * 128 + c.column], c.distance) << c.row << "," << c.column;
    EXPECT_EQ(r.angle[c.row * 128 + c.column], c.angle) << c.row << "," << c.column;
  }
}

TEST(LogoSet, DrawsThreeNumbersForEachOfItsFortyParticles) {
  PictureErrors errors;
  ASSERT_EQ(chdir(testing_support::DataDir().c_str()), 0);
  LogoSet logo;
  CrtRandom random;
  EXPECT_EQ(SetUpLogoSet(logo, random, errors), 1);
  CrtRandom after120;
  for (int i = 0; i < 120; ++i) after120.Next();
  EXPECT_EQ(random.state, after120.state);
  // The generator's first three numbers from state 1 are 41, 18467 and
  // 6334: field 2 takes the first, field 6 the second, field 4 the third.
  const LogoParticle& first = logo.particles[0];
  EXPECT_EQ(first.field2, 41 % 70 + 20);
  EXPECT_EQ(first.field6, float(double(27 * 0.0009775171056389809f) + 0.004));
  EXPECT_EQ(first.field4, float(double(4 * 0.0004885197849944234f) + 0.003));
  EXPECT_EQ(first.field0 | first.field1 | first.field3 | first.field5, 0);
  for (const LogoParticle& p : logo.particles) {
    EXPECT_GE(p.field2, 20);
    EXPECT_LE(p.field2, 89);
    EXPECT_GE(p.field4, 0.003f);
    EXPECT_LT(p.field4, 0.0075f);
    EXPECT_GE(p.field6, 0.004f);
    EXPECT_LT(p.field6, 0.0425f);
  }
  EXPECT_EQ(logo.buffer1.size(), size_t(kLogoBufferBytes));
  EXPECT_EQ(logo.buffer2.size(), size_t(kLogoBufferBytes));
  for (uint8_t b : logo.buffer1) ASSERT_EQ(b, 0);
  EXPECT_GT(logo.image.width, 0);
  // A missing picture is reported but the draws are taken all the same.
  ASSERT_EQ(chdir("/"), 0);
  LogoSet missing;
  CrtRandom again;
  EXPECT_EQ(SetUpLogoSet(missing, again, errors), 0);
  EXPECT_EQ(again.state, after120.state);
  EXPECT_EQ(errors.size(), 1u);
}

TEST(RasterSet, LoadsEightPicturesAndTheFrameSequence) {
  PictureErrors errors;
  ASSERT_EQ(chdir(testing_support::DataDir().c_str()), 0);
  RasterSet r;
  EXPECT_EQ(SetUpRasterSet(r, errors), 1);
  EXPECT_EQ(r.buffer.size(), size_t(kRasterBufferBytes));
  const std::array<int32_t, 16> sequence{0, 1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 0, 0};
  EXPECT_EQ(r.frames, sequence);
  for (const PcxImage& p : r.pictures) EXPECT_FALSE(p.pixels.empty());
  EXPECT_EQ(r.distance[0], 80);
}

}  // namespace
