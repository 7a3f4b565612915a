// The packed forms' common ground. They are written with SSE2 intrinsics,
// which stand in for the old MMX instructions on x86-64 and which emscripten
// translates into WebAssembly SIMD. Where neither is there, DORSEL_PACKED is
// 0 and every effect takes its plain form, whatever `useMmx` says.
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define DORSEL_PACKED 1
#else
#define DORSEL_PACKED 0
#endif

#if DORSEL_PACKED
// w for blue, green and red, 0 for the top byte, two pixels' worth of
// 16-bit lanes.
inline __m128i ChannelWeights(uint32_t w) {
  return _mm_set_epi16(0, short(w), short(w), short(w), 0, short(w), short(w), short(w));
}

// The low (high) eight bytes widened to 16-bit lanes, each times its weight
// and shifted right by 8.
inline __m128i ScaleLow(__m128i bytes, __m128i w) {
  return _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128()), w), 8);
}
inline __m128i ScaleHigh(__m128i bytes, __m128i w) {
  return _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(bytes, _mm_setzero_si128()), w), 8);
}

// ScalePixel on four pixels, with the weights of ChannelWeights.
inline __m128i ScalePixels4(__m128i c, __m128i w) { return _mm_packus_epi16(ScaleLow(c, w), ScaleHigh(c, w)); }

// WeightedBlend on four pixels: per channel (c × w) >> 8 of each side, which
// is what the split lanes give (the masks only drop what spills into the
// neighbouring channel); the weights add up to at most 256, so the sum fits
// a byte. The top byte ends 0.
inline __m128i WeightedBlend4(__m128i a, __m128i wa, __m128i b, __m128i wb) {
  return _mm_packus_epi16(_mm_add_epi16(ScaleLow(a, wa), ScaleLow(b, wb)),
                          _mm_add_epi16(ScaleHigh(a, wa), ScaleHigh(b, wb)));
}

// HalfBlend on four pixels.
inline __m128i HalfBlend4(__m128i a, __m128i b) {
  const __m128i half = _mm_set1_epi32(0x7F7F7F);
  return _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(a, 1), half), _mm_and_si128(_mm_srli_epi32(b, 1), half));
}
#endif
