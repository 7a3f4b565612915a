#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "engine3d/raster.h"

namespace {

constexpr int W = kFrameWidth, H = kFrameHeight;

struct Frame {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(W) * H, 0);
  uint32_t at(int x, int y) const { return pixels[size_t(y) * W + x]; }
  int Touched() const {
    return int(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0; }));
  }
};

// One face in camera space, already transformed.
SceneObject Face(std::array<std::array<float, 3>, 3> corners, uint32_t colour = 0xFFFFFF) {
  SceneObject o;
  o.vertexCount = 3, o.faceCount = 1;
  o.vertices.resize(3);
  for (int i = 0; i < 3; ++i)
    o.vertices[i].cx = corners[i][0], o.vertices[i].cy = corners[i][1], o.vertices[i].cz = corners[i][2];
  o.faces = {FaceIndices{0, 1, 2}};
  o.faceInfo = {FaceInfo{1, colour}};
  return o;
}
DepthOrder OneFace() { return DepthOrder{{0}, {0}}; }

TEST(Raster, HalfBlendsOfWhiteOverBlack) {
  Frame f;
  BlendSpan(10, 11, 5, 0xFFFFFF, f.pixels.data());
  EXPECT_EQ(f.at(10, 5), 0x7F7F7Fu);
  BlendSpan(10, 11, 5, 0xFFFFFF, f.pixels.data());
  EXPECT_EQ(f.at(10, 5), 0xBEBEBEu);
  // 0x1000000 and 0 halve the pixel; all bits set adds 0x7F7F7F.
  EXPECT_EQ(HalfBlend(0xBEBEBE, 0x1000000), 0x5F5F5Fu);
  EXPECT_EQ(HalfBlend(0x808080, 0), 0x404040u);
  EXPECT_EQ(HalfBlend(0, 0xFFFFFFFFu), 0x7F7F7Fu);
}

TEST(Raster, SpansAreClampedAndLeaveTheirRightEnd) {
  struct Case {
    int x0, x1;
    int first, last;  // pixels drawn, first > last for none
  };
  const Case cases[] = {
      {600, 700, 1, 0}, {-50, 10, 0, 9}, {10, -50, 0, 9}, {20, 20, 1, 0},
      {511, 600, 1, 0}, {500, 900, 500, 510}, {3, 7, 3, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x0 << ".." << c.x1);
    Frame f;
    BlendSpan(c.x0, c.x1, 100, 0xFFFFFF, f.pixels.data());
    for (int x = 0; x < W; ++x)
      EXPECT_EQ(f.at(x, 100), (x >= c.first && x <= c.last) ? 0x7F7F7Fu : 0u) << x;
    EXPECT_EQ(f.Touched(), std::max(0, c.last - c.first + 1));
  }
}

// The plain walk: every step taken one at a time, every pixel tested.
std::vector<std::pair<int, int>> ReferenceLine(int x0, int y0, int x1, int y1) {
  std::vector<std::pair<int, int>> drawn;
  long dx = long(x1) - x0, dy = long(y1) - y0;
  int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
  long major = std::max(std::labs(dx), std::labs(dy)), minor = std::min(std::labs(dx), std::labs(dy));
  bool xMajor = std::labs(dx) > std::labs(dy);
  long err = major / 2, x = x0, y = y0;
  for (long i = 0; i <= major; ++i) {
    if (x > 0 && x < W && y > 0 && y < H) drawn.push_back({int(x), int(y)});
    err += minor;
    if (err >= major) {
      err -= major, x += sx, y += sy;
    } else if (xMajor) {
      x += sx;
    } else {
      y += sy;
    }
  }
  return drawn;
}

