#include "director/blends.h"

#include <algorithm>
#include <cstring>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kLogoWidth = 128;
constexpr int kLogoHeight = 96;

bool IsFullFrame(const PcxImage& p) {
  return p.width == kFrameWidth && p.height >= kFrameHeight && p.pixels.size() >= size_t(kFramePixels);
}

}  // namespace

void CopyPicture(const PcxImage& picture, RenderTarget& target) {
  if (!IsFullFrame(picture)) return;  // a picture that did not load leaves the frame as it was
  std::memcpy(target.pixels, picture.pixels.data(), kFramePixels * sizeof(uint32_t));
}

// The generator's step taken k times at once: state × a + c, modulo 2^32.
struct Jump {
  uint32_t a = 1, c = 0;
};
constexpr Jump Steps(int k) {
  Jump j;
  for (int i = 0; i < k; ++i) j = Jump{j.a * 214013u, j.c * 214013u + 2531011u};
  return j;
}

// Pixel i takes the generator's next number, in pixel order. One long chain
// of multiplies would make every pixel wait for the one before; instead
// eight chains start from the next eight states and each jumps eight steps
// at a time, which gives exactly the same numbers.
constexpr int kNoiseChains = 8;
static_assert(kFramePixels % kNoiseChains == 0);
constexpr Jump kNoiseJump = Steps(kNoiseChains);

// Two jumps one after the other, and a jump of 2^k × j's steps by squaring.
constexpr Jump Then(Jump first, Jump second) { return Jump{second.a * first.a, second.a * first.c + second.c}; }
constexpr Jump Doubled(Jump j, int k) {
  for (int i = 0; i < k; ++i) j = Then(j, j);
  return j;
}
// kFramePixels = 3 × 2^16 steps.
static_assert(kFramePixels == 3 << 16);
constexpr Jump kFrameJump = Doubled(Then(Then(Steps(1), Steps(1)), Steps(1)), 16);

namespace {

void AddNoisePlain(uint32_t* frame, CrtRandom& random) {
  uint32_t chain[kNoiseChains];
  for (int k = 0; k < kNoiseChains; ++k) chain[k] = random.state = random.state * 214013u + 2531011u;
  for (int i = 0; i < kFramePixels; i += kNoiseChains) {
    for (int k = 0; k < kNoiseChains; ++k) frame[i + k] += (chain[k] >> 16 & 31) * 0x010101u;
    random.state = chain[kNoiseChains - 1];  // the state after this group's last number
    for (int k = 0; k < kNoiseChains; ++k) chain[k] = chain[k] * kNoiseJump.a + kNoiseJump.c;
  }
}

#if DORSEL_PACKED
// state × a modulo 2^32 in each 32-bit lane (SSE2 multiplies only the even
// lanes, into 64 bits).
__m128i TimesJump(__m128i state, __m128i a) {
  __m128i even = _mm_mul_epu32(state, a);
  __m128i odd = _mm_mul_epu32(_mm_srli_epi64(state, 32), a);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// n = (state >> 16) AND 31 in each lane, as n × 0x010101: n is put in both
// 16-bit halves and multiplied by 0x0101 below and 1 above.
__m128i NoiseOf(__m128i state) {
  __m128i high = _mm_and_si128(state, _mm_set1_epi32(31 << 16));
  return _mm_mullo_epi16(_mm_or_si128(high, _mm_srli_epi32(high, 16)), _mm_set1_epi32(0x00010101));
}

// Thirty-two chains as eight registers of four, each jumping thirty-two
// steps: one register's jump (two multiplies and their shuffles) takes
// longer than its pixels' adds and stores, so eight of them side by side
// keep the multiplier busy. The same numbers as the plain loop, added with
// the same carries (a plain 32-bit add per pixel).
constexpr int kPackedChains = 32;
constexpr int kRegisters = kPackedChains / 4;
static_assert(kFramePixels % kPackedChains == 0);
constexpr Jump kPackedJump = Steps(kPackedChains);

void AddNoisePacked(uint32_t* frame, CrtRandom& random) {
  alignas(16) uint32_t start[kPackedChains];
  for (int k = 0; k < kPackedChains; ++k) start[k] = random.state = random.state * 214013u + 2531011u;
  __m128i chain[kRegisters];
  for (int r = 0; r < kRegisters; ++r) chain[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(start + 4 * r));
  const __m128i a = _mm_set1_epi32(int32_t(kPackedJump.a)), c = _mm_set1_epi32(int32_t(kPackedJump.c));
  __m128i last = chain[kRegisters - 1];
  for (int i = 0; i < kFramePixels; i += kPackedChains) {
    __m128i* at = reinterpret_cast<__m128i*>(frame + i);
    for (int r = 0; r < kRegisters; ++r)
      _mm_storeu_si128(at + r, _mm_add_epi32(_mm_loadu_si128(at + r), NoiseOf(chain[r])));
    last = chain[kRegisters - 1];
    for (int r = 0; r < kRegisters; ++r) chain[r] = _mm_add_epi32(TimesJump(chain[r], a), c);
  }
  // The state after the last pixel's number: lane 3 of the last group.
  random.state = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(last, _MM_SHUFFLE(3, 3, 3, 3))));
}
#endif

