// quorvane-host: the command-line stand-in for a DAW. It loads the plug-in module and talks to it only
// through the ACF exports and the AAX interfaces.

#include "host/Commands.h"
#include "host/HostPlatform.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace quorvane::host;

namespace {

const char* kUsage =
    "usage: quorvane-host [--module PATH] [--verbose] COMMAND ...\n"
    "  describe                              the registered description as JSON\n"
    "  params [--set NAME=VALUE]...          every AAX parameter: identifier, name, value, host text\n"
    "  render IN.wav OUT.wav [--sidechain SC.wav] [--set NAME=VALUE]... [--automation FILE]\n"
    "         [--block-size N] [--state FILE] [--meter-log FILE] [--host-bypass]\n"
    "         [--compensate-latency] [--offline] [--plot FILE.png] [--stats]\n"
    "                                        --stats: CPU time in the plug-in and in the host's own work\n"
    "  state save FILE [--set NAME=VALUE]...  the chunk bytes as GetChunk gives them\n"
    "  state load FILE                       SetChunk, then the parameters\n"
    "  validate                              the validation battery\n"
    "  validate --soak SECONDS [--rate HZ]   one instance on the audio thread with random automation, state\n"
    "                                        restores and bypass toggles for SECONDS, every block checked,\n"
    "                                        the output level every second of audio (default 48000 Hz)\n"
    "  validate --threads                    rendering concurrently with editor gestures, state, timers and\n"
    "                                        automation from another thread (run it under ThreadSanitizer)\n"
    "  demo [--out DIR]                      renders the built-in programme (default out/), with a picture\n"
    "  editor [--scale S] [--set NAME=VALUE]... [--screenshot FILE] [--seconds S]\n"
    "                                        opens the editor in a window while the built-in programme\n"
    "                                        plays through it; --scale sets the display density (Xft.dpi),\n"
    "                                        --screenshot writes the live editor as PNG and exits\n"
    "NAME is a parameter's display name (any case) or its index 0..18; VALUE a number or a display text.\n";

bool ParseInt(const char* text, int& out)
{
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < -1000000000L || v > 1000000000L)
    return false;
  out = static_cast<int>(v);
  return true;
}

} // namespace

int main(int argc, char** argv)
{
  platform::PrepareProcess();
  CommandLine cl;
  std::string command;
  bool rateGiven = false;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) -> bool {
      if (i + 1 >= argc)
        return false;
      into = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h")
    {
      std::fputs(kUsage, stdout);
      std::fputs(platform::UsageNotes(), stdout);
      return 0;
    }
    else if (arg == "--set")
    {
      if (!value(v))
        return Fail("--set needs NAME=VALUE");
      cl.sets.push_back(v);
    }
    else if (arg == "--module" || arg == "--sidechain" || arg == "--automation" || arg == "--state" ||
             arg == "--meter-log" || arg == "--out" || arg == "--plot")
    {
      if (!value(v))
        return Fail(arg + " needs a path");
      (arg == "--module" ? cl.module : arg == "--sidechain" ? cl.sideChain : arg == "--automation" ? cl.automation
       : arg == "--state" ? cl.state : arg == "--meter-log" ? cl.meterLog : arg == "--plot" ? cl.plot : cl.out) = v;
    }
    else if (arg == "--block-size")
    {
      if (!value(v) || !ParseInt(v.c_str(), cl.blockSize))
        return Fail("--block-size needs a whole number");
    }
    else if (arg == "--soak")
    {
      char* end = nullptr;
      if (!value(v) || (cl.soakSeconds = std::strtod(v.c_str(), &end), end == v.c_str() || *end != '\0') ||
          !(cl.soakSeconds > 0.0 && cl.soakSeconds <= 7.0 * 86400.0))
        return Fail("--soak needs a number of seconds (up to a week)");
    }
    else if (arg == "--rate")
    {
      char* end = nullptr;
      if (!value(v) || (cl.soakRate = std::strtod(v.c_str(), &end), end == v.c_str() || *end != '\0') ||
          !(cl.soakRate >= 8000.0 && cl.soakRate <= 384000.0))
        return Fail("--rate needs a sample rate in Hz from 8000 to 384000");
      rateGiven = true;
    }
    else if (arg == "--scale" || arg == "--seconds")
    {
      std::string v;
      char* end = nullptr;
      double& target = arg == "--scale" ? cl.scale : cl.seconds;
      if (!value(v) || (target = std::strtod(v.c_str(), &end), end == v.c_str() || *end != '\0') ||
          !(target > 0.0 && target <= (arg == "--scale" ? 4.0 : 86400.0)))
        return Fail(arg == "--scale" ? "--scale needs a screen density above 0 and up to 4"
                                     : "--seconds needs a number of seconds above 0 (up to a day)");
    }
    else if (arg == "--screenshot")
    {
      if (!value(cl.screenshot) || cl.screenshot.empty())
        return Fail("--screenshot needs a file name");
    }
    else if (arg == "--threads")
      cl.threads = true;
    else if (arg == "--host-bypass")
      cl.hostBypass = true;
    else if (arg == "--compensate-latency")
      cl.compensateLatency = true;
    else if (arg == "--offline")
      cl.offline = true;
    else if (arg == "--stats")
      cl.stats = true;
    else if (arg == "--verbose" || arg == "-v")
      cl.verbose = true;
    else if (arg.size() > 1 && arg[0] == '-' && !(arg.size() > 1 && (std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.')))
      return Fail("unknown option " + arg + " (see --help)");
    else if (command.empty())
      command = arg;
    else
      cl.positional.push_back(arg);
  }

  if (command.empty())
  {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (rateGiven && command != "validate")
    return Fail("--rate is an option of validate --soak");
  if (command == "describe")
    return cl.positional.empty() ? RunDescribe(cl) : Fail("describe takes no arguments");
  if (command == "params")
    return cl.positional.empty() ? RunParams(cl) : Fail("params takes no arguments (use --set NAME=VALUE)");
  if (command == "render")
    return RunRender(cl);
  if (command == "state")
  {
    if (cl.positional.empty())
      return Fail("usage: quorvane-host state save|load FILE");
    const std::string sub = cl.positional.front();
    cl.positional.erase(cl.positional.begin());
    if (sub == "save")
      return RunStateSave(cl);
    if (sub == "load")
      return RunStateLoad(cl);
    return Fail("unknown state command \"" + sub + "\" (save or load)");
  }
  if (command == "validate")
  {
    if (cl.threads && cl.soakSeconds > 0.0)
      return Fail("--soak and --threads are separate runs");
    if (rateGiven && !(cl.soakSeconds > 0.0))
      return Fail("--rate goes with --soak");
    return RunValidate(cl);
  }
  if (command == "demo")
    return RunDemo(cl);
  if (command == "editor")
    return cl.positional.empty() ? RunEditor(cl) : Fail("editor takes no arguments");
  return Fail("unknown command \"" + command + "\" (see --help)");
}
