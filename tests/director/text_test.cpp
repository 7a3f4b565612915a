#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

#include "director/console_line.h"
#include "director/pages.h"
#include "director/text_writer.h"
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

TEST(Pages, EachPageKeepsItsLayoutAndMakePageCutsWhatWouldNotFit) {
  // A page, its lines used (0 … lines − 1), its longest line, and where the
  // lines of a single space begin (lines for none). A blank line is one
  // space, never an empty slot, so it costs the typewriter a step.
  const TextPage made = MakePage({"a", std::string(60, 'x').c_str()});
  const std::tuple<const TextPage&, int, size_t, int> cases[] = {
      {StoryText(1), 21, 26, 21}, {StoryText(2), 21, 25, 21},     {StoryText(3), 24, 29, 18},
      {StoryText(4), 24, 37, 24}, {GreetingsText(), 25, 49, 23}, {MmxListing(), 28, 49, 28},
      {made, 2, 49, 2}};
  // MakePage cuts what would not fit its slot.
  EXPECT_EQ(Line(made, 0) + Line(made, 1), "a" + std::string(49, 'x'));
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

using fixtures::Frame;

// A font strip for codes 33 to 126 whose pixels tell the glyph, the row and
// the column they came from; the last column of each cell is empty.
const PcxImage kFont = fixtures::Picture(94 * 8, 15, [](int x, int y) -> uint32_t {
  return x % 8 == 7 ? 0 : uint32_t(x / 8 + 1) << 16 | uint32_t(y) << 4 | uint32_t(x % 8 + 1);
});

// The glyphs whose top-left pixels sit at (x, y), (x + advance, y), …: a
// space where there is none.
std::string Read(const std::vector<uint32_t>& image, int x, int y, int advance, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    uint32_t p = image[size_t(y) * kFrameWidth + size_t(x + advance * i)];
    text += p == 0 || (p & 0xFF) != 1 || (p >> 4 & 15) != 0 ? ' ' : char((p >> 16) - 1 + 33);
  }
  return text;
}

int GlyphPixels(const std::vector<uint32_t>& image) {
  return int(kFramePixels - std::count(image.begin(), image.begin() + kFramePixels, 0u));
}

// A writer created over one that was used.
TextWriter Created() {
  TextWriter w;
  w.x = 99, w.y = 7, w.homeX = 1, w.lineLimit = 3, w.linePending = 0, w.lastTypeMs = 5;
  w.overlay.assign(10, 7);
  CreateTextWriter(w);
  return w;
}

// A created writer given a page and updated at each of the times.
TextWriter Typed(int32_t x, int32_t y, int32_t lineAdvance, uint32_t msPerChar, const TextPage& page,
                 std::vector<uint32_t> times) {
  TextWriter w = Created();
  SetTextPage(w, x, y, 0, lineAdvance, 360, msPerChar, page);
  for (uint32_t t : times) UpdateTextWriter(w, kFont, t);
  return w;
}

TEST(TextWriter, CreatedAndGivenAPageTakesOnlyTheArgumentsInRange) {
  // x, y, character and line advance and line limit given; what is taken.
  const std::array<int32_t, 10> cases[] = {
      {10, 140, 0, 0, 360, 10, 140, 8, 10, 360},  // the show's page call
      {0, 0, 0, 0, 0, 15, 30, 8, 10, 354},         // nothing given: the start values
      {-5, -1, -8, -10, -1, 15, 30, 8, 10, 354},   // negatives are not given
      {3, 4, 12, 20, 1, 3, 4, 12, 20, 1},          // every field
      {1, 1, 1, 1, 368, 1, 1, 1, 1, 368},          // the last limit taken
      {1, 1, 1, 1, 369, 1, 1, 1, 1, 354}};          // a limit past the frame
  const TextPage page = MakePage({"one", "two"});
  for (const auto& [x, y, charAdvance, lineAdvance, lineLimit, homeX, homeY, wantAdvance, wantLine, wantLimit] : cases) {
    SCOPED_TRACE(testing::Message() << x << ", " << y << ", " << lineLimit);
    TextWriter w = Created();
    ASSERT_EQ(std::make_pair(w.overlay.size(), GlyphPixels(w.overlay)), std::make_pair(size_t(kFramePixels), 0));
    w.overlay[777] = 0x123456;
    w.charIndex = 5, w.nextLine = 9, w.linePending = 0, w.lastTypeMs = 4000;
    SetTextPage(w, x, y, charAdvance, lineAdvance, lineLimit, 17, page);
    EXPECT_EQ(std::tie(w.homeX, w.homeY, w.x, w.y, w.charAdvance, w.lineAdvance, w.lineLimit),
              std::tie(homeX, homeY, homeX, homeY, wantAdvance, wantLine, wantLimit));
    EXPECT_EQ(w.page, page);
    // The next line fetch resets the character index.
    EXPECT_EQ(std::make_tuple(w.msPerChar, w.linePending, w.nextLine, w.lastTypeMs, w.charIndex, w.overlay[777]),
              std::make_tuple(17u, 1, 0, 0u, 5, 0u));
  }
}

