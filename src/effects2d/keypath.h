// Points, keys and the keyed paths that cameras, lights and flares follow.
#pragma once
#include <vector>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct PathKey {
  Vec3 position;
  float tension = 0, continuity = 0, bias = 0;
};

struct KeyPath {
  std::vector<PathKey> keys;
  int closed = 0;
};
