#include "IPlug/AAX/IPlugAAX_Module.h"

#include <exception>

#include "aax/AAX_CHostServices.h"
#include "aax/AAX_CheckedResult.h"

namespace iplug {

namespace {

// Nothing thrown may cross the module boundary.
template <typename Body>
AAX_Result Guarded(Body&& body) noexcept
{
  try
  {
    return body();
  }
  catch (...)
  {
    return AAX_ACF_E_UNEXPECTED;
  }
}

// The framework's view of the host's run loop. Set and read on the host's main thread only.
class HostRunLoop final : public IRunLoop
{
public:
  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override
  {
    return mLoop ? mLoop->StartTimer(intervalMs, proc) : 0;
  }
  void StopTimer(uintptr_t timerId) override
  {
    if (mLoop)
      mLoop->StopTimer(timerId);
  }

  AAX_IRunLoop* mLoop = nullptr;
};

HostRunLoop& TheHostRunLoop()
{
  static HostRunLoop loop;
  return loop;
}

} // namespace

AAX_Result IPlugAAX_ACFStartup(AAX_IACFHost* host)
{
  return Guarded([&] {
    if (host == nullptr)
    {
      AAX_CHostServices::Set(nullptr);
      TheHostRunLoop().mLoop = nullptr;
    }
    else if (AAX_CHostServices::Get() == nullptr)
    {
      AAX_CHostServices::Set(host->GetHostServices());
      TheHostRunLoop().mLoop = host->GetRunLoop();
    }
    return AAX_SUCCESS;
  });
}

AAX_Result IPlugAAX_ACFShutdown(AAX_IACFHost*)
{
  return Guarded([] {
    AAX_CHostServices::Set(nullptr);
    TheHostRunLoop().mLoop = nullptr;
    return AAX_SUCCESS;
  });
}

IPlugAAX_HostRunLoopScope::IPlugAAX_HostRunLoopScope()
{
  if (TheHostRunLoop().mLoop != nullptr && GetThreadRunLoop() == nullptr)
  {
    SetThreadRunLoop(&TheHostRunLoop());
    mInstalled = true;
  }
}

IPlugAAX_HostRunLoopScope::~IPlugAAX_HostRunLoopScope()
{
  if (mInstalled)
    SetThreadRunLoop(nullptr);
}

AAX_Result IPlugAAX_ACFRegisterPlugin(AAX_IACFHost* host, void** outDefinition, const IPlugAAX_EffectInfo& info)
{
  return Guarded([&]() -> AAX_Result {
    if (outDefinition == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    *outDefinition = nullptr;
    if (host == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    AAX_ICollection* collection = host->NewCollection();
    if (collection == nullptr)
      return AAX_ERROR_NULL_OBJECT;

    AAX_Result result = AAX_SUCCESS;
    try
    {
      const AAX_Result described = DescribeEffects(collection, info);
      if (described != AAX_SUCCESS)
        throw AAX_CheckedResult::Exception(described);
    }
    catch (const AAX_CheckedResult::Exception& e)
    {
      result = e.Result();
      AAX_CHostServices::Trace(AAX_eTracePriorityHost_Critical, "AAXRegisterPlugin exception caught: %s", e.what());
    }
    catch (const std::exception& e)
    {
      result = AAX_ERROR_UNKNOWN_EXCEPTION;
      AAX_CHostServices::Trace(AAX_eTracePriorityHost_Critical, "AAXRegisterPlugin exception caught: %s", e.what());
    }
    catch (...)
    {
      result = AAX_ERROR_UNKNOWN_EXCEPTION;
      AAX_CHostServices::Trace(AAX_eTracePriorityHost_Critical, "AAXRegisterPlugin exception caught: %s",
                               "unknown");
    }
    if (result != AAX_SUCCESS)
      return result;
    *outDefinition = collection->GetPluginDefinition(IID_IACFPluginDefinition);
    return AAX_SUCCESS;
  });
}

AAX_Result IPlugAAX_ACFRegisterComponent(AAX_IACFHost*, uint32_t, void** outComponent)
{
  return Guarded([&] {
    if (outComponent != nullptr)
      *outComponent = nullptr;
    return AAX_SUCCESS;
  });
}

AAX_Result IPlugAAX_ACFGetClassFactory(AAX_IACFHost*, const AAX_GUID*, const AAX_GUID*, void** outFactory)
{
  return Guarded([&] {
    if (outFactory != nullptr)
      *outFactory = nullptr;
    return AAX_ERROR_UNIMPLEMENTED;
  });
}

AAX_Result IPlugAAX_ACFCanUnloadNow(AAX_IACFHost*)
{
  return Guarded([] { return AAX_CLiveObjectCount::Count(); });
}

AAX_Result IPlugAAX_ACFGetSDKVersion(uint64_t* outVersion)
{
  return Guarded([&]() -> AAX_Result {
    if (outVersion == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    *outVersion = AAX_SDK_VERSION;
    return AAX_SUCCESS;
  });
}

} // namespace iplug
