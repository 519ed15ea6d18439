#pragma once
// The OpenGL API for the renderer and the back end: libepoxy resolves the entry points on Linux; on
// Windows our own loader does, once the window's context is current (opengl32 exports OpenGL 1.1 only).

#ifdef _WIN32
#include "editor/backend/OpenGLWin.h"
#else
#include <epoxy/gl.h>
#endif
