#include "director/pages.h"

#include <cstring>

const char kConsoleListing[kConsoleLines][kConsoleSlot] = {
    "LDA #0",   "STA $02", "LDA #$16",   "STA $03",  "ADD #$05", "TAY",        "LDX #$41", "CPX #0",
    "BEQ #$104", "TXA",    "ADC #$F0", "JSR #$FFD2", "CPX #$5B", "BNE #$1402", "ADC #$FF", "STA #$01",
};

TextPage MakePage(std::initializer_list<const char*> lines) {
  TextPage page{};
  int k = 0;
  for (const char* line : lines) {
    if (k == kPageLines) break;
    std::memcpy(&page[size_t(k) * kPageSlot], line, strnlen(line, kPageSlot - 1));
    ++k;
  }
  return page;
}

const TextPage& MmxListing() {
  // The inner loop of an additive blend, as it scrolls past at the start.
  static const TextPage page = MakePage({
      "test eax, eax",
      "jz @no_draw",
      "  movd MM1, eax",
      "  movq MM2, MM1",
      "  punpcklbw MM1, MM7",
      "  movd MM0, dword ptr [esi]",
      "  movd MM3, ebx",
      "  punpcklbw MM0, MM7",
      "  punpcklbw MM3, MM7",
      "  pmullw MM0, MM1",
      "  psrlw MM0, 6",
      "  packuswb MM0, MM7",
      "  paddusb MM0, MM2",
      "\t punpcklbw MM0, MM7",
      "  pmullw MM0, MM3",
      "  psrlw MM0, 8",
      "  packuswb MM0, MM7",
      "@no_draw:",
      "movd MM5, dword ptr [edi]",
      "movd MM4, edx",
      "punpcklbw MM5, MM7",
      "punpcklbw MM4, MM7",
      "pmullw MM5, MM4",
      "psrlw MM5, 8",
      "packuswb MM5, MM7",
      "paddd MM0, MM5",
      "movd dword ptr [edi], MM0",
      "emms",
  });
  return page;
}

const TextPage& GreetingsText() {
  static const TextPage page = MakePage({
      "greetings fly out to",
      "   ", "  Aster Quillon",
      "   ", "  Bram Holloway",
      "   ", "  Cato Nyreberg",
      "   ", "  Dagny Vellmark",
      "   ", "  Eero Stillwater",
      "   ", "  Fenna Ruusk",
      "   ", "  Gideon Marlowe",
      "   ", "  Hedda Kvarn",
      "   ", "  Ilari Tamsvik",
      "   ", "  Juno Falkreath",
      "   ", "  Kestrel Obi",
      " ",   " ",
  });
  return page;
}

namespace {

// Twenty-one lines of at most 26 characters.
const std::initializer_list<const char*> kStory1 = {
    "NIGHT SHIFT, RELAY NINE",
    " ",
    "At 03:12 the old dish on",
    "the ridge woke up.",
    " ",
    "No one had aimed it, no",
    "one had fed it power. It",
    "turned on its own and",
    "listened to the sky.",
    " ",
    "The signal came in bursts",
    "of four, then silence,",
    "then four again: a count",
    "that never reached five.",
    " ",
    "Operator Ilse Marrow took",
    "it all down by hand while",
    "the tape ran out.",
    " ",
    "By morning the numbers",
    "had become a map.",
};

// Twenty-one lines of at most 25 characters.
const std::initializer_list<const char*> kStory2 = {
    "THE CROSSING",
    " ",
    "She took the night train",
    "north, the map folded in",
    "her coat.",
    " ",
    "Past the last station",
    "the rails ran on through",
    "snow, and the lamps went",
    "out one by one.",
    " ",
    "The count in her head",
    "kept time with the rails:",
    "four, silence, four.",
    " ",
    "At dawn the train halted",
    "where no town had ever",
    "been drawn on any map.",
    " ",
    "She walked the rest of",
    "the way.",
};

// Twenty-four lines of at most 29 characters; the last six blank.
const std::initializer_list<const char*> kStory3 = {
    "THE VALLEY",
    " ",
    "Below the pass lay a valley",
    "lit from underneath, as if",
    "the ground were made of",
    "glass.",
    " ",
    "Towers of wire stood in rows,",
    "humming the count she had",
    "carried down from the ridge.",
    " ",
    "Nobody met her. The doors",
    "opened before she touched",
    "them, and every screen she",
    "passed showed her face a",
    "moment before she turned.",
    " ",
    "The machine had been waiting.",
    " ", " ", " ", " ", " ", " ",
};

// Twenty-four lines of at most 37 characters; the last two are typed
// below the writer's limit and never show.
const std::initializer_list<const char*> kStory4 = {
    "ARRIVAL",
    " ",
    "In the heart of the valley a ring",
    "turned slowly round a core of light.",
    " ",
    "Ilse set the tape on the console and",
    "pressed play. The count ran out:",
    "four, silence, four... and then five.",
    " ",
    "The ring stopped. Every tower fell",
    "quiet at once, and for the first",
    "time in a thousand nights the sky",
    "answered back.",
    " ",
    "What it said is not written here.",
    "Some messages are only for the one",
    "who makes the journey.",
    " ",
    "Relay Nine still stands on its ridge.",
    "On clear nights the dish turns north",
    "and listens.",
    " ",
    "                        - end of log",
    " ",
};

}  // namespace

const TextPage& StoryText(int k) {
  static const TextPage pages[kStoryPages] = {MakePage(kStory1), MakePage(kStory2), MakePage(kStory3),
                                              MakePage(kStory4)};
  if (k < 1) k = 1;
  if (k > kStoryPages) k = kStoryPages;
  return pages[k - 1];
}
