#pragma once

// The editor's pictures and font, built into the binary. Each file of resources/ is one entry, named
// like a module resource: the file name in capitals wrapped in double quotes ("\"BG@2X.PNG\"",
// "\"ROBOTO-REGULAR.TTF\""), typed with its upper-cased extension ("PNG", "TTF").

#include <cstddef>
#include <span>
#include <string_view>

namespace quorvane::resources {

struct EmbeddedResource {
  const char* name;          // quoted, upper case: "\"AKNOB@2X.PNG\""
  const char* type;          // "PNG" or "TTF"
  const unsigned char* data; // the file's bytes, valid for the life of the program
  std::size_t size;          // in bytes
};

// Every embedded resource, sorted by file name.
std::span<const EmbeddedResource> All();

// The resource with this name and type, or null. Both must match as whole strings, ignoring ASCII case,
// the way a module's resource lookup treats string names and types; the quotes are part of the name.
const EmbeddedResource* Find(std::string_view name, std::string_view type);

} // namespace quorvane::resources
