#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dsp/transientFilter.h"
#include "tests/support/SineGain.h"

using dsp::transientFilter;
using quorvane::test::SineGain;
using quorvane::test::ToDb;

namespace {

// The chain's knob settings for a given "Transient Tilt" in dB.
double TiltControl(double tiltDb) { return (tiltDb + 6.0) / 12.0 + 0.25; }

double ResponseDb(double rate, double tiltDb, double freq)
{
  transientFilter t;
  t.prepare(rate);
  const double c = TiltControl(tiltDb);
  // The slowest pole sits well below 1 Hz: give the onset transient seconds to die out.
  return ToDb(SineGain([&](double x) { return t.process(x, 0.55, c, c, 0.25); }, freq, rate, 6.0));
}

} // namespace

TEST(TransientFilter, ResponseTableAt48k)
{
  const double freqs[] = {10, 30, 100, 300, 1000, 3000, 10000, 20000};
  const struct
  {
    double tilt;
    double db[8];
  } rows[] = {
    {-6.0, {-5.34, 2.64, 4.90, 2.93, -5.61, -12.85, -14.93, -15.10}},
    {0.0, {-9.26, -1.58, 0.62, 0.28, -0.26, -0.28, -0.28, -0.28}},
    {6.0, {-25.07, -13.52, -2.66, 4.89, 8.06, 8.49, 8.54, 8.54}},
  };
  for (const auto& row : rows)
    for (int i = 0; i < 8; ++i)
      EXPECT_NEAR(ResponseDb(48000.0, row.tilt, freqs[i]), row.db[i], 0.05)
        << "tilt " << row.tilt << " dB at " << freqs[i] << " Hz";
}

TEST(TransientFilter, BilinearDesignHoldsAtOtherRates)
{
  // Well below Nyquist the bilinear image barely warps: the midband matches the 48 kHz figures.
  for (double rate : {44100.0, 96000.0, 192000.0})
  {
    EXPECT_NEAR(ResponseDb(rate, 0.0, 1000.0), -0.26, 0.05) << rate;
    EXPECT_NEAR(ResponseDb(rate, -6.0, 300.0), 2.93, 0.05) << rate;
  }
}

TEST(TransientFilter, ConstantInputIsRejected)
{
  // The double zero at DC removes a constant. What is left is the rounding noise of the fifth-order
  // direct form, whose internal state grows large for DC because a pole sits near 0.4 Hz: it stays
  // around 40 dB under the input and does not grow.
  transientFilter t;
  t.prepare(48000.0);
  const double c = TiltControl(0.0);
  double worst = 0.0;
  for (int n = 0; n < 20 * 48000; ++n)
  {
    const double y = t.process(1.0, 0.55, c, c, 0.25);
    if (n > 5 * 48000)
      worst = std::max(worst, std::fabs(y));
  }
  EXPECT_LT(worst, 0.03);
}

TEST(TransientFilter, RateIsClamped)
{
  transientFilter t;
  for (double r : {0.0, -44100.0, std::nan("")})
  {
    t.prepare(r);
    EXPECT_EQ(t.rate, 1.0) << r;
  }
  t.prepare(384000.0);
  EXPECT_EQ(t.rateInt, 384000);
  EXPECT_EQ(t.rate, 192000.0);
  EXPECT_EQ(t.outGain, 0.1 * static_cast<double>(192000.0f * 192000.0f));

  // Even at the clamped extremes the recursion stays finite.
  for (double r : {1.0, 192000.0})
  {
    transientFilter f;
    f.prepare(r);
    for (int n = 0; n < 2000; ++n)
      ASSERT_TRUE(std::isfinite(f.process(n == 0 ? 1.0 : 0.0, 0.55, 0.75, 0.75, 0.25))) << r;
  }
}

TEST(TransientFilter, PreparingEveryBlockChangesNothing)
{
  transientFilter once, everyBlock;
  once.prepare(48000.0);
  const double c = TiltControl(3.0);
  for (int n = 0; n < 48000; ++n)
  {
    if (n % 64 == 0)
      everyBlock.prepare(48000.0);
    const double x = std::sin(0.01 * n) + 0.3 * std::sin(0.4 * n);
    ASSERT_EQ(once.process(x, 0.55, c, c, 0.25), everyBlock.process(x, 0.55, c, c, 0.25)) << n;
  }
}

TEST(TransientFilter, KnobsGlideToTheirTapers)
{
  transientFilter t;
  t.prepare(48000.0);
  for (int n = 0; n < 48000; ++n)
    t.process(0.0, 0.55, 0.75, 0.75, 0.25);
  const double e1 = std::exp(1.0) - 1.0;
  EXPECT_NEAR(t.k1, 0.4267362, 1e-6);
  EXPECT_NEAR(t.k2, 0.75, 1e-9);
  EXPECT_NEAR(t.k3, (std::exp(0.75) - 1.0) / e1, 1e-9);
  EXPECT_NEAR(t.k4, 0.6500680, 1e-6);
}
