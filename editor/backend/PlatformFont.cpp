#include "editor/backend/PlatformFont.h"

namespace iplug::igraphics {

namespace {

const char* StyleText(const FontDescriptor& d)
{
  if (d.IsBold())
    return "Bold";
  if (d.IsItalic())
    return "Italic";
  return "Regular";
}

} // namespace

PlatformFont::PlatformFont(const FontDescriptor& descriptor) : mStyle(StyleText(descriptor)) {}

PlatformFont::~PlatformFont() = default;

InstalledFont::~InstalledFont() = default;

std::unique_ptr<MemoryFont> MemoryFont::Create(const unsigned char* data, std::size_t size,
                                               std::vector<unsigned char> owned)
{
  if (!owned.empty())
  {
    data = owned.data();
    size = owned.size();
  }
  if (data == nullptr || size == 0)
    return nullptr;
  const FontDescriptor descriptor = ReadFontDescriptor(data, size);
  if (!descriptor.valid)
    return nullptr;
  return std::unique_ptr<MemoryFont>(new MemoryFont(data, size, std::move(owned), descriptor));
}

MemoryFont::MemoryFont(const unsigned char* data, std::size_t size, std::vector<unsigned char> owned,
                       const FontDescriptor& descriptor)
  : PlatformFont(descriptor), mOwned(std::move(owned)), mData(data), mSize(size), mDescriptor(descriptor)
{
  // A moved vector keeps its buffer, but re-point anyway so the borrowed pointer can never dangle.
  if (!mOwned.empty())
    mData = mOwned.data();
}

} // namespace iplug::igraphics
