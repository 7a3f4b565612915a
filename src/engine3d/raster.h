// The drawing modes of the 3D objects and the pixel primitives under them.
// Every fill and line mixes half of its colour with half of what is there;
// there is no depth buffer, only the painter's order of the faces.
#pragma once
#include <cstdint>
#include <vector>

#include "base/frame.h"
#include "base/pixels.h"
#include "engine3d/scene.h"

constexpr float kFocal = 256;
constexpr float kCentreX = 256, kCentreY = 192;

// The faces of one object in drawing order, nearest first, and their keys.
struct DepthOrder {
  std::vector<int32_t> faceOrder;
  std::vector<int32_t> depthKeys;
};

inline int32_t ScreenX(float cx, float cz) { return TruncOrIndefinite(cx * kFocal / cz + kCentreX); }
inline int32_t ScreenY(float cy, float cz) { return TruncOrIndefinite(cy * kFocal / cz + kCentreY); }

// A face cut at the camera plane: up to four points in camera space.
struct ClipBuffer {
  float points[4][3];
  int count = 0;
};

void DrawDots(const SceneObject& object, const DepthOrder& order, uint8_t r, uint8_t g, uint8_t b,
              uint32_t* pixels);
void DrawWire(const SceneObject& object, const DepthOrder& order, uint32_t colour, uint32_t* pixels);
void DrawFlat(const SceneObject& object, const DepthOrder& order, uint32_t* pixels, int32_t cull);
void DrawShaded(const SceneObject& object, const DepthOrder& order, uint32_t* pixels, int32_t cull);

// Fills `clip` with face `face` of the object cut at z = 0; returns the
// point count (0, 3 or 4).
float ClipNearPlane(const SceneObject& object, int face, ClipBuffer& clip);
int EdgeSide(int32_t xa, int32_t ya, int32_t xb, int32_t yb, int32_t xc, int32_t yc);
void FillTriangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  uint32_t colour, uint32_t* pixels);
void BlendSpan(int32_t x0, int32_t x1, int32_t y, uint32_t colour, uint32_t* pixels);
void BlendLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour, uint32_t* pixels);
void PlotDot(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b, uint32_t* pixels);
// Each pixel becomes the average of its smoothed left neighbour and its
// right, lower and upper neighbours; the rows above and below must exist.
// `useMmx` takes the packed form: the same pixels.
void SmoothRow(uint32_t* first, int32_t count, int useMmx);
