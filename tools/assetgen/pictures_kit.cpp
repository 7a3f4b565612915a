#include "pictures_kit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace pics {

Col Hex(uint32_t rgb) {
  return {float(rgb >> 16 & 255) / 255.0f, float(rgb >> 8 & 255) / 255.0f, float(rgb & 255) / 255.0f};
}

float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

uint32_t Pack(Col c) {
  auto byte = [](float v) { return uint32_t(Clamp01(v) * 255.0f + 0.5f); };
  return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

Col Ramp(const std::vector<uint32_t>& stops, float t) {
  float f = Clamp01(t) * float(stops.size() - 1);
  size_t i = std::min(size_t(f), stops.size() - 2);
  return Mix(Hex(stops[i]), Hex(stops[i + 1]), f - float(i));
}

std::vector<uint32_t> Canvas::Packed() const {
  std::vector<uint32_t> out(px.size());
  for (size_t i = 0; i < px.size(); ++i) out[i] = Pack(px[i]);
  return out;
}

float Mask::Clamped(int x, int y) const {
  return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1));
}

float Mask::Wrapped(int x, int y) const { return at(((x % w) + w) % w, ((y % h) + h) % h); }

namespace {

// One running-sum box pass along rows (or columns, through the transposed
// index).
void BoxPass(const Mask& in, Mask& out, int r, bool horizontal, bool wrap) {
  int len = horizontal ? in.w : in.h, lines = horizontal ? in.h : in.w;
  auto get = [&](int line, int i) {
    if (wrap)
      i = ((i % len) + len) % len;
    else
      i = std::clamp(i, 0, len - 1);
    return horizontal ? in.at(i, line) : in.at(line, i);
  };
  float norm = 1.0f / float(2 * r + 1);
  for (int line = 0; line < lines; ++line) {
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += get(line, i);
    for (int i = 0; i < len; ++i) {
      (horizontal ? out.at(i, line) : out.at(line, i)) = sum * norm;
      sum += get(line, i + r + 1) - get(line, i - r);
    }
  }
}

}  // namespace

Mask Blur(const Mask& m, int radius, bool wrap) {
  Mask a = m, b = m;
  int r = std::max(1, radius / 2);
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(a, b, r, true, wrap);
    BoxPass(b, a, r, false, wrap);
  }
  return a;
}

TileNoise::TileNoise(uint32_t seed, int cells) : cells_(cells), lattice_(size_t(cells) * cells) {
  Rng rng(seed);
  for (float& v : lattice_) v = rng.Unit();
}

float TileNoise::At(float x, float y, float period) const {
  float u = x / period * float(cells_), v = y / period * float(cells_);
  float fu = std::floor(u), fv = std::floor(v);
  int x0 = int(fu), y0 = int(fv);
  float tx = u - fu, ty = v - fv;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto cell = [&](int cx, int cy) {
    cx = ((cx % cells_) + cells_) % cells_;
    cy = ((cy % cells_) + cells_) % cells_;
    return lattice_[size_t(cy) * cells_ + cx];
  };
  float top = cell(x0, y0) + (cell(x0 + 1, y0) - cell(x0, y0)) * tx;
  float bottom = cell(x0, y0 + 1) + (cell(x0 + 1, y0 + 1) - cell(x0, y0 + 1)) * tx;
  return top + (bottom - top) * ty;
}

std::vector<TileNoise> MakeOctaves(uint32_t seed, int baseCells, int count) {
  std::vector<TileNoise> octaves;
  for (int i = 0; i < count; ++i) octaves.emplace_back(seed * 7919u + uint32_t(i) * 104729u, baseCells << i);
  return octaves;
}

float Fbm(const std::vector<TileNoise>& octaves, float x, float y, float period, float gain) {
  float sum = 0, amp = 1, total = 0;
  for (const TileNoise& n : octaves) {
    sum += n.At(x, y, period) * amp;
    total += amp;
    amp *= gain;
  }
  return sum / total;
}

float ChromeT(float nx, float ny, float nz) {
  float len = std::sqrt(nx * nx + ny * ny + nz * nz);
  nx /= len, ny /= len, nz /= len;
  // Reflect the view ray (0, 0, -1); a face looking straight at us sees the
  // sky a little above the horizon, edges facing up see the zenith.
  float ry = 2 * nz * ny, rx = 2 * nz * nx;
  return std::clamp(-ry * 0.9f + 0.3f - 0.12f * rx, kChromeLow, 1.0f);
}

