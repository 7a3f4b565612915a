#include "effects2d/trace.h"

#include <climits>
#include <cmath>

namespace {

constexpr int kFirstVertexRow = kBandTop / 8;        // 8
constexpr int kLastVertexRow = kBandBottom / 8;      // 40
constexpr int kBlockColumns = kFrameWidth / 8;       // 64
constexpr float kRowFraction = 0.030303031f;         // 1/33: the view stops short of its corners
constexpr float kColumnFraction = 0.015384615f;      // 1/65
constexpr double kAngleToU = 162.9746617260901;      // 512/π
constexpr double kLightFalloff = 0.5, kDistanceFalloff = 0.08;
constexpr double kTunnelFog = 0.06, kPlaneFog = 0.05;
constexpr int kAmbient = 64;
// A ray that runs exactly along the planes never meets them; it is taken
// to end this far away, where the fog has made everything black.
constexpr double kParallelRayDistance = 65536.0;

// Conversion towards zero that stays defined for values an int cannot hold.
int32_t Trunc(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT_MAX;
  if (v <= -2147483648.0) return INT_MIN;
  return int32_t(v);
}

uint32_t AddSaturated(uint32_t a, uint32_t b) {
  uint32_t r = (a >> 16 & 0xFF) + (b >> 16 & 0xFF);
  uint32_t g = (a >> 8 & 0xFF) + (b >> 8 & 0xFF);
  uint32_t bl = (a & 0xFF) + (b & 0xFF);
  return (r > 255 ? 255 : r) << 16 | (g > 255 ? 255 : g) << 8 | (bl > 255 ? 255 : bl);
}

bool Usable(const TraceScene& s, const PcxImage& texture) {
  return texture.width == kTraceTextureSide &&
         texture.pixels.size() >= size_t(kTraceTextureSide * kTraceTextureSide) &&
         s.lights.size() >= size_t(kLitLights) && s.grid.size() == size_t(kGridColumns * kGridRows);
}

// Distance along d from e to the cylinder around the z axis; 0 for a miss.
bool CylinderHit(const Vec3& e, const Vec3& d, double radius, double& t) {
  double a = double(d.x) * d.x + double(d.y) * d.y;
  double b = 2 * (double(e.x) * d.x + double(e.y) * d.y);
  double q = 4 * (double(e.x) * e.x + double(e.y) * e.y - radius * radius);
  double disc = b * b - a * q;
  t = disc > 0 ? (std::sqrt(disc) - b) / (2 * a) : 0;
  return disc > 0;
}

double PlaneHit(const Vec3& e, const Vec3& d, double radius) {
  double h = radius * 0.5;
  if (d.y == 0) return kParallelRayDistance;
  return d.y >= 0 ? (e.y + h) / d.y : (e.y - h) / d.y;
}

}  // namespace

GridVertex TraceVertex(const TraceScene& s, const Vec3& d, TraceSurface surface, float weight) {
  const Vec3& e = s.eye;
  double m = weight;
  double t = 0;
  switch (surface) {
    case TraceSurface::kTunnel:
      CylinderHit(e, d, s.radius, t);
      break;
    case TraceSurface::kPlanes:
      t = PlaneHit(e, d, s.radius);
      break;
    case TraceSurface::kMorph: {
      double plane = PlaneHit(e, d, s.radius), cyl;
      t = CylinderHit(e, d, s.radius, cyl) ? cyl * (1 - m) + plane * m : plane;
      break;
    }
  }
  Vec3 o = Vec3Scale(t, d);
  double dist = Vec3Length(o);
  Vec3 p = Vec3Add(e, o);

  int sum = 0;
  uint32_t colour = 0;
  for (int i = 0; i < kLitLights; ++i) {
    const TraceLight& light = s.lights[i];
    double near = Vec3Length(Vec3Sub(light.position, p));
    int32_t k = Trunc(255 - kLightFalloff * near - kDistanceFalloff * dist);
    if (k >= 1) {
      sum += k;
      colour = AddSaturated(colour, light.ramp[k]);
    }
  }
  double fog = surface == TraceSurface::kPlanes ? kPlaneFog : kTunnelFog;
  int64_t shade = int64_t(sum) - Trunc(dist * fog) + kAmbient;
  shade = shade < 0 ? 0 : shade > 255 ? 255 : shade;

  int32_t u = 0, v = Trunc(p.z);
  double angle = std::atan2(double(p.y), double(p.x));
  switch (surface) {
    case TraceSurface::kTunnel:
      u = std::abs(Trunc(angle * kAngleToU));
      break;
    case TraceSurface::kPlanes:
      u = Trunc(p.x);
      break;
    case TraceSurface::kMorph:
      u = int32_t(uint32_t(std::abs(Trunc(angle * (1 - m) * kAngleToU))) + uint32_t(Trunc(p.x * m)));
      break;
  }
  return GridVertex{int16_t(u), int16_t(v), colour, uint32_t(shade)};
}

