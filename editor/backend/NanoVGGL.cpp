// NanoVG's OpenGL 2 renderer and its frame-buffer helpers, compiled once, with OpenGL entry points
// resolved at run time (libepoxy on Linux, our own loader on Windows). Frame buffers are core since
// OpenGL 3 and an extension every OpenGL 2 driver we meet offers, so the helpers are enabled here too.
#include "editor/backend/OpenGL.h"

#include "nanovg.h"

#define NANOVG_GL2_IMPLEMENTATION
#define NANOVG_FBO_VALID 1
#include "nanovg_gl.h"
#include "nanovg_gl_utils.h"
