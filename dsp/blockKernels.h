#pragma once
// The chain's memoryless stages over whole blocks: the colour curves, the compressor's gain computer
// with its exponential, and one phase of the half-band FIR. Each is compiled for several x86-64 vector
// widths (SSE4, AVX2, AVX-512, and plain code for anything older) and the widest the processor runs is
// chosen once, when the module loads. Results agree with the scalar functions in curves.h and
// compressor.h to within a few units in the last place; they are not bit-identical.
//
// Counts are rounded up to whole vectors, so every array must hold roundUpToVector(n) elements; the
// extra elements are computed from whatever the arrays hold there and are to be ignored.

namespace dsp {

// The longest vector any variant uses, in doubles.
inline constexpr int kMaxVectorDoubles = 8;
constexpr int roundUpToVector(int n) { return (n + kMaxVectorDoubles - 1) / kMaxVectorDoubles * kMaxVectorDoubles; }

struct blockKernels
{
  // y[i] = saturateInput(x[i]), saturateInputXf, detectorCurve, saturateOutputXf. y may be x.
  void (*saturateInput)(const double* x, double* y, int n) noexcept;
  void (*saturateInputXf)(const double* x, double* y, int n) noexcept;
  void (*detectorCurve)(const double* x, double* y, int n) noexcept;
  void (*saturateOutputXf)(const double* x, double* y, int n) noexcept;

  // y[i] = boostShape(x[i], m). y may be x.
  void (*boostShape)(const double* x, double m, double* y, int n) noexcept;

  // The compressor's gain computer for envelope env[i] against threshold thr[i], with the knee factor and
  // slope held for the block: gainDb[i] as compressor::process leaves it, and gain[i] = exp of it.
  void (*compressorGain)(const double* env, const double* thr, double kneeFactor, double slope, double* gainDb,
                         double* gain, int n) noexcept;

  // One output phase of the 129-tap half-band FIR, from its two input phases:
  // y[k] = sum over i < 32 of taps[i] (pairs[k - i] + pairs[k - 63 + i]), plus 0.5 centre[k - 32], minus
  // offset. pairs must be readable from index -63 and centre from -32.
  void (*halfbandPhase)(const double* pairs, const double* centre, const double* taps, double offset, double* y,
                        int n) noexcept;

  // "AVX-512", "AVX2", "SSE4" or "portable": what was chosen, for benchmarks and diagnostics.
  const char* name;
};

// The variant for this processor, chosen when the module loaded; safe on the audio thread.
const blockKernels& selectedBlockKernels() noexcept;
// Every variant this processor can run, widest first and the portable one last: for tests and benchmarks.
// Fills `out` (room for four) and returns the count.
int runnableBlockKernels(const blockKernels* out[4]) noexcept;

} // namespace dsp
