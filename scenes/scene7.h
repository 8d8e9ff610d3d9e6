#pragma once
// Scene 7, the closing scene (121,920 ms to the end): a flower on a patch of ground under a sky that
// fades from black to blue, a butterfly that flies down onto the flower and rests there, a picture in
// the sky, a two-line title and nine credit lines. From 150,000 ms the closing picture drops the ground
// and the leaves and fades all but the butterfly within four seconds; from 154,000 ms the sky darkens
// to black.
//
// The scene's own state, read by the render procedures and advanced by the post procedure. Positions
// are in world units; the flower is drawn in the frame of flowerPos (the foot of its stalk). Grass
// blades live in particles5, records 1 to 100 (values 1-3 the base, 4-6 the tip); record 0 stays zero
// and adds one blade at the foot of the stalk in the filled pass.

#include "engine/camera.h"

#include <cstdint>

namespace scenes {

// The value currentScene holds once the set-up has run.
constexpr std::int32_t scene7Code = 990;

extern engine::Vector3 flowerPos;     // (-1, -1, -3) after the set-up, never changed
extern engine::Vector3 butterflyPos;  // the butterfly's hinge point
extern float wingPhase;               // wing opening, 0 (closed) to 2 (60 degrees apart)

}  // namespace scenes
