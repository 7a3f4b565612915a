// The vertex morph: one mesh melts into another with the same vertex
// numbering, 3/128 of the aimed distance per step.
#pragma once
#include "engine3d/scene.h"

// Vertex i of `moving` is aimed at vertex i of `target`. Vertices the target
// has no partner for stay where they are.
void MorphAim(SceneObject& moving, const SceneObject& target);
void MorphStep(SceneObject& moving);
