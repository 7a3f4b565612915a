// Tiles, logos, the flare, the credits picture, the font strip and the
// raster frames.
#include <algorithm>
#include <cmath>
#include <functional>

#include "pictures_set.h"

namespace pics {
namespace {

constexpr int kTileSize = 80;
// Palettes of the chrome sprites: 0 is the transparent black, then the
// chrome ramp, then a glow ramp for the hot parts.
constexpr int kChromeFirst = 1, kChromeLast = 191, kGlowFirst = 192, kGlowLast = 255;

uint8_t ChromeIndex(float t) {
  float f = (t - kChromeLow) / (1 - kChromeLow);
  return uint8_t(kChromeFirst + int(Clamp01(f) * float(kChromeLast - kChromeFirst) + 0.5f));
}

Palette SpritePalette(const ChromeStyle& style, const std::vector<uint32_t>& glow) {
  Palette p{};
  for (int i = kChromeFirst; i <= kChromeLast; ++i) {
    float t = kChromeLow + (1 - kChromeLow) * float(i - kChromeFirst) / float(kChromeLast - kChromeFirst);
    p[i] = std::max(Pack(ChromeAt(style, t)), 0x010101u);  // never the transparent black
  }
  FillRamp(p, kGlowFirst, kGlowLast, glow);
  return p;
}

// Bevelled chrome from a coverage mask, as palette indices.
void ChromeIndices(const Mask& shape, int bevel, std::vector<uint8_t>& out) {
  Mask soft = Blur(shape, bevel);
  Mask height(shape.w, shape.h);
  for (size_t i = 0; i < shape.v.size(); ++i) height.v[i] = shape.v[i] * Clamp01((soft.v[i] - 0.5f) * 2.0f);
  for (int y = 0; y < shape.h; ++y)
    for (int x = 0; x < shape.w; ++x) {
      if (shape.at(x, y) < 0.5f) continue;
      float gx = height.Clamped(x + 1, y) - height.Clamped(x - 1, y);
      float gy = height.Clamped(x, y + 1) - height.Clamped(x, y - 1);
      out[size_t(y) * shape.w + x] = ChromeIndex(ChromeT(-gx * float(bevel), -gy * float(bevel), 1));
    }
}

Mask ShapeMask(int w, int h, const std::function<bool(float, float)>& inside) {
  Mask m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.at(x, y) = inside(float(x) + 0.5f, float(y) + 0.5f) ? 1.0f : 0.0f;
  return m;
}

// A hot sphere in the glow ramp.
void GlowCore(std::vector<uint8_t>& out, int w, float cx, float cy, float r) {
  for (int y = int(cy - r); y <= int(cy + r); ++y)
    for (int x = int(cx - r); x <= int(cx + r); ++x) {
      float nx = (float(x) + 0.5f - cx) / r, ny = (float(y) + 0.5f - cy) / r, q = nx * nx + ny * ny;
      if (q >= 1) continue;
      float nz = std::sqrt(1 - q);
      float light = Clamp01(0.35f + 0.65f * (-0.4f * nx - 0.5f * ny + 0.77f * nz));
      out[size_t(y) * w + x] = uint8_t(kGlowFirst + int(light * float(kGlowLast - kGlowFirst)));
    }
}

float Dist(float x, float y, float cx, float cy) { return std::hypot(x - cx, y - cy); }

// Regular polygon test: inside when the point is within `r` of the centre
// along every edge normal.
bool InPolygon(float x, float y, float cx, float cy, int sides, float r, float turn) {
  for (int k = 0; k < sides; ++k) {
    float a = turn + float(k) * 2 * kPi / float(sides);
    if ((x - cx) * std::cos(a) + (y - cy) * std::sin(a) > r) return false;
  }
  return true;
}

void GradientText(Canvas& c, const std::string& text, int x, int y, int scale, const std::vector<uint32_t>& stops,
                  Col shadow) {
  Mask m = TextMask(text, scale);
  for (int j = 0; j < m.h; ++j)
    for (int i = 0; i < m.w; ++i)
      if (m.at(i, j) > 0) c.Blend(x + i + scale, y + j + scale, shadow, 1);
  for (int j = 0; j < m.h; ++j)
    for (int i = 0; i < m.w; ++i)
      if (m.at(i, j) > 0) c.Blend(x + i, y + j, Ramp(stops, float(j) / float(m.h - 1)), 1);
}

}  // namespace

Picture Tile(int kind) {
  const float m = kTileSize / 2.0f;
  std::function<bool(float, float)> inside;
  bool core = false;
  ChromeStyle style = BlueChrome();
  switch (kind) {
    case 1:  // a cross
      inside = [m](float x, float y) { return (std::fabs(x - m) < 11 && std::fabs(y - m) < 32) || (std::fabs(y - m) < 11 && std::fabs(x - m) < 32); };
      break;
    case 2:  // a chain link; stacked tiles join through the bars at the top and bottom
      inside = [m](float x, float y) {
        float d = Dist(x, y, m, m);
        return (d > 17 && d < 33) || (std::fabs(x - m) < 6 && (y < 10 || y > kTileSize - 10));
      };
      break;
    case 3:  // a hexagon frame round a hot core
      inside = [m](float x, float y) {
        return InPolygon(x, y, m, m, 6, 36, 0) && !InPolygon(x, y, m, m, 6, 24, 0);
      };
      core = true;
      break;
    case 4:  // a five-pointed star
      inside = [m](float x, float y) {
        float a = std::atan2(y - m, x - m) + kPi / 2, d = Dist(x, y, m, m);
        float k = std::fmod(a + 4 * kPi, 2 * kPi / 5) / (2 * kPi / 5);
        return d < 14 + 22 * std::fabs(1 - 2 * k);
      };
      style = GoldChrome();
      break;
    case 5:  // a square frame with a diagonal
      inside = [m](float x, float y) {
        bool frame = std::max(std::fabs(x - m), std::fabs(y - m)) < 34 && std::max(std::fabs(x - m), std::fabs(y - m)) > 24;
        return frame || (std::fabs(x - y) < 6 && std::fabs(x - m) < 30);
      };
      break;
    case 6:  // a disc with a slot
      inside = [m](float x, float y) { return Dist(x, y, m, m) < 34 && !(std::fabs(x - m) < 5 && std::fabs(y - m) < 22); };
      style = GoldChrome();
      break;
    case 7:  // a triangle
      inside = [m](float x, float y) { return InPolygon(x, y, m, m + 6, 3, 24, kPi / 2); };
      break;
    default:  // a diamond round a hot core
      inside = [m](float x, float y) { return std::fabs(x - m) + std::fabs(y - m) < 36 && std::fabs(x - m) + std::fabs(y - m) > 20; };
      core = true;
      break;
  }
  Picture p{kTileSize, kTileSize, {}, std::vector<uint8_t>(kTileSize * kTileSize, 0), {}};
  p.palette = SpritePalette(style, {0x401004, 0xC04010, 0xFF9030, 0xFFF0C0});
  ChromeIndices(ShapeMask(kTileSize, kTileSize, inside), 6, p.indices);
  if (core) GlowCore(p.indices, kTileSize, m, m, 15);
  return p;
}

Picture LineLogo() {
  constexpr int kW = 128, kH = 96;
  constexpr int kNameFirst = 1, kNameLast = 63, kTagFirst = 64, kTagLast = 127, kRuleFirst = 128, kRuleLast = 159;
  Picture p{kW, kH, {}, std::vector<uint8_t>(kW * kH, 0), {}};
  FillRamp(p.palette, kNameFirst, kNameLast, {0xFFFFFF, 0xA0E8FF, 0x3090FF, 0x6020C0, 0xE040C0});
  FillRamp(p.palette, kTagFirst, kTagLast, {0xFFF0C0, 0xFFB040, 0xC05010});
  FillRamp(p.palette, kRuleFirst, kRuleLast, {0x081830, 0x40C0FF, 0xFFFFFF});
  auto put = [&](const Mask& m, int left, int top, int first, int last, bool lines) {
    for (int j = 0; j < m.h; ++j) {
      if (lines && j % 3 == 2) continue;  // the logo is drawn in lines
      int index = first + (last - first) * j / std::max(1, m.h - 1);
      for (int i = 0; i < m.w; ++i)
        if (m.at(i, j) > 0) p.indices[size_t(top + j) * kW + left + i] = uint8_t(index);
    }
  };
  Mask name = TextMask("DORSEL", 3);
  put(name, (kW - name.w) / 2, 12, kNameFirst, kNameLast, true);
  for (int x = 8; x < kW - 8; ++x) {
    float edge = std::min(float(x - 8), float(kW - 9 - x)) / 20.0f;
    int glow = kRuleFirst + int(Clamp01(edge) * float(kRuleLast - kRuleFirst));
    p.indices[size_t(52) * kW + x] = uint8_t(glow);
    p.indices[size_t(55) * kW + x] = uint8_t(kRuleFirst + (glow - kRuleFirst) / 2);
  }
  Mask tag = TextMask("ORU 99", 2);
  put(tag, (kW - tag.w) / 2, 62, kTagFirst, kTagLast, false);
  return p;
}

Picture Flare() {
  constexpr int kSize = 64;
  Canvas c(kSize, kSize);
  const float centre = (kSize - 1) / 2.0f;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      float dx = (float(x) - centre) / 32.0f, dy = (float(y) - centre) / 32.0f, r = std::sqrt(dx * dx + dy * dy);
      Col col = Hex(0xFFF4E0) * (1.3f * std::exp(-r * r * 60.0f)) + Hex(0xFF9040) * (0.55f * std::exp(-r * r * 9.0f)) +
                Hex(0x3060FF) * (0.25f * std::exp(-r * r * 2.5f));
      float rays = (std::exp(-std::fabs(dy) * 40.0f) + std::exp(-std::fabs(dx) * 40.0f)) * std::pow(Clamp01(1 - r), 2.0f);
      col = col + Hex(0xC0D8FF) * (0.7f * rays);
      col = col + Hex(0x80A0FF) * (0.12f * std::exp(-std::pow((r - 0.62f) * 22.0f, 2.0f)));
      c.at(x, y) = col * Smooth(0.94f, 0.6f, r);  // black at the edges, so squares never show
    }
  return FromCanvas(c);
}

