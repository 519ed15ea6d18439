// The host's operating-system layer on Linux: dlopen, /proc/self/exe, POSIX clocks and files.

#include "host/HostPlatform.h"
#include "host/HostModule.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <semaphore>

namespace quorvane::host {

std::string DefaultModulePath() { return platform::ExecutableDirectory() + "/Quorvane.so"; }

namespace platform {

void* OpenLibrary(const std::string& path, std::string& error)
{
  // RTLD_LOCAL: the module's symbols must not satisfy anyone else's, as with a real plug-in.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library)
  {
    const char* why = dlerror();
    error = "cannot load module " + path + ": " + (why ? why : "unknown reason");
  }
  return library;
}

void* FindExport(void* library, const char* name) { return dlsym(library, name); }

void CloseLibrary(void* library) { dlclose(library); }

std::string ExecutableDirectory()
{
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0)
    return ".";
  const std::string exe(buffer, static_cast<size_t>(n));
  const auto slash = exe.rfind('/');
  return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

namespace {

double Seconds(clockid_t clock)
{
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

} // namespace

double ProcessCpuSeconds() { return Seconds(CLOCK_PROCESS_CPUTIME_ID); }

double ThreadCpuSeconds() { return Seconds(CLOCK_THREAD_CPUTIME_ID); }

Semaphore::Semaphore() : mHandle(new std::binary_semaphore(0)) {}

Semaphore::~Semaphore() { delete static_cast<std::binary_semaphore*>(mHandle); }

void Semaphore::Release() { static_cast<std::binary_semaphore*>(mHandle)->release(); }

void Semaphore::Acquire() { static_cast<std::binary_semaphore*>(mHandle)->acquire(); }

bool IsDirectory(const std::string& path)
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path, std::string& error)
{
  if (mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectory(path)))
    return true;
  error = "cannot create " + path + ": " + std::strerror(errno);
  return false;
}

bool CreateTemporaryBeside(const std::string& target, std::string& temp, std::string& error)
{
  std::string pattern = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0)
  {
    error = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes it private; the finished file gets the permissions any new file would.
  ::fchmod(fd, 0644);
  ::close(fd);
  temp = pattern;
  return true;
}

bool MoveOver(const std::string& temp, const std::string& target, std::string& error)
{
  const int fd = ::open(temp.c_str(), O_RDONLY);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  const int why = errno;
  if (fd >= 0)
    ::close(fd);
  if (!synced)
  {
    error = "cannot write " + target + ": " + std::strerror(why);
    return false;
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0)
  {
    error = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

const char* UsageNotes() { return ""; }

void PrepareProcess() {}

bool LendsRunLoop() { return true; }

int DispatchThreadMessages() { return 0; }

} // namespace platform
} // namespace quorvane::host
