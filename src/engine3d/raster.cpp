// Dots, half-blended lines and flat triangles for the 3D objects, and the
// smoothing pass that softens the closing wire-frame.
#include "engine3d/raster.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr uint32_t kWireBlue = 0x0000FF;
constexpr uint32_t kHalving = 0x1000000;  // blends to half of the pixel
constexpr float kThird = 0.33333334f;

struct Point {
  int32_t x, y;
};

bool InFront(const SceneObject& o, const FaceIndices& f) {
  return o.vertices[f.a].cz > 0 && o.vertices[f.b].cz > 0 && o.vertices[f.c].cz > 0;
}

Point Project(const MeshVertex& v) { return {ScreenX(v.cx, v.cz), ScreenY(v.cy, v.cz)}; }
Point Project(const float p[3]) { return {ScreenX(p[0], p[2]), ScreenY(p[1], p[2])}; }

void Outline(Point a, Point b, Point c, uint32_t colour, uint32_t* pixels) {
  BlendLine(a.x, a.y, b.x, b.y, colour, pixels);
  BlendLine(b.x, b.y, c.x, c.y, colour, pixels);
  BlendLine(c.x, c.y, a.x, a.y, colour, pixels);
}

void Fill(Point a, Point b, Point c, uint32_t colour, int32_t cull, uint32_t* pixels) {
  if (cull == 0 || (cull == 1 && EdgeSide(a.x, a.y, b.x, b.y, c.x, c.y) == 1))
    FillTriangle(a.x, a.y, b.x, b.y, c.x, c.y, colour, pixels);
}

void Dot(const MeshVertex& v, uint32_t* pixels) {
  Point p = Project(v);
  PlotDot(p.x, p.y, 255, 255, 255, pixels);
}

}  // namespace

void DrawDots(const SceneObject& object, const DepthOrder& order, uint8_t r, uint8_t g, uint8_t b,
              uint32_t* pixels) {
  for (int pos = object.faceCount - 1; pos >= 0; --pos) {
    const FaceIndices& f = object.faces[order.faceOrder[pos]];
    if (!InFront(object, f)) continue;
    for (int32_t i : {f.a, f.b, f.c}) {
      Point p = Project(object.vertices[i]);
      PlotDot(p.x, p.y, r, g, b, pixels);
    }
  }
}

void DrawWire(const SceneObject& object, const DepthOrder& order, uint32_t colour, uint32_t* pixels) {
  // Once a face in front has been drawn, the clipped faces after it are
  // drawn in blue as well.
  uint32_t working = colour;
  ClipBuffer clip;
  for (int pos = object.faceCount - 1; pos >= 0; --pos) {
    int face = order.faceOrder[pos];
    if (object.faceInfo[face].enabled != 1) continue;
    const FaceIndices& f = object.faces[face];
    if (InFront(object, f)) {
      working = kWireBlue;
      Outline(Project(object.vertices[f.a]), Project(object.vertices[f.b]),
              Project(object.vertices[f.c]), kWireBlue, pixels);
      continue;
    }
    int count = int(ClipNearPlane(object, face, clip));
    for (int i = 0; i < count - 2; ++i)
      Outline(Project(clip.points[0]), Project(clip.points[i + 1]), Project(clip.points[i + 2]),
              working, pixels);
  }
}

void DrawFlat(const SceneObject& object, const DepthOrder& order, uint32_t* pixels, int32_t cull) {
  ClipBuffer clip;
  for (int pos = object.faceCount - 1; pos >= 0; --pos) {
    int face = order.faceOrder[pos];
    const FaceIndices& f = object.faces[face];
    uint32_t colour = object.faceInfo[face].colour;
    if (InFront(object, f)) {
      Fill(Project(object.vertices[f.a]), Project(object.vertices[f.b]),
           Project(object.vertices[f.c]), colour, cull, pixels);
      continue;
    }
    int count = int(ClipNearPlane(object, face, clip));
    for (int i = 0; i < count - 2; ++i)
      Fill(Project(clip.points[0]), Project(clip.points[i + 1]), Project(clip.points[i + 2]),
           colour, cull, pixels);
  }
}

