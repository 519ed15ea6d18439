#include "dsp/oversampling.h"

#include <algorithm>
#include <iterator>

namespace dsp {

namespace {

// The nonzero taps at odd positions j = 1, 3, ..., 63, mirrored at 128 - j. The centre tap is 0.5 and
// the remaining even positions are zero, which is what makes the filter half-band.
constexpr double kOddTaps[32] = {
  -0.000005, 0.000012, -0.000025, 0.000045, -0.000075, 0.000118, -0.00018,  0.000264,
  -0.000377, 0.000524, -0.000713, 0.000954, -0.001255, 0.001627, -0.002082, 0.002635,
  -0.003301, 0.004099, -0.005051, 0.006187, -0.007542, 0.009163, -0.011119, 0.013505,
  -0.01647,  0.020254, -0.025272, 0.032309, -0.043056, 0.061915, -0.105047, 0.317956,
};

} // namespace

double halfbandFir::tap(int j) noexcept
{
  if (j < 0 || j >= kTaps)
    return 0.0;
  if (j > kCentre)
    j = kTaps - 1 - j;
  if (j == kCentre)
    return 0.5;
  return (j % 2 == 1) ? kOddTaps[j / 2] : 0.0;
}

void halfbandFir::push(double x) noexcept
{
  offset = -offset;
  mPos = (mPos == 0) ? kTaps - 1 : mPos - 1;
  const double in = x + offset;
  mBuffer[mPos] = in;
  mBuffer[mPos + kTaps] = in;
}

double halfbandFir::process(double x) noexcept
{
  push(x);
  const double* h = mBuffer + mPos;
  // The zero taps are skipped; the remaining terms are summed in ascending tap order.
  double y = 0.0;
  for (int i = 0; i < 32; ++i)
  {
    const int j = 2 * i + 1;
    y += kOddTaps[i] * (h[j] + h[kTaps - 1 - j]);
  }
  y += 0.5 * h[kCentre];
  return y - offset;
}

void halfbandFir::clear() noexcept
{
  std::fill(std::begin(mBuffer), std::end(mBuffer), 0.0);
  mPos = 0;
}

double delayLine::process(double x, int length) noexcept
{
  length = std::clamp(length, 1, kCapacity);
  if (index >= length)
    index = 0;
  output = buffer[index];
  buffer[index] = static_cast<double>(gain) * x;
  ++index;
  return output;
}

void oversampledGainStage::process(double satL, double satR, double gain, int factor, double& osL,
                                   double& osR) noexcept
{
  double wL = satL;
  double wR = satR;
  for (int j = 0; j < factor; ++j)
  {
    if (j > 0)
    {
      // Zero stuffing; the gain of 2 below restores the level it loses.
      wL = 0.0;
      wR = 0.0;
    }
    const double uL = upsamplerL.process(wL);
    const double uR = upsamplerR.process(wR);
    const double vL = gain * uL * 2.0;
    const double vR = gain * uR * 2.0;
    // Decimation keeps the first sub-sample; the second only needs to enter the history.
    if (j == 0)
    {
      osL = downsamplerL.process(vL);
      osR = downsamplerR.process(vR);
    }
    else
    {
      downsamplerL.push(vL);
      downsamplerR.push(vR);
    }
  }
}

void oversampledGainStage::clear() noexcept
{
  upsamplerL.clear();
  downsamplerL.clear();
  upsamplerR.clear();
  downsamplerR.clear();
}

} // namespace dsp
