#include "editor/backend/IResourceSource.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace iplug::igraphics {

IResourceSource::~IResourceSource() = default;

ResourceBytes IResourceSource::FindResource(const std::string& quotedName, const std::string& type) const
{
  const ResourceBytes bytes = FindResourceBytes(quotedName, type);
  if (bytes.data == nullptr || bytes.size < kMinResourceSize)
    return {};
  return bytes;
}

namespace {

// The text form of an integer resource id: "#" followed by decimal digits only.
bool IsNumericIdName(const char* name)
{
  if (name == nullptr || name[0] != '#' || name[1] == '\0')
    return false;
  for (const char* p = name + 1; *p != '\0'; ++p)
    if (*p < '0' || *p > '9')
      return false;
  return true;
}

// A module's resource directory keeps string names and types in capitals and matches them without
// regard to case; so does the table.
bool EqualsIgnoringCase(const std::string& a, const char* b)
{
  const std::size_t n = std::strlen(b);
  if (a.size() != n)
    return false;
  for (std::size_t i = 0; i < n; ++i)
  {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}

} // namespace

TableResourceSource::TableResourceSource(std::vector<ResourceEntry> entries, FileExistsFn fileExists)
  : mEntries(std::move(entries)), mFileExists(std::move(fileExists))
{
  // Entries without a name or type cannot be addressed; dropping them keeps every lookup null-safe.
  std::erase_if(mEntries, [](const ResourceEntry& e) { return e.name == nullptr || e.type == nullptr; });
}

std::vector<ResourceName> TableResourceSource::ResourceNames(const std::string& type) const
{
  std::vector<ResourceName> names;
  for (const ResourceEntry& e : mEntries)
    if (EqualsIgnoringCase(type, e.type))
      names.push_back(ResourceName{e.name, IsNumericIdName(e.name)});
  return names;
}

bool TableResourceSource::FileExists(const std::string& path) const
{
  if (mFileExists)
    return mFileExists(path);
  if (path.empty())
    return false;
  std::error_code ec; // a path we cannot inspect is a path we cannot load
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

ResourceBytes TableResourceSource::FindResourceBytes(const std::string& quotedName, const std::string& type) const
{
  const auto it = std::find_if(mEntries.begin(), mEntries.end(), [&](const ResourceEntry& e) {
    return EqualsIgnoringCase(quotedName, e.name) && EqualsIgnoringCase(type, e.type);
  });
  if (it == mEntries.end())
    return {};
  return ResourceBytes{it->data, it->size};
}

} // namespace iplug::igraphics
