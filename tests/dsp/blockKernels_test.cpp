// The vector kernels against the scalar functions they stand in for, for the variant this processor
// runs and for the portable one: ordinary values, the far ends of the range, and the special values the
// scalar code gives a defined answer for.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "dsp/blockKernels.h"
#include "dsp/compressor.h"
#include "dsp/curves.h"

using dsp::blockKernels;

namespace {

std::vector<const blockKernels*> Variants()
{
  const blockKernels* all[4];
  const int n = dsp::runnableBlockKernels(all);
  return {all, all + n};
}

// Both signs of a logarithmic sweep from 1e-12 to 1e4, the switch of the detector's series path, and
// the far ends.
std::vector<double> Inputs()
{
  std::vector<double> x{0.0, -0.0, 5e-324, -1e-310, 1e-300, 1e300, -1e300, 1.5625, -1.5625, 1.5624999, 1.5625001};
  for (double e = -12.0; e <= 4.0; e += 0.01)
  {
    x.push_back(std::pow(10.0, e));
    x.push_back(-std::pow(10.0, e) * 1.0001);
  }
  return x;
}

// Within 2e-14 of the scalar value, relative to it (or absolutely, below 1). NaN only where it is NaN.
void ExpectClose(double vector, double scalar, double input, const char* what)
{
  if (std::isnan(scalar))
  {
    EXPECT_TRUE(std::isnan(vector)) << what << "(" << input << ")";
    return;
  }
  EXPECT_LE(std::fabs(vector - scalar), 2e-14 * std::max(1.0, std::fabs(scalar)))
    << what << "(" << input << ") = " << vector << ", scalar " << scalar;
}

std::vector<double> Padded(std::vector<double> v)
{
  v.resize(static_cast<size_t>(dsp::roundUpToVector(static_cast<int>(v.size()))), 0.0);
  return v;
}

} // namespace

TEST(BlockKernels, TheWidestRunnableVariantIsTheOneSelected)
{
  const std::vector<const blockKernels*> v = Variants();
  ASSERT_GE(v.size(), 1u);
  EXPECT_EQ(v.front(), &dsp::selectedBlockKernels());
  EXPECT_STREQ(v.back()->name, "portable");
  for (const blockKernels* k : v)
    std::printf("[ variant  ] %s\n", k->name);
}

TEST(BlockKernels, CurvesAgreeWithTheScalarCurves)
{
  const std::vector<double> x = Inputs();
  const int n = static_cast<int>(x.size());
  struct Curve
  {
    const char* name;
    void (*blockKernels::*kernel)(const double*, double*, int) noexcept;
    double (*scalar)(double);
  };
  const Curve curves[] = {
    {"saturateInput", &blockKernels::saturateInput, dsp::saturateInput},
    {"saturateInputXf", &blockKernels::saturateInputXf, dsp::saturateInputXf},
    {"detectorCurve", &blockKernels::detectorCurve, dsp::detectorCurve},
    {"saturateOutputXf", &blockKernels::saturateOutputXf, dsp::saturateOutputXf},
  };
  for (const blockKernels* k : Variants())
  {
    SCOPED_TRACE(k->name);
    for (const Curve& c : curves)
    {
      const std::vector<double> in = Padded(x);
      std::vector<double> out(in.size());
      (k->*c.kernel)(in.data(), out.data(), n);
      for (int i = 0; i < n; ++i)
        ExpectClose(out[static_cast<size_t>(i)], c.scalar(x[static_cast<size_t>(i)]), x[static_cast<size_t>(i)],
                    c.name);
      // In place, as the chain calls the output stage.
      std::vector<double> inPlace = in;
      (k->*c.kernel)(inPlace.data(), inPlace.data(), n);
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(std::bit_cast<uint64_t>(inPlace[static_cast<size_t>(i)]),
                  std::bit_cast<uint64_t>(out[static_cast<size_t>(i)]));
    }
  }
}

