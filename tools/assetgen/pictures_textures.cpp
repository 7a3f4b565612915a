// The seamless 256 × 256 textures, the landscape maps and the leaves with
// their relief.
#include <algorithm>
#include <cmath>

#include "pictures_set.h"

namespace pics {
namespace {

constexpr int kTex = 256;
constexpr float kTwoPi = 2 * kPi;

// Signed distance along one axis on a 256-pixel torus.
float WrapDelta(float d) {
  d = std::fmod(d + kTex * 1.5f, float(kTex)) - kTex * 0.5f;
  return d;
}

// A chrome torus, face on, around (cx, cy) on the wrapped plane.
void WrappedRing(Canvas& c, float cx, float cy, float radius, float tube, const ChromeStyle& style) {
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float dx = WrapDelta(float(x) - cx), dy = WrapDelta(float(y) - cy), d = std::sqrt(dx * dx + dy * dy);
      float s = (d - radius) / tube;
      if (std::fabs(s) >= 1 || d < 1e-3f) continue;
      c.Blend(x, y, Chrome(style, dx / d * s, dy / d * s, std::sqrt(1 - s * s)), Clamp01((1 - std::fabs(s)) * tube));
    }
}

void WrappedGlow(Canvas& c, float cx, float cy, float radius, Col colour) {
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float dx = WrapDelta(float(x) - cx) / radius, dy = WrapDelta(float(y) - cy) / radius;
      c.at(x, y) = c.at(x, y) + colour * std::exp(-(dx * dx + dy * dy) * 2.0f);
    }
}

}  // namespace

Picture ZoomTexture() {
  Canvas c(kTex, kTex);
  std::vector<TileNoise> clouds = MakeOctaves(0x5A4F4F4D, 4, 5);
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float n = Fbm(clouds, float(x), float(y), kTex);
      c.at(x, y) = Ramp({0x100828, 0x281060, 0x4020A0, 0x1860B0}, Smooth(0.25f, 0.8f, n));
    }
  // Diagonal light lines so the turning is easy to follow.
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      int d = (x + y) & 63, e = (x - y) & 63;
      if (d == 0 || e == 0) c.at(x, y) = c.at(x, y) + Hex(0x304070);
    }
  ChromeStyle chrome = BlueChrome();
  WrappedGlow(c, 128, 128, 58, Hex(0xFF30A0) * 0.8f);
  WrappedRing(c, 128, 128, 62, 14, chrome);
  WrappedGlow(c, 0, 0, 26, Hex(0x40F0FF) * 0.9f);
  WrappedRing(c, 0, 0, 36, 6, GoldChrome());
  // A four-pointed star in the ring's middle.
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float dx = std::fabs(float(x) - 128), dy = std::fabs(float(y) - 128);
      float star = std::max(0.0f, 1 - (dx * dy) / 60.0f - (dx + dy) / 90.0f);
      c.at(x, y) = c.at(x, y) + Hex(0xFFE0F0) * star;
    }
  return FromCanvas(c);
}

Picture WarpTexture() {
  Picture p{kTex, kTex, {}, std::vector<uint8_t>(kTex * kTex), {}};
  FillRamp(p.palette, 0, 255,
           {0x05020E, 0x2A0850, 0x7A1090, 0xE03070, 0xFF9030, 0xFFF0A0, 0xFF9030, 0xE03070, 0x7A1090, 0x2A0850,
            0x05020E, 0x0A2860, 0x1890C0, 0xA0F0FF, 0x1890C0, 0x0A2860, 0x05020E});
  std::vector<TileNoise> noise = MakeOctaves(0x53544154, 4, 4);
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float u = float(x) / kTex * kTwoPi, v = float(y) / kTex * kTwoPi;
      float plasma = std::sin(2 * u) + std::sin(3 * v) + std::sin(u + 2 * v) + std::sin(3 * u - v) * 0.5f;
      plasma += (Fbm(noise, float(x), float(y), kTex) - 0.5f) * 3.0f;
      float t = plasma / 7.0f + 0.5f;
      p.indices[size_t(y) * kTex + x] = uint8_t(int(t * 512.0f) & 255);
    }
  return p;
}

