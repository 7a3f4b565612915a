#include "effects2d/trace_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/effects_frame.h"

namespace {

using testing_support::Frame;

// A scene whose lights are out of reach and whose ramps say which entry a
// light gave: light 0 in red, 1 in green, 2 in blue.
TraceScene Scene(Vec3 eye = {0, 0, 0}, Vec3 target = {0, 0, 1}) {
  TraceScene s;
  InitTraceScene(s);
  s.eye = eye, s.target = target;
  for (int i = 0; i < kLitLights; ++i) {
    s.lights[i].position = {1e7f, 0, 0};
    for (int k = 0; k < 256; ++k) s.lights[i].ramp[k] = uint32_t(k) << (16 - 8 * i);
  }
  return s;
}

// Texel (row, column): row in red, column in green, their XOR in blue.
uint32_t Texel(int row, int column) { return uint32_t(row) << 16 | uint32_t(column) << 8 | uint32_t((row ^ column) & 255); }

PcxImage Texture(uint32_t plain = 0xFF000000u) {
  PcxImage t;
  t.width = t.height = kTraceTextureSide;
  for (int i = 0; i < 256 * 256; ++i) t.pixels.push_back(plain >> 24 ? Texel(i / 256, i % 256) : plain);
  return t;
}

// Each channel times 255/256, rounded down: the fill at full shade.
uint32_t FullShade(uint32_t p) {
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) out |= ((p >> s & 255) * 255 / 256) << s;
  return out;
}

TEST(BuildLightRamp, CosineFalloffWithAHighlight) {
  struct Case {
    float kR, kG, kB, highlight, offset;
    int entry;
    uint32_t want;
  };
  // Entry 0 is dark; the highlight can push a channel past 255, where it is
  // held; an offset lifts the dark end.
  const Case cases[] = {{15, 38, 53, 150, 0, 0, 0x000000}, {58, 24, 12, 300, 0, 255, 0xFFFFFF}, {15, 38, 53, 150, 1, 1, 0x0F2635}};
  for (const Case& c : cases) {
    std::array<uint32_t, 256> ramp{};
    BuildLightRamp(ramp, c.kR, c.kG, c.kB, c.highlight, 20, c.offset);
    EXPECT_EQ(ramp[c.entry], c.want) << c.kR << " entry " << c.entry;
    for (int k = 1; k < 256; ++k) ASSERT_GE(ramp[k] >> 16, ramp[k - 1] >> 16) << "darkest first";
  }
}

