#include "resources/EmbeddedResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using quorvane::resources::All;
using quorvane::resources::EmbeddedResource;
using quorvane::resources::Find;

struct Picture {
  const char* name;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t frames;
};

// The editor's bitmap table: pixel size of the 2x picture and its number of vertically stacked frames.
constexpr Picture kPictures[] = {
    {"\"BG@2X.PNG\"", 1210, 1204, 1},     {"\"BSW@2X.PNG\"", 148, 296, 2},
    {"\"SSW@2X.PNG\"", 48, 96, 2},        {"\"OVER@2X.PNG\"", 354, 68, 2},
    {"\"ATRAT@2X.PNG\"", 128, 768, 6},    {"\"REL@2X.PNG\"", 124, 620, 5},
    {"\"AKNOB@2X.PNG\"", 128, 15488, 121}, {"\"NEEDLE@2X.PNG\"", 318, 14140, 101},
};

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

bool IsPng(const EmbeddedResource& r) {
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (r.size < 33) {
    return false;
  }
  for (int i = 0; i < 8; ++i) {
    if (r.data[i] != kSignature[i]) {
      return false;
    }
  }
  return r.data[12] == 'I' && r.data[13] == 'H' && r.data[14] == 'D' && r.data[15] == 'R';
}

TEST(EmbeddedResources, EveryPictureOfTheTableHasItsSizeAndFrames) {
  for (const Picture& picture : kPictures) {
    SCOPED_TRACE(picture.name);
    const EmbeddedResource* r = Find(picture.name, "PNG");
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(IsPng(*r));
    const std::uint32_t width = BigEndian32(r->data + 16);
    const std::uint32_t height = BigEndian32(r->data + 20);
    EXPECT_EQ(width, picture.width);
    EXPECT_EQ(height, picture.height);
    EXPECT_EQ(height % picture.frames, 0u);
    // One frame at 1x: the frame height in editor units times the density.
    EXPECT_EQ(height / picture.frames % 2, 0u);
  }
}

TEST(EmbeddedResources, TheNeedleHasAnAlphaChannel) {
  const EmbeddedResource* r = Find("\"NEEDLE@2X.PNG\"", "PNG");
  ASSERT_NE(r, nullptr);
  ASSERT_TRUE(IsPng(*r));
  const unsigned char colourType = r->data[25];
  EXPECT_TRUE(colourType == 4 || colourType == 6) << "colour type " << int{colourType};
}

TEST(EmbeddedResources, EveryEmbeddedPictureIsInTheTable) {
  std::set<std::string> known;
  for (const Picture& picture : kPictures) {
    known.insert(picture.name);
  }
  std::size_t pictures = 0;
  for (const EmbeddedResource& r : All()) {
    if (std::string(r.type) == "PNG") {
      ++pictures;
      EXPECT_EQ(known.count(r.name), 1u) << r.name;
    }
  }
  EXPECT_EQ(pictures, std::size(kPictures));
}

TEST(EmbeddedResources, NamesAreQuotedCapitalsAndTypesAreTheExtension) {
  ASSERT_FALSE(All().empty());
  std::set<std::string> names;
  for (const EmbeddedResource& r : All()) {
    const std::string name = r.name;
    const std::string type = r.type;
    SCOPED_TRACE(name);
    ASSERT_GE(name.size(), 3u);
    EXPECT_EQ(name.front(), '"');
    EXPECT_EQ(name.back(), '"');
    for (char c : name) {
      EXPECT_FALSE(c >= 'a' && c <= 'z');
    }
    const std::string bare = name.substr(1, name.size() - 2);
    const auto dot = bare.rfind('.');
    ASSERT_NE(dot, std::string::npos);
    EXPECT_EQ(bare.substr(dot + 1), type);
    EXPECT_TRUE(type == "PNG" || type == "TTF");
    EXPECT_GE(r.size, 8u) << "a resource smaller than 8 bytes counts as absent";
    EXPECT_NE(r.data, nullptr);
    EXPECT_TRUE(names.insert(name).second) << "duplicate name";
    EXPECT_EQ(Find(r.name, r.type), &r);
  }
}

TEST(EmbeddedResources, TheFontIsATrueTypeFile) {
  const EmbeddedResource* r = Find("\"ROBOTO-REGULAR.TTF\"", "TTF");
  ASSERT_NE(r, nullptr);
  ASSERT_GT(r->size, 8u);
  const std::uint32_t version = BigEndian32(r->data);
  EXPECT_TRUE(version == 0x00010000u || version == 0x74727565u) << std::hex << version;
}

TEST(EmbeddedResources, FindMatchesWholeNamesAndTypes) {
  // Whole strings only: the quotes belong to the name, and the type must match too.
  EXPECT_EQ(Find("BG@2X.PNG", "PNG"), nullptr);
  EXPECT_EQ(Find("\"BG@2X.PNG\"", "TTF"), nullptr);
  EXPECT_EQ(Find("\"BG@2X.PN\"", "PNG"), nullptr);
  EXPECT_EQ(Find("\"BG.PNG\"", "PNG"), nullptr);
  EXPECT_EQ(Find("", ""), nullptr);
  // Module resource names are case-insensitive: the lookup rebuilds a lower-case quoted name.
  const EmbeddedResource* upper = Find("\"BG@2X.PNG\"", "PNG");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(Find("\"bg@2x.png\"", "PNG"), upper);
  EXPECT_EQ(Find("\"bg@2x.png\"", "png"), upper);
}

TEST(EmbeddedResources, BytesAreThoseOfTheFilesInResources) {
  // Every .png and .ttf file of resources/ is embedded, byte for byte, under its upper-cased name.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(QUORVANE_SOURCE_DIR) / "resources")) {
    std::string extension = entry.path().extension().string();
    for (char& c : extension) {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (extension != ".PNG" && extension != ".TTF") {
      continue;
    }
    ++files;
    std::string name = entry.path().filename().string();
    for (char& c : name) {
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    SCOPED_TRACE(name);
    const EmbeddedResource* r = Find("\"" + name + "\"", extension.substr(1));
    ASSERT_NE(r, nullptr);
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), r->size);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), r->data));
  }
  EXPECT_EQ(files, All().size());
}

} // namespace
