#include "effects2d/keypath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

KeyPath PathOf(const std::vector<Vec3>& points, int closed, float tension[] = nullptr) {
  std::vector<PathKey> keys;
  for (const Vec3& p : points) keys.push_back(PathKey{p});
  KeyPath path;
  EXPECT_EQ(SetPathKeys(path, keys, closed), 1);
  for (size_t k = 0; tension && k < keys.size(); ++k) path.keys[k].tension = tension[k];
  return path;
}

// Key k at (k², 0, 0): interior tangents are 2k, so every rule of the
// tangents gives a different, easily worked number.
KeyPath Squares(int closed, int tenseKey = -1) {
  std::vector<Vec3> points;
  float tension[8] = {};
  for (int k = 0; k < 8; ++k) points.push_back(Vec3{float(k * k), 0, 0}), tension[k] = k == tenseKey;
  return PathOf(points, closed, tension);
}

// An interior key between (0,0,0) and (1,2,0): A = (1,0,0)(1+b), B = (0,2,0)(1−b).
KeyPath Kb(float tension, float continuity, float bias) {
  KeyPath path = PathOf({{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {5, 5, 5}}, 0);
  path.keys[1] = PathKey{{1, 0, 0}, tension, continuity, bias};
  return path;
}

// The show's flare ring: closed, with two tense keys.
KeyPath FlareRing() {
  float tension[8] = {7.8f, 0, 9.0f};
  return PathOf({{-95, -220, 1500}, {-380, -45, 500}, {-145, 385, 1500}, {125, 285, 500},
                 {170, -135, 1500}, {345, 130, 500}, {660, -465, 1000}, {-130, -245, 500}}, 1, tension);
}

void ExpectVec(const Vec3& got, const Vec3& want, double tolerance, const std::string& what) {
  EXPECT_NEAR(got.x, want.x, tolerance) << what;
  EXPECT_NEAR(got.y, want.y, tolerance) << what;
  EXPECT_NEAR(got.z, want.z, tolerance) << what;
}

TEST(Vec3, OperationsWorkInDoubleAndStoreFloats) {
  Vec3 a{1, 2, 3}, b{4, 5, 6}, n{0, 3, 4}, zero{};
  Vec3Normalise(n), Vec3Normalise(zero);
  // The cross product's differences are taken before rounding: in single
  // precision 4097 × 4097 − 4096 × 4098 loses its 1. A zero vector stays put.
  const std::pair<Vec3, Vec3> cases[] = {
      {Vec3Add(a, b), {5, 7, 9}}, {Vec3Sub(a, b), {-3, -3, -3}}, {Vec3Scale(0.5, b), {2, 2.5f, 3}},
      {Vec3Cross(a, b), {-3, 6, -3}}, {Vec3Cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1}},
      {Vec3Cross({4097, 4096, 0}, {4098, 4097, 0}), {0, 0, 1}}, {n, {0, 0.6f, 0.8f}}, {zero, {0, 0, 0}},
      {Vec3Set(0.1, 0.2, 0.3), {0.1f, 0.2f, 0.3f}}, {{float(Vec3Length({3, 4, 12})), 0, 0}, {13, 0, 0}}};
  for (const auto& c : cases) ExpectVec(c.first, c.second, 1e-7, "case " + std::to_string(&c - cases));
}

