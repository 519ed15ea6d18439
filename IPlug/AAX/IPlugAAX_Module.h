#pragma once
// The bodies of the module's ACF entry points. The plug-in's module source defines the exported
// C functions (so the binding never depends on the plug-in) and forwards to these. Each turns any
// escaping exception into AAX_ACF_E_UNEXPECTED.

#include "aax/AAX_Interfaces.h"
#include "IPlug/AAX/IPlugAAX_Describe.h"
#include "IPlug/IPlugTimer.h"

namespace iplug {

// host main thread: keeps one host-services wrapper (the first non-null host's; a null host drops it)
AAX_Result IPlugAAX_ACFStartup(AAX_IACFHost* host);
// host main thread: drops the wrapper
AAX_Result IPlugAAX_ACFShutdown(AAX_IACFHost* host);
// host main thread: DescribeEffects into a fresh collection, then its plug-in-definition interface
AAX_Result IPlugAAX_ACFRegisterPlugin(AAX_IACFHost* host, void** outDefinition, const IPlugAAX_EffectInfo& info);
// writes null, 0
AAX_Result IPlugAAX_ACFRegisterComponent(AAX_IACFHost* host, uint32_t index, void** outComponent);
// writes null, -20009
AAX_Result IPlugAAX_ACFGetClassFactory(AAX_IACFHost* host, const AAX_GUID* clsid, const AAX_GUID* iid,
                                       void** outFactory);
// the count of live plug-in objects (0: the module may go)
AAX_Result IPlugAAX_ACFCanUnloadNow(AAX_IACFHost* host);
// writes 0x00000204013449EA
AAX_Result IPlugAAX_ACFGetSDKVersion(uint64_t* outVersion);

// Lends the host's run loop (kept from ACFStartup) to the plug-in's timers while an instance is made:
// create procedures construct under this scope on the host's thread, so the instance's 20 ms timer
// ticks from the host's run loop. Changes nothing when the host lent none or the thread has a loop.
class IPlugAAX_HostRunLoopScope
{
public:
  // host main thread
  IPlugAAX_HostRunLoopScope();
  ~IPlugAAX_HostRunLoopScope();
  IPlugAAX_HostRunLoopScope(const IPlugAAX_HostRunLoopScope&) = delete;
  IPlugAAX_HostRunLoopScope& operator=(const IPlugAAX_HostRunLoopScope&) = delete;

private:
  bool mInstalled = false;
};

} // namespace iplug
