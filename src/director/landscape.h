// The height-field landscape's record. Its direction tables also steer the
// director's flight over it.
#pragma once
#include <cstdint>
#include <vector>

constexpr int kLandDirections = 2048;

struct Landscape {
  std::vector<int32_t> dirX;  // 256 × cos of each of the 2048 headings, truncated
  std::vector<int32_t> dirY;  // 256 × sin
  int eyeHeight = 0;
};

void BuildDirectionTables(Landscape& land);
