// Three coloured light spots, one per channel, wandering over a picture whose
// relief a height map describes; the height map's slopes bend the light.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kSpotSide = 256;

struct BumpOffset {
  int32_t x = 0, y = 0;
};

// The least and greatest slope across (gx) and down (gy) one row of the
// height map.
struct RowSlopes {
  int16_t gxMin = 0, gxMax = 0, gyMin = 0, gyMax = 0;
};

struct BumpLights {
  PcxImage colour;  // "lehdet.pcx", 32-bit
  int32_t level = 255;  // 255 draws opaquely, less blends over the frame
  int32_t centreX = 0, centreY = 0;
  PcxImage height;  // "korkeus.pcx", 8-bit
  std::vector<uint8_t> spot;  // the SpotTable, 256 × 256
  std::array<BumpOffset, 4> offset{};  // entries 1, 2, 3: red, green, blue
  std::array<double, 4> amplitude{100, 0, 0, 0};
  std::array<double, 4> speed{0.1, -0.6, -0.4, -0.5};
  std::array<double, 4> angle{0, 0, 1.0, 2.0};
  // Per source row, from the height map: where on the row the spots can
  // reach at all. Made when the map is loaded (or on the first frame); a
  // caller that changes the map afterwards measures it again.
  std::vector<RowSlopes> slopes;
  std::vector<uint8_t> framedSpot;  // the packed fill's own copy of the spot table, per frame
};

// Measures the height map's slopes row by row into `bump.slopes` (empty when
// the map is not 512 × 384).
void MeasureSlopes(BumpLights& bump);

// The brightness of a round spot centred at (128, 128): 95 in the middle,
// 0 from radius 128 out.
void BuildSpotTable(std::vector<uint8_t>& spot);

// Loads the colour picture and the height map, builds the spot table and
// sets the start values. Returns 1 when both pictures loaded.
int InitBumpLights(BumpLights& bump, const std::string& colourFile, const std::string& heightFile,
                   PictureErrors& errors);

// Moves the lights by `frameSeconds` and draws one frame: opaque at level
// 255, blended over what the frame holds below. Source row y lands on frame
// row y − 1; rows 382 and 383 end black. Pictures of the wrong size draw
// nothing (and the lights stand still). `useMmx` takes the packed fills
// (SSE2 on x86-64, the plain ones elsewhere): the same pixels.
void DrawBumpLights(BumpLights& bump, RenderTarget& target, float frameSeconds, int useMmx);

// True when DrawBumpLights at the record's level will set every pixel of the
// frame without reading it (opaque, with pictures that draw), so what lies
// below need not be drawn.
bool BumpLightsCoverFrame(const BumpLights& bump);
