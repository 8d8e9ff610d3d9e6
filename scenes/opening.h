#pragma once
// The picture the demo opens with, shared by scenes 1 and 2: the wave points, the square picture, the
// sprite cloud and the flame composition (a wheel of eleven flare spokes, each with a strip through the
// wave points, two wisps and a crescent of four layers). Scene 1 fades it up; scene 2 holds it at
// constant strength, so both draw it with the same procedures and only the alphas differ.
//
// t is the demo clock in milliseconds; the motion uses S(P) = sin(t / P) and C(P) = cos(t / P).
// Positions, texture coordinates, angles and colours go to OpenGL as single-precision floats.
//
// OpenGL state: none of these procedures touches blending or depth testing (the scenes keep blending on
// and additive). Each says below what it leaves enabled and bound. They assume the camera's projection
// and the textures and particle systems of demo_state; they check nothing and cannot fail.

namespace scenes {

// The sprite cloud: particles2[1] to particles2[spriteCount], placed by scene 1's start procedure.
constexpr int spriteCount = 200;

// Wave point k (k = 1 to 20) into particles1[k]: (S(4000) sin k, C(4000) cos k, 0).
void setWavePoints(double t);

// The square picture (texBackground1), half-size 0.5, below the centre, at this alpha. Leaves
// texturing on with the picture bound and the modelview holding its translation.
void drawPicture(double alpha);

// The 200 sprites of particles2, turned around the viewer by ax, ay, az degrees (about x, y, z), each
// sprite facing the viewer: binds texFlareBig, sets the colour (white at this alpha) and draws. The
// caller enables texturing before; texturing stays as it was.
void drawSpriteCloud(double alpha, double ax, double ay, double az);

// The strengths of the composition's layers: a1 the wheel's flares and the wisps, a2 the strips through
// the wave points and the untextured crescent, a3 to a5 the crescent's textured layers 2 to 4.
struct FlameAlphas {
  double a1, a2, a3, a4, a5;
};

// The flare wheel, wisp 1, the crescent and wisp 2, each in its own frame (the modelview is loaded
// from the identity). Binds texFlare itself and leaves texturing off.
void drawFlameComposition(double t, const FlameAlphas& alphas);

}  // namespace scenes
