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

  // process() in its two halves, for running the chain's two channels in one vector: the knobs (the
  // same for both channels) step once, then the signal recursion runs on each channel's differences.
  // T is double or a vector of doubles; the arithmetic is the same, operation for operation.
  void stepKnobs(double c1, double c2, double c3, double c4) noexcept;
  // True when stepKnobs with these positions would change nothing, now and so at every later step.
  bool knobsSettledAt(double c1, double c2, double c3, double c4) const noexcept
  {
    transientFilter next = *this;
    next.stepKnobs(c1, c2, c3, c4);
    return next.k1 == k1 && next.k2 == k2 && next.k3 == k3 && next.k4 == k4 && mCoefsValid &&
           next.mTaper1.in == mTaper1.in && next.mTaper3.in == mTaper3.in && next.mTaper4.in == mTaper4.in;
  }
  template <class T>
  T stepSignal(T x, T (&differences)[kOrder]) const noexcept;
  // The same recursion with the ladder's sums of the previous differences formed beside the newest
  // fifth difference rather than after it, which shortens the chain from one sample to the next by
  // four additions. Agrees with stepSignal to rounding.
  template <class T>
  T stepSignalShort(T x, T (&differences)[kOrder]) const noexcept;
  // True when the other filter's knob state is exactly this one's, so that this one's stepKnobs()
  // stands for both. (NaN tapers compare unequal, which is the safe answer.)
  bool sameKnobs(const transientFilter& other) const noexcept;

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

  bool mPrepared = false;
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

inline void transientFilter::stepKnobs(double c1, double c2, double c3, double c4) noexcept
{
  k1 = kKnobPole * k1 + kLogKnobGain * mTaper1(c1);
  k2 = kKnobPole * k2 + kLinearKnobGain * c2;
  k3 = kKnobPole * k3 + kLogKnobGain * mTaper3(c3);
  k4 = kKnobPole * k4 + kLogKnobGain * mTaper4(1.0 - c4);

  if (!mCoefsValid || k2 != mCoefK2 || k3 != mCoefK3)
    updateCoefficients();
}

template <class T>
inline T transientFilter::stepSignal(T x, T (&d)[kOrder]) const noexcept
{
  const double* g = mFeedback;
  const double* f = mFeedforward;
  // The recursion D(z) w = 2 D0 (x - 1e-15) solved for the newest fifth difference of w, then summed
  // down the ladder: each newer difference is the next higher one plus its own previous value.
  const T d5 = 2.0 * (x - 1e-15) - (((g[4] * d[4] + g[3] * d[3]) + (g[2] * d[2] + g[1] * d[1])) + g[0] * d[0]);
  const T d4 = d5 + d[4];
  const T d3 = d4 + d[3];
  const T d2 = d3 + d[2];
  const T d1 = d2 + d[1];
  const T d0 = d1 + d[0];
  // The numerator's double zero at DC: only the second and higher differences reach the output.
  const T y = outGain * k1 * (1.0 - k4) * ((f[0] * d2 + f[1] * d3) + (f[2] * d4 + f[3] * d5)) + 1e-15;
  d[0] = d0;
  d[1] = d1;
  d[2] = d2;
  d[3] = d3;
  d[4] = d4;
  return y;
}

template <class T>
inline T transientFilter::stepSignalShort(T x, T (&d)[kOrder]) const noexcept
{
  const double* g = mFeedback;
  const double* f = mFeedforward;
  const T s4 = d[4];
  const T s3 = s4 + d[3];
  const T s2 = s3 + d[2];
  const T s1 = s2 + d[1];
  const T s0 = s1 + d[0];
  const T d5 = 2.0 * (x - 1e-15) - (((g[4] * d[4] + g[3] * d[3]) + (g[2] * d[2] + g[1] * d[1])) + g[0] * d[0]);
  const T d4 = d5 + s4;
  const T d3 = d5 + s3;
  const T d2 = d5 + s2;
  const T y = outGain * k1 * (1.0 - k4) * ((f[0] * d2 + f[1] * d3) + (f[2] * d4 + f[3] * d5)) + 1e-15;
  d[0] = d5 + s0;
  d[1] = d5 + s1;
  d[2] = d2;
  d[3] = d3;
  d[4] = d4;
  return y;
}

inline double transientFilter::process(double x, double c1, double c2, double c3, double c4) noexcept
{
  stepKnobs(c1, c2, c3, c4);
  return stepSignal(x, diff);
}

inline bool transientFilter::sameKnobs(const transientFilter& o) const noexcept
{
  // The cached taper outputs, weights, coefficients and output gain follow from these.
  return mCoefsValid && o.mCoefsValid && rate == o.rate && k1 == o.k1 && k2 == o.k2 && k3 == o.k3 && k4 == o.k4 &&
         mTaper1.in == o.mTaper1.in && mTaper3.in == o.mTaper3.in && mTaper4.in == o.mTaper4.in &&
         mCoefK2 == o.mCoefK2 && mCoefK3 == o.mCoefK3;
}

} // namespace dsp
