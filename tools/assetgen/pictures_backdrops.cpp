// The full-frame pictures: the opening machine, the ray-traced spheres with
// their frame bands, the ringed planet and the story backdrop.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "pictures_set.h"

namespace pics {
namespace {

constexpr int kW = 512, kH = 384;

void VerticalGradient(Canvas& c, const std::vector<uint32_t>& stops) {
  for (int y = 0; y < c.h; ++y) {
    Col col = Ramp(stops, float(y) / float(c.h - 1));
    for (int x = 0; x < c.w; ++x) c.at(x, y) = col;
  }
}

// Fine film grain so large gradients do not band.
void Grain(Canvas& c, uint32_t seed, float amount) {
  Rng rng(seed);
  for (Col& p : c.px) {
    float n = (rng.Unit() - 0.5f) * amount;
    p = p + Col{n, n, n};
  }
}

// Bends every channel softly under `ceiling` (0..1): values below the knee
// stay as they are, brighter ones approach the ceiling without reaching it.
void SoftCeiling(Canvas& c, float ceiling, float knee) {
  auto bend = [&](float v) {
    if (v <= knee) return v;
    float room = ceiling - knee;
    return knee + room * (1.0f - std::exp(-(v - knee) / room));
  };
  for (Col& p : c.px) p = {bend(p.r), bend(p.g), bend(p.b)};
}

// A torus seen face on: the tube's normal tilts outwards across its width.
void ChromeRing(Canvas& c, float cx, float cy, float radius, float tube, const ChromeStyle& style) {
  for (int y = int(cy - radius - tube - 1); y <= int(cy + radius + tube + 1); ++y)
    for (int x = int(cx - radius - tube - 1); x <= int(cx + radius + tube + 1); ++x) {
      float dx = float(x) - cx, dy = float(y) - cy, d = std::sqrt(dx * dx + dy * dy);
      float s = (d - radius) / tube;
      if (std::fabs(s) >= 1 || d < 1e-3f) continue;
      float nz = std::sqrt(1 - s * s);
      c.Blend(x, y, Chrome(style, dx / d * s, dy / d * s, nz), Clamp01((1 - std::fabs(s)) * tube));
    }
}

// A shaded sphere lit from the upper left, with a highlight.
void Sphere(Canvas& c, float cx, float cy, float r, Col base, Col highlight) {
  for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
    for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
      float nx = (float(x) - cx) / r, ny = (float(y) - cy) / r, q = nx * nx + ny * ny;
      if (q >= 1) continue;
      float nz = std::sqrt(1 - q);
      float diffuse = Clamp01(-0.5f * nx - 0.55f * ny + 0.67f * nz);
      float rim = std::pow(1 - nz, 3.0f);
      float spec = std::pow(Clamp01(-0.35f * nx - 0.45f * ny + 0.82f * nz), 40.0f);
      Col col = base * (0.15f + 0.85f * diffuse) + highlight * (spec + rim * 0.6f);
      c.Blend(x, y, col, Clamp01((1 - std::sqrt(q)) * r));
    }
}

// A horizontal chrome tube between two x positions.
void ChromePipe(Canvas& c, int x0, int x1, float cy, float r, const ChromeStyle& style) {
  for (int y = int(cy - r); y <= int(cy + r); ++y) {
    float s = (float(y) - cy) / r;
    if (std::fabs(s) >= 1) continue;
    Col col = Chrome(style, 0, s, std::sqrt(1 - s * s));
    for (int x = x0; x <= x1; ++x) c.Blend(x, y, col, 1);
  }
}

void Rivet(Canvas& c, float x, float y) { Sphere(c, x, y, 2.5f, Hex(0x8090A0), Hex(0xFFFFFF)); }

}  // namespace

Picture Rows(const Picture& p, int first, int count) {
  Picture out{p.w, count, {}, {}, p.palette};
  if (!p.rgb.empty())
    out.rgb.assign(p.rgb.begin() + std::ptrdiff_t(first) * p.w, p.rgb.begin() + std::ptrdiff_t(first + count) * p.w);
  else
    out.indices.assign(p.indices.begin() + std::ptrdiff_t(first) * p.w,
                       p.indices.begin() + std::ptrdiff_t(first + count) * p.w);
  return out;
}

