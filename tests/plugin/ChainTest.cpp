// The compressor end to end: bypass, latency, the mix, the static curve, the threshold glide, the
// meter, the side chain, and the promise that processing never allocates.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <numbers>
#include <thread>

#include "dsp/biquadFilter.h"
#include "dsp/curves.h"
#include "tests/plugin/ChainHarness.h"
#include "tests/support/AllocationCounter.h"

using namespace quorvane;
using quorvane::test::ChainHarness;
using quorvane::test::Sine;
using quorvane::test::Stereo;

namespace {

constexpr double kRate = 48000.0;

Stereo Impulse(int frames, double amplitude)
{
  Stereo s{std::vector<double>(static_cast<size_t>(frames)), std::vector<double>(static_cast<size_t>(frames))};
  s.L[0] = amplitude;
  s.R[0] = -amplitude;
  return s;
}

size_t PeakIndex(const std::vector<double>& v)
{
  size_t best = 0;
  for (size_t i = 1; i < v.size(); ++i)
    if (std::fabs(v[i]) > std::fabs(v[best]))
      best = i;
  return best;
}

// Amplitude of the `freq` component over the last `frames` samples (least squares on sine and cosine).
double Amplitude(const std::vector<double>& v, double freq, size_t frames)
{
  const double w = 2.0 * std::numbers::pi * freq / kRate;
  double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
  for (size_t n = v.size() - frames; n < v.size(); ++n)
  {
    const double s = std::sin(w * n), c = std::cos(w * n);
    ss += s * s;
    cc += c * c;
    sc += s * c;
    ys += v[n] * s;
    yc += v[n] * c;
  }
  const double det = ss * cc - sc * sc;
  return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

// The detector filters' gain at `freq` with Turbo off, "HPF" at 20, "Mid Gain" 0 and "HF" 100.
double DetectorFilterGain(double freq)
{
  dsp::biquadFilter hpf, mid, hf;
  hpf.setup(dsp::biquadFilter::kHighPass, 120.0 / kRate, 0.707, 0.0);
  mid.setup(dsp::biquadFilter::kPeak, 1600.0 / kRate, 0.407, 4.0);
  hf.setup(dsp::biquadFilter::kHighShelf, 5000.0 / kRate, 0.3, 0.0);
  const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * freq / kRate);
  double gain = 1.0;
  for (const auto* b : {&hpf, &mid, &hf})
    gain *= std::abs((b->b0 + b->b1 * z1 + b->b2 * z1 * z1) / (1.0 + b->a1 * z1 + b->a2 * z1 * z1));
  return gain;
}

} // namespace

TEST(Chain, ProcessingOffCopiesTheInputAndReportsLatencyZero)
{
  ChainHarness h;
  h.Set(kOversampling, 1);
  const Stereo tone{Sine(440, 0.5, 1024, kRate), Sine(660, -0.3, 1024, kRate)};
  h.Run(tone);
  EXPECT_EQ(h.Plug().GetLatency(), 64) << "the block that turns oversampling on reports it";

  h.Set(kBypass, 0);
  h.Plug().mMeterValues.clear();
  const Stereo out = h.Run(tone);
  EXPECT_EQ(out.L, tone.L);
  EXPECT_EQ(out.R, tone.R);
  EXPECT_EQ(h.Plug().GetLatency(), 0);
  ASSERT_FALSE(h.Plug().mMeterValues.empty());
  EXPECT_EQ(h.Plug().mMeterValues.back(), 0.0);

  h.Set(kBypass, 1);
  h.Set(kOversampling, 0);
  h.Run(tone);
  EXPECT_EQ(h.Plug().GetLatency(), 0);
}

TEST(Chain, OversamplingKeepsWetAndDryAligned)
{
  for (double mix : {100.0, 0.0, 50.0})
  {
    SCOPED_TRACE(mix);
    ChainHarness h;
    h.Set(kOversampling, 1);
    h.Set(kCompressorMix, mix);
    h.Reset();
    const Stereo out = h.Run(Impulse(512, 0.01));
    EXPECT_EQ(h.Plug().GetLatency(), 64);
    EXPECT_EQ(PeakIndex(out.L), 64u);
    EXPECT_EQ(PeakIndex(out.R), 64u);
    EXPECT_NEAR(out.L[64], 0.01 * (mix == 0.0 ? 1.0 : 0.99), 0.0015);
  }
}

