#pragma once
// OpenGL on Windows without a loader library: opengl32 exports OpenGL 1.1, everything newer comes from
// the driver through wglGetProcAddress once a context is current. Declared here are exactly the entry
// points above 1.1 that NanoVG's OpenGL 2 renderer, its frame-buffer helpers and the back end call; each
// name is a macro for a pointer the loader fills, so those sources call them as ordinary functions.

#include "editor/backend/WindowsApi.h"

#include <GL/gl.h>
#include <GL/glext.h>

namespace iplug::igraphics {

// UI thread, with an OpenGL context current. Resolves every entry point below; false when any is
// missing (no usable OpenGL 2 with frame buffers). Once it has succeeded it answers true at once, so the
// pointers never change while another window draws with them.
bool LoadOpenGLFunctions();

} // namespace iplug::igraphics

// The list the loader walks: type, then name.
#define QUORVANE_GL_FUNCTIONS(X)                                         \
  X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                             \
  X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                     \
  X(PFNGLBINDBUFFERPROC, glBindBuffer)                                   \
  X(PFNGLBUFFERDATAPROC, glBufferData)                                   \
  X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                             \
  X(PFNGLGENBUFFERSPROC, glGenBuffers)                                   \
  X(PFNGLATTACHSHADERPROC, glAttachShader)                               \
  X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                   \
  X(PFNGLCOMPILESHADERPROC, glCompileShader)                             \
  X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                             \
  X(PFNGLCREATESHADERPROC, glCreateShader)                               \
  X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                             \
  X(PFNGLDELETESHADERPROC, glDeleteShader)                               \
  X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)       \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)         \
  X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                     \
  X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                               \
  X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                       \
  X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                 \
  X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                   \
  X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                 \
  X(PFNGLSHADERSOURCEPROC, glShaderSource)                               \
  X(PFNGLSTENCILOPSEPARATEPROC, glStencilOpSeparate)                     \
  X(PFNGLUNIFORM1IPROC, glUniform1i)                                     \
  X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                   \
  X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                   \
  X(PFNGLUSEPROGRAMPROC, glUseProgram)                                   \
  X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                 \
  X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                         \
  X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                       \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)           \
  X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                   \
  X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                 \
  X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)         \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)               \
  X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                         \
  X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                       \
  X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)

#define QUORVANE_GL_DECLARE(type, name) extern type quorvane_##name;
QUORVANE_GL_FUNCTIONS(QUORVANE_GL_DECLARE)
#undef QUORVANE_GL_DECLARE

#define glActiveTexture quorvane_glActiveTexture
#define glBlendFuncSeparate quorvane_glBlendFuncSeparate
#define glBindBuffer quorvane_glBindBuffer
#define glBufferData quorvane_glBufferData
#define glDeleteBuffers quorvane_glDeleteBuffers
#define glGenBuffers quorvane_glGenBuffers
#define glAttachShader quorvane_glAttachShader
#define glBindAttribLocation quorvane_glBindAttribLocation
#define glCompileShader quorvane_glCompileShader
#define glCreateProgram quorvane_glCreateProgram
#define glCreateShader quorvane_glCreateShader
#define glDeleteProgram quorvane_glDeleteProgram
#define glDeleteShader quorvane_glDeleteShader
#define glDisableVertexAttribArray quorvane_glDisableVertexAttribArray
#define glEnableVertexAttribArray quorvane_glEnableVertexAttribArray
#define glGetProgramInfoLog quorvane_glGetProgramInfoLog
#define glGetProgramiv quorvane_glGetProgramiv
#define glGetShaderInfoLog quorvane_glGetShaderInfoLog
#define glGetShaderiv quorvane_glGetShaderiv
#define glGetUniformLocation quorvane_glGetUniformLocation
#define glLinkProgram quorvane_glLinkProgram
#define glShaderSource quorvane_glShaderSource
#define glStencilOpSeparate quorvane_glStencilOpSeparate
#define glUniform1i quorvane_glUniform1i
#define glUniform2fv quorvane_glUniform2fv
#define glUniform4fv quorvane_glUniform4fv
#define glUseProgram quorvane_glUseProgram
#define glVertexAttribPointer quorvane_glVertexAttribPointer
#define glBindFramebuffer quorvane_glBindFramebuffer
#define glBindRenderbuffer quorvane_glBindRenderbuffer
#define glCheckFramebufferStatus quorvane_glCheckFramebufferStatus
#define glDeleteFramebuffers quorvane_glDeleteFramebuffers
#define glDeleteRenderbuffers quorvane_glDeleteRenderbuffers
#define glFramebufferRenderbuffer quorvane_glFramebufferRenderbuffer
#define glFramebufferTexture2D quorvane_glFramebufferTexture2D
#define glGenFramebuffers quorvane_glGenFramebuffers
#define glGenRenderbuffers quorvane_glGenRenderbuffers
#define glRenderbufferStorage quorvane_glRenderbufferStorage
