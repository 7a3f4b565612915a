// Where a frame is drawn and how it reaches the screen: the render target,
// the lock around a frame, the conversion into the display mode and the
// whole-frame fade.
#pragma once
#include <cstdint>

#include "base/frame.h"
#include "display/display.h"

void BeginFrame(Display& display);
void LockTarget(Display& display);
void UnlockTarget(Display& display);
void PresentFrame(Display& display);
// Every channel times factor / 256; `useMmx` takes the packed form, which
// gives the same pixels.
void FadeTarget(RenderTarget& target, int factor, int useMmx);

// Writes the 512 × 384 frame into a locked surface of the given video mode,
// starting each row at its pitch; the borders of the 640 × 480 modes are
// left as they are.
void ConvertFrame(const uint32_t* frame, uint8_t* surface, int pitch, int videoMode);
