#pragma once
// Scene 2's own state, readable by tests: the sprite cloud's rotation in degrees (about x, y, z), set
// by scene2Start and changed by scene2Post, read by scene2Render.

namespace scenes {

struct CloudAngles {
  float ax, ay, az;
};
extern CloudAngles cloudAngles;

}  // namespace scenes