Picture MechV() {
  Canvas c(kW, kH);
  VerticalGradient(c, {0x03050C, 0x081228, 0x0A1838, 0x050A18, 0x020308});

  // A perspective floor grid towards a vanishing point behind the machine.
  const float vx = 380, vy = 236;
  for (int k = -14; k <= 14; ++k)
    AddLine(c, vx + float(k) * 6, vy, vx + float(k) * 90, kH + 40, Hex(0x0A3050) * 0.8f, 1.0f);
  for (int k = 1; k < 14; ++k) {
    float y = vy + 160.0f / (14.0f - float(k)) * 1.4f;
    if (y < kH) AddLine(c, 0, y, kW, y, Hex(0x0A3050) * (0.3f + 0.05f * float(k)), 1.0f);
  }
  // Quiet circuit traces on the left, far below the listing's brightness.
  Rng rng(0x4D454348);
  for (int n = 0; n < 34; ++n) {
    float x = rng.Range(0, 250), y = rng.Range(10, 370);
    float len = rng.Range(20, 90);
    bool across = rng.Unit() < 0.6f;
    float x1 = across ? x + len : x, y1 = across ? y : y + len;
    AddLine(c, x, y, x1, y1, Hex(0x10284A) * 0.7f, 1.0f);
    float bend = rng.Range(8, 24);
    AddLine(c, x1, y1, x1 + bend, y1 + (across ? bend : 0), Hex(0x10284A) * 0.7f, 1.0f);
    AddGlow(c, x1 + bend, y1 + (across ? bend : 0), 1.6f, Hex(0x2060A0) * 0.8f);
  }

  // The machine: a chrome ring round a glowing core, held by spokes and fed
  // by pipes from the right edge.
  const float cx = 372, cy = 168;
  ChromeStyle chrome = BlueChrome();
  AddGlow(c, cx, cy, 110, Hex(0x102850) * 0.9f, 1.5f);
  ChromePipe(c, int(cx) + 100, kW, cy - 42, 7, chrome);
  ChromePipe(c, int(cx) + 104, kW, cy + 38, 9, chrome);
  ChromePipe(c, int(cx) + 90, kW, cy + 66, 4, chrome);
  for (int k = 0; k < 6; ++k) {
    float a = float(k) * kPi / 3 + 0.3f;
    float x0 = cx + std::cos(a) * 40, y0 = cy + std::sin(a) * 40;
    float x1 = cx + std::cos(a) * 96, y1 = cy + std::sin(a) * 96;
    AddLine(c, x0, y0, x1, y1, Hex(0x101820) * -1.0f, 6.0f);  // a dark slot behind each spoke
    AddLine(c, x0, y0, x1, y1, Hex(0x6080B0), 3.0f);
    AddLine(c, x0, y0, x1, y1, Hex(0xC0E0FF) * 0.6f, 1.0f);
  }
  ChromeRing(c, cx, cy, 100, 16, chrome);
  ChromeRing(c, cx, cy, 126, 4, chrome);
  for (int k = 0; k < 24; ++k) {
    float a = float(k) * kPi / 12;
    Rivet(c, cx + std::cos(a) * 100, cy + std::sin(a) * 100);
  }
  AddGlow(c, cx, cy, 60, Hex(0xFF5010) * 0.55f, 2.0f);
  Sphere(c, cx, cy, 34, Hex(0xFF7020), Hex(0xFFF0C0));
  AddGlow(c, cx - 9, cy - 11, 9, Hex(0xFFF8E0) * 0.8f, 2.0f);

  // Name plate, bottom right, clear of the console line at the bottom left.
  Mask name = TextMask("DORSEL", 4);
  ChromeLettering(c, name, kW - name.w - 22, 316, chrome, 3, Hex(0x2080FF), 0.9f);
  PixelText(c, "ORU 99", kW - 22 - TextWidth("ORU 99", 1), 366, Hex(0x60A0E0), Hex(0x000000));
  Grain(c, 0x6D656368, 0.025f);
  // The noise laid over this picture adds up to 31 to a channel and carries
  // into the next one past 255: keep every channel at 224 or below.
  SoftCeiling(c, 224.0f / 255.0f, 0.72f);
  return FromCanvas(c);
}

