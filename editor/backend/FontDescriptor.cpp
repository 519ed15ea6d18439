#include "editor/backend/FontDescriptor.h"

#include <array>
#include <optional>

namespace iplug::igraphics {

namespace {

// A bounds-checked big-endian view of the font bytes. Offsets are checked by subtraction so that
// hostile offsets near SIZE_MAX cannot wrap around.
class Reader
{
public:
  Reader(const unsigned char* data, std::size_t size) : mData(data), mSize(data != nullptr ? size : 0) {}

  bool Has(std::size_t offset, std::size_t length) const
  {
    return offset <= mSize && length <= mSize - offset;
  }

  std::optional<std::uint16_t> U16(std::size_t offset) const
  {
    if (!Has(offset, 2))
      return std::nullopt;
    return static_cast<std::uint16_t>((mData[offset] << 8) | mData[offset + 1]);
  }

  std::optional<std::uint32_t> U32(std::size_t offset) const
  {
    if (!Has(offset, 4))
      return std::nullopt;
    return (static_cast<std::uint32_t>(mData[offset]) << 24) | (static_cast<std::uint32_t>(mData[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(mData[offset + 2]) << 8) | static_cast<std::uint32_t>(mData[offset + 3]);
  }

  std::optional<std::int16_t> S16(std::size_t offset) const
  {
    const auto u = U16(offset);
    if (!u)
      return std::nullopt;
    return static_cast<std::int16_t>(*u); // two's complement conversion is defined since C++20
  }

  const unsigned char* At(std::size_t offset) const { return mData + offset; }

private:
  const unsigned char* mData;
  std::size_t mSize;
};

constexpr std::uint32_t Tag(char a, char b, char c, char d)
{
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

struct TableRange
{
  std::size_t offset = 0;
  std::size_t length = 0;
  bool present = false;
};

// The fields read from each table end before these sizes; a shorter table is damaged.
constexpr std::size_t kHeadMinLength = 46; // macStyle at 44-45
constexpr std::size_t kHheaMinLength = 10; // lineGap at 8-9
constexpr std::size_t kNameHeaderLength = 6;
constexpr std::size_t kNameRecordLength = 12;
constexpr std::size_t kDirectoryHeaderLength = 12;
constexpr std::size_t kDirectoryRecordLength = 16;

void AppendUtf8(std::string& out, std::uint32_t cp)
{
  if (cp < 0x80)
    out += static_cast<char>(cp);
  else if (cp < 0x800)
  {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else if (cp < 0x10000)
  {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else
  {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Mac Roman 0x80-0xFF as Unicode code points.
constexpr std::array<std::uint16_t, 128> kMacRomanHigh = {
  0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
  0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
  0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
  0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
  0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
  0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
  0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
  0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// How well a name record's encoding suits us; higher is better, 0 unusable.
int RecordRank(std::uint16_t platform, std::uint16_t encoding, std::uint16_t language)
{
  constexpr std::uint16_t kEnglishUS = 0x0409;
  if (platform == 3 && (encoding == 1 || encoding == 10))
    return language == kEnglishUS ? 4 : 3; // Windows names, what the platform font is created from
  if (platform == 0)
    return 2;
  if (platform == 1 && encoding == 0)
    return 1; // Mac Roman, any language
  return 0;
}

std::string DecodeRecord(std::uint16_t platform, const unsigned char* bytes, std::size_t length)
{
  return platform == 1 ? MacRomanToUtf8(bytes, length) : Utf16BEToUtf8(bytes, length);
}

// Reads name records 1 and 2; returns false when the table's header or record array is out of bounds.
bool ReadNames(const Reader& r, const TableRange& table, FontDescriptor& d)
{
  if (table.length < kNameHeaderLength)
    return false;
  const auto count = r.U16(table.offset + 2);
  const auto stringOffset = r.U16(table.offset + 4);
  if (!count || !stringOffset)
    return false;
  if (static_cast<std::size_t>(*count) * kNameRecordLength > table.length - kNameHeaderLength)
    return false;

  int familyRank = 0;
  int styleRank = 0;
  for (std::size_t i = 0; i < *count; ++i)
  {
    const std::size_t rec = table.offset + kNameHeaderLength + i * kNameRecordLength;
    const auto platform = r.U16(rec);
    const auto encoding = r.U16(rec + 2);
    const auto language = r.U16(rec + 4);
    const auto nameId = r.U16(rec + 6);
    const auto length = r.U16(rec + 8);
    const auto offset = r.U16(rec + 10);
    if (!platform || !encoding || !language || !nameId || !length || !offset)
      return false;
    if (*nameId != 1 && *nameId != 2)
      continue;
    const int rank = RecordRank(*platform, *encoding, *language);
    int& best = *nameId == 1 ? familyRank : styleRank;
    if (rank <= best)
      continue;
    // A record whose string lies outside its table is skipped, not trusted; another may still serve.
    const std::size_t relative = static_cast<std::size_t>(*stringOffset) + *offset;
    if (relative > table.length || *length > table.length - relative)
      continue;
    std::string text = DecodeRecord(*platform, r.At(table.offset + relative), *length);
    if (text.empty())
      continue;
    (*nameId == 1 ? d.family : d.style) = std::move(text);
    best = rank;
  }
  return true;
}

} // namespace

std::string MacRomanToUtf8(const unsigned char* data, std::size_t size)
{
  std::string out;
  if (data == nullptr)
    return out;
  for (std::size_t i = 0; i < size; ++i)
    AppendUtf8(out, data[i] < 0x80 ? data[i] : kMacRomanHigh[data[i] - 0x80u]);
  return out;
}

std::string Utf16BEToUtf8(const unsigned char* data, std::size_t size)
{
  std::string out;
  if (data == nullptr)
    return out;
  constexpr std::uint32_t kReplacement = 0xFFFD;
  const std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i)
  {
    const std::uint32_t u = (static_cast<std::uint32_t>(data[2 * i]) << 8) | data[2 * i + 1];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units)
    {
      const std::uint32_t lo = (static_cast<std::uint32_t>(data[2 * i + 2]) << 8) | data[2 * i + 3];
      if (lo >= 0xDC00 && lo <= 0xDFFF)
      {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

FontDescriptor ReadFontDescriptor(const unsigned char* data, std::size_t size)
{
  FontDescriptor d;
  const Reader r(data, size);

  const auto version = r.U32(0);
  const auto numTables = r.U16(4);
  if (!version || !numTables)
    return d;
  // TrueType outlines (1.0 or Apple's 'true') and CFF ('OTTO') share this directory layout.
  if (*version != 0x00010000u && *version != Tag('t', 'r', 'u', 'e') && *version != Tag('O', 'T', 'T', 'O'))
    return d;
  if (!r.Has(kDirectoryHeaderLength, static_cast<std::size_t>(*numTables) * kDirectoryRecordLength))
    return d;

  TableRange head, name, hhea, fdsc;
  for (std::size_t i = 0; i < *numTables; ++i)
  {
    const std::size_t rec = kDirectoryHeaderLength + i * kDirectoryRecordLength;
    const auto tag = r.U32(rec);
    const auto offset = r.U32(rec + 8);
    const auto length = r.U32(rec + 12);
    if (!tag || !offset || !length)
      return d;
    TableRange* slot = *tag == Tag('h', 'e', 'a', 'd')   ? &head
                       : *tag == Tag('n', 'a', 'm', 'e') ? &name
                       : *tag == Tag('h', 'h', 'e', 'a') ? &hhea
                       : *tag == Tag('f', 'd', 's', 'c') ? &fdsc
                                                         : nullptr;
    if (slot == nullptr || slot->present)
      continue; // the first entry of a tag wins; later duplicates are ignored
    // A table that claims bytes beyond the data is damage, whichever table it is of these four.
    if (!r.Has(*offset, *length))
      return d;
    *slot = TableRange{*offset, *length, true};
  }
  if (!head.present || !name.present || !hhea.present)
    return d;
  if (head.length < kHeadMinLength || hhea.length < kHheaMinLength)
    return d;

  d.headOffset = head.offset;
  d.nameOffset = name.offset;
  d.hheaOffset = hhea.offset;
  d.fdscOffset = fdsc.present ? fdsc.offset : 0;

  // In bounds by the table checks above; the optionals are still checked rather than assumed.
  const auto upem = r.U16(head.offset + 18);
  const auto macStyle = r.U16(head.offset + 44);
  const auto ascender = r.S16(hhea.offset + 4);
  const auto descender = r.S16(hhea.offset + 6);
  const auto lineGap = r.S16(hhea.offset + 8);
  if (!upem || !macStyle || !ascender || !descender || !lineGap || *upem == 0)
    return d;
  d.unitsPerEm = *upem;
  d.macStyle = *macStyle;
  d.ascender = *ascender;
  d.descender = *descender;
  d.lineGap = *lineGap;

  if (!ReadNames(r, name, d) || d.family.empty())
    return d;
  d.valid = true;
  return d;
}

} // namespace iplug::igraphics