Picture PanelTexture() {
  Canvas c(kTex, kTex);
  struct Plate {
    int x0, y0, x1, y1, kind;
  };
  std::vector<Plate> plates;
  Rng rng(0x42554D50);
  for (int gy = 0; gy < 4; ++gy)
    for (int gx = 0; gx < 4; ++gx) {
      int x = gx * 64, y = gy * 64;
      int split = rng.Below(4);
      if (split == 0) {
        for (int k = 0; k < 4; ++k) plates.push_back({x + (k & 1) * 32, y + (k >> 1) * 32, x + (k & 1) * 32 + 32, y + (k >> 1) * 32 + 32, rng.Below(5)});
      } else if (split == 1) {
        plates.push_back({x, y, x + 64, y + 32, rng.Below(5)});
        plates.push_back({x, y + 32, x + 64, y + 64, rng.Below(5)});
      } else {
        plates.push_back({x, y, x + 64, y + 64, rng.Below(5)});
      }
    }
  std::vector<TileNoise> grime = MakeOctaves(0x4752494D, 8, 4);
  for (const Plate& pl : plates) {
    Col base = Mix(Hex(0x5A6270), Hex(0x707888), rng.Unit());
    if (rng.Below(6) == 0) base = Hex(0x6A5038);  // an odd bronze plate
    int w = pl.x1 - pl.x0, h = pl.y1 - pl.y0;
    for (int y = pl.y0; y < pl.y1; ++y)
      for (int x = pl.x0; x < pl.x1; ++x) {
        int lx = x - pl.x0, ly = y - pl.y0;
        float g = Fbm(grime, float(x), float(y), kTex);
        float brushed = 0.92f + 0.08f * std::sin(float(y) * 2.1f + g * 6);
        Col col = base * (brushed * (0.75f + 0.5f * g));
        if (lx < 3 || ly < 3) col = col * 1.35f;
        if (lx >= w - 3 || ly >= h - 3) col = col * 0.6f;
        if (lx == 0 || ly == 0) col = col * 0.35f;  // the seam
        switch (pl.kind) {
          case 1:  // vent slots
            if (lx > 7 && lx < w - 8 && ly > 7 && ly < h - 8 && (ly % 6) < 3) col = (ly % 6) == 2 ? col * 1.3f : Hex(0x0A0C10);
            break;
          case 2:  // hazard stripes along the bottom
            if (ly > h - 13 && ly < h - 4 && lx > 3 && lx < w - 4)
              col = ((lx + ly) / 5) & 1 ? Hex(0xE0A820) : Hex(0x181410);
            break;
          case 3: {  // a round hatch
            float dx = float(lx) - w / 2.0f + 0.5f, dy = float(ly) - h / 2.0f + 0.5f, d = std::sqrt(dx * dx + dy * dy);
            float r = std::min(w, h) * 0.32f;
            if (std::fabs(d - r) < 1.5f) col = col * ((dx + dy) < 0 ? 1.4f : 0.45f);
            if (d < r - 4 && std::fabs(dx) < 1.5f) col = col * 0.5f;
            break;
          }
          case 4:  // a light strip
            if (ly > h / 2 - 3 && ly < h / 2 + 3 && lx > 5 && lx < w - 6) col = Hex(0x60E0FF) * (1.0f - std::fabs(float(ly - h / 2)) * 0.2f);
            break;
          default:
            break;
        }
        c.at(x, y) = col;
      }
    for (int k = 0; k < 4; ++k) {
      int rx = (k & 1) ? pl.x1 - 6 : pl.x0 + 5, ry = (k & 2) ? pl.y1 - 6 : pl.y0 + 5;
      for (int j = -2; j <= 2; ++j)
        for (int i = -2; i <= 2; ++i)
          if (i * i + j * j <= 5) c.at(rx + i, ry + j) = (i + j < 0) ? Hex(0xC8D0DC) : Hex(0x30343C);
    }
  }
  return FromCanvas(c);
}

void Landscape(Picture& colours, Picture& heights) {
  std::vector<TileNoise> hills = MakeOctaves(0x494C4C41, 4, 6);
  std::vector<TileNoise> ridges = MakeOctaves(0x52494447, 3, 5);
  std::vector<TileNoise> detail = MakeOctaves(0x44455441, 16, 3);
  Mask h(kTex, kTex);
  constexpr float kWater = 0.3f;
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float a = Fbm(hills, float(x), float(y), kTex);
      float r = 1 - std::fabs(2 * Fbm(ridges, float(x), float(y), kTex) - 1);
      float v = 0.22f + 0.45f * Smooth(0.3f, 0.75f, a) + 0.35f * r * r * Smooth(0.5f, 0.8f, a);
      h.at(x, y) = std::max(v, kWater);
    }
  heights = Picture{kTex, kTex, {}, std::vector<uint8_t>(kTex * kTex), {}};
  FillRamp(heights.palette, 0, 255, {0x000000, 0xFFFFFF});
  // Water lies flat at its level and every land cell stands above it, so
  // the colour map can tell the two apart by height alone.
  const int waterLevel = int(kWater * 250.0f);
  for (size_t i = 0; i < h.v.size(); ++i)
    heights.indices[i] = uint8_t(h.v[i] <= kWater ? waterLevel : std::clamp(int(h.v[i] * 250.0f), waterLevel + 1, 255));

  Canvas c(kTex, kTex);
  for (int y = 0; y < kTex; ++y)
    for (int x = 0; x < kTex; ++x) {
      float v = h.at(x, y), n = Fbm(detail, float(x), float(y), kTex);
      float slope = std::fabs(h.Wrapped(x + 1, y) - h.Wrapped(x - 1, y)) + std::fabs(h.Wrapped(x, y + 1) - h.Wrapped(x, y - 1));
      Col col;
      if (v <= kWater) {
        float depth = Fbm(hills, float(x), float(y), kTex);
        col = Mix(Hex(0x0A2860), Hex(0x2A78A8), Smooth(0.1f, 0.28f, depth)) * (0.9f + 0.2f * n);
      } else {
        col = Ramp({0xC8B070, 0x6AA838, 0x4A8A28, 0x2A6A20, 0x1E4A18, 0x26501C, 0x6A5A48, 0x7A6A58, 0x8A8078, 0xF0F4FF},
                   Clamp01((v - kWater) / (1.0f - kWater) + (n - 0.5f) * 0.12f));
        col = Mix(col, Hex(0x7A6A58), Smooth(0.05f, 0.12f, slope) * 0.7f);
        // Sun from the north-west.
        float light = (h.Wrapped(x - 1, y - 1) - h.Wrapped(x + 1, y + 1)) * 6.0f;
        col = col * std::clamp(0.9f + light, 0.45f, 1.35f);
      }
      c.at(x, y) = col;
    }
  colours = FromCanvas(c);
}

