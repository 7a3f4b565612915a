// Three single-precision components. The operations work in double
// precision and round once when they store; they are defined here so that
// the ray casts, which take thousands a frame, inline them.
#pragma once
#include <cmath>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

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
inline void Vec3Normalise(Vec3& v) {
  double length = Vec3Length(v);
  if (length > 0) v = Vec3Scale(1.0 / length, v);
}