TEST(Chain, ZeroMixIsTheDryInput)
{
  ChainHarness h;
  h.Set(kCompressorMix, 0);
  h.Set(kThreshold, -15);
  h.Set(kXFormer, 1);
  h.Reset();
  const Stereo in{Sine(100, 0.9, 48000, kRate), Sine(3000, 0.7, 48000, kRate)};
  const Stereo out = h.Run(in, nullptr, 333);
  for (size_t i = 0; i < in.L.size(); ++i)
  {
    ASSERT_NEAR(out.L[i], in.L[i], 1e-12) << i;
    ASSERT_NEAR(out.R[i], in.R[i], 1e-12) << i;
  }
}

TEST(Chain, SteadyToneSettlesOnTheStaticCurve)
{
  // 10:1 with the threshold knob at -15 (-40 dB): knee factor 0.3 gives a 12 dB knee, -46 to -34 dB.
  const struct
  {
    int ratioIndex;
    double ratio, makeupDb, amplitude;
  } cases[] = {{5, 10.0, 0.0, 0.5}, {3, 4.0, 6.0, 0.5}, {1, 2.0, 3.0, 0.2}};
  for (const auto& c : cases)
  {
    SCOPED_TRACE(c.ratio);
    ChainHarness h;
    h.Set(kRatio, c.ratioIndex);
    h.Set(kThreshold, -15);
    h.Set(kReleaseTime, 4); // 2 s release: the envelope holds the peaks
    h.Set(kMakeupGain, c.makeupDb);
    h.Reset();
    const Stereo in{Sine(1000, c.amplitude, 96000, kRate), Sine(1000, c.amplitude, 96000, kRate)};
    const Stereo out = h.Run(in);

    // The detector hears the saturated programme through its filters; the envelope follows its peaks.
    const double satPeak = dsp::saturateInput(c.amplitude);
    const double levelDb = 20.0 * std::log10(DetectorFilterGain(1000.0) * satPeak);
    const double kneeFactor = c.ratio == 10.0 ? 0.3 : c.ratio == 4.0 ? 0.7 : 0.9;
    const double width = 40.0 * kneeFactor;
    const double slope = 1.0 - 1.0 / c.ratio;
    const double low = -40.0 - width / 2, high = -40.0 + width / 2;
    ASSERT_GT(levelDb, low);
    const double expectedDb = levelDb >= high ? (-40.0 - levelDb) * slope
                                              : -slope * (levelDb - low) * (levelDb - low) / (2.0 * width);

    const double measuredDb = 20.0 * std::log10(Amplitude(out.L, 1000.0, 4800) / satPeak) - c.makeupDb;
    EXPECT_NEAR(measuredDb, expectedDb, 0.25);

    // The meter shows the reduction as a linear fraction.
    ASSERT_FALSE(h.Plug().mMeterValues.empty());
    EXPECT_NEAR(h.Plug().mMeterValues.back(), 1.0 - std::pow(10.0, expectedDb / 20.0), 0.02);
  }
}

TEST(Chain, ThresholdGlidesFromTheUnmappedValueAfterReset)
{
  // Knob 0 maps to -22.5 dB; the smoother starts from the knob's own value, 0, after a reset, and
  // must glide even though that start equals the knob value exactly.
  ChainHarness h;
  h.Set(kThreshold, 0.0);
  h.Reset();
  const Stereo silence{std::vector<double>(1), std::vector<double>(1)};
  h.Run(silence);
  const double a = std::exp(-2.0 * std::numbers::pi / (kRate * 0.1));
  EXPECT_NEAR(h.Plug().GetDSP().GetCompressor().threshold, -22.5 * (1.0 - a), 1e-12);

  const Stereo second{std::vector<double>(4800), std::vector<double>(4800)};
  h.Run(second);
  EXPECT_NEAR(h.Plug().GetDSP().GetCompressor().threshold, -22.5, 0.05) << "100 ms is six time constants";
  EXPECT_NEAR(h.Plug().GetDSP().GetCompressor().kneeWidth, 22.5 * 0.95, 0.1) << "the knee opens with it";
}

TEST(Chain, MeterFallsWithSilenceAndRisesToTheReduction)
{
  ChainHarness h; // start value 1.0, no gain reduction in silence
  const Stereo silence{std::vector<double>(14400), std::vector<double>(14400)};
  h.Run(silence, nullptr, 480);
  // After 0.3 s the meter has settled to 1 % of its start.
  const auto& meter = h.Plug().mMeterValues;
  EXPECT_NEAR(meter[29], 0.01, 0.001);
  EXPECT_GT(meter[0], meter[10]);

  // A steady reduction: the meter leads past a rising target and settles within ±1.25 % of it.
  h.Set(kThreshold, -15);
  h.Set(kRatio, 5);
  h.Set(kReleaseTime, 4);
  h.Plug().mMeterValues.clear();
  const Stereo tone{Sine(1000, 0.5, 96000, kRate), Sine(1000, 0.5, 96000, kRate)};
  h.Run(tone, nullptr, 480);
  const double settled = h.Plug().mMeterValues.back();
  EXPECT_GT(settled, 0.5);
  for (size_t i = 120; i < h.Plug().mMeterValues.size(); ++i)
    EXPECT_NEAR(h.Plug().mMeterValues[i], settled, 0.0125 * settled + 0.002) << i;
}

