// The schedule in words, for viewers: one line per window, read from the
// schedule the director runs.
#pragma once
#include <array>
#include <string>

#include "director/director.h"

// What each window of kSchedule shows, in the schedule's order.
extern const std::array<const char*, kScheduleWindows> kWindowContents;

// "  2   20.000   54.000  <contents>\n" for every window.
std::string TimetableText();
