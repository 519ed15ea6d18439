#pragma once
// Fifth-order tilt filter of the detector's transient section. It is an analogue prototype whose
// coefficients are polynomials in two knob positions, discretised with the bilinear transform. The
// per-rate part of the transform is done once per block in prepare(); process() only combines those
// weights with the per-sample smoothed knobs, so the response follows the knobs sample by sample.

#include <limits>

namespace dsp {

class transientFilter
{
public:
  static constexpr int kOrder = 5;
  // Monomials of the knob polynomials: 1, P2, P3, P2·P3, P3², P2·P3².
  static constexpr int kMonomials = 6;

  // Rebuild the per-rate weights; keeps the smoothed knobs and the signal history. Audio thread.
  void prepare(double sampleRate) noexcept;

  // One sample with the four raw knob positions; audio thread.
  double process(double x, double c1, double c2, double c3, double c4) noexcept;

  int rateInt = 0;
  double rate = 0.0;
  double outGain = 0.0;
  double k1 = 0.0, k2 = 0.0, k3 = 0.0, k4 = 0.0;
  double hist[kOrder] = {};

  // Per-rate weights: denWeights[m][k] is monomial m's share of the digital denominator Dk, and
  // numWeights[m][k] its share of the scaled numerator Bk.
  double denWeights[kMonomials][kOrder + 1] = {};
  double numWeights[kMonomials][kOrder + 1] = {};

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
  bool mCoefsValid = false;
  double mCoefK2 = 0.0, mCoefK3 = 0.0;
  double mD[kOrder + 1] = {};
  double mB[kOrder + 1] = {};
};

} // namespace dsp
