#include "effects2d/trace_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr Vec3 kFarAway{1e7f, 0, 0};

// A scene whose lights are out of reach and whose ramps say which entry a
// light gave: light 0 in red, 1 in green, 2 in blue.
TraceScene Scene(Vec3 eye = {0, 0, 0}, Vec3 target = {0, 0, 1}) {
  TraceScene s;
  InitTraceScene(s);
  s.eye = eye;
  s.target = target;
  for (int i = 0; i < kLitLights; ++i) {
    s.lights[i].position = kFarAway;
    for (int k = 0; k < 256; ++k) s.lights[i].ramp[k] = uint32_t(k) << (16 - 8 * i);
  }
  return s;
}

// Texel (row, column): row in red, column in green, their XOR in blue.
uint32_t Texel(int row, int column) {
  return uint32_t(row) << 16 | uint32_t(column) << 8 | uint32_t((row ^ column) & 255);
}

PcxImage Texture() {
  PcxImage t;
  t.width = t.height = kTraceTextureSide;
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) t.pixels.push_back(Texel(r, c));
  return t;
}

PcxImage Plain(uint32_t colour) {
  PcxImage t;
  t.width = t.height = kTraceTextureSide;
  t.pixels.assign(256 * 256, colour);
  return t;
}

// Each channel times 255/256, rounded down: the fill at full shade.
uint32_t FullShade(uint32_t p) {
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) out |= ((p >> s & 255) * 255 / 256) << s;
  return out;
}

struct Frame {
  std::vector<uint32_t> pixels;
  RenderTarget target;
  explicit Frame(uint32_t fill = 0) : pixels(kFramePixels, fill) { target.pixels = pixels.data(); }
  uint32_t At(int x, int y) const { return pixels[y * kFrameWidth + x]; }
};

