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
