#include "host/sdl_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/display_device.h"

namespace host {

void SurfaceToRgb(const Surface& s, const Rect& area, uint32_t* out, int outStride) {
  int width = area.Width();
  for (int y = 0; y < area.Height(); ++y) {
    uint32_t* dst = out + size_t(y) * outStride;
    std::fill(dst, dst + width, 0u);
    int sy = area.top + y;
    if (sy < 0 || sy >= s.height) continue;
    // Only the columns that exist on the surface are converted.
    int x0 = std::max(0, -area.left), x1 = std::min(width, s.width - area.left);
    if (x0 >= x1) continue;
    const uint8_t* row = s.memory.data() + size_t(sy) * s.pitch;
    int sx = area.left + x0;
    switch (s.bitsPerPixel) {
      case 32:
        // Same byte order as the screen's: blue, green, red, unused.
        std::memcpy(dst + x0, row + size_t(sx) * 4, size_t(x1 - x0) * 4);
        for (int x = x0; x < x1; ++x) dst[x] &= 0xFFFFFF;
        break;
      case 24:
        for (int x = x0; x < x1; ++x, ++sx) {
          const uint8_t* p = row + sx * 3;
          dst[x] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
        break;
      case 8:
        if (!s.palette) break;  // no palette set: nothing sensible to show
        for (int x = x0; x < x1; ++x, ++sx) {
          const PaletteEntry& e = s.palette->entries[row[sx]];
          dst[x] = uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
        }
        break;
      default:
        break;
    }
  }
}

Rect FitPicture(int outW, int outH, int picW, int picH) {
  if (outW <= 0 || outH <= 0 || picW <= 0 || picH <= 0) return Rect{};
  int scale = std::min(outW / picW, outH / picH);
  int w = picW * scale, h = picH * scale;
  if (scale == 0) {
    // Too big for the output: shrink to the limiting side.
    if (int64_t(outW) * picH <= int64_t(outH) * picW) {
      w = outW;
      h = int(int64_t(picH) * outW / picW);
    } else {
      h = outH;
      w = int(int64_t(picW) * outH / picH);
    }
  }
  int left = (outW - w) / 2, top = (outH - h) / 2;
  return Rect{left, top, left + w, top + h};
}

std::vector<uint32_t> ProgramIcon(int size) {
  std::vector<uint32_t> icon(size_t(size) * size, 0);
  float c = (size - 1) * 0.5f, r = size * 0.5f;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float dx = x - c, dy = y - c;
      float d = std::sqrt(dx * dx + dy * dy) / r;  // 0 at the centre, 1 at the rim
      if (d > 1.0f) continue;
      float t = float(y) / float(size - 1);  // top to bottom
      int red, green, blue;
      if (d > 0.55f && d < 0.8f) {
        // Chrome: bright above, dark below, with a hard horizon in the middle.
        int v = t < 0.5f ? int(255 - 150 * t) : int(150 - 120 * (t - 0.5f));
        red = green = v;
        blue = std::min(255, v + 30);
      } else if (d <= 0.25f) {
        // The glowing core, cyan fading into the disc.
        float g = 1.0f - d / 0.25f;
        red = int(40 + 120 * g);
        green = int(60 + 195 * g);
        blue = 255;
      } else {
        // Dark violet disc, darker towards the bottom.
        red = int(50 - 30 * t);
        green = int(12 - 8 * t);
        blue = int(90 - 50 * t);
      }
      icon[size_t(y) * size + x] = 0xFF000000u | uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
    }
  }
  return icon;
}

static bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    auto b = uint8_t(text[i]);
    int more = b < 0x80 ? 0 : b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2
             : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    if (more < 0 || i + more >= text.size()) return false;
    for (int k = 1; k <= more; ++k)
      if ((uint8_t(text[i + k]) & 0xC0) != 0x80) return false;
    i += 1 + more;
  }
  return true;
}

std::string DesktopText(const std::string& text) {
  if (IsUtf8(text)) return text;
  // The old code page agrees with Latin-1 on every letter and accent
  // (0xA0 to 0xFF), which is all the show's texts use.
  std::string utf8;
  for (char ch : text) {
    auto b = uint8_t(ch);
    if (b < 0x80) {
      utf8 += ch;
    } else {
      utf8 += char(0xC0 | b >> 6);
      utf8 += char(0x80 | (b & 0x3F));
    }
  }
  return utf8;
}

}  // namespace host
