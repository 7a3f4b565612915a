// Glowing points of light: the flare picture added onto the frame as a
// square scaled to the size a 120-unit square has at the point's depth.
#pragma once
#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kFlareSide = 64;          // the flare picture is 64 × 64
constexpr int kFlareStepEntries = 384;  // room in the step table

struct FlareSprite {
  PcxImage image;              // "flare.pcx"
  std::vector<int32_t> steps;  // sprite pixel offset -> source row or column
};

// Loads "flare.pcx" and makes the step table. Returns the load's result.
int InitFlareSprite(FlareSprite& flare, PictureErrors& errors);

// Adds the flare at camera-space point (x right, y down, z into the screen)
// onto the frame, each channel saturating at 255. Nothing is drawn behind
// the eye, off the screen, or for a flare too close to fit the step table
// (wider than 383 pixels). `useMmx` adds with packed saturating bytes
// (SSE2 on x86-64, the plain loop elsewhere): the same picture.
void DrawFlare(FlareSprite& flare, float x, float y, float z, RenderTarget& target, int useMmx);
