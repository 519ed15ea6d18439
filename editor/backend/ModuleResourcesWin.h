#pragma once
// The module's own resources on Windows: the pictures and the font the resource compiler put into the
// DLL, found through the module's resource directory, with the file system as the fallback.

#include "editor/backend/IResourceSource.h"
#include "editor/backend/WindowsApi.h"

namespace iplug::igraphics {

class ModuleResourceSource : public IResourceSource
{
public:
  // Any thread. The module must stay loaded while the source is used (it is the module holding it).
  explicit ModuleResourceSource(HMODULE module) : mModule(module) {}

  std::vector<ResourceName> ResourceNames(const std::string& type) const override;
  bool FileExists(const std::string& path) const override;

  // The module that holds the code at an address (without taking a reference on it); null when none.
  static HMODULE ModuleAt(const void* address);

protected:
  ResourceBytes FindResourceBytes(const std::string& quotedName, const std::string& type) const override;

private:
  HMODULE mModule;
};

} // namespace iplug::igraphics
