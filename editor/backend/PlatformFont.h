#pragma once

#include "editor/backend/FontDescriptor.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace iplug::igraphics {

// The bytes of a font together with what its tables say about it.
struct FontData
{
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  FontDescriptor descriptor;

  bool IsValid() const { return data != nullptr && size > 0 && descriptor.valid; }
};

// A font installed with the operating system for this process from its bytes; the installation goes
// with this object.
class InstalledFont
{
public:
  virtual ~InstalledFont();
};

// A font the platform can draw with, made from a family name, weight, italic and underline.
class PlatformFont
{
public:
  virtual ~PlatformFont();
  virtual const void* GetFontHandle() const = 0;
  virtual FontData GetFontData() const = 0;
  const char* GetStyle() const { return mStyle; }

protected:
  explicit PlatformFont(const FontDescriptor& descriptor);

private:
  const char* mStyle; // "Regular", "Bold" or "Italic"
};

// The form fonts take where the operating system is not asked to install them: the font is its bytes
// (borrowed from the module's resources, or owned when read from a file) plus the creation attributes.
class MemoryFont final : public PlatformFont
{
public:
  // Null when the bytes do not describe a usable TrueType font.
  static std::unique_ptr<MemoryFont> Create(const unsigned char* data, std::size_t size,
                                            std::vector<unsigned char> owned = {});

  const void* GetFontHandle() const override { return this; }
  FontData GetFontData() const override { return {mData, mSize, mDescriptor}; }

  const std::string& Family() const { return mDescriptor.family; }
  int Weight() const { return mDescriptor.Weight(); }
  bool Italic() const { return mDescriptor.IsItalic(); }
  bool Underline() const { return mDescriptor.IsUnderline(); }

private:
  MemoryFont(const unsigned char* data, std::size_t size, std::vector<unsigned char> owned,
             const FontDescriptor& descriptor);

  std::vector<unsigned char> mOwned;
  const unsigned char* mData;
  std::size_t mSize;
  FontDescriptor mDescriptor;
};

} // namespace iplug::igraphics
