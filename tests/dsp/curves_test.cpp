#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dsp/curves.h"

using namespace dsp;

TEST(Curves, DrivesAreThePowersOfTen)
{
  EXPECT_EQ(kInputDrive, std::pow(10.0, -0.25));
  EXPECT_EQ(kXformerDrive, std::pow(10.0, -0.75));
}

TEST(Curves, SaturationValues)
{
  EXPECT_EQ(polyCurve(0.0), 0.0);
  EXPECT_NEAR(saturateInput(0.0), 0.0, 1e-30);
  EXPECT_NEAR(saturateInput(1.0), 1.01275, 5e-6);
  EXPECT_NEAR(saturateInput(-1.0), -1.01166, 5e-6);
  EXPECT_NEAR(saturateInputXf(1.0), 1.02840, 5e-6);
  EXPECT_NEAR(saturateInputXf(-1.0), -1.01672, 5e-6);
  EXPECT_NEAR(xformerCurve(3.0), 1.9044, 5e-5);
  EXPECT_NEAR(xformerCurve(-3.0), -0.9951, 5e-5);
  // The transformer curve's asymptotes: sin 2 + 1 above, -1 below.
  EXPECT_NEAR(xformerCurve(50.0), std::sin(2.0) + 1.0, 1e-12);
  EXPECT_NEAR(xformerCurve(-50.0), -1.0, 1e-12);
}

TEST(Curves, SmallSignalColour)
{
  // polyCurve(u) ≈ u + 0.001 u² + 0.04 u³ near 0: a slight even and odd colour.
  const double u = 1e-2;
  EXPECT_NEAR(polyCurve(u), u + 0.001 * u * u + 0.04 * u * u * u, 1e-12);
  // The detector leaves its curve 40 dB down.
  EXPECT_NEAR(detectorCurve(0.5), 0.005, 1e-7);
  // The output stage alone is the transformer curve scaled around its drive.
  EXPECT_NEAR(saturateOutputXf(1.0), xformerCurve(kXformerDrive) / kXformerDrive, 1e-12);
  EXPECT_NEAR(saturateOutputXf(0.0), 0.0, 1e-14);
}

TEST(BoostShape, TableLandmarks)
{
  EXPECT_EQ(boostCurve[0], 0.0f);
  EXPECT_EQ(boostCurve[34], 0.7486323f);
  EXPECT_EQ(boostCurve[39], 0.7263772f);
  EXPECT_EQ(boostCurve[199], 0.8333333f);
  int peak = 0;
  for (int i = 0; i < kBoostCurveLength; ++i)
    if (boostCurve[i] > boostCurve[peak])
      peak = i;
  EXPECT_EQ(peak, 89);
  EXPECT_EQ(static_cast<double>(kBoostCurveScale), 142.14300537109375);
}

TEST(BoostShape, ShapeAndSymmetry)
{
  for (double m : {1.0, 2.0, std::pow(10.0, 0.5)})
  {
    EXPECT_EQ(boostShape(0.0, m), 0.0);
    for (double f = 1e-4; f < 0.5; f *= 1.37)
      EXPECT_EQ(boostShape(-f, m), -boostShape(f, m)) << f;
    // Beyond the table the output is the last entry, rescaled.
    EXPECT_NEAR(std::fabs(boostShape(0.3 / m, m)), 0.8333333 / (6.0 * m), 1e-7);
    EXPECT_NEAR(boostShape(-5.0, m), -0.8333333 / (6.0 * m), 1e-7);
  }
  EXPECT_EQ(boostShape(1.4 / 6.0, 1.0), static_cast<double>(boostCurve[199]) / 6.0);

  // Between entries the table is interpolated linearly: index 10.25.
  const double f = 10.25 / (6.0 * static_cast<double>(kBoostCurveScale));
  const double expected = (0.75 * boostCurve[10] + 0.25 * static_cast<double>(boostCurve[11])) / 6.0;
  EXPECT_NEAR(boostShape(f, 1.0), expected, 1e-12);
}

TEST(BoostShape, NonFiniteInputsGiveSilenceNotNaN)
{
  for (double f : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300})
  {
    EXPECT_EQ(boostShape(f, 1.0), 0.0) << f;
    EXPECT_EQ(boostShape(-f, 1.0), 0.0) << -f;
  }
}
