#include "editor/backend/ResourceSearch.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace iplug::igraphics;

namespace {

const unsigned char kBytes[16] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0};

// A source whose files are exactly the given paths, so no test touches the real file system.
TableResourceSource Source(std::vector<ResourceEntry> entries, std::set<std::string> files = {})
{
  return TableResourceSource(std::move(entries), [files](const std::string& p) { return files.count(p) != 0; });
}

std::vector<std::string> Tried(int target, int* foundScale = nullptr)
{
  // Every candidate reaches the file check; a runaway search fails here instead of hanging.
  int lookups = 0;
  const TableResourceSource empty({}, [&lookups](const std::string&) {
    if (++lookups > 100)
      throw std::runtime_error("search does not terminate");
    return false;
  });
  std::vector<std::string> tried;
  std::string path;
  int found = 99;
  EXPECT_EQ(FindImageResource(empty, "AKNOB.png", "png", path, target, found, &tried), EResourceLocation::NotFound);
  if (foundScale != nullptr)
    *foundScale = found;
  return tried;
}

} // namespace

TEST(ResourceSearch, ScaledCandidateUsesStemScaleAndDottedExtension)
{
  EXPECT_EQ(ScaledCandidateName("AKNOB.png", "png", 2), "AKNOB@2x.png");
  EXPECT_EQ(ScaledCandidateName("AKNOB.png", "png", 1), "AKNOB.png");
  EXPECT_EQ(ScaledCandidateName("AKNOB.png", ".png", 3), "AKNOB@3x.png");
  EXPECT_EQ(ScaledCandidateName("img/x.y/BG.png", "png", 2), "img/x.y/BG@2x.png");
}

TEST(ResourceSearch, FallbackOrderForEachTarget)
{
  int found = 0;
  EXPECT_EQ(Tried(1, &found), (std::vector<std::string>{"AKNOB.png", "AKNOB@3x.png", "AKNOB@2x.png"}));
  EXPECT_EQ(found, 0);
  EXPECT_EQ(Tried(2), (std::vector<std::string>{"AKNOB@2x.png", "AKNOB@3x.png", "AKNOB.png"}));
  EXPECT_EQ(Tried(3), (std::vector<std::string>{"AKNOB@3x.png", "AKNOB@2x.png", "AKNOB.png"}));
  EXPECT_EQ(Tried(4), (std::vector<std::string>{"AKNOB@4x.png", "AKNOB@3x.png", "AKNOB@2x.png", "AKNOB.png"}));
}

TEST(ResourceSearch, NonPositiveTargetTriesNothingAndReportsIt)
{
  int found = 0;
  EXPECT_TRUE(Tried(0, &found).empty());
  EXPECT_EQ(found, 0);
  EXPECT_TRUE(Tried(-2, &found).empty());
  EXPECT_EQ(found, -2);
}

TEST(ResourceSearch, HugeTargetTerminatesWithoutOverflow)
{
  const auto tried = Tried(INT_MAX);
  ASSERT_EQ(tried.size(), 4u);
  EXPECT_EQ(tried[1], "AKNOB@3x.png");
  EXPECT_EQ(tried[3], "AKNOB.png");
}

TEST(ResourceSearch, KnobAtScaleOneFallsBackToTwoXResource)
{
  const auto src = Source({{"\"AKNOB@2X.PNG\"", "PNG", kBytes, sizeof kBytes}});
  std::vector<std::string> tried;
  std::string path;
  int found = 0;
  EXPECT_EQ(FindImageResource(src, "AKNOB.png", "png", path, 1, found, &tried), EResourceLocation::Resource);
  EXPECT_EQ(tried, (std::vector<std::string>{"AKNOB.png", "AKNOB@3x.png", "AKNOB@2x.png"}));
  EXPECT_EQ(found, 2);
  EXPECT_EQ(path, "\"aknob@2x.png\"");
}

TEST(ResourceSearch, TargetTwoFindsTwoXAtOnce)
{
  const auto src = Source({{"\"AKNOB@2X.PNG\"", "PNG", kBytes, sizeof kBytes}, {"\"AKNOB@3X.PNG\"", "PNG", kBytes, sizeof kBytes}});
  std::vector<std::string> tried;
  std::string path;
  int found = 0;
  EXPECT_EQ(FindImageResource(src, "AKNOB.png", "png", path, 2, found, &tried), EResourceLocation::Resource);
  EXPECT_EQ(tried.size(), 1u);
  EXPECT_EQ(found, 2);
}

