#include "engine3d/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "support/effects_frame.h"
#include "support/effects_scene.h"

namespace {

using testing_support::Frame;
SceneObject Faces(const std::vector<std::array<float, 3>>& corners) { return testing_support::CameraFaces(corners); }
constexpr int W = kFrameWidth, H = kFrameHeight;
constexpr uint32_t kHalfWhite = 0x7F7F7F;

const DepthOrder kOneFace{{0}, {0}};

TEST(Raster, HalfBlendsAndSpansClampedShortOfTheirRightEnd) {
  // 0x1000000 and 0 halve the pixel; all bits set adds 0x7F7F7F.
  EXPECT_EQ(HalfBlend(0xBEBEBE, 0x1000000), 0x5F5F5Fu);
  EXPECT_EQ(HalfBlend(0x808080, 0), 0x404040u);
  EXPECT_EQ(HalfBlend(0, 0xFFFFFFFFu), kHalfWhite);
  const int cases[][4] = {{600, 700, 1, 0}, {-50, 10, 0, 9}, {10, -50, 0, 9},       {20, 20, 1, 0},
                          {511, 600, 1, 0}, {3, 7, 3, 6},    {500, 900, 500, 510}};  // x0, x1, first and last drawn
  for (auto [x0, x1, first, last] : cases) {
    Frame f;
    BlendSpan(x0, x1, 100, 0xFFFFFF, f.data());
    BlendSpan(x0, x1, 100, 0xFFFFFF, f.data());  // twice: three quarters
    for (int x = 0; x < W; ++x) ASSERT_EQ(f.At(x, 100), (x >= first && x <= last) ? 0xBEBEBEu : 0u) << x0 << ".." << x1 << " at " << x;
    EXPECT_EQ(f.Touched(), std::max(0, last - first + 1));
  }
}

// The plain walk: every step taken one at a time, every pixel tested; row
// and column 0 are never drawn.
std::vector<std::pair<int, int>> ReferenceLine(int x0, int y0, int x1, int y1) {
  std::vector<std::pair<int, int>> drawn;
  long dx = long(x1) - x0, dy = long(y1) - y0, ax = std::labs(dx), ay = std::labs(dy);
  int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
  long major = std::max(ax, ay), minor = std::min(ax, ay), err = major / 2, x = x0, y = y0;
  for (long i = 0; i <= major; ++i) {
    if (x > 0 && x < W && y > 0 && y < H) drawn.push_back({int(x), int(y)});
    err += minor;
    if (err >= major) err -= major, x += sx, y += sy;
    else if (ax > ay) x += sx;
    else y += sy;
  }
  return drawn;
}

// Points and short lines, lines past every edge and far beyond it, and ends
// on the last column and row that are drawn and just past them; then random
// lines, from short ones on the screen to long ones that enter, cross and
// leave it on either axis. Each set is drawn over itself on white: every
// blend with black halves every channel of every pixel the walk visits.
TEST(Raster, LinesAreTheBresenhamStepsNeverOnRowOrColumnZero) {
  std::vector<std::array<int, 4>> lines = {
      {5, 5, 5, 5},       {0, 0, 300, 0},     {0, 10, 10, 10},     {10, 10, 20, 15},       {20, 15, 10, 10},
      {3, 3, 3, 40},      {-100, -100, 50, 50}, {-5000, 200, 6000, 201}, {100, 383, 100, 390}, {-200000, -150000, 400, 300},
      {600000, 100, -300000, 200}, {1, 1, 511, 383}, {511, 383, 1, 1}, {1, 383, 511, 1},     {511, 1, 511, 383},
      {1, 200, 511, 201}, {511, 5, 512, 300}, {7, 383, 300, 384},  {0, 1, 9, 383}};
  for (int span : {0, 8, 300, 700, 3000}) {
    std::mt19937 random{uint32_t(span)};
    auto any = [&](int s) { return int(random() % uint32_t(2 * s + 1)) - s; };
    for (int i = 0; span && i < 400; ++i) {
      int cx = 256 + any(span / 2), cy = 192 + any(span / 2);
      int x0 = cx + any(span), y0 = cy + any(span), x1 = cx + any(span), y1 = cy + any(span);
      if (i % 4 == 0) x1 = x0;              // vertical
      if (i % 4 == 1) y1 = y0;              // horizontal
      if (i % 8 == 2) x1 = x0 + (y1 - y0);  // diagonal
      lines.push_back({x0, y0, x1, y1});
    }
    std::vector<int> visits(size_t(W) * H, 0);
    Frame white(0xFFFFFFu);
    for (auto [x0, y0, x1, y1] : lines) {
      for (auto [x, y] : ReferenceLine(x0, y0, x1, y1)) ++visits[size_t(y) * W + x];
      BlendLine(x0, y0, x1, y1, 0, white.data());
    }
    long wrong = 0, visited = 0;
    for (size_t p = 0; p < visits.size(); ++p) {
      wrong += white.pixels[p] != (visits[p] >= 8 ? 0 : 0xFFu >> visits[p]) * 0x010101u;
      visited += visits[p] > 0;
    }
    EXPECT_EQ(wrong, 0) << "span " << span;
    EXPECT_GT(visited, 100) << "span " << span;
    lines.clear();
  }
}

// A dot is its colour with half of it on each side, kept off the edges;
// the object's dots mark only faces wholly in front, enabled or not.
TEST(Raster, DotsKeepOffTheEdgesAndMarkOnlyFacesWhollyInFront) {
  const int cases[][3] = {{1, 100, 0}, {511, 100, 0}, {2, 2, 1}, {510, 382, 1}, {100, 1, 0}, {100, 383, 0}, {-5, 50, 0}};
  for (auto [x, y, drawn] : cases) {
    Frame f;
    PlotDot(x, y, 255, 128, 7, f.data());
    EXPECT_EQ(f.Touched(), drawn ? 5 : 0) << x << "," << y;
    if (!drawn) continue;
    EXPECT_EQ(f.At(x, y), 0xFF8007u);
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, -1}, {0, 1}}) EXPECT_EQ(f.At(x + dx, y + dy), 0x7F4003u);
  }
  for (float z : {100.0f, -1.0f, 0.0f, -5.0f}) {
    SceneObject o = Faces({{-50, -50, 100}, {50, -50, z}, {-50, 50, 100}});
    o.faceInfo[0].enabled = 0;
    Frame f;
    DrawDots(o, kOneFace, 200, 100, 50, f.data());
    EXPECT_EQ(f.Touched(), z > 0 ? 15 : 0) << z;
    EXPECT_EQ(f.At(128, 64), z > 0 ? 0xC86432u : 0u);
  }
}