Col ChromeAt(const ChromeStyle& style, float t) {
  if (t >= 0) return Ramp(style.sky, 1.0f - t);
  return Ramp(style.ground, t / kChromeLow);
}

Col Chrome(const ChromeStyle& style, float nx, float ny, float nz) {
  return ChromeAt(style, ChromeT(nx, ny, nz));
}

ChromeStyle BlueChrome() {
  return {{0x3050A0, 0x7FA8E8, 0xD8ECFF, 0xFFFFFF}, {0x1A1020, 0x4A3028, 0x9A6A48, 0xE8C8A0}};
}

ChromeStyle GoldChrome() {
  return {{0x703810, 0xC88030, 0xFFE0A0, 0xFFFFF0}, {0x200808, 0x502010, 0xA05820, 0xFFC070}};
}

void ChromeLettering(Canvas& c, const Mask& tight, int x, int y, const ChromeStyle& style, int bevel,
                     Col glowColour, float glow, bool shadow) {
  // Room round the letters, so the glow and the shadow can spread past them.
  const int pad = bevel * 8 + 12;
  Mask shape(tight.w + 2 * pad, tight.h + 2 * pad);
  for (int j = 0; j < tight.h; ++j)
    for (int i = 0; i < tight.w; ++i) shape.at(i + pad, j + pad) = tight.at(i, j);
  x -= pad;
  y -= pad;
  Mask soft = Blur(shape, bevel);
  Mask height(shape.w, shape.h);
  for (size_t i = 0; i < shape.v.size(); ++i) height.v[i] = shape.v[i] * Clamp01((soft.v[i] - 0.5f) * 2.0f);
  if (shadow) {
    Mask s = Blur(shape, 4);
    int off = std::max(2, bevel);
    for (int j = 0; j < shape.h; ++j)
      for (int i = 0; i < shape.w; ++i) {
        int px = x + i + off, py = y + j + off;
        if (px < c.w && py < c.h && px >= 0 && py >= 0) c.at(px, py) = c.at(px, py) * (1.0f - 0.7f * s.at(i, j));
      }
  }
  if (glow > 0) {
    Mask g = Blur(shape, bevel * 4 + 4);
    for (int j = 0; j < shape.h; ++j)
      for (int i = 0; i < shape.w; ++i) c.Add(x + i, y + j, glowColour * (g.at(i, j) * glow));
  }
  for (int j = 0; j < shape.h; ++j)
    for (int i = 0; i < shape.w; ++i) {
      float a = shape.at(i, j);
      if (a <= 0) continue;
      float gx = height.Clamped(i + 1, j) - height.Clamped(i - 1, j);
      float gy = height.Clamped(i, j + 1) - height.Clamped(i, j - 1);
      Col col = Chrome(style, -gx * float(bevel), -gy * float(bevel), 1.0f);
      c.Blend(x + i, y + j, col, a);
    }
}

void AddGlow(Canvas& c, float cx, float cy, float radius, Col colour, float power) {
  int x0 = std::max(0, int(cx - radius * 3)), x1 = std::min(c.w - 1, int(cx + radius * 3));
  int y0 = std::max(0, int(cy - radius * 3)), y1 = std::min(c.h - 1, int(cy + radius * 3));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float dx = (float(x) - cx) / radius, dy = (float(y) - cy) / radius;
      c.Add(x, y, colour * std::exp(-(dx * dx + dy * dy) * power));
    }
}

void AddLine(Canvas& c, float x0, float y0, float x1, float y1, Col colour, float width) {
  float pad = width + 2;
  int bx0 = std::max(0, int(std::min(x0, x1) - pad)), bx1 = std::min(c.w - 1, int(std::max(x0, x1) + pad));
  int by0 = std::max(0, int(std::min(y0, y1) - pad)), by1 = std::min(c.h - 1, int(std::max(y0, y1) + pad));
  float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
  for (int y = by0; y <= by1; ++y)
    for (int x = bx0; x <= bx1; ++x) {
      float t = Clamp01(((float(x) - x0) * dx + (float(y) - y0) * dy) / len2);
      float ex = float(x) - (x0 + t * dx), ey = float(y) - (y0 + t * dy);
      float cover = Clamp01(width * 0.5f + 0.5f - std::sqrt(ex * ex + ey * ey));
      if (cover > 0) c.Add(x, y, colour * cover);
    }
}

