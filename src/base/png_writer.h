#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes 0x00RRGGBB pixels as an 8-bit RGB PNG. Returns false (with errno
// left by the failing call) if the file cannot be written.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height);
// The same for 0xAARRGGBB pixels, as an 8-bit RGBA PNG (the program's icon).
bool WritePngWithAlpha(const std::string& path, const uint32_t* pixels, int width, int height);