TEST(PathTangent, KochanekBartelsRulesOpenEndsAndClosedWrap) {
  struct Case {
    KeyPath path;
    int key, side;
    Vec3 want;
  };
  const int L = kLeaving, A = kArriving;
  const Case cases[] = {
      // Catmull-Rom: (next − prev) / 2; tension 1 stops the curve dead; full
      // continuity leaves along B and arrives along A; bias 1 leans towards
      // the incoming chord.
      {Kb(0, 0, 0), 1, L, {0.5f, 1, 0}},     {Kb(0, 0, 0), 1, A, {0.5f, 1, 0}},
      {Kb(0.5f, 0, 0), 1, L, {0.25f, 0.5f, 0}}, {Kb(0.5f, 0, 0), 1, A, {0.25f, 0.5f, 0}},
      {Kb(1, 0, 0), 1, L, {0, 0, 0}},        {Kb(1, 0, 0), 1, A, {0, 0, 0}},
      {Kb(0, 1, 0), 1, L, {0, 2, 0}},        {Kb(0, 1, 0), 1, A, {1, 0, 0}},
      {Kb(0, -1, 0), 1, L, {1, 0, 0}},       {Kb(0, -1, 0), 1, A, {0, 2, 0}},
      {Kb(0, 0, 1), 1, L, {1, 0, 0}},        {Kb(0, 0, 1), 1, A, {1, 0, 0}},
      {Kb(0, 0, -1), 1, L, {0, 2, 0}},       {Kb(0, 0, -1), 1, A, {0, 2, 0}},
      {Kb(-1, 0, 0), 1, L, {1, 2, 0}},       {Kb(-1, 0, 0), 1, A, {1, 2, 0}},
      // Open start: 1.5 × (1 − 0) − 0.5 × T(1) = 1.5 − 1; open end:
      // 1.5 × (49 − 36) − 0.5 × T(6) = 19.5 − 6; the key count stands for
      // key 0. Closed, key 0's neighbours are keys 7 and 1: (1 − 49) / 2.
      {Squares(0), 0, L, {0.5f, 0, 0}},      {Squares(0), 7, L, {13.5f, 0, 0}},
      {Squares(0), 7, A, {13.5f, 0, 0}},     {Squares(0), 3, L, {6, 0, 0}},
      {Squares(0), 8, A, {0.5f, 0, 0}},      {Squares(1), 0, L, {-24, 0, 0}},
      {Squares(1), 8, A, {-24, 0, 0}},       {Squares(1), 7, L, {-18, 0, 0}},
  };
  for (const Case& c : cases)
    ExpectVec(PathTangent(c.path, c.key, c.side), c.want, 1e-5, std::to_string(&c - cases) + (c.side == L ? " leaving" : " arriving"));
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
  // A flare's phase lands on exactly 8, where the ring is back at key 0.
  ExpectVec(EvaluatePath(FlareRing(), 8.0f), {-95, -220, 1500}, 0, "flare at 8");
}

// Points worked by hand, and outside the range no missing key is read: past
// the last segment the path stays at key 0 when closed and at the last key
// when open; below 0 it is at key 0.
TEST(EvaluatePath, WorkedPointsAndTheEndsOfItsRange) {
  struct Case {
    const char* what;
    KeyPath path;
    float parameter, want;
  };
  const Case cases[] = {
      // Halfway from key 7 back to key 0 of an open path: h00 = h01 = 0.5,
      // h10 = 1/8 and h11 = −1/8 with the end tangents 13.5 and 0.5:
      // 24.5 + 1.6875 − 0.0625. Closed, the tangents at 7 and 0 are −18 and
      // −24: 24.5 − 2.25 + 3.
      {"7.5 on an open path", Squares(0), 7.5f, 26.125f}, {"7.5 on a closed path", Squares(1), 7.5f, 25.25f},
      // Between keys 3 and 4 (tangents 6 and 8): 4.5 + 8 + 0.75 − 1; leaving
      // a key of tension 1 at rest: 4.5 + 8 + 0 − 1; arriving at it: 2 + 4.5 + 0.5 − 0.
      {"3.5", Squares(0), 3.5f, 12.25f}, {"3.5 after a tense key", Squares(0, 3), 3.5f, 11.5f},
      {"2.5 before a tense key", Squares(0, 3), 2.5f, 7.0f},
      {"closed at the key count", Squares(1), 8.0f, 0}, {"closed past it", Squares(1), 9.5f, 0},
      {"open at the key count", Squares(0), 8.0f, 49},  {"open far past it", Squares(0), 1e9f, 49},
      {"below 0", Squares(0), -0.5f, 0},                {"far below 0", Squares(1), -3.0f, 0},
      {"not a number", Squares(1), std::nanf(""), 0},
  };
  for (const Case& c : cases) ExpectVec(EvaluatePath(c.path, c.parameter), {c.want, 0, 0}, 1e-5, c.what);
}

TEST(SetPathKeys, APathNeedsThreeKeys) {
  const PathKey keys[3] = {{{0, 0, 0}}, {{1, 0, 0}}, {{2, 0, 0}}};
  KeyPath paths[3], two, three;
  for (int count : {0, 1, 2}) {
    EXPECT_EQ(SetPathKeys(paths[count], std::span<const PathKey>(keys, count), 0), 0) << count;
    EXPECT_TRUE(paths[count].keys.empty());
  }
  // Evaluating what was refused, or a two-key path made by hand, is harmless.
  two.keys.assign(keys, keys + 2);
  for (const KeyPath* p : {&paths[2], &two}) ExpectVec(EvaluatePath(*p, 0.5f), {0, 0, 0}, 0, "short path");
  EXPECT_EQ(SetPathKeys(three, keys, 1), 1);
  EXPECT_EQ(three.closed + int(three.keys.size()), 1 + 3);
  ExpectVec(EvaluatePath(three, 1.0f), {1, 0, 0}, 0, "three keys");
}

}  // namespace
