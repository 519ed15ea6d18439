#pragma once
// The transient tilt filter written the plain way: the bilinear image of the prototype expanded into
// fifth-order direct-form coefficients from per-rate monomial weights, then run in direct form II. In
// double this is how the filter used to be computed, and it loses most of its digits to cancellation
// near z = 1; in quadruple precision the same arithmetic has digits to spare, which makes it the
// yardstick for the realisation we ship. The knobs are smoothed in double, as the filter does it.

#include <cmath>

#include "dsp/numeric.h"
#include "dsp/transientFilter.h"

namespace quorvane::test {

__extension__ typedef __float128 Quad;

template <typename Real>
class DirectFormReference
{
public:
  static constexpr int N = dsp::transientFilter::kOrder;
  static constexpr int M = dsp::transientFilter::kMonomials;

  void prepare(double sampleRate)
  {
    const int rateInt = dsp::truncToInt(sampleRate);
    const double rate = std::fmin(192000.0, std::fmax(1.0, static_cast<double>(rateInt)));
    const float rateF = static_cast<float>(rate);
    mOutGain = 0.1 * static_cast<double>(rateF * rateF);

    const Real a = rate;
    const Real c = Real(2) * a;
    for (int m = 0; m < M; ++m)
      for (int k = 0; k <= N; ++k)
      {
        Real den = 0, num = 0;
        Real cj = 1;                  // c^j
        Real scaled = Real(5) / (a * a); // 5 · 2^j · a^(j-2)
        for (int j = 0; j <= N; ++j)
        {
          den += Real(dsp::transientFilter::kPrototypeDen[j][m]) * cj * Real(Bilinear(k, j));
          if (j >= 2)
            num += Real(dsp::transientFilter::kPrototypeNum[j][m]) * scaled * Real(Bilinear(k, j));
          cj *= c;
          scaled *= Real(2) * a;
        }
        mDenWeights[m][k] = den;
        mCoefK2 = std::nan(""); // the weights changed
        mNumWeights[m][k] = num;
      }
  }

  double process(double x, double c1, double c2, double c3, double c4)
  {
    constexpr double kLog = 0.004073836948085289;
    k1 = 0.993 * k1 + kLog * (std::exp(c1) - 1.0);
    k2 = 0.993 * k2 + 0.007000000000000006 * c2;
    k3 = 0.993 * k3 + kLog * (std::exp(c3) - 1.0);
    k4 = 0.993 * k4 + kLog * (std::exp(1.0 - c4) - 1.0);

    // Settled knobs give the same coefficients again: keep them (quadruple arithmetic is slow).
    if (!(k2 == mCoefK2 && k3 == mCoefK3))
    {
      const Real p2 = k2, p3 = k3;
      const Real mono[M] = {Real(1), p2, p3, p2 * p3, p3 * p3, p2 * p3 * p3};
      for (int k = 0; k <= N; ++k)
      {
        Real d = 0, b = 0;
        for (int m = 0; m < M; ++m)
        {
          d += mDenWeights[m][k] * mono[m];
          b += mNumWeights[m][k] * mono[m];
        }
        mD[k] = d;
        mB[k] = b;
      }
      mCoefK2 = k2;
      mCoefK3 = k3;
    }
    const Real* D = mD;
    const Real* B = mB;

    Real* h = mHist;
    const Real w =
      Real(2) * (Real(x) - Real(1e-15)) - (D[1] * h[0] + D[2] * h[1] + D[3] * h[2] + D[4] * h[3] + D[5] * h[4]) / D[0];
    const Real y = Real(mOutGain) * Real(k1) * (Real(1) - Real(k4)) *
                     (B[0] * w + B[1] * h[0] + B[2] * h[1] + B[3] * h[2] + B[4] * h[3] + B[5] * h[4]) / D[0] +
                   Real(1e-15);
    for (int i = N - 1; i > 0; --i)
      h[i] = h[i - 1];
    h[0] = w;
    return static_cast<double>(y);
  }

  double k1 = 0.0, k2 = 0.0, k3 = 0.0, k4 = 0.0;

private:
  // Coefficient of z^-k in (1 - z^-1)^j (1 + z^-1)^(N - j).
  static double Bilinear(int k, int j)
  {
    double poly[N + 1] = {1.0};
    for (int f = 0; f < N; ++f)
      for (int i = N; i > 0; --i)
        poly[i] += (f < j ? -1.0 : 1.0) * poly[i - 1];
    return poly[k];
  }

  double mOutGain = 0.0;
  double mCoefK2 = std::nan(""), mCoefK3 = std::nan("");
  Real mD[N + 1] = {}, mB[N + 1] = {};
  Real mDenWeights[M][N + 1] = {};
  Real mNumWeights[M][N + 1] = {};
  Real mHist[N] = {};
};

} // namespace quorvane::test
