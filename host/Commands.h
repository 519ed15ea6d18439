#pragma once
// The subcommands of quorvane-host. Each returns the process exit code and writes its one-line error
// to stderr itself.

#include <string>
#include <vector>

namespace quorvane::host {

struct CommandLine
{
  std::vector<std::string> positional; // after the subcommand
  std::vector<std::string> sets;       // --set NAME=VALUE, in order
  std::string module;
  std::string sideChain, automation, state, meterLog, out;
  std::string plot; // render --plot FILE.png: the picture of what the render did
  int blockSize = 512;
  bool hostBypass = false, compensateLatency = false, offline = false, verbose = false;
  bool stats = false; // render --stats: where the time went
  double soakSeconds = 0.0; // validate --soak SECONDS
  double soakRate = 48000.0; // validate --soak ... --rate HZ
  bool threads = false;     // validate --threads
  double scale = 0.0;       // editor --scale S: the screen density (0: the display's own)
  std::string screenshot;   // editor --screenshot FILE
  double seconds = 0.0;     // editor --seconds S: close after S seconds (0: when the window closes)
};

int RunDescribe(const CommandLine& cl);
int RunParams(const CommandLine& cl);
int RunRender(const CommandLine& cl);
int RunStateSave(const CommandLine& cl);
int RunStateLoad(const CommandLine& cl);
int RunValidate(const CommandLine& cl);
int RunDemo(const CommandLine& cl);
int RunEditor(const CommandLine& cl);

// Prints "quorvane-host: <message>" on stderr and returns 1.
int Fail(const std::string& message);

} // namespace quorvane::host
