#include "director/timetable.h"

#include <cstdio>

const std::array<const char*, kScheduleWindows> kWindowContents = {
    "a machine picture with noise, a code listing typed out, 40 flares on a rotating ring; fade in from black",
    "the same with coloured bump-mapped lights rising and a console line",
    "a warped static texture between two scrolling tile columns; the lights fade out",
    "the warp and tile columns; a full-frame picture cross-fades in near the end",
    "the full-frame picture alone",
    "a rotating zoom that feeds back into its own texture; the picture fades out",
    "the rotating zoom",
    "greetings typed into the zoom and smeared by its feedback",
    "the rotating zoom; a second picture cross-fades in",
    "the second picture alone",
    "ray-cast planes with a tile and a ball scene between framing borders; the picture fades out",
    "ray-cast planes, tile and ball scene",
    "the planes morph into a tunnel",
    "ray-cast tunnel, tile and ball scene",
    "the tunnel; fade to black",
    "story page 1 typed over a picture and a morphing object",
    "story page 2; the object morphs towards a new shape",
    "story page 3; another shape",
    "story page 4; the last shape",
    "flight over a height-field landscape beside the swaying credits",
    "a wobbling wire-frame object on black, smoothed, with the logo",
    "the wire-frame object and logo; fade to black",
};

std::string TimetableText() {
  std::string text;
  for (int w = 0; w < kScheduleWindows; ++w) {
    const ScheduleEntry& e = kSchedule[w];
    char line[256];
    std::snprintf(line, sizeof line, "%2d %4u.%03u %4u.%03u  %s\n", w + 1, unsigned(e.from / 1000),
                  unsigned(e.from % 1000), unsigned(e.to / 1000), unsigned(e.to % 1000),
                  kWindowContents[w]);
    text += line;
  }
  return text;
}
