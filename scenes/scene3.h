#pragma once
// The band of scene 3: a triangle strip below the disc's centre, drawn with the flare and then plain.
// Its vertices lie in the disc's plane (z 0); a textured vertex's coordinates swing with the clock t as
// sin(t / period), a period of 0 standing for a fixed coordinate of 0. The last vertex is black.

namespace scenes {

struct BandVertex {
  double x, y;
  double sPeriod, tPeriod;
};

inline constexpr BandVertex bandStrip[17] = {
    {-0.21, -0.15, 0, 500},  {-0.14, -0.21, 1200, 800}, {-0.11, -0.038, 1100, 0}, {-0.06, -0.25, 0, 0},
    {-0.06, -0.038, 0, 800}, {0, -0.264, 600, 500},     {0, -0.038, 700, 0},      {0.06, -0.262, 0, 0},
    {0.06, -0.038, 0, 900},  {0.12, -0.248, 1000, 600}, {0.12, -0.038, 700, 0},   {0.18, -0.22, 0, 0},
    {0.18, -0.038, 0, 800},  {0.24, -0.176, 700, 800},  {0.24, -0.036, 600, 0},   {0.295, -0.105, 0, 0},
    {0.34, -0.036, 0, 800},
};

}  // namespace scenes
