#pragma once
// 2x oversampling of the compressor's gain stage: a 129-tap half-band FIR for interpolation and for
// decimation (64 base samples of latency in all), and the delay line that keeps the dry path aligned.

namespace dsp {

class halfbandFir
{
public:
  static constexpr int kTaps = 129;
  static constexpr int kCentre = kTaps / 2;

  // One sample in, one out; audio thread.
  double process(double x) noexcept;
  // One sample in, no output computed: the history and the offset advance exactly as process() would.
  void push(double x) noexcept;

  // Zero the history; the anti-denormal offset keeps its phase.
  void clear() noexcept;

  // Tap j of the kernel (0..128).
  static double tap(int j) noexcept;
  // The 32 nonzero taps below the centre, at odd positions 1, 3, ..., 63.
  static const double kOddTaps[32];

  // The input pushed k samples ago (0 = newest, up to kTaps - 1), offset included.
  double history(int k) const noexcept { return mBuffer[mPos + k]; }
  // Replace the whole history, newest first, as block processing leaves it.
  void setHistory(const double* newestFirst) noexcept;

  double offset = 1e-15;

private:
  // Circular history, every sample written twice so the newest-first window history[0..128] is always
  // the contiguous run mBuffer[mPos .. mPos + 128].
  double mBuffer[2 * kTaps] = {};
  int mPos = 0;
};

class delayLine
{
public:
  static constexpr int kCapacity = 44100;

  // One sample through a delay of `length` samples (clamped to 1..kCapacity); audio thread.
  double process(double x, int length) noexcept;

  int index = 0;
  double output = 0.0;
  double buffer[kCapacity] = {};
  float gain = 1.0f;
};

// The oversampled gain stage: both channels up by two, times the gain, and down by two. The chain
// owns it by value and clears it on reset.
class oversampledGainStage
{
public:
  // satL/satR: the saturated programme samples; gain: the smoothed compressor gain (linear);
  // factor: the oversampling factor (2 when on). Audio thread.
  void process(double satL, double satR, double gain, int factor, double& osL, double& osR) noexcept;

  // The same for a block of n <= kMaxBlock samples, with the filters run as vector FIRs over the block;
  // agrees with process() to rounding and leaves the same state. Audio thread.
  static constexpr int kMaxBlock = 256;
  void processBlock(const double* satL, const double* satR, const double* gain, int n, double* osL,
                    double* osR) noexcept;

  void clear() noexcept;

  halfbandFir upsamplerL, downsamplerL, upsamplerR, downsamplerR;

private:
  // The two input phases of a filter laid out linearly: 64 samples of history, then the block.
  struct Phases
  {
    static constexpr int kHistory = 64;
    alignas(64) double even[kHistory + kMaxBlock + 8] = {};
    alignas(64) double odd[kHistory + kMaxBlock + 8] = {};
    void load(const halfbandFir& f) noexcept;
    void store(halfbandFir& f, int n) const noexcept;
  };
  void processChannelBlock(halfbandFir& up, halfbandFir& down, const double* sat, const double* gain, int n,
                           double* os) noexcept;

  Phases mUp, mDown;
  alignas(64) double mUpEven[kMaxBlock + 8] = {};
  alignas(64) double mUpOdd[kMaxBlock + 8] = {};
};

} // namespace dsp
