// The typewriter: a page of up to 50 lines typed character by character at a
// fixed rate of demo time into an overlay image of its own, which every frame
// lays its non-black pixels over the picture underneath.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "effects2d/pcx.h"

constexpr int kPageLines = 50;
constexpr int kPageSlot = 50;  // bytes per line, its NUL included
constexpr int kPageBytes = kPageLines * kPageSlot;
using TextPage = std::array<char, kPageBytes>;

// The font strip: the glyph of code c is 8 × 15 pixels at column (c − 33) × 8.
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 15;
constexpr int kFirstGlyph = 33;
// A string drawn in one call leaves a blank column between its glyphs.
constexpr int kTextSpacing = 9;

struct TextWriter {
  int32_t homeX = 15;
  int32_t homeY = 30;
  int32_t charAdvance = 8;
  int32_t lineAdvance = 10;
  int32_t lineLimit = 354;
  int32_t x = 15;
  int32_t y = 30;
  int32_t linePending = 1;
  int32_t charIndex = 0;
  int32_t nextLine = 0;
  std::array<char, 256> lineBuffer{};
  std::array<char, 2> charString{};
  TextPage page{};
  std::vector<uint32_t> overlay;  // 512 × 384, 0 is transparent; empty until created
  uint32_t lastTypeMs = 0;        // 0: not started
  uint32_t msPerChar = 0;
};

// Start values and a cleared overlay.
void CreateTextWriter(TextWriter& writer);

// Each of x, y, charAdvance and lineAdvance takes effect only when above 0
// (x and y also move the pen); lineLimit only when 1 ≤ lineLimit < 369.
void SetTextPage(TextWriter& writer, int32_t x, int32_t y, int32_t charAdvance, int32_t lineAdvance,
                 int32_t lineLimit, uint32_t msPerChar, const TextPage& text);

// Types what has fallen due by `demoTimeMs`.
void UpdateTextWriter(TextWriter& writer, const PcxImage& font, uint32_t demoTimeMs);
void NextTextLine(TextWriter& writer);

// Every non-black overlay pixel replaces the frame's. `useMmx` takes the
// packed form: the same pixels.
void OverlayText(const TextWriter& writer, RenderTarget& target, int useMmx);

// Draws a NUL-terminated string into a 512 × 384 image, 9 pixels a character,
// the top-left of its first glyph at (x, y). What falls outside the image and
// codes the font strip has no glyph for are left out.
void DrawText(const PcxImage& font, const char* text, int32_t x, int32_t y, uint32_t* pixels);
