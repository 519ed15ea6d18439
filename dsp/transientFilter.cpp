#include "dsp/transientFilter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dsp/numeric.h"

namespace dsp {

namespace {

constexpr int N = transientFilter::kOrder;
constexpr int M = transientFilter::kMonomials;

// Prototype weights: row j is the coefficient of s^j, columns the monomials 1, P2, P3, P2·P3, P3², P2·P3².
constexpr double kDen[N + 1][M] = {
  {1.9800486833307e-14, 4.47731702996255e-16, -1.79092681198507e-15, 1.19130474372322e-30, 0, 0},
  {9.0405118880631e-15, 2.17433013297586e-16, -8.0207227097502e-16, 1.4327414495886e-18, -7.8800779727343e-18,
   5.24174087238215e-33},
  {2.11634084296759e-16, 1.06676709273061e-17, -1.20975771318889e-17, 6.46718086584193e-19, -3.5517024634217e-18,
   -1.71928973950331e-21},
  {9.91476091194116e-19, 1.35947153733298e-19, 3.61411045630047e-20, 1.1971949023265e-20, -6.3462833577576e-20,
   -7.74300291562855e-22},
  {5.48949166690919e-22, 2.53400645910856e-22, 4.20355484320569e-23, 1.75403443289892e-23, -4.64382847564718e-23,
   -1.35724773709656e-23},
  {7.1293532719245e-26, 8.20453012907325e-26, 7.1293532719245e-27, 8.20453012907325e-27, -6.83302711463584e-27,
   -6.88164549832022e-27},
};

// The numerator has no s^0 or s^1 term (a double zero at DC) and no P3² monomials.
constexpr double kNum[N + 1][M] = {
  {0, 0, 0, 0, 0, 0},
  {0, 0, 0, 0, 0, 0},
  {3.82016541090329e-16, 9.043952203843e-17, -3.6175808815372e-16, 2.40637486475557e-31, 0, 0},
  {1.2640336955479e-17, 3.13535735002828e-18, -1.19380169090727e-17, 7.94103705369333e-33, 0, 0},
  {1.11510628344266e-21, 4.97815305108331e-21, 9.48095597433269e-24, 4.23256963139853e-23, 0, 0},
  {0, 0, 3.12871547152976e-25, 1.39674797836151e-24, 0, 0},
};

// bilinear[k][j]: coefficient of z^-k in (1 - z^-1)^j (1 + z^-1)^(N-j).
constexpr std::array<std::array<double, N + 1>, N + 1> MakeBilinearMatrix()
{
  std::array<std::array<double, N + 1>, N + 1> m{};
  for (int j = 0; j <= N; ++j)
  {
    double poly[N + 1] = {1.0};
    for (int f = 0; f < N; ++f)
    {
      const double sign = f < j ? -1.0 : 1.0;
      for (int k = N; k > 0; --k)
        poly[k] += sign * poly[k - 1];
    }
    for (int k = 0; k <= N; ++k)
      m[k][j] = poly[k];
  }
  return m;
}

constexpr auto kBilinear = MakeBilinearMatrix();

constexpr double kKnobPole = 0.993;
constexpr double kLinearKnobGain = 0.007000000000000006;
// 0.007 / (e - 1): the logarithmic taper (e^c - 1) / (e - 1) folded into the smoother's input gain.
constexpr double kLogKnobGain = 0.004073836948085289;

} // namespace

double transientFilter::Taper::operator()(double c) noexcept
{
  if (!(c == in))
  {
    in = c;
    out = std::exp(c) - 1.0;
  }
  return out;
}

void transientFilter::prepare(double sampleRate) noexcept
{
  rateInt = truncToInt(sampleRate);
  // The clamp keeps the bilinear constant finite and positive for any rate a host reports.
  rate = std::min(192000.0, std::max(1.0, static_cast<double>(rateInt)));
  const float rateF = static_cast<float>(rate);
  outGain = 0.1 * static_cast<double>(rateF * rateF);

  const double a = rate;
  const double c = 2.0 * a;
  for (int m = 0; m < M; ++m)
  {
    for (int k = 0; k <= N; ++k)
    {
      double den = 0.0;
      double num = 0.0;
      double cj = 1.0;          // c^j
      double scaled = 5.0 / (a * a); // 5 · 2^j · a^(j-2), built up per power
      for (int j = 0; j <= N; ++j)
      {
        den += kDen[j][m] * cj * kBilinear[k][j];
        if (j >= 2)
          num += kNum[j][m] * scaled * kBilinear[k][j];
        cj *= c;
        scaled *= 2.0 * a;
      }
      if (denWeights[m][k] != den || numWeights[m][k] != num)
        mCoefsValid = false;
      denWeights[m][k] = den;
      numWeights[m][k] = num;
    }
  }
}

double transientFilter::process(double x, double c1, double c2, double c3, double c4) noexcept
{
  k1 = kKnobPole * k1 + kLogKnobGain * mTaper1(c1);
  k2 = kKnobPole * k2 + kLinearKnobGain * c2;
  k3 = kKnobPole * k3 + kLogKnobGain * mTaper3(c3);
  k4 = kKnobPole * k4 + kLogKnobGain * mTaper4(1.0 - c4);

  if (!mCoefsValid || k2 != mCoefK2 || k3 != mCoefK3)
  {
    const double mono[M] = {1.0, k2, k3, k2 * k3, k3 * k3, k2 * k3 * k3};
    for (int k = 0; k <= N; ++k)
    {
      double d = 0.0;
      double b = 0.0;
      for (int m = 0; m < M; ++m)
      {
        d += denWeights[m][k] * mono[m];
        b += numWeights[m][k] * mono[m];
      }
      mD[k] = d;
      mB[k] = b;
    }
    mCoefK2 = k2;
    mCoefK3 = k3;
    mCoefsValid = true;
  }
  const double* D = mD;
  const double* B = mB;

  const double w =
    2.0 * (x - 1e-15) - (D[1] * hist[0] + D[2] * hist[1] + D[3] * hist[2] + D[4] * hist[3] + D[5] * hist[4]) / D[0];
  const double y =
    outGain * k1 * (1.0 - k4) *
      (B[0] * w + B[1] * hist[0] + B[2] * hist[1] + B[3] * hist[2] + B[4] * hist[3] + B[5] * hist[4]) / D[0] +
    1e-15;

  for (int i = N - 1; i > 0; --i)
    hist[i] = hist[i - 1];
  hist[0] = w;
  return y;
}

} // namespace dsp
