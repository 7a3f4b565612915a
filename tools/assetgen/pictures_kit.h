// Small drawing kit for the show's pictures: a float colour canvas, masks,
// tileable noise, chrome shading, the pixel font, and the PCX writer.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pics {

inline constexpr float kPi = 3.14159265f;

// xorshift32; every picture seeds its own so each is fixed on its own.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  float Unit() { return float(Next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return int(Next() % uint32_t(n)); }

 private:
  uint32_t state_;
};

struct Col {
  float r = 0, g = 0, b = 0;
};
inline Col operator+(Col a, Col b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Col operator-(Col a, Col b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Col operator*(Col a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Col operator*(Col a, Col b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Col Mix(Col a, Col b, float t) { return a + (b - a) * t; }
Col Hex(uint32_t rgb);
uint32_t Pack(Col c);  // clamped to 0..255 per channel

float Clamp01(float v);
float Smooth(float e0, float e1, float x);  // smoothstep

// A colour ramp through evenly spaced stops, t in 0..1.
Col Ramp(const std::vector<uint32_t>& stops, float t);

// Float RGB picture, channels nominally 0..1.
struct Canvas {
  int w = 0, h = 0;
  std::vector<Col> px;
  Canvas(int width, int height, Col fill = {}) : w(width), h(height), px(size_t(width) * height, fill) {}
  Col& at(int x, int y) { return px[size_t(y) * w + x]; }
  Col at(int x, int y) const { return px[size_t(y) * w + x]; }
  void Add(int x, int y, Col c) {
    if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = at(x, y) + c;
  }
  void Blend(int x, int y, Col c, float a) {
    if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = Mix(at(x, y), c, Clamp01(a));
  }
  std::vector<uint32_t> Packed() const;
};

// Single-channel float image (coverage, height, glow).
struct Mask {
  int w = 0, h = 0;
  std::vector<float> v;
  Mask(int width, int height) : w(width), h(height), v(size_t(width) * height, 0.0f) {}
  float& at(int x, int y) { return v[size_t(y) * w + x]; }
  float at(int x, int y) const { return v[size_t(y) * w + x]; }
  float Clamped(int x, int y) const;
  float Wrapped(int x, int y) const;
};

// Three box passes, close to a gaussian of the given radius. `wrap` for
// textures that tile.
Mask Blur(const Mask& m, int radius, bool wrap = false);

// Value noise on a lattice of `cells` × `cells` that repeats every `period`
// pixels; fbm sums octaves that all repeat over the same period.
class TileNoise {
 public:
  TileNoise(uint32_t seed, int cells);
  float At(float x, float y, float period) const;  // 0..1

 private:
  int cells_;
  std::vector<float> lattice_;
};
float Fbm(const std::vector<TileNoise>& octaves, float x, float y, float period, float gain = 0.5f);
std::vector<TileNoise> MakeOctaves(uint32_t seed, int baseCells, int count);

// Chrome: the colour a polished surface with this normal reflects of a sky
// over a horizon. nx, ny, nz is the surface normal (z towards the viewer).
struct ChromeStyle {
  std::vector<uint32_t> sky;     // zenith .. horizon
  std::vector<uint32_t> ground;  // horizon .. nadir
};
Col Chrome(const ChromeStyle& style, float nx, float ny, float nz);
// The same split in two: where on the sky-and-ground ramp a normal looks
// (kChromeLow .. 1), and the colour there. Palettised pictures index by it.
constexpr float kChromeLow = -0.625f;
float ChromeT(float nx, float ny, float nz);
Col ChromeAt(const ChromeStyle& style, float t);
ChromeStyle BlueChrome();
ChromeStyle GoldChrome();

// Shades a coverage mask as bevelled chrome and lays it on the canvas, with
// a glow of `glowColour` (strength 0 for none) and a dark drop shadow.
void ChromeLettering(Canvas& c, const Mask& shape, int x, int y, const ChromeStyle& style, int bevel,
                     Col glowColour, float glow, bool shadow = true);

// The pixel font: glyphs of 5 × 11 design pixels for codes 33 to 126.
constexpr int kGlyphCols = 5;
constexpr int kGlyphRows = 11;
bool GlyphPixel(char code, int col, int row);
// Text as a coverage mask, each design pixel a scale × scale block, letters
// `gap` design pixels apart.
Mask TextMask(const std::string& text, int scale, int gap = 1);
int TextWidth(const std::string& text, int scale, int gap = 1);

// Plain one-colour pixel text (for the small print), with a 1-pixel shadow.
void PixelText(Canvas& c, const std::string& text, int x, int y, Col face, Col shadow, int scale = 1);

// Glow helpers.
void AddGlow(Canvas& c, float cx, float cy, float radius, Col colour, float power = 2.0f);
void AddLine(Canvas& c, float x0, float y0, float x1, float y1, Col colour, float width = 1.0f);

// Version-5 run-length PCX files.
using Palette = std::array<uint32_t, 256>;
bool WritePcx24(const std::string& path, int w, int h, const std::vector<uint32_t>& rgb);
bool WritePcx8(const std::string& path, int w, int h, const std::vector<uint8_t>& indices, const Palette& palette);
// A palette that runs through `stops` from index `first` to `last`.
void FillRamp(Palette& p, int first, int last, const std::vector<uint32_t>& stops);

}  // namespace pics
