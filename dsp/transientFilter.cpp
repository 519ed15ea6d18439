#include "dsp/transientFilter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dsp/numeric.h"

namespace dsp {

// Prototype weights: row j is the coefficient of s^j, columns the monomials 1, P2, P3, P2·P3, P3², P2·P3².
const double transientFilter::kPrototypeDen[kOrder + 1][kMonomials] = {
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
const double transientFilter::kPrototypeNum[kOrder + 1][kMonomials] = {
  {0, 0, 0, 0, 0, 0},
  {0, 0, 0, 0, 0, 0},
  {3.82016541090329e-16, 9.043952203843e-17, -3.6175808815372e-16, 2.40637486475557e-31, 0, 0},
  {1.2640336955479e-17, 3.13535735002828e-18, -1.19380169090727e-17, 7.94103705369333e-33, 0, 0},
  {1.11510628344266e-21, 4.97815305108331e-21, 9.48095597433269e-24, 4.23256963139853e-23, 0, 0},
  {0, 0, 3.12871547152976e-25, 1.39674797836151e-24, 0, 0},
};

namespace {

constexpr int N = transientFilter::kOrder;
constexpr int M = transientFilter::kMonomials;

// The bilinear transform turns s^j into c^j (1 - z^-1)^j (1 + z^-1)^(N-j). Written in powers of the
// backward difference v = 1 - z^-1, with 1 + z^-1 = 2 - v, that is c^j v^j (2 - v)^(N-j):
// kDiffBasis[j][m] is its coefficient of v^m (0 for m < j).
constexpr std::array<std::array<double, N + 1>, N + 1> MakeDiffBasis()
{
  std::array<std::array<double, N + 1>, N + 1> basis{};
  for (int j = 0; j <= N; ++j)
  {
    double poly[N + 1] = {};
    poly[j] = 1.0; // v^j
    for (int f = j; f < N; ++f)
      for (int m = N; m >= 0; --m)
        poly[m] = 2.0 * poly[m] - (m > 0 ? poly[m - 1] : 0.0); // times (2 - v)
    for (int m = 0; m <= N; ++m)
      basis[j][m] = poly[m];
  }
  return basis;
}

constexpr auto kDiffBasis = MakeDiffBasis();

bool AllFinite(const double* v, int n)
{
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i]))
      return false;
  return true;
}

} // namespace

void transientFilter::prepare(double sampleRate) noexcept
{
  // The chain prepares every block; the weights only change with the rate.
  if (mPrepared && truncToInt(sampleRate) == rateInt)
    return;
  mPrepared = true;
  rateInt = truncToInt(sampleRate);
  // The clamp keeps the bilinear constant finite and positive for any rate a host reports.
  rate = std::min(192000.0, std::max(1.0, static_cast<double>(rateInt)));
  const float rateF = static_cast<float>(rate);
  outGain = 0.1 * static_cast<double>(rateF * rateF);

  const double a = rate;
  const double c = 2.0 * a;
  for (int m = 0; m < M; ++m)
  {
    // Difference-basis coefficients of this monomial's share of the denominator (E) and of the
    // numerator scaled by 1 / (0.2 a^2) (F), summed from the lowest power of s up.
    double e[N + 1] = {};
    double f[N + 1] = {};
    double cj = 1.0;               // c^j
    double scaled = 5.0 / (a * a); // 5 · 2^j · a^(j-2), built up per power
    for (int j = 0; j <= N; ++j)
    {
      const double den = kPrototypeDen[j][m] * cj;
      const double num = kPrototypeNum[j][m] * scaled;
      for (int k = j; k <= N; ++k)
      {
        e[k] += den * kDiffBasis[j][k];
        f[k] += num * kDiffBasis[j][k];
      }
      cj *= c;
      scaled *= 2.0 * a;
    }
    double cumulative = 0.0;
    for (int k = 0; k <= N; ++k)
    {
      cumulative += e[k];
      if (denWeights[m][k] != cumulative || numWeights[m][k] != f[k])
        mCoefsValid = false;
      denWeights[m][k] = cumulative;
      numWeights[m][k] = f[k];
    }
  }
}

void transientFilter::updateCoefficients() noexcept
{
  const double mono[M] = {1.0, k2, k3, k2 * k3, k3 * k3, k2 * k3 * k3};
  double g[N + 1] = {};
  double f[N + 1] = {};
  for (int m = 0; m < M; ++m)
  {
    for (int k = 0; k <= N; ++k)
      g[k] += denWeights[m][k] * mono[m];
    // The numerator's double zero at DC leaves no (1 - z^-1)^0 or ^1 term.
    for (int k = 2; k <= N; ++k)
      f[k] += numWeights[m][k] * mono[m];
  }
  // g[N] is the whole denominator at z^-1 = 0, the direct form's D0.
  const double norm = 1.0 / g[N];
  for (int k = 0; k < N; ++k)
    mFeedback[k] = g[k] * norm;
  for (int k = 2; k <= N; ++k)
    mFeedforward[k - 2] = f[k] * norm;
  mCoefK2 = k2;
  mCoefK3 = k3;
  mCoefsValid = true;
}

bool transientFilter::clearNonFiniteState() noexcept
{
  bool cleared = false;
  if (!AllFinite(diff, N))
  {
    std::fill(std::begin(diff), std::end(diff), 0.0);
    cleared = true;
  }
  for (double* k : {&k1, &k2, &k3, &k4})
    if (!std::isfinite(*k))
    {
      *k = 0.0;
      cleared = true;
    }
  if (cleared)
    mCoefsValid = false;
  return cleared;
}

} // namespace dsp
