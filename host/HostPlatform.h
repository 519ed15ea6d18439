#pragma once
// What the host needs of the operating system beyond standard C++, one file per platform
// (HostPlatformLinux.cpp, HostPlatformWin.cpp): loading the module, where the program lives, CPU
// clocks, the audio thread's semaphore, the file steps behind AtomicFile, and the user-interface
// thread's own message queue.

#include <string>

namespace quorvane::host::platform {

// ---- the module's shared library (dlopen on Linux, LoadLibrary on Windows)

// main thread; the loaded library, or null with a one-line reason in `error`
void* OpenLibrary(const std::string& path, std::string& error);
// main thread; the exported function, or null
void* FindExport(void* library, const char* name);
// main thread
void CloseLibrary(void* library);
// The directory that holds this program (no trailing separator); "." when unknown.
std::string ExecutableDirectory();

// ---- CPU time, in seconds

// any thread; the whole process's
double ProcessCpuSeconds();
// any thread; the calling thread's
double ThreadCpuSeconds();

// ---- the audio thread's hand-over

// A binary semaphore from the system: a futex-backed std::binary_semaphore on Linux, a Win32 semaphore on
// Windows (mingw's C++ library, having no futex, does not always wake a waiter there).
class Semaphore final
{
public:
  Semaphore();
  ~Semaphore();
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // any thread, the audio thread included: never blocks, allocates or locks; at most one release is kept
  void Release();
  // any thread; waits for a release
  void Acquire();

private:
  void* mHandle;
};

// ---- files

bool IsDirectory(const std::string& path);
// main thread; the directory exists afterwards (made, or already there); false with a reason
bool MakeDirectory(const std::string& path, std::string& error);
// main thread; a new, empty file beside `target` that nobody else opened, its path in `temp`
bool CreateTemporaryBeside(const std::string& target, std::string& temp, std::string& error);
// main thread; `temp`'s contents on disk, then `temp` renamed over `target` in one step
bool MoveOver(const std::string& temp, const std::string& target, std::string& error);
// main thread; removes a file, quietly
void RemoveFile(const std::string& path);
// any thread; whether stderr is an interactive terminal (progress lines go only there)
bool StderrIsTerminal();
// What --help adds about this platform: the commands and options it cannot offer, and why ("" when none).
const char* UsageNotes();

// ---- the user-interface thread

// Once, at the start of the program, before any window: what a DAW sets up for itself (Windows: per-monitor
// density awareness, so windows learn the display's real density).
void PrepareProcess();
// Whether the host lends plug-ins its run loop for their timers (Linux) or they set the system's own timers,
// which arrive as WM_TIMER messages in the thread's queue (Windows).
bool LendsRunLoop();
// UI thread; dispatches the messages waiting in the thread's queue (Windows: the plug-ins' timer ticks, input
// and painting for every window of the thread); returns the timer ticks among them. Linux: 0, as the
// thread has no queue of its own.
int DispatchThreadMessages();

} // namespace quorvane::host::platform