// How many of the picture's pixels a cross-fade reads: row after row onto
// the frame's rows, so only a 512-wide picture lines up, and no more of it
// than the frame holds. 0 when it does not line up.
size_t CrossFadeCount(const PcxImage& picture) {
  if (picture.width != kFrameWidth || picture.height <= 0) return 0;
  return std::min({size_t(picture.width) * size_t(picture.height), picture.pixels.size(), size_t(kFramePixels)});
}

}  // namespace

void AddNoise(RenderTarget& target, CrtRandom& random, [[maybe_unused]] int useMmx) {
#if DORSEL_PACKED
  if (useMmx) return AddNoisePacked(target.pixels, random);
#endif
  AddNoisePlain(target.pixels, random);
}

void SkipNoise(CrtRandom& random) { random.state = random.state * kFrameJump.a + kFrameJump.c; }

void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target, [[maybe_unused]] int useMmx) {
  size_t i = 0, count = CrossFadeCount(picture);
  a = std::clamp(a, 0, 255);  // weights past 255 would overflow a channel
  uint32_t keep = uint32_t(255 - a), take = uint32_t(a);
  uint32_t* frame = target.pixels;
  const uint32_t* pic = picture.pixels.data();
#if DORSEL_PACKED
  if (useMmx)
    for (const __m128i keep4 = ChannelWeights(keep), take4 = ChannelWeights(take); i + 4 <= count; i += 4) {
      __m128i* at = reinterpret_cast<__m128i*>(frame + i);
      __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pic + i));
      _mm_storeu_si128(at, WeightedBlend4(_mm_loadu_si128(at), keep4, p, take4));
    }
#endif
  for (; i < count; ++i) frame[i] = WeightedBlend(frame[i], keep, pic[i], take);
}

void CopyLogo(int32_t x, int32_t y, const PcxImage& picture, RenderTarget& target) {
  if (picture.width != kLogoWidth || picture.height < kLogoHeight ||
      picture.pixels.size() < size_t(kLogoWidth * kLogoHeight))
    return;
  // Only the part that lies inside the frame is copied.
  int c0 = std::max(0, -x), c1 = std::min(kLogoWidth, kFrameWidth - x);
  for (int r = 0; r < kLogoHeight && c0 < c1; ++r) {
    int v = y + r;
    if (v < 0 || v >= kFrameHeight) continue;
    std::memcpy(target.pixels + size_t(v) * kFrameWidth + size_t(x + c0),
                picture.pixels.data() + size_t(r) * kLogoWidth + size_t(c0), size_t(c1 - c0) * sizeof(uint32_t));
  }
}