TEST(Raster, LinesDrawBothEndsButNeverRowOrColumnZero) {
  struct Case {
    int x0, y0, x1, y1;
    int count;  // pixels drawn
  };
  const Case cases[] = {
      {5, 5, 5, 5, 1},          {0, 0, 300, 0, 0},      {0, 10, 10, 10, 10},
      {10, 10, 20, 15, 11},     {20, 15, 10, 10, 11},   {3, 3, 3, 40, 38},
      {-100, -100, 50, 50, 50}, {-5000, 200, 6000, 201, 511}, {100, 383, 100, 390, 1},
      {-200000, -150000, 400, 300, -1},  {600000, 100, -300000, 200, -1},
      // Ends on the last column and row that are drawn, and just past them.
      {1, 1, 511, 383, 511},    {511, 383, 1, 1, 511},  {1, 383, 511, 1, 511},
      {511, 1, 511, 383, 383},  {1, 200, 511, 201, 511}, {511, 5, 512, 300, -1},
      {7, 383, 300, 384, -1},   {0, 1, 9, 383, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1);
    Frame f;
    BlendLine(c.x0, c.y0, c.x1, c.y1, 0xFFFFFF, f.pixels.data());
    auto expected = ReferenceLine(c.x0, c.y0, c.x1, c.y1);
    if (c.count >= 0) {
      EXPECT_EQ(int(expected.size()), c.count);
    }
    EXPECT_EQ(f.Touched(), int(expected.size()));
    for (auto [x, y] : expected) EXPECT_EQ(f.at(x, y), 0x7F7F7Fu) << x << "," << y;
    for (int x = 0; x < W; ++x) EXPECT_EQ(f.at(x, 0), 0u);
    for (int y = 0; y < H; ++y) EXPECT_EQ(f.at(0, y), 0u);
  }
}

TEST(Raster, LinesOfEveryDirectionAndReachAreTheBresenhamSteps) {
  // Random lines, from short ones on the screen to long ones that enter,
  // cross and leave it on either axis, drawn over each other: every pixel
  // is blended once per line that visits it.
  uint32_t seed = 11;
  auto next = [&seed](int span) {
    seed = seed * 1664525u + 1013904223u;
    return int(seed >> 8) % (2 * span + 1) - span;
  };
  for (int span : {8, 300, 700, 3000}) {
    const uint32_t start = seed;
    std::vector<int> visits(size_t(W) * H, 0);
    for (int i = 0; i < 400; ++i) {
      int cx = 256 + next(span / 2), cy = 192 + next(span / 2);
      int x0 = cx + next(span), y0 = cy + next(span), x1 = cx + next(span), y1 = cy + next(span);
      if (i % 4 == 0) x1 = x0;  // vertical
      if (i % 4 == 1) y1 = y0;  // horizontal
      if (i % 8 == 2) x1 = x0 + (y1 - y0);  // diagonal
      for (auto [x, y] : ReferenceLine(x0, y0, x1, y1)) ++visits[size_t(y) * W + x];
    }
    // Start from white: each blend with black halves every channel.
    Frame white;
    std::fill(white.pixels.begin(), white.pixels.end(), 0xFFFFFFu);
    seed = start;
    for (int i = 0; i < 400; ++i) {
      int cx = 256 + next(span / 2), cy = 192 + next(span / 2);
      int x0 = cx + next(span), y0 = cy + next(span), x1 = cx + next(span), y1 = cy + next(span);
      if (i % 4 == 0) x1 = x0;
      if (i % 4 == 1) y1 = y0;
      if (i % 8 == 2) x1 = x0 + (y1 - y0);
      BlendLine(x0, y0, x1, y1, 0, white.pixels.data());
    }
    long wrong = 0, visited = 0;
    for (size_t p = 0; p < visits.size(); ++p) {
      uint32_t channel = visits[p] >= 8 ? 0 : 0xFFu >> visits[p];
      wrong += white.pixels[p] != (channel * 0x010101u);
      visited += visits[p] > 0;
    }
    EXPECT_EQ(wrong, 0) << "span " << span;
    EXPECT_GT(visited, 100) << "span " << span;
  }
}

TEST(Raster, DotsKeepOffTheEdges) {
  struct Case {
    int x, y;
    bool drawn;
  };
  const Case cases[] = {{1, 100, false}, {511, 100, false}, {2, 2, true},   {510, 382, true},
                        {100, 1, false}, {100, 383, false}, {-5, 50, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    Frame f;
    PlotDot(c.x, c.y, 255, 128, 7, f.pixels.data());
    EXPECT_EQ(f.Touched(), c.drawn ? 5 : 0);
    if (!c.drawn) continue;
    EXPECT_EQ(f.at(c.x, c.y), 0xFF8007u);
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, -1}, {0, 1}})
      EXPECT_EQ(f.at(c.x + dx, c.y + dy), 0x7F4003u);
  }
}