Picture Credits() {
  constexpr int kW = 218, kH = 384;
  Canvas c(kW, kH);
  for (int y = 0; y < kH; ++y) {
    Col col = Ramp({0x060E1C, 0x0C1C34, 0x081426, 0x03060C}, float(y) / (kH - 1));
    for (int x = 0; x < kW; ++x) c.at(x, y) = col;
  }
  // A bevelled rim; the picture's edges stay put while it wobbles.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int d = std::min({x, y, kW - 1 - x, kH - 1 - y});
      if (d < 4) c.at(x, y) = Chrome(BlueChrome(), x < 4 ? -0.8f : (x > kW - 5 ? 0.8f : 0), y < 4 ? -0.8f : (y > kH - 5 ? 0.8f : 0), 1);
    }
  Mask title = TextMask("CREDITS", 3);
  ChromeLettering(c, title, (kW - title.w) / 2, 16, GoldChrome(), 1, Hex(0xFF6010), 0.35f);
  struct Credit {
    const char* role;
    const char* name;
  };
  const Credit credits[] = {{"CODE", "Marras"},          {"GRAPHICS", "Usva"}, {"MUSIC", "Halla"},
                            {"3D OBJECTS", "Tuisku"},    {"TEXTS", "Routa"},   {"SUPPORT", "Kuura & Rae"}};
  int y = 74;
  for (const Credit& credit : credits) {
    PixelText(c, credit.role, (kW - TextWidth(credit.role, 1)) / 2, y, Hex(0x60B8F0), Hex(0x000000));
    GradientText(c, credit.name, (kW - TextWidth(credit.name, 2)) / 2, y + 13, 2, {0xFFFFFF, 0xB0D8FF, 0x6090E0},
                 Hex(0x02040A));
    y += 46;
  }
  for (int x = 30; x < kW - 30; ++x) c.at(x, y + 2) = c.at(x, y + 2) + Hex(0x305070);
  PixelText(c, "DORSEL @ ORU 99", (kW - TextWidth("DORSEL @ ORU 99", 1)) / 2, y + 10, Hex(0xFFB060), Hex(0x000000));
  return FromCanvas(c);
}

