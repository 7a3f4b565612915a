#include "director/pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>

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
    EXPECT_EQ(std::count(slot + strnlen(slot, kPageSlot), slot + kPageSlot, '\0'), kPageSlot - Line(page, k).size())
        << "slot " << k;
    ASSERT_LT(Line(page, k).size(), size_t(kPageSlot)) << "slot " << k;
  }
}

TEST(Pages, EachPageKeepsItsLayout) {
  // A page, its lines used (0 … lines − 1), its longest line, and where the
  // lines of a single space begin (lines for none). A blank line is one
  // space, never an empty slot, so it costs the typewriter a step.
  const std::tuple<const TextPage&, int, size_t, int> cases[] = {
      {StoryText(1), 21, 26, 21}, {StoryText(2), 21, 25, 21},     {StoryText(3), 24, 29, 18},
      {StoryText(4), 24, 37, 24}, {GreetingsText(), 25, 49, 23}, {MmxListing(), 28, 49, 28}};
  for (const auto& [page, lines, longest, blankFrom] : cases) {
    SCOPED_TRACE(Line(page, 0));
    ExpectWellFormed(page);
    for (int k = 0; k < kPageLines; ++k) {
      std::string line = Line(page, k);
      EXPECT_TRUE(k >= lines ? line.empty() : k >= blankFrom ? line == " " : !line.empty() && line.size() <= longest)
          << k << ": " << line;
    }
  }
}

TEST(Pages, GreetingsAlternateBlankAndIndentedNames) {
  const TextPage& page = GreetingsText();
  EXPECT_NE(Line(page, 0)[0], ' ') << "a heading";
  std::set<std::string> names;
  for (int k = 1; k <= 22; ++k) {
    std::string line = Line(page, k);
    EXPECT_TRUE(k % 2 ? line == "   " : line.size() > 3 && line.substr(0, 2) == "  " && line[2] != ' ') << k;
    if (k % 2 == 0) names.insert(line);
  }
  EXPECT_EQ(names.size(), 11u) << "eleven different names";
}

TEST(Pages, TheMmxListingsIndentsAndMakePageCutsWhatWouldNotFitItsSlot) {
  // Plain, indented, tabbed, a label, the last line.
  for (auto [k, text] : {std::pair{0, "test eax, eax"}, {2, "  movd MM1, eax"}, {13, "\t punpcklbw MM0, MM7"},
                         {17, "@no_draw:"}, {27, "emms"}})
    EXPECT_EQ(Line(MmxListing(), k), text) << "line " << k;
  int indented = 0;
  for (int k = 0; k < 28; ++k) indented += Line(MmxListing(), k).rfind("  ", 0) == 0;
  EXPECT_EQ(indented, 14) << "lines 2 to 16 but the tabbed one";
  TextPage page = MakePage({"a", std::string(60, 'x').c_str()});
  ExpectWellFormed(page);
  EXPECT_EQ(std::make_tuple(Line(page, 0), Line(page, 1), Line(page, 2)), std::make_tuple("a", std::string(49, 'x'), ""));
}

TEST(ConsoleLine, ShowsTheListingsLinesInTurn) {
  // A font whose glyph for each code is filled with that code's number.
  const PcxImage font = fixtures::Picture(94 * 8, 15, [](int x, int) { return uint32_t(x / 8 + 33); });
  ConsoleLine console;
  for (int frame = 0; frame < 34; ++frame) {
    SCOPED_TRACE(frame);
    fixtures::Frame f;
    DrawConsoleLine(console, font, 10, 366, f.target);
    EXPECT_EQ(console.consoleLineCounter, uint32_t(frame + 1));
    // Read the line back off the frame, glyph by glyph, 9 pixels apart.
    const std::string want(kConsoleListing[frame % 16], strnlen(kConsoleListing[frame % 16], kConsoleSlot));
    ASSERT_LT(want.size(), size_t(kConsoleSlot));
    std::string read;
    for (int i = 0; i <= int(want.size()); ++i) read += f.at(10 + 9 * i, 380) ? char(f.at(10 + 9 * i, 380)) : ' ';
    EXPECT_EQ(read, want + " ") << "nothing after the line";
  }
  // The counter wraps through its low four bits only: line 15, "STA #$01".
  console.consoleLineCounter = 0xFFFFFFFFu;
  fixtures::Frame f;
  DrawConsoleLine(console, font, 10, 366, f.target);
  EXPECT_EQ(std::make_pair(f.at(10, 366), console.consoleLineCounter), std::make_pair(uint32_t('S'), 0u));
}

}  // namespace
