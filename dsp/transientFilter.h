#pragma once
// Fifth-order tilt filter of the detector's transient section. It is an analogue prototype whose
// coefficients are polynomials in two knob positions, discretised with the bilinear transform. The
// per-rate part of the transform is done once per block in prepare(); process() only combines those
// weights with the per-sample smoothed knobs, so the response follows the knobs sample by sample.
//
// The poles sit within a few hertz of z = 1, where a fifth-order direct form in double keeps almost
// no correct digits (at 192 kHz it even turns unstable). So the same direct-form recursion is run in
// the basis of backward differences (1 - z^-1)^i of its internal signal w: the coefficients come from
// the prototype without ever expanding (1 + z^-1)^(5-j), and the state holds w and its first four
// differences, which stay small where w itself is huge. Same filter, same response to knob moves.

#include <cmath>
#include <limits>

namespace dsp {

class transientFilter
{
public:
  static constexpr int kOrder = 5;
  // Monomials of the knob polynomials: 1, P2, P3, P2·P3, P3², P2·P3².
  static constexpr int kMonomials = 6;

  // The analogue prototype: row j holds the s^j coefficient of the denominator (or numerator) as
  // weights of the monomials.
  static const double kPrototypeDen[kOrder + 1][kMonomials];
  static const double kPrototypeNum[kOrder + 1][kMonomials];

  // Rebuild the per-rate weights; keeps the smoothed knobs and the signal history. Audio thread.
  void prepare(double sampleRate) noexcept;

  // One sample with the four raw knob positions; audio thread.
  double process(double x, double c1, double c2, double c3, double c4) noexcept;

  int rateInt = 0;
  double rate = 0.0;
  double outGain = 0.0;
  double k1 = 0.0, k2 = 0.0, k3 = 0.0, k4 = 0.0;
  // diff[i]: the i-th backward difference of the internal signal w at the last sample.
  double diff[kOrder] = {};

  // Per-rate weights in the difference basis. With the denominator D(z) written as the sum of
  // E_i (1 - z^-1)^i, denWeights[m][k] is monomial m's share of E_0 + ... + E_k (so k = 5 gives the
  // direct form's D0); numWeights[m][k] is its share of the numerator's coefficient of (1 - z^-1)^k,
  // scaled by 1 / (0.2 rate^2).
  double denWeights[kMonomials][kOrder + 1] = {};
  double numWeights[kMonomials][kOrder + 1] = {};

  // Zeroes any state that is not finite (the signal history, a smoothed knob) so one bad value cannot
  // silence the detector for good; true when it had to. Audio thread, once per block.
  bool clearNonFiniteState() noexcept;

private:
  // The knob smoother: a one-pole at 0.993, fed linearly (knob 2) or through the taper.
  static constexpr double kKnobPole = 0.993;
  static constexpr double kLinearKnobGain = 0.007000000000000006;
  // 0.007 / (e - 1): the logarithmic taper (e^c - 1) / (e - 1) folded into the smoother's input gain.
  static constexpr double kLogKnobGain = 0.004073836948085289;

  // Knobs usually hold still for a whole block and the smoothed ones settle, so the tapers and the
  // coefficient evaluation are kept and redone only when their inputs change. Results are unchanged.
  struct Taper
  {
    double in = std::numeric_limits<double>::quiet_NaN();
    double out = 0.0;
    double operator()(double c) noexcept;
  };
  Taper mTaper1, mTaper3, mTaper4;
  void updateCoefficients() noexcept;

  bool mCoefsValid = false;
  double mCoefK2 = 0.0, mCoefK3 = 0.0;
  // Evaluated for the current knobs and divided by D0: the feedback weights of diff[0..4] and the
  // output weights of the differences 2..5.
  double mFeedback[kOrder] = {};
  double mFeedforward[kOrder - 1] = {};
};

// Inline: the chain runs these once per sample and channel.
inline double transientFilter::Taper::operator()(double c) noexcept
{
  if (!(c == in))
  {
    in = c;
    out = std::exp(c) - 1.0;
  }
  return out;
}

inline double transientFilter::process(double x, double c1, double c2, double c3, double c4) noexcept
{
  k1 = kKnobPole * k1 + kLogKnobGain * mTaper1(c1);
  k2 = kKnobPole * k2 + kLinearKnobGain * c2;
  k3 = kKnobPole * k3 + kLogKnobGain * mTaper3(c3);
  k4 = kKnobPole * k4 + kLogKnobGain * mTaper4(1.0 - c4);

  if (!mCoefsValid || k2 != mCoefK2 || k3 != mCoefK3)
    updateCoefficients();
  const double* g = mFeedback;
  const double* f = mFeedforward;

  // The recursion D(z) w = 2 D0 (x - 1e-15) solved for the newest fifth difference of w, then summed
  // down the ladder: each newer difference is the next higher one plus its own previous value.
  const double d5 =
    2.0 * (x - 1e-15) - (((g[4] * diff[4] + g[3] * diff[3]) + (g[2] * diff[2] + g[1] * diff[1])) + g[0] * diff[0]);
  const double d4 = d5 + diff[4];
  const double d3 = d4 + diff[3];
  const double d2 = d3 + diff[2];
  const double d1 = d2 + diff[1];
  const double d0 = d1 + diff[0];
  // The numerator's double zero at DC: only the second and higher differences reach the output.
  const double y = outGain * k1 * (1.0 - k4) * ((f[0] * d2 + f[1] * d3) + (f[2] * d4 + f[3] * d5)) + 1e-15;

  diff[0] = d0;
  diff[1] = d1;
  diff[2] = d2;
  diff[3] = d3;
  diff[4] = d4;
  return y;
}

} // namespace dsp