Picture FontStrip() {
  constexpr int kGlyphs = kFontLast - kFontFirst + 1;
  constexpr int kW = kGlyphs * kFontCellW, kH = kFontCellH;
  constexpr int kTopRow = 2;  // design row 0 sits on cell row 2
  constexpr int kShadow = 16;
  Picture p{kW, kH, {}, std::vector<uint8_t>(kW * kH, 0), {}};
  // The face runs from white through sky blue to a dark horizon, then warm
  // metal below it: chrome, one colour per cell row.
  const uint32_t rows[kFontCellH] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE4F2FF, 0xC4E0FF, 0x9CC8FF, 0x5C8CE0,
                                     0xE09858, 0xF2C088, 0xFFE4B8, 0xFFF4DC, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  for (int r = 0; r < kFontCellH; ++r) p.palette[1 + r] = rows[r];
  p.palette[kShadow] = 0x0A1230;
  // Shadows first, one pixel down and right, then the faces over them.
  for (int pass = 0; pass < 2; ++pass)
    for (int g = 0; g < kGlyphs; ++g)
      for (int row = 0; row < kGlyphRows; ++row)
        for (int col = 0; col < kGlyphCols; ++col) {
          if (!GlyphPixel(char(kFontFirst + g), col, row)) continue;
          int x = g * kFontCellW + 1 + col, y = kTopRow + row;
          if (pass == 0)
            p.indices[size_t(y + 1) * kW + x + 1] = kShadow;
          else
            p.indices[size_t(y) * kW + x] = uint8_t(1 + y);
        }
  return p;
}