TEST(Raster, EdgeSideHoldsForFarOffPoints) {
  const int32_t cases[][7] = {
      {0, 0, 10, 0, 0, 10, 0}, {0, 0, 0, 10, 10, 0, 1}, {0, 0, 5, 5, 10, 10, 0},  // 100, −100, on a line
      // Products near 2^62 that wrap in 32 bits.
      {-2000000000, -2000000000, 2000000000, -2000000000, -2000000000, 2000000000, 0},
      {-2000000000, -2000000000, -2000000000, 2000000000, 2000000000, -2000000000, 1},
      {INT32_MIN, 0, 0, INT32_MIN, 300, 200, 0}, {INT32_MIN, 0, 300, 200, 0, INT32_MIN, 1}};
  for (auto [xa, ya, xb, yb, xc, yc, side] : cases) EXPECT_EQ(EdgeSide(xa, ya, xb, yb, xc, yc), side) << xa << "," << yb;
}

TEST(Raster, TrianglesFillFromTheirVertexRows) {
  struct Case {
    const char* name;
    int32_t p[6];
    std::vector<std::array<int, 3>> rows;  // y, first x, last x; nothing else drawn
  };
  const Case cases[] = {
      {"all on one row", {10, 50, 60, 50, 30, 50}, {}},
      {"above the screen", {10, -50, 60, -20, 30, -5}, {}},
      {"below the screen", {10, 400, 60, 450, 30, 390}, {}},
      // Flat top: no row at y = 10; the long edge runs from (10,10) to (10,14).
      {"flat top", {10, 10, 20, 10, 10, 14}, {{11, 10, 16}, {12, 10, 14}, {13, 10, 11}}},
      // Flat bottom: rows 10..14, the right edge x = 10 + 2.5 (y - 10).
      {"flat bottom", {10, 10, 10, 14, 20, 14}, {{11, 10, 11}, {12, 10, 14}, {13, 10, 16}, {14, 10, 19}}},
      {"entering from above", {100, -3, 100, 2, 110, 2}, {{0, 100, 105}, {1, 100, 107}, {2, 100, 109}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame f, want;
    FillTriangle(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5], 0xFFFFFF, f.data());
    for (auto [y, x0, x1] : c.rows) std::fill(&want.pixels[size_t(y) * W + x0], &want.pixels[size_t(y) * W + x1 + 1], kHalfWhite);
    EXPECT_EQ(f.pixels, want.pixels);
  }
  // A corner whose projection overflowed (a vertex just in front of the
  // camera): the triangle is drawn down to its lowest corner and no further.
  const int32_t far[][7] = {{INT32_MIN, INT32_MIN, 300, 200, 100, 250, 250},
                            {200, -3000000, 260, 100, 180, 120, 120},
                            {INT32_MIN, 100, 300, 100, 300, 300, 300}};
  for (auto [x0, y0, x1, y1, x2, y2, lowest] : far) {
    Frame f;
    FillTriangle(x0, y0, x1, y1, x2, y2, 0xFFFFFF, f.data());
    EXPECT_GT(f.Touched(), 0) << y0;
    EXPECT_EQ(std::count(f.pixels.begin() + (lowest + 1) * W, f.pixels.end(), 0u), (H - lowest - 1) * W) << y0;
  }
}

TEST(Raster, NearPlaneClipping) {
  struct Case {
    const char* name;
    std::vector<std::array<float, 3>> corners, points;
  };
  const Case cases[] = {
      {"all in front", {{0, 0, 10}, {10, 0, 10}, {0, 10, 20}}, {{10, 0, 10}, {0, 10, 20}, {0, 0, 10}}},
      {"all behind", {{0, 0, -10}, {10, 0, -10}, {0, 10, -20}}, {}},
      // a behind: edge a-b crosses at t = -10 / -20 = 0.5.
      {"one behind", {{0, 0, -10}, {10, 20, 10}, {-10, 20, 30}}, {{5, 10, 1}, {10, 20, 10}, {-10, 20, 30}, {-2.5f, 5, 1}}},
      {"two behind", {{0, 0, -10}, {10, 0, -30}, {0, 20, 10}}, {{2.5f, 15, 1}, {0, 20, 10}, {0, 10, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClipBuffer clip;
    ASSERT_EQ(ClipNearPlane(Faces(c.corners), 0, clip), float(c.points.size()));
    for (size_t i = 0; i < c.points.size(); ++i)
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(clip.points[i][k], c.points[i][k]) << i << "," << k;
  }
  // A face with one vertex behind is filled as the two fan triangles of its cut.
  SceneObject o = Faces({{-10, -10, -5}, {60, -10, 100}, {-30, 50, 80}});
  Frame drawn, expected;
  DrawFlat(o, kOneFace, drawn.data(), 0);
  ClipBuffer clip;
  ASSERT_EQ(ClipNearPlane(o, 0, clip), 4.0f);
  auto sx = [&](int i) { return ScreenX(clip.points[i][0], clip.points[i][2]); };
  auto sy = [&](int i) { return ScreenY(clip.points[i][1], clip.points[i][2]); };
  for (int i = 0; i < 2; ++i) FillTriangle(sx(0), sy(0), sx(i + 1), sy(i + 1), sx(i + 2), sy(i + 2), 0xFFFFFF, expected.data());
  EXPECT_GT(expected.Touched(), 1000);
  EXPECT_EQ(drawn.pixels, expected.pixels);
}

TEST(Raster, CullingKeepsOnlyOneWinding) {
  // Screen y grows downwards; this order gives a negative edge product.
  const SceneObject facing = Faces({{0, 0, 100}, {0, 50, 100}, {50, 0, 100}}), away = Faces({{0, 0, 100}, {50, 0, 100}, {0, 50, 100}});
  for (auto [object, cull, drawn] : {std::tuple{&facing, 1, true}, {&away, 1, false}, {&away, 0, true}, {&facing, 0, true}}) {
    Frame f;
    DrawFlat(*object, kOneFace, f.data(), cull);
    EXPECT_EQ(f.Touched() > 0, drawn) << cull;
  }
}

TEST(Raster, WireKeepsItsColourUntilAFaceInFrontTurnsItBlue) {
  // Three faces drawn farthest first (positions 2, 1, 0): a clipped face in
  // the given colour, a face in front (blue), then a clipped face, blue too.
  SceneObject o = Faces({{40, -30, -5}, {70, -30, 50}, {40, 0, 50},     // clipped, right
                         {10, 10, 50}, {30, 10, 50}, {10, 30, 50},      // in front
                         {-40, -30, -5}, {-10, -30, 50}, {-40, 0, 50}});  // clipped, left
  const DepthOrder order{{0, 1, 2}, {0, 0, 0}};
  // Corners where two edges meet are blended twice, so look at the lanes.
  auto lanes = [](const Frame& fr, float x, float y) {
    uint32_t p = fr.At(ScreenX(x, 50), ScreenY(y, 50));
    return (p & 0xFF0000 ? 1 : 0) | (p & 0xFF ? 2 : 0);  // 1 red, 2 blue
  };
  Frame f, g;
  DrawWire(o, order, 0xFF0000, f.data());
  EXPECT_EQ(lanes(f, -10, -30), 1);
  EXPECT_EQ(lanes(f, 30, 10), 2);
  EXPECT_EQ(lanes(f, 40, 0), 2);
  // A disabled face is not drawn.
  o.faceInfo[2].enabled = 0;
  DrawWire(o, order, 0xFF0000, g.data());
  EXPECT_EQ(lanes(g, -10, -30), 0);
  EXPECT_EQ(lanes(g, 40, 0), 2);
}

TEST(Raster, ShadedFacesDarkenWithDepthAndDotTheirCornersInFront) {
  // level = 256 − trunc(z), clamped: z 100 gives 156, z 300 gives 0; the
  // fill at the face's middle is half of the grey level, each corner a white dot.
  for (auto [z, level] : {std::pair{100.0f, 156u}, {250.0f, 6u}, {300.0f, 0u}, {1e12f, 0u}}) {
    float s = z / 2;
    Frame f;
    DrawShaded(Faces({{-s, -s, z}, {s, -s, z}, {-s, s, z}}), kOneFace, f.data(), 0);
    EXPECT_EQ(f.At(256 - 40, 192 - 40), (level >> 1) * 0x010101u) << z;
    EXPECT_EQ(f.At(ScreenX(-s, z), ScreenY(-s, z)), 0xFFFFFFu) << z;
  }
  // a and b in front on row 64; c behind the eye, where dividing by its
  // negative depth mirrors it onto the screen below them, away from the
  // fill and the outline (which run upwards to the clip points at z = 1).
  const int mirroredX = ScreenX(-30, -100), mirroredY = ScreenY(-20, -100);
  ASSERT_EQ(std::pair(mirroredX, mirroredY), std::pair(332, 243));
  Frame f;
  DrawShaded(Faces({{-50, -50, 100}, {50, -50, 100}, {-30, -20, -100}}), kOneFace, f.data(), 0);
  EXPECT_GT(f.Touched(), 1000) << "what lies in front is filled";
  EXPECT_EQ(f.At(ScreenX(-50, 100), ScreenY(-50, 100)), 0xFFFFFFu);
  EXPECT_EQ(f.At(ScreenX(50, 100), ScreenY(-50, 100)), 0xFFFFFFu);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) EXPECT_EQ(f.At(mirroredX + dx, mirroredY + dy), 0u) << dx << "," << dy;
  // Fills and outlines are half blends, never full white: only dot centres are.
  EXPECT_EQ(std::count(f.pixels.begin(), f.pixels.end(), 0xFFFFFFu), 2);
  // A point on the eye's plane lands nowhere, without undefined behaviour.
  EXPECT_EQ(ScreenX(1, 0), INT32_MIN);
}

TEST(Raster, PackedSmoothRowGivesThePlainPixels) {
  // The packed form takes four pixels a step and skips black stretches, so
  // the cases cross group edges, start off a group boundary, end in a
  // partial group, and mix black runs with full-range colour.
  std::mt19937 random(7);
  uint32_t (*const patterns[])(int, uint32_t) = {
      [](int, uint32_t n) { return n; },                                    // full-range noise with top bytes
      [](int, uint32_t) { return 0xFFFFFFu; },                              // white
      [](int i, uint32_t n) { return i % 37 == 0 ? n | 0xFFFFFFu : 0u; },  // sparse bright dots in black
      [](int i, uint32_t n) { return (i / 9) % 3 == 0 ? n : 0u; },          // black runs between noise
  };
  const int runs[][2] = {{W, 0}, {W, 1}, {W, 3}, {W, 4}, {W, 5}, {W + 1, 7}, {W + 2, 8}, {W + 3, 513}, {W, W},
                         {W + 5, 3 * W + 1}, {W, (H - 2) * W}};  // start, count
  for (auto pattern : patterns) {
    Frame source;
    for (int i = 0; i < W * H; ++i) source.pixels[i] = pattern(i, uint32_t(random()));
    for (auto [start, count] : runs) {
      Frame plain = source, packed = source;
      SmoothRow(&plain.pixels[start], count, 0);
      SmoothRow(&packed.pixels[start], count, 1);
      EXPECT_EQ(plain.pixels == packed.pixels, true) << "pattern " << (&pattern - patterns) << ", start " << start << ", count " << count;
    }
  }
}

}  // namespace
