#include "director/table_warp.h"

#include <array>
#include <cmath>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int kTexSide = 256;

bool Usable(const WarpTables& w, const PcxImage& texture) {
  return w.offsets.size() >= size_t(kFramePixels) && texture.width == kTexSide &&
         texture.pixels.size() >= size_t(kTexSide * kTexSide);
}

// The three sines a row's texel places move by.
struct RowSines {
  int32_t sa, sb, sc;
};

// Each row's offsets and frame pixels with its sines, the phases stepped
// from row to row and set for the next frame at the end.
template <typename Row>
void ForEachRow(WarpTables& w, uint32_t* frame, Row row) {
  const int32_t q0 = w.p0, q1 = w.p1, q2 = w.p2, q3 = w.p3;
  const auto& S = w.sines;
  for (int r = 0; r < kFrameHeight; ++r) {
    row(w.offsets.data() + size_t(r) * kFrameWidth, frame + size_t(r) * kFrameWidth,
        RowSines{S[w.p0 & 255] + S[w.p1 & 255], S[((w.p2 & 255) + (w.p3 & 255)) & 255], S[w.p3 & 255]});
    w.p0 += 3, w.p1 += 2, w.p2 += 1, w.p3 += 2;
  }
  // From frame to frame the phases move by other steps than from row to row.
  w.p0 = q0 + 2, w.p1 = q1 + 3, w.p2 = q2 + 1, w.p3 = q3 + 3;
}

void DrawTableWarpPlain(WarpTables& w, uint32_t* frame, const uint32_t* tex) {
  ForEachRow(w, frame, [tex](const int32_t* t, uint32_t* row, RowSines s) {
    for (int k = 0; k < kFrameWidth; ++k) {
      // The column runs backwards two texels a pixel: mirrored and squeezed.
      int32_t v = (t[k] + s.sb + s.sc) & 255;
      int32_t u = (s.sa + 1024 - 2 * k) & 255;
      row[k] = tex[size_t(v) * kTexSide + size_t(u)];
    }
  });
}

#if DORSEL_PACKED
// The packed warp: the texel places of eight pixels in two registers, then
// the eight fetches one by one.
void DrawTableWarpPacked(WarpTables& w, uint32_t* frame, const uint32_t* tex) {
  ForEachRow(w, frame, [tex](const int32_t* t, uint32_t* out, RowSines s) {
    const __m128i shift = _mm_set1_epi32(s.sb + s.sc), byte = _mm_set1_epi32(255), eight = _mm_set1_epi32(8);
    // u of pixels k … k + 3: sa + 1024 − 2k and on, read modulo 256.
    __m128i u = _mm_sub_epi32(_mm_set1_epi32(s.sa + 1024), _mm_setr_epi32(0, 2, 4, 6));
    auto places = [&](const int32_t* offsets, __m128i u4) {
      __m128i v = _mm_and_si128(_mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(offsets)), shift), byte);
      return _mm_or_si128(_mm_slli_epi32(v, 8), _mm_and_si128(u4, byte));
    };
    for (int k = 0; k < kFrameWidth; k += 8) {
      alignas(16) uint32_t at[8];
      __m128i next = _mm_sub_epi32(u, eight);
      _mm_store_si128(reinterpret_cast<__m128i*>(at), places(t + k, u));
      _mm_store_si128(reinterpret_cast<__m128i*>(at + 4), places(t + k + 4, next));
      u = _mm_sub_epi32(next, eight);
      for (int i = 0; i < 8; ++i) out[k + i] = tex[at[i]];
    }
  });
}
#endif

}  // namespace

void BuildWarpTables(WarpTables& w) {
  for (int i = 0; i < 256; ++i) {
    double a = i * 0.02454296875;
    w.sines[size_t(i)] = int32_t(256 * std::sin(a)) / 8;
  }
  w.offsets.assign(kFramePixels, 0);
  const double k = 0.31831927423205475;
  // The sways hang on the column or the row alone.
  std::array<double, kFrameWidth> colSways;
  for (int c = 0; c < kFrameWidth; ++c) {
    int h = c / 2;  // (x + 200) / 2 in whole numbers
    colSways[size_t(c)] = 1 - 0.1 * std::sin(h * k);
  }
  for (int r = 0; r < kFrameHeight; ++r) {
    double rowSway = 0.05 * std::cos(double(r) * k);
    for (int c = 0; c < kFrameWidth; ++c) {
      // The two whirls sit at (330, 300) and (200, 112) on the screen.
      double x = c - 200, y = r - 112;
      double d1 = std::sqrt((x - 130) * (x - 130) + (y - 188) * (y - 188));
      double d2 = std::sqrt(x * x + y * y);
      double colSway = colSways[size_t(c)];
      // The first ripple's distance was kept in single precision.
      double w1 = std::sin(32 * std::atan2(y - 188, x - 130)) * double(float(d1)) * double(0.01f) * 0.5 +
                  colSway + rowSway;
      double w2 = std::sin(32 * std::atan2(y, x)) * d2 * 0.01 * 0.5 + colSway + rowSway;
      w.offsets[size_t(r) * kFrameWidth + size_t(c)] = int32_t((w1 + w2) * 30 + d1 + d2);
    }
  }
}

void DrawTableWarp(WarpTables& w, RenderTarget& target, const PcxImage& texture, [[maybe_unused]] int useMmx) {
  if (!Usable(w, texture)) return;
#if DORSEL_PACKED
  if (useMmx) return DrawTableWarpPacked(w, target.pixels, texture.pixels.data());
#endif
  DrawTableWarpPlain(w, target.pixels, texture.pixels.data());
}
