#pragma once

#include "editor/backend/IResourceSource.h"

#include <string>
#include <vector>

namespace iplug::igraphics {

// Where a name was found. The numeric values are the kinds the window's loader switches on.
enum class EResourceLocation : int
{
  NotFound = 0,
  File = 1,     // path is a file-system path
  Resource = 2, // path is the quoted, lower-cased resource name
};

// Lower-cases ASCII only: resource names and extensions are ASCII, and locale-dependent folding
// would make the match differ between machines.
std::string ToLowerAscii(std::string s);
std::string ToUpperAscii(std::string s);

// The resource type searched for an extension: upper-cased, without a leading dot ("png" -> "PNG").
std::string ResourceTypeFor(const std::string& extension);

// Looks up one candidate file name: resources of the extension's type first (compared without
// their quotes, case-insensitively, numeric ids skipped), then the file system.
EResourceLocation LocateResource(const IResourceSource& source, const std::string& candidate,
                                 const std::string& extension, std::string& path);

// The candidate for scale n: the name itself at n = 1, else "%s@%dx%s" (stem, n, ".extension").
std::string ScaledCandidateName(const std::string& name, const std::string& extension, int n);

// Searches the scales in the fallback order (target, then 3, then downwards; see the .cpp).
// foundScale is the scale of the hit, or the last n (<= 0) when nothing is found. When tried is
// given, every candidate looked up is appended to it, in order.
EResourceLocation FindImageResource(const IResourceSource& source, const std::string& name,
                                    const std::string& extension, std::string& path, int targetScale,
                                    int& foundScale, std::vector<std::string>* tried = nullptr);

// True when the lower-cased extension contains "png", "jpg" or "jpeg".
bool IsValidBitmapExtension(const std::string& extension);

// The text after the last "." of a name's final path component; empty when it has none.
std::string ExtensionOf(const std::string& name);

// The outcome of a bitmap request before decoding: where the image is and for which scale.
struct BitmapLocation
{
  EResourceLocation location = EResourceLocation::NotFound;
  std::string path;
  std::string extension;
  int foundScale = 0;

  bool Found() const { return location != EResourceLocation::NotFound; }
};

// Locates the image a bitmap request names (targetScale already resolved, >= 1). Not found when the
// search finds nothing or the extension is not a bitmap extension.
BitmapLocation LocateBitmap(const IResourceSource& source, const std::string& name, int targetScale,
                            std::vector<std::string>* tried = nullptr);

// The bytes of a Resource-kind result: found by its quoted name with the extension's type.
ResourceBytes ResourceBytesFor(const IResourceSource& source, const std::string& quotedName,
                               const std::string& extension);

} // namespace iplug::igraphics
