#pragma once
// What the Windows end-to-end tests share: the built programs beside the test program, running one with
// its output kept, throwaway folders, and the source tree seen from Windows.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/HostPlatform.h"

namespace quorvane::test {

// quorvane-host.exe, built beside this program.
inline std::string HostProgram() { return host::platform::ExecutableDirectory() + "\\quorvane-host.exe"; }

// A file of the source tree. Under Wine the tree's Unix path is reached through the Z: drive.
inline std::string SourcePath(const std::string& relative)
{
  std::string root = QUORVANE_SOURCE_DIR;
  if (!root.empty() && root.front() == '/')
    root = "Z:" + root;
  return root + "/" + relative;
}

inline std::string Contents(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A new folder under the user's temporary folder, removed with everything in it.
class TempDir
{
public:
  TempDir()
  {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    for (unsigned n = GetTickCount(); mPath.empty(); ++n)
    {
      const std::string candidate = std::string(base) + "quorvane-win-" + std::to_string(GetCurrentProcessId()) + "-" +
                                    std::to_string(n);
      if (CreateDirectoryA(candidate.c_str(), nullptr))
        mPath = candidate;
    }
  }
  ~TempDir()
  {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return mPath; }
  std::string operator/(const std::string& name) const { return mPath + "\\" + name; }
  int Entries() const
  {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(mPath))
      ++n;
    return n;
  }

private:
  std::string mPath;
};

struct ProgramRun
{
  DWORD exitCode = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

// Runs `commandLine` (the program first, quoted as needed) with stdout and stderr kept; waits for it.
inline ProgramRun RunProgram(const std::string& commandLine, DWORD timeoutMs = 120000)
{
  const TempDir dir;
  const std::string outPath = dir / "out.txt";
  const std::string errPath = dir / "err.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  ProgramRun run;
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
  {
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 0xFFFFFFFE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
  run.out = Contents(outPath);
  run.err = Contents(errPath);
  return run;
}

// quorvane-host.exe with `arguments`.
inline ProgramRun Host(const std::string& arguments)
{
  // Appended, not added: g++ 12 warns falsely about a literal plus a temporary string (its bug 105651).
  std::string command = "\"";
  return RunProgram(command.append(HostProgram()).append("\" ").append(arguments));
}

// One line on stderr, ending the output (Windows' console may end it with a carriage return).
inline bool OneLine(const std::string& err)
{
  const auto end = err.find('\n');
  return !err.empty() && end != std::string::npos && end == err.size() - 1;
}

} // namespace quorvane::test
