// Pure helpers of the SDL backend that need no display: turning a surface of
// any of the show's formats into screen pixels, the program's icon, and text
// for the desktop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/win.h"

namespace host {

struct Surface;

// Writes the pixels of `area` (in surface coordinates) as 0x00RRGGBB into
// `out`, `outStride` pixels to a row. Whatever of the area lies outside the
// surface comes out black, as would a window partly off the desktop.
void SurfaceToRgb(const Surface& surface, const Rect& area, uint32_t* out, int outStride);

// Where a picture of picW × picH goes on an output of outW × outH: centred,
// its aspect kept, at the largest whole-number scale that fits so every
// pixel becomes the same square of screen pixels; the rest stays black.
// Only an output smaller than the picture gets a fractional scale (down).
Rect FitPicture(int outW, int outH, int picW, int picH);

// The program's icon, `size` × `size` pixels of 0xAARRGGBB: a chrome ring
// on a dark disc with a glowing centre. Outside the disc is transparent.
std::vector<uint32_t> ProgramIcon(int size);

// Window titles and message texts may come as the old code page's bytes
// (the title's accent is the single byte 0xB4 there). The desktop wants
// UTF-8; text that already is valid UTF-8 passes unchanged.
std::string DesktopText(const std::string& text);

}  // namespace host