TEST(TraceVertex, WhereRaysMeetEachSurface) {
  struct Case {
    const char* what;
    TraceSurface surface;
    float m;
    Vec3 eye, d;
    int u, v;
    uint32_t shade;  // 64 less the fog, the lights being out of reach
  };
  constexpr TraceSurface T = TraceSurface::kTunnel, P = TraceSurface::kPlanes, M = TraceSurface::kMorph;
  const Case cases[] = {
      // The tunnel: u from the angle round the axis, 512/π a radian, the
      // same on both halves; v the depth. Radius 256, so fog trunc(256 × 0.06).
      {"up", T, 0, {}, {0, 1, 0}, 255, 0, 49},              {"down mirrors up", T, 0, {}, {0, -1, 0}, 255, 0, 49},
      {"right", T, 0, {}, {1, 0, 0}, 0, 0, 49},             {"left", T, 0, {}, {-1, 0, 0}, 511, 0, 49},
      {"ahead", T, 0, {}, {0, 1, 2}, 255, 512, 64 - 34},    {"behind", T, 0, {}, {0, 1, -3}, 255, -768, 64 - 48},
      // From outside the cylinder a ray along y = 1000 misses: t = 0, the
      // vertex sits at the eye.
      {"a miss", T, 0, {0, 1000, 0}, {1, 0.5f, 0.25f}, 255, 0, 64},
      // The planes: t = (e.y + 128) / d.y looking down, (e.y − 128) / d.y up.
      {"floor", P, 0, {}, {0, 1, 1}, 0, 128, 55},           {"ceiling", P, 0, {}, {0, -1, 1}, 0, 128, 55},
      {"floor, aside", P, 0, {}, {3, 1, -2}, 384, -256, 41}, {"floor from a raised eye", P, 0, {0, 10, 0}, {0, 1, 1}, 0, 138, 55},
      {"far planes wrap in 16 bits", P, 0, {}, {4000, 1, 0}, 512000 - 65536 * 8, 0, 0},
      // The morph: m = 1 takes the planes' hit with the tunnel's fog; half
      // way t = (256 + 128) / 2, u = |trunc(π/2 × 0.5 × 512/π)|; where the
      // cylinder is missed the planes alone decide: t = 1128 / 0.5, and
      // u = |trunc(atan2(2128, 2256) × 512/π)| + trunc(2256 × 0).
      {"morph 1", M, 1, {}, {0, 1, 1}, 0, 128, 54},         {"morph ½", M, 0.5f, {}, {0, 1, 0}, 127, 0, 64 - 11},
      {"morph over a miss", M, 0, {0, 1000, 0}, {1, 0.5f, 0.25f}, 123, 564, 0},
  };
  for (const Case& c : cases) {
    GridVertex g = TraceVertex(Scene(c.eye), c.d, c.surface, c.m);
    EXPECT_EQ(g.u, int16_t(c.u)) << c.what;
    EXPECT_EQ(g.v, int16_t(c.v)) << c.what;
    EXPECT_EQ(g.shade, c.shade) << c.what;
    EXPECT_EQ(g.light, 0u) << c.what;
  }
}

// At m = 0 the morph is the tunnel wherever the ray meets the cylinder; a
// ray along the planes ends in the dark on the planes and wherever they
// decide (a ray along the axis never meets the cylinder).
TEST(TraceVertex, MorphAtZeroIsTheTunnelAndRaysAlongThePlanesEndInTheDark) {
  TraceScene s = Scene({30, -40, 100});
  s.lights[0].position = s.eye;
  s.lights[1].position = {0, 200, 300};
  const Vec3 meeting[] = {{0.3f, 0.8f, 0.5f}, {-0.7f, -0.2f, 0.6f}, {0.1f, 0, 1}, {0, 0.05f, -1}, {1, 0, 0}, {-0.6f, 0, 0.8f}};
  for (Vec3 d : meeting) {
    GridVertex tunnel = TraceVertex(s, d, TraceSurface::kTunnel, 0), morph = TraceVertex(s, d, TraceSurface::kMorph, 0);
    EXPECT_EQ(morph.u, tunnel.u);
    EXPECT_EQ(morph.v, tunnel.v);
    EXPECT_EQ(morph.shade, tunnel.shade);
    EXPECT_EQ(morph.light, tunnel.light);
    if (d.y != 0) continue;
    for (auto [surface, m] : {std::pair{TraceSurface::kPlanes, 0.0f}, {TraceSurface::kMorph, 1.0f}, {TraceSurface::kMorph, 0.5f}}) {
      GridVertex g = TraceVertex(s, d, surface, m);
      EXPECT_EQ(g.shade | g.light, 0u) << d.x;
    }
  }
  GridVertex axis = TraceVertex(s, {0, 0, 1}, TraceSurface::kMorph, 0);
  EXPECT_EQ(axis.shade | axis.light, 0u);
}