namespace {

// The little ray tracer of the middle of "g_v": chrome, gold and lacquer
// spheres on a chequered floor under a low sun.
struct V3 {
  float x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Norm(V3 a) { return a * (1.0f / std::sqrt(Dot(a, a))); }

struct Ball {
  V3 centre;
  float radius;
  Col tint;
  float mirror;  // share of reflected light
};

const Ball kBalls[] = {
    {{0, 1.25f, 0}, 1.25f, Hex(0xE8F0FF), 0.9f},
    {{-2.5f, 0.65f, -1.1f}, 0.65f, Hex(0xFFC060), 0.75f},
    {{2.4f, 0.85f, -0.6f}, 0.85f, Hex(0xE02838), 0.3f},
    {{1.05f, 0.38f, -2.3f}, 0.38f, Hex(0xB0D0FF), 0.85f},
    {{-1.1f, 0.3f, -2.9f}, 0.3f, Hex(0x40E0A0), 0.35f},
};
const V3 kSun = Norm({0.45f, 0.22f, 1.0f});

Col Sky(V3 d) {
  float up = std::max(d.y, 0.0f);
  Col col = Ramp({0xFF8040, 0xC03070, 0x501870, 0x140C38, 0x04040C}, std::pow(up, 0.6f));
  float sun = Clamp01(Dot(d, kSun));
  col = col + Hex(0xFFD0A0) * (std::pow(sun, 400.0f) * 4.0f + std::pow(sun, 24.0f) * 0.6f);
  return col;
}

bool HitBall(V3 o, V3 d, float& t, int& which) {
  t = 1e9f;
  which = -1;
  for (int i = 0; i < int(std::size(kBalls)); ++i) {
    V3 oc = o - kBalls[i].centre;
    float b = Dot(oc, d), c = Dot(oc, oc) - kBalls[i].radius * kBalls[i].radius, disc = b * b - c;
    if (disc <= 0) continue;
    float s = -b - std::sqrt(disc);
    if (s > 1e-3f && s < t) t = s, which = i;
  }
  return which >= 0;
}

Col Trace(V3 o, V3 d, int depth) {
  float tb;
  int which;
  bool ball = HitBall(o, d, tb, which);
  float tf = d.y < -1e-4f ? -o.y / d.y : 1e9f;
  if (!ball && tf >= 1e9f) return Sky(d);
  if (ball && tb < tf) {
    const Ball& b = kBalls[which];
    V3 p = o + d * tb, n = Norm(p - b.centre);
    V3 r = d - n * (2 * Dot(d, n));
    float diffuse = std::max(Dot(n, kSun), 0.0f);
    float spec = std::pow(std::max(Dot(r, kSun), 0.0f), 60.0f);
    Col lit = b.tint * (0.12f + 0.8f * diffuse);
    Col mirror = depth > 0 ? Trace(p, r, depth - 1) * b.tint : Sky(r) * b.tint;
    return Mix(lit, mirror, b.mirror) + Hex(0xFFF0E0) * spec;
  }
  V3 p = o + d * tf;
  bool dark = (int(std::floor(p.x)) + int(std::floor(p.z))) & 1;
  Col base = dark ? Hex(0x0A0C24) : Hex(0x2A6A8A);
  float shadowT;
  int shadowBall;
  float light = HitBall(p, kSun, shadowT, shadowBall) ? 0.25f : 1.0f;
  Col col = base * (0.35f + 0.65f * light);
  if (depth > 0) col = Mix(col, Trace(p, {d.x, -d.y, d.z}, depth - 1), 0.22f);
  float fog = Clamp01((tf - 6.0f) / 40.0f);
  return Mix(col, Sky({d.x, 0.0f, d.z}), fog);
}

void TraceScene(Canvas& c, int top, int bottom) {
  const V3 eye{0, 1.7f, -6.2f};
  const V3 ahead = Norm(V3{0, 1.0f, 0} - eye), right = Norm({ahead.z, 0, -ahead.x});
  const V3 up{right.y * ahead.z - right.z * ahead.y, right.z * ahead.x - right.x * ahead.z,
              right.x * ahead.y - right.y * ahead.x};
  const float focal = 420;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < kW; ++x) {
      Col sum;
      for (int s = 0; s < 4; ++s) {
        float sx = float(x) + 0.25f + 0.5f * float(s & 1) - kW / 2, sy = float(y) + 0.25f + 0.5f * float(s >> 1) - 200;
        V3 d = Norm(ahead * focal + right * sx + up * sy);  // `up` points down the screen
        sum = sum + Trace(eye, d, 3);
      }
      c.at(x, y) = sum * 0.25f;
    }
}

// Brushed metal bands with a chrome rail and a glowing edge towards the
// middle of the screen.
void Band(Canvas& c, int top, int bottom, bool upper, uint32_t seed) {
  std::vector<TileNoise> streaks = MakeOctaves(seed, 2, 4);
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < kW; ++x) {
      float n = Fbm(streaks, float(x) * 0.05f, float(y) * 3.0f, 256.0f);
      c.at(x, y) = Mix(Hex(0x141822), Hex(0x3A4456), n);
    }
  ChromeStyle chrome = BlueChrome();
  int rail = upper ? bottom - 14 : top + 6;
  ChromePipe(c, 0, kW - 1, float(rail) + 3.5f, 4.5f, chrome);
  int edge = upper ? bottom - 4 : top + 1;
  for (int x = 0; x < kW; ++x)
    for (int k = 0; k < 2; ++k) c.at(x, edge + k) = Hex(0xFF8A30);
  for (int x = 0; x < kW; ++x)
    for (int k = 1; k < 8; ++k) {
      int y = upper ? edge - k : edge + 1 + k;
      if (y < top || y >= bottom) continue;
      c.Add(x, y, Hex(0xFF6020) * (0.5f * std::exp(-float(k) * 0.6f)));
    }
  for (int x = 12; x < kW; x += 62) Rivet(c, float(x), float(upper ? top + 6 : bottom - 7));
}

}  // namespace

