#include "director/pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "director/console_line.h"
#include "effect_fixtures.h"

namespace {

std::string Line(const TextPage& page, int k) {
  const char* slot = &page[size_t(k) * kPageSlot];
  return std::string(slot, strnlen(slot, kPageSlot));
}

// Every slot holds its NUL, and nothing follows it in the slot.
void ExpectWellFormed(const TextPage& page) {
  for (int k = 0; k < kPageLines; ++k) {
    const char* slot = &page[size_t(k) * kPageSlot];
    size_t n = strnlen(slot, kPageSlot);
    ASSERT_LT(n, size_t(kPageSlot)) << "slot " << k;
    for (size_t i = n; i < size_t(kPageSlot); ++i) ASSERT_EQ(slot[i], '\0') << "slot " << k;
  }
}

TEST(Pages, EachPageKeepsItsLayout) {
  struct Case {
    const char* name;
    const TextPage& page;
    int lines;      // lines used, 0 … lines − 1
    size_t longest;
    int blankFrom;  // lines from here on are a single space (lines for none)
  };
  const Case cases[] = {
      {"story 1", StoryText(1), 21, 26, 21},
      {"story 2", StoryText(2), 21, 25, 21},
      {"story 3", StoryText(3), 24, 29, 18},
      {"story 4", StoryText(4), 24, 37, 24},
      {"greetings", GreetingsText(), 25, 49, 23},
      {"MMX listing", MmxListing(), 28, 49, 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectWellFormed(c.page);
    for (int k = 0; k < kPageLines; ++k) {
      std::string line = Line(c.page, k);
      if (k >= c.lines) {
        EXPECT_EQ(line, "") << "line " << k;
        continue;
      }
      EXPECT_LE(line.size(), c.longest) << "line " << k << ": " << line;
      // A blank line is one space, never an empty slot, so it costs the
      // typewriter a step like the original's.
      EXPECT_FALSE(line.empty()) << "line " << k;
      if (k >= c.blankFrom) {
        EXPECT_EQ(line, " ") << "line " << k;
      }
    }
  }
  // The story has something to say on every page.
  for (int k = 1; k <= kStoryPages; ++k) EXPECT_GT(Line(StoryText(k), 0).size(), 3u);
}

TEST(Pages, GreetingsAlternateBlankAndIndentedNames) {
  const TextPage& page = GreetingsText();
  EXPECT_NE(Line(page, 0)[0], ' ') << "a heading";
  std::set<std::string> names;
  for (int k = 1; k <= 22; ++k) {
    std::string line = Line(page, k);
    if (k % 2 == 1) {
      EXPECT_EQ(line, "   ") << "line " << k;
    } else {
      ASSERT_GT(line.size(), 3u) << "line " << k;
      EXPECT_EQ(line.substr(0, 2), "  ") << "line " << k;
      EXPECT_NE(line[2], ' ') << "line " << k;
      names.insert(line);
    }
  }
  EXPECT_EQ(names.size(), 11u) << "eleven different names";
}

TEST(Pages, TheMmxListingsIndents) {
  struct Case {
    int line;
    const char* text;
  };
  const Case cases[] = {
      {0, "test eax, eax"},       {1, "jz @no_draw"},          {2, "  movd MM1, eax"},
      {5, "  movd MM0, dword ptr [esi]"}, {12, "  paddusb MM0, MM2"},
      {13, "\t punpcklbw MM0, MM7"}, {16, "  packuswb MM0, MM7"},  {17, "@no_draw:"},
      {18, "movd MM5, dword ptr [edi]"}, {26, "movd dword ptr [edi], MM0"}, {27, "emms"},
  };
  for (const Case& c : cases) EXPECT_EQ(Line(MmxListing(), c.line), c.text) << "line " << c.line;
  int indented = 0;
  for (int k = 0; k < 28; ++k) indented += Line(MmxListing(), k).rfind("  ", 0) == 0;
  EXPECT_EQ(indented, 14) << "lines 2 to 16 but the tabbed one";
}

TEST(Pages, MakePageCutsWhatWouldNotFitItsSlot) {
  std::string longLine(60, 'x');
  TextPage page = MakePage({"a", longLine.c_str()});
  ExpectWellFormed(page);
  EXPECT_EQ(Line(page, 0), "a");
  EXPECT_EQ(Line(page, 1), std::string(49, 'x'));
  EXPECT_EQ(Line(page, 2), "");
}

// A font whose glyph for each code is filled with that code's number.
PcxImage CodeFont() {
  return fixtures::Picture(94 * 8, 15, [](int x, int) { return uint32_t(x / 8 + 33); });
}

TEST(ConsoleLine, ShowsTheListingsLinesInTurn) {
  const PcxImage font = CodeFont();
  ConsoleLine console;
  for (int frame = 0; frame < 34; ++frame) {
    SCOPED_TRACE(frame);
    fixtures::Frame f;
    DrawConsoleLine(console, font, 10, 366, f.target);
    EXPECT_EQ(console.consoleLineCounter, uint32_t(frame + 1));
    // Read the line back off the frame, glyph by glyph, 9 pixels apart.
    const char* want = kConsoleListing[frame % 16];
    std::string read;
    for (size_t i = 0; i < std::strlen(want); ++i) {
      uint32_t p = f.at(10 + 9 * int(i), 366 + 14);
      read += p ? char(p) : ' ';
    }
    EXPECT_EQ(read, want);
    EXPECT_EQ(f.at(10 + 9 * int(std::strlen(want)), 366), 0u) << "nothing after the line";
  }
  // The counter wraps through its low four bits only.
  console.consoleLineCounter = 0xFFFFFFFFu;
  fixtures::Frame f;
  DrawConsoleLine(console, font, 10, 366, f.target);
  EXPECT_EQ(f.at(10, 366), uint32_t('S'));  // line 15, "STA #$01"
  EXPECT_EQ(console.consoleLineCounter, 0u);
}

TEST(ConsoleLine, ListingFitsItsSlots) {
  const char* first[] = {"LDA #0", "STA $02", "LDA #$16", "STA $03"};
  for (int k = 0; k < 4; ++k) EXPECT_STREQ(kConsoleListing[k], first[k]);
  EXPECT_STREQ(kConsoleListing[11], "JSR #$FFD2");
  EXPECT_STREQ(kConsoleListing[13], "BNE #$1402");
  for (const auto& line : kConsoleListing) EXPECT_LT(strnlen(line, kConsoleSlot), size_t(kConsoleSlot));
}

}  // namespace
