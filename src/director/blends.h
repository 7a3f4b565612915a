// Small pixel operations between the larger effects: a full-frame copy,
// grey noise, a cross-fade with a full-frame picture and the opaque logo.
#pragma once
#include <cstdint>

#include "base/frame.h"
#include "effects2d/pcx.h"
#include "base/crt_random.h"

// All 512 × 384 pixels of the picture into the frame.
void CopyPicture(const PcxImage& picture, RenderTarget& target);

// Adds rand() AND 31 to red, green and blue of every pixel in order, as one
// plain 32-bit addition: a channel that passes 255 carries into the next.
// `useMmx` takes the packed form (the plain loop where there is none): the
// same numbers and pixels.
void AddNoise(RenderTarget& target, CrtRandom& random, int useMmx);
// Moves the generator on as far as one AddNoise does, drawing nothing: for
// a frame whose noise would be covered before it is seen.
void SkipNoise(CrtRandom& random);

// frame × (255 − a) / 256 + picture × a / 256 per channel, a in 0 … 255.
// `useMmx` takes the packed form: the same pixels.
void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target, int useMmx);

// A 128 × 96 picture copied whole, its top-left at (x, y).
void CopyLogo(int32_t x, int32_t y, const PcxImage& picture, RenderTarget& target);
