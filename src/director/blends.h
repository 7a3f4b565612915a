// Small pixel operations between the larger effects: a full-frame copy,
// grey noise, a cross-fade with a full-frame picture and the opaque logo.
#pragma once
#include <cstdint>

#include "display/present.h"
#include "effects2d/pcx.h"
#include "shell/crt_random.h"

// All 512 × 384 pixels of the picture into the frame.
void CopyPicture(const PcxImage& picture, RenderTarget& target);

// Adds rand() AND 31 to red, green and blue of every pixel in order, as one
// plain 32-bit addition: a channel that passes 255 carries into the next.
void AddNoise(RenderTarget& target, CrtRandom& random);

// frame × (255 − a) / 256 + picture × a / 256 per channel, a in 0 … 255.
void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target);

// A 128 × 96 picture copied whole, its top-left at (x, y).
void CopyLogo(int32_t x, int32_t y, const PcxImage& picture, RenderTarget& target);

// The split-lane blend: each channel of a × wa + b × wb, shifted right by 8.
// The weights must not add up to more than 256.
inline uint32_t WeightedBlend(uint32_t a, uint32_t wa, uint32_t b, uint32_t wb) {
  uint32_t rb = (((a & 0x00FF00FFu) * wa >> 8) & 0x00FF00FFu) + (((b & 0x00FF00FFu) * wb >> 8) & 0x00FF00FFu);
  uint32_t g = (((a & 0x0000FF00u) * wa >> 8) & 0x0000FF00u) + (((b & 0x0000FF00u) * wb >> 8) & 0x0000FF00u);
  return rb + g;
}
