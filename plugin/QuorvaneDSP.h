#pragma once
// Quorvane's signal chain: a feed-forward stereo compressor whose detector hears the signal through a
// mild polynomial, three filters, the "Boost" shaper and the transient tilt section. The programme
// path gets input saturation, the compressor's gain (optionally at twice the rate), make-up gain, the
// transformer stage and the dry/wet mix. Every detail of the per-sample order is part of the sound.
//
// Process() runs the chain in passes over blocks of up to kPassLength frames: the memoryless stages
// (the curves, the gain computer and its exponential, the oversampling FIRs) as vector code over the
// whole block, and only the true recursions (filters, transient section, envelope, smoothers, meter)
// sample by sample. The exact chain (SetExactChain) is the same one sample at a time with the C
// library's functions: the reference the block passes are tested against. Both keep their state in the
// same members, so an instance may switch between them.

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>

#include "dsp/biquadFilter.h"
#include "dsp/blockKernels.h"
#include "dsp/compressor.h"
#include "dsp/oversampling.h"
#include "dsp/transientFilter.h"

namespace quorvane {

// One-pole smoother that flushes zero and subnormal states to 0.
struct smoother
{
  double a = 0.0;
  double b = 0.0;
  double z = 0.0;

  double step(double target) noexcept
  {
    z = flushed(b * target + a * z);
    return z;
  }
  // Three steps towards one target, each state returned. The second and third come straight from the
  // state before the first, so a call costs the recursion one multiply-add instead of three; they agree
  // with step() to rounding, and the pole keeps that rounding from accumulating.
  void stepThree(double target, double& s1, double& s2, double& s3) noexcept
  {
    const double c = b * target;
    const double c2 = c + a * c;
    const double c3 = c + a * c2;
    const double a2 = a * a;
    s1 = flushed(c + a * z);
    s2 = flushed(c2 + a2 * z);
    s3 = flushed(c3 + a2 * a * z);
    z = s3;
  }
  // A zero or subnormal state (biased exponent 0) is flushed so the recursion never runs denormal.
  static double flushed(double v) noexcept
  {
    // A branch rather than a select: it is almost never taken, and so stays off the recursion's path.
    if ((std::bit_cast<uint64_t>(v) & 0x7FF0000000000000ull) == 0) [[unlikely]]
      v = 0.0;
    return v;
  }
  // True when a step towards target would leave the state where it is, and so would every further
  // step: the smoother has settled and steps may be skipped.
  bool settledAt(double target) const noexcept
  {
    smoother next = *this;
    return next.step(target) == z;
  }
  // Restarts a state that is not finite at `restart`; true when it had to.
  bool clearNonFinite(double restart) noexcept;
};

class QuorvaneDSP
{
public:
  // What a block leaves for the plug-in to hand on: the meter value and the latency it wants reported.
  struct BlockResult
  {
    double meterValue = 0.0;
    int wantedLatency = 0;
  };

  // The latency the 2x oversampling's filters add; the only latency the chain reports besides 0.
  static constexpr int kOversamplingLatency = 64;

  QuorvaneDSP();

  // Any thread (host, editor, state restore): stores the DSP value of parameter `paramIdx` from its
  // real value. Each value is one atomic; indexes 0, 10 and outside 1..18 change nothing.
  void OnParamChange(int paramIdx, double value) noexcept;

  // audio thread (or before processing starts); sample-rate set-up. Allocates only when the rate grows.
  void Reset(double sampleRate);

  // Audio thread. inputs: four channels (main L/R, side chain L/R); outputs: two. nConnectedOutputs
  // bounds what the processing-off path copies.
  BlockResult Process(const double* const* inputs, double* const* outputs, int nFrames, double sampleRate,
                      int nConnectedOutputs) noexcept;
  // Any thread: run the reference chain, sample by sample, from the next block on (tests, benchmarks).
  void SetExactChain(bool exact) noexcept { exactChain.store(exact, std::memory_order_relaxed); }

  // The longest pass of the block processing; longer blocks are processed in several.
  static constexpr int kPassLength = dsp::oversampledGainStage::kMaxBlock;

  // For tests and diagnostics: the compressor as the last sample left it.
  const dsp::compressor& GetCompressor() const { return comp; }
  // For tests and diagnostics: how many times a block found a recursive state not finite and cleared it.
  int ClearedStates() const { return clearedStates.load(std::memory_order_relaxed); }

private:
  // Tests reach the recursive states through it to damage them.
  friend struct QuorvaneDSPStates;