int TextWidth(const std::string& text, int scale, int gap) {
  if (text.empty()) return 0;
  return int(text.size()) * (kGlyphCols + gap) * scale - gap * scale;
}

Mask TextMask(const std::string& text, int scale, int gap) {
  Mask m(std::max(1, TextWidth(text, scale, gap)), kGlyphRows * scale);
  for (size_t n = 0; n < text.size(); ++n)
    for (int row = 0; row < kGlyphRows; ++row)
      for (int col = 0; col < kGlyphCols; ++col) {
        if (!GlyphPixel(text[n], col, row)) continue;
        int left = (int(n) * (kGlyphCols + gap) + col) * scale;
        for (int j = 0; j < scale; ++j)
          for (int i = 0; i < scale; ++i) m.at(left + i, row * scale + j) = 1.0f;
      }
  return m;
}

void PixelText(Canvas& c, const std::string& text, int x, int y, Col face, Col shadow, int scale) {
  Mask m = TextMask(text, scale);
  for (int j = 0; j < m.h; ++j)
    for (int i = 0; i < m.w; ++i)
      if (m.at(i, j) > 0) c.Blend(x + i + scale, y + j + scale, shadow, 1.0f);
  for (int j = 0; j < m.h; ++j)
    for (int i = 0; i < m.w; ++i)
      if (m.at(i, j) > 0) c.Blend(x + i, y + j, face, 1.0f);
}

namespace {

constexpr int kRunMarker = 0xC0;
constexpr int kMaxRun = 63;

void EncodeLine(std::vector<uint8_t>& out, const uint8_t* line, int count) {
  int i = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && run < kMaxRun && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= kRunMarker) out.push_back(uint8_t(kRunMarker + run));
    out.push_back(line[i]);
    i += run;
  }
}

std::vector<uint8_t> Header(int w, int h, int planes, int bytesPerLine) {
  std::vector<uint8_t> f(128, 0);
  auto put16 = [&](int at, int v) {
    f[at] = uint8_t(v);
    f[at + 1] = uint8_t(v >> 8);
  };
  f[0] = 10;  // manufacturer
  f[1] = 5;   // version
  f[2] = 1;   // run-length encoding
  f[3] = 8;   // bits per pixel per plane
  put16(8, w - 1);
  put16(10, h - 1);
  put16(12, 72);
  put16(14, 72);
  f[65] = uint8_t(planes);
  put16(66, bytesPerLine);
  put16(68, 1);  // colour palette
  return f;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

int EvenBytes(int w) { return w + (w & 1); }

}  // namespace

bool WritePcx24(const std::string& path, int w, int h, const std::vector<uint32_t>& rgb) {
  int bpl = EvenBytes(w);
  std::vector<uint8_t> f = Header(w, h, 3, bpl);
  std::vector<uint8_t> line(size_t(bpl), 0);
  for (int y = 0; y < h; ++y)
    for (int shift : {16, 8, 0}) {
      for (int x = 0; x < w; ++x) line[x] = uint8_t(rgb[size_t(y) * w + x] >> shift);
      EncodeLine(f, line.data(), bpl);
    }
  return WriteFile(path, f);
}

bool WritePcx8(const std::string& path, int w, int h, const std::vector<uint8_t>& indices, const Palette& palette) {
  int bpl = EvenBytes(w);
  std::vector<uint8_t> f = Header(w, h, 1, bpl);
  std::vector<uint8_t> line(size_t(bpl), 0);
  for (int y = 0; y < h; ++y) {
    std::copy(indices.begin() + std::ptrdiff_t(y) * w, indices.begin() + std::ptrdiff_t(y + 1) * w, line.begin());
    EncodeLine(f, line.data(), bpl);
  }
  f.push_back(12);  // palette marker
  for (uint32_t c : palette) f.insert(f.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  return WriteFile(path, f);
}

void FillRamp(Palette& p, int first, int last, const std::vector<uint32_t>& stops) {
  for (int i = first; i <= last; ++i) p[i] = Pack(Ramp(stops, float(i - first) / float(std::max(1, last - first))));
}

}  // namespace pics