TEST(TraceVertex, LightsByDistanceWithACutOff) {
  // A vertex that misses the tunnel sits at the eye, at ray distance 0, so
  // only the lights' own distance counts: k = trunc(255 − 0.5 × distance).
  struct Case {
    const char* what;
    float dx[3];  // each light's distance from the eye along x; < 0: out of reach
    uint32_t light, shade;
  };
  const Case cases[] = {
      {"none in reach", {-1, -1, -1}, 0x000000, 64},
      {"at the eye", {0, -1, -1}, 0xFF0000, 255},
      {"400 away", {400, -1, -1}, 0x370000, 64 + 55},
      {"508 away: the last that lights", {508, -1, -1}, 0x010000, 65},
      {"509 away: k = 0 adds nothing", {509, -1, -1}, 0x000000, 64},
      {"all three", {400, 300, 500}, 0x376905, 64 + 55 + 105 + 5},
      {"the sum is held at 255", {0, 0, 0}, 0xFFFFFF, 255},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene({0, 1000, 0});
    for (int i = 0; i < 3; ++i)
      if (c.dx[i] >= 0) s.lights[i].position = {c.dx[i], 1000, 0};
    GridVertex g = TraceVertex(s, {1, 0, 0}, TraceSurface::kTunnel, 0);
    EXPECT_EQ(g.light, c.light) << c.what;
    EXPECT_EQ(g.shade, c.shade) << c.what;
  }
  // The ray's own length dims the lights by 0.08 a unit: a hit 256 away
  // with the light right on it gives trunc(255 − 20.48); 100 aside, less.
  TraceScene s = Scene();
  for (auto [z, light, shade] : {std::tuple{0.0f, 234u, 255u}, {100.0f, 184u, 184u - 15 + 64}}) {
    s.lights[0].position = {0, 256, z};
    GridVertex hit = TraceVertex(s, {0, 1, 0}, TraceSurface::kTunnel, 0);
    EXPECT_EQ(hit.light, light << 16);
    EXPECT_EQ(hit.shade, shade);
  }
  // Light colours saturate channel by channel.
  s = Scene({0, 1000, 0});
  s.lights[0].ramp.fill(0xA01000), s.lights[1].ramp.fill(0xA01000);
  s.lights[0].position = s.lights[1].position = s.eye;
  EXPECT_EQ(TraceVertex(s, {1, 0, 0}, TraceSurface::kTunnel, 0).light, 0xFF2000u);
}

// Every pixel of the band between rows 64 and 319 is written (what was
// there before does not show) and none outside it; a texture of the wrong
// size draws nothing at all.
TEST(DrawScenes, OnlyTheBandIsDrawnAndOnlyFromATextureOfTheRightSize) {
  using DrawFn = void (*)(TraceScene&, const PcxImage&, RenderTarget&);
  const DrawFn draws[] = {
      [](TraceScene& s, const PcxImage& t, RenderTarget& f) { DrawTunnel(s, t, f, 0); },
      [](TraceScene& s, const PcxImage& t, RenderTarget& f) { DrawPlanes(s, t, f, 0); },
      [](TraceScene& s, const PcxImage& t, RenderTarget& f) { DrawMorph(s, 0.4f, t, f, 0); },
      [](TraceScene& s, const PcxImage& t, RenderTarget& f) { FillTraceBlocks(s, t, f); },
  };
  PcxImage narrow = Texture(), shortImage = Texture();
  narrow.width = 128;
  shortImage.pixels.resize(256 * 100);
  for (DrawFn draw : draws) {
    Frame frames[2] = {Frame(0x00123456u), Frame(0x00FEDCBAu)};
    for (Frame& frame : frames) {
      TraceScene s = Scene({20, -10, 0}, {0, 0, 100});
      s.lights[0].position = {0, 0, 300};
      for (const PcxImage* wrong : {&narrow, &shortImage}) draw(s, *wrong, frame.target);
      const uint32_t fill = frame.pixels[0];
      EXPECT_EQ(frame.Touched(), kFramePixels);
      ASSERT_EQ(size_t(std::count(frame.pixels.begin(), frame.pixels.end(), fill)), frame.pixels.size());
      draw(s, Texture(), frame.target);
      for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; !(y >= kBandTop && y < kBandBottom) && x < kFrameWidth; ++x)
          ASSERT_EQ(frame.At(x, y), fill) << x << "," << y;
    }
    auto band = [](const Frame& f) { return std::vector<uint32_t>(&f.pixels[kBandTop * kFrameWidth], &f.pixels[kBandBottom * kFrameWidth]); };
    EXPECT_EQ(band(frames[0]), band(frames[1]));
  }
}