  struct Snapshot;
  Snapshot LoadSnapshot() const noexcept;
  void RunExact(const Snapshot& p, const double* const* inputs, double* const* outputs, int nFrames) noexcept;
  void RunPass(const Snapshot& p, const double* const* inputs, double* const* outputs, int offset, int n,
               bool blockStart) noexcept;
  void SetUpBlock(const Snapshot& p, double fs) noexcept;
  void ClearNonFiniteStates(const Snapshot& p) noexcept;
  // Gain-reduction meter ballistics: leads a rising target slightly and stays slightly short of a
  // falling one.
  static double MeterStep(double& state, double coef, double x) noexcept
  {
    const double level = std::fabs(x);
    // Both outcomes formed before the comparison picks one, which keeps the comparison off the path
    // from one state to the next.
    const double up = level * 1.0125;
    const double down = level * 0.9875;
    const double rise = (state - up) * coef + up;
    const double fall = (state - down) * coef + down;
    state = state < level ? rise : fall;
    return state;
  }

  // Parameter-derived values, written by OnParamChange on any thread and read by Process.
  std::atomic<double> boostGain{1.0};
  std::atomic<double> hfAmount{100.0};
  std::atomic<double> hpfValue{20.0};
  std::atomic<double> makeupGain{1.0};
  std::atomic<double> midGainDb{0.0};
  std::atomic<double> mixAmount{1.0};
  std::atomic<double> thresholdValue{15.0};
  std::atomic<double> transientMix{0.0};
  std::atomic<double> tiltValue{0.0};
  std::atomic<double> attackMs{0.1};
  std::atomic<int> processingOn{1};
  std::atomic<int> extSidechainOn{0};
  std::atomic<double> ratio{1.5};
  std::atomic<double> kneeFactor{0.95};
  std::atomic<double> releaseMs{100.0};
  std::atomic<int> turboMode{0};
  std::atomic<int> linkAverage{0};
  std::atomic<int> xformerInOn{0};
  std::atomic<int> xformerOutOn{0};
  std::atomic<int> osFactor{0};
  std::atomic<double> osLatency{0.0};
  std::atomic<bool> exactChain{false};

  // Derived once per block.
  double hpfFloor = 110.0;
  double midOffsetDb = 4.0;
  double hpfFreq = 0.0;
  double tiltControl = 0.0;
  double hfShelfDb = 0.0;
  double thresholdDb = 0.0;
  double meterCoef = 0.0;
  double smootherPole = 0.0;
  double coefRate = -1.0;

  // State.
  double dcOffset = 1e-15;
  smoother makeupSmoother, thresholdSmoother, mixSmoother, gainSmoother;
  dsp::compressor comp;
  double grDb = 0.0;
  double smoothedGain = 0.0;
  dsp::biquadFilter hpfL, midL, hfL, hpfR, midR, hfR;
  dsp::transientFilter transientL, transientR;
  dsp::oversampledGainStage oversampler;
  dsp::delayLine dryDelayL, dryDelayR;
  double satL = 0.0, satR = 0.0;
  double osL = 0.0, osR = 0.0;
  double dryL = 0.0, dryR = 0.0;
  double meterState = 1.0;
  double meterValue = 0.0;
  std::atomic<int> clearedStates{0};

  // Working arrays of one pass, padded to whole vectors.
  struct PassBuffers
  {
    // One vector of slack: the gain computer may start one sample in.
    static constexpr int kSize = dsp::roundUpToVector(kPassLength) + dsp::kMaxVectorDoubles;
    alignas(64) double inL[kSize] = {}, inR[kSize] = {};
    alignas(64) double satL[kSize] = {}, satR[kSize] = {};
    alignas(64) double detL[kSize] = {}, detR[kSize] = {};
    alignas(64) double shapedL[kSize] = {}, shapedR[kSize] = {};
    alignas(64) double envelope[kSize] = {}, threshold[kSize] = {};
    alignas(64) double gainDb[kSize] = {}, gain[kSize] = {}, smoothed[kSize] = {};
    alignas(64) double wetL[kSize] = {}, wetR[kSize] = {};
    alignas(64) double makeupL[kSize] = {}, makeupR[kSize] = {};
  };
  PassBuffers mPass;
};

} // namespace quorvane
