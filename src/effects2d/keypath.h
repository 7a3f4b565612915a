// Points, keys and the keyed paths that cameras, lights and flares follow.
#pragma once
#include <cmath>
#include <span>
#include <vector>

// Three single-precision components. The operations below work in double
// precision and round once when they store.
struct Vec3 {
  float x = 0, y = 0, z = 0;
};

// Defined here so that the ray casts, which take thousands a frame, inline
// them.
inline Vec3 Vec3Set(double x, double y, double z) { return Vec3{float(x), float(y), float(z)}; }

inline Vec3 Vec3Add(const Vec3& a, const Vec3& b) {
  return Vec3Set(double(a.x) + b.x, double(a.y) + b.y, double(a.z) + b.z);
}

inline Vec3 Vec3Sub(const Vec3& a, const Vec3& b) {
  return Vec3Set(double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z);
}

inline Vec3 Vec3Scale(double s, const Vec3& v) { return Vec3Set(s * v.x, s * v.y, s * v.z); }

inline Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
  double ax = a.x, ay = a.y, az = a.z, bx = b.x, by = b.y, bz = b.z;
  return Vec3Set(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx);
}

inline double Vec3Length(const Vec3& v) {
  double x = v.x, y = v.y, z = v.z;
  return std::sqrt(x * x + y * y + z * z);
}

// Scales v in place to unit length. A zero vector has no direction and is
// left as it is.
void Vec3Normalise(Vec3& v);

struct PathKey {
  Vec3 position;
  float tension = 0, continuity = 0, bias = 0;
};

// A cubic Hermite path through its keys, with Kochanek–Bartels tangents.
// The segment after the last key runs back to key 0, open or closed.
struct KeyPath {
  std::vector<PathKey> keys;
  int closed = 0;
};

// An open path's end tangents lean on their neighbours' tangents; with fewer
// than this many keys they would lean on each other for ever.
constexpr int kMinPathKeys = 3;

// Fills a path. Returns 1, or 0 (and leaves the path empty) when there are
// too few keys to make one.
int SetPathKeys(KeyPath& path, std::span<const PathKey> keys, int closed);

// The point at `parameter` (key k sits at k). Past the last segment the
// path stays where it ends: key 0 on a closed path, the last key on an open
// one; below 0 it is at key 0. An empty or too short path yields the origin.
Vec3 EvaluatePath(const KeyPath& path, float parameter);

// The tangent at key `index` (the key count is taken as key 0): side 0 leaves
// the key, side 1 arrives at it. Needs at least kMinPathKeys keys.
enum PathSide { kLeaving = 0, kArriving = 1 };
Vec3 PathTangent(const KeyPath& path, int index, int side);
