// The pixel arithmetic the effects share, on 0x00RRGGBB pixels, and the two
// ways the show turns a floating-point value into an int.
#pragma once
#include <cstdint>

// Half of each: every channel of a and b shifted down one bit, then added.
inline uint32_t HalfBlend(uint32_t a, uint32_t b) { return ((a >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F); }

// The split-lane blend: each channel of a × wa + b × wb, shifted right by 8.
// The weights must not add up to more than 256.
inline uint32_t WeightedBlend(uint32_t a, uint32_t wa, uint32_t b, uint32_t wb) {
  uint32_t rb = (((a & 0x00FF00FFu) * wa >> 8) & 0x00FF00FFu) + (((b & 0x00FF00FFu) * wb >> 8) & 0x00FF00FFu);
  uint32_t g = (((a & 0x0000FF00u) * wa >> 8) & 0x0000FF00u) + (((b & 0x0000FF00u) * wb >> 8) & 0x0000FF00u);
  return rb + g;
}

// Each channel of the pixel times f, shifted right by 8 (f at most 256).
inline uint32_t ScalePixel(uint32_t c, uint32_t f) {
  return (((c & 0xFF00FF) * f >> 8) & 0xFF00FF) | (((c & 0xFF00) * f >> 8) & 0xFF00);
}

// Red, green and blue added, each held at 255; the top byte ends 0.
inline uint32_t AddSaturated(uint32_t a, uint32_t b) {
  uint32_t r = (a >> 16 & 0xFF) + (b >> 16 & 0xFF);
  uint32_t g = (a >> 8 & 0xFF) + (b >> 8 & 0xFF);
  uint32_t bl = (a & 0xFF) + (b & 0xFF);
  return (r > 255 ? 255 : r) << 16 | (g > 255 ? 255 : g) << 8 | (bl > 255 ? 255 : bl);
}

// Towards zero, as the processor's own conversion: a value no int32 holds
// (and NaN) gives INT32_MIN, its "indefinite" integer, instead of undefined
// behaviour.
inline int32_t TruncOrIndefinite(float v) {
  if (!(v >= -2147483648.0f && v < 2147483648.0f)) return INT32_MIN;
  return int32_t(v);
}

// Towards zero, held at the ends of int32; NaN gives 0.
inline int32_t TruncSaturated(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}
