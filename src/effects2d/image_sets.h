// Two picture sets the loading phase prepares and keeps though no scene
// draws them: the logo set with its particles and the raster set with its
// distance and angle tables. Building them still reads their files and
// takes the logo particles' random numbers, which every later user of the
// generator depends on.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "effects2d/pcx.h"
#include "base/crt_random.h"

constexpr int kLogoBufferBytes = 614400;
constexpr int kLogoParticles = 40;
constexpr int kRasterBufferBytes = 12288;
constexpr int kRasterTableWidth = 128, kRasterTableHeight = 96;
constexpr int kRasterPictures = 8;
constexpr int kRasterFrames = 16;

// Seven 32-bit fields; only three start with a value.
struct LogoParticle {
  int32_t field0 = 0, field1 = 0;
  float field2 = 0;  // 20..89
  int32_t field3 = 0;
  float field4 = 0;
  int32_t field5 = 0;
  float field6 = 0;
};

struct LogoSet {
  std::vector<uint8_t> buffer1, buffer2;  // cleared
  PcxImage image;                         // "quibb.pcx"
  std::array<LogoParticle, kLogoParticles> particles{};
};

struct RasterSet {
  std::vector<uint8_t> buffer;    // left unfilled
  std::vector<uint8_t> distance;  // 96 rows × 128, distance from (64, 48)
  std::vector<uint8_t> angle;     // 96 rows × 128, angle about (64, 48), 256 to a turn
  std::array<int32_t, kRasterFrames> frames{};
  std::array<PcxImage, kRasterPictures> pictures;  // "raster1.pcx" .. "raster8.pcx"
};

// Clears the buffers, starts the 40 particles (three numbers from `random`
// each) and loads "quibb.pcx"; returns the load's result.
int SetUpLogoSet(LogoSet& logo, CrtRandom& random, PictureErrors& errors);

void BuildRasterTables(RasterSet& raster);
// Makes the buffers and tables, loads the eight pictures and sets the frame
// sequence. Returns 1 when every picture loaded.
int SetUpRasterSet(RasterSet& raster, PictureErrors& errors);
