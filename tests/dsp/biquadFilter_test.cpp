#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "dsp/biquadFilter.h"
#include "tests/support/SineGain.h"

using dsp::biquadFilter;
using cplx = std::complex<double>;

namespace {

// Magnitude of the digital filter's own coefficients at normalised frequency f.
double CoefficientGain(const biquadFilter& b, double f)
{
  const cplx z1 = std::polar(1.0, -2.0 * std::numbers::pi * f);
  const cplx z2 = z1 * z1;
  return std::abs((b.b0 + b.b1 * z1 + b.b2 * z2) / (1.0 + b.a1 * z1 + b.a2 * z2));
}

// The analogue prototype each type is the bilinear image of, evaluated on the pre-warped axis. An
// independent statement of the designs: a sign or term slip in a coefficient shows up here.
double PrototypeGain(int type, double f, double fc, double q, double dbGain)
{
  const double V = std::pow(10.0, std::fabs(dbGain) / 20.0);
  const bool boost = dbGain >= 0.0;
  const cplx p(0.0, std::tan(std::numbers::pi * f) / std::tan(std::numbers::pi * fc));
  const cplx pp = p * p;
  const cplx base = pp + p / q + 1.0;
  cplx h;
  switch (type)
  {
    case biquadFilter::kLowPass: h = 1.0 / base; break;
    case biquadFilter::kHighPass: h = pp / base; break;
    case biquadFilter::kBandPass: h = (p / q) / base; break;
    case biquadFilter::kNotch: h = (pp + 1.0) / base; break;
    case biquadFilter::kPeak:
    {
      const cplx other = pp + V * p / q + 1.0;
      h = boost ? other / base : base / other;
      break;
    }
    case biquadFilter::kLowShelf:
    {
      const cplx other = pp + V * p / q + V;
      h = boost ? other / base : base / other;
      break;
    }
    default:
    {
      const cplx other = V * pp + V * p / q + 1.0;
      h = boost ? other / base : base / other;
      break;
    }
  }
  return std::abs(h);
}

} // namespace

TEST(BiquadFilter, DefaultAndUnityDesignsPassTheSignal)
{
  biquadFilter b;
  for (double x : {0.1, -0.7, 1e-20, 3.3})
    EXPECT_EQ(b.process(static_cast<float>(x)), static_cast<float>(x));

  b.setup(biquadFilter::kPeak, 1600.0 / 48000.0, 0.407, 0.0);
  EXPECT_DOUBLE_EQ(b.b0, 1.0);
  EXPECT_EQ(b.b1, b.a1);
  EXPECT_EQ(b.b2, b.a2);
  biquadFilter fresh;
  fresh.setup(biquadFilter::kPeak, 1600.0 / 48000.0, 0.407, 0.0);
  for (int n = 0; n < 1000; ++n)
  {
    const float x = static_cast<float>(std::sin(0.05 * n));
    EXPECT_NEAR(fresh.process(x), x, 1e-6);
  }
}

TEST(BiquadFilter, HighShelfGainsAtDcAndNyquist)
{
  biquadFilter b;
  const double V = std::pow(10.0, 0.5);
  b.setup(biquadFilter::kHighShelf, 5000.0 / 48000.0, 0.3, 10.0);
  EXPECT_NEAR(CoefficientGain(b, 0.0), 1.0, 1e-12);
  EXPECT_NEAR(CoefficientGain(b, 0.5), V, 1e-12);
  b.setup(biquadFilter::kHighShelf, 5000.0 / 48000.0, 0.3, -10.0);
  EXPECT_NEAR(CoefficientGain(b, 0.0), 1.0, 1e-12);
  EXPECT_NEAR(CoefficientGain(b, 0.5), 1.0 / V, 1e-12);
}

TEST(BiquadFilter, SteadyStateSineGainMatchesThePrototype)
{
  struct Design
  {
    int type;
    double fc, q, db;
  };
  const Design designs[] = {
    {biquadFilter::kLowPass, 1000.0, 0.707, 0.0},  {biquadFilter::kHighPass, 120.0, 0.707, 0.0},
    {biquadFilter::kBandPass, 2000.0, 2.0, 0.0},   {biquadFilter::kNotch, 3000.0, 1.5, 0.0},
    {biquadFilter::kPeak, 1600.0, 0.407, 6.0},     {biquadFilter::kPeak, 1600.0, 0.407, -6.0},
    {biquadFilter::kLowShelf, 300.0, 0.5, 8.0},    {biquadFilter::kLowShelf, 300.0, 0.5, -8.0},
    {biquadFilter::kHighShelf, 5000.0, 0.3, 10.0}, {biquadFilter::kHighShelf, 5000.0, 0.3, -4.0},
  };
  for (double rate : {44100.0, 48000.0, 96000.0})
    for (const Design& d : designs)
      for (double f : {50.0, 700.0, 1600.0, 4000.0, 12000.0})
      {
        biquadFilter b;
        b.setup(d.type, d.fc / rate, d.q, d.db);
        const double measured =
          quorvane::test::SineGain([&](double x) { return b.process(static_cast<float>(x)); }, f, rate, 0.1, 0.5);
        const double expected = PrototypeGain(d.type, f / rate, d.fc / rate, d.q, d.db);
        EXPECT_NEAR(measured, expected, 2e-5 + 1e-4 * expected)
          << "type " << d.type << " fc " << d.fc << " at " << f << " Hz, rate " << rate;
      }
}

TEST(BiquadFilter, RedesignKeepsStateAndUnknownTypeKeepsCoefficients)
{
  biquadFilter b;
  b.setup(biquadFilter::kLowPass, 0.01, 0.707, 0.0);
  for (int n = 0; n < 10; ++n)
    b.process(1.0f);
  const double z1 = b.z1, z2 = b.z2;
  b.setup(biquadFilter::kHighPass, 0.02, 0.707, 0.0);
  EXPECT_EQ(b.z1, z1);
  EXPECT_EQ(b.z2, z2);

  const double b0 = b.b0, a1 = b.a1;
  b.setup(9, 0.1, 1.0, 3.0);
  EXPECT_EQ(b.b0, b0);
  EXPECT_EQ(b.a1, a1);
}