void DrawShaded(const SceneObject& object, const DepthOrder& order, uint32_t* pixels, int32_t cull) {
  ClipBuffer clip;
  for (int pos = object.faceCount - 1; pos >= 0; --pos) {
    int face = order.faceOrder[pos];
    if (object.faceInfo[face].enabled != 1) continue;
    const FaceIndices& f = object.faces[face];
    const MeshVertex& a = object.vertices[f.a];
    const MeshVertex& b = object.vertices[f.b];
    const MeshVertex& c = object.vertices[f.c];
    // Subtracted as the processor does, wrapping: a depth too far for an
    // int32 (the indefinite value) comes out negative, so black.
    int32_t depth = TruncOrIndefinite((a.cz + b.cz + c.cz) * kThird);
    int32_t level = std::clamp(int32_t(256u - uint32_t(depth)), 0, 255);
    uint32_t grey = uint32_t(level) * 0x010101u;
    if (InFront(object, f)) {
      Point pa = Project(a), pb = Project(b), pc = Project(c);
      Fill(pa, pb, pc, grey, cull, pixels);
      Outline(pa, pb, pc, kHalving, pixels);
      for (const MeshVertex* v : {&a, &b, &c}) Dot(*v, pixels);
      continue;
    }
    int count = int(ClipNearPlane(object, face, clip));
    for (int i = 0; i < count - 2; ++i) {
      Point p0 = Project(clip.points[0]), p1 = Project(clip.points[i + 1]),
            p2 = Project(clip.points[i + 2]);
      Fill(p0, p1, p2, grey, cull, pixels);
      Outline(p0, p1, p2, kHalving, pixels);
      // A vertex behind the camera has no place on the screen: no dot.
      for (const MeshVertex* v : {&a, &b, &c})
        if (v->cz > 0) Dot(*v, pixels);
    }
  }
}

float ClipNearPlane(const SceneObject& object, int face, ClipBuffer& clip) {
  const FaceIndices& f = object.faces[face];
  const MeshVertex* corners[3] = {&object.vertices[f.a], &object.vertices[f.b], &object.vertices[f.c]};
  auto side = [](float z) { return z < 0 ? -1 : 1; };
  auto append = [&clip](float x, float y, float z) {
    clip.points[clip.count][0] = x, clip.points[clip.count][1] = y, clip.points[clip.count][2] = z;
    ++clip.count;
  };
  clip.count = 0;
  for (int e = 0; e < 3; ++e) {
    const MeshVertex& s = *corners[e];
    const MeshVertex& n = *corners[(e + 1) % 3];
    if (side(s.cz) != side(n.cz)) {
      float t = s.cz / (s.cz - n.cz);
      float px = s.cx + (n.cx - s.cx) * t, py = s.cy + (n.cy - s.cy) * t;
      if (s.cz < 0) {
        append(px, py, 1.0f);
        append(n.cx, n.cy, n.cz);
      }
      if (n.cz < 0) append(px, py, 1.0f);
    } else if (side(s.cz) == 1) {
      append(n.cx, n.cy, n.cz);
    }
  }
  return float(clip.count);
}

// Wide enough for any int32 input: the clip points kept at z = 1 project far
// outside the screen, where 32-bit (and even 64-bit) products would overflow.
int EdgeSide(int32_t xa, int32_t ya, int32_t xb, int32_t yb, int32_t xc, int32_t yc) {
  using Wide = __int128;
  Wide cross = Wide(int64_t(xb) - xa) * Wide(int64_t(yc) - ya) - Wide(int64_t(yb) - ya) * Wide(int64_t(xc) - xa);
  return cross < 0 ? 1 : 0;
}

void BlendSpan(int32_t x0, int32_t x1, int32_t y, uint32_t colour, uint32_t* pixels) {
  if (x0 > x1) std::swap(x0, x1);
  x0 = std::clamp(x0, 0, kFrameWidth - 1);
  x1 = std::clamp(x1, 0, kFrameWidth - 1);
  if (x0 == x1 || x0 >= kFrameWidth - 1) return;
  uint32_t* row = pixels + size_t(y) * kFrameWidth;
  for (int32_t x = x0; x < x1; ++x) row[x] = HalfBlend(row[x], colour);
}

namespace {

// Rows walked above the screen before the edges are moved there in one step;
// only far-off clip points come near it.
constexpr int64_t kFarRows = 1 << 16;

void SpanRows(int64_t y, int64_t last, float xL, float kL, float xS, float kS, uint32_t colour,
              uint32_t* pixels) {
  if (last < 0) return;  // wholly above the screen
  if (y < -kFarRows) {
    int64_t skip = -y;
    xL += float(skip) * kL, xS += float(skip) * kS, y = 0;
  }
  for (; y <= last; ++y) {
    // Rows below the screen draw nothing, so the walk ends there.
    if (y >= kFrameHeight) break;
    if (y >= 0) BlendSpan(TruncOrIndefinite(xL), TruncOrIndefinite(xS), int32_t(y), colour, pixels);
    xL += kL, xS += kS;
  }
}

}  // namespace

void FillTriangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  uint32_t colour, uint32_t* pixels) {
  Point top{x0, y0}, mid{x1, y1}, bot{x2, y2};
  if (mid.y > bot.y) std::swap(mid, bot);
  if (top.y > bot.y) std::swap(top, bot);
  if (top.y > mid.y) std::swap(top, mid);
  auto slope = [](Point from, Point to) {
    return float(int64_t(to.x) - from.x) / float(int64_t(to.y) - from.y);
  };
  float kL = bot.y != top.y ? slope(top, bot) : 0.0f;
  if (mid.y != top.y)
    SpanRows(top.y, mid.y, float(top.x), kL, float(top.x), slope(top, mid), colour, pixels);
  if (bot.y != mid.y) {
    float kS = slope(mid, bot);
    float xL = float(top.x) + float(int64_t(mid.y) - top.y) * kL + kL;
    SpanRows(int64_t(mid.y) + 1, bot.y, xL, kL, float(mid.x) + kS, kS, colour, pixels);
  }
}

namespace {

// The Bresenham steps of a line from (x, y) with error term err: every step
// moves along the major axis and, when the error wraps, along the other.
// Only the pixels inside columns and rows 1 onwards are blended.
template <bool kXMajor>
void WalkLine(int64_t x, int64_t y, int sx, int sy, int64_t major, int64_t minor, int64_t err, int64_t steps,
              uint32_t colour, uint32_t* pixels) {
  for (; steps > 0; --steps) {
    if (uint64_t(x - 1) < uint64_t(kFrameWidth - 1) && uint64_t(y - 1) < uint64_t(kFrameHeight - 1)) {
      uint32_t& p = pixels[size_t(y) * kFrameWidth + size_t(x)];
      p = HalfBlend(p, colour);
    }
    err += minor;
    bool diagonal = err >= major;
    if (diagonal) err -= major;
    if (kXMajor) {
      x += sx;
      if (diagonal) y += sy;
    } else {
      y += sy;
      if (diagonal) x += sx;
    }
  }
}

}  // namespace

void BlendLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour, uint32_t* pixels) {
  int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
  int64_t adx = std::llabs(dx), ady = std::llabs(dy);
  bool xMajor = adx > ady;
  int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  int64_t err = major / 2;
  int64_t pos[2] = {x0, y0};  // x, y
  const int64_t lo[2] = {1, 1}, hi[2] = {kFrameWidth - 1, kFrameHeight - 1};
  const int step[2] = {sx, sy};
  const int m = xMajor ? 0 : 1, n = 1 - m;  // major and minor axis
  int64_t steps = major + 1;

  // A line that starts far off the screen: the steps before its major
  // coordinate can reach the screen are taken at once, with the error term
  // they would have left.
  int64_t skip = 0;
  if (step[m] > 0 && pos[m] < lo[m]) skip = lo[m] - pos[m];
  if (step[m] < 0 && pos[m] > hi[m]) skip = pos[m] - hi[m];
  skip = std::min(skip, steps - 1);
  if (skip > 0) {
    __int128 total = __int128(err) + __int128(skip) * minor;
    int64_t diagonals = int64_t(total / major);
    err = int64_t(total % major);
    pos[m] += step[m] * skip;
    pos[n] += step[n] * diagonals;
    steps -= skip;
  }
  // The major coordinate moves every step, so once it has passed the
  // screen's last column or row the line never comes back: the steps are
  // cut there. (A line that leaves across its minor axis draws nothing more
  // either; its remaining steps, at most a screen's width, are walked.)
  int64_t onScreen = step[m] > 0 ? hi[m] - pos[m] + 1 : step[m] < 0 ? pos[m] - lo[m] + 1 : steps;
  steps = std::min(steps, onScreen);
  if (steps <= 0) return;
  // Both ends inside the blended area: so is every step between them (a
  // line stays inside the box its ends span), and the walk needs no test.
  if (skip == 0 && steps == major + 1 && x0 >= lo[0] && x0 <= hi[0] && x1 >= lo[0] && x1 <= hi[0] &&
      y0 >= lo[1] && y0 <= hi[1] && y1 >= lo[1] && y1 <= hi[1]) {
    uint32_t* p = pixels + size_t(y0) * kFrameWidth + size_t(x0);
    std::ptrdiff_t along = xMajor ? sx : std::ptrdiff_t(sy) * kFrameWidth;
    std::ptrdiff_t across = xMajor ? std::ptrdiff_t(sy) * kFrameWidth : sx;
    for (; steps > 0; --steps) {
      *p = HalfBlend(*p, colour);
      err += minor;
      int64_t wrap = -int64_t(err >= major);  // all ones on a diagonal step
      err -= major & wrap;
      p += along + (across & wrap);
    }
    return;
  }
  if (xMajor)
    WalkLine<true>(pos[0], pos[1], sx, sy, major, minor, err, steps, colour, pixels);
  else
    WalkLine<false>(pos[0], pos[1], sx, sy, major, minor, err, steps, colour, pixels);
}

