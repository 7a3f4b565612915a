#include "effects2d/trace_internal.h"

#include <cmath>

#include "base/pixels.h"
#include "base/simd.h"

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
    int32_t k = TruncSaturated(255 - kLightFalloff * near - kDistanceFalloff * dist);
    if (k >= 1) {
      sum += k;
      colour = AddSaturated(colour, light.ramp[k]);
    }
  }
  double fog = surface == TraceSurface::kPlanes ? kPlaneFog : kTunnelFog;
  int64_t shade = int64_t(sum) - TruncSaturated(dist * fog) + kAmbient;
  shade = shade < 0 ? 0 : shade > 255 ? 255 : shade;

  int32_t u = 0, v = TruncSaturated(p.z);
  auto angle = [&p] { return std::atan2(double(p.y), double(p.x)); };
  switch (surface) {
    case TraceSurface::kTunnel:
      u = std::abs(TruncSaturated(angle() * kAngleToU));
      break;
    case TraceSurface::kPlanes:
      u = TruncSaturated(p.x);
      break;
    case TraceSurface::kMorph:
      u = int32_t(uint32_t(std::abs(TruncSaturated(angle() * (1 - m) * kAngleToU))) + uint32_t(TruncSaturated(p.x * m)));
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

// The packed fill's rule: every channel, green too, times the integer shade,
// then the light's whole channel values added with saturation.
uint32_t ShadedIntegerShade(uint32_t texel, const Corner& c) {
  uint32_t rb = Shaded(texel, c) & 0x00FF00FF;
  uint32_t g = ((texel >> 8 & 0xFF) * (c.shade >> 8) >> 8) + (c.green >> 16 & 0xFF);
  return rb | (g > 0xFF ? 0xFF : g) << 8;
}

// A block's left and right edges: their top values and their steps down.
struct Edges {
  Corner left, right, leftStep, rightStep;
};

// Every block of rows 64..319 with its edges and its top-left pixel.
template <typename Block>
void ForEachBlock(const TraceScene& s, RenderTarget& target, Block block) {
  for (int r = kFirstVertexRow; r < kLastVertexRow; ++r) {
    for (int col = 0; col < kBlockColumns; ++col) {
      const GridVertex& tl = s.grid[r * kGridColumns + col];
      const GridVertex& tr = s.grid[r * kGridColumns + col + 1];
      const GridVertex& bl = s.grid[(r + 1) * kGridColumns + col];
      const GridVertex& br = s.grid[(r + 1) * kGridColumns + col + 1];
      block(Edges{Fixed(tl), Fixed(tr), EdgeStep(tl, bl), EdgeStep(tr, br)},
            target.pixels + r * 8 * kFrameWidth + col * 8);
    }
  }
}

// Per pixel row of every block the left value and the step along it, which
// `row` turns into 8 pixels.
template <typename Row>
void ForEachBlockRow(const TraceScene& s, RenderTarget& target, Row row) {
  ForEachBlock(s, target, [&row](Edges e, uint32_t* out) {
    Corner &left = e.left, &right = e.right;
    for (int y = 0; y < 8; ++y, out += kFrameWidth) {
      Corner step{Eighth(right.u, left.u), Eighth(right.v, left.v), Eighth(right.shade, left.shade),
                  Eighth(right.redBlue, left.redBlue), Eighth(right.green, left.green)};
      row(out, left, step);
      Advance(left, e.leftStep);
      Advance(right, e.rightStep);
    }
  });
}

template <uint32_t (*kShade)(uint32_t, const Corner&)>
void FillPlain(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
  if (!Usable(s, texture)) return;
  const uint32_t* tex = texture.pixels.data();
  ForEachBlockRow(s, target, [tex](uint32_t* out, Corner c, const Corner& step) {
    for (int x = 0; x < 8; ++x) {
      uint32_t texel = tex[((c.u >> 8) & 255) * kTraceTextureSide + ((c.v >> 8) & 255)];
      out[x] = kShade(texel, c);
      Advance(c, step);
    }
  });
}

#if DORSEL_PACKED
// The integer shades of four pixels (32-bit lanes, 0..255) spread over the
// 16-bit lanes of two pixels each, as their channels are laid out.
void SpreadShade(__m128i shade, __m128i& firstTwo, __m128i& lastTwo) {
  __m128i both = _mm_or_si128(shade, _mm_slli_epi32(shade, 16));
  firstTwo = _mm_unpacklo_epi32(both, both);
  lastTwo = _mm_unpackhi_epi32(both, both);
}

// Four pixels: each texel's channels times its integer shade in 16-bit
// lanes, packed with saturation, then the light's whole channel values added
// with saturating bytes.
inline __m128i ShadeFour(__m128i texels, __m128i shade, __m128i redBlue, __m128i green) {
  __m128i s01, s23;
  SpreadShade(_mm_srli_epi32(shade, 8), s01, s23);
  __m128i light = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(redBlue, 8), _mm_set1_epi32(0x00FF00FF)),
                               _mm_and_si128(_mm_srli_epi32(green, 8), _mm_set1_epi32(0x0000FF00)));
  __m128i pixels = _mm_adds_epu8(_mm_packus_epi16(ScaleLow(texels, s01), ScaleHigh(texels, s23)), light);
  return _mm_and_si128(pixels, _mm_set1_epi32(0x00FFFFFF));
}

