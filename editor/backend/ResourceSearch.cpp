#include "editor/backend/ResourceSearch.h"

#include <cstdint>

namespace iplug::igraphics {

std::string ToLowerAscii(std::string s)
{
  for (char& c : s)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string ToUpperAscii(std::string s)
{
  for (char& c : s)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return s;
}

namespace {

std::string WithoutLeadingDot(const std::string& extension)
{
  return !extension.empty() && extension.front() == '.' ? extension.substr(1) : extension;
}

// Index of the dot that starts the extension of the last path component, or npos.
std::size_t ExtensionDot(const std::string& name)
{
  const std::size_t dot = name.find_last_of('.');
  const std::size_t sep = name.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
    return std::string::npos;
  return dot;
}

} // namespace

std::string ResourceTypeFor(const std::string& extension)
{
  return ToUpperAscii(WithoutLeadingDot(extension));
}

EResourceLocation LocateResource(const IResourceSource& source, const std::string& candidate,
                                 const std::string& extension, std::string& path)
{
  const std::string wanted = ToLowerAscii(candidate);
  for (const ResourceName& name : source.ResourceNames(ResourceTypeFor(extension)))
  {
    if (name.isNumericId || name.text.size() < 2)
      continue;
    // Stored names are wrapped in double quotes; compare what is inside them.
    const std::string inner = ToLowerAscii(name.text.substr(1, name.text.size() - 2));
    if (inner == wanted)
    {
      path = "\"" + inner + "\"";
      return EResourceLocation::Resource;
    }
  }
  if (source.FileExists(candidate))
  {
    path = candidate;
    return EResourceLocation::File;
  }
  return EResourceLocation::NotFound;
}

std::string ScaledCandidateName(const std::string& name, const std::string& extension, int n)
{
  if (n == 1)
    return name;
  const std::size_t dot = ExtensionDot(name);
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = WithoutLeadingDot(extension);
  return stem + "@" + std::to_string(n) + "x" + (ext.empty() ? std::string() : "." + ext);
}

EResourceLocation FindImageResource(const IResourceSource& source, const std::string& name,
                                    const std::string& extension, std::string& path, int targetScale,
                                    int& foundScale, std::vector<std::string>* tried)
{
  // Exact candidate first; then 3, since a higher-density picture scales down better than a lower
  // one scales up; then everything below the target, nearest first.
  int n = targetScale;
  while (n > 0)
  {
    const std::string candidate = ScaledCandidateName(name, extension, n);
    if (tried != nullptr)
      tried->push_back(candidate);
    const EResourceLocation location = LocateResource(source, candidate, extension, path);
    if (location != EResourceLocation::NotFound)
    {
      foundScale = n;
      return location;
    }
    // 64-bit so a target of INT_MAX cannot overflow in target + 1.
    const std::int64_t target = targetScale;
    if (n == targetScale && targetScale != 3)
      n = 3;
    else if (static_cast<std::int64_t>(n) == target + 1)
      n = targetScale - 1;
    else
      n -= 1;
  }
  foundScale = n;
  return EResourceLocation::NotFound;
}

bool IsValidBitmapExtension(const std::string& extension)
{
  const std::string ext = ToLowerAscii(extension);
  return ext.find("png") != std::string::npos || ext.find("jpg") != std::string::npos ||
         ext.find("jpeg") != std::string::npos;
}

std::string ExtensionOf(const std::string& name)
{
  const std::size_t dot = ExtensionDot(name);
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

BitmapLocation LocateBitmap(const IResourceSource& source, const std::string& name, int targetScale,
                            std::vector<std::string>* tried)
{
  BitmapLocation result;
  result.extension = ExtensionOf(name);
  result.location = FindImageResource(source, name, result.extension, result.path, targetScale,
                                      result.foundScale, tried);
  if (!IsValidBitmapExtension(result.extension))
  {
    result.location = EResourceLocation::NotFound;
    result.path.clear();
  }
  return result;
}

ResourceBytes ResourceBytesFor(const IResourceSource& source, const std::string& quotedName,
                               const std::string& extension)
{
  return source.FindResource(quotedName, ResourceTypeFor(extension));
}

} // namespace iplug::igraphics
