#pragma once
// Grass strands, as the tree scene and the bird scene grow and draw them. A strand is one particle:
// values 1-3 its foot, 4-6 its middle point, 7-9 its tip (world units).
//
// growStrand places the middle and the tip above a foot the scene has already placed, with six draws
// from the program's random generator in the order x, y, z of the middle, then x, y, z of the tip: the
// middle lies 0.05 to 0.1 above the foot, the tip 0.08 to 0.13 above the middle, each up to 0.05 aside.
//
// drawStrand draws one strand swaying with the clock t (milliseconds) as a five-vertex triangle strip:
// two foot corners 0.04 apart in the foot colour, a point above the foot at the middle's height in the
// middle colour, then two swaying points near the tip in the tip colour. Each strand sways with its own
// phase, taken from its foot position. It sets only the current colour; blending is the caller's.

#include "engine/particles.h"
#include "scenes/toolkit.h"

namespace scenes {

// Both scenes grow strandCount strands in particles5 and draw the first drawnStrands of them.
constexpr int strandCount = 2000;
constexpr int drawnStrands = 1200;

struct StrandColours {
  Rgba foot;
  Rgba middle;
  Rgba tip;
};

void growStrand(engine::Particle& strand);
void drawStrand(const engine::Particle& strand, double t, const StrandColours& colours);

}  // namespace scenes
