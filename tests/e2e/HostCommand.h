#pragma once
// Runs the built quorvane-host program as a person would, keeping what it said on stderr.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvane::test {

struct HostRun
{
  int status = -1;
  std::string err;
};

// quorvane-host with `args` (shell words), stdout discarded.
inline HostRun Host(const std::string& args)
{
  char errPath[] = "/tmp/quorvane-e2e-err-XXXXXX";
  const int fd = mkstemp(errPath);
  close(fd);
  const std::string cmd = std::string(QUORVANE_HOST_PATH) + " " + args + " >/dev/null 2>" + errPath;
  HostRun r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errPath);
  r.err.assign(std::istreambuf_iterator<char>(in), {});
  unlink(errPath);
  return r;
}

} // namespace quorvane::test
