#include "director/landscape.h"

#include <cmath>

void BuildDirectionTables(Landscape& land) {
  land.dirX.resize(kLandDirections);
  land.dirY.resize(kLandDirections);
  for (int i = 0; i < kLandDirections; ++i) {
    double a = i * 0.0030679615758688787;  // 2π / 2048
    land.dirX[i] = int32_t(256 * std::cos(a));
    land.dirY[i] = int32_t(256 * std::sin(a));
  }
}