TEST(Chain, ExternalSideChainSteersTheGainOnly)
{
  const Stereo quiet{Sine(1000, 0.001, 48000, kRate), Sine(1000, 0.001, 48000, kRate)};
  const std::vector<double> loud = Sine(200, 0.9, 48000, kRate);

  ChainHarness internal;
  internal.Set(kThreshold, -15);
  internal.Set(kRatio, 5);
  internal.Reset();
  const Stereo plain = internal.Run(quiet, &loud);

  ChainHarness external;
  external.Set(kThreshold, -15);
  external.Set(kRatio, 5);
  external.Set(kExternalSidechain, 1);
  external.Reset();
  const Stereo ducked = external.Run(quiet, &loud);

  const double plainDb = 20.0 * std::log10(Amplitude(plain.L, 1000.0, 9600) / 0.001);
  const double duckedDb = 20.0 * std::log10(Amplitude(ducked.L, 1000.0, 9600) / 0.001);
  EXPECT_GT(plainDb, -0.5) << "a quiet programme alone is not compressed";
  EXPECT_LT(duckedDb, plainDb - 10.0) << "the loud side chain pulls the gain down";
  // The side chain itself never reaches the output.
  EXPECT_LT(Amplitude(ducked.L, 200.0, 9600), 1e-7);
  EXPECT_LT(Amplitude(ducked.R, 200.0, 9600), 1e-7);
}

TEST(Chain, ProcessingNeverAllocates)
{
  ChainHarness h;
  iplug::IPlugProcessor& frame = h.Plug();
  std::vector<std::vector<float>> in(4, std::vector<float>(512)), out(2, std::vector<float>(512));
  for (size_t n = 0; n < 512; ++n)
    in[0][n] = in[1][n] = in[2][n] = static_cast<float>(0.5 * std::sin(0.05 * n));
  float* inPtrs[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
  float* outPtrs[2] = {out[0].data(), out[1].data()};
  auto block = [&](int frames) {
    frame.AttachHostBuffers(iplug::ChannelDirection::Input, 0, 4, inPtrs, frames);
    frame.AttachHostBuffers(iplug::ChannelDirection::Output, 0, 2, outPtrs, frames);
    frame.ProcessHostBlock(frames);
  };

  // The bypass delay takes its size the first time the latency changes; that one growth is allowed.
  h.Set(kOversampling, 1);
  block(512);
  h.Set(kOversampling, 0);
  block(512);

  long allocations = 0;
  for (int combo = 0; combo < 32; ++combo)
  {
    h.Set(kBypass, combo & 1);
    h.Set(kExternalSidechain, (combo >> 1) & 1);
    h.Set(kTurbo, (combo >> 2) & 1);
    h.Set(kXFormer, (combo >> 3) & 1);
    h.Set(kOversampling, (combo >> 4) & 1);
    quorvane::test::AllocationScope scope;
    for (int frames : {512, 1, 7, 64, 100, 511, 333})
      block(frames);
    allocations += scope.Count();
  }
  EXPECT_EQ(allocations, 0);
}

TEST(ChainThreads, HostChangesWhileTheAudioThreadRuns)
{
  // A host moves parameters on its own thread while blocks run: every value crosses as one atomic,
  // so the output stays finite and (under ThreadSanitizer) no access races.
  ChainHarness h;
  std::atomic<bool> done{false};
  std::thread host([&] {
    for (int i = 0; !done.load(); ++i)
    {
      h.Set(kThreshold, -15.0 + (i % 31));
      h.Set(kRatio, i % 6);
      h.Set(kOversampling, (i / 7) % 2);
      h.Set(kTransientTilt, -6.0 + (i % 13));
    }
  });
  const Stereo tone{Sine(500, 0.7, 256, kRate), Sine(700, 0.6, 256, kRate)};
  bool finite = true;
  for (int block = 0; block < 300; ++block)
  {
    const Stereo out = h.Run(tone, nullptr, 256);
    for (size_t i = 0; i < out.L.size(); ++i)
      finite = finite && std::isfinite(out.L[i]) && std::isfinite(out.R[i]);
  }
  done = true;
  host.join();
  EXPECT_TRUE(finite);
}
