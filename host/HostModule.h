#pragma once
// A loaded plug-in module: its library loaded, the seven ACF exports, start-up, registration into a host
// collection, and shut-down and unload when it goes away. One per module file; main thread.

#include "host/HostDescription.h"
#include "host/HostRunLoop.h"
#include "host/HostServices.h"

#include <memory>
#include <string>

namespace quorvane::host {

// The module built beside this program: "Quorvane.so" in its directory on Linux,
// "Quorvane.aaxplugin/Contents/x64/Quorvane.aaxplugin" (the bundle's layout) on Windows.
std::string DefaultModulePath();

class HostModule final
{
public:
  // main thread; null with a one-line reason in `error` (missing file, not a module, missing export,
  // start-up or registration failure)
  static std::unique_ptr<HostModule> Load(const std::string& path, std::string& error);
  // main thread; ACFShutdown, then dlclose. Every instance must be gone.
  ~HostModule();

  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  // any thread; the registered description (an effect is there when Load succeeded)
  const HostCollection& Collection() const { return *mCollection; }
  const HostEffectDescriptor& Effect() const { return *mEffect; }
  const std::string& EffectID() const { return mEffectID; }
  HostServices& Services() { return mServices; }
  // main thread; the module's count of live objects
  int32_t CanUnloadNow();
  uint64_t SDKVersion() const { return mSDKVersion; }
  // main thread, at idle: ticks the plug-ins' timers that have come due (Linux: on the host's run loop;
  // Windows: by dispatching the thread's messages, WM_TIMER among them); returns how many ticked
  int PumpRunLoop();
  // main thread; timers the plug-ins keep running on the host's run loop. Always 0 on Windows, where the
  // host lends no loop: the plug-ins' timers are the system's, and no system call counts a thread's timers.
  size_t ActiveTimers() const;
  // main thread; what the other exports answer (for the validation)
  AAX_Result ClassFactoryResult(void** out);
  AAX_Result RegisterComponentResult(void** out);

private:
  class ACFHost;
  HostModule() = default;

  void* mHandle = nullptr;
  std::unique_ptr<ACFHost> mACFHost;
  HostServices mServices;
  HostCollection* mCollection = nullptr;
  const HostEffectDescriptor* mEffect = nullptr;
  std::string mEffectID;
  uint64_t mSDKVersion = 0;
  bool mStarted = false;

  ACFStartupProc mStartup = nullptr;
  ACFShutdownProc mShutdown = nullptr;
  ACFRegisterPluginProc mRegisterPlugin = nullptr;
  ACFRegisterComponentProc mRegisterComponent = nullptr;
  ACFGetClassFactoryProc mGetClassFactory = nullptr;
  ACFCanUnloadNowProc mCanUnloadNow = nullptr;
  ACFGetSDKVersionProc mGetSDKVersion = nullptr;
};

} // namespace quorvane::host
