#pragma once
// What every subcommand starts with: the module loaded (default beside the program), host messages
// printed at the end when --verbose asks for them, and parameter assignments resolved and sent.

#include "host/Commands.h"
#include "host/HostInstance.h"
#include "host/ParamSetting.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvane::host {

class Session final
{
public:
  // main thread
  explicit Session(const CommandLine& cl) : mVerbose(cl.verbose), mPath(cl.module.empty() ? DefaultModulePath() : cl.module) {}
  // main thread; prints the collected assertion reports and traces with --verbose
  ~Session();

  // main thread; false with the reason in `error`
  bool Load(std::string& error);
  HostModule& Module() { return *mModule; }
  // main thread; instances go before the module does
  std::unique_ptr<HostInstance> NewInstance(AAX_CTypeID component, double rate, int maxBlock, std::string& error);
  void Drop(std::unique_ptr<HostInstance>& instance) { instance.reset(); }
  // main thread; Load (once), then NewInstance: what every command starts with
  std::unique_ptr<HostInstance> Open(AAX_CTypeID component, double rate, int maxBlock, std::string& error)
  {
    if (!mModule && !Load(error))
      return nullptr;
    return NewInstance(component, rate, maxBlock, error);
  }

private:
  bool mVerbose;
  std::string mPath;
  std::unique_ptr<HostModule> mModule;
};

// main thread; resolves every NAME=VALUE of `sets` and applies them with one coefficient pass after
bool ApplyAssignments(HostInstance& instance, const std::vector<std::string>& sets, std::string& error);

// main thread; "NAME=VALUE" texts resolved against the instance's parameters
bool ResolveAll(HostInstance& instance, const std::vector<std::string>& sets, std::vector<ParameterChange>& out,
                std::string& error);

} // namespace quorvane::host
