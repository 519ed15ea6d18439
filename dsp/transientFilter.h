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

} // namespace dsp
