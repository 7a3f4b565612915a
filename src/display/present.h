// Where a frame is drawn and how it reaches the screen: the render target,
// the lock around a frame, the conversion into the display mode and the
// whole-frame fade.
#pragma once
#include <cstdint>

struct Demo;

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

void SetFrameBuffer(RenderTarget& target, uint32_t* frameBuffer);
void BeginFrame(Demo& demo);
void LockTarget(Demo& demo);
void UnlockTarget(Demo& demo);
void PresentFrame(Demo& demo);
void FadeTarget(RenderTarget& target, int factor);
// The same fade; `useMmx` takes the packed form (SSE2 on x86-64, the plain
// loop elsewhere), which gives the same pixels.
void FadeTarget(RenderTarget& target, int factor, int useMmx);

// Writes the 512 × 384 frame into a locked surface of the given video mode,
// starting each row at its pitch; the borders of the 640 × 480 modes are
// left as they are.
void ConvertFrame(const uint32_t* frame, uint8_t* surface, int pitch, int videoMode);
