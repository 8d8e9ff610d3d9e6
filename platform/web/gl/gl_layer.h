#pragma once
// Velmorrow's own OpenGL 1.1 and GLU, on OpenGL ES 3 (natively through EGL) and WebGL 2 (in the
// browser): exactly the calls the demo makes, linked in place of libGL and libGLU (the executable's
// VELMORROW_GL_LAYER property), so the demo's code is the same on every platform.
//
// What it draws as the fixed-function pipeline does: glBegin/glEnd with the current colour, texture
// coordinate and normal (points, lines, triangles, strips, fans, quads, quad strips, polygons); both
// matrix stacks and their operations; texture objects from GL_BGRA (and RGBA, RGB) bytes, with GLU's
// box-filtered mipmaps; GL_MODULATE; blending, depth and the other pass-through state; display lists
// recorded once into buffers and drawn from them; glPolygonMode GL_FILL, GL_LINE and GL_POINT per face,
// each triangle's facing decided from its area on the screen and glFrontFace; gluPerspective,
// gluLookAt, gluOrtho2D and the quadrics gluSphere, gluDisk, gluCylinder (GLU_FILL) with GLU's vertex
// order and texture coordinates. Matrices are single precision as in OpenGL; sines and cosines come
// from our own maths library.
//
// What it leaves out, because the demo does not use it: lighting (normals are kept but not used),
// fog, alpha test, flat shading, texture environments other than GL_MODULATE, the texture matrix,
// culling of polygons drawn as lines or points, and GLU draw styles other than GLU_FILL. Calls for
// those are accepted and do nothing.
//
// The layer reaches OpenGL ES through a table of functions looked up by name (gles_functions.h) on
// its first call, and makes its shader and buffers then; the context must be current from there on.
// Errors are OpenGL's: glGetError reports the layer's own (GL_INVALID_OPERATION, GL_STACK_OVERFLOW ...)
// before OpenGL ES's.

namespace gllayer {

// Forgets everything the layer made and knew (objects, lists, matrices, state) without deleting
// anything: for a program that destroys its context and makes another, before its first call there.
void forgetContext();

}  // namespace gllayer