TEST(BuildLightRamp, CosineFalloffWithAHighlight) {
  struct Case {
    float kR, kG, kB, highlight, offset;
    int entry;
    uint32_t want;
  };
  const Case cases[] = {
      {15, 38, 53, 150, 0, 0, 0x000000},    // the cosine starts at 0
      {15, 38, 53, 150, 0, 128, 0x0A1B25},  // cos(π/4) × k, the highlight 150 × 2^−10
      {15, 38, 53, 150, 0, 255, 0xA4BBCA},  // nearly 1 × k + 149.94
      {38, 26, 48, 150, 0, 255, 0xBBAFC5},
      {58, 24, 12, 150, 0, 255, 0xCFADA1},
      {58, 24, 12, 300, 0, 255, 0xFFFFFF},  // limited to 255
      {15, 38, 53, 150, 1, 1, 0x0F2635},    // the offset lifts the dark end
  };
  for (const Case& c : cases) {
    std::array<uint32_t, 256> ramp{};
    BuildLightRamp(ramp, c.kR, c.kG, c.kB, c.highlight, 20, c.offset);
    EXPECT_EQ(ramp[c.entry], c.want) << c.kR << " entry " << c.entry << std::hex << " got " << ramp[c.entry];
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
  const Case cases[] = {
      // The tunnel: u from the angle round the axis, 512/π a radian, the
      // same on both halves; v the depth. Radius 256, so fog trunc(256 × 0.06).
      {"up", TraceSurface::kTunnel, 0, {}, {0, 1, 0}, 255, 0, 49},
      {"down mirrors up", TraceSurface::kTunnel, 0, {}, {0, -1, 0}, 255, 0, 49},
      {"right", TraceSurface::kTunnel, 0, {}, {1, 0, 0}, 0, 0, 49},
      {"left", TraceSurface::kTunnel, 0, {}, {-1, 0, 0}, 511, 0, 49},
      {"up right", TraceSurface::kTunnel, 0, {}, {1, 1, 0}, 127, 0, 49},
      {"down right", TraceSurface::kTunnel, 0, {}, {1, -1, 0}, 127, 0, 49},
      {"ahead", TraceSurface::kTunnel, 0, {}, {0, 1, 2}, 255, 512, 64 - 34},
      {"behind", TraceSurface::kTunnel, 0, {}, {0, 1, -3}, 255, -768, 64 - 48},
      // From outside the cylinder a ray along y = 1000 misses: t = 0, the
      // vertex sits at the eye.
      {"a miss", TraceSurface::kTunnel, 0, {0, 1000, 0}, {1, 0.5f, 0.25f}, 255, 0, 64},
      // The planes: t = (e.y + 128) / d.y looking down, (e.y − 128) / d.y up.
      {"floor", TraceSurface::kPlanes, 0, {}, {0, 1, 1}, 0, 128, 55},
      {"ceiling", TraceSurface::kPlanes, 0, {}, {0, -1, 1}, 0, 128, 55},
      {"floor, aside", TraceSurface::kPlanes, 0, {}, {3, 1, -2}, 384, -256, 41},
      {"floor from a raised eye", TraceSurface::kPlanes, 0, {0, 10, 0}, {0, 1, 1}, 0, 138, 55},
      {"far planes wrap in 16 bits", TraceSurface::kPlanes, 0, {}, {4000, 1, 0}, 512000 - 65536 * 8, 0, 0},
      // The morph: m = 1 takes the planes' hit with the tunnel's fog.
      {"morph 1", TraceSurface::kMorph, 1, {}, {0, 1, 1}, 0, 128, 54},
      // Half way: t = (256 + 128) / 2, u = |trunc(π/2 × 0.5 × 512/π)|.
      {"morph ½", TraceSurface::kMorph, 0.5f, {}, {0, 1, 0}, 127, 0, 64 - 11},
      // Where the cylinder is missed the planes alone decide: t = 1128 / 0.5.
      {"morph over a miss", TraceSurface::kMorph, 0, {0, 1000, 0}, {1, 0.5f, 0.25f}, 0, 564, 0},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene(c.eye);
    GridVertex g = TraceVertex(s, c.d, c.surface, c.m);
    if (std::string(c.what) == "morph over a miss") {
      // u = |trunc(atan2(2128, 2256) × 1 × 512/π)| + trunc(2256 × 0).
      EXPECT_EQ(g.u, int16_t(std::abs(int(std::atan2(2128.0, 2256.0) * 162.9746617260901)))) << c.what;
    } else {
      EXPECT_EQ(g.u, int16_t(c.u)) << c.what;
    }
    EXPECT_EQ(g.v, int16_t(c.v)) << c.what;
    EXPECT_EQ(g.shade, c.shade) << c.what;
    EXPECT_EQ(g.light, 0u) << c.what;
  }
}

TEST(TraceVertex, MorphAtZeroIsTheTunnelsGeometry) {
  TraceScene s = Scene({30, -40, 100});
  s.lights[1].position = {0, 200, 300};
  for (Vec3 d : {Vec3{0.3f, 0.8f, 0.5f}, Vec3{-0.7f, -0.2f, 0.6f}, Vec3{0.1f, 0, 1}, Vec3{0, 0.05f, -1}}) {
    GridVertex tunnel = TraceVertex(s, d, TraceSurface::kTunnel, 0);
    GridVertex morph = TraceVertex(s, d, TraceSurface::kMorph, 0);
    EXPECT_EQ(morph.u, tunnel.u);
    EXPECT_EQ(morph.v, tunnel.v);
    EXPECT_EQ(morph.shade, tunnel.shade);
    EXPECT_EQ(morph.light, tunnel.light);
  }
}

TEST(TraceVertex, ARayAlongThePlanesEndsInTheDark) {
  TraceScene s = Scene({10, 20, 30});
  s.lights[0].position = s.eye;
  for (Vec3 d : {Vec3{1, 0, 0}, Vec3{0, 0, 1}, Vec3{-0.6f, 0, 0.8f}}) {
    for (auto [surface, m] : {std::pair{TraceSurface::kPlanes, 0.0f}, std::pair{TraceSurface::kMorph, 1.0f},
                              std::pair{TraceSurface::kMorph, 0.5f}}) {
      GridVertex g = TraceVertex(s, d, surface, m);
      EXPECT_EQ(g.shade, 0u);
      EXPECT_EQ(g.light, 0u);
    }
    // At m = 0 the tunnel decides wherever the ray meets the cylinder (a ray
    // along the axis never does).
    if (d.x == 0) continue;
    GridVertex tunnel = TraceVertex(s, d, TraceSurface::kTunnel, 0);
    GridVertex morph = TraceVertex(s, d, TraceSurface::kMorph, 0);
    EXPECT_EQ(morph.v, tunnel.v);
    EXPECT_EQ(morph.shade, tunnel.shade);
  }
}

TEST(TraceVertex, LightsByDistanceWithACutOff) {
  // A vertex that misses the tunnel sits at the eye, at ray distance 0, so
  // only the lights' own distance counts: k = trunc(255 − 0.5 × distance).
  const Vec3 eye{0, 1000, 0};
  const Vec3 miss{1, 0, 0};
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
    TraceScene s = Scene(eye);
    for (int i = 0; i < 3; ++i)
      if (c.dx[i] >= 0) s.lights[i].position = {c.dx[i], 1000, 0};
    GridVertex g = TraceVertex(s, miss, TraceSurface::kTunnel, 0);
    EXPECT_EQ(g.light, c.light) << c.what << std::hex << " got " << g.light;
    EXPECT_EQ(g.shade, c.shade) << c.what;
  }
  // The ray's own length dims the lights by 0.08 a unit: a hit 256 away
  // with the light right on it gives trunc(255 − 20.48).
  TraceScene s = Scene();
  s.lights[0].position = {0, 256, 0};
  GridVertex hit = TraceVertex(s, {0, 1, 0}, TraceSurface::kTunnel, 0);
  EXPECT_EQ(hit.light, 234u << 16);
  EXPECT_EQ(hit.shade, 255u);
  s.lights[0].position = {0, 256, 100};
  hit = TraceVertex(s, {0, 1, 0}, TraceSurface::kTunnel, 0);
  EXPECT_EQ(hit.light, 184u << 16);
  EXPECT_EQ(hit.shade, 184u - 15 + 64);
}

