// Hand-made pictures and frames for the director's effect tests.
#pragma once
#include <cstdint>
#include <vector>

#include "display/present.h"
#include "effects2d/pcx.h"

namespace fixtures {

// A 32-bit picture whose every pixel is given by f(x, y).
template <class F>
PcxImage Picture(int w, int h, F f) {
  PcxImage p;
  p.width = w;
  p.height = h;
  p.pixels.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.pixels[size_t(y) * size_t(w) + size_t(x)] = f(x, y);
  return p;
}

inline PcxImage Flat(int w, int h, uint32_t colour) {
  return Picture(w, h, [=](int, int) { return colour; });
}

// A frame with room behind it, so a write past the 512 × 384 pixels shows.
struct Frame {
  static constexpr uint32_t kGuard = 0xA5A5A5A5u;
  std::vector<uint32_t> pixels;
  RenderTarget target;
  explicit Frame(uint32_t fill = 0) : pixels(kFramePixels + 1024, kGuard) {
    std::fill_n(pixels.begin(), kFramePixels, fill);
    target.pixels = target.frameBuffer = pixels.data();
    target.width = kFrameWidth;
    target.height = kFrameHeight;
  }
  uint32_t& at(int x, int y) { return pixels[size_t(y) * kFrameWidth + size_t(x)]; }
  bool GuardIntact() const {
    for (size_t i = kFramePixels; i < pixels.size(); ++i)
      if (pixels[i] != kGuard) return false;
    return true;
  }
};

}  // namespace fixtures
