// Points, keys and the keyed paths that cameras, lights and flares follow.
#pragma once
#include <span>
#include <vector>

#include "base/vec3.h"

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
