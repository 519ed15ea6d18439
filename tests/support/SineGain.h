#pragma once
// Steady-state sine gain of a per-sample process, measured the way a bench analyser would: drive a
// sine, let the transient die out, then correlate the output with sine and cosine over whole periods.

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvane::test {

// `step` maps one input sample to one output sample. Returns the linear gain at `freq` Hz. The
// amplitude comes from a least-squares fit of sine and cosine, so a window that is not a whole number
// of periods does not leak.
template <typename Step>
double SineGain(Step&& step, double freq, double rate, double settleSeconds, double amplitude = 1.0)
{
  const double w = 2.0 * std::numbers::pi * freq / rate;
  const long settle = static_cast<long>(settleSeconds * rate);
  // At least four periods and 50 ms.
  const long measure = std::max(static_cast<long>(4.0 * rate / freq), static_cast<long>(0.05 * rate));
  double ss = 0.0, cc = 0.0, sc = 0.0, ys = 0.0, yc = 0.0;
  for (long n = 0; n < settle + measure; ++n)
  {
    const double y = step(amplitude * std::sin(w * n));
    if (n >= settle)
    {
      const double sn = std::sin(w * n), cn = std::cos(w * n);
      ss += sn * sn;
      cc += cn * cn;
      sc += sn * cn;
      ys += y * sn;
      yc += y * cn;
    }
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det;
  const double b = (yc * ss - ys * sc) / det;
  return std::hypot(a, b) / amplitude;
}

inline double ToDb(double gain) { return 20.0 * std::log10(gain); }

} // namespace quorvane::test
