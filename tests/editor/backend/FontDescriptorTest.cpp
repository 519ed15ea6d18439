#include "editor/backend/FontDescriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace iplug::igraphics;
using Bytes = std::vector<unsigned char>;

namespace {

void Put16(Bytes& b, std::size_t at, std::uint16_t v)
{
  b[at] = static_cast<unsigned char>(v >> 8);
  b[at + 1] = static_cast<unsigned char>(v);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
  Put16(b, at, static_cast<std::uint16_t>(v >> 16));
  Put16(b, at + 2, static_cast<std::uint16_t>(v));
}

Bytes Utf16(const std::string& ascii)
{
  Bytes out;
  for (char c : ascii)
  {
    out.push_back(0);
    out.push_back(static_cast<unsigned char>(c));
  }
  return out;
}

struct NameRecord
{
  std::uint16_t platform, encoding, language, nameId;
  Bytes text;
};

Bytes NameTable(const std::vector<NameRecord>& records)
{
  const std::size_t header = 6 + 12 * records.size();
  Bytes t(header, 0);
  Put16(t, 2, static_cast<std::uint16_t>(records.size()));
  Put16(t, 4, static_cast<std::uint16_t>(header));
  std::size_t stringAt = 0;
  for (std::size_t i = 0; i < records.size(); ++i)
  {
    const NameRecord& r = records[i];
    const std::size_t at = 6 + 12 * i;
    Put16(t, at, r.platform);
    Put16(t, at + 2, r.encoding);
    Put16(t, at + 4, r.language);
    Put16(t, at + 6, r.nameId);
    Put16(t, at + 8, static_cast<std::uint16_t>(r.text.size()));
    Put16(t, at + 10, static_cast<std::uint16_t>(stringAt));
    t.insert(t.end(), r.text.begin(), r.text.end());
    stringAt += r.text.size();
  }
  return t;
}

struct Table
{
  std::string tag;
  Bytes data;
};

// A minimal sfnt: the directory, then the tables in the given order, each 4-byte aligned except the
// last, so the file ends exactly where the last table does.
Bytes Font(const std::vector<Table>& tables, std::vector<std::size_t>* offsets = nullptr)
{
  Bytes b(12 + 16 * tables.size(), 0);
  Put32(b, 0, 0x00010000);
  Put16(b, 4, static_cast<std::uint16_t>(tables.size()));
  for (std::size_t i = 0; i < tables.size(); ++i)
  {
    while (b.size() % 4 != 0)
      b.push_back(0);
    const std::size_t rec = 12 + 16 * i;
    for (std::size_t k = 0; k < 4; ++k)
      b[rec + k] = static_cast<unsigned char>(tables[i].tag[k]);
    Put32(b, rec + 8, static_cast<std::uint32_t>(b.size()));
    Put32(b, rec + 12, static_cast<std::uint32_t>(tables[i].data.size()));
    if (offsets != nullptr)
      offsets->push_back(b.size());
    b.insert(b.end(), tables[i].data.begin(), tables[i].data.end());
  }
  return b;
}

Bytes Head(std::uint16_t unitsPerEm, std::uint16_t macStyle)
{
  Bytes h(54, 0);
  Put32(h, 12, 0x5F0F3CF5);
  Put16(h, 18, unitsPerEm);
  Put16(h, 44, macStyle);
  return h;
}

Bytes Hhea(std::int16_t asc, std::int16_t desc, std::int16_t gap)
{
  Bytes h(36, 0);
  Put16(h, 4, static_cast<std::uint16_t>(asc));
  Put16(h, 6, static_cast<std::uint16_t>(desc));
  Put16(h, 8, static_cast<std::uint16_t>(gap));
  return h;
}

Bytes WindowsNames(const std::string& family = "Synth Sans", const std::string& style = "Bold Italic")
{
  return NameTable({{3, 1, 0x0409, 1, Utf16(family)}, {3, 1, 0x0409, 2, Utf16(style)}});
}

Bytes GoodFont(std::vector<std::size_t>* offsets = nullptr)
{
  return Font({{"head", Head(1000, 0x0003)}, {"hhea", Hhea(800, -200, 90)}, {"fdsc", Bytes(8, 0)},
               {"name", WindowsNames()}},
              offsets);
}

// Parses from an exactly sized heap copy so that ASan flags any read past the end.
FontDescriptor Parse(const Bytes& b)
{
  const auto copy = std::make_unique<unsigned char[]>(b.size() + (b.empty() ? 1 : 0));
  std::copy(b.begin(), b.end(), copy.get());
  return ReadFontDescriptor(copy.get(), b.size());
}

} // namespace