// The values a row's stepping gives its first four pixels, c, c + d,
// c + 2d, c + 3d (wrapping, as the repeated adds do), and the step to the
// next four.
struct Ramp {
  __m128i first, four;
  // (0, d, 2d, 3d) from d in every lane, without a multiply: d where the
  // lane's count is odd, plus 2d where it is 2 or 3.
  Ramp(uint32_t c, uint32_t d) {
    __m128i d1 = _mm_set1_epi32(int32_t(d));
    __m128i odd = _mm_and_si128(d1, _mm_setr_epi32(0, -1, 0, -1));
    __m128i high = _mm_and_si128(_mm_add_epi32(d1, d1), _mm_setr_epi32(0, 0, -1, -1));
    first = _mm_add_epi32(_mm_set1_epi32(int32_t(c)), _mm_add_epi32(odd, high));
    four = _mm_slli_epi32(d1, 2);
  }
  __m128i second() const { return _mm_add_epi32(first, four); }
};

// ShadeFour with green as the plain fill has it: the texel's green times
// the full 8.8 shade, plus the light's green with its fraction, saturated.
// The shade is at most 0xFF00, so the product (24 bits) comes from the two
// halves of a 16 × 16-bit multiply, and the sum saturates in 16 bits.
inline __m128i ShadeFourExactGreen(__m128i texels, __m128i shade, __m128i redBlue, __m128i green) {
  __m128i pixels = ShadeFour(texels, shade, redBlue, green);
  const __m128i low16 = _mm_set1_epi32(0xFFFF);
  __m128i tg = _mm_and_si128(_mm_srli_epi32(texels, 8), _mm_set1_epi32(0xFF));
  __m128i sh = _mm_and_si128(shade, low16);
  __m128i product = _mm_or_si128(_mm_slli_epi32(_mm_mulhi_epu16(tg, sh), 8),
                                 _mm_srli_epi32(_mm_mullo_epi16(tg, sh), 8));
  __m128i sum = _mm_adds_epu16(_mm_and_si128(product, low16), _mm_and_si128(_mm_srli_epi32(green, 8), low16));
  __m128i g = _mm_slli_epi32(_mm_srli_epi32(_mm_and_si128(sum, low16), 8), 8);
  return _mm_or_si128(_mm_and_si128(pixels, _mm_set1_epi32(0x00FF00FF)), g);
}

// Four pixels' values, one register to a value.
struct Lanes {
  __m128i u, v, shade, redBlue;
};

// Pixels' values in pixel order (u, v, shade, red-blue in each register)
// turned into value order.
inline Lanes Transpose(__m128i p0, __m128i p1, __m128i p2, __m128i p3) {
  __m128i uv01 = _mm_unpacklo_epi32(p0, p1), uv23 = _mm_unpacklo_epi32(p2, p3);
  __m128i sc01 = _mm_unpackhi_epi32(p0, p1), sc23 = _mm_unpackhi_epi32(p2, p3);
  return Lanes{_mm_unpacklo_epi64(uv01, uv23), _mm_unpackhi_epi64(uv01, uv23), _mm_unpacklo_epi64(sc01, sc23),
               _mm_unpackhi_epi64(sc01, sc23)};
}

