// The picture loader: version-5, run-length encoded PCX files, either one
// 8-bit plane with a 256-colour palette or three 8-bit planes (24-bit).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One picture. `width` is the file's bytes-per-line value, so a padding
// column of an odd-width file is part of the picture. Rows follow one another
// without gaps. An image that failed to load has no pixel block (both vectors
// empty).
struct PcxImage {
  std::vector<uint32_t> pixels;  // LoadPCX: 0x00RRGGBB
  std::vector<uint8_t> values;   // LoadPCXIndexed: the raw 8-bit values
  int32_t width = 0;
  int32_t height = 0;
};

inline constexpr char kPcxErrorCaption[] = "LoadPCX ERROR!";
// What went wrong with the pictures read so far, in order, one box's text
// each: the loading phase shows them, captioned kPcxErrorCaption.
using PictureErrors = std::vector<std::string>;
// Pictures beyond anything the show draws (its widest is 752) are refused
// before any memory is asked for. The largest accepted takes a few hundredths
// of a second even in the sanitized fuzz build, whose targets allow one
// second an input on a busy machine.
inline constexpr int kPcxMaxSide = 1024;

// Reads `file` as 32-bit pixels, whatever its depth. `minPixels` asks for a
// pixel block of at least that many pixels (the zoom texture's feedback
// writes past its last row); the extra pixels are 0. Returns 1 when loaded
// and for a depth it does not decode (no message), 0 after adding what went
// wrong to `errors`.
int LoadPCX(const std::string& file, PcxImage& image, PictureErrors& errors,
            size_t minPixels = 0);

// Reads the raw 8-bit values of a palettised file, without its palette.
// Same results and messages as LoadPCX; a 24-bit file is left alone.
int LoadPCXIndexed(const std::string& file, PcxImage& image, PictureErrors& errors);
