#include "director/text_writer.h"

#include <algorithm>
#include <cstring>

#include "base/pixels.h"
#include "base/simd.h"

namespace {

constexpr int32_t kLineLimitEnd = 369;  // a limit at or past this is ignored

}  // namespace

void CreateTextWriter(TextWriter& writer) {
  writer = TextWriter{};
  writer.overlay.assign(kFramePixels, 0);
}

void SetTextPage(TextWriter& w, int32_t x, int32_t y, int32_t charAdvance, int32_t lineAdvance,
                 int32_t lineLimit, uint32_t msPerChar, const TextPage& text) {
  if (x > 0) w.homeX = w.x = x;
  if (y > 0) w.homeY = w.y = y;
  if (charAdvance > 0) w.charAdvance = charAdvance;
  if (lineAdvance > 0) w.lineAdvance = lineAdvance;
  if (lineLimit >= 1 && lineLimit < kLineLimitEnd) w.lineLimit = lineLimit;
  w.page = text;
  w.linePending = 1;
  w.nextLine = 0;
  w.lastTypeMs = 0;
  w.msPerChar = msPerChar;
  std::fill(w.overlay.begin(), w.overlay.end(), 0u);
}

void NextTextLine(TextWriter& w) {
  const char* line = &w.page[size_t(w.nextLine) * kPageSlot];
  // A slot without its NUL still ends at the slot's end.
  size_t n = strnlen(line, kPageSlot);
  std::memcpy(w.lineBuffer.data(), line, n);
  w.lineBuffer[n] = '\0';
  if (++w.nextLine == kPageLines) w.nextLine = 0;
  w.charIndex = 0;
  w.linePending = 0;
}

void UpdateTextWriter(TextWriter& w, const PcxImage& font, uint32_t demoTimeMs) {
  if (w.msPerChar == 0) return;  // a page without a rate never types
  if (w.lastTypeMs == 0) w.lastTypeMs = demoTimeMs;
  if (demoTimeMs < w.lastTypeMs) {
    w.lastTypeMs = demoTimeMs;
    return;
  }
  uint32_t due = (demoTimeMs - w.lastTypeMs) / w.msPerChar;
  // Time short of a whole character keeps adding up over frames.
  if (due == 0) return;
  uint32_t* overlay = w.overlay.size() >= size_t(kFramePixels) ? w.overlay.data() : nullptr;
  for (uint32_t n = 0; n < due; ++n) {
    if (w.linePending == 1) NextTextLine(w);
    char c = w.lineBuffer[size_t(w.charIndex)];
    ++w.charIndex;
    w.charString = {c, '\0'};
    if (c != '\0' && w.y < w.lineLimit) {
      if (overlay) DrawText(font, w.charString.data(), w.x, w.y, overlay);
      w.x += w.charAdvance;
    } else {
      // The end of a line, or the writer is past its limit: every step then
      // starts a new line, invisibly.
      w.x = w.homeX;
      w.y += w.lineAdvance;
      w.linePending = 1;
    }
  }
  w.lastTypeMs = demoTimeMs;  // the part of a character left over is dropped
}

void OverlayText(const TextWriter& w, RenderTarget& target, [[maybe_unused]] int useMmx) {
  if (w.overlay.size() < size_t(kFramePixels)) return;
  uint32_t* frame = target.pixels;
  const uint32_t* overlay = w.overlay.data();
  int i = 0;
#if DORSEL_PACKED
  // Four pixels at a time: a lane whose overlay pixel is 0 keeps the frame's.
  if (useMmx)
    for (; i + 4 <= kFramePixels; i += 4) {
      __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(overlay + i));
      __m128i* at = reinterpret_cast<__m128i*>(frame + i);
      __m128i keep = _mm_and_si128(_mm_loadu_si128(at), _mm_cmpeq_epi32(p, _mm_setzero_si128()));
      _mm_storeu_si128(at, _mm_or_si128(p, keep));
    }
#endif
  // Written without a branch (a zero overlay pixel keeps the frame's):
  // most of the overlay is empty, and a branch per pixel on text edges
  // mispredicts.
  for (; i < kFramePixels; ++i) {
    uint32_t p = overlay[i];
    frame[i] = p | (frame[i] & (p == 0 ? 0xFFFFFFFFu : 0u));
  }
}

void DrawText(const PcxImage& font, const char* text, int32_t x, int32_t y, uint32_t* pixels) {
  const int rows = std::min(kGlyphHeight, int(font.height));
  const size_t fontWidth = size_t(std::max(font.width, 0));
  for (; *text; ++text, x += kTextSpacing) {
    int g = int(static_cast<signed char>(*text)) - kFirstGlyph;
    if (g < 0) continue;  // space, tab, control codes and 128 to 255 only take room
    size_t left = size_t(g) * kGlyphWidth;
    if (left + kGlyphWidth > fontWidth) continue;  // past the strip: no glyph to read
    for (int r = 0; r < rows; ++r) {
      int32_t v = y + r;
      if (v < 0 || v >= kFrameHeight) continue;
      size_t row = size_t(r) * fontWidth + left;
      if (row + kGlyphWidth > font.pixels.size()) break;
      for (int k = 0; k < kGlyphWidth; ++k) {
        int32_t u = x + k;
        if (u < 0 || u >= kFrameWidth) continue;
        if (uint32_t p = font.pixels[row + size_t(k)]) pixels[size_t(v) * kFrameWidth + size_t(u)] = p;
      }
    }
  }
}
