#include "host/HostModule.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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
  AAX_IRunLoop* GetRunLoop() override { return &mRunLoop; }
  HostCollection* Latest() { return mCollections.empty() ? nullptr : mCollections.back().get(); }

  HostRunLoop mRunLoop;

private:
  HostServices& mServices;
  std::vector<std::unique_ptr<HostCollection>> mCollections;
};

int HostModule::PumpRunLoop() { return mACFHost ? mACFHost->mRunLoop.Pump() : 0; }

size_t HostModule::ActiveTimers() const { return mACFHost ? mACFHost->mRunLoop.ActiveTimers() : 0; }

std::string DefaultModulePath()
{
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0)
    return "Quorvane.so";
  std::string exe(buffer, static_cast<size_t>(n));
  const auto slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/Quorvane.so";
}

namespace {

template <typename T>
bool Resolve(void* handle, const char* name, T& out, std::string& error)
{
  void* symbol = dlsym(handle, name);
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
  struct stat info{};
  if (stat(path.c_str(), &info) != 0)
  {
    error = "module not found: " + path;
    return nullptr;
  }
  std::unique_ptr<HostModule> module(new HostModule());
  // RTLD_LOCAL: the module's symbols must not satisfy anyone else's, as with a real plug-in.
  module->mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module->mHandle)
  {
    const char* why = dlerror();
    error = "cannot load module " + path + ": " + (why ? why : "unknown reason");
    return nullptr;
  }
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
    dlclose(mHandle);
}

int32_t HostModule::CanUnloadNow() { return mCanUnloadNow(mACFHost.get()); }

AAX_Result HostModule::ClassFactoryResult(void** out) { return mGetClassFactory(mACFHost.get(), nullptr, nullptr, out); }

AAX_Result HostModule::RegisterComponentResult(void** out) { return mRegisterComponent(mACFHost.get(), 0, out); }

} // namespace quorvane::host