TEST(ResourceSearch, PrefersThreeXOverTwoXForTargetOne)
{
  const auto src = Source({{"\"AKNOB@2X.PNG\"", "PNG", kBytes, sizeof kBytes}, {"\"AKNOB@3X.PNG\"", "PNG", kBytes, sizeof kBytes}});
  std::string path;
  int found = 0;
  EXPECT_EQ(FindImageResource(src, "AKNOB.png", "png", path, 1, found), EResourceLocation::Resource);
  EXPECT_EQ(found, 3);
  EXPECT_EQ(path, "\"aknob@3x.png\"");
}

TEST(ResourceLookup, QuotedNameMatchesCaseInsensitively)
{
  const auto src = Source({{"\"BG@2X.PNG\"", "PNG", kBytes, sizeof kBytes}});
  std::string path;
  EXPECT_EQ(LocateResource(src, "BG@2x.png", "png", path), EResourceLocation::Resource);
  EXPECT_EQ(path, "\"bg@2x.png\"");
  // The result is the stored name lower-cased; the source finds its bytes by it all the same.
  EXPECT_EQ(LocateResource(src, "bg@2X.PnG", "PNG", path), EResourceLocation::Resource);
  EXPECT_TRUE(ResourceBytesFor(src, path, "png").Found());
  EXPECT_FALSE(ResourceBytesFor(src, "\"bg@2x.pn\"", "png").Found());
}

TEST(ResourceLookup, ComparesOnlyWhatIsInsideTheQuotes)
{
  // Without stripping, "\"BG@2X.PNG\"" could never equal a bare file name; with a wrong strip
  // (only one side) neither could these.
  const auto src = Source({{"xBG.PNGx", "PNG", kBytes, sizeof kBytes}});
  std::string path;
  EXPECT_EQ(LocateResource(src, "bg.png", "png", path), EResourceLocation::Resource);
  EXPECT_EQ(LocateResource(src, "xbg.pngx", "png", path), EResourceLocation::NotFound);
}

TEST(ResourceLookup, SearchesOnlyTheExtensionsType)
{
  const auto src = Source({{"\"BG@2X.PNG\"", "TTF", kBytes, sizeof kBytes}});
  std::string path;
  EXPECT_EQ(LocateResource(src, "BG@2x.png", "png", path), EResourceLocation::NotFound);
}

TEST(ResourceLookup, NumericIdsAreSkipped)
{
  // "#101" without its first and last character would be "10".
  const auto src = Source({{"#101", "PNG", kBytes, sizeof kBytes}});
  std::string path;
  EXPECT_EQ(LocateResource(src, "10", "png", path), EResourceLocation::NotFound);
  ASSERT_EQ(src.ResourceNames("PNG").size(), 1u);
  EXPECT_TRUE(src.ResourceNames("PNG")[0].isNumericId);
  // A name that merely starts with '#' is a name.
  const auto named = Source({{"#1a#", "PNG", kBytes, sizeof kBytes}});
  EXPECT_EQ(LocateResource(named, "1a", "png", path), EResourceLocation::Resource);
}

TEST(ResourceLookup, TooShortNamesAreIgnoredSafely)
{
  const auto src = Source({{"\"", "PNG", kBytes, sizeof kBytes}, {"", "PNG", kBytes, sizeof kBytes}, {"\"\"", "PNG", kBytes, sizeof kBytes}});
  std::string path = "unchanged";
  EXPECT_EQ(LocateResource(src, "x.png", "png", path), EResourceLocation::NotFound);
  EXPECT_EQ(path, "unchanged");
}

TEST(ResourceLookup, FallsBackToAnExistingFile)
{
  const auto src = Source({}, {"/skins/AKNOB@3x.png"});
  std::string path;
  int found = 0;
  EXPECT_EQ(FindImageResource(src, "/skins/AKNOB.png", "png", path, 1, found), EResourceLocation::File);
  EXPECT_EQ(path, "/skins/AKNOB@3x.png");
  EXPECT_EQ(found, 3);
}

TEST(ResourceLookup, ResourceWinsOverFileOfTheSameCandidate)
{
  const auto src = Source({{"\"BG.PNG\"", "PNG", kBytes, sizeof kBytes}}, {"BG.png"});
  std::string path;
  EXPECT_EQ(LocateResource(src, "BG.png", "png", path), EResourceLocation::Resource);
  EXPECT_EQ(path, "\"bg.png\"");
}

