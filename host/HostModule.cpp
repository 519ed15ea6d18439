#include "host/HostModule.h"

#include "host/HostPlatform.h"

#include <filesystem>

namespace quorvane::host {

class HostModule::ACFHost final : public AAX_IACFHost
{
public:
  explicit ACFHost(HostServices& services) : mServices(services) {}
  AAX_IHostServices* GetHostServices() override { return &mServices; }
  AAX_ICollection* NewCollection() override
  {
    mCollections.push_back(std::make_unique<HostCollection>());
    return mCollections.back().get();
  }
  // Windows plug-ins set the system's timers instead, which the UI thread's message pump delivers.
  AAX_IRunLoop* GetRunLoop() override { return platform::LendsRunLoop() ? &mRunLoop : nullptr; }
  HostCollection* Latest() { return mCollections.empty() ? nullptr : mCollections.back().get(); }

  HostRunLoop mRunLoop;

private:
  HostServices& mServices;
  std::vector<std::unique_ptr<HostCollection>> mCollections;
};

int HostModule::PumpRunLoop()
{
  return (mACFHost ? mACFHost->mRunLoop.Pump() : 0) + platform::DispatchThreadMessages();
}

size_t HostModule::ActiveTimers() const { return mACFHost ? mACFHost->mRunLoop.ActiveTimers() : 0; }

namespace {

template <typename T>
bool Resolve(void* handle, const char* name, T& out, std::string& error)
{
  void* symbol = platform::FindExport(handle, name);
  if (!symbol)
  {
    error = std::string("module has no export ") + name;
    return false;
  }
  out = reinterpret_cast<T>(symbol);
  return true;
}

} // namespace

std::unique_ptr<HostModule> HostModule::Load(const std::string& path, std::string& error)
{
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
  {
    error = "module not found: " + path;
    return nullptr;
  }
  std::unique_ptr<HostModule> module(new HostModule());
  module->mHandle = platform::OpenLibrary(path, error);
  if (!module->mHandle)
    return nullptr;
  void* h = module->mHandle;
  if (!Resolve(h, "ACFStartup", module->mStartup, error) || !Resolve(h, "ACFShutdown", module->mShutdown, error) ||
      !Resolve(h, "ACFRegisterPlugin", module->mRegisterPlugin, error) ||
      !Resolve(h, "ACFRegisterComponent", module->mRegisterComponent, error) ||
      !Resolve(h, "ACFGetClassFactory", module->mGetClassFactory, error) ||
      !Resolve(h, "ACFCanUnloadNow", module->mCanUnloadNow, error) ||
      !Resolve(h, "ACFGetSDKVersion", module->mGetSDKVersion, error))
  {
    error += " (" + path + ")";
    return nullptr;
  }

  module->mACFHost = std::make_unique<ACFHost>(module->mServices);
  AAX_Result result = module->mStartup(module->mACFHost.get());
  if (result != AAX_SUCCESS)
  {
    error = "ACFStartup failed with " + std::to_string(result);
    return nullptr;
  }
  module->mStarted = true;
  module->mGetSDKVersion(&module->mSDKVersion);

  void* definition = nullptr;
  result = module->mRegisterPlugin(module->mACFHost.get(), &definition);
  module->mCollection = module->mACFHost->Latest();
  if (result != AAX_SUCCESS || !module->mCollection || definition != module->mCollection)
  {
    error = "ACFRegisterPlugin failed with " + std::to_string(result);
    return nullptr;
  }
  if (module->mCollection->Effects().empty())
  {
    error = "module registered no effect";
    return nullptr;
  }
  module->mEffect = module->mCollection->Effects().front().descriptor;
  module->mEffectID = module->mCollection->Effects().front().id;
  if (!module->mEffect->CreateParameters())
  {
    error = "module registered no create procedure for its effect parameters";
    return nullptr;
  }
  return module;
}

HostModule::~HostModule()
{
  if (mStarted && mShutdown)
    mShutdown(mACFHost.get());
  if (mHandle)
    platform::CloseLibrary(mHandle);
}

int32_t HostModule::CanUnloadNow() { return mCanUnloadNow(mACFHost.get()); }

AAX_Result HostModule::ClassFactoryResult(void** out) { return mGetClassFactory(mACFHost.get(), nullptr, nullptr, out); }

AAX_Result HostModule::RegisterComponentResult(void** out) { return mRegisterComponent(mACFHost.get(), 0, out); }

} // namespace quorvane::host