Picture Quibb() {
  Canvas c(256, 64);
  Mask name = TextMask("QUIBB", 5);
  ChromeLettering(c, name, (256 - name.w) / 2, 4, GoldChrome(), 4, Hex(0xFF5020), 0.8f, false);
  return FromCanvas(c);
}

Picture Raster(int frame) {
  constexpr int kW = 128, kH = 96, kBars = 5, kShades = 48;
  const uint32_t hues[kBars] = {0xFF3020, 0x30FF60, 0x3070FF, 0xFFC020, 0xE030FF};
  Picture p{kW, kH, {}, std::vector<uint8_t>(kW * kH, 0), {}};
  for (int b = 0; b < kBars; ++b)
    FillRamp(p.palette, 1 + b * kShades, kShades * (b + 1), {0x020202, hues[b], 0xFFFFFF});
  float phase = float(frame - 1) * kPi / 8;
  for (int b = 0; b < kBars; ++b) {
    float centre = kH / 2.0f + 34.0f * std::sin(phase * 2 + float(b) * 0.7f);
    for (int y = 0; y < kH; ++y) {
      float d = std::fabs(float(y) - centre) / 8.0f;
      if (d >= 1) continue;
      int shade = int(std::cos(d * kPi / 2) * float(kShades - 1));
      for (int x = 0; x < kW; ++x) p.indices[size_t(y) * kW + x] = uint8_t(1 + b * kShades + shade);
    }
  }
  return p;
}

}  // namespace pics