TEST(ResourceLookup, DefaultFileCheckUsesTheFileSystem)
{
  const TableResourceSource src({});
  std::string path;
  EXPECT_EQ(LocateResource(src, QUORVANE_SOURCE_DIR "/CMakeLists.txt", "txt", path), EResourceLocation::File);
  EXPECT_EQ(LocateResource(src, QUORVANE_SOURCE_DIR "/no-such-file.png", "png", path), EResourceLocation::NotFound);
  EXPECT_EQ(LocateResource(src, QUORVANE_SOURCE_DIR, "", path), EResourceLocation::NotFound); // a directory
}

TEST(ResourceBytes, UnderEightBytesCountsAsAbsent)
{
  const auto src = Source({{"\"SEVEN.PNG\"", "PNG", kBytes, 7}, {"\"EIGHT.PNG\"", "PNG", kBytes, 8}, {"\"NULL.PNG\"", "PNG", nullptr, 100}});
  EXPECT_FALSE(ResourceBytesFor(src, "\"SEVEN.PNG\"", "png").Found());
  const ResourceBytes eight = ResourceBytesFor(src, "\"EIGHT.PNG\"", "png");
  ASSERT_TRUE(eight.Found());
  EXPECT_EQ(eight.size, 8u);
  EXPECT_EQ(eight.data, kBytes);
  EXPECT_FALSE(ResourceBytesFor(src, "\"NULL.PNG\"", "png").Found());
  EXPECT_FALSE(ResourceBytesFor(src, "\"EIGHT.PNG\"", "ttf").Found());
}

TEST(ResourceSource, FromTableAcceptsAnyTableOfTheSameShape)
{
  struct Embedded
  {
    const char* name;
    const char* type;
    const unsigned char* data;
    std::size_t size;
  };
  const Embedded table[] = {{"\"BG@2X.PNG\"", "PNG", kBytes, sizeof kBytes}, {nullptr, "PNG", kBytes, sizeof kBytes}};
  const auto src = TableResourceSource::FromTable(table, [](const std::string&) { return false; });
  EXPECT_EQ(src.ResourceNames("PNG").size(), 1u); // the unnamed entry is dropped
  std::string path;
  EXPECT_EQ(LocateResource(src, "BG@2x.png", "png", path), EResourceLocation::Resource);
}

TEST(BitmapExtension, AcceptsPngAndJpegInAnyCase)
{
  for (const char* ext : {"png", "PNG", "jpg", "JPG", "jpeg", "JPEG", ".png", "Jpeg"})
    EXPECT_TRUE(IsValidBitmapExtension(ext)) << ext;
  for (const char* ext : {"", "bmp", "gif", "ttf", "pn", "jpe", "svg"})
    EXPECT_FALSE(IsValidBitmapExtension(ext)) << ext;
}

TEST(BitmapExtension, ExtensionIsTextAfterLastDotOfTheFileName)
{
  EXPECT_EQ(ExtensionOf("AKNOB.png"), "png");
  EXPECT_EQ(ExtensionOf("a.tar.PNG"), "PNG");
  EXPECT_EQ(ExtensionOf("BG"), "");
  EXPECT_EQ(ExtensionOf("dir.d/BG"), "");
  EXPECT_EQ(ExtensionOf("BG."), "");
}

TEST(LocateBitmap, FindsTheTwoXPictureForScaleOne)
{
  const auto src = Source({{"\"BG@2X.PNG\"", "PNG", kBytes, sizeof kBytes}});
  const BitmapLocation loc = LocateBitmap(src, "BG.png", 1);
  ASSERT_TRUE(loc.Found());
  EXPECT_EQ(loc.location, EResourceLocation::Resource);
  EXPECT_EQ(loc.path, "\"bg@2x.png\"");
  EXPECT_EQ(loc.foundScale, 2);
  EXPECT_EQ(loc.extension, "png");
}

TEST(LocateBitmap, NoExtensionOrBmpGivesNothingEvenWhenPresent)
{
  const auto src = Source({{"\"BG.BMP\"", "BMP", kBytes, sizeof kBytes}}, {"BG", "BG.bmp"});
  EXPECT_FALSE(LocateBitmap(src, "BG", 1).Found());
  EXPECT_FALSE(LocateBitmap(src, "BG.bmp", 1).Found());
  EXPECT_TRUE(LocateBitmap(src, "BG.bmp", 1).path.empty());
}