Picture GV() {
  Canvas c(kW, kH);
  TraceScene(c, 60, 324);
  Band(c, 0, 66, true, 0x47565431);
  Band(c, 318, kH, false, 0x47565432);

  ChromeStyle chrome = BlueChrome();
  Mask title = TextMask("DORSEL", 3);
  ChromeLettering(c, title, 16, 9, chrome, 1, Hex(0x3070FF), 0.5f);
  // A row of indicator lamps and the small print of an instrument panel.
  for (int k = 0; k < 16; ++k) {
    bool lit = (0xB6D5u >> k) & 1;
    float x = 176.0f + float(k) * 14, y = 24;
    Col lamp = lit ? (k < 12 ? Hex(0x30E0FF) : Hex(0xFF5030)) : Hex(0x102030);
    for (int j = -3; j <= 3; ++j)
      for (int i = -4; i <= 4; ++i) c.Blend(int(x) + i, int(y) + j, lamp, 1);
    if (lit) AddGlow(c, x, y, 7, lamp * 0.35f);
  }
  PixelText(c, "RAYCAST  8X8   LIGHTS 3", 176, 34, Hex(0x80A8D0), Hex(0x05070A));
  PixelText(c, "ORU 99", kW - 16 - TextWidth("ORU 99", 2), 14, Hex(0xFFB060), Hex(0x05070A), 2);

  // Bottom band: hazard stripes at both ends and a level meter.
  for (int y = 340; y < 372; ++y)
    for (int x = 0; x < kW; ++x) {
      if (x >= 64 && x < kW - 64) continue;
      bool yellow = ((x + y) / 8) & 1;
      c.at(x, y) = yellow ? Hex(0xD8A020) * 0.85f : Hex(0x101010);
    }
  for (int k = 0; k < 24; ++k) {
    float level = 0.5f + 0.5f * std::sin(float(k) * 0.35f) * std::cos(float(k) * 0.11f);
    for (int j = 0; j < int(level * 18) + 2; ++j)
      for (int i = 0; i < 6; ++i) c.at(96 + k * 8 + i, 368 - j * 1) = Ramp({0x20E060, 0xF0E040, 0xFF4020}, float(j) / 20);
  }
  PixelText(c, "DORSEL @ ORU 99", kW - 80 - TextWidth("DORSEL @ ORU 99", 1), 352, Hex(0xC0D0E0), Hex(0x000000));
  Grain(c, 0x67760001, 0.02f);
  return FromCanvas(c);
}

