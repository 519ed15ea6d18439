#include <gtest/gtest.h>

#include <cmath>

#include "dsp/compressor.h"

using dsp::compressor;
using dsp::envFollower;

namespace {

double DbToAmp(double db) { return std::pow(10.0, db / 20.0); }

// Hold the envelope exactly at `level` (a level equal to the envelope counts as falling and the
// release step then leaves it there) and run the gain computer once.
double StaticGainDb(compressor& c, double levelDb)
{
  const double level = DbToAmp(levelDb);
  c.envelope = level;
  c.process(level);
  return c.gainDb;
}

compressor KneeExample()
{
  compressor c;
  c.setRatio(4.0);
  c.setKneeFactor(0.7);
  c.setThreshold(-20.0);
  return c;
}

} // namespace

TEST(EnvFollower, AttackReaches99PercentAtSample221)
{
  envFollower env;
  EXPECT_DOUBLE_EQ(env.attackCoef, std::pow(0.01, 1.0 / 220.5));
  for (int n = 1; n <= 220; ++n)
  {
    env.process(1.0);
    ASSERT_LT(env.envelope, 0.99) << "sample " << n;
  }
  env.process(1.0);
  EXPECT_GE(env.envelope, 0.99);
}

TEST(EnvFollower, ReleaseAndHold)
{
  envFollower env;
  env.setup(0, 5.0, 50.0, 0.0, 48000.0);
  env.envelope = 1.0;
  env.process(0.0);
  EXPECT_DOUBLE_EQ(env.envelope, env.releaseCoef) << "with no hold the release starts at once";

  env.setup(0, 5.0, 50.0, 1.0, 48000.0); // 48 samples of hold
  EXPECT_EQ(env.holdSamples, 48);
  EXPECT_EQ(env.envelope, 0.0) << "setup restarts the envelope";
  env.envelope = 1.0;
  for (int n = 0; n < 48; ++n)
    env.process(0.5);
  EXPECT_EQ(env.envelope, 1.0);
  env.process(0.5);
  EXPECT_LT(env.envelope, 1.0);
  env.process(2.0); // a rise restarts the hold count
  EXPECT_EQ(env.holdCount, 0);
}

TEST(EnvFollower, SetupSizesTheWindowFromTheRate)
{
  envFollower env;
  EXPECT_EQ(env.windowLength, 8820);
  EXPECT_EQ(env.window.size(), 8820u);
  env.setup(0, 5.0, 50.0, 0.0, 96000.0);
  EXPECT_EQ(env.windowLength, 19200);
  EXPECT_EQ(env.window.size(), 19200u);
  env.setup(0, 5.0, 50.0, 0.0, -1.0); // a nonsense rate must not become a huge allocation
  EXPECT_TRUE(env.window.empty());
}

TEST(Compressor, KneeExampleStaticCurve)
{
  compressor c = KneeExample();
  EXPECT_DOUBLE_EQ(c.kneeWidth, 14.0);
  EXPECT_DOUBLE_EQ(c.kneeLow, -27.0);
  EXPECT_DOUBLE_EQ(c.kneeHigh, -13.0);
  EXPECT_DOUBLE_EQ(c.slope, 0.75);

  EXPECT_NEAR(StaticGainDb(c, -10.0), -7.5, 1e-9);
  EXPECT_NEAR(StaticGainDb(c, -20.0), -1.3125, 1e-9);
  EXPECT_EQ(StaticGainDb(c, -30.0), 0.0);
  // Above the knee every dB of overshoot comes out as 1/ratio dB.
  EXPECT_NEAR(StaticGainDb(c, 0.0), -15.0, 1e-9);
}

TEST(Compressor, KneeBoundsAreStrict)
{
  compressor c = KneeExample();
  const double level = 0.1;
  const double levelDb = dsp::kDbPerNeper * std::log(level);

  // At kneeHigh the knee formula would give -kneeWidth/2 · slope; outside it the plain line applies.
  c.kneeWidth = 10.0;
  c.kneeHigh = levelDb;
  c.kneeLow = levelDb - 10.0;
  c.threshold = levelDb - 1.0;
  c.envelope = level;
  c.process(level);
  EXPECT_NEAR(c.gainDb, -0.75, 1e-12);

  // At kneeLow the knee formula would give 0; the line gives the (negative) overshoot.
  c.kneeLow = levelDb;
  c.kneeHigh = levelDb + 10.0;
  c.threshold = levelDb - 3.0;
  c.envelope = level;
  c.process(level);
  EXPECT_NEAR(c.gainDb, -2.25, 1e-12);
}

TEST(Compressor, NoReductionCases)
{
  compressor c = KneeExample();
  // Silence after a loud passage: the output is 0 and, once the envelope has fallen below the
  // threshold, so is the gain.
  c.envelope = 0.5;
  for (int n = 0; n < 100000; ++n)
    ASSERT_EQ(c.process(0.0), 0.0);
  EXPECT_EQ(c.gainDb, 0.0);
  c.envelope = 0.0;
  c.process(0.0);
  EXPECT_EQ(c.gainDb, 0.0) << "an envelope of 0 is -inf dB";

  c.setRatio(1.0);
  EXPECT_EQ(c.slope, 0.0);
  EXPECT_EQ(StaticGainDb(c, 0.0), 0.0);

  // A NaN level must never become a NaN gain.
  c.setRatio(4.0);
  c.envelope = std::nan("");
  c.process(0.5);
  EXPECT_EQ(c.gainDb, 0.0);
}

TEST(Compressor, ProcessReturnsTheInputScaledByTheGain)
{
  compressor c = KneeExample();
  const double x = DbToAmp(-10.0);
  c.envelope = x;
  const double y = c.process(x);
  EXPECT_NEAR(20.0 * std::log10(y / x), -7.5, 1e-6);
}

TEST(Compressor, ControlOperations)
{
  compressor c;
  c.setup(0, 5.0, 50.0, 0.0, 48000.0);
  // The attack coefficient is compared with a time, so the same time still recomputes it.
  c.setAttack(10.0);
  EXPECT_DOUBLE_EQ(c.attackCoef, envFollower::timeToCoef(10.0, 48000.0));
  c.setRelease(2000.0);
  EXPECT_DOUBLE_EQ(c.releaseCoef, std::pow(0.01, 1.0 / 96000.0));
  c.setHold(0.0);
  EXPECT_EQ(c.holdSamples, 0);
  // The same time at a new rate must give the new rate's pole, not a remembered one.
  c.setup(0, 5.0, 50.0, 0.0, 96000.0);
  c.setAttack(10.0);
  EXPECT_DOUBLE_EQ(c.attackCoef, envFollower::timeToCoef(10.0, 96000.0));
  c.setup(0, 5.0, 50.0, 0.0, 48000.0);

  // Construction leaves the knee off (width -0.0) until a control operation recomputes it.
  EXPECT_FALSE(c.kneeWidth > 0.0);
  c.setKneeFactor(0.3);
  c.setThreshold(-40.0);
  EXPECT_DOUBLE_EQ(c.kneeWidth, 12.0);
  c.setRatio(10.0);
  EXPECT_DOUBLE_EQ(c.slope, 0.9);
  c.limitMode = 1;
  c.recomputeKnee();
  EXPECT_EQ(c.slope, 1.0);

  // setup restarts the envelope but keeps the gain-computer settings.
  c.envelope = 0.5;
  c.setup(0, 5.0, 50.0, 0.0, 44100.0);
  EXPECT_EQ(c.envelope, 0.0);
  EXPECT_EQ(c.ratio, 10.0);
  EXPECT_EQ(c.threshold, -40.0);
}
