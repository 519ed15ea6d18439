#include "resources/EmbeddedResources.h"

namespace quorvane::resources {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

} // namespace

const EmbeddedResource* Find(std::string_view name, std::string_view type) {
  for (const EmbeddedResource& resource : All()) {
    if (EqualIgnoringCase(resource.name, name) && EqualIgnoringCase(resource.type, type)) {
      return &resource;
    }
  }
  return nullptr;
}

} // namespace quorvane::resources
