// The one frame every effect draws into, and the record through which it
// reaches it.
#pragma once
#include <cstdint>

constexpr int kFrameWidth = 512;
constexpr int kFrameHeight = 384;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

struct RenderTarget {
  uint32_t* pixels = nullptr;      // where the effects draw this frame
  void* surfacePixels = nullptr;   // memory of the surface locked last (null if the lock failed)
  int surfacePitch = 0;            // its row length in bytes
  uint32_t* frameBuffer = nullptr;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

inline void SetFrameBuffer(RenderTarget& target, uint32_t* frameBuffer) { target.frameBuffer = frameBuffer; }

// 64-bit FNV-1a of a frame's pixels as little-endian 32-bit words: one
// number to compare two builds' frames by (--hashes, the page's ?headless).
inline uint64_t FrameHash(const uint32_t* pixels) {
  uint64_t h = 14695981039346656037ull;
  for (int i = 0; i < kFramePixels; ++i)
    for (int b = 0; b < 32; b += 8) h = (h ^ ((pixels[i] >> b) & 0xFF)) * 1099511628211ull;
  return h;
}
