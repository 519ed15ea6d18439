// The block-processed chain against the exact one it replaces: every output sample, and every meter
// value, within 1e-7, over the golden scenarios and long runs of random automation at four rates.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/plugin/GoldenScenarios.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr double kTolerance = 1e-7;

// The largest difference seen and where; NaN on either side counts as a failure.
struct Divergence
{
  double largest = 0.0;
  long at = -1;
  long compared = 0;

  void Compare(const std::vector<double>& fast, const std::vector<double>& exact)
  {
    ASSERT_EQ(fast.size(), exact.size());
    for (size_t i = 0; i < fast.size(); ++i, ++compared)
    {
      const double d = std::fabs(fast[i] - exact[i]);
      if (!(d <= largest))
      {
        largest = std::isnan(d) ? HUGE_VAL : d;
        at = compared;
      }
    }
  }
};

struct Recording
{
  std::vector<double> samples, meters;
  std::vector<int> latencies;
};

Recording Record(const Scenario& s, bool exact)
{
  Recording r;
  RunScenario(s, exact, [&](const ScenarioBlock& b) {
    for (size_t i = 0; i < b.out.L.size(); ++i)
    {
      r.samples.push_back(b.out.L[i]);
      r.samples.push_back(b.out.R[i]);
    }
    r.meters.insert(r.meters.end(), b.meterValues.begin(), b.meterValues.end());
    r.latencies.push_back(b.latency);
  });
  return r;
}

// The golden scenarios, and the heaviest of them again at 192 kHz with the oversampler on.
std::vector<Scenario> AllScenarios()
{
  std::vector<Scenario> all = Scenarios();
  Scenario high = all[1];
  high.name = "heavy_colour_oversampled_192k";
  high.rate = 192000.0;
  high.blockSize = 700;
  high.settings.push_back({kOversampling, 1});
  all.push_back(high);
  return all;
}

} // namespace

TEST(BlockChain, GoldenScenariosMatchTheExactChain)
{
  for (const Scenario& s : AllScenarios())
  {
    SCOPED_TRACE(s.name);
    const Recording exact = Record(s, true);
    const Recording fast = Record(s, false);
    Divergence out, meter;
    out.Compare(fast.samples, exact.samples);
    meter.Compare(fast.meters, exact.meters);
    EXPECT_LE(out.largest, kTolerance) << "at output value " << out.at;
    EXPECT_LE(meter.largest, kTolerance) << "at meter value " << meter.at;
    EXPECT_EQ(fast.latencies, exact.latencies);
    std::printf("[ diff     ] %-32s largest output difference %.3g, meter %.3g\n", s.name, out.largest,
                meter.largest);
  }
}

namespace {

// Two instances fed the same programme, block sizes and parameter changes: one exact, one in passes.
// Block sizes reach below, at and past the pass length; the changes reach every parameter, including
// switches of the oversampler, the side chain and bypass in the middle of a run.
Divergence RandomAutomation(double rate, uint64_t seed, double seconds)
{
  ChainHarness exact(rate), fast(rate);
  exact.Plug().SetExactChain(true);
  Lcg rng(seed);
  auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * 0.5 * (rng.Next() + 1.0); };

  const int frames = static_cast<int>(rate * seconds);
  Stereo in = Programme(frames, rate, false);
  // Loud passages drive the saturation and the transformer well into their curves.
  for (int n = 0; n < frames; ++n)
  {
    const double level = (n / static_cast<int>(rate * 0.37)) % 3 == 2 ? 6.0 : 1.0;
    in.L[static_cast<size_t>(n)] *= level;
    in.R[static_cast<size_t>(n)] *= level;
  }
  const std::vector<double> kick = Kick(frames, rate);

  constexpr int kBlockSizes[] = {1, 3, 64, 255, 256, 257, 511, 1024, 2000};
  constexpr int kParams[] = {kBoost,    kHF,          kHPF,   kMakeupGain,  kMidGain,           kCompressorMix,
                             kThreshold, kTransientMix, kTransientTilt, kAttackTime, kBypass, kExternalSidechain,
                             kRatio,    kReleaseTime,  kTurbo, kXFormer,      kOversampling};

  Divergence d;
  for (int start = 0; start < frames;)
  {
    if (rng.Next() > 0.3)
    {
      const int idx = kParams[static_cast<int>(uniform(0.0, 16.999))];
      const iplug::IParam* param = exact.Plug().GetParam(idx);
      double value = uniform(param->GetMin(), param->GetMax());
      // Bypass rarely, so most of the run is processed.
      if (idx == kBypass)
        value = rng.Next() > -0.8 ? 1.0 : 0.0;
      exact.Set(idx, value);
      fast.Set(idx, value);
    }
    const int n = std::min(kBlockSizes[static_cast<int>(uniform(0.0, 8.999))], frames - start);
    const Stereo block{std::vector<double>(in.L.begin() + start, in.L.begin() + start + n),
                       std::vector<double>(in.R.begin() + start, in.R.begin() + start + n)};
    const std::vector<double> sc(kick.begin() + start, kick.begin() + start + n);
    exact.Plug().mMeterValues.clear();
    fast.Plug().mMeterValues.clear();
    const Stereo e = exact.Run(block, &sc, n);
    const Stereo f = fast.Run(block, &sc, n);
    d.Compare(f.L, e.L);
    d.Compare(f.R, e.R);
    d.Compare(fast.Plug().mMeterValues, exact.Plug().mMeterValues);
    EXPECT_EQ(fast.Plug().GetLatency(), exact.Plug().GetLatency());
    start += n;
  }
  return d;
}

} // namespace

TEST(BlockChain, RandomAutomationMatchesTheExactChainAtEveryRate)
{
  for (const double rate : {44100.0, 48000.0, 96000.0, 192000.0})
  {
    SCOPED_TRACE(rate);
    const Divergence d = RandomAutomation(rate, 0xB10C + static_cast<uint64_t>(rate), 4.0);
    EXPECT_LE(d.largest, kTolerance) << "at value " << d.at << " of " << d.compared;
    std::printf("[ diff     ] %6.0f Hz random automation: largest difference %.3g over %ld values\n", rate,
                d.largest, d.compared);
  }
}
