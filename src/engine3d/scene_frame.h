// One frame of a 3D scene: aim the camera, turn and move the objects, bring
// their vertices into camera space, order their faces by depth, wobble them
// and draw them. Every motion accumulates from frame to frame.
#pragma once
#include <cstdint>

#include "base/vec3.h"
#include "engine3d/raster.h"
#include "engine3d/scene.h"

void AimCamera(SceneCamera& camera);
// Turns the object by the three angles and moves it by d turned by the same
// angles (this frame's turn only).
void RotateMoveObject(SceneObject& object, float ax, float ay, float az, Vec3 d);
void TransformObject(SceneObject& object, const SceneCamera& camera);
// Room is made if the arrays are smaller than the object's face count.
void BuildDepthKeys(const SceneObject& object, DepthOrder& order);
void SortFaces(DepthOrder& order, int32_t lo, int32_t hi);
void WobbleVertices(float time, SceneObject& object);
// Draws every object by its drawMode, each in the depth order of its own
// faces. The camera is not read: the vertices are in camera space already.
void DrawScene(const Scene& scene, const SceneCamera& camera, uint32_t* pixels, DepthOrder& order,
               uint32_t wireColour, int32_t cull);
// The wire ball beside the ray-cast scenes: scene 0, one frame.
void DrawBallScene(Scene& scene, DepthOrder& order, float wobblePhase, uint32_t* pixels);
