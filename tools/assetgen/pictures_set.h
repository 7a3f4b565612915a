// Every picture of the show, made from code. A picture with rgb pixels is
// written as a 24-bit file, one with indices as an 8-bit palettised file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pictures_kit.h"

namespace pics {

struct Picture {
  int w = 0, h = 0;
  std::vector<uint32_t> rgb;
  std::vector<uint8_t> indices;
  Palette palette{};
};

inline Picture FromCanvas(const Canvas& c) { return Picture{c.w, c.h, c.Packed(), {}, {}}; }
// The part of a picture between two rows.
Picture Rows(const Picture& p, int first, int count);

// Full-frame backdrops (512 × 384).
Picture MechV();    // opening background, calm on the left for the listing
Picture GV();       // full-frame picture whose top and bottom bands frame the ray-cast scenes
Picture Image2();   // full-frame picture after the zoom
Picture Atomb();    // behind the story pages
void Leaves(Picture& colour, Picture& heights);  // "lehdet" and its relief "korkeus"

// Textures (256 × 256, seamless).
Picture ZoomTexture();   // "6"
Picture WarpTexture();   // "staticdi", palettised plasma
Picture PanelTexture();  // "bump"
void Landscape(Picture& colours, Picture& heights);  // "7" and "illasti2"

// Sprites, tiles, type.
Picture Tile(int kind);  // 80 × 80, black transparent; kinds 1 to 8
Picture LineLogo();      // "viivak", 128 × 96
Picture Flare();         // 64 × 64 glow, black at its edges
Picture Credits();       // "staff2", 218 × 384
Picture FontStrip();     // "fontti", 8 × 15 glyphs for codes 33 to 126
Picture Quibb();         // the particle logo
Picture Raster(int frame);  // copper bars, frames 1 to 8

constexpr int kFontFirst = 33, kFontLast = 126, kFontCellW = 8, kFontCellH = 15;

}  // namespace pics
