// The packed (SSE2) forms against their plain forms, on the show's own
// pictures and over frames the show really draws: the same pixels, or for
// the tunnel and morph fill exactly the green of the integer shade.
#include <gtest/gtest.h>

#include <vector>

#include "effects2d/bump_lights.h"
#include "effects2d/flare.h"
#include "support/show.h"

namespace {

using testing_support::InDataDir;
using testing_support::Show;

using Pixels = std::vector<uint32_t>;

struct Canvas {
  Pixels pixels;
  RenderTarget target;
  explicit Canvas(Pixels p) : pixels(std::move(p)) {
    target.pixels = pixels.data();
    target.width = kFrameWidth;
    target.height = kFrameHeight;
  }
};

// The frame the plain show leaves at time t.
Pixels FrameAt(Show& s, uint32_t t) {
  s.demo.settings.useMmx = 0;
  s.FrameAt(t);
  return Pixels(s.demo.target.pixels, s.demo.target.pixels + kFrameWidth * kFrameHeight);
}

class PackedForms : public testing::Test {
 protected:
  InDataDir inData;
  Show s;
  void SetUp() override { ASSERT_TRUE(s.Open()); }
};

TEST_F(PackedForms, FlaresAddTheSamePixelsAsThePlainSum) {
  struct Case {
    float x, y, z;
  };
  // Whole, clipped on every side, tiny, and as close as the table allows.
  const Case cases[] = {{0, 0, 1400},     {0, 0, 256},      {-700, 0, 512},  {700, 100, 512},
                        {0, -420, 512},   {30, 400, 512},   {-900, -600, 400}, {5, 5, 9000},
                        {0, 0, 81},       {123.5f, -77.25f, 300}, {-256, 192, 256}};
  for (uint32_t t : {10000u, 40000u}) {
    Pixels background = FrameAt(s, t);
    // Some top bytes set: both forms must leave them 0 where they draw.
    for (size_t i = 0; i < background.size(); i += 7) background[i] |= 0x5A000000u;
    Canvas plain(background), packed(background);
    for (const Case& c : cases) {
      DrawFlare(s.demo.flare, c.x, c.y, c.z, plain.target, 0);
      DrawFlare(s.demo.flare, c.x, c.y, c.z, packed.target, 1);
      ASSERT_EQ(packed.pixels, plain.pixels) << "t " << t << ", flare at " << c.x << " " << c.y << " " << c.z;
    }
    EXPECT_NE(plain.pixels, background) << "the flares drew nothing";
  }
}

TEST_F(PackedForms, BumpLightsGiveThePlainPixelsOpaqueAndBlended) {
  // The lights wander: several frames apart, at each fill's levels.
  const int levels[] = {255, 300, 254, 200, 128, 1, 0, -5};
  BumpLights plainLights = s.demo.bumpLights, packedLights = s.demo.bumpLights;
  Pixels background = FrameAt(s, 30000);
  for (size_t i = 0; i < background.size(); i += 5) background[i] |= 0xC3000000u;
  Canvas plain(background), packed(background);
  for (int level : levels) {
    plainLights.level = packedLights.level = level;
    DrawBumpLights(plainLights, plain.target, 1.7f, 0);
    DrawBumpLights(packedLights, packed.target, 1.7f, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "level " << level;
  }
  EXPECT_NE(plain.pixels, background);
}

}  // namespace