TEST(Raster, DotsOnlyMarkFacesWhollyInFront) {
  struct Case {
    float z[3];
    int dots;
  };
  const Case cases[] = {{{100, 100, 100}, 3}, {{100, -1, 100}, 0}, {{100, 0, 100}, 0}, {{-5, -5, -5}, 0}};
  for (const Case& c : cases) {
    SceneObject o = Face({{{-50, -50, c.z[0]}, {50, -50, c.z[1]}, {-50, 50, c.z[2]}}});
    o.faceInfo[0].enabled = 0;  // not consulted by the dots
    Frame f;
    DrawDots(o, OneFace(), 200, 100, 50, f.pixels.data());
    EXPECT_EQ(f.Touched(), 5 * c.dots) << c.z[1];
    if (c.dots) {
      EXPECT_EQ(f.at(128, 64), 0xC86432u);
    }
  }
}

TEST(Raster, EdgeSideHoldsForFarOffPoints) {
  struct Case {
    int32_t xa, ya, xb, yb, xc, yc;
    int side;
  };
  const Case cases[] = {
      {0, 0, 10, 0, 0, 10, 0},  // (10)(10) - 0 = 100
      {0, 0, 0, 10, 10, 0, 1},  // 0 - (10)(10) = -100
      {0, 0, 5, 5, 10, 10, 0},  // on a line
      // Products near 2^62 that wrap in 32 bits.
      {-2000000000, -2000000000, 2000000000, -2000000000, -2000000000, 2000000000, 0},
      {-2000000000, -2000000000, -2000000000, 2000000000, 2000000000, -2000000000, 1},
      {INT32_MIN, 0, 0, INT32_MIN, 300, 200, 0},
      {INT32_MIN, 0, 300, 200, 0, INT32_MIN, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(EdgeSide(c.xa, c.ya, c.xb, c.yb, c.xc, c.yc), c.side);
}

TEST(Raster, TrianglesFillFromTheirVertexRows) {
  struct Case {
    const char* name;
    int32_t p[6];
    int pixels;  // -1: compare with the rows listed
    std::vector<std::array<int, 3>> rows;  // y, first x, last x
  };
  const Case cases[] = {
      {"all on one row", {10, 50, 60, 50, 30, 50}, 0, {}},
      {"above the screen", {10, -50, 60, -20, 30, -5}, 0, {}},
      {"below the screen", {10, 400, 60, 450, 30, 390}, 0, {}},
      // Flat top: no row at y = 10; the long edge runs from (10,10) to (10,14).
      {"flat top", {10, 10, 20, 10, 10, 14}, -1,
       {{11, 10, 16}, {12, 10, 14}, {13, 10, 11}, {14, 10, 9}}},
      // Flat bottom: rows 10..14, the right edge x = 10 + 2.5 (y - 10).
      {"flat bottom", {10, 10, 10, 14, 20, 14}, -1,
       {{10, 10, 9}, {11, 10, 11}, {12, 10, 14}, {13, 10, 16}, {14, 10, 19}}},
      {"entering from above", {100, -3, 100, 2, 110, 2}, -1, {{0, 100, 105}, {1, 100, 107}, {2, 100, 109}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame f;
    FillTriangle(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5], 0xFFFFFF, f.pixels.data());
    if (c.pixels >= 0) {
      EXPECT_EQ(f.Touched(), c.pixels);
      continue;
    }
    int total = 0;
    for (auto [y, x0, x1] : c.rows) {
      SCOPED_TRACE(y);
      for (int x = x0; x <= x1; ++x) EXPECT_EQ(f.at(x, y), 0x7F7F7Fu) << x;
      EXPECT_EQ(f.at(x0 - 1, y), 0u);
      EXPECT_EQ(f.at(x1 + 1, y), 0u);
      total += std::max(0, x1 - x0 + 1);
    }
    EXPECT_EQ(f.Touched(), total);
  }
}

TEST(Raster, FarOffCornersStillFinishAndStayInTheirRows) {
  // A corner whose projection overflowed (a vertex just in front of the
  // camera): the triangle is drawn down to its lowest corner and no further.
  struct Case {
    int32_t p[6];
    int lowest;  // last row that may be drawn
    bool drawn;
  };
  const Case cases[] = {{{INT32_MIN, INT32_MIN, 300, 200, 100, 250}, 250, true},
                        {{200, -3000000, 260, 100, 180, 120}, 120, true},
                        {{INT32_MIN, 100, 300, 100, 300, 300}, 300, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.p[1]);
    Frame f;
    FillTriangle(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5], 0xFFFFFF, f.pixels.data());
    EXPECT_EQ(f.Touched() > 0, c.drawn);
    for (int y = c.lowest + 1; y < H; ++y)
      for (int x = 0; x < W; ++x) ASSERT_EQ(f.at(x, y), 0u) << x << "," << y;
  }
}

TEST(Raster, NearPlaneClipping) {
  struct Case {
    const char* name;
    std::array<std::array<float, 3>, 3> corners;
    std::vector<std::array<float, 3>> points;
  };
  const Case cases[] = {
      {"all in front", {{{0, 0, 10}, {10, 0, 10}, {0, 10, 20}}},
       {{10, 0, 10}, {0, 10, 20}, {0, 0, 10}}},
      {"all behind", {{{0, 0, -10}, {10, 0, -10}, {0, 10, -20}}}, {}},
      // a behind: edge a-b crosses at t = -10 / -20 = 0.5.
      {"one behind", {{{0, 0, -10}, {10, 20, 10}, {-10, 20, 30}}},
       {{5, 10, 1}, {10, 20, 10}, {-10, 20, 30}, {-2.5f, 5, 1}}},
      {"two behind", {{{0, 0, -10}, {10, 0, -30}, {0, 20, 10}}},
       {{2.5f, 15, 1}, {0, 20, 10}, {0, 10, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SceneObject o = Face(c.corners);
    ClipBuffer clip;
    float count = ClipNearPlane(o, 0, clip);
    ASSERT_EQ(count, float(c.points.size()));
    for (size_t i = 0; i < c.points.size(); ++i)
      for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(clip.points[i][k], c.points[i][k]) << i << "," << k;
  }
}

TEST(Raster, AFaceWithOneVertexBehindIsFilledAsTwoFanTriangles) {
  SceneObject o = Face({{{-10, -10, -5}, {60, -10, 100}, {-30, 50, 80}}});
  Frame drawn;
  DrawFlat(o, OneFace(), drawn.pixels.data(), 0);
  ClipBuffer clip;
  ASSERT_EQ(ClipNearPlane(o, 0, clip), 4.0f);
  Frame expected;
  auto sx = [&](int i) { return ScreenX(clip.points[i][0], clip.points[i][2]); };
  auto sy = [&](int i) { return ScreenY(clip.points[i][1], clip.points[i][2]); };
  for (int i = 0; i < 2; ++i)
    FillTriangle(sx(0), sy(0), sx(i + 1), sy(i + 1), sx(i + 2), sy(i + 2), 0xFFFFFF, expected.pixels.data());
  EXPECT_GT(expected.Touched(), 1000);
  EXPECT_EQ(drawn.pixels, expected.pixels);
}

TEST(Raster, CullingKeepsOnlyOneWinding) {
  // Screen y grows downwards; this order gives a negative edge product.
  SceneObject facing = Face({{{0, 0, 100}, {0, 50, 100}, {50, 0, 100}}});
  SceneObject away = Face({{{0, 0, 100}, {50, 0, 100}, {0, 50, 100}}});
  struct Case {
    const SceneObject* object;
    int cull;
    bool drawn;
  };
  const Case cases[] = {{&facing, 1, true}, {&away, 1, false}, {&away, 0, true}, {&facing, 0, true}};
  for (const Case& c : cases) {
    Frame f;
    DrawFlat(*c.object, OneFace(), f.pixels.data(), c.cull);
    EXPECT_EQ(f.Touched() > 0, c.drawn);
  }
}

TEST(Raster, WireKeepsItsColourUntilAFaceInFrontTurnsItBlue) {
  // Three faces drawn farthest first (positions 2, 1, 0): a clipped face in
  // the given colour, a face in front (blue), then a clipped face, blue too.
  SceneObject o;
  o.vertexCount = 9, o.faceCount = 3;
  o.vertices.resize(9);
  const float corners[9][3] = {{-40, -30, -5}, {-10, -30, 50}, {-40, 0, 50},  // clipped, left
                               {10, 10, 50},  {30, 10, 50},   {10, 30, 50},   // in front
                               {40, -30, -5}, {70, -30, 50},  {40, 0, 50}};   // clipped, right
  for (int i = 0; i < 9; ++i)
    o.vertices[i].cx = corners[i][0], o.vertices[i].cy = corners[i][1], o.vertices[i].cz = corners[i][2];
  o.faces = {FaceIndices{6, 7, 8}, FaceIndices{3, 4, 5}, FaceIndices{0, 1, 2}};
  o.faceInfo.assign(3, FaceInfo{1, 0xFFFFFF});
  DepthOrder order{{0, 1, 2}, {0, 0, 0}};
  Frame f;
  DrawWire(o, order, 0xFF0000, f.pixels.data());
  // Corners where two edges meet are blended twice, so look at the lanes.
  auto red = [&](const Frame& fr, float x, float y) {
    uint32_t p = fr.at(ScreenX(x, 50), ScreenY(y, 50));
    return (p & 0xFF0000) != 0 && (p & 0xFF) == 0;
  };
  auto blue = [&](const Frame& fr, float x, float y) {
    uint32_t p = fr.at(ScreenX(x, 50), ScreenY(y, 50));
    return (p & 0xFF0000) == 0 && (p & 0xFF) != 0;
  };
  EXPECT_TRUE(red(f, -10, -30)) << std::hex << f.at(ScreenX(-10, 50), ScreenY(-30, 50));
  EXPECT_TRUE(blue(f, 30, 10));
  EXPECT_TRUE(blue(f, 40, 0));
  // A disabled face is not drawn.
  o.faceInfo[2].enabled = 0;
  Frame g;
  DrawWire(o, order, 0xFF0000, g.pixels.data());
  EXPECT_EQ(g.at(ScreenX(-10, 50), ScreenY(-30, 50)), 0u);
  EXPECT_TRUE(blue(g, 40, 0));
}

TEST(Raster, ShadedFacesDarkenWithDepth) {
  struct Case {
    float z;
    uint32_t centre;  // the fill at the face's middle: half of the grey level
  };
  // level = 256 - trunc(z), clamped: z 100 gives 156, z 300 gives 0.
  const Case cases[] = {{100, (156u >> 1) * 0x010101u}, {250, (6u >> 1) * 0x010101u}, {300, 0},
                        {1e12f, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.z);
    float s = c.z / 2;
    SceneObject o = Face({{{-s, -s, c.z}, {s, -s, c.z}, {-s, s, c.z}}});
    Frame f;
    DrawShaded(o, OneFace(), f.pixels.data(), 0);
    EXPECT_EQ(f.at(256 - 40, 192 - 40), c.centre);
    // Each corner carries a white dot.
    EXPECT_EQ(f.at(ScreenX(-s, c.z), ScreenY(-s, c.z)), 0xFFFFFFu);
  }
}

TEST(Raster, ShadedFacesCutByTheNearPlaneDotOnlyTheirVerticesInFront) {
  // a and b in front on row 64; c behind the eye, where dividing by its
  // negative depth mirrors it onto the screen below them, away from the
  // fill and the outline (which run upwards to the clip points at z = 1).
  SceneObject o = Face({{{-50, -50, 100}, {50, -50, 100}, {-30, -20, -100}}});
  const int mirroredX = ScreenX(-30, -100), mirroredY = ScreenY(-20, -100);
  ASSERT_EQ(mirroredX, 332);
  ASSERT_EQ(mirroredY, 243);
  Frame f;
  DrawShaded(o, OneFace(), f.pixels.data(), 0);
  EXPECT_GT(f.Touched(), 1000) << "the part in front is filled";
  EXPECT_EQ(f.at(ScreenX(-50, 100), ScreenY(-50, 100)), 0xFFFFFFu);
  EXPECT_EQ(f.at(ScreenX(50, 100), ScreenY(-50, 100)), 0xFFFFFFu);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) EXPECT_EQ(f.at(mirroredX + dx, mirroredY + dy), 0u) << dx << "," << dy;
  // Fills and outlines are half blends, never full white: only dot centres are.
  EXPECT_EQ(std::count(f.pixels.begin(), f.pixels.end(), 0xFFFFFFu), 2);
}

TEST(Raster, SmoothRowCarriesItsAccumulators) {
  // Three rows of four pixels, the middle one smoothed (the frame's rows are
  // 512 long, so lay the rows out that way).
  Frame f;
  uint32_t* row1 = f.pixels.data() + W;
  const uint32_t above[4] = {0x040404, 0x080808, 0x0C0C0C, 0x101010};
  const uint32_t middle[5] = {0x400000, 0x004000, 0x000040, 0x404040, 0x808080};
  const uint32_t below[4] = {0x000004, 0x000400, 0x040000, 0x040404};
  for (int x = 0; x < 4; ++x) f.pixels[x] = above[x], row1[W + x] = below[x];
  for (int x = 0; x < 5; ++x) row1[x] = middle[x];
  // Worked by hand, lane by lane: each pixel from the one just written and
  // its right, lower and upper neighbours.
  uint32_t rb = 0, g = 0;
  uint32_t expected[4];
  for (int x = 0; x < 4; ++x) {
    uint32_t r = x + 1 < 5 ? middle[x + 1] : 0;
    rb = ((rb + (r & 0xFF00FF) + (below[x] & 0xFF00FF) + (above[x] & 0xFF00FF)) >> 2) & 0xFF00FF;
    g = ((g + (r & 0xFF00) + (below[x] & 0xFF00) + (above[x] & 0xFF00)) >> 2) & 0xFF00;
    expected[x] = rb + g;
  }
  EXPECT_EQ(expected[0], 0x011102u);  // (0x004000 + 0x000004 + 0x040404) / 4 by lanes
  SmoothRow(row1, 4, 0);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(row1[x], expected[x]) << x;
  EXPECT_EQ(row1[4], 0x808080u) << "the pixel after the run is only read";
  // A lone bright pixel spreads to the right through the carried value.
  Frame lone;
  lone.pixels[W + 1] = 0xFFFFFF;
  SmoothRow(lone.pixels.data() + W, 4, 0);
  EXPECT_EQ(lone.at(0, 1), 0x3F3F3Fu);
  EXPECT_EQ(lone.at(1, 1), 0x0F0F0Fu);
  EXPECT_EQ(lone.at(2, 1), 0x030303u);
}

TEST(Raster, ScreenPlaces) {
  EXPECT_EQ(ScreenX(100, 200), 384);
  EXPECT_EQ(ScreenY(-100, 200), 64);
  EXPECT_EQ(ScreenX(1, 0), INT32_MIN) << "a point on the eye's plane lands nowhere, without undefined behaviour";
}

}  // namespace

TEST(Raster, PackedSmoothRowGivesThePlainPixels) {
  // The packed form takes four pixels a step and skips black stretches, so
  // the cases cross group edges, start off a group boundary, end in a
  // partial group, and mix black runs with full-range colour.
  std::srand(7);
  auto randomPixel = [] { return (uint32_t(std::rand()) << 16 ^ uint32_t(std::rand())) & 0xFFFFFFFFu; };
  struct Pattern {
    const char* name;
    uint32_t (*at)(int i, uint32_t noise);
  };
  const Pattern patterns[] = {
      {"full-range noise with top bytes", [](int, uint32_t n) { return n; }},
      {"white", [](int, uint32_t) { return 0xFFFFFFu; }},
      {"sparse bright dots in black", [](int i, uint32_t n) { return i % 37 == 0 ? n | 0xFFFFFFu : 0u; }},
      {"black runs between noise", [](int i, uint32_t n) { return (i / 9) % 3 == 0 ? n : 0u; }},
  };
  struct Run {
    int start, count;
  };
  const Run runs[] = {{W, 0},      {W, 1},      {W, 3},       {W, 4},         {W, 5},
                      {W + 1, 7},  {W + 2, 8},  {W + 3, 513}, {W, W},         {W + 5, 3 * W + 1},
                      {W, (H - 2) * W}};
  for (const Pattern& pattern : patterns) {
    Frame source;
    for (int i = 0; i < W * H; ++i) source.pixels[i] = pattern.at(i, randomPixel());
    for (const Run& run : runs) {
      SCOPED_TRACE(std::string(pattern.name) + ", start " + std::to_string(run.start) + ", count " +
                   std::to_string(run.count));
      Frame plain = source, packed = source;
      SmoothRow(plain.pixels.data() + run.start, run.count, 0);
      SmoothRow(packed.pixels.data() + run.start, run.count, 1);
      int differing = 0;
      for (int i = 0; i < W * H; ++i) differing += plain.pixels[i] != packed.pixels[i];
      EXPECT_EQ(differing, 0);
    }
  }
}
