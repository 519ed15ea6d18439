// Golden regression of the whole chain: a few fixed scenarios whose every output bit (and every meter
// value) is hashed, so no refactoring or speed work can change the sound unnoticed.
//
// The hashes are in ChainGolden.inc. After an intended change of the sound, regenerate them with
//   QUORVANE_REGENERATE_GOLDEN=1 ./build/tests/quorvane_tests_plugin --gtest_filter='Golden.*'
// which rewrites that file in the source tree; review and commit it with the change.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "tests/plugin/ChainHarness.h"
#include "tests/support/Lcg.h"

using namespace quorvane;
using quorvane::test::ChainHarness;
using quorvane::test::Lcg;
using quorvane::test::Stereo;

namespace {

struct GoldenEntry
{
  const char* name;
  uint64_t hash;
};

constexpr GoldenEntry kGolden[] = {
#include "tests/plugin/ChainGolden.inc"
};

class Fnv1a
{
public:
  void Add(double v)
  {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
    {
      mHash ^= (bits >> (8 * i)) & 0xFF;
      mHash *= 0x100000001B3ull;
    }
  }
  uint64_t Value() const { return mHash; }

private:
  uint64_t mHash = 0xCBF29CE484222325ull;
};

Stereo Programme(int frames, double rate, bool monoInput)
{
  Lcg noise;
  Stereo s{std::vector<double>(static_cast<size_t>(frames)), std::vector<double>(static_cast<size_t>(frames))};
  for (int n = 0; n < frames; ++n)
  {
    const double t = n / rate;
    // A swelling chord with a little noise: quiet, then well above any threshold.
    const double swell = 0.05 + 0.9 * std::fabs(std::sin(2.0 * std::numbers::pi * 0.7 * t));
    s.L[static_cast<size_t>(n)] = swell * (0.6 * std::sin(2 * std::numbers::pi * 110 * t) +
                                           0.3 * std::sin(2 * std::numbers::pi * 1760 * t)) + 0.05 * noise.Next();
    s.R[static_cast<size_t>(n)] =
      monoInput ? 0.0 : swell * 0.7 * std::sin(2 * std::numbers::pi * 165 * t + 0.3) + 0.05 * noise.Next();
  }
  return s;
}

std::vector<double> Kick(int frames, double rate)
{
  std::vector<double> v(static_cast<size_t>(frames));
  for (int n = 0; n < frames; ++n)
  {
    const double t = std::fmod(n / rate, 0.25);
    v[static_cast<size_t>(n)] = 0.95 * std::exp(-t * 30.0) * std::sin(2 * std::numbers::pi * 55 * t);
  }
  return v;
}

struct Scenario
{
  const char* name;
  double rate;
  int blockSize;
  bool monoInput;
  bool sideChain;
  std::vector<std::pair<int, double>> settings;
  // Changes applied before the block that starts at or after the frame.
  std::vector<std::tuple<int, int, double>> automation;
};

uint64_t RunScenario(const Scenario& s)
{
  ChainHarness h(s.rate);
  for (const auto& [idx, value] : s.settings)
    h.Set(idx, value);
  h.Reset();

  const int frames = static_cast<int>(s.rate); // one second
  const Stereo in = Programme(frames, s.rate, s.monoInput);
  const std::vector<double> kick = Kick(frames, s.rate);

  Fnv1a hash;
  size_t nextChange = 0;
  for (int start = 0; start < frames; start += s.blockSize)
  {
    while (nextChange < s.automation.size() && std::get<0>(s.automation[nextChange]) <= start)
    {
      h.Set(std::get<1>(s.automation[nextChange]), std::get<2>(s.automation[nextChange]));
      ++nextChange;
    }
    const int n = std::min(s.blockSize, frames - start);
    const Stereo block{std::vector<double>(in.L.begin() + start, in.L.begin() + start + n),
                       std::vector<double>(in.R.begin() + start, in.R.begin() + start + n)};
    const std::vector<double> sc(kick.begin() + start, kick.begin() + start + n);
    h.Plug().mMeterValues.clear();
    const Stereo out = h.Run(block, s.sideChain ? &sc : nullptr, n);
    for (int i = 0; i < n; ++i)
    {
      hash.Add(out.L[static_cast<size_t>(i)]);
      hash.Add(out.R[static_cast<size_t>(i)]);
    }
    for (double m : h.Plug().mMeterValues)
      hash.Add(m);
    hash.Add(h.Plug().GetLatency());
  }
  return hash.Value();
}

std::vector<Scenario> Scenarios()
{
  return {
    {"defaults_48k", 48000.0, 512, false, false, {}, {}},
    {"heavy_colour_48k",
     48000.0,
     256,
     false,
     false,
     {{kRatio, 5},
      {kAttackTime, 2},
      {kReleaseTime, 1},
      {kThreshold, -12},
      {kMakeupGain, 6},
      {kXFormer, 1},
      {kTurbo, 1},
      {kBoost, 6},
      {kHF, 40},
      {kMidGain, 3},
      {kHPF, 150},
      {kTransientMix, 50},
      {kTransientTilt, 3},
      {kCompressorMix, 80}},
     {}},
    {"oversampled_sidechain_44k",
     44100.0,
     37,
     false,
     true,
     {{kOversampling, 1}, {kExternalSidechain, 1}, {kThreshold, -8}, {kRatio, 3}, {kAttackTime, 1}},
     {{15000, kTransientTilt, -6}, {20000, kBypass, 0}, {30000, kBypass, 1}, {40000, kOversampling, 0}}},
    {"mono_threshold_centre_96k",
     96000.0,
     1024,
     true,
     false,
     {{kThreshold, 0}, {kRatio, 2}, {kAttackTime, 0}, {kReleaseTime, 4}, {kTransientMix, 100}},
     {{50000, kTurbo, 1}}},
  };
}

} // namespace

TEST(Golden, ChainOutputsAreBitIdentical)
{
  const bool regenerate = std::getenv("QUORVANE_REGENERATE_GOLDEN") != nullptr;
  std::map<std::string, uint64_t> expected;
  for (const GoldenEntry& e : kGolden)
    expected[e.name] = e.hash;

  std::string regenerated;
  for (const Scenario& s : Scenarios())
  {
    const uint64_t hash = RunScenario(s);
    char line[128];
    std::snprintf(line, sizeof line, "{\"%s\", 0x%016llXull},\n", s.name, static_cast<unsigned long long>(hash));
    regenerated += line;
    if (!regenerate)
    {
      ASSERT_TRUE(expected.count(s.name)) << "no golden hash for " << s.name << "; regenerate (see top of file)";
      EXPECT_EQ(hash, expected[s.name]) << s.name << " changed; its new line would be " << line;
    }
  }

  if (regenerate)
  {
    const std::string path = std::string(QUORVANE_SOURCE_DIR) + "/tests/plugin/ChainGolden.inc";
    std::ofstream file(path);
    file << "// Generated by GoldenTest.cpp with QUORVANE_REGENERATE_GOLDEN=1; do not edit by hand.\n" << regenerated;
    ASSERT_TRUE(file.good()) << "could not write " << path;
  }
}