void Leaves(Picture& colour, Picture& heights) {
  constexpr int kW = 512, kH = 384;
  Canvas c(kW, kH);
  Mask h(kW, kH);
  std::vector<TileNoise> soil = MakeOctaves(0x534F494C, 16, 4);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      float n = Fbm(soil, float(x), float(y), 512.0f);
      c.at(x, y) = Mix(Hex(0x0A0604), Hex(0x3A2414), n);
      h.at(x, y) = 0.05f + 0.08f * n;
    }
  const uint32_t tones[] = {0x2E7A22, 0x6A9A20, 0xD8A020, 0xD86018, 0xA82010, 0x7A3A18, 0xC8C030};
  Rng rng(0x4C454146);
  constexpr int kLeaves = 170;
  for (int n = 0; n < kLeaves; ++n) {
    float cx = rng.Range(-30, kW + 30), cy = rng.Range(-30, kH + 30), a = rng.Range(0, kTwoPi);
    float len = rng.Range(30, 62), wid = len * rng.Range(0.32f, 0.5f);
    Col tone = Hex(tones[rng.Below(int(std::size(tones)))]) * rng.Range(0.75f, 1.1f);
    Col tone2 = Hex(tones[rng.Below(int(std::size(tones)))]);
    float layer = 0.2f + 0.35f * float(n) / kLeaves;
    float ca = std::cos(a), sa = std::sin(a);
    int reach = int(len * 1.3f) + 2;
    for (int y = int(cy) - reach; y <= int(cy) + reach; ++y)
      for (int x = int(cx) - reach; x <= int(cx) + reach; ++x) {
        if (x < 0 || y < 0 || x >= kW || y >= kH) continue;
        float dx = float(x) - cx, dy = float(y) - cy;
        float u = (dx * ca + dy * sa) / len, v = -dx * sa + dy * ca;
        bool stem = u < -1 && u > -1.25f && std::fabs(v) < 1.2f;
        float half = wid * std::pow(std::max(0.0f, 1 - u * u), 0.7f) * (1 - 0.25f * u);
        if (!stem && (std::fabs(v) >= half || std::fabs(u) >= 1)) continue;
        float vn = stem ? 0 : v / half;
        float dome = stem ? 0.3f : std::sqrt(1 - vn * vn) * std::pow(1 - u * u, 0.3f);
        float s = u * 6.0f + std::fabs(vn) * 1.4f;
        s -= std::floor(s);
        float vein = std::max(0.0f, 1 - std::fabs(s - 0.5f) * 10) * (1 - std::fabs(vn));
        float midrib = std::max(0.0f, 1 - std::fabs(v) * 0.8f);
        Col col = Mix(tone, tone2, Clamp01(u * 0.5f + 0.5f) * 0.5f) * (0.55f + 0.45f * dome);
        col = Mix(col, Hex(0xF0E080), std::max(vein, midrib) * 0.45f);
        c.at(x, y) = col;
        h.at(x, y) = layer + 0.3f * dome + 0.07f * vein + 0.08f * midrib;
      }
  }
  colour = FromCanvas(c);
  Mask soft = Blur(h, 2);
  heights = Picture{kW, kH, {}, std::vector<uint8_t>(size_t(kW) * kH), {}};
  FillRamp(heights.palette, 0, 255, {0x000000, 0xFFFFFF});
  for (size_t i = 0; i < soft.v.size(); ++i) heights.indices[i] = uint8_t(std::clamp(int(soft.v[i] * 255.0f), 0, 255));
}

}  // namespace pics
