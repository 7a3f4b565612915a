// The show's six scenes. Object 0 of scenes 0 to 4 shares one vertex
// numbering (a subdivided cube), so the ball can melt into each of the
// other four shapes; scene 5 is the closing knot.
#pragma once
#include <string>

#include "assetgen/tds_writer.h"

namespace scenes {

constexpr int kCubeCells = 6;  // cells along each edge of the shared cube lattice

// Scene k of the show, in loading order (0 "X_BALL.3DS" … 5 "X_DAOBJ.3DS").
tds::SceneData Build(int k);

}  // namespace scenes