namespace {

void CameraBasis(TraceScene& s) {
  Vec3 f = Vec3Sub(s.target, s.eye);
  Vec3Normalise(f);
  s.forward = f;
  // World y with its forward part taken out; left at its own length.
  s.up = Vec3Set(-double(f.x) * f.y, 1 - double(f.y) * f.y, -double(f.z) * f.y);
  s.right = Vec3Cross(s.forward, s.up);
}

void CastGrid(TraceScene& s, TraceSurface surface, float m) {
  CameraBasis(s);
  Vec3 ahead = Vec3Scale(256, s.forward), side = Vec3Scale(256, s.right), down = Vec3Scale(128, s.up);
  Vec3 tl = Vec3Sub(Vec3Sub(ahead, side), down);
  Vec3 tr = Vec3Sub(Vec3Add(ahead, side), down);
  Vec3 bl = Vec3Add(Vec3Sub(ahead, side), down);
  Vec3 br = Vec3Add(Vec3Add(ahead, side), down);
  Vec3Normalise(tl);
  Vec3Normalise(tr);
  Vec3Normalise(bl);
  Vec3Normalise(br);
  Vec3 leftStep = Vec3Scale(kRowFraction, Vec3Sub(bl, tl));
  Vec3 rightStep = Vec3Scale(kRowFraction, Vec3Sub(br, tr));
  Vec3 left = tl, right = tr;
  for (int r = kFirstVertexRow; r <= kLastVertexRow; ++r) {
    Vec3 step = Vec3Scale(kColumnFraction, Vec3Sub(right, left));
    Vec3 d = left;
    GridVertex* row = s.grid.data() + r * kGridColumns;
    for (int c = 0; c < kGridColumns; ++c) {
      row[c] = TraceVertex(s, d, surface, m);
      d = Vec3Add(d, step);
    }
    left = Vec3Add(left, leftStep);
    right = Vec3Add(right, rightStep);
  }
}

// The five values a block interpolates, in 8.8 fixed point. Red and blue
// travel together in one integer, as the fill multiplies them together.
struct Corner {
  uint32_t u, v, shade, redBlue, green;
};

Corner Fixed(const GridVertex& g) {
  return Corner{uint32_t(int32_t(g.u) * 256), uint32_t(int32_t(g.v) * 256), g.shade << 8,
                (g.light & 0x00FF00FF) << 8, (g.light & 0x0000FF00) << 8};
}

// (b − a) / 8 in 8.8: the raw difference times 32.
Corner EdgeStep(const GridVertex& a, const GridVertex& b) {
  return Corner{uint32_t(int32_t(b.u) - int32_t(a.u)) << 5, uint32_t(int32_t(b.v) - int32_t(a.v)) << 5,
                (b.shade - a.shade) << 5,
                ((b.light & 0x00FF00FF) - (a.light & 0x00FF00FF)) << 5,
                ((b.light & 0x0000FF00) - (a.light & 0x0000FF00)) << 5};
}

uint32_t Eighth(uint32_t right, uint32_t left) { return uint32_t(int32_t(right - left) >> 3); }

void Advance(Corner& c, const Corner& d) {
  c.u += d.u, c.v += d.v, c.shade += d.shade, c.redBlue += d.redBlue, c.green += d.green;
}

uint32_t Shaded(uint32_t texel, const Corner& c) {
  uint32_t rb = (((texel & 0x00FF00FF) * (c.shade >> 8)) >> 8) & 0x00FF00FF;
  rb += (c.redBlue >> 8) & 0x00FF00FF;
  if ((rb >> 16) > 0xFF) rb = (rb & 0xFFFF) | 0x00FF0000;
  if ((rb & 0xFFFF) > 0xFF) rb = (rb & 0xFFFF0000) | 0xFF;
  uint32_t g = (((texel & 0x0000FF00) * c.shade) >> 16) + (c.green >> 8);
  if (g > 0xFF00) g = 0xFF00;
  return rb | (g & 0xFF00);
}

}  // namespace

