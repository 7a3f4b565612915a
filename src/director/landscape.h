// The height-field landscape's record. Its direction tables also steer the
// director's flight over it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kLandDirections = 2048;
constexpr int kLandColumns = 296;  // the landscape fills columns 0 to 295
constexpr int kLandSkyRows = 200;
constexpr int kLandSteps = 254;    // samples along each ray

struct Landscape {
  std::vector<int32_t> dirX;  // 256 × cos of each of the 2048 headings, truncated
  std::vector<int32_t> dirY;  // 256 × sin
  int eyeHeight = 0;
  std::vector<int32_t> depthOffsets;  // 4096 / s + 5 for steps s = 1 … 254 (entry 0 unused)
  PcxImage heightMap;                 // 8-bit heights, 256 cells to a row
};

void BuildDirectionTables(Landscape& land);

// The three tables, the height map from `heightFile` and the eye at 256.
void BuildLandscape(Landscape& land, const std::string& heightFile, PictureErrors& errors);

// x and y in 8.8 fixed point map cells; heading is the direction of the
// leftmost column. Draws columns 0 to 295 only. `useMmx` takes the packed
// form for eyes at or above the highest ground: the same pixels.
void DrawLandscape(const Landscape& land, int32_t x, int32_t y, int32_t heading, const PcxImage& colourMap,
                   RenderTarget& target, int useMmx);
