// The module's exported ACF entry points (C linkage, the only symbols the shared library exports) and
// Quorvane's description values. The bodies are the binding's.

#include "plugin/QuorvaneModule.h"

#include <new>
#include <type_traits>

#include "IPlug/AAX/AAX_CEffectGUI_IPLUG.h"
#include "IPlug/AAX/IPlugAAX_Module.h"
#include "plugin/Quorvane.h"

namespace quorvane {

namespace {
constexpr AAX_CTypeID kNativeTypeCodes[] = {AAX_FourCC("IEF1"), AAX_FourCC("IEF2")};
constexpr AAX_CTypeID kAudioSuiteTypeCodes[] = {AAX_FourCC("IEA1"), AAX_FourCC("IEA2")};
} // namespace

const iplug::IPlugAAX_EffectInfo& AAXEffectInfo()
{
  static const iplug::IPlugAAX_EffectInfo info = [] {
    iplug::IPlugAAX_EffectInfo made;
    made.mEffectName = identity::kName;
    made.mEffectID = identity::kAAXEffectId;
    made.mManufacturerName = identity::kMaker;
    made.mPackageVersion = identity::kVersion;
    made.mCategory = AAX_ePlugInCategory_Dynamics;
    made.mManufacturerCode = AAX_FourCC(identity::kMakerCode);
    made.mProductCode = AAX_FourCC(identity::kPluginCode);
    made.mNativeTypeCodes = kNativeTypeCodes;
    made.mAudioSuiteTypeCodes = kAudioSuiteTypeCodes;
    made.mNumTypeCodes = 2;
    made.mChannelIOString = kChannelIOString;
    made.mMidiNodeName = identity::kAAXMidiNodeName;
    made.mInitialLatency = 0;
    made.mCreateEffectParameters = &CreateEffectParameters;
    made.mCreateEffectGUI = &CreateEffectGUI;
    return made;
  }();
  return info;
}

AAX_IEffectParameters* CreateEffectParameters()
{
  try
  {
    // The instance's timer ticks from the host's run loop.
    iplug::IPlugAAX_HostRunLoopScope runLoop;
    return new Quorvane();
  }
  catch (...)
  {
    return nullptr;
  }
}

AAX_IEffectGUI* CreateEffectGUI()
{
  try
  {
    return new iplug::AAX_CEffectGUI_IPLUG();
  }
  catch (...)
  {
    return nullptr;
  }
}

} // namespace quorvane

// On Windows the module's .def file names the exports.
#ifdef _WIN32
#define QUORVANE_ACF_EXPORT
#else
#define QUORVANE_ACF_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

QUORVANE_ACF_EXPORT AAX_Result ACFStartup(AAX_IACFHost* host) { return iplug::IPlugAAX_ACFStartup(host); }

QUORVANE_ACF_EXPORT AAX_Result ACFShutdown(AAX_IACFHost* host) { return iplug::IPlugAAX_ACFShutdown(host); }

QUORVANE_ACF_EXPORT AAX_Result ACFRegisterPlugin(AAX_IACFHost* host, void** outDefinition)
{
  return iplug::IPlugAAX_ACFRegisterPlugin(host, outDefinition, quorvane::AAXEffectInfo());
}

QUORVANE_ACF_EXPORT AAX_Result ACFRegisterComponent(AAX_IACFHost* host, uint32_t index, void** outComponent)
{
  return iplug::IPlugAAX_ACFRegisterComponent(host, index, outComponent);
}

QUORVANE_ACF_EXPORT AAX_Result ACFGetClassFactory(AAX_IACFHost* host, const AAX_GUID* clsid, const AAX_GUID* iid,
                                                  void** outFactory)
{
  return iplug::IPlugAAX_ACFGetClassFactory(host, clsid, iid, outFactory);
}

QUORVANE_ACF_EXPORT AAX_Result ACFCanUnloadNow(AAX_IACFHost* host) { return iplug::IPlugAAX_ACFCanUnloadNow(host); }

QUORVANE_ACF_EXPORT AAX_Result ACFGetSDKVersion(uint64_t* outVersion)
{
  return iplug::IPlugAAX_ACFGetSDKVersion(outVersion);
}

} // extern "C"

// The exports have exactly the signatures the host looks them up by.
static_assert(std::is_same_v<decltype(&ACFStartup), ACFStartupProc>);
static_assert(std::is_same_v<decltype(&ACFShutdown), ACFShutdownProc>);
static_assert(std::is_same_v<decltype(&ACFRegisterPlugin), ACFRegisterPluginProc>);
static_assert(std::is_same_v<decltype(&ACFRegisterComponent), ACFRegisterComponentProc>);
static_assert(std::is_same_v<decltype(&ACFGetClassFactory), ACFGetClassFactoryProc>);
static_assert(std::is_same_v<decltype(&ACFCanUnloadNow), ACFCanUnloadNowProc>);
static_assert(std::is_same_v<decltype(&ACFGetSDKVersion), ACFGetSDKVersionProc>);