void FillTraceBlocks(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
  if (!Usable(s, texture)) return;
  uint32_t* frame = target.pixels;
  const uint32_t* tex = texture.pixels.data();
  for (int row = kFirstVertexRow; row < kLastVertexRow; ++row) {
    for (int col = 0; col < kBlockColumns; ++col) {
      const GridVertex& tl = s.grid[row * kGridColumns + col];
      const GridVertex& tr = s.grid[row * kGridColumns + col + 1];
      const GridVertex& bl = s.grid[(row + 1) * kGridColumns + col];
      const GridVertex& br = s.grid[(row + 1) * kGridColumns + col + 1];
      Corner left = Fixed(tl), right = Fixed(tr);
      Corner leftStep = EdgeStep(tl, bl), rightStep = EdgeStep(tr, br);
      uint32_t* out = frame + row * 8 * kFrameWidth + col * 8;
      for (int y = 0; y < 8; ++y, out += kFrameWidth) {
        Corner step{Eighth(right.u, left.u), Eighth(right.v, left.v), Eighth(right.shade, left.shade),
                    Eighth(right.redBlue, left.redBlue), Eighth(right.green, left.green)};
        Corner c = left;
        for (int x = 0; x < 8; ++x) {
          uint32_t texel = tex[((c.u >> 8) & 255) * kTraceTextureSide + ((c.v >> 8) & 255)];
          out[x] = Shaded(texel, c);
          Advance(c, step);
        }
        Advance(left, leftStep);
        Advance(right, rightStep);
      }
    }
  }
}

namespace {

void Draw(TraceScene& s, TraceSurface surface, float m, const PcxImage& texture, RenderTarget& target) {
  if (!Usable(s, texture)) return;
  CastGrid(s, surface, m);
  FillTraceBlocks(s, texture, target);
}

}  // namespace

void InitTraceScene(TraceScene& scene) {
  scene = TraceScene{};
  scene.lights.assign(kTraceLights, TraceLight{});
  scene.grid.assign(kGridColumns * kGridRows, GridVertex{});
}

void BuildLightRamp(std::array<uint32_t, 256>& ramp, float kR, float kG, float kB, float highlight,
                     float exponent, float offset) {
  for (int k = 0; k < 256; ++k) {
    double c = std::cos((256 - k) * 0.006135923151542969);  // π/512 a step
    double h = highlight * std::pow(c, double(exponent));
    auto channel = [&](float weight) {
      // Entry 0's cosine rounds to a hair below 0; a channel never goes below 0.
      int32_t v = Trunc((c + offset) * weight + h);
      return uint32_t(v > 255 ? 255 : v < 0 ? 0 : v);
    };
    ramp[k] = channel(kR) << 16 | channel(kG) << 8 | channel(kB);
  }
}

void DrawTunnel(TraceScene& scene, const PcxImage& texture, RenderTarget& target, int useMmx) {
  (void)useMmx;
  Draw(scene, TraceSurface::kTunnel, 0, texture, target);
}

void DrawPlanes(TraceScene& scene, const PcxImage& texture, RenderTarget& target) {
  Draw(scene, TraceSurface::kPlanes, 0, texture, target);
}

void DrawMorph(TraceScene& scene, float m, const PcxImage& texture, RenderTarget& target, int useMmx) {
  (void)useMmx;
  Draw(scene, TraceSurface::kMorph, m, texture, target);
}
