#pragma once
// The butterfly's wing, drawn in code: one right-hand pair of fore- and hind wing as the last scene
// shows it, hinged along the left edge of the picture (s = 0) with its tip towards the right (s = 1),
// the top of the picture up. Two masks of the same shape (white on black): the silhouette, which
// cuts the coloured wing out, and the dark pattern drawn over it (outline, veins, body, antenna).

#include "tools/content/canvas.h"

namespace content {

GreyCanvas drawWingSilhouette(int size);
GreyCanvas drawWingPattern(int size);

}  // namespace content
