#pragma once
// The golden scenarios: a few fixed settings, automation and programmes that together reach every
// stage of the chain. Golden hashes them; BlockChain compares the block passes with the exact chain on
// them.

#include <cmath>
#include <functional>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/plugin/ChainHarness.h"
#include "tests/support/Lcg.h"

namespace quorvane::test {

inline Stereo Programme(int frames, double rate, bool monoInput)
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

inline std::vector<double> Kick(int frames, double rate)
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

inline std::vector<Scenario> Scenarios()
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


// What one block of a scenario produced.
struct ScenarioBlock
{
  const Stereo& out;
  const std::vector<double>& meterValues;
  int latency;
};

// Runs a scenario, through the exact chain or the block passes, and hands every block to onBlock.
inline void RunScenario(const Scenario& s, bool exact, const std::function<void(const ScenarioBlock&)>& onBlock)
{
  ChainHarness h(s.rate);
  h.Plug().SetExactChain(exact);
  for (const auto& [idx, value] : s.settings)
    h.Set(idx, value);
  h.Reset();

  const int frames = static_cast<int>(s.rate); // one second
  const Stereo in = Programme(frames, s.rate, s.monoInput);
  const std::vector<double> kick = Kick(frames, s.rate);

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
    onBlock({out, h.Plug().mMeterValues, h.Plug().GetLatency()});
  }
}

} // namespace quorvane::test
