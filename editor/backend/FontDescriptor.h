#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace iplug::igraphics {

// What the back end needs to know about a TrueType font to create a platform font for it and to
// lay out text: read from the font's own tables, never from the operating system.
struct FontDescriptor
{
  // Byte offsets of the tables within the font data; 0 when the table is absent.
  std::size_t headOffset = 0;
  std::size_t nameOffset = 0;
  std::size_t hheaOffset = 0;
  std::size_t fdscOffset = 0; // optional (Apple fonts only)

  std::uint16_t unitsPerEm = 0;
  std::uint16_t macStyle = 0;
  std::string family; // name record 1, UTF-8
  std::string style;  // name record 2, UTF-8
  std::int16_t ascender = 0;
  std::int16_t descender = 0;
  std::int16_t lineGap = 0;

  bool valid = false;

  bool IsBold() const { return (macStyle & 0x1) != 0; }
  bool IsItalic() const { return (macStyle & 0x2) != 0; }
  bool IsUnderline() const { return (macStyle & 0x4) != 0; }
  int Weight() const { return IsBold() ? 700 : 400; }
};

// Reads the descriptor from font data. Every read is bounds-checked against size: damaged or
// truncated data gives a descriptor with valid == false, never a read outside [data, data + size).
// Valid needs the head, name and hhea tables in bounds, units per em > 0 and a family name.
FontDescriptor ReadFontDescriptor(const unsigned char* data, std::size_t size);

// Mac Roman byte to UTF-8 (the encoding of platform-1 name records).
std::string MacRomanToUtf8(const unsigned char* data, std::size_t size);

// UTF-16 big-endian to UTF-8 (platforms 0 and 3). Unpaired surrogates become U+FFFD; an odd final
// byte is ignored.
std::string Utf16BEToUtf8(const unsigned char* data, std::size_t size);

} // namespace iplug::igraphics
