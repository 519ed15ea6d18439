#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "dsp/oversampling.h"

using dsp::delayLine;
using dsp::halfbandFir;
using dsp::oversampledGainStage;

namespace {

// The half-band filter written the plain way: a shifting history and a loop over all 64 tap pairs,
// zero taps included. The real one must give the same outputs to the last bit.
struct ShiftingHalfband
{
  double offset = 1e-15;
  double history[129] = {};

  double process(double x)
  {
    offset = -offset;
    for (int k = 128; k > 0; --k)
      history[k] = history[k - 1];
    history[0] = x + offset;
    double y = 0.0;
    for (int j = 0; j < 64; ++j)
      y += halfbandFir::tap(j) * (history[j] + history[128 - j]);
    y += 0.5 * history[64];
    return y - offset;
  }
};

} // namespace

TEST(HalfbandFir, KernelIsAHalfbandLowPass)
{
  double sum = 0.0;
  for (int j = 0; j < halfbandFir::kTaps; ++j)
  {
    EXPECT_EQ(halfbandFir::tap(j), halfbandFir::tap(128 - j));
    if (j != 64 && (j - 64) % 2 == 0)
    {
      EXPECT_EQ(halfbandFir::tap(j), 0.0) << j;
    }
    sum += halfbandFir::tap(j);
  }
  EXPECT_EQ(halfbandFir::tap(64), 0.5);
  EXPECT_NEAR(sum, 0.999994, 1e-12);
}

TEST(HalfbandFir, ImpulseResponseIsTheKernelDelayedBy64)
{
  halfbandFir h;
  for (int n = 0; n < 200; ++n)
  {
    const double y = h.process(n == 0 ? 1.0 : 0.0);
    EXPECT_NEAR(y, n < 129 ? halfbandFir::tap(n) : 0.0, 1e-14) << n;
  }
}

TEST(HalfbandFir, CircularHistoryMatchesTheShiftingForm)
{
  halfbandFir h;
  ShiftingHalfband ref;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (int n = 0; n < 5000; ++n)
  {
    const double x = dist(rng);
    ASSERT_EQ(h.process(x), ref.process(x)) << n;
  }
  // clear() empties the history but keeps the offset's phase.
  h.clear();
  ShiftingHalfband cleared;
  cleared.offset = ref.offset;
  for (int n = 0; n < 300; ++n)
  {
    const double x = dist(rng);
    ASSERT_EQ(h.process(x), cleared.process(x)) << n;
  }
}

TEST(DelayLine, DelaysBy64AndClampsItsLength)
{
  auto d = std::make_unique<delayLine>();
  for (int n = 0; n < 64; ++n)
    EXPECT_EQ(d->process(n + 1.0, 64), 0.0);
  for (int n = 64; n < 300; ++n)
    EXPECT_EQ(d->process(n + 1.0, 64), n - 63.0);

  // Lengths outside 1..capacity must not reach outside the buffer.
  auto e = std::make_unique<delayLine>();
  e->process(5.0, 0);
  EXPECT_EQ(e->process(6.0, -3), 5.0);
  for (int n = 0; n < 3 * delayLine::kCapacity; ++n)
    e->process(1.0, 1 << 30);
  EXPECT_LT(e->index, delayLine::kCapacity + 1);
}

TEST(OversampledGainStage, ConstantSettlesToTheDoubleDcGain)
{
  auto stage = std::make_unique<oversampledGainStage>();
  double osL = 0.0, osR = 0.0;
  for (int n = 0; n < 400; ++n)
    stage->process(1.0, -0.5, 1.0, 2, osL, osR);
  // Interpolation and decimation each pass DC at 0.999994.
  EXPECT_NEAR(osL, 0.999994 * 0.999994, 2e-6);
  EXPECT_NEAR(osR, -0.5 * 0.999994 * 0.999994, 1e-6);
}

TEST(OversampledGainStage, ImpulseArrives64SamplesLater)
{
  auto stage = std::make_unique<oversampledGainStage>();
  int peakAt = -1;
  double peak = 0.0;
  for (int n = 0; n < 200; ++n)
  {
    double osL = 0.0, osR = 0.0;
    stage->process(n == 0 ? 0.01 : 0.0, 0.0, 1.0, 2, osL, osR);
    if (std::fabs(osL) > std::fabs(peak))
    {
      peak = osL;
      peakAt = n;
    }
  }
  EXPECT_EQ(peakAt, 64);
  // The kept sub-sample is the kernel correlated with itself, doubled for the zero stuffing.
  double energy = 0.0;
  for (int j = 0; j < halfbandFir::kTaps; ++j)
    energy += halfbandFir::tap(j) * halfbandFir::tap(j);
  EXPECT_NEAR(peak, 0.02 * energy, 1e-12);
}

TEST(OversampledGainStage, FactorZeroLeavesTheOutputsAndFiltersAlone)
{
  auto stage = std::make_unique<oversampledGainStage>();
  double osL = 3.0, osR = 4.0;
  stage->process(1.0, 1.0, 1.0, 0, osL, osR);
  EXPECT_EQ(osL, 3.0);
  EXPECT_EQ(osR, 4.0);
}

// The block form of the oversampled gain stage against the per-sample one: the same outputs to
// rounding, for blocks of every length up to the longest, and a state the per-sample form can go on
// from.
TEST(OversampledGainStage, BlockFormMatchesThePerSampleForm)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> sample(-1.5, 1.5), gain(0.05, 1.0);
  auto perSample = std::make_unique<oversampledGainStage>();
  auto block = std::make_unique<oversampledGainStage>();

  constexpr int kMax = oversampledGainStage::kMaxBlock;
  std::vector<double> satL(kMax + 8), satR(kMax + 8), g(kMax + 8), osL(kMax + 8), osR(kMax + 8);
  double largest = 0.0;
  auto compare = [&](int n) {
    for (int i = 0; i < n; ++i)
    {
      const auto at = static_cast<size_t>(i);
      double l = 0.0, r = 0.0;
      perSample->process(satL[at], satR[at], g[at], 2, l, r);
      largest = std::max({largest, std::fabs(l - osL[at]), std::fabs(r - osR[at])});
    }
  };
  for (int n : {1, 2, 7, 63, 64, 65, 128, 255, 256, 3, 200, 256, 1})
  {
    for (int i = 0; i < n; ++i)
    {
      satL[static_cast<size_t>(i)] = sample(rng);
      satR[static_cast<size_t>(i)] = sample(rng);
      g[static_cast<size_t>(i)] = gain(rng);
    }
    block->processBlock(satL.data(), satR.data(), g.data(), n, osL.data(), osR.data());
    compare(n);
  }
  EXPECT_LE(largest, 1e-15);

  // The block-processed instance carries on sample by sample where it left off.
  for (int i = 0; i < 300; ++i)
  {
    const double s = sample(rng), gg = gain(rng);
    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    perSample->process(s, -s, gg, 2, a, b);
    block->process(s, -s, gg, 2, c, d);
    EXPECT_NEAR(a, c, 1e-15);
    EXPECT_NEAR(b, d, 1e-15);
  }
  EXPECT_EQ(block->upsamplerL.offset, perSample->upsamplerL.offset);
  EXPECT_EQ(block->downsamplerR.offset, perSample->downsamplerR.offset);
}
