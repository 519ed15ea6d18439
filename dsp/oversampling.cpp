#include "dsp/oversampling.h"

#include <algorithm>
#include <iterator>

#include "dsp/blockKernels.h"

namespace dsp {

// The nonzero taps at odd positions j = 1, 3, ..., 63, mirrored at 128 - j. The centre tap is 0.5 and
// the remaining even positions are zero, which is what makes the filter half-band.
const double halfbandFir::kOddTaps[32] = {
  -0.000005, 0.000012, -0.000025, 0.000045, -0.000075, 0.000118, -0.00018,  0.000264,
  -0.000377, 0.000524, -0.000713, 0.000954, -0.001255, 0.001627, -0.002082, 0.002635,
  -0.003301, 0.004099, -0.005051, 0.006187, -0.007542, 0.009163, -0.011119, 0.013505,
  -0.01647,  0.020254, -0.025272, 0.032309, -0.043056, 0.061915, -0.105047, 0.317956,
};

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

void halfbandFir::setHistory(const double* newestFirst) noexcept
{
  std::copy(newestFirst, newestFirst + kTaps, mBuffer);
  std::copy(newestFirst, newestFirst + kTaps, mBuffer + kTaps);
  mPos = 0;
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

// Pushes come in pairs (a sample and its zero-stuffed or second sub-sample), so a block always starts
// after an odd push: the newest history entry belongs to the odd phase.
void oversampledGainStage::Phases::load(const halfbandFir& f) noexcept
{
  for (int k = 1; k <= kHistory; ++k)
  {
    odd[kHistory - k] = f.history(2 * k - 2);
    even[kHistory - k] = f.history(2 * k - 1);
  }
}

void oversampledGainStage::Phases::store(halfbandFir& f, int n) const noexcept
{
  double newestFirst[halfbandFir::kTaps];
  for (int k = 0; 2 * k < halfbandFir::kTaps; ++k)
  {
    newestFirst[2 * k] = odd[kHistory + n - 1 - k];
    if (2 * k + 1 < halfbandFir::kTaps)
      newestFirst[2 * k + 1] = even[kHistory + n - 1 - k];
  }
  f.setHistory(newestFirst);
}

// Per sample the upsampler takes the sample then a zero, the gain scales both of its outputs, and the
// downsampler takes both and keeps its output for the first. Split into even and odd phases, each
// output phase of a half-band filter is a 64-term FIR over one input phase plus the centre tap on the
// other, which the vector kernel computes for the whole block. Each filter's anti-denormal offset
// flips per push, so within a block it is the same for every even push and for every odd one.
void oversampledGainStage::processChannelBlock(halfbandFir& up, halfbandFir& down, const double* sat,
                                               const double* gain, int n, double* os) noexcept
{
  constexpr int H = Phases::kHistory;
  const blockKernels& k = selectedBlockKernels();
  const double upEvenOffset = -up.offset;
  const double upOddOffset = up.offset;
  mUp.load(up);
  for (int i = 0; i < n; ++i)
  {
    mUp.even[H + i] = sat[i] + upEvenOffset;
    mUp.odd[H + i] = 0.0 + upOddOffset;
  }
  k.halfbandPhase(mUp.odd + H - 1, mUp.even + H, halfbandFir::kOddTaps, upEvenOffset, mUpEven, n);
  k.halfbandPhase(mUp.even + H, mUp.odd + H, halfbandFir::kOddTaps, upOddOffset, mUpOdd, n);
  mUp.store(up, n);

  const double downEvenOffset = -down.offset;
  const double downOddOffset = down.offset;
  mDown.load(down);
  for (int i = 0; i < n; ++i)
  {
    mDown.even[H + i] = gain[i] * mUpEven[i] * 2.0 + downEvenOffset;
    mDown.odd[H + i] = gain[i] * mUpOdd[i] * 2.0 + downOddOffset;
  }
  k.halfbandPhase(mDown.odd + H - 1, mDown.even + H, halfbandFir::kOddTaps, downEvenOffset, os, n);
  mDown.store(down, n);
}

void oversampledGainStage::processBlock(const double* satL, const double* satR, const double* gain, int n,
                                        double* osL, double* osR) noexcept
{
  if (n <= 0)
    return;
  processChannelBlock(upsamplerL, downsamplerL, satL, gain, n, osL);
  processChannelBlock(upsamplerR, downsamplerR, satR, gain, n, osR);
}

void oversampledGainStage::clear() noexcept
{
  upsamplerL.clear();
  downsamplerL.clear();
  upsamplerR.clear();
  downsamplerR.clear();
}

} // namespace dsp