void PlotDot(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b, uint32_t* pixels) {
  if (!(x > 1 && x < kFrameWidth - 1 && y > 1 && y < kFrameHeight - 1)) return;
  uint32_t* p = pixels + size_t(y) * kFrameWidth + x;
  uint32_t half = uint32_t(r >> 1) << 16 | uint32_t(g >> 1) << 8 | uint32_t(b >> 1);
  p[0] = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  p[1] = half;
  p[-1] = half;
  p[-kFrameWidth] = half;
  p[kFrameWidth] = half;
}

#if DORSEL_PACKED
namespace {

// [low half of `low`, high half of `high`] of two registers.
__m128i Halves(__m128i low, __m128i high) {
  return _mm_castpd_si128(_mm_move_sd(_mm_castsi128_pd(high), _mm_castsi128_pd(low)));
}

// The smoothing, four pixels a step. Every channel runs on its own,
// x = (x + s) >> 2 with s the sum of that channel in the right, lower and
// upper neighbours (the split lanes and their masks come to exactly that),
// and x never passes 255. Taken four steps at once, since
// floor((floor(a / 4) + b) / 4) = floor((a + 4b) / 16):
//   pixel j of the four = (x + s0 + 4 s1 + … + 4^j sj) >> 2(j + 1),
// where x is the value left by the pixel before the four. The sums reach at
// most 255 + 85 × 765 = 65280, so 16-bit lanes hold them, two pixels to a
// register; only the last pixel's add and shift wait for the step before.
// Where the four pixels and everything they read are black and nothing is
// carried in, the pixels simply become black. Returns the pixel after the
// last group.
uint32_t* SmoothPacked(uint32_t* p, int32_t groups, uint32_t& rb, uint32_t& g) {
  const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
  // The top byte carries no colour: its lanes are kept 0.
  const __m128i channels = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  // The carried value of every channel, in both pixels' lanes.
  __m128i x = _mm_set_epi16(0, short(rb >> 16), short(g >> 8), short(rb & 0xFF), 0, short(rb >> 16),
                            short(g >> 8), short(rb & 0xFF));
  for (int32_t k = 0; k < groups; ++k, p += 4) {
    __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + kFrameWidth));
    __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - kFrameWidth));
    __m128i any = _mm_or_si128(x, _mm_and_si128(_mm_or_si128(_mm_or_si128(right, below), above), colour));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), zero);
      continue;
    }
    // The sums of pixels 0 and 1, and of 2 and 3, by channel.
    __m128i s01 = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(right, zero), _mm_unpacklo_epi8(below, zero)),
                                _mm_unpacklo_epi8(above, zero));
    s01 = _mm_and_si128(s01, channels);
    __m128i s23 = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(right, zero), _mm_unpackhi_epi8(below, zero)),
                                _mm_unpackhi_epi8(above, zero));
    s23 = _mm_and_si128(s23, channels);
    // [s0 | s0 + 4 s1] and [s2 | s2 + 4 s3].
    __m128i e01 = _mm_add_epi16(Halves(s01, _mm_slli_epi16(s01, 2)), _mm_slli_si128(s01, 8));
    __m128i e23 = _mm_add_epi16(Halves(s23, _mm_slli_epi16(s23, 2)), _mm_slli_si128(s23, 8));
    // [s0 + 4 s1 + 16 s2 | … + 64 s3].
    e23 = _mm_add_epi16(_mm_unpackhi_epi64(e01, e01), _mm_slli_epi16(e23, 4));
    __m128i z01 = _mm_add_epi16(x, e01), z23 = _mm_add_epi16(x, e23);
    __m128i last = _mm_srli_epi16(z23, 8);
    x = _mm_unpackhi_epi64(last, last);
    __m128i y01 = Halves(_mm_srli_epi16(z01, 2), _mm_srli_epi16(z01, 4));
    __m128i y23 = Halves(_mm_srli_epi16(z23, 6), last);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(y01, y23));
  }
  uint32_t carried = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(x, x)));
  rb = carried & 0xFF00FF;
  g = carried & 0xFF00;
  return p;
}

}  // namespace
#endif

void SmoothRow(uint32_t* first, int32_t count, [[maybe_unused]] int useMmx) {
  uint32_t rb = 0, g = 0;
  uint32_t* p = first;
#if DORSEL_PACKED
  // The last few pixels go one by one below, from the value the groups carried.
  if (useMmx && count > 0) p = SmoothPacked(first, count / 4, rb, g);
#endif
  for (; p < first + count; ++p) {
    uint32_t right = p[1], below = p[kFrameWidth], above = p[-kFrameWidth];
    rb = ((rb + (right & 0xFF00FF) + (below & 0xFF00FF) + (above & 0xFF00FF)) >> 2) & 0xFF00FF;
    g = ((g + (right & 0xFF00) + (below & 0xFF00) + (above & 0xFF00)) >> 2) & 0xFF00;
    *p = rb + g;
  }
}