TEST(BlockKernels, BoostShapeAgreesEverywhereOnTheTable)
{
  std::vector<double> x = Inputs();
  // Every table index and the points between, past the last entry, and values whose index overflows.
  for (int i = 0; i <= 2 * dsp::kBoostCurveLength + 4; ++i)
    x.push_back(i * 0.5 / (6.0 * static_cast<double>(dsp::kBoostCurveScale)));
  for (double v : {1e10, -1e10, std::numeric_limits<double>::quiet_NaN(), HUGE_VAL, -HUGE_VAL})
    x.push_back(v);
  const int n = static_cast<int>(x.size());
  for (const blockKernels* k : Variants())
  {
    SCOPED_TRACE(k->name);
    for (const double m : {1.0, 2.0, 3.1622776601683795})
    {
      const std::vector<double> in = Padded(x);
      std::vector<double> out(in.size());
      k->boostShape(in.data(), m, out.data(), n);
      for (int i = 0; i < n; ++i)
      {
        const double s = dsp::boostShape(x[static_cast<size_t>(i)], m);
        ExpectClose(out[static_cast<size_t>(i)], s, x[static_cast<size_t>(i)], "boostShape");
        EXPECT_FALSE(std::isnan(out[static_cast<size_t>(i)]));
      }
    }
  }
}

TEST(BlockKernels, CompressorGainAgreesWithTheGainComputer)
{
  // Envelopes from silence (and below the normal range) to far above full scale, and the values the
  // scalar computer answers specially: 0 and NaN give 0 dB, infinity closes the gain.
  std::vector<double> env{0.0, 5e-324, 1e-310, 1e-200, 1e-101, 1e-99, HUGE_VAL,
                          std::numeric_limits<double>::quiet_NaN()};
  for (double e = -8.0; e <= 3.0; e += 0.003)
    env.push_back(std::pow(10.0, e));
  const int n = static_cast<int>(env.size());

  dsp::compressor comp;
  for (const blockKernels* k : Variants())
  {
    SCOPED_TRACE(k->name);
    for (const double threshold : {-40.0, -17.3, -5.0, 0.0})
      for (const auto& [ratio, knee] : {std::pair{1.5, 0.95}, std::pair{4.0, 0.7}, std::pair{10.0, 0.3}})
      {
        comp.setRatio(ratio);
        comp.setKneeFactor(knee);
        comp.setThreshold(threshold);
        const std::vector<double> in = Padded(env);
        const std::vector<double> thr = Padded(std::vector<double>(env.size(), threshold));
        std::vector<double> gainDb(in.size()), gain(in.size());
        k->compressorGain(in.data(), thr.data(), knee, 1.0 - 1.0 / ratio, gainDb.data(), gain.data(), n);
        for (int i = 0; i < n; ++i)
        {
          const double e = env[static_cast<size_t>(i)];
          const double expectDb = comp.gainDbFor(dsp::kDbPerNeper * std::log(std::fabs(e)));
          const double expect = std::exp(expectDb * dsp::kNeperPerDb);
          const double gotDb = gainDb[static_cast<size_t>(i)];
          const double got = gain[static_cast<size_t>(i)];
          if (std::isinf(expectDb))
          {
            EXPECT_EQ(gotDb, expectDb) << e;
            EXPECT_EQ(got, 0.0) << e;
            continue;
          }
          EXPECT_LE(std::fabs(gotDb - expectDb), 1e-11) << "envelope " << e << " threshold " << threshold;
          EXPECT_LE(std::fabs(got - expect), 1e-14 * expect + 1e-300) << "envelope " << e;
        }
      }
  }
}

TEST(BlockKernels, WriteNothingPastTheRoundedCount)
{
  constexpr double kCanary = 12345.0;
  for (const blockKernels* k : Variants())
  {
    SCOPED_TRACE(k->name);
    for (int n = 1; n <= 3 * dsp::kMaxVectorDoubles + 1; ++n)
    {
      const int padded = dsp::roundUpToVector(n);
      std::vector<double> in(static_cast<size_t>(padded), 0.25), out(static_cast<size_t>(padded) + 4, kCanary);
      k->saturateOutputXf(in.data(), out.data(), n);
      k->boostShape(in.data(), 1.0, out.data(), n);
      std::vector<double> gain(out.size(), kCanary);
      k->compressorGain(in.data(), in.data(), 0.5, 0.5, out.data(), gain.data(), n);
      for (size_t i = static_cast<size_t>(padded); i < out.size(); ++i)
      {
        EXPECT_EQ(out[i], kCanary) << "n " << n << " wrote index " << i;
        EXPECT_EQ(gain[i], kCanary) << "n " << n << " wrote index " << i;
      }
    }
  }
}
