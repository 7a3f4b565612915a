// Hand-made pictures and frames for the director's effect tests, and a show
// opened on the real data.
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "display/present.h"
#include "effects2d/pcx.h"
#include "support/show.h"

namespace fixtures {

// A 32-bit picture whose every pixel is given by f(x, y).
template <class F>
PcxImage Picture(int w, int h, F f) {
  PcxImage p;
  p.width = w, p.height = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.pixels.push_back(f(x, y));
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
    target.width = kFrameWidth, target.height = kFrameHeight;
  }
  Frame(const Frame& other) : pixels(other.pixels), target(other.target) { target.pixels = target.frameBuffer = pixels.data(); }
  uint32_t& at(int x, int y) { return pixels[size_t(y) * kFrameWidth + size_t(x)]; }
  bool GuardIntact() const {
    return std::all_of(pixels.begin() + kFramePixels, pixels.end(), [](uint32_t p) { return p == kGuard; });
  }
};

// The show opened from the data folder, so its pictures and scenes load; the
// folder the test ran in is restored afterwards.
struct DataShow : testing_support::Show {
  std::filesystem::path home = std::filesystem::current_path();
  bool opened;
  DataShow() : opened((std::filesystem::current_path(testing_support::DataDir()), Open())) {}
  ~DataShow() { std::filesystem::current_path(home); }
};

}  // namespace fixtures
