#include "effects2d/bump_lights.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPixels = kBumpWidth * kBumpHeight;
// The spots bounce between 0 and their limit at these speeds.
constexpr double kBounceSpeed[4] = {2.8, 2.6, 1.4, 3.4};
constexpr double kBounceLimit[4] = {100, 20, 5, 20};
constexpr double kTurnRate[4] = {0.5, 0.03, 0.06, 0.08};

bool Usable(const BumpLights& b) {
  return b.colour.width == kBumpWidth && b.colour.height == kBumpHeight &&
         b.colour.pixels.size() >= size_t(kPixels) && b.height.width == kBumpWidth &&
         b.height.height == kBumpHeight && b.height.values.size() >= size_t(kPixels) &&
         b.spot.size() == size_t(kSpotSide * kSpotSide);
}

// A texel channel lit by spot brightness L: a channel of 192 reaches four
// times L.
uint32_t Lit(uint32_t channel, uint32_t l) {
  uint32_t v = l + ((channel * l) >> 6);
  return v > 255 ? 255 : v;
}

void MoveLights(BumpLights& b, double dt) {
  double a0 = b.amplitude[0], s0 = std::sin(b.angle[0]), c0 = std::cos(b.angle[0]);
  b.centreX = int32_t(a0 * s0) - int32_t(-90 * s0) + 384;
  b.centreY = int32_t(45 * c0) - int32_t(-0.5 * a0 * c0) + 320;
  for (int i = 1; i <= 3; ++i) {
    b.offset[i].x = int32_t(b.amplitude[i] * std::sin(b.angle[i]));
    b.offset[i].y = int32_t(b.amplitude[i] * std::cos(b.angle[i]));
  }
  for (int i = 0; i < 4; ++i) {
    b.amplitude[i] += dt * b.speed[i];
    b.angle[i] += kTurnRate[i] * dt;
  }
  for (int i = 0; i < 4; ++i) {
    if (b.amplitude[i] < 0) b.speed[i] = kBounceSpeed[i];
    if (b.amplitude[i] > kBounceLimit[i]) b.speed[i] = -kBounceSpeed[i];
  }
}

template <bool kOpaque>
void Fill(const BumpLights& b, uint32_t* frame) {
  const uint8_t* h = b.height.values.data();
  const uint32_t* colour = b.colour.pixels.data();
  const uint8_t* spot = b.spot.data();
  uint32_t level = uint32_t(b.level < 0 ? 0 : b.level);
  for (int y = 1; y <= kBumpHeight - 2; ++y) {
    uint32_t* out = frame + (y - 1) * kBumpWidth;
    for (int x = 0; x < kBumpWidth; ++x) {
      // Neighbours in flat order: the row's ends wrap onto the next rows.
      int i = y * kBumpWidth + x;
      int gx = int(h[i + 1]) - int(h[i - 1]);
      int gy = int(h[i + kBumpWidth]) - int(h[i - kBumpWidth]);
      uint32_t c = colour[i];
      uint32_t channel[3];
      for (int light = 1; light <= 3; ++light) {
        uint32_t lx = uint32_t(b.centreX + b.offset[light].x + gx - x);
        uint32_t ly = uint32_t(b.centreY + b.offset[light].y + gy - y);
        uint32_t texel = c >> (8 * (3 - light)) & 0xFF;
        channel[light - 1] = lx < 255 && ly < 255 ? Lit(texel, spot[ly * kSpotSide + lx]) : 0;
      }
      if constexpr (kOpaque) {
        out[x] = channel[0] << 16 | channel[1] << 8 | channel[2];
      } else {
        uint32_t old = out[x], mixed = 0;
        for (int k = 0; k < 3; ++k) {
          uint32_t o = old >> (16 - 8 * k) & 0xFF;
          uint32_t v = ((channel[k] * level) >> 8) + ((o * (255 - level)) >> 8);
          mixed |= v << (16 - 8 * k);
        }
        out[x] = mixed;
      }
    }
  }
}

}  // namespace

void BuildSpotTable(std::vector<uint8_t>& spot) {
  spot.assign(kSpotSide * kSpotSide, 0);
  for (int j = 0; j < kSpotSide; ++j) {
    double fy = (j - 128) * 0.0078125;
    float fy2 = float(fy * fy);
    for (int i = 0; i < kSpotSide; ++i) {
      double fx = (i - 128) * 0.0078125;
      double d = 1 - std::sqrt(fx * fx + fy2);
      if (d < 0) d = 0;
      int v = int(35 * std::pow(d, 20) + 60 * d);
      spot[j * kSpotSide + i] = uint8_t(v > 255 ? 255 : v);
    }
  }
}

int InitBumpLights(BumpLights& bump, const std::string& colourFile, const std::string& heightFile,
                   host::WindowSystem& windows, host::HWND owner) {
  int ok = LoadPCX(colourFile, bump.colour, windows, owner);
  ok &= LoadPCXIndexed(heightFile, bump.height, windows, owner);
  BuildSpotTable(bump.spot);
  bump.level = 255;
  bump.amplitude = {100, 0, 0, 0};
  bump.speed = {0.1, -0.6, -0.4, -0.5};
  bump.angle = {0, 0, 1.0, 2.0};
  return ok;
}

void DrawBumpLights(BumpLights& bump, RenderTarget& target, float frameSeconds, int useMmx) {
  (void)useMmx;
  if (!Usable(bump)) return;
  MoveLights(bump, frameSeconds);
  if (bump.level >= 255)
    Fill<true>(bump, target.pixels);
  else
    Fill<false>(bump, target.pixels);
  std::fill(target.pixels + (kBumpHeight - 2) * kBumpWidth, target.pixels + kBumpHeight * kBumpWidth,
            0u);
}
