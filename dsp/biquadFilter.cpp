#include "dsp/biquadFilter.h"

#include <cmath>
#include <numbers>

namespace dsp {

bool biquadFilter::clearNonFiniteState() noexcept
{
  if (std::isfinite(z1) && std::isfinite(z2))
    return false;
  z1 = 0.0;
  z2 = 0.0;
  return true;
}

void biquadFilter::setup(int newType, double newFreq, double newQ, double newDbGain)
{
  // The chain sets its filters up every block; the design only changes when a value does.
  if (designed && newType == type && newFreq == freq && newQ == q && newDbGain == dbGain)
    return;
  designed = true;
  type = newType;
  freq = newFreq;
  q = newQ;
  dbGain = newDbGain;
  design();
}

// The shelves take K/q and V·K/q where textbook shelves take √2·K and √(2V)·K, so their corner follows
// q. A gain of exactly 0 takes the boost rows and a NaN gain the cut rows (the comparison is false).
void biquadFilter::design()
{
  const double V = std::pow(10.0, std::fabs(dbGain) / 20.0);
  const double K = std::tan(std::numbers::pi * freq);
  const double KK = K * K;
  const bool boost = dbGain >= 0.0;
  double norm;

  switch (type)
  {
    case kLowPass:
      norm = 1.0 / (1.0 + K / q + KK);
      b0 = KK * norm;
      b1 = 2.0 * b0;
      b2 = b0;
      a1 = 2.0 * (KK - 1.0) * norm;
      a2 = (1.0 - K / q + KK) * norm;
      break;
    case kHighPass:
      norm = 1.0 / (1.0 + K / q + KK);
      b0 = norm;
      b1 = -2.0 * b0;
      b2 = b0;
      a1 = 2.0 * (KK - 1.0) * norm;
      a2 = (1.0 - K / q + KK) * norm;
      break;
    case kBandPass:
      norm = 1.0 / (1.0 + K / q + KK);
      b0 = K / q * norm;
      b1 = 0.0;
      b2 = -b0;
      a1 = 2.0 * (KK - 1.0) * norm;
      a2 = (1.0 - K / q + KK) * norm;
      break;
    case kNotch:
      norm = 1.0 / (1.0 + K / q + KK);
      b0 = (1.0 + KK) * norm;
      b1 = 2.0 * (KK - 1.0) * norm;
      b2 = b0;
      a1 = b1;
      a2 = (1.0 - K / q + KK) * norm;
      break;
    case kPeak:
      if (boost)
      {
        norm = 1.0 / (1.0 + K / q + KK);
        b0 = (1.0 + V * K / q + KK) * norm;
        b1 = 2.0 * (KK - 1.0) * norm;
        b2 = (1.0 - V * K / q + KK) * norm;
        a1 = b1;
        a2 = (1.0 - K / q + KK) * norm;
      }
      else
      {
        norm = 1.0 / (1.0 + V * K / q + KK);
        b0 = (1.0 + K / q + KK) * norm;
        b1 = 2.0 * (KK - 1.0) * norm;
        b2 = (1.0 - K / q + KK) * norm;
        a1 = b1;
        a2 = (1.0 - V * K / q + KK) * norm;
      }
      break;
    case kLowShelf:
      if (boost)
      {
        norm = 1.0 / (1.0 + K / q + KK);
        b0 = (1.0 + V * K / q + V * KK) * norm;
        b1 = 2.0 * (V * KK - 1.0) * norm;
        b2 = (1.0 - V * K / q + V * KK) * norm;
        a1 = 2.0 * (KK - 1.0) * norm;
        a2 = (1.0 - K / q + KK) * norm;
      }
      else
      {
        norm = 1.0 / (1.0 + V * K / q + V * KK);
        b0 = (1.0 + K / q + KK) * norm;
        b1 = 2.0 * (KK - 1.0) * norm;
        b2 = (1.0 - K / q + KK) * norm;
        a1 = 2.0 * (V * KK - 1.0) * norm;
        a2 = (1.0 - V * K / q + V * KK) * norm;
      }
      break;
    case kHighShelf:
      if (boost)
      {
        norm = 1.0 / (1.0 + K / q + KK);
        b0 = (V + V * K / q + KK) * norm;
        b1 = 2.0 * (KK - V) * norm;
        b2 = (V - V * K / q + KK) * norm;
        a1 = 2.0 * (KK - 1.0) * norm;
        a2 = (1.0 - K / q + KK) * norm;
      }
      else
      {
        norm = 1.0 / (V + V * K / q + KK);
        b0 = (1.0 + K / q + KK) * norm;
        b1 = 2.0 * (KK - 1.0) * norm;
        b2 = (1.0 - K / q + KK) * norm;
        a1 = 2.0 * (KK - V) * norm;
        a2 = (V - V * K / q + KK) * norm;
      }
      break;
    default:
      // An unknown type leaves the previous design in place.
      break;
  }
}

} // namespace dsp
