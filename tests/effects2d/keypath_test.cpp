#include "effects2d/keypath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

KeyPath PathOf(const std::vector<Vec3>& points, int closed) {
  std::vector<PathKey> keys;
  for (const Vec3& p : points) keys.push_back(PathKey{p});
  KeyPath path;
  EXPECT_EQ(SetPathKeys(path, keys, closed), 1);
  return path;
}

// Key k at (k², 0, 0): interior tangents are 2k, so every rule of the
// tangents gives a different, easily worked number.
KeyPath Squares(int closed, int tenseKey = -1) {
  std::vector<Vec3> points;
  for (int k = 0; k < 8; ++k) points.push_back(Vec3{float(k * k), 0, 0});
  KeyPath path = PathOf(points, closed);
  if (tenseKey >= 0) path.keys[tenseKey].tension = 1;
  return path;
}

// The show's flare ring: closed, with two tense keys.
KeyPath FlareRing() {
  KeyPath path = PathOf({{-95, -220, 1500}, {-380, -45, 500}, {-145, 385, 1500}, {125, 285, 500},
                         {170, -135, 1500}, {345, 130, 500}, {660, -465, 1000}, {-130, -245, 500}},
                        1);
  path.keys[0].tension = 7.8f;
  path.keys[2].tension = 9.0f;
  return path;
}

