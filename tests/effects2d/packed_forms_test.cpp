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
#include "support/effects_frame.h"
#include "support/show.h"

namespace {

using testing_support::Frame;
using Pixels = std::vector<uint32_t>;

// The four trace fills over one grid: the packed fill must give exactly the
// integer-shade rule, whose red and blue are the plain fill's and whose green
// is at most 2 below it; the packed form of the plain rule the plain pixels.
// Returns how many greens differ.
long CheckTraceFills(const TraceScene& scene, const PcxImage& texture, const Pixels& background) {
  Frame plain(background), packed(background), rule(background), plainRulePacked(background);
  FillTraceBlocks(scene, texture, plain.target);
  FillTraceBlocksPacked(scene, texture, packed.target);
  FillTraceBlocksIntegerShade(scene, texture, rule.target);
  FillTraceBlocksPlainRulePacked(scene, texture, plainRulePacked.target);
  EXPECT_EQ(packed.pixels, rule.pixels);
  EXPECT_EQ(plainRulePacked.pixels, plain.pixels);
  EXPECT_NE(plain.pixels, background);
  long greenDiffers = 0;
  for (size_t i = 0; i < plain.pixels.size(); ++i) {
    uint32_t p = plain.pixels[i], q = rule.pixels[i];
    int below = int(p >> 8 & 0xFF) - int(q >> 8 & 0xFF);
    if ((q & 0xFF00FFu) != (p & 0xFF00FFu) || below < 0 || below > 2) {
      ADD_FAILURE() << "pixel " << i << ": plain " << std::hex << p << ", integer shade " << q;
      break;
    }
    greenDiffers += below != 0;
  }
  return greenDiffers;
}

class PackedForms : public testing::Test {
 protected:
  testing_support::InDataDir inData;
  testing_support::Show s;
  void SetUp() override { ASSERT_TRUE(s.Open()); }
  // The frame the plain show leaves at time t, with some top bytes set
  // every `stride` pixels: both forms must leave them 0 where they draw.
  Pixels FrameAt(uint32_t t, size_t stride = 0, uint32_t top = 0) {
    s.demo.settings.useMmx = 0;
    s.FrameAt(t);
    Pixels p(s.demo.target.pixels, s.demo.target.pixels + kFramePixels);
    for (size_t i = 0; stride && i < p.size(); i += stride) p[i] |= top;
    return p;
  }
};

TEST_F(PackedForms, FlaresAddTheSamePixelsAsThePlainSum) {
  // Whole, clipped on every side, tiny, and as close as the table allows.
  const float cases[][3] = {{0, 0, 1400},   {0, 0, 256},    {-700, 0, 512},         {700, 100, 512},
                            {0, -420, 512}, {30, 400, 512}, {-900, -600, 400},      {5, 5, 9000},
                            {0, 0, 81},     {-256, 192, 256}, {123.5f, -77.25f, 300}};
  for (uint32_t t : {10000u, 40000u}) {
    const Pixels background = FrameAt(t, 7, 0x5A000000u);
    Frame plain(background), packed(background);
    for (auto [x, y, z] : cases) {
      DrawFlare(s.demo.flare, x, y, z, plain.target, 0);
      DrawFlare(s.demo.flare, x, y, z, packed.target, 1);
      ASSERT_EQ(packed.pixels, plain.pixels) << "t " << t << ", flare at " << x << " " << y << " " << z;
    }
    EXPECT_NE(plain.pixels, background) << "the flares drew nothing";
  }
}

TEST_F(PackedForms, BumpLightsGiveThePlainPixelsOpaqueAndBlended) {
  // The lights wander: several frames apart, at each fill's levels.
  BumpLights plainLights = s.demo.bumpLights, packedLights = s.demo.bumpLights;
  const Pixels background = FrameAt(30000, 5, 0xC3000000u);
  Frame plain(background), packed(background);
  for (int level : {255, 300, 254, 200, 128, 1, 0, -5}) {
    plainLights.level = packedLights.level = level;
    DrawBumpLights(plainLights, plain.target, 1.7f, 0);
    DrawBumpLights(packedLights, packed.target, 1.7f, 1);
    ASSERT_EQ(packed.pixels, plain.pixels) << "level " << level;
  }
  EXPECT_NE(plain.pixels, background);
}

// The packed tunnel and morph fill multiply green by the integer shade:
// min(255, texel × integer shade >> 8 + the light's whole green). The planes keep the plain fill's pixels with either useMmx. The draws pick
// the fill by useMmx and leave the rows outside 64..319 untouched.
TEST_F(PackedForms, TheTraceFillsKeepTheirRulesOnTheShowsFrames) {
  struct Case {
    uint32_t t;  // a frame of the planes, the morph or the tunnel
    void (*draw)(TraceScene&, float, const PcxImage&, RenderTarget&, int);
    bool integerShade;  // the packed draw's rule
  };
  auto planes = [](TraceScene& sc, float, const PcxImage& tx, RenderTarget& t, int mmx) { DrawPlanes(sc, tx, t, mmx); };
  auto morph = [](TraceScene& sc, float m, const PcxImage& tx, RenderTarget& t, int mmx) { DrawMorph(sc, m, tx, t, mmx); };
  auto tunnel = [](TraceScene& sc, float, const PcxImage& tx, RenderTarget& t, int mmx) { DrawTunnel(sc, tx, t, mmx); };
  const Case cases[] = {{104000, planes, false}, {112000, planes, false}, {118000, planes, false},
                        {126000, planes, false}, {128500, morph, true},   {131000, morph, true},
                        {132900, morph, true},   {134000, tunnel, true},  {140000, tunnel, true},
                        {147000, tunnel, true}};
  long greenDiffers = 0;
  const PcxImage& texture = s.demo.pictures.bump;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    const Pixels background = FrameAt(c.t);  // leaves the scene's eye and lights as that frame set them
    const TraceScene scene = s.demo.trace;
    TraceScene a = scene, b = scene;
    Frame plain(background), rule(background), drawn(background), drawnPlain(background);
    greenDiffers += CheckTraceFills(scene, texture, background);
    const float m = s.demo.director.morphWeight;
    c.draw(a, m, texture, drawn.target, 1);
    c.draw(b, m, texture, drawnPlain.target, 0);
    FillTraceBlocks(b, texture, plain.target);
    FillTraceBlocksIntegerShade(a, texture, rule.target);
    EXPECT_EQ(drawnPlain.pixels, plain.pixels);
    EXPECT_EQ(drawn.pixels, c.integerShade ? rule.pixels : plain.pixels);
    for (int i = 0; i < kFrameWidth * kBandTop; ++i) ASSERT_EQ(drawn.pixels[size_t(i)], background[size_t(i)]);
  }
  EXPECT_GT(greenDiffers, 0) << "the two greens never differed: the packed fill is not the integer-shade one";
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
    CheckTraceFills(scene, texture, Pixels(kFramePixels, 0x5A123456u));
  }
}

}  // namespace
