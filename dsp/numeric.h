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

// Two doubles in one vector register: the chain's left and right channel stepped together through
// recursions they do not share. SSE2, which every x86-64 has, holds it; arithmetic on it rounds as
// the same scalar arithmetic does.
using double2 = double __attribute__((vector_size(16)));
using float2 = float __attribute__((vector_size(8)));

inline double2 roundToFloat(double2 v) noexcept
{
  return __builtin_convertvector(__builtin_convertvector(v, float2), double2);
}

} // namespace dsp
