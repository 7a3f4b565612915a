// Small pixel operations between the larger effects: a full-frame copy,
// grey noise, a cross-fade with a full-frame picture and the opaque logo.
#pragma once
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "display/present.h"
#include "effects2d/pcx.h"
#include "shell/crt_random.h"

// All 512 × 384 pixels of the picture into the frame.
void CopyPicture(const PcxImage& picture, RenderTarget& target);

// Adds rand() AND 31 to red, green and blue of every pixel in order, as one
// plain 32-bit addition: a channel that passes 255 carries into the next.
void AddNoise(RenderTarget& target, CrtRandom& random);
// The same numbers and pixels; `useMmx` takes the packed form (SSE2 on
// x86-64, the plain loop elsewhere).
void AddNoise(RenderTarget& target, CrtRandom& random, int useMmx);
// Moves the generator on as far as one AddNoise does, drawing nothing: for
// a frame whose noise would be covered before it is seen.
void SkipNoise(CrtRandom& random);

// frame × (255 − a) / 256 + picture × a / 256 per channel, a in 0 … 255.
void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target);
// The same pixels; `useMmx` takes the packed form (SSE2 on x86-64, the plain
// loop elsewhere).
void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target, int useMmx);

// A 128 × 96 picture copied whole, its top-left at (x, y).
void CopyLogo(int32_t x, int32_t y, const PcxImage& picture, RenderTarget& target);

// The split-lane blend: each channel of a × wa + b × wb, shifted right by 8.
// The weights must not add up to more than 256.
inline uint32_t WeightedBlend(uint32_t a, uint32_t wa, uint32_t b, uint32_t wb) {
  uint32_t rb = (((a & 0x00FF00FFu) * wa >> 8) & 0x00FF00FFu) + (((b & 0x00FF00FFu) * wb >> 8) & 0x00FF00FFu);
  uint32_t g = (((a & 0x0000FF00u) * wa >> 8) & 0x0000FF00u) + (((b & 0x0000FF00u) * wb >> 8) & 0x0000FF00u);
  return rb + g;
}

#if defined(__SSE2__)
// The weights of WeightedBlend4: w for blue, green and red, 0 for the top
// byte, two pixels' worth.
inline __m128i ChannelWeights(uint32_t w) {
  return _mm_set_epi16(0, short(w), short(w), short(w), 0, short(w), short(w), short(w));
}

// WeightedBlend on four pixels: per channel (c × w) >> 8 of each side, which
// is what the split lanes give (the masks only drop what spills into the
// neighbouring channel); the weights add up to at most 256, so the sum fits
// a byte. The top byte ends 0.
inline __m128i WeightedBlend4(__m128i a, __m128i wa, __m128i b, __m128i wb) {
  const __m128i zero = _mm_setzero_si128();
  auto part = [](__m128i c16, __m128i w) { return _mm_srli_epi16(_mm_mullo_epi16(c16, w), 8); };
  __m128i lo = _mm_add_epi16(part(_mm_unpacklo_epi8(a, zero), wa), part(_mm_unpacklo_epi8(b, zero), wb));
  __m128i hi = _mm_add_epi16(part(_mm_unpackhi_epi8(a, zero), wa), part(_mm_unpackhi_epi8(b, zero), wb));
  return _mm_packus_epi16(lo, hi);
}
#endif