TEST(FontDescriptor, ReadsEveryFieldOfAWellFormedFont)
{
  std::vector<std::size_t> offsets;
  const FontDescriptor d = Parse(GoodFont(&offsets));
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.headOffset, offsets[0]);
  EXPECT_EQ(d.hheaOffset, offsets[1]);
  EXPECT_EQ(d.fdscOffset, offsets[2]);
  EXPECT_EQ(d.nameOffset, offsets[3]);
  EXPECT_EQ(d.unitsPerEm, 1000);
  EXPECT_TRUE(d.IsBold());
  EXPECT_TRUE(d.IsItalic());
  EXPECT_FALSE(d.IsUnderline());
  EXPECT_EQ(d.Weight(), 700);
  EXPECT_EQ(d.family, "Synth Sans");
  EXPECT_EQ(d.style, "Bold Italic");
  EXPECT_EQ(d.ascender, 800);
  EXPECT_EQ(d.descender, -200); // signed: 0xFF38
  EXPECT_EQ(d.lineGap, 90);
}

TEST(FontDescriptor, StyleBitsAreIndependent)
{
  for (std::uint16_t bits = 0; bits < 8; ++bits)
  {
    const FontDescriptor d = Parse(Font({{"head", Head(2048, bits)}, {"hhea", Hhea(1, -1, 0)}, {"name", WindowsNames()}}));
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(d.IsBold(), (bits & 1) != 0);
    EXPECT_EQ(d.IsItalic(), (bits & 2) != 0);
    EXPECT_EQ(d.IsUnderline(), (bits & 4) != 0);
    EXPECT_EQ(d.Weight(), (bits & 1) != 0 ? 700 : 400);
  }
}

TEST(FontDescriptor, FdscIsOptional)
{
  const FontDescriptor d = Parse(Font({{"name", WindowsNames()}, {"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)}}));
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.fdscOffset, 0u);
  EXPECT_EQ(d.Weight(), 400);
}

TEST(FontDescriptor, ReadsMacRomanNames)
{
  const Bytes family = {'C', 'a', 'f', 0x8E}; // "Café"
  const FontDescriptor d = Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)},
                                       {"name", NameTable({{1, 0, 0, 1, family}, {1, 0, 0, 2, {'R', 'e', 'g'}}})}}));
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.family, "Caf\xC3\xA9");
  EXPECT_EQ(d.style, "Reg");
}

TEST(FontDescriptor, PrefersWindowsEnglishNamesWhicheverComesFirst)
{
  const Bytes mac = {'M', 'a', 'c'};
  const FontDescriptor d = Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)},
                                       {"name", NameTable({{1, 0, 0, 1, mac}, {3, 1, 0x0407, 1, Utf16("German")},
                                                           {3, 1, 0x0409, 1, Utf16("English")}, {0, 3, 0, 1, Utf16("Uni")}})}}));
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.family, "English");
  EXPECT_EQ(d.style, ""); // no record 2: not needed for validity
}

TEST(FontDescriptor, IgnoresRecordsOfUnknownEncodings)
{
  const Bytes shiftJis = {'S', 'J'};
  const FontDescriptor d = Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)},
                                       {"name", NameTable({{3, 2, 0x0411, 1, shiftJis}})}}));
  EXPECT_FALSE(d.valid); // the only family name is unreadable
}

TEST(FontDescriptor, EveryTruncationIsInvalidAndStaysInBounds)
{
  const Bytes good = GoodFont();
  ASSERT_TRUE(Parse(good).valid);
  for (std::size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(Parse(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n))).valid) << n;
}

TEST(FontDescriptor, RejectsDamagedStructure)
{
  EXPECT_FALSE(ReadFontDescriptor(nullptr, 1000).valid);

  Bytes bad = GoodFont();
  Put32(bad, 0, 0x12345678); // not an sfnt
  EXPECT_FALSE(Parse(bad).valid);

  bad = GoodFont();
  Put16(bad, 4, 0xFFFF); // directory runs past the end
  EXPECT_FALSE(Parse(bad).valid);

  bad = GoodFont();
  Put32(bad, 12 + 8, 0xFFFFFFF0); // head offset near the top of the range: must not wrap
  EXPECT_FALSE(Parse(bad).valid);

  bad = GoodFont();
  Put32(bad, 12 + 12, 20); // head too short to hold macStyle
  EXPECT_FALSE(Parse(bad).valid);

  bad = GoodFont();
  Put32(bad, 12 + 16 + 12, 8); // hhea too short to hold lineGap
  EXPECT_FALSE(Parse(bad).valid);

  EXPECT_FALSE(Parse(Font({{"head", Head(0, 0)}, {"hhea", Hhea(1, -1, 0)}, {"name", WindowsNames()}})).valid);
  EXPECT_FALSE(Parse(Font({{"head", Head(2048, 0)}, {"name", WindowsNames()}})).valid);
  EXPECT_FALSE(Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)}})).valid);
  EXPECT_FALSE(Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)}, {"name", WindowsNames("", "Regular")}})).valid);
}

