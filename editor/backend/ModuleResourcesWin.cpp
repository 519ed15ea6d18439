#include "editor/backend/ModuleResourcesWin.h"

#include <cstdio>

namespace iplug::igraphics {

namespace {

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
  auto& names = *reinterpret_cast<std::vector<ResourceName>*>(param);
  // An integer id travels in the pointer itself and can never match a file name.
  if (IS_INTRESOURCE(name))
  {
    char id[16] = {};
    std::snprintf(id, sizeof id, "#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    names.push_back(ResourceName{id, true});
  }
  else
    names.push_back(ResourceName{name, false});
  return TRUE;
}

} // namespace

std::vector<ResourceName> ModuleResourceSource::ResourceNames(const std::string& type) const
{
  std::vector<ResourceName> names;
  if (mModule != nullptr)
    EnumResourceNamesA(mModule, type.c_str(), &CollectName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

bool ModuleResourceSource::FileExists(const std::string& path) const
{
  if (path.empty())
    return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

ResourceBytes ModuleResourceSource::FindResourceBytes(const std::string& quotedName, const std::string& type) const
{
  if (mModule == nullptr)
    return {};
  HRSRC resource = FindResourceA(mModule, quotedName.c_str(), type.c_str());
  if (resource == nullptr)
    return {};
  // Loaded resources are part of the mapped module image: nothing to free, valid while it stays loaded.
  HGLOBAL loaded = LoadResource(mModule, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr)
    return {};
  return ResourceBytes{static_cast<const unsigned char*>(data), SizeofResource(mModule, resource)};
}

HMODULE ModuleResourceSource::ModuleAt(const void* address)
{
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module))
    return nullptr;
  return module;
}

} // namespace iplug::igraphics