Picture Image2() {
  Canvas c(kW, kH);
  // Nebula: two noise fields tinted teal and magenta over deep space.
  std::vector<TileNoise> cloud = MakeOctaves(0x494D4732, 3, 6);
  std::vector<TileNoise> tint = MakeOctaves(0x494D4733, 2, 4);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      float n = Fbm(cloud, float(x), float(y), 512.0f);
      float m = Fbm(tint, float(x), float(y), 512.0f);
      float density = Smooth(0.42f, 0.85f, n);
      Col neb = Mix(Hex(0x0C5A78), Hex(0xA0186A), Smooth(0.35f, 0.65f, m));
      c.at(x, y) = Hex(0x02030A) + neb * (density * 0.75f);
    }
  Rng rng(0x53544152);
  for (int k = 0; k < 900; ++k) {
    float x = rng.Range(0, kW), y = rng.Range(0, kH), b = rng.Unit();
    b = b * b * b;
    Col star = Mix(Hex(0xA0C0FF), Hex(0xFFE8C0), rng.Unit()) * (0.25f + 1.2f * b);
    c.Add(int(x), int(y), star);
    if (b > 0.5f) AddGlow(c, x, y, 2.5f, star * 0.3f);
  }

  // The ringed planet, lit from the upper right; the ring passes behind it
  // at the top and in front at the bottom.
  const float px = 300, py = 196, pr = 96, tilt = 0.28f;
  auto ring = [&](bool front) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        float dx = float(x) - px, dy = float(y) - py;
        float rx = dx * std::cos(-0.25f) - dy * std::sin(-0.25f), ry = dx * std::sin(-0.25f) + dy * std::cos(-0.25f);
        float r = std::sqrt(rx * rx + (ry / tilt) * (ry / tilt)) / pr;
        if (r < 1.35f || r > 2.25f) continue;
        if ((ry > 0) != front) continue;
        float bands = 0.55f + 0.45f * std::sin(r * 60.0f) * std::sin(r * 13.0f);
        float gap = Smooth(1.73f, 1.76f, r) * (1 - Smooth(1.80f, 1.83f, r));
        float a = (bands * (1 - gap)) * Smooth(1.35f, 1.42f, r) * (1 - Smooth(2.15f, 2.25f, r));
        c.Blend(x, y, Mix(Hex(0xC8A070), Hex(0xF0E0C0), bands), a * 0.85f);
      }
  };
  ring(false);
  std::vector<TileNoise> belts = MakeOctaves(0x42454C54, 4, 5);
  for (int y = int(py - pr - 2); y <= int(py + pr + 2); ++y)
    for (int x = int(px - pr - 2); x <= int(px + pr + 2); ++x) {
      float nx = (float(x) - px) / pr, ny = (float(y) - py) / pr, q = nx * nx + ny * ny;
      if (q >= 1) continue;
      float nz = std::sqrt(1 - q);
      float lat = ny * std::cos(0.25f) - nx * std::sin(0.25f);
      float swirl = Fbm(belts, lat * 60 + 7.0f * std::sin(nx * 3), nx * 8, 64.0f);
      Col surface = Ramp({0x7A3A20, 0xD08A50, 0xF0D0A0, 0xB06030, 0x603020}, Clamp01(lat * 0.5f + 0.5f + (swirl - 0.5f) * 0.5f));
      float light = Clamp01(0.55f * nx - 0.5f * ny + 0.67f * nz);
      Col col = surface * (0.04f + light * 1.1f) + Hex(0x60A0FF) * (std::pow(1 - nz, 3.0f) * 0.5f * light);
      c.Blend(x, y, col, Clamp01((1 - std::sqrt(q)) * pr));
    }
  ring(true);
  AddGlow(c, px, py, pr * 1.1f, Hex(0x3060C0) * 0.12f, 1.0f);

  // A small moon and a lens flare from the star behind the upper right.
  Sphere(c, 96, 300, 22, Hex(0x8090A8), Hex(0x202830));
  const float sx = 470, sy = 44;
  AddGlow(c, sx, sy, 26, Hex(0xFFF0D0) * 0.9f, 2.0f);
  AddGlow(c, sx, sy, 6, Hex(0xFFFFFF), 1.0f);
  AddLine(c, sx - 120, sy, sx + 120, sy, Hex(0xA0C0FF) * 0.35f, 1.0f);
  for (int k = 1; k <= 4; ++k) {
    float t = float(k) * 0.38f;
    float fx = sx + (kW / 2 - sx) * t * 2, fy = sy + (kH / 2 - sy) * t * 2;
    AddGlow(c, fx, fy, 6.0f + float(k) * 5, Ramp({0x60FF80, 0xFF60A0, 0x6080FF}, float(k) / 4) * 0.18f, 1.5f);
  }
  PixelText(c, "ORU 99", 16, kH - 24, Hex(0x90B0D0), Hex(0x000000));
  Grain(c, 0x696D6732, 0.02f);
  return FromCanvas(c);
}