TEST(TextWriter, TypesAtItsRateOfDemoTime) {
  // The rate, the frames (the first one after the page), and the characters
  // on the overlay after each frame.
  const std::tuple<uint32_t, std::vector<uint32_t>, std::vector<int>> cases[] = {
      // 20 ms frames at 33 ms a character: every second frame types one and
      // drops 7 ms, so the rest never adds up to a second character.
      {33, {1000, 1020, 1040, 1060, 1080, 1100, 1120}, {0, 0, 1, 1, 2, 2, 3}},
      // The first update only records the time, however late it comes.
      {10, {90000, 90009, 90010, 90035}, {0, 0, 1, 3}},
      // Time that goes back restarts the count from there.
      {10, {5000, 5050, 4000, 4005, 4010}, {0, 5, 5, 5, 6}},
      // An unset rate never types.
      {0, {100, 10000}, {0, 0}}};
  const std::string abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (const auto& [msPerChar, times, typed] : cases) {
    TextWriter w = Typed(20, 35, 0, msPerChar, MakePage({abc.c_str()}), {});
    for (size_t f = 0; f < times.size(); ++f) {
      UpdateTextWriter(w, kFont, times[f]);
      const int n = typed[f];
      EXPECT_EQ(Read(w.overlay, 20, 35, 8, n + 1), abc.substr(0, size_t(n)) + " ") << "frame at " << times[f];
      EXPECT_EQ(w.x, 20 + 8 * n);
    }
  }
}

TEST(TextWriter, EveryLineCostsOneStepMoreThanItsCharacters) {
  // "AB", an empty line, "C": 3 + 1 + 2 steps; five steps are past "AB" and
  // the empty line, with "C" drawn.
  TextWriter w = Typed(10, 100, 0, 1, MakePage({"AB", "", "C"}), {1000, 1005});
  EXPECT_EQ(std::tie(w.x, w.y), std::make_tuple(18, 120));
  EXPECT_EQ(Read(w.overlay, 10, 100, 8, 2) + Read(w.overlay, 10, 120, 8, 1), "ABC");
  UpdateTextWriter(w, kFont, 1006);
  EXPECT_EQ(std::tie(w.x, w.y, w.linePending), std::make_tuple(10, 130, 1));
}

TEST(TextWriter, AFullPageStartsAgainAtLineZero) {
  TextPage page{};
  for (int k = 0; k < kPageLines; ++k) std::snprintf(&page[size_t(k) * kPageSlot], kPageSlot, "L%02d", k);
  // One pixel a line, so all 50 lines stay above the limit; every line
  // costs three characters and its end.
  TextWriter w = Typed(10, 1, 1, 1, page, {1, 1 + 50 * 4});
  EXPECT_EQ(std::make_pair(w.nextLine, std::string(w.lineBuffer.data())), std::make_pair(0, std::string("L49")));
  UpdateTextWriter(w, kFont, 2 + 50 * 4);
  EXPECT_EQ(std::string(w.lineBuffer.data()), "L00");
  EXPECT_EQ(std::tie(w.nextLine, w.charIndex), std::make_tuple(1, 1));
}

TEST(DrawText, StaysInsideTheImageAndTheFont) {
  // A text, where, and the glyph pixels that land in the frame: past the
  // right edge, not onto the next row; code 127 is past the strip, and
  // codes 128 and up have no glyph but take their room.
  const std::tuple<std::string, int, int, int> cases[] = {
      {"AB", 100, 100, 2 * 7 * 15}, {"A", 508, 100, 4 * 15}, {"A", 100, 380, 7 * 4},  {"A", 100, -10, 7 * 5},
      {"A", -5, 0, 2 * 15},         {"AAAA", 9000, -9000, 0}, {"\x7F", 100, 100, 0}, {"\x80\xFF" "A", 100, 100, 7 * 15},
  };
  for (const auto& [text, x, y, pixels] : cases) {
    Frame frame;
    DrawText(kFont, text.c_str(), x, y, frame.pixels.data());
    EXPECT_EQ(GlyphPixels(frame.pixels), pixels) << text << " at " << x << ", " << y;
    EXPECT_TRUE(frame.GuardIntact());
    EXPECT_TRUE(text[0] != '\x80' || Read(frame.pixels, 118, 100, 9, 1) == "A");
  }
  // A strip too short for a code leaves that code out, and a missing font
  // draws nothing.
  Frame small, none;
  DrawText(fixtures::Flat(8 * 2, 15, 0x00FFFFFF), "!\"#", 0, 0, small.pixels.data());
  DrawText(PcxImage{}, "ABC", 0, 0, none.pixels.data());
  EXPECT_EQ(std::make_pair(GlyphPixels(small.pixels), GlyphPixels(none.pixels)), std::make_pair(2 * 8 * 15, 0));
}

TEST(ConsoleLine, ShowsTheListingsLinesInTurnOnePerFrame) {
  ConsoleLine console;
  for (int frame = 0; frame < 18; ++frame) {
    Frame drawn, want;
    DrawConsoleLine(console, kFont, 20, 300, drawn.target);
    DrawText(kFont, kConsoleListing[frame % 16], 20, 300, want.pixels.data());
    EXPECT_EQ(drawn.pixels, want.pixels) << "frame " << frame;
  }
}

}  // namespace
