// Ray-cast scenes: the inside of a cylinder (the tunnel), a floor and a
// ceiling (the planes) and a blend of the two, lit by three coloured point
// lights. Rays are cast only at the corners of 8 × 8 blocks; the blocks are
// filled by interpolating between them. They draw frame rows 64 to 319.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "effects2d/keypath.h"
#include "effects2d/pcx.h"

constexpr int kTraceLights = 4;  // only the first three are lit
constexpr int kLitLights = 3;
constexpr int kGridColumns = 65, kGridRows = 49;
constexpr int kBandTop = 64, kBandBottom = 320;  // rows the scenes draw, top ≤ y < bottom
constexpr int kTraceTextureSide = 256;

struct TraceLight {
  std::array<uint32_t, 256> ramp{};  // 0x00RRGGBB, darkest first
  Vec3 position;
};

struct GridVertex {
  int16_t u = 0;  // texture row
  int16_t v = 0;  // texture column
  uint32_t light = 0;  // the lights' colours summed at the hit point
  uint32_t shade = 0;  // 0..255, the texture's brightness
};

struct TraceScene {
  Vec3 eye{0, 0, 0};
  Vec3 target{0, 0, 1};
  Vec3 right, up, forward;  // written by every draw
  float radius = 256.0f;
  std::vector<TraceLight> lights;
  std::vector<GridVertex> grid;  // vertex (c, r) at r × 65 + c
};

// The start values: eye at the origin looking along +z, radius 256, four
// cleared lights and the vertex grid.
void InitTraceScene(TraceScene& scene);

// Fills one light's colour ramp: a cosine falloff with a highlight.
void BuildLightRamp(std::array<uint32_t, 256>& ramp, float kR, float kG, float kB, float highlight,
                     float exponent, float offset);

enum class TraceSurface { kTunnel, kPlanes, kMorph };

// The vertex one ray from the eye along `direction` gives: where it meets the
// surface, how the three lights and the distance light it, and its texture
// coordinates. `m` is the morph's weight (read by the morph only).
GridVertex TraceVertex(const TraceScene& scene, const Vec3& direction, TraceSurface surface, float m);

// One frame of each scene, from the eye, target and light positions the
// caller set. A texture that is not 256 pixels wide and at least 256 rows
// draws nothing. `useMmx` makes the tunnel and the morph use the packed
// fill, whose green falls up to 2 below the plain fill's; the planes have
// only the plain fill's pixels, which `useMmx` draws with the packed form of
// the plain rule.
void DrawTunnel(TraceScene& scene, const PcxImage& texture, RenderTarget& target, int useMmx);
void DrawPlanes(TraceScene& scene, const PcxImage& texture, RenderTarget& target, int useMmx);
// m = 0 is the tunnel's geometry, 1 the planes'.
void DrawMorph(TraceScene& scene, float m, const PcxImage& texture, RenderTarget& target, int useMmx);
