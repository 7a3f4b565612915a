// The texts the show types and prints: the MMX listing of the opening, the
// greetings, the four story pages, and the console's 6502 listing.
#pragma once
#include <initializer_list>

#include "director/text_writer.h"

constexpr int kConsoleLines = 16;
constexpr int kConsoleSlot = 12;
extern const char kConsoleListing[kConsoleLines][kConsoleSlot];

constexpr int kStoryPages = 4;

// Lines in slots of 50 bytes, each NUL-terminated, the rest of the page NUL.
// A line too long for its slot is cut to 49 characters.
TextPage MakePage(std::initializer_list<const char*> lines);

const TextPage& MmxListing();
const TextPage& GreetingsText();
const TextPage& StoryText(int k);  // k = 1 … 4
