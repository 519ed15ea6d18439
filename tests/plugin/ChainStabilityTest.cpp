// The chain over long runs at high sample rates, and its recovery from a recursive state that is not
// finite: the detector must never die, whatever the transient section or a damaged state does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "plugin/Quorvane.h"
#include "plugin/QuorvaneDSP.h"
#include "tests/support/Lcg.h"

namespace quorvane {

// Every recursive state of the chain, by name, so a test can damage one.
struct QuorvaneDSPStates
{
  static std::vector<std::pair<std::string, double*>> All(QuorvaneDSP& d)
  {
    std::vector<std::pair<std::string, double*>> states;
    const std::pair<const char*, dsp::biquadFilter*> biquads[] = {
      {"hpfL", &d.hpfL}, {"midL", &d.midL}, {"hfL", &d.hfL}, {"hpfR", &d.hpfR}, {"midR", &d.midR}, {"hfR", &d.hfR}};
    for (const auto& [name, f] : biquads)
    {
      states.emplace_back(std::string(name) + ".z1", &f->z1);
      states.emplace_back(std::string(name) + ".z2", &f->z2);
    }
    for (const auto& [name, t] : {std::pair<const char*, dsp::transientFilter*>{"transientL", &d.transientL},
                                  std::pair<const char*, dsp::transientFilter*>{"transientR", &d.transientR}})
    {
      for (int i = 0; i < dsp::transientFilter::kOrder; ++i)
        states.emplace_back(std::string(name) + ".diff[" + std::to_string(i) + "]", &t->diff[i]);
      states.emplace_back(std::string(name) + ".k1", &t->k1);
      states.emplace_back(std::string(name) + ".k2", &t->k2);
      states.emplace_back(std::string(name) + ".k3", &t->k3);
      states.emplace_back(std::string(name) + ".k4", &t->k4);
    }
    states.emplace_back("comp.envelope", &d.comp.envelope);
    states.emplace_back("makeupSmoother", &d.makeupSmoother.z);
    states.emplace_back("thresholdSmoother", &d.thresholdSmoother.z);
    states.emplace_back("mixSmoother", &d.mixSmoother.z);
    states.emplace_back("gainSmoother", &d.gainSmoother.z);
    states.emplace_back("meterState", &d.meterState);
    return states;
  }
};

} // namespace quorvane

using namespace quorvane;
using quorvane::test::Lcg;

namespace {

// The chain alone, fed stereo noise in blocks; the parameters as real values.
class NoiseRig
{
public:
  NoiseRig(double rate, std::initializer_list<std::pair<int, double>> settings) : mRate(rate)
  {
    // Every parameter's DSP value, as a host's first notification sets it.
    const auto defaults = std::make_unique<Quorvane>();
    for (int i = 0; i < kNumParams; ++i)
      dsp.OnParamChange(i, defaults->GetParam(i)->Value());
    for (const auto& [idx, value] : settings)
      dsp.OnParamChange(idx, value);
    dsp.Reset(rate);
  }

  // Runs `frames` frames; returns the input and output RMS (both channels) and whether every output
  // sample was finite.
  struct Levels
  {
    double in = 0.0, out = 0.0;
    bool finite = true;
  };
  Levels Run(long frames)
  {
    Levels levels;
    double inSum = 0.0, outSum = 0.0;
    for (long done = 0; done < frames; done += kBlock)
    {
      const int n = static_cast<int>(std::min<long>(kBlock, frames - done));
      for (int i = 0; i < n; ++i)
      {
        mInL[i] = 0.5 * mNoise.Next();
        mInR[i] = 0.5 * mNoise.Next();
        inSum += mInL[i] * mInL[i] + mInR[i] * mInR[i];
      }
      const double* inputs[4] = {mInL, mInR, mSilence, mSilence};
      double* outputs[2] = {mOutL, mOutR};
      dsp.Process(inputs, outputs, n, mRate, 2);
      for (int i = 0; i < n; ++i)
      {
        levels.finite = levels.finite && std::isfinite(mOutL[i]) && std::isfinite(mOutR[i]);
        outSum += mOutL[i] * mOutL[i] + mOutR[i] * mOutR[i];
      }
    }
    levels.in = std::sqrt(inSum / (2.0 * static_cast<double>(frames)));
    levels.out = std::sqrt(outSum / (2.0 * static_cast<double>(frames)));
    return levels;
  }