TEST(FontDescriptor, NameRecordsMustStayInsideTheirTable)
{
  Bytes names = WindowsNames();
  Put16(names, 6 + 10, 0xFFF0); // family string offset far outside the table
  Bytes font = Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)}, {"name", names}});
  EXPECT_FALSE(Parse(font).valid);

  names = WindowsNames();
  Put16(names, 2, 500); // more records than the table holds
  EXPECT_FALSE(Parse(Font({{"head", Head(2048, 0)}, {"hhea", Hhea(1, -1, 0)}, {"name", names}})).valid);

  // A name string that reads into the following table is damage even though it is inside the file.
  names = WindowsNames();
  Put16(names, 6 + 8, static_cast<std::uint16_t>(names.size()));
  EXPECT_FALSE(Parse(Font({{"head", Head(2048, 0)}, {"name", names}, {"hhea", Hhea(1, -1, 0)}})).valid);
}

TEST(FontDescriptor, SurvivesEverySingleByteCorruption)
{
  const Bytes good = GoodFont();
  for (std::size_t i = 0; i < good.size(); ++i)
    for (unsigned char v : {0x00, 0x7F, 0x80, 0xFF})
    {
      Bytes bad = good;
      bad[i] = v;
      const FontDescriptor d = Parse(bad);
      if (d.valid)
      {
        EXPECT_GT(d.unitsPerEm, 0);
        EXPECT_FALSE(d.family.empty());
      }
    }
}

TEST(FontDescriptor, RandomGarbageIsInvalid)
{
  std::uint32_t state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  for (int round = 0; round < 2000; ++round)
  {
    Bytes b(next() % 400);
    for (auto& c : b)
      c = static_cast<unsigned char>(next() >> 24);
    if (b.size() >= 6 && round % 2 == 0)
    {
      Put32(b, 0, 0x00010000); // get past the version check to exercise the directory walk
      Put16(b, 4, static_cast<std::uint16_t>(next() % 24));
    }
    EXPECT_FALSE(Parse(b).valid) << round;
  }
}

TEST(FontDescriptor, RealRobotoRegular)
{
  const char* path = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
  std::ifstream in(path, std::ios::binary);
  if (!in)
    GTEST_SKIP() << "fonts-roboto-unhinted not installed";
  const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const FontDescriptor d = Parse(data);
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.family, "Roboto");
  EXPECT_EQ(d.style, "Regular");
  EXPECT_EQ(d.unitsPerEm, 2048);
  EXPECT_EQ(d.Weight(), 400);
  EXPECT_FALSE(d.IsItalic());
  EXPECT_EQ(d.ascender, 1900);
  EXPECT_EQ(d.descender, -500);
  EXPECT_EQ(d.lineGap, 0);
  EXPECT_EQ(d.headOffset, 220u);
  EXPECT_EQ(d.hheaOffset, 276u);
  EXPECT_EQ(d.nameOffset, 225236u);
  EXPECT_EQ(d.fdscOffset, 0u);
}

TEST(TextDecoding, Utf16SurrogatesAndStrayHalves)
{
  const Bytes clef = {0xD8, 0x34, 0xDD, 0x1E, 0x00, 'A'};
  EXPECT_EQ(Utf16BEToUtf8(clef.data(), clef.size()), "\xF0\x9D\x84\x9E" "A");
  const Bytes stray = {0xD8, 0x00, 0x00, 'B', 0xDC, 0x00};
  EXPECT_EQ(Utf16BEToUtf8(stray.data(), stray.size()), "\xEF\xBF\xBD" "B" "\xEF\xBF\xBD");
  const Bytes odd = {0x00, 'C', 0x00};
  EXPECT_EQ(Utf16BEToUtf8(odd.data(), odd.size()), "C");
  const Bytes bmp = {0x00, 0xE9, 0x20, 0xAC};
  EXPECT_EQ(Utf16BEToUtf8(bmp.data(), bmp.size()), "\xC3\xA9\xE2\x82\xAC");
}

TEST(TextDecoding, MacRomanHighHalf)
{
  const Bytes text = {'a', 0x80, 0xA9, 0xDB, 0xFF};
  EXPECT_EQ(MacRomanToUtf8(text.data(), text.size()), "a\xC3\x84\xC2\xA9\xE2\x82\xAC\xCB\x87");
}
