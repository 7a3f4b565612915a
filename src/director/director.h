// The director: the frame step, the 22 windows of the schedule and every
// value that moves the show along.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "director/landscape.h"
#include "effects2d/keypath.h"

struct Demo;

constexpr int kScheduleWindows = 22;
constexpr int kFlares = 40;

struct Director {
  // Animated values, all single precision.
  float orbitYaw = 0, orbitPitch = 0, orbitRoll = 0;
  std::array<float, 9> orbitMatrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::array<float, kFlares> flarePhase{};
  float fadeInLevel = 0;
  float bumpRise = 0, bumpFall = 255;
  float imageRise = 0, imageFall = 255;
  float overlayRise = 0, overlayFall = 255;
  float tunnelFade = 255, closingFade = 255;
  float morphWeight = 1.0f;
  float smoothSeconds = 0;
  float cameraPathPos = 0;
  float rotoPhase = 0;
  float wobblePhase = 0;
  int32_t landX = 0, landY = 0, landHeading = 0;

  // One-shot flags.
  int32_t pageStage = 0;
  int32_t greetPageSet = 0;
  int32_t bordersDone = 0;

  KeyPath flarePath, cameraEyePath, cameraTargetPath, lightPath1, lightPath2, lightPath3;

  // Which windows have run (bit w for window w), and the last one.
  uint32_t visitedWindows = 0;
  int lastWindow = 0;
};

// One window of the timetable: when it runs, what a frame of it does, and
// what it shows, in words for viewers.
struct ScheduleEntry {
  uint32_t from, to;  // from ≤ t < to, milliseconds
  void (*recipe)(Demo&);
  const char* contents;
};
extern const std::array<ScheduleEntry, kScheduleWindows> kSchedule;

// 1..22 for the window that holds demo time t, 0 from the end on.
int ScheduleWindow(uint32_t t);
int WindowsVisited(const Director& director);

// Fills the six paths and the flares' starting phases.
void FillPaths(Director& director);
void FillFlarePhases(Director& director);

void DemoFrame(Demo& demo);

// The schedule in words: "  2   20.000   54.000  <contents>\n" for every
// window.
std::string TimetableText();
