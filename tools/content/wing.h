#pragma once
// The butterfly's wing, drawn in code: a right-hand pair of fore and hind wing as the last scene shows
// it, hinged along the left edge of the picture (s = 0) with its tip towards the right (s = 1), the
// top of the picture up. Three layers of one shape, each white on black: the silhouette (which cuts
// the coloured wing out), the dark pattern drawn over it (a border with a row of pale spots left open,
// the veins, the body and an antenna), and the spots themselves (which the colour picture gets).

#include "tools/content/canvas.h"

namespace content {

GreyCanvas drawWingSilhouette(int size);
GreyCanvas drawWingPattern(int size);
GreyCanvas drawWingSpots(int size);

}  // namespace content
