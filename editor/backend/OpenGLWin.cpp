#include "editor/backend/OpenGLWin.h"

#include <mutex>
#include <string>

#define QUORVANE_GL_DEFINE(type, name) type quorvane_##name = nullptr;
QUORVANE_GL_FUNCTIONS(QUORVANE_GL_DEFINE)
#undef QUORVANE_GL_DEFINE

namespace iplug::igraphics {

namespace {

// Some drivers answer 1, 2, 3 or -1 instead of null for a name they do not know.
bool IsValidProc(PROC proc)
{
  const auto value = reinterpret_cast<INT_PTR>(proc);
  return value != 0 && value != 1 && value != 2 && value != 3 && value != -1;
}

// The driver's entry point, else opengl32's own export; an older driver may only know the EXT name.
// void (*)() is the one function pointer type that converts to any other without a warning.
void (*Resolve(HMODULE opengl32, const char* name))()
{
  for (const std::string& candidate : {std::string(name), std::string(name) + "EXT"})
  {
    PROC proc = wglGetProcAddress(candidate.c_str());
    if (!IsValidProc(proc) && opengl32 != nullptr)
      proc = GetProcAddress(opengl32, candidate.c_str());
    if (IsValidProc(proc))
      return reinterpret_cast<void (*)()>(proc);
  }
  return nullptr;
}

} // namespace

bool LoadOpenGLFunctions()
{
  static std::mutex mutex;
  static bool loaded = false;
  std::lock_guard lock(mutex);
  if (loaded)
    return true;
  if (wglGetCurrentContext() == nullptr)
    return false;
  const HMODULE opengl32 = GetModuleHandleA("opengl32.dll");
  bool complete = true;
#define QUORVANE_GL_LOAD(type, name)                                        \
  quorvane_##name = reinterpret_cast<type>(Resolve(opengl32, #name));      \
  complete = complete && quorvane_##name != nullptr;
  QUORVANE_GL_FUNCTIONS(QUORVANE_GL_LOAD)
#undef QUORVANE_GL_LOAD
  loaded = complete;
  return complete;
}

} // namespace iplug::igraphics