// Every band pixel interpolated between the grid's corners: the texture
// (wrapping both ways), times the shade, plus the light, each channel held
// at 255 alone.
TEST(FillTraceBlocks, InterpolatesBetweenTheCornersWrapsAndSaturates) {
  struct Case {
    const char* what;
    std::function<GridVertex(int c, int r)> vertex;
    uint32_t texture;  // 0xFF000000: the texel-coded texture
    std::function<uint32_t(int x, int y)> want;
  };
  auto flat = [](int16_t u, int16_t v, uint32_t light) { return [=](int, int) { return GridVertex{u, v, light, 255}; }; };
  auto all = [](uint32_t p) { return [=](int, int) { return p; }; };
  const uint32_t coded = 0xFF000000u, white = 0xFFFFFF;
  const Case cases[] = {
      // u runs down the rows and v across, one texel a pixel: u picks the
      // texture's row, v its column.
      {"texture one to one", [](int c, int r) { return GridVertex{int16_t(8 * r), int16_t(8 * c), 0, 255}; }, coded,
       [](int x, int y) { return FullShade(Texel(y & 255, x & 255)); }},
      // Black texture: the light alone, red and green down, blue across.
      {"light gradients", [](int c, int r) { return GridVertex{0, 0, uint32_t(2 * r) << 16 | uint32_t(r) << 8 | uint32_t(3 * c), 0}; },
       0, [](int x, int y) { return uint32_t(y / 4) << 16 | uint32_t(y / 8) << 8 | uint32_t(3 * x / 8); }},
      // Shade 3 a vertex, so 96/256 a pixel in 8.8. Red and blue take its
      // integer value, green the full 8.8 value: at x = 3 (shade 1.125) white
      // gives red 0 but green 1.
      {"shade across", [](int c, int) { return GridVertex{0, 0, 0, uint32_t(3 * c)}; }, white, [](int x, int) {
         uint32_t shade = 96 * uint32_t(x), rb = 255 * (shade >> 8) >> 8, g = 255 * shade >> 16;
         return rb << 16 | g << 8 | rb;
       }},
      {"wrap -1, 300", flat(-1, 300, 0), coded, all(FullShade(Texel(255, 44)))},
      {"wrap 259, -2", flat(259, -2, 0), coded, all(FullShade(Texel(3, 254)))},
      {"wrap at the ends of 16 bits", flat(32767, -32768, 0), coded, all(FullShade(Texel(255, 0)))},
      {"wrap -256, 256", flat(-256, 256, 0), coded, all(FullShade(Texel(0, 0)))},
      // White at full shade is 0xFE in each channel; a light adds on top.
      {"red light", flat(0, 0, 0x800000), white, all(0xFFFEFE)},   {"green light", flat(0, 0, 0x008000), white, all(0xFEFFFE)},
      {"blue light", flat(0, 0, 0x000080), white, all(0xFEFEFF)},  {"grey light", flat(0, 0, 0x808080), white, all(0xFFFFFF)},
      {"faint light", flat(0, 0, 0x010101), white, all(0xFFFFFF)}, {"no light", flat(0, 0, 0), white, all(0xFEFEFE)},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene();
    for (int r = 0; r < kGridRows; ++r)
      for (int col = 0; col < kGridColumns; ++col) s.grid[r * kGridColumns + col] = c.vertex(col, r);
    Frame frame(0x00777777);
    FillTraceBlocks(s, Texture(c.texture), frame.target);
    for (int y = kBandTop; y < kBandBottom; ++y)
      for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(frame.At(x, y), c.want(x, y)) << c.what << " at " << x << "," << y;
  }
}

}  // namespace
