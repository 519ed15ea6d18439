// The Windows build's chain against this one's, in full double precision, from the samples the Windows
// test program wrote (QUORVANE_WIN_GOLDEN_DUMP names the file; scripts/test-windows.sh sets it). The C
// runtimes' math functions differ in the last bits, so the chains agree closely but not bit for bit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tests/plugin/GoldenDump.h"

namespace quorvane::test {
namespace {

TEST(WindowsGolden, ChainMatchesTheLinuxBuildWithin1e6)
{
  const char* path = std::getenv("QUORVANE_WIN_GOLDEN_DUMP");
  if (path == nullptr || *path == '\0')
    GTEST_SKIP() << "QUORVANE_WIN_GOLDEN_DUMP is not set (no Windows build to compare)";
  GoldenDump windows;
  ASSERT_TRUE(ReadGoldenDump(path, windows)) << "cannot read " << path;

  const GoldenDump native = MakeGoldenDump();
  ASSERT_EQ(native.size(), windows.size());
  for (const auto& [key, samples] : native)
  {
    const auto it = windows.find(key);
    ASSERT_NE(windows.end(), it) << key.first;
    ASSERT_EQ(samples.size(), it->second.size()) << key.first;
    double worst = 0.0;
    size_t differing = 0;
    for (size_t i = 0; i < samples.size(); ++i)
    {
      const double d = std::fabs(samples[i] - it->second[i]);
      worst = std::max(worst, d);
      differing += d != 0.0 ? 1 : 0;
    }
    std::printf("[ windows  ] %-28s %-5s largest difference %.3g, %zu of %zu samples differ\n", key.first.c_str(),
                key.second ? "exact" : "fast", worst, differing, samples.size());
    EXPECT_LE(worst, 1e-6) << key.first << (key.second ? " (exact chain)" : " (block passes)");
  }
}

} // namespace
} // namespace quorvane::test
