// A frame for the effects and the 3D engine to draw into, with what their
// tests ask of it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/frame.h"

namespace testing_support {

struct Frame {
  std::vector<uint32_t> pixels;
  RenderTarget target;
  explicit Frame(uint32_t fill = 0) : Frame(std::vector<uint32_t>(kFramePixels, fill)) {}
  explicit Frame(std::vector<uint32_t> p) : pixels(std::move(p)) {
    target.pixels = pixels.data();
    target.width = kFrameWidth;
    target.height = kFrameHeight;
  }
  Frame(const Frame& other) : Frame(other.pixels) {}
  Frame& operator=(const Frame& other) {
    pixels = other.pixels;
    target.pixels = pixels.data();
    return *this;
  }
  uint32_t* data() { return pixels.data(); }
  uint32_t At(int x, int y) const { return pixels[size_t(y) * kFrameWidth + x]; }
  // Pixels that are not 0.
  int Touched() const { return int(pixels.size() - size_t(std::count(pixels.begin(), pixels.end(), 0u))); }
};

}  // namespace testing_support
