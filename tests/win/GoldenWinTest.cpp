// The chain as the Windows build computes it: the block passes against the exact chain (the same checks
// as on Linux, here with the mingw C runtime's math and the Windows ABI for the vector code), and the
// golden scenarios' samples written out for the Linux build to compare (QUORVANE_GOLDEN_DUMP names the file).

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/plugin/GoldenDump.h"

TEST(GoldenWin, WritesTheScenariosForTheLinuxBuildToCompare)
{
  const char* path = std::getenv("QUORVANE_GOLDEN_DUMP");
  if (path == nullptr || *path == '\0')
    GTEST_SKIP() << "QUORVANE_GOLDEN_DUMP is not set";
  EXPECT_TRUE(quorvane::test::WriteGoldenDump(path, quorvane::test::MakeGoldenDump())) << path;
}