Picture Atomb() {
  Canvas c(kW, kH);
  VerticalGradient(c, {0x04080C, 0x071420, 0x0A1A28, 0x050C14});
  // Diagonal hatching, faint.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if ((x + y) % 6 == 0) c.at(x, y) = c.at(x, y) + Hex(0x0A1418) * 0.6f;

  // The atom on the right, behind where the object floats.
  const float ax = 408, ay = 232;
  AddGlow(c, ax, ay, 70, Hex(0x10406A) * 0.7f, 1.5f);
  for (int orbit = 0; orbit < 3; ++orbit) {
    float tilt = float(orbit) * kPi / 3 + 0.2f;
    const int steps = 360;
    float lx = 0, ly = 0;
    for (int k = 0; k <= steps; ++k) {
      float a = float(k) * 2 * kPi / steps;
      float ex = std::cos(a) * 96, ey = std::sin(a) * 30;
      float x = ax + ex * std::cos(tilt) - ey * std::sin(tilt), y = ay + ex * std::sin(tilt) + ey * std::cos(tilt);
      if (k > 0) {
        AddLine(c, lx, ly, x, y, Hex(0x2070B0) * 0.35f, 3.0f);
        AddLine(c, lx, ly, x, y, Hex(0x80D0FF) * 0.55f, 1.0f);
      }
      lx = x, ly = y;
    }
    float a = 1.1f + float(orbit) * 2.1f;
    float ex = std::cos(a) * 96, ey = std::sin(a) * 30;
    float x = ax + ex * std::cos(tilt) - ey * std::sin(tilt), y = ay + ex * std::sin(tilt) + ey * std::cos(tilt);
    AddGlow(c, x, y, 5, Hex(0x80E0FF), 1.5f);
  }
  AddGlow(c, ax, ay, 16, Hex(0xFF8040) * 0.9f, 1.5f);
  Sphere(c, ax, ay, 8, Hex(0xFF9050), Hex(0xFFF0D0));

  // Heading.
  Mask title = TextMask("TRANSMISSION", 4);
  ChromeLettering(c, title, 14, 22, GoldChrome(), 2, Hex(0xFF6020), 0.3f);
  PixelText(c, "RECEIVED  149000 MS", 16, 76, Hex(0x70A0C0), Hex(0x000000));
  for (int x = 10; x < 330; ++x) c.at(x, 100) = c.at(x, 100) + Hex(0x306080);

  // The glass panel under the story text (x 10 to 310, y 140 to 360).
  const int left = 4, top = 130, right = 318, bottom = 370;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) c.at(x, y) = c.at(x, y) * 0.45f + Hex(0x020810) * 0.5f;
  for (int x = left; x <= right; ++x) {
    c.at(x, top) = c.at(x, top) + Hex(0x204868);
    c.at(x, bottom) = c.at(x, bottom) + Hex(0x204868);
  }
  for (int y = top; y <= bottom; ++y) {
    c.at(left, y) = c.at(left, y) + Hex(0x204868);
    c.at(right, y) = c.at(right, y) + Hex(0x204868);
  }
  for (int k = 0; k < 12; ++k) {  // bright corner brackets
    for (int cx : {left, right})
      for (int cy : {top, bottom}) {
        int dx = cx == left ? k : -k, dy = cy == top ? k : -k;
        c.at(cx + dx, cy) = Hex(0x60C8FF);
        c.at(cx, cy + dy) = Hex(0x60C8FF);
      }
  }
  Grain(c, 0x61746F6D, 0.02f);
  return FromCanvas(c);
}

}  // namespace pics
