#include "director/blends.h"

#include <algorithm>
#include <cstring>

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

void AddNoise(RenderTarget& target, CrtRandom& random) {
  // Pixel i takes the generator's next number, in pixel order. One long chain
  // of multiplies would make every pixel wait for the one before; instead
  // eight chains start from the next eight states and each jumps eight steps
  // at a time, which gives exactly the same numbers.
  constexpr int kChains = 8;
  static_assert(kFramePixels % kChains == 0);
  constexpr Jump kJump = Steps(kChains);
  uint32_t* frame = target.pixels;
  uint32_t chain[kChains];
  for (int k = 0; k < kChains; ++k) chain[k] = random.state = random.state * 214013u + 2531011u;
  for (int i = 0; i < kFramePixels; i += kChains) {
    for (int k = 0; k < kChains; ++k) frame[i + k] += (chain[k] >> 16 & 31) * 0x010101u;
    random.state = chain[kChains - 1];  // the state after this group's last number
    for (int k = 0; k < kChains; ++k) chain[k] = chain[k] * kJump.a + kJump.c;
  }
}

void CrossFadeImage(const PcxImage& picture, int32_t a, RenderTarget& target) {
  // Read row after row onto the frame's rows, so only a 512-wide picture
  // lines up, and no more of it than the frame holds.
  if (picture.width != kFrameWidth || picture.height <= 0) return;
  size_t count = std::min({size_t(picture.width) * size_t(picture.height), picture.pixels.size(),
                           size_t(kFramePixels)});
  a = std::clamp(a, 0, 255);  // weights past 255 would overflow a channel
  uint32_t keep = uint32_t(255 - a), take = uint32_t(a);
  uint32_t* frame = target.pixels;
  for (size_t i = 0; i < count; ++i) frame[i] = WeightedBlend(frame[i], keep, picture.pixels[i], take);
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