void ExpectVec(const Vec3& got, const Vec3& want, double tolerance, const char* what) {
  EXPECT_NEAR(got.x, want.x, tolerance) << what;
  EXPECT_NEAR(got.y, want.y, tolerance) << what;
  EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

TEST(Vec3, OperationsWorkInDoubleAndStoreFloats) {
  Vec3 a{1, 2, 3}, b{4, 5, 6};
  ExpectVec(Vec3Add(a, b), {5, 7, 9}, 0, "add");
  ExpectVec(Vec3Sub(a, b), {-3, -3, -3}, 0, "sub");
  ExpectVec(Vec3Scale(0.5, b), {2, 2.5f, 3}, 0, "scale");
  ExpectVec(Vec3Cross(a, b), {-3, 6, -3}, 0, "cross");
  ExpectVec(Vec3Cross(Vec3{1, 0, 0}, Vec3{0, 1, 0}), {0, 0, 1}, 0, "x × y = z");
  EXPECT_EQ(Vec3Length(Vec3{3, 4, 12}), 13.0);
  // The cross product's differences are taken before rounding: in single
  // precision 4097 × 4097 − 4096 × 4098 loses its 1.
  EXPECT_EQ(Vec3Cross(Vec3{4097, 4096, 0}, Vec3{4098, 4097, 0}).z, 1.0f);
  Vec3 n{0, 3, 4}, zero{};
  Vec3Normalise(n);
  Vec3Normalise(zero);
  ExpectVec(n, {0, 0.6f, 0.8f}, 1e-7, "normalise");
  ExpectVec(zero, {0, 0, 0}, 0, "a zero vector stays put");
  EXPECT_EQ(Vec3Set(0.1, 0.2, 0.3).y, 0.2f);
}

TEST(PathTangent, KochanekBartelsRules) {
  // An interior key between (0,0,0) and (1,2,0): A = (1,0,0)(1+b),
  // B = (0,2,0)(1−b). Catmull-Rom is (next − prev) / 2; tension 1 stops the
  // curve dead; full continuity leaves along B and arrives along A; bias 1
  // leans towards the incoming chord.
  struct Case {
    float tension, continuity, bias;
    Vec3 leaving, arriving;
  };
  const Case cases[] = {
      {0, 0, 0, {0.5f, 1, 0}, {0.5f, 1, 0}}, {0.5f, 0, 0, {0.25f, 0.5f, 0}, {0.25f, 0.5f, 0}},
      {1, 0, 0, {0, 0, 0}, {0, 0, 0}},       {0, 1, 0, {0, 2, 0}, {1, 0, 0}},
      {0, -1, 0, {1, 0, 0}, {0, 2, 0}},      {0, 0, 1, {1, 0, 0}, {1, 0, 0}},
      {0, 0, -1, {0, 2, 0}, {0, 2, 0}},      {-1, 0, 0, {1, 2, 0}, {1, 2, 0}},
  };
  for (const Case& c : cases) {
    KeyPath path = PathOf({{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {5, 5, 5}}, 0);
    path.keys[1].tension = c.tension, path.keys[1].continuity = c.continuity, path.keys[1].bias = c.bias;
    ExpectVec(PathTangent(path, 1, kLeaving), c.leaving, 1e-6, "leaving");
    ExpectVec(PathTangent(path, 1, kArriving), c.arriving, 1e-6, "arriving");
  }
}

TEST(PathTangent, OpenEndsAndClosedWrap) {
  struct Case {
    int closed, key, side;
    float x;
  };
  const Case cases[] = {
      // Open start: 1.5 × (1 − 0) − 0.5 × T(1) = 1.5 − 1; open end:
      // 1.5 × (49 − 36) − 0.5 × T(6) = 19.5 − 6; the key count stands for
      // key 0. Closed, key 0's neighbours are keys 7 and 1: (1 − 49) / 2.
      {0, 0, kLeaving, 0.5f}, {0, 7, kLeaving, 13.5f}, {0, 7, kArriving, 13.5f}, {0, 3, kLeaving, 6},
      {0, 8, kArriving, 0.5f}, {1, 0, kLeaving, -24}, {1, 8, kArriving, -24},    {1, 7, kLeaving, -18},
  };
  for (const Case& c : cases) {
    Vec3 t = PathTangent(Squares(c.closed), c.key, c.side);
    EXPECT_FLOAT_EQ(t.x, c.x) << c.closed << " key " << c.key;
    EXPECT_EQ(t.y, 0.0f);
  }
}

TEST(EvaluatePath, KeysAtWholeParametersAndTheWayBackToKeyZero) {
  for (const KeyPath& path : {Squares(0), Squares(1), FlareRing()}) {
    for (int k = 0; k < 8; ++k) {
      // At f = 0 the point is the key itself, exactly; just short of the
      // next whole parameter it is next to the next key, and the last
      // segment heads back to key 0, open or closed. (The flare ring's tense
      // keys have tangents of several thousand units.)
      ExpectVec(EvaluatePath(path, float(k)), path.keys[k].position, 0, "at the key");
      ExpectVec(EvaluatePath(path, k + 0.99999f), path.keys[(k + 1) % 8].position, 0.25, "near the next key");
    }
  }
}

TEST(EvaluatePath, WorkedPoints) {
  struct Case {
    const char* what;
    KeyPath path;
    float parameter;
    float want;
  };
  const Case cases[] = {
      // Halfway from key 7 back to key 0 of an open path: h00 = h01 = 0.5,
      // h10 = 1/8 and h11 = −1/8 with the end tangents 13.5 and 0.5:
      // 24.5 + 1.6875 − 0.0625.
      {"7.5 on an open path", Squares(0), 7.5f, 26.125f},
      // Closed, the tangents at 7 and 0 are −18 and −24: 24.5 − 2.25 + 3.
      {"7.5 on a closed path", Squares(1), 7.5f, 25.25f},
      // Between keys 3 and 4 (tangents 6 and 8): 4.5 + 8 + 0.75 − 1.
      {"3.5", Squares(0), 3.5f, 12.25f},
      // Leaving a key of tension 1 at rest: 4.5 + 8 + 0 − 1.
      {"3.5 after a tense key", Squares(0, 3), 3.5f, 11.5f},
      // Arriving at it at rest: 2 + 4.5 + 0.5 − 0.
      {"2.5 before a tense key", Squares(0, 3), 2.5f, 7.0f},
  };
  for (const Case& c : cases) ExpectVec(EvaluatePath(c.path, c.parameter), {c.want, 0, 0}, 1e-5, c.what);
}

TEST(EvaluatePath, OutsideItsRangeItReadsNoMissingKey) {
  struct Case {
    const char* what;
    int closed;
    float parameter;
    int key;
  };
  const Case cases[] = {
      {"closed at the key count", 1, 8.0f, 0}, {"closed past it", 1, 9.5f, 0},
      {"open at the key count", 0, 8.0f, 7},   {"open far past it", 0, 1e9f, 7},
      {"below 0", 0, -0.5f, 0},                {"far below 0", 1, -3.0f, 0},
      {"not a number", 1, std::nanf(""), 0},
  };
  for (const Case& c : cases) {
    KeyPath path = Squares(c.closed);
    EXPECT_EQ(EvaluatePath(path, c.parameter).x, path.keys[c.key].position.x) << c.what;
  }
  // A flare's phase lands on exactly 8, where the ring is back at key 0.
  ExpectVec(EvaluatePath(FlareRing(), 8.0f), {-95, -220, 1500}, 0, "flare at 8");
}

TEST(SetPathKeys, APathNeedsThreeKeys) {
  const PathKey keys[3] = {{{0, 0, 0}}, {{1, 0, 0}}, {{2, 0, 0}}};
  for (int count : {0, 1, 2}) {
    KeyPath path;
    EXPECT_EQ(SetPathKeys(path, std::span<const PathKey>(keys, count), 0), 0) << count;
    EXPECT_TRUE(path.keys.empty());
    // Evaluating what was refused is harmless.
    ExpectVec(EvaluatePath(path, 0.5f), {0, 0, 0}, 0, "refused path");
  }
  // A two-key path made by hand is not looped on either.
  KeyPath two, three;
  two.keys.assign(keys, keys + 2);
  ExpectVec(EvaluatePath(two, 0.5f), {0, 0, 0}, 0, "two keys");
  EXPECT_EQ(SetPathKeys(three, keys, 1), 1);
  EXPECT_EQ(three.closed, 1);
  EXPECT_EQ(three.keys.size(), 3u);
  ExpectVec(EvaluatePath(three, 1.0f), {1, 0, 0}, 0, "three keys");
}

}  // namespace
