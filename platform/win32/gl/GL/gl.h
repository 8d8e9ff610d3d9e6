#pragma once
// OpenGL's header on Windows, as the portable code reads it (this folder comes first on the Windows
// build's include path): declarations without dllimport, so the calls bind to opengl32's import
// library or to the tests' GL call recorder alike; the names that OpenGL 1.2 gave to the BGR(A) pixel
// formats, which Windows' 1.1 header calls _EXT; and Mesa's GLAPIENTRY for the calling convention.

#ifndef WINGDIAPI
#define WINGDIAPI
#endif
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall  // GLU's callbacks
#endif

#include_next <GL/gl.h>

#ifndef GL_BGRA
#define GL_BGRA GL_BGRA_EXT
#endif
#ifndef GL_BGR
#define GL_BGR GL_BGR_EXT
#endif
#ifndef GLAPIENTRY
#define GLAPIENTRY APIENTRY
#endif
