#include "effects2d/image_sets.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/show.h"

namespace {

TEST(RasterTables, DistanceAndAngleAboutTheCentre) {
  RasterSet r;
  BuildRasterTables(r);
  ASSERT_EQ(r.distance.size(), size_t(96 * 128));
  ASSERT_EQ(r.angle.size(), size_t(96 * 128));
  // distance = trunc(√(x² + y²)), angle = trunc(atan2(y, x) × 128/π) as a
  // byte, with x = column − 64 and y = row − 48: the centre; the top-left
  // corner (√(64² + 48²); −2.498 rad is −101.8, −101 as a byte); straight
  // left (π), right, up (−π/2 is −64) and down; the other corners.
  const int cases[][4] = {{48, 64, 0, 0},   {0, 0, 80, 155},   {48, 0, 64, 128},  {48, 127, 63, 0},
                          {0, 64, 48, 192}, {95, 64, 47, 64},  {95, 127, 78, 26}, {0, 127, 79, 230},
                          {95, 0, 79, 102}};
  for (auto [row, column, distance, angle] : cases) {
    EXPECT_EQ(r.distance[row * 128 + column], distance) << row << "," << column;
    EXPECT_EQ(r.angle[row * 128 + column], angle) << row << "," << column;
  }
}

TEST(LogoSet, DrawsThreeNumbersForEachOfItsFortyParticles) {
  PictureErrors errors;
  ASSERT_EQ(chdir(testing_support::DataDir().c_str()), 0);
  LogoSet logo;
  CrtRandom random, after120;
  EXPECT_EQ(SetUpLogoSet(logo, random, errors), 1);
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
    EXPECT_TRUE(p.field2 >= 20 && p.field2 <= 89 && p.field4 >= 0.003f && p.field4 < 0.0075f && p.field6 >= 0.004f &&
                p.field6 < 0.0425f);
  }
  EXPECT_EQ(logo.buffer1, std::vector<uint8_t>(kLogoBufferBytes, 0));
  EXPECT_EQ(logo.buffer2.size(), size_t(kLogoBufferBytes));
  EXPECT_GT(logo.image.width, 0);
  // A missing picture is reported but the draws are taken all the same.
  ASSERT_EQ(chdir("/"), 0);
  LogoSet missing;
  CrtRandom again;
  EXPECT_EQ(SetUpLogoSet(missing, again, errors), 0);
  EXPECT_EQ(again.state, after120.state);
  EXPECT_EQ(errors.size(), 1u);
}

TEST(RasterSet, LoadsEightPicturesAndTheTables) {
  PictureErrors errors;
  ASSERT_EQ(chdir(testing_support::DataDir().c_str()), 0);
  RasterSet r;
  EXPECT_EQ(SetUpRasterSet(r, errors), 1);
  EXPECT_EQ(r.buffer.size(), size_t(kRasterBufferBytes));
  for (const PcxImage& p : r.pictures) EXPECT_FALSE(p.pixels.empty());
  EXPECT_EQ(r.distance[0], 80);
  // Not there: 0, and a message for each missing picture.
  ASSERT_EQ(chdir("/"), 0);
  RasterSet none;
  EXPECT_EQ(SetUpRasterSet(none, errors), 0);
  EXPECT_EQ(errors.size(), size_t(kRasterPictures));
}

}  // namespace
