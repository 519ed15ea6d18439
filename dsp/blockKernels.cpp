// Compiled once per vector target: Highway's foreach_target includes this file again for each one.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "dsp/blockKernels.cpp"
// The targets a released x86-64 module carries; the baseline (no flags) serves anything else.
#ifndef HWY_TARGETS
#define HWY_TARGETS (HWY_AVX3 | HWY_AVX2 | HWY_SSE4 | HWY_STATIC_TARGET)
#endif
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <cmath>

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "dsp/blockKernels.h"
#include "dsp/compressor.h"
#include "dsp/curves.h"

HWY_BEFORE_NAMESPACE();
namespace dsp {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;

// atan of the curve's seventh power. Below 2^-7, where programme levels under about -1 dBFS keep it,
// the series to x^7 is exact to rounding (the next term is 1e-17 of x) and much cheaper than the
// general function.
HWY_INLINE V AtanOfSeventhPower(D d, V x)
{
  if (!hn::AllTrue(d, hn::Lt(hn::Abs(x), hn::Set(d, 0.0078125))))
    return hn::Atan(d, x);
  const V x2 = hn::Mul(x, x);
  const V series = hn::Add(hn::Set(d, 1.0 / 5.0), hn::Mul(x2, hn::Set(d, -1.0 / 7.0)));
  return hn::Add(x, hn::Mul(hn::Mul(x, x2), hn::Add(hn::Set(d, -1.0 / 3.0), hn::Mul(x2, series))));
}

// The scalar curves' arithmetic, operation for operation, on vectors; `tanh` is the function's general
// form or its series for small arguments.
template <class Tanh>
HWY_INLINE V PolyCurveWith(D d, V u, Tanh tanh)
{
  const V u2 = hn::Mul(u, u);
  const V u3 = hn::Mul(u2, u);
  const V u7 = hn::Mul(hn::Mul(u3, u3), u);
  const V t3 = hn::Mul(hn::Set(d, 0.04), tanh(u3));
  const V t2 = hn::Mul(hn::Set(d, 0.001), tanh(u2));
  const V sum = hn::Add(hn::Add(t3, t2), u);
  return hn::Sub(sum, hn::Mul(hn::Set(d, 0.01), AtanOfSeventhPower(d, u7)));
}

HWY_INLINE V PolyCurve(D d, V u)
{
  return PolyCurveWith(d, u, [d](V x) HWY_ATTR { return hn::Tanh(d, x); });
}

HWY_INLINE V XformerCurve(D d, V v)
{
  const V v3 = hn::Mul(hn::Mul(v, v), v);
  const V v4 = hn::Mul(v3, v);
  return hn::Add(hn::Sin(d, hn::Add(hn::Tanh(d, v3), hn::Tanh(d, v4))), hn::Tanh(d, v));
}

HWY_INLINE V Tiny(D d) { return hn::Set(d, 1e-15); }

template <class F>
HWY_INLINE void Map(const double* x, double* y, int n, F f)
{
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  for (int i = 0; i < n; i += lanes)
    hn::StoreU(f(d, hn::LoadU(d, x + i)), d, y + i);
}

void SaturateInput(const double* x, double* y, int n) noexcept
{
  Map(x, y, n, [](D d, V v) HWY_ATTR {
    const V drive = hn::Set(d, kInputDrive);
    return hn::Div(hn::Add(PolyCurve(d, hn::Sub(hn::Mul(drive, v), Tiny(d))), Tiny(d)), drive);
  });
}

void SaturateInputXf(const double* x, double* y, int n) noexcept
{
  Map(x, y, n, [](D d, V v) HWY_ATTR {
    const V drive = hn::Set(d, kXformerDrive);
    const V u = hn::Sub(hn::Mul(drive, v), Tiny(d));
    const V w = hn::Sub(hn::Add(PolyCurve(d, u), Tiny(d)), Tiny(d));
    return hn::Div(hn::Add(XformerCurve(d, w), Tiny(d)), drive);
  });
}

// The polynomial curve for |u| < 2^-6, where every term's series is exact to rounding: tanh(x) for
// x < 2.5e-4 needs terms to x^5 (the next is 1e-23 of x), and atan(u^7) takes its series.
HWY_INLINE V PolyCurveSmall(D d, V u)
{
  return PolyCurveWith(d, u, [d](V x) HWY_ATTR {
    const V x2 = hn::Mul(x, x);
    return hn::Add(x, hn::Mul(hn::Mul(x, x2), hn::Add(hn::Set(d, -1.0 / 3.0), hn::Mul(x2, hn::Set(d, 2.0 / 15.0)))));
  });
}

// The detector hears its source 40 dB down, so its curve nearly always runs on small arguments.
void DetectorCurve(const double* x, double* y, int n) noexcept
{
  Map(x, y, n, [](D d, V v) HWY_ATTR {
    const V u = hn::Sub(hn::Mul(hn::Set(d, kDetectorDrive), v), Tiny(d));
    const bool small = hn::AllTrue(d, hn::Lt(hn::Abs(u), hn::Set(d, 0.015625)));
    return hn::Add(small ? PolyCurveSmall(d, u) : PolyCurve(d, u), Tiny(d));
  });
}

void SaturateOutputXf(const double* x, double* y, int n) noexcept
{
  Map(x, y, n, [](D d, V v) HWY_ATTR {
    const V drive = hn::Set(d, kXformerDrive);
    return hn::Div(hn::Add(XformerCurve(d, hn::Sub(hn::Mul(drive, v), Tiny(d))), Tiny(d)), drive);
  });
}

void BoostShape(const double* x, double m, double* y, int n) noexcept
{
  const D d;
  const hn::RebindToSigned<D> di;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const V drive = hn::Set(d, m * 6.0);
  const V scale = hn::Set(d, static_cast<double>(kBoostCurveScale));
  const V one = hn::Set(d, 1.0);
  const V last = hn::Set(d, boostCurveWide[kBoostCurveLength - 1]);
  const double* table = boostCurveWide.data();
  for (int i = 0; i < n; i += lanes)
  {
    const V a = hn::Mul(drive, hn::LoadU(d, x + i));
    const V p = hn::Mul(hn::Abs(a), scale);
    // Interpolated below the last entry; the last entry beyond it; entry 0 (which is 0) for a NaN or an
    // index past the int range, as the scalar shaper does.
    const auto inside = hn::Lt(p, hn::Set(d, kBoostCurveLength - 1.0));
    const auto inRange = hn::Lt(p, hn::Set(d, 2147483648.0));
    const V pc = hn::IfThenElseZero(inside, p);
    const auto index = hn::ConvertTo(di, pc);
    const V frac = hn::Sub(pc, hn::ConvertTo(d, index));
    const V lo = hn::GatherIndex(d, table, index);
    const V hi = hn::GatherIndex(d, table, hn::Add(index, hn::Set(di, 1)));
    const V interp = hn::Add(hn::Mul(lo, hn::Sub(one, frac)), hn::Mul(hi, frac));
    const V t = hn::IfThenElse(inside, interp, hn::IfThenElseZero(inRange, last));
    hn::StoreU(hn::Div(hn::CopySign(t, a), drive), d, y + i);
  }
}

void CompressorGain(const double* env, const double* thr, double kneeFactor, double slope, double* gainDb,
                    double* gain, int n) noexcept
{
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  const V kf = hn::Set(d, kneeFactor);
  const V s = hn::Set(d, slope);
  const V half = hn::Set(d, 0.5);
  const V zero = hn::Zero(d);
  const V inf = hn::Set(d, HUGE_VAL);
  // Below this the level is thousands of dB under any threshold: the gain is 0 dB, as the scalar
  // computer finds for 0 and for a NaN (whose comparisons all fail).
  const V quiet = hn::Set(d, 1e-100);
  for (int i = 0; i < n; i += lanes)
  {
    const V e = hn::Abs(hn::LoadU(d, env + i));
    const V t = hn::LoadU(d, thr + i);
    const auto audible = hn::Ge(e, quiet);
    const auto infinite = hn::Eq(e, inf);
    const V levelDb = hn::Mul(hn::Set(d, kDbPerNeper), hn::Log(d, hn::IfThenElse(audible, e, hn::Set(d, 1.0))));

    const V kneeWidth = hn::Neg(hn::Mul(t, kf));
    const V kneeLow = hn::Sub(t, hn::Mul(kneeWidth, half));
    const V kneeHigh = hn::Add(hn::Mul(kneeWidth, half), t);
    const auto inKnee = hn::And(hn::Gt(kneeWidth, zero), hn::And(hn::Lt(kneeLow, levelDb), hn::Lt(levelDb, kneeHigh)));
    const V k = hn::Mul(hn::Mul(hn::Div(hn::Sub(levelDb, kneeLow), kneeWidth), half), s);
    const V knee = hn::Mul(hn::Sub(kneeLow, levelDb), k);
    const V line = hn::Mul(hn::Sub(t, levelDb), s);
    V g = hn::IfThenElse(inKnee, knee, hn::IfThenElseZero(hn::Lt(line, zero), line));
    g = hn::IfThenElseZero(audible, g);
    // An infinite envelope closes the gain completely, as log(inf) does in the scalar computer.
    g = hn::IfThenElse(infinite, hn::Neg(inf), g);
    hn::StoreU(g, d, gainDb + i);
    hn::StoreU(hn::Exp(d, hn::Mul(g, hn::Set(d, kNeperPerDb))), d, gain + i);
  }
}

void HalfbandPhase(const double* pairs, const double* centre, const double* taps, double offset, double* y,
                   int n) noexcept
{
  const D d;
  const int lanes = static_cast<int>(hn::Lanes(d));
  for (int k = 0; k < n; k += lanes)
  {
    V acc = hn::Zero(d);
    // Ascending tap order, as the per-sample filter sums.
    for (int i = 0; i < 32; ++i)
    {
      const V pair = hn::Add(hn::LoadU(d, pairs + k - i), hn::LoadU(d, pairs + k - 63 + i));
      acc = hn::Add(acc, hn::Mul(hn::Set(d, taps[i]), pair));
    }
    acc = hn::Add(acc, hn::Mul(hn::Set(d, 0.5), hn::LoadU(d, centre + k - 32)));
    hn::StoreU(hn::Sub(acc, hn::Set(d, offset)), d, y + k);
  }
}

} // namespace