TEST(TraceVertex, LightColoursSaturateChannelByChannel) {
  TraceScene s = Scene({0, 1000, 0});
  s.lights[0].ramp.fill(0xA01000);
  s.lights[1].ramp.fill(0xA01000);
  s.lights[0].position = s.lights[1].position = s.eye;
  EXPECT_EQ(TraceVertex(s, {1, 0, 0}, TraceSurface::kTunnel, 0).light, 0xFF2000u);
}

TEST(DrawPlanes, CameraBasisAndCorners) {
  struct Case {
    Vec3 target, forward, up, right;
  };
  const float h = std::sqrt(0.5f);
  const Case cases[] = {
      {{0, 0, 10}, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
      // Looking up and ahead: world y less its forward part, not normalised.
      {{0, 10, 10}, {0, h, h}, {0, 0.5f, -0.5f}, {-h, 0, 0}},
      {{10, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene({}, c.target);
    Frame frame;
    DrawPlanes(s, Texture(), frame.target, 0);
    for (auto [got, want] : {std::pair{s.forward, c.forward}, std::pair{s.up, c.up}, std::pair{s.right, c.right}}) {
      EXPECT_NEAR(got.x, want.x, 1e-6);
      EXPECT_NEAR(got.y, want.y, 1e-6);
      EXPECT_NEAR(got.z, want.z, 1e-6);
    }
  }
  // Looking along +z: the first vertex is the top-left corner ray
  // (2, −1, 2)/3, which meets the ceiling at (256, −128, 256). The last is a
  // 32/33 of the way down and 64/65 across, short of the bottom-right corner
  // (which would meet the floor at (−256, 128, 256)): its ray is
  // (2 − 256/65, 31/33, 2)/3 and meets the floor at (−264.1, 128, 272.5).
  TraceScene s = Scene();
  Frame frame;
  DrawPlanes(s, Texture(), frame.target, 0);
  const GridVertex& first = s.grid[8 * kGridColumns + 0];
  const GridVertex& last = s.grid[40 * kGridColumns + 64];
  EXPECT_NEAR(first.u, 256, 1);
  EXPECT_NEAR(first.v, 256, 1);
  EXPECT_NEAR(last.u, -264, 1);
  EXPECT_NEAR(last.v, 272, 1);
}

TEST(DrawScenes, OnlyTheBandBetweenRows64And319IsDrawn) {
  using DrawFn = void (*)(TraceScene&, RenderTarget&);
  const DrawFn draws[] = {
      [](TraceScene& s, RenderTarget& t) { DrawTunnel(s, Texture(), t, 0); },
      [](TraceScene& s, RenderTarget& t) { DrawPlanes(s, Texture(), t, 0); },
      [](TraceScene& s, RenderTarget& t) { DrawMorph(s, 0.4f, Texture(), t, 0); },
  };
  for (DrawFn draw : draws) {
    std::vector<uint32_t> bands[2];
    int n = 0;
    for (uint32_t fill : {0x00123456u, 0x00FEDCBAu}) {
      TraceScene s = Scene({20, -10, 0}, {0, 0, 100});
      s.lights[0].position = {0, 0, 300};
      Frame frame(fill);
      draw(s, frame.target);
      for (int y = 0; y < kFrameHeight; ++y) {
        if (y >= kBandTop && y < kBandBottom) continue;
        for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(frame.At(x, y), fill) << x << "," << y;
      }
      bands[n++].assign(frame.pixels.begin() + kBandTop * kFrameWidth, frame.pixels.begin() + kBandBottom * kFrameWidth);
    }
    // Every band pixel is written: what was there before does not show.
    EXPECT_EQ(bands[0], bands[1]);
  }
}

// Sets every grid vertex from its column and row.
template <typename F>
void SetGrid(TraceScene& s, F vertex) {
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c) s.grid[r * kGridColumns + c] = vertex(c, r);
}

TEST(FillTraceBlocks, InterpolatesBetweenTheCorners) {
  struct Case {
    const char* what;
    GridVertex (*vertex)(int c, int r);
    const PcxImage texture;
    uint32_t (*want)(int x, int y);
  };
  const Case cases[] = {
      // u runs down the rows and v across, one texel a pixel: u picks the
      // texture's row, v its column.
      {"texture one to one", [](int c, int r) { return GridVertex{int16_t(8 * r), int16_t(8 * c), 0, 255}; },
       Texture(), [](int x, int y) { return FullShade(Texel(y & 255, x & 255)); }},
      // Black texture: the light alone, red and green down, blue across.
      {"light gradients",
       [](int c, int r) { return GridVertex{0, 0, uint32_t(2 * r) << 16 | uint32_t(r) << 8 | uint32_t(3 * c), 0}; },
       Plain(0),
       [](int x, int y) { return uint32_t(y / 4) << 16 | uint32_t(y / 8) << 8 | uint32_t(3 * x / 8); }},
      // Shade 3 a vertex, so 96/256 a pixel in 8.8. Red and blue take its
      // whole part, green the full 8.8 value: at x = 3 (shade 1.125) white
      // gives red 0 but green 1.
      {"shade across", [](int c, int) { return GridVertex{0, 0, 0, uint32_t(3 * c)}; }, Plain(0xFFFFFF),
       [](int x, int) {
         uint32_t shade = 96 * uint32_t(x);
         uint32_t rb = 255 * (shade >> 8) >> 8, g = 255 * shade >> 16;
         return rb << 16 | g << 8 | rb;
       }},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene();
    SetGrid(s, c.vertex);
    Frame frame(0x00777777);
    FillTraceBlocks(s, c.texture, frame.target);
    for (int y = kBandTop; y < kBandBottom; ++y)
      for (int x = 0; x < kFrameWidth; ++x)
        ASSERT_EQ(frame.At(x, y), c.want(x, y)) << c.what << " at " << x << "," << y << std::hex << " got "
                                                << frame.At(x, y);
    EXPECT_EQ(frame.At(5, kBandTop - 1), 0x00777777u) << c.what;
  }
}

TEST(FillTraceBlocks, TextureWrapsAndLightSaturates) {
  struct Case {
    int16_t u, v;
    uint32_t light, texel;
  };
  const Case cases[] = {
      {-1, 300, 0, Texel(255, 44)},
      {259, -2, 0, Texel(3, 254)},
      {32767, -32768, 0, Texel(255, 0)},
      {-256, 256, 0, Texel(0, 0)},
  };
  for (const Case& c : cases) {
    TraceScene s = Scene();
    SetGrid(s, [&](int, int) { return GridVertex{c.u, c.v, c.light, 255}; });
    Frame frame;
    FillTraceBlocks(s, Texture(), frame.target);
    EXPECT_EQ(frame.At(100, 100), FullShade(c.texel)) << c.u << "," << c.v;
  }
  struct Sat {
    uint32_t light, want;
  };
  // White at full shade is 0xFE in each channel; a light adds on top, each
  // channel held at 255 alone.
  for (Sat t : {Sat{0x800000, 0xFFFEFE}, Sat{0x008000, 0xFEFFFE}, Sat{0x000080, 0xFEFEFF}, Sat{0x808080, 0xFFFFFF},
                Sat{0x010101, 0xFFFFFF}, Sat{0, 0xFEFEFE}}) {
    TraceScene s = Scene();
    SetGrid(s, [&](int, int) { return GridVertex{0, 0, t.light, 255}; });
    Frame frame;
    FillTraceBlocks(s, Plain(0xFFFFFF), frame.target);
    EXPECT_EQ(frame.At(300, 200), t.want) << std::hex << t.light;
  }
}

TEST(DrawScenes, ATextureOfTheWrongSizeDrawsNothing) {
  PcxImage narrow = Plain(0xFFFFFF);
  narrow.width = 128;
  PcxImage shortImage = Plain(0xFFFFFF);
  shortImage.pixels.resize(256 * 100);
  for (const PcxImage* t : {&narrow, &shortImage}) {
    TraceScene s = Scene();
    Frame frame(0x123456);
    DrawTunnel(s, *t, frame.target, 0);
    DrawPlanes(s, *t, frame.target, 0);
    DrawMorph(s, 0.5f, *t, frame.target, 0);
    FillTraceBlocks(s, *t, frame.target);
    for (uint32_t p : frame.pixels) ASSERT_EQ(p, 0x123456u);
  }
}

}  // namespace
