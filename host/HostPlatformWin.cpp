// The host's operating-system layer on Windows: LoadLibrary, the program's module file name, process and
// thread times, Win32 files, and the UI thread's message queue, which carries the plug-ins' timer ticks.

#include "host/HostPlatform.h"
#include "host/HostModule.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <mutex>

namespace quorvane::host {

std::string DefaultModulePath()
{
  return platform::ExecutableDirectory() + "\\Quorvane.aaxplugin\\Contents\\x64\\Quorvane.aaxplugin";
}

namespace platform {

namespace {

// The system's own words for an error code, on one line.
std::string SystemMessage(DWORD code)
{
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n > 0 && text ? std::string(text, n) : "error " + std::to_string(code);
  if (text)
    LocalFree(text);
  while (!message.empty() && (message.back() == ' ' || message.back() == '\r' || message.back() == '\n'))
    message.pop_back();
  return message;
}

double Seconds(const FILETIME& time)
{
  ULARGE_INTEGER t;
  t.LowPart = time.dwLowDateTime;
  t.HighPart = time.dwHighDateTime;
  return 1e-7 * static_cast<double>(t.QuadPart);
}

} // namespace

void* OpenLibrary(const std::string& path, std::string& error)
{
  // A full path with the system's separators: then the module's own folder is searched first for the
  // libraries it needs, as a DAW loads a plug-in.
  std::string full(MAX_PATH, '\0');
  const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full = n > 0 && n < full.size() ? full.substr(0, n) : path;
  for (char& c : full)
    c = c == '/' ? '\\' : c;
  HMODULE library = LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library)
    error = "cannot load module " + path + ": " + SystemMessage(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* FindExport(void* library, const char* name)
{
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string ExecutableDirectory()
{
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH)
    return ".";
  const std::string exe(buffer, n);
  const auto separator = exe.find_last_of("\\/");
  return separator == std::string::npos ? std::string(".") : exe.substr(0, separator);
}

double ProcessCpuSeconds()
{
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
    return 0.0;
  return Seconds(kernel) + Seconds(user);
}

double ThreadCpuSeconds()
{
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
    return 0.0;
  return Seconds(kernel) + Seconds(user);
}

Semaphore::Semaphore() : mHandle(CreateSemaphoreW(nullptr, 0, 1, nullptr)) {}

Semaphore::~Semaphore() { CloseHandle(mHandle); }

void Semaphore::Release() { ReleaseSemaphore(mHandle, 1, nullptr); }

void Semaphore::Acquire() { WaitForSingleObject(mHandle, INFINITE); }

bool IsDirectory(const std::string& path)
{
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& path, std::string& error)
{
  if (CreateDirectoryA(path.c_str(), nullptr))
    return true;
  const DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS && IsDirectory(path))
    return true;
  error = "cannot create " + path + ": " + SystemMessage(code);
  return false;
}

bool CreateTemporaryBeside(const std::string& target, std::string& temp, std::string& error)
{
  // A fresh name from the process, the time and a counter; CREATE_NEW makes sure nobody had it.
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt)
  {
    const unsigned salt =
      (GetCurrentProcessId() * 2654435761u) ^ static_cast<unsigned>(GetTickCount64()) ^ (++counter * 40503u);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".tmp-%06x", salt & 0xFFFFFFu);
    const std::string name = target + suffix;
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
      CloseHandle(file);
      temp = name;
      return true;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
    {
      error = "cannot write " + target + ": " + SystemMessage(code);
      return false;
    }
  }
  error = "cannot write " + target + ": no free temporary name beside it";
  return false;
}

bool MoveOver(const std::string& temp, const std::string& target, std::string& error)
{
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
  const DWORD code = GetLastError();
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  if (!flushed)
  {
    error = "cannot write " + target + ": " + SystemMessage(code);
    return false;
  }
  if (!MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
  {
    error = "cannot write " + target + ": " + SystemMessage(GetLastError());
    return false;
  }
  return true;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

const char* UsageNotes()
{
  return "On Windows: the report picture is drawn with cairo, which this build does not have, so render --plot\n"
         "is refused and demo writes everything but report.png; editor --scale is X11's (the editor takes the\n"
         "display's density from the system). The module is Quorvane.aaxplugin\\Contents\\x64\\Quorvane.aaxplugin\n"
         "beside this program.\n";
}

void PrepareProcess()
{
  // Per-monitor aware, as a DAW is: otherwise the system reports 96 dpi to the windows and scales their
  // pixels itself. The call is newer than the oldest systems this runs on, so it is looked up by name.
  static std::once_flag once;
  std::call_once(once, [] {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto setContext = reinterpret_cast<SetContext>(
      user32 ? reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")) : nullptr);
    if (setContext && (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
                       setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)))
      return;
    SetProcessDPIAware();
  });
}

bool LendsRunLoop() { return false; }

int DispatchThreadMessages()
{
  // Bounded: a window that keeps posting to itself must not keep the host in here.
  constexpr int kMostPerPass = 512;
  int ticks = 0;
  MSG msg;
  for (int n = 0; n < kMostPerPass && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n)
  {
    if (msg.message == WM_QUIT)
      continue;
    if (msg.message == WM_TIMER)
      ++ticks;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return ticks;
}

} // namespace platform
} // namespace quorvane::host
