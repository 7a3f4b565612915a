#include "effects2d/keypath.h"

#include <cmath>

int SetPathKeys(KeyPath& path, std::span<const PathKey> keys, int closed) {
  path.keys.clear();
  path.closed = closed;
  if (keys.size() < size_t(kMinPathKeys)) return 0;
  path.keys.assign(keys.begin(), keys.end());
  return 1;
}

Vec3 PathTangent(const KeyPath& path, int index, int side) {
  const std::vector<PathKey>& k = path.keys;
  int count = int(k.size());
  int i = index == count ? 0 : index;
  const PathKey& key = k[i];
  double keep = 1.0 - double(key.tension);
  if (!path.closed && i == 0) {
    // The open start: one and a half times the first chord, less half the
    // next key's tangent, so the curve leaves key 0 without a kink.
    Vec3 chord = Vec3Scale(1.5, Vec3Sub(k[1].position, k[0].position));
    Vec3 t = Vec3Sub(chord, Vec3Scale(0.5, PathTangent(path, 1, kLeaving)));
    return Vec3Scale(keep, t);
  }
  if (!path.closed && i == count - 1) {
    Vec3 chord = Vec3Scale(1.5, Vec3Sub(k[i].position, k[i - 1].position));
    Vec3 t = Vec3Sub(chord, Vec3Scale(0.5, PathTangent(path, i - 1, kArriving)));
    return Vec3Scale(keep, t);
  }
  int prev = i == 0 ? count - 1 : i - 1;
  int next = i == count - 1 ? 0 : i + 1;
  double c = key.continuity, b = key.bias;
  Vec3 a = Vec3Scale(1.0 + b, Vec3Sub(k[i].position, k[prev].position));
  Vec3 bb = Vec3Scale(1.0 - b, Vec3Sub(k[next].position, k[i].position));
  Vec3 d = Vec3Sub(bb, a);
  double weight = side == kLeaving ? (1.0 + c) / 2 : 0.5 - 0.5 * c;
  return Vec3Scale(keep, Vec3Add(a, Vec3Scale(weight, d)));
}

Vec3 EvaluatePath(const KeyPath& path, float parameter) {
  const std::vector<PathKey>& k = path.keys;
  int count = int(k.size());
  if (count < kMinPathKeys) return Vec3{};
  // NaN fails both tests and lands on key 0 too.
  if (!(parameter >= 0)) return k[0].position;
  if (parameter >= float(count)) return path.closed ? k[0].position : k[count - 1].position;
  int s = int(parameter);
  double f = double(parameter) - s;
  double f2 = f * f, f3 = f2 * f;
  double h00 = 2 * f3 - 3 * f2 + 1;
  double h01 = (3 - 2 * f) * f2;
  double h10 = f3 - 2 * f2 + f;
  double h11 = f3 - f2;
  Vec3 t0 = PathTangent(path, s, kLeaving);
  Vec3 t1 = PathTangent(path, s + 1, kArriving);
  const Vec3& p0 = k[s].position;
  const Vec3& p1 = s == count - 1 ? k[0].position : k[s + 1].position;
  Vec3 point = Vec3Add(Vec3Scale(h00, p0), Vec3Scale(h10, t0));
  point = Vec3Add(point, Vec3Scale(h01, p1));
  return Vec3Add(point, Vec3Scale(h11, t1));
}