extern const blockKernels kKernels;
const blockKernels kKernels = {&SaturateInput,  &SaturateInputXf, &DetectorCurve, &SaturateOutputXf,
                               &BoostShape,    &CompressorGain,  &HalfbandPhase,
#if HWY_TARGET == HWY_AVX3
                               "AVX-512"
#elif HWY_TARGET == HWY_AVX2
                               "AVX2"
#elif HWY_TARGET == HWY_SSE4
                               "SSE4"
#else
                               "portable"
#endif
};

} // namespace HWY_NAMESPACE
} // namespace dsp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace dsp {

namespace {

// The features each target was compiled for; a processor must have all of them (and an operating
// system that saves the wider registers, which the compiler's check includes).
struct Features
{
  bool sse4 = false, avx2 = false, avx3 = false;
};

Features Detect() noexcept
{
  Features f;
#if HWY_ARCH_X86 && (defined(__GNUC__) || defined(__clang__))
  __builtin_cpu_init();
  f.sse4 = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("sse4.2") &&
           __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("aes");
  f.avx2 = f.sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("f16c");
  f.avx3 = f.avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
#endif
  return f;
}

int Runnable(const blockKernels* out[4]) noexcept
{
  [[maybe_unused]] const Features f = Detect();
  int count = 0;
#if HWY_TARGETS & HWY_AVX3
  if (f.avx3)
    out[count++] = &N_AVX3::kKernels;
#endif
#if HWY_TARGETS & HWY_AVX2
  if (f.avx2)
    out[count++] = &N_AVX2::kKernels;
#endif
#if HWY_TARGETS & HWY_SSE4
  if (f.sse4)
    out[count++] = &N_SSE4::kKernels;
#endif
  out[count++] = &HWY_STATIC_DISPATCH(kKernels);
  return count;
}

const blockKernels& Select() noexcept
{
  const blockKernels* all[4];
  Runnable(all);
  return *all[0];
}

// Chosen while the module loads, so the audio thread never meets a first-use guard.
const blockKernels& gSelected = Select();

} // namespace

const blockKernels& selectedBlockKernels() noexcept { return gSelected; }
int runnableBlockKernels(const blockKernels* out[4]) noexcept { return Runnable(out); }

} // namespace dsp
#endif
