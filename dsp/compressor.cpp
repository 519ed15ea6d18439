#include "dsp/compressor.h"

#include <cmath>

#include "dsp/numeric.h"

namespace dsp {

double envFollower::timeToCoef(double ms, double rate) { return std::pow(0.01, 1.0 / (ms * rate * 0.001)); }

envFollower::envFollower() { envFollower::setup(0, 5.0, 50.0, 0.0, 44100.0); }

void envFollower::setup(int detectorMode, double attackMs, double releaseMs, double holdMs, double rate)
{
  mode = detectorMode;
  sampleRate = rate;
  attackCoef = timeToCoef(attackMs, rate);
  releaseCoef = timeToCoef(releaseMs, rate);
  envelope = 0.0;
  holdCount = 0;
  holdSamples = truncToInt(holdMs / 1000.0 * rate);
  windowLength = truncToInt(rate * 0.2);
  // A nonsensical rate must not turn into a huge allocation.
  window.resize(static_cast<std::size_t>(windowLength > 0 ? windowLength : 0), 0.0);
  windowIndex = 0;
}

bool envFollower::clearNonFiniteState() noexcept
{
  if (std::isfinite(envelope))
    return false;
  envelope = 0.0;
  holdCount = 0;
  return true;
}

double envFollower::process(double x)
{
  stepEnvelope(x);
  return envelope;
}

// The base constructor has already run the default setup; the gain-computer fields start at their
// member initialisers (ratio 4, slope 0.75, knee off).
compressor::compressor() = default;

double compressor::process(double x)
{
  stepEnvelope(x);
  slope = currentSlope();
  gainDb = gainDbFor(kDbPerNeper * std::log(std::fabs(envelope)));
  return x * std::exp(gainDb * kNeperPerDb);
}

double compressor::gainDbFor(double levelDb) const
{
  const double s = currentSlope();
  if (kneeWidth > 0.0 && kneeLow < levelDb && levelDb < kneeHigh)
  {
    const double k = (levelDb - kneeLow) / kneeWidth * 0.5 * s;
    return (kneeLow - levelDb) * k;
  }
  const double g = (threshold - levelDb) * s;
  // Negated comparison: a NaN level lands on 0 dB rather than propagating into the gain.
  return g < 0.0 ? g : 0.0;
}

void compressor::recomputeKnee()
{
  kneeWidth = threshold * kneeFactor * -1.0;
  kneeLow = threshold - kneeWidth * 0.5;
  kneeHigh = kneeWidth * 0.5 + threshold;
  slope = currentSlope();
}

double compressor::CoefCache::get(double newMs, double newRate)
{
  if (newMs != ms || newRate != rate)
  {
    ms = newMs;
    rate = newRate;
    coef = timeToCoef(newMs, newRate);
  }
  return coef;
}

// The stored coefficient is compared with a time in ms, so in practice it is reassigned on every
// call (which also undoes any setup() in between); the cache makes that cheap.
void compressor::setAttack(double ms)
{
  if (attackCoef != ms)
    attackCoef = mAttackCache.get(ms, sampleRate);
}

void compressor::setRelease(double ms)
{
  if (releaseCoef != ms)
    releaseCoef = mReleaseCache.get(ms, sampleRate);
}

void compressor::setHold(double ms)
{
  const int samples = truncToInt(ms / 1000.0 * sampleRate);
  if (holdSamples != samples)
    holdSamples = samples;
}

void compressor::setRatio(double r)
{
  if (ratio != r)
  {
    ratio = r;
    recomputeKnee();
  }
}

void compressor::setThreshold(double dB)
{
  threshold = dB;
  recomputeKnee();
}

void compressor::setKneeFactor(double f)
{
  if (kneeFactor != f)
  {
    kneeFactor = f;
    recomputeKnee();
  }
}

} // namespace dsp
