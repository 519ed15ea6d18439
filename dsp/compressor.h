#pragma once
// Level detection and gain computation for the bus compressor: an envelope follower with separate
// attack/release poles and an optional hold, and a feed-forward gain computer whose soft knee widens
// as the threshold drops.

#include <cmath>
#include <vector>

namespace dsp {

class envFollower
{
public:
  envFollower();
  virtual ~envFollower() = default;

  // Not on the audio thread: may allocate (the window resize).
  virtual void setup(int detectorMode, double attackMs, double releaseMs, double holdMs, double rate);
  // One envelope step; audio thread.
  virtual double process(double x);

  // Zeroes an envelope that is not finite: a NaN or infinite one would hold the gain for good. True
  // when it had to. Audio thread.
  bool clearNonFiniteState() noexcept;

  // The pole that covers 99 % of a step in `ms` milliseconds at `rate`.
  static double timeToCoef(double ms, double rate);

  double attackCoef = 0.0;
  double releaseCoef = 0.0;
  double envelope = 0.0;
  double sampleRate = 0.0;
  int windowIndex = 0;
  int holdCount = 0;
  int holdSamples = 0;
  int mode = 0;
  int windowLength = 0;
  // Idle state kept for a level-detector mode nothing computes yet.
  std::vector<double> window;

protected:
  // Inline: the chain's block passes run it once per sample.
  void stepEnvelope(double x)
  {
    const double level = std::fabs(x);
    if (level > envelope)
    {
      holdCount = 0;
      envelope = (envelope - level) * attackCoef + level;
    }
    else if (holdCount < holdSamples)
    {
      ++holdCount;
    }
    else
    {
      envelope = (envelope - level) * releaseCoef + level;
    }
  }
};

class compressor final : public envFollower
{
public:
  compressor();

  // Envelope step then gain computer; stores gainDb and returns x scaled by it. Audio thread.
  double process(double x) override;

  // The two halves of process() for a chain that runs the gain computer over a whole block: the
  // envelope step alone, and the gain computer for a level in dB with the current settings.
  using envFollower::stepEnvelope;
  double gainDbFor(double levelDb) const;

  // Per-sample control operations (audio thread, no allocation).
  void setAttack(double ms);
  void setRelease(double ms);
  void setHold(double ms);
  void setRatio(double r);
  void setThreshold(double dB);
  void setKneeFactor(double f);

  // Recompute the knee bounds and slope from threshold, knee factor, ratio and limit mode.
  void recomputeKnee();

  double gainDb = 0.0;
  double kneeFactor = 0.0;
  double ratio = 4.0;
  double threshold = 0.0;
  double kneeWidth = -0.0;
  double kneeLow = 0.0;
  double kneeHigh = 0.0;
  double slope = 0.75;
  int limitMode = 0;

private:
  // The chain sets the same time every sample; the pole is a pure function of (ms, rate), so the
  // last one is kept and the pow is paid only when either changes.
  struct CoefCache
  {
    double ms = -1.0;
    double rate = -1.0;
    double coef = 0.0;
    double get(double newMs, double newRate);
  };

  double currentSlope() const { return limitMode != 0 ? 1.0 : 1.0 - 1.0 / ratio; }

  CoefCache mAttackCache;
  CoefCache mReleaseCache;
};

// dB per natural-log unit of amplitude (20 / ln 10) and its inverse, as the gain computer uses them.
inline constexpr double kDbPerNeper = 8.685889638065037;
inline constexpr double kNeperPerDb = 0.1151292546497;

} // namespace dsp
