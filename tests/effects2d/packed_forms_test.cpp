// The packed (SSE2) forms against their plain forms, on the show's own
// pictures and over frames the show really draws: the same pixels, or for
// the tunnel and morph fill exactly the green of the integer shade.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "effects2d/bump_lights.h"
#include "effects2d/flare.h"
#include "effects2d/trace_internal.h"
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

// The packed tunnel and morph fill multiply green by the integer shade: red
// and blue are the plain fill's, green is min(255, texel × integer shade
// >> 8 + the light's whole green), which is at most 2 below the plain green.
TEST_F(PackedForms, TunnelAndMorphDifferOnlyByTheIntegerShadeGreen) {
  struct Case {
    uint32_t t;  // a frame of the tunnel or the morph
    bool morph;
  };
  const Case cases[] = {{128500, true}, {131000, true}, {132900, true}, {134000, false}, {140000, false},
                        {147000, false}};
  long greenDiffers = 0;
  for (const Case& c : cases) {
    Pixels background = FrameAt(s, c.t);  // leaves the scene's eye and lights as that frame set them
    TraceScene scene = s.demo.trace;
    const PcxImage& texture = s.demo.pictures.bump;
    Canvas plain(background), packed(background), rule(background), drawn(background), drawnPlain(background);
    FillTraceBlocks(scene, texture, plain.target);
    FillTraceBlocksPacked(scene, texture, packed.target);
    FillTraceBlocksIntegerShade(scene, texture, rule.target);
    ASSERT_EQ(packed.pixels, rule.pixels) << "t " << c.t;
    for (size_t i = 0; i < plain.pixels.size(); ++i) {
      uint32_t p = plain.pixels[i], q = rule.pixels[i];
      ASSERT_EQ(q & 0xFF00FFu, p & 0xFF00FFu) << "t " << c.t << ", pixel " << i;
      int below = int(p >> 8 & 0xFF) - int(q >> 8 & 0xFF);
      ASSERT_TRUE(below >= 0 && below <= 2) << "t " << c.t << ", pixel " << i << ": " << below;
      greenDiffers += below != 0;
    }
    // The draws pick the fill by useMmx; the band outside rows 64..319 is untouched.
    TraceScene a = s.demo.trace, b = s.demo.trace;
    float m = s.demo.director.morphWeight;
    if (c.morph) {
      DrawMorph(a, m, texture, drawn.target, 1);
      DrawMorph(b, m, texture, drawnPlain.target, 0);
    } else {
      DrawTunnel(a, texture, drawn.target, 1);
      DrawTunnel(b, texture, drawnPlain.target, 0);
    }
    FillTraceBlocksIntegerShade(a, texture, rule.target);
    EXPECT_EQ(drawn.pixels, rule.pixels) << "t " << c.t;
    FillTraceBlocks(b, texture, plain.target);
    EXPECT_EQ(drawnPlain.pixels, plain.pixels) << "t " << c.t;
    for (int i = 0; i < kFrameWidth * kBandTop; ++i) ASSERT_EQ(drawn.pixels[size_t(i)], background[size_t(i)]);
  }
  EXPECT_GT(greenDiffers, 0) << "the two greens never differed: the packed fill is not the integer-shade one";
}

// The planes keep the plain fill's pixels with either useMmx: the packed
// form of the plain rule must give exactly them, on every scene's frames.
TEST_F(PackedForms, PlainRulePackedFillGivesThePlainPixels) {
  const uint32_t times[] = {104000, 110000, 118000, 126000, 128500, 132900, 140000};
  for (uint32_t t : times) {
    Pixels background = FrameAt(s, t);
    TraceScene scene = s.demo.trace;
    const PcxImage& texture = s.demo.pictures.bump;
    Canvas plain(background), packed(background);
    FillTraceBlocks(scene, texture, plain.target);
    FillTraceBlocksPlainRulePacked(scene, texture, packed.target);
    ASSERT_EQ(packed.pixels, plain.pixels) << "t " << t;
    EXPECT_NE(plain.pixels, background) << "t " << t;
  }
  // DrawPlanes draws the same frame whichever form useMmx picks.
  FrameAt(s, 112000);
  TraceScene a = s.demo.trace, b = s.demo.trace;
  Pixels background(kFramePixels, 0x00123456u);
  Canvas withMmx(background), without(background);
  DrawPlanes(a, s.demo.pictures.bump, withMmx.target, 1);
  DrawPlanes(b, s.demo.pictures.bump, without.target, 0);
  EXPECT_EQ(withMmx.pixels, without.pixels);
  EXPECT_NE(without.pixels, background);
}

// Beyond the show's frames: grids of any texel places (the whole 16-bit
// range, so places wrap and steps are steep), shades 0..255 and lights of
// any colour, corner to corner at their extremes or at random.
TEST(PackedFills, KeepTheirRulesOnAnyGrid) {
  std::mt19937 random(20261207);
  auto any = [&](uint32_t below) { return uint32_t(random() % below); };
  struct Case {
    const char* name;
    std::function<GridVertex(int c, int r)> vertex;
  };
  const Case cases[] = {
      {"random", [&](int, int) {
         return GridVertex{int16_t(any(65536) - 32768), int16_t(any(65536) - 32768), any(1u << 24), any(256)};
       }},
      {"extremes alternating", [](int c, int r) {
         bool odd = (c + r) & 1;
         return GridVertex{int16_t(odd ? 32767 : -32768), int16_t(odd ? -32768 : 32767), odd ? 0xFFFFFFu : 0u,
                           odd ? 0u : 255u};
       }},
      {"slow ramps", [](int c, int r) {
         return GridVertex{int16_t(c * 3 - r), int16_t(r * 5 + c), uint32_t(c * 4) << 8 | uint32_t(r), uint32_t(r * 7 % 256)};
       }},
  };
  PcxImage texture;
  texture.width = texture.height = kTraceTextureSide;
  for (int i = 0; i < kTraceTextureSide * kTraceTextureSide; ++i) texture.pixels.push_back(uint32_t(random()));
  for (const Case& c : cases) {
    TraceScene scene;
    InitTraceScene(scene);
    for (int r = 0; r < kGridRows; ++r)
      for (int col = 0; col < kGridColumns; ++col) scene.grid[r * kGridColumns + col] = c.vertex(col, r);
    Pixels background(kFramePixels, 0x5A123456u);
    Canvas plain(background), rule(background), packed(background), plainRulePacked(background);
    FillTraceBlocks(scene, texture, plain.target);
    FillTraceBlocksIntegerShade(scene, texture, rule.target);
    FillTraceBlocksPacked(scene, texture, packed.target);
    FillTraceBlocksPlainRulePacked(scene, texture, plainRulePacked.target);
    EXPECT_EQ(packed.pixels, rule.pixels) << c.name;
    EXPECT_EQ(plainRulePacked.pixels, plain.pixels) << c.name;
    EXPECT_NE(plain.pixels, background) << c.name;
  }
}

}  // namespace