// ForEachBlockRow with the edges in registers: u, v, shade and red-blue of
// a block's left and right edges step down four lanes at a time, a row's
// step along is their difference shifted as Eighth shifts it, and pixel x's
// values are the left values plus x steps (the adds wrap as the plain
// stepping's do). Green, the fifth value, steps on its own.
template <typename Row>
void ForEachPackedBlockRow(const TraceScene& s, RenderTarget& target, Row row) {
  auto four = [](const Corner& c) {
    return _mm_setr_epi32(int32_t(c.u), int32_t(c.v), int32_t(c.shade), int32_t(c.redBlue));
  };
  ForEachBlock(s, target, [&](const Edges& e, uint32_t* out) {
    __m128i left = four(e.left), right = four(e.right), leftStep = four(e.leftStep), rightStep = four(e.rightStep);
    uint32_t greenLeft = e.left.green, greenRight = e.right.green;
    for (int y = 0; y < 8; ++y, out += kFrameWidth) {
      __m128i step = _mm_srai_epi32(_mm_sub_epi32(right, left), 3);
      __m128i p1 = _mm_add_epi32(left, step), p2 = _mm_add_epi32(p1, step), p3 = _mm_add_epi32(p2, step);
      __m128i p4 = _mm_add_epi32(p3, step), p5 = _mm_add_epi32(p4, step), p6 = _mm_add_epi32(p5, step);
      __m128i p7 = _mm_add_epi32(p6, step);
      Ramp green(greenLeft, Eighth(greenRight, greenLeft));
      row(out, Transpose(left, p1, p2, p3), Transpose(p4, p5, p6, p7), green.first, green.second());
      left = _mm_add_epi32(left, leftStep);
      right = _mm_add_epi32(right, rightStep);
      greenLeft += e.leftStep.green;
      greenRight += e.rightStep.green;
    }
  });
}

// The packed fill: the stepping of all five values runs four pixels a
// register, and so do the texel places; only the texel fetches are one by
// one.
template <bool kExactGreen>
void FillPacked(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
  if (!Usable(s, texture)) return;
  const uint32_t* tex = texture.pixels.data();
  ForEachPackedBlockRow(s, target, [tex](uint32_t* out, const Lanes& first, const Lanes& second, __m128i green0,
                                         __m128i green1) {
    // Texel (u >> 8 & 255, v >> 8 & 255) of the 256-wide texture.
    auto places = [](__m128i u4, __m128i v4) {
      return _mm_or_si128(_mm_and_si128(u4, _mm_set1_epi32(0xFF00)),
                          _mm_and_si128(_mm_srli_epi32(v4, 8), _mm_set1_epi32(0xFF)));
    };
    alignas(16) uint32_t at[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), places(first.u, first.v));
    _mm_store_si128(reinterpret_cast<__m128i*>(at + 4), places(second.u, second.v));
    __m128i t0 = _mm_set_epi32(int32_t(tex[at[3]]), int32_t(tex[at[2]]), int32_t(tex[at[1]]), int32_t(tex[at[0]]));
    __m128i t1 = _mm_set_epi32(int32_t(tex[at[7]]), int32_t(tex[at[6]]), int32_t(tex[at[5]]), int32_t(tex[at[4]]));
    auto shade = kExactGreen ? ShadeFourExactGreen : ShadeFour;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), shade(t0, first.shade, first.redBlue, green0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), shade(t1, second.shade, second.redBlue, green1));
  });
}
#endif

}  // namespace

void FillTraceBlocks(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
  FillPlain<Shaded>(s, texture, target);
}

void FillTraceBlocksIntegerShade(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
  FillPlain<ShadedIntegerShade>(s, texture, target);
}

void FillTraceBlocksPacked(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
#if DORSEL_PACKED
  FillPacked<false>(s, texture, target);
#else
  FillTraceBlocks(s, texture, target);
#endif
}

void FillTraceBlocksPlainRulePacked(const TraceScene& s, const PcxImage& texture, RenderTarget& target) {
#if DORSEL_PACKED
  FillPacked<true>(s, texture, target);
#else
  FillTraceBlocks(s, texture, target);
#endif
}

namespace {

void Draw(TraceScene& s, TraceSurface surface, float m, const PcxImage& texture, RenderTarget& target,
          int useMmx) {
  if (!Usable(s, texture)) return;
  CastGrid(s, surface, m);
  // The planes keep the plain fill's pixels in either form.
  if (!useMmx)
    FillTraceBlocks(s, texture, target);
  else if (surface == TraceSurface::kPlanes)
    FillTraceBlocksPlainRulePacked(s, texture, target);
  else
    FillTraceBlocksPacked(s, texture, target);
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
      int32_t v = TruncSaturated((c + offset) * weight + h);
      return uint32_t(v > 255 ? 255 : v < 0 ? 0 : v);
    };
    ramp[k] = channel(kR) << 16 | channel(kG) << 8 | channel(kB);
  }
}

void DrawTunnel(TraceScene& scene, const PcxImage& texture, RenderTarget& target, int useMmx) {
  Draw(scene, TraceSurface::kTunnel, 0, texture, target, useMmx);
}

void DrawPlanes(TraceScene& scene, const PcxImage& texture, RenderTarget& target, int useMmx) {
  Draw(scene, TraceSurface::kPlanes, 0, texture, target, useMmx);
}

void DrawMorph(TraceScene& scene, float m, const PcxImage& texture, RenderTarget& target, int useMmx) {
  Draw(scene, TraceSurface::kMorph, m, texture, target, useMmx);
}
