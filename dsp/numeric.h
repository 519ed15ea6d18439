#pragma once
// Small numeric helpers shared by the DSP blocks.

#include <climits>

namespace dsp {

// Truncating double -> int that saturates instead of invoking undefined behaviour; NaN gives 0.
inline int truncToInt(double v)
{
  if (!(v == v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(v);
}

} // namespace dsp