  QuorvaneDSP dsp;

private:
  static constexpr int kBlock = 512;
  double mRate;
  Lcg mNoise;
  double mInL[kBlock] = {}, mInR[kBlock] = {}, mOutL[kBlock] = {}, mOutR[kBlock] = {}, mSilence[kBlock] = {};
};

} // namespace

TEST(ChainStability, NoiseAtTheHighestRateKeepsItsLevelAndGainReduction)
{
  // Ten minutes at 192 kHz with the tilt up and the transient section fully in the detector; the tilt
  // at +4 dB, where the old direct form had a pole outside the unit circle: fully in the detector
  // (the output faded to silence within seconds) and mixed out (its output still reaches the
  // detector, times 0: after about 100 s the compressor stopped for good). Non-optimised (sanitizer)
  // builds run a shorter stretch.
  constexpr double kRate = 192000.0;
  const struct
  {
    std::pair<int, double> settings[3];
    int seconds;
  } cases[] = {
    {{{kTransientTilt, 6.0}, {kTransientMix, 100.0}, {kThreshold, -10.0}}, 600},
    {{{kTransientTilt, 4.0}, {kTransientMix, 100.0}, {kThreshold, -10.0}}, 30},
    {{{kTransientTilt, 4.0}, {kTransientMix, 0.0}, {kThreshold, -10.0}}, 150},
  };
#ifdef NDEBUG
  constexpr int kMaxSeconds = 600;
#else
  constexpr int kMaxSeconds = 20;
#endif
  for (int c = 0; c < 3; ++c)
  {
    const auto& [settings, seconds] = cases[c];
    auto rigOwner = std::make_unique<NoiseRig>(
      kRate, std::initializer_list<std::pair<int, double>>{settings[0], settings[1], settings[2]});
    NoiseRig& rig = *rigOwner;
    rig.Run(static_cast<long>(kRate)); // the knobs glide and the compressor settles
    const double settledGr = rig.dsp.GetCompressor().gainDb;
    ASSERT_LT(settledGr, -3.0) << "case " << c << ": the setting compresses";
    for (int second = 1; second < std::min(seconds, kMaxSeconds); ++second)
    {
      const NoiseRig::Levels levels = rig.Run(static_cast<long>(kRate));
      ASSERT_TRUE(levels.finite) << "case " << c << ", second " << second;
      ASSERT_GT(levels.out, 0.1 * levels.in) << "case " << c << ", second " << second << ": the output collapsed";
      ASSERT_NEAR(rig.dsp.GetCompressor().gainDb, settledGr, 3.0) << "case " << c << ", second " << second;
    }
    EXPECT_EQ(rig.dsp.ClearedStates(), 0) << "case " << c << ": no state ever had to be cleared";
  }
}

TEST(ChainStability, ANonFiniteRecursiveStateIsClearedAndTheChainGoesOn)
{
  constexpr double kRate = 48000.0;
  const std::initializer_list<std::pair<int, double>> settings = {
    {kTransientMix, 50.0}, {kTransientTilt, 3.0}, {kThreshold, -10.0}, {kRatio, 3}, {kMakeupGain, 3.0}};
  auto cleanOwner = std::make_unique<NoiseRig>(kRate, settings);
  NoiseRig& clean = *cleanOwner;
  clean.Run(static_cast<long>(kRate / 4));
  const NoiseRig::Levels cleanLevels = clean.Run(static_cast<long>(kRate / 2));
  const double cleanGr = clean.dsp.GetCompressor().gainDb;
  ASSERT_LT(cleanGr, -3.0);

  const size_t count = QuorvaneDSPStates::All(clean.dsp).size();
  for (size_t s = 0; s < count; ++s)
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL})
    {
      auto rigOwner = std::make_unique<NoiseRig>(kRate, settings);
      NoiseRig& rig = *rigOwner;
      rig.Run(static_cast<long>(kRate / 4));
      const auto [name, state] = QuorvaneDSPStates::All(rig.dsp)[s];
      *state = bad; // between blocks: the next one clears it before it runs
      const NoiseRig::Levels levels = rig.Run(static_cast<long>(kRate / 2));
      EXPECT_TRUE(levels.finite) << name << " = " << bad;
      EXPECT_EQ(rig.dsp.ClearedStates(), 1) << name << " = " << bad;
      EXPECT_NEAR(20.0 * std::log10(levels.out / cleanLevels.out), 0.0, 1.0) << name << " = " << bad;
      EXPECT_NEAR(rig.dsp.GetCompressor().gainDb, cleanGr, 1.0) << name << " = " << bad;
    }
}
