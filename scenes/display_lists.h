#pragma once
// The fixed vegetation of scene 6, compiled once into OpenGL display lists by prepareScenes (declared
// in scenes.h) at start-up, before any scene draws random numbers:
//
// plantList    a bent stalk of three tapering segments standing on the origin and reaching (0, 3, 0),
//              with four leaves (one GL_QUADS group of 16 quads, one GL_TRIANGLES group of 4 leaf tips)
// blossomList  a bud of two four-sided pyramids and a ragged ring of petals around the stalk's top,
//              y from 2.9 to 4 (three GL_TRIANGLE_FAN groups of 6, 6 and 14 vertices)
// grassList    2000 blades on the ground square x, z from -15 to 14.9 at y = 0 (one GL_QUADS group)
//
// Model units, y up. Every vertex carries a texture coordinate and every face (every fan vertex from
// the fourth on) a unit normal; the lists hold no colour, binding or state change, so the caller sets
// those before glCallList. The plant's bend and the grass come from the program's random generator,
// so they are the same on every run as long as prepareScenes is its first user.
//
// The names are 0 until prepareScenes has run; the lists live until the GL context goes and are never
// rebuilt. Creation errors are not looked at.

#include <cstdint>

namespace scenes {

extern std::uint32_t plantList;
extern std::uint32_t blossomList;
extern std::uint32_t grassList;

}  // namespace scenes
