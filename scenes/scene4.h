#pragma once
// The bird of scene 4, drawn on its own.
//
// drawBird draws one black bird centred at (x, y, z), its body along x and its wings along z, with the
// wings at the phase of `time` (milliseconds): the wing joints rise and fall by sin(time / 800) / 2, the
// tips by sin((time - 250) / 800), so the tips trail the joints by 250 ms and a beat lasts about five
// seconds. It draws the bird filled at alpha 0.5, then its outline opaque with the polygon mode set to
// lines, and leaves the polygon mode filled on both faces and the colour opaque black. It neither binds
// a texture nor changes blending; every vertex carries a texture coordinate.

#include <cstdint>

namespace scenes {

void drawBird(double x, double y, double z, std::int32_t time);

}  // namespace scenes
