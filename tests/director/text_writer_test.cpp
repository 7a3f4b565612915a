#include "director/text_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "director/pages.h"
#include "effect_fixtures.h"

namespace {

using fixtures::Frame;

// A font strip for codes 33 to 126 whose pixels tell the glyph, the row and
// the column they came from; the last column of each cell is empty.
PcxImage TestFont() {
  return fixtures::Picture(94 * 8, 15, [](int x, int y) -> uint32_t {
    int g = x / 8, k = x % 8;
    if (k == 7) return 0;
    return uint32_t(g + 1) << 16 | uint32_t(y) << 4 | uint32_t(k + 1);
  });
}

uint32_t GlyphPixel(char c, int row, int col) {
  return uint32_t(c - 33 + 1) << 16 | uint32_t(row) << 4 | uint32_t(col + 1);
}

// The code of the glyph whose top-left pixel sits at (x, y), or 0.
int GlyphAt(const uint32_t* image, int x, int y) {
  uint32_t p = image[size_t(y) * kFrameWidth + size_t(x)];
  if (p == 0 || (p & 0xFF) != 1 || (p >> 4 & 15) != 0) return 0;
  return int(p >> 16) - 1 + 33;
}

int GlyphPixels(const std::vector<uint32_t>& image) {
  int n = 0;
  for (int i = 0; i < kFramePixels; ++i) n += image[size_t(i)] != 0;
  return n;
}

TextWriter FreshWriter() {
  TextWriter w;
  CreateTextWriter(w);
  return w;
}

TEST(TextWriter, CreatedWithItsStartValues) {
  TextWriter w;
  w.x = 99;
  w.overlay.assign(10, 7);
  CreateTextWriter(w);
  EXPECT_EQ(w.homeX, 15);
  EXPECT_EQ(w.homeY, 30);
  EXPECT_EQ(w.charAdvance, 8);
  EXPECT_EQ(w.lineAdvance, 10);
  EXPECT_EQ(w.lineLimit, 354);
  EXPECT_EQ(w.x, 15);
  EXPECT_EQ(w.y, 30);
  EXPECT_EQ(w.linePending, 1);
  EXPECT_EQ(w.lastTypeMs, 0u);
  ASSERT_EQ(w.overlay.size(), size_t(kFramePixels));
  EXPECT_EQ(GlyphPixels(w.overlay), 0);
}

TEST(TextWriter, SetTextPageTakesOnlyTheArgumentsInRange) {
  struct Case {
    const char* name;
    int32_t x, y, charAdvance, lineAdvance, lineLimit;
    int32_t homeX, homeY, wantAdvance, wantLine, wantLimit;
  };
  const Case cases[] = {
      {"the show's page call", 10, 140, 0, 0, 360, 10, 140, 8, 10, 360},
      {"nothing given", 0, 0, 0, 0, 0, 15, 30, 8, 10, 354},
      {"negatives are not given", -5, -1, -8, -10, -1, 15, 30, 8, 10, 354},
      {"every field", 3, 4, 12, 20, 1, 3, 4, 12, 20, 1},
      {"the last limit taken", 1, 1, 1, 1, 368, 1, 1, 1, 1, 368},
      {"a limit past the frame", 1, 1, 1, 1, 369, 1, 1, 1, 1, 354},
  };
  const TextPage page = MakePage({"one", "two"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextWriter w = FreshWriter();
    w.overlay[777] = 0x123456;
    w.charIndex = 5;
    w.nextLine = 9;
    w.linePending = 0;
    w.lastTypeMs = 4000;
    SetTextPage(w, c.x, c.y, c.charAdvance, c.lineAdvance, c.lineLimit, 17, page);
    EXPECT_EQ(w.homeX, c.homeX);
    EXPECT_EQ(w.homeY, c.homeY);
    EXPECT_EQ(w.x, c.homeX);
    EXPECT_EQ(w.y, c.homeY);
    EXPECT_EQ(w.charAdvance, c.wantAdvance);
    EXPECT_EQ(w.lineAdvance, c.wantLine);
    EXPECT_EQ(w.lineLimit, c.wantLimit);
    EXPECT_EQ(w.msPerChar, 17u);
    EXPECT_EQ(w.page, page);
    EXPECT_EQ(w.linePending, 1);
    EXPECT_EQ(w.nextLine, 0);
    EXPECT_EQ(w.lastTypeMs, 0u);
    EXPECT_EQ(w.charIndex, 5) << "the next line fetch resets it";
    EXPECT_EQ(w.overlay[777], 0u);
  }
}

TEST(TextWriter, TypesAtItsRateOfDemoTime) {
  struct Case {
    const char* name;
    uint32_t msPerChar;
    std::vector<uint32_t> times;  // frames, the first one after the page
    std::vector<int> typed;       // characters on the overlay after each frame
  };
  const Case cases[] = {
      // 20 ms frames at 33 ms a character: every second frame types one and
      // drops 7 ms, so the rest never adds up to a second character.
      {"33 ms at 20 ms frames", 33, {1000, 1020, 1040, 1060, 1080, 1100, 1120}, {0, 0, 1, 1, 2, 2, 3}},
      // The first update only records the time, however late it comes.
      {"the first update types nothing", 10, {90000, 90009, 90010, 90035}, {0, 0, 1, 3}},
      // Time that goes back restarts the count from there.
      {"time going back", 10, {5000, 5050, 4000, 4005, 4010}, {0, 5, 5, 5, 6}},
  };
  const PcxImage font = TestFont();
  const TextPage page = MakePage({"ABCDEFGHIJKLMNOPQRSTUVWXYZ"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextWriter w = FreshWriter();
    SetTextPage(w, 20, 35, 0, 0, 350, c.msPerChar, page);
    for (size_t f = 0; f < c.times.size(); ++f) {
      UpdateTextWriter(w, font, c.times[f]);
      int typed = 0;
      while (typed < 26 && GlyphAt(w.overlay.data(), 20 + 8 * typed, 35) == 'A' + typed) ++typed;
      EXPECT_EQ(typed, c.typed[f]) << "frame at " << c.times[f];
      EXPECT_EQ(w.x, 20 + 8 * typed);
    }
  }
}

TEST(TextWriter, EveryLineCostsOneStepMoreThanItsCharacters) {
  const PcxImage font = TestFont();
  TextWriter w = FreshWriter();
  // "AB", an empty line, "C": 3 + 1 + 2 steps.
  SetTextPage(w, 10, 100, 0, 0, 360, 1, MakePage({"AB", "", "C"}));
  UpdateTextWriter(w, font, 1000);
  UpdateTextWriter(w, font, 1005);
  EXPECT_EQ(w.y, 100 + 20) << "five steps: past \"AB\" and the empty line, \"C\" drawn";
  EXPECT_EQ(w.x, 18);
  EXPECT_EQ(GlyphAt(w.overlay.data(), 10, 100), 'A');
  EXPECT_EQ(GlyphAt(w.overlay.data(), 18, 100), 'B');
  EXPECT_EQ(GlyphAt(w.overlay.data(), 10, 120), 'C');
  UpdateTextWriter(w, font, 1006);
  EXPECT_EQ(w.y, 130);
  EXPECT_EQ(w.x, 10);
  EXPECT_EQ(w.linePending, 1);
}

TEST(TextWriter, LinesBelowTheLimitAreTypedButNotDrawn) {
  // 24 lines from y 140, 10 apart, limit 360: lines 0 to 21 (y 140 … 350)
  // show, lines 22 and 23 are typed invisibly. Past the limit a line costs
  // one step whatever it holds: 22 × 2 + 2 steps fetch all 24.
  TextPage page{};
  for (int k = 0; k < 24; ++k) page[size_t(k) * kPageSlot] = char('A' + k);
  const PcxImage font = TestFont();
  TextWriter w = FreshWriter();
  SetTextPage(w, 10, 140, 0, 0, 360, 1, page);
  UpdateTextWriter(w, font, 1);
  UpdateTextWriter(w, font, 1 + 22 * 2 + 2);
  EXPECT_EQ(w.nextLine, 24) << "all 24 lines fetched";
  EXPECT_EQ(w.y, 380);
  for (int k = 0; k < 22; ++k) EXPECT_EQ(GlyphAt(w.overlay.data(), 10, 140 + 10 * k), 'A' + k) << "line " << k;
  // No pixel of lines 22 and 23 ('W' and 'X') anywhere.
  int hidden = 0;
  for (uint32_t p : w.overlay) hidden += p && (p >> 16) + 32 >= uint32_t('W');
  EXPECT_EQ(hidden, 0);
  // Lines 10 rows apart overlap by five rows: the text covers rows 140 to
  // 364 in its seven drawn columns.
  EXPECT_EQ(GlyphPixels(w.overlay), (350 + 15 - 140) * 7);
}

TEST(TextWriter, AFullPageStartsAgainAtLineZero) {
  TextPage page{};
  for (int k = 0; k < kPageLines; ++k) {
    std::string line = "L" + std::to_string(k / 10) + std::to_string(k % 10);
    std::copy(line.begin(), line.end(), page.begin() + k * kPageSlot);
  }
  const PcxImage font = TestFont();
  TextWriter w = FreshWriter();
  // One pixel a line, so all 50 lines stay above the limit.
  SetTextPage(w, 10, 1, 0, 1, 360, 1, page);
  UpdateTextWriter(w, font, 1);
  UpdateTextWriter(w, font, 1 + 50 * 4);  // every line: three characters and its end
  EXPECT_EQ(w.nextLine, 0);
  EXPECT_EQ(std::string(w.lineBuffer.data()), "L49");
  UpdateTextWriter(w, font, 2 + 50 * 4);
  EXPECT_EQ(std::string(w.lineBuffer.data()), "L00");
  EXPECT_EQ(w.nextLine, 1);
  EXPECT_EQ(w.charIndex, 1);
}

TEST(TextWriter, AnUnsetRateNeverTypes) {
  const PcxImage font = TestFont();
  TextWriter w = FreshWriter();
  SetTextPage(w, 10, 20, 0, 0, 360, 0, MakePage({"A"}));
  UpdateTextWriter(w, font, 100);
  UpdateTextWriter(w, font, 10000);
  EXPECT_EQ(GlyphPixels(w.overlay), 0);
}

TEST(DrawText, NinePixelsACharacterAgainstTheTypewritersEight) {
  const PcxImage font = TestFont();
  Frame frame;
  DrawText(font, "A B\tC", 40, 50, frame.pixels.data());
  EXPECT_EQ(GlyphAt(frame.pixels.data(), 40, 50), 'A');
  EXPECT_EQ(GlyphAt(frame.pixels.data(), 58, 50), 'B');
  EXPECT_EQ(GlyphAt(frame.pixels.data(), 76, 50), 'C');
  // The glyph's own pixels, transparent ones left alone.
  EXPECT_EQ(frame.at(40 + 3, 50 + 14), GlyphPixel('A', 14, 3));
  EXPECT_EQ(frame.at(40 + 7, 50), 0u);

  TextWriter w = FreshWriter();
  SetTextPage(w, 40, 50, 0, 0, 360, 1, MakePage({"A B\tC"}));
  UpdateTextWriter(w, font, 1);
  UpdateTextWriter(w, font, 6);
  EXPECT_EQ(GlyphAt(w.overlay.data(), 40, 50), 'A');
  EXPECT_EQ(GlyphAt(w.overlay.data(), 56, 50), 'B');
  EXPECT_EQ(GlyphAt(w.overlay.data(), 72, 50), 'C');
}

TEST(DrawText, StaysInsideTheImageAndTheFont) {
  struct Case {
    const char* name;
    std::string text;
    int x, y;
    int pixels;  // glyph pixels that land in the frame
  };
  const Case cases[] = {
      {"inside", "AB", 100, 100, 2 * 7 * 15},
      {"past the right edge, not onto the next row", "A", 508, 100, 4 * 15},
      {"past the bottom", "A", 100, 380, 7 * 4},
      {"above the top", "A", 100, -10, 7 * 5},
      {"left of the frame", "A", -5, 0, 2 * 15},
      {"far outside", "AAAA", 9000, -9000, 0},
      {"code 127 is past the strip", "\x7F", 100, 100, 0},
      {"codes 128 and up have no glyph", "\x80\xFF" "A", 100, 100, 7 * 15},
  };
  const PcxImage font = TestFont();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame;
    DrawText(font, c.text.c_str(), c.x, c.y, frame.pixels.data());
    EXPECT_EQ(GlyphPixels(frame.pixels), c.pixels);
    EXPECT_TRUE(frame.GuardIntact());
  }
  // Codes beyond the last glyph only take their room.
  Frame frame;
  DrawText(font, "\x80\xFF" "A", 100, 100, frame.pixels.data());
  EXPECT_EQ(GlyphAt(frame.pixels.data(), 118, 100), 'A');

  // A strip too short for a code leaves that code out, and a missing font
  // draws nothing.
  PcxImage shortFont = fixtures::Picture(8 * 2, 15, [](int, int) { return 0x00FFFFFFu; });
  Frame small;
  DrawText(shortFont, "!\"#", 0, 0, small.pixels.data());
  EXPECT_EQ(GlyphPixels(small.pixels), 2 * 8 * 15);
  Frame none;
  DrawText(PcxImage{}, "ABC", 0, 0, none.pixels.data());
  EXPECT_EQ(GlyphPixels(none.pixels), 0);
}

TEST(OverlayText, OnlyTheOverlaysNonBlackPixelsReplaceTheFrame) {
  TextWriter w = FreshWriter();
  w.overlay[0] = 0x00FF0000;
  w.overlay[kFramePixels - 1] = 0x00000001;
  Frame frame(0x00336699);
  OverlayText(w, frame.target, 0);
  EXPECT_EQ(frame.pixels[0], 0x00FF0000u);
  EXPECT_EQ(frame.pixels[1], 0x00336699u);
  EXPECT_EQ(frame.pixels[kFramePixels - 1], 0x00000001u);
  EXPECT_TRUE(frame.GuardIntact());
  // A writer that was never created lays nothing over the frame.
  Frame other(0x00336699);
  OverlayText(TextWriter{}, other.target, 0);
  EXPECT_EQ(other.pixels[0], 0x00336699u);
}

}  // namespace
