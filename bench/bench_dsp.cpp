// Per-sample cost of the DSP blocks that run on the audio thread, in nanoseconds per sample and as a
// real-time factor at 48 kHz (how many times faster than real time one core runs that block alone).

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "dsp/biquadFilter.h"
#include "dsp/compressor.h"
#include "dsp/curves.h"
#include "dsp/oversampling.h"
#include "dsp/transientFilter.h"

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 48000.0;

std::vector<double> Noise(double level)
{
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> dist(-level, level);
  std::vector<double> v(kBlock);
  for (double& x : v)
    x = dist(rng);
  return v;
}

void Report(benchmark::State& state, int samplesPerIteration)
{
  const double samples = static_cast<double>(state.iterations()) * samplesPerIteration;
  // Printed with SI prefixes: "per_sample=59.1n" is 59.1 ns; "realtime_48k=352/s" means 352 times
  // faster than real time (seconds of 48 kHz audio per second of CPU).
  state.counters["per_sample"] = benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_48k"] = benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
}

// The compressor as the chain drives it: one process() and the six control operations per sample.
void BM_CompressorWithControls(benchmark::State& state)
{
  dsp::compressor comp;
  comp.setup(0, 5.0, 50.0, 0.0, kRate);
  const auto in = Noise(0.5);
  double threshold = 0.0;
  for (auto _ : state)
  {
    for (double x : in)
    {
      comp.process(std::fabs(x));
      benchmark::DoNotOptimize(comp.gainDb);
      comp.setAttack(10.0);
      comp.setRelease(300.0);
      comp.setHold(0.0);
      comp.setRatio(4.0);
      threshold = 0.999 * threshold + 0.001 * -20.0;
      comp.setThreshold(threshold);
      comp.setKneeFactor(0.7);
      comp.limitMode = 0;
      comp.slope = 1.0 - 1.0 / comp.ratio;
    }
  }
  Report(state, kBlock);
}
BENCHMARK(BM_CompressorWithControls);

// One channel of the detector filter set: high-pass, 1.6 kHz peak, 5 kHz shelf, and the shelf's
// extra step with 0.
void BM_DetectorBiquads(benchmark::State& state)
{
  dsp::biquadFilter hpf, mid, hf;
  hpf.setup(dsp::biquadFilter::kHighPass, 120.0 / kRate, 0.707, 0.0);
  mid.setup(dsp::biquadFilter::kPeak, 1600.0 / kRate, 0.407, 4.0);
  hf.setup(dsp::biquadFilter::kHighShelf, 5000.0 / kRate, 0.3, 0.0);
  const auto in = Noise(0.01);
  for (auto _ : state)
  {
    for (double x : in)
    {
      benchmark::DoNotOptimize(hf.process(mid.process(hpf.process(static_cast<float>(x)))));
      benchmark::DoNotOptimize(hf.process(0.0f));
    }
  }
  Report(state, kBlock);
}
BENCHMARK(BM_DetectorBiquads);

void BM_TransientFilter(benchmark::State& state)
{
  dsp::transientFilter t;
  t.prepare(kRate);
  const auto in = Noise(0.01);
  for (auto _ : state)
  {
    t.prepare(kRate); // once per block, as the chain does
    for (double x : in)
      benchmark::DoNotOptimize(t.process(x, 0.55, 0.75, 0.75, 0.25));
  }
  Report(state, kBlock);
}
BENCHMARK(BM_TransientFilter);

// The tilt knob moved every block, from one end to the other: the smoothed knobs never settle, so the
// coefficients are evaluated every sample.
void BM_TransientFilterGlide(benchmark::State& state)
{
  dsp::transientFilter t;
  t.prepare(kRate);
  const auto in = Noise(0.01);
  bool up = false;
  for (auto _ : state)
  {
    t.prepare(kRate);
    up = !up;
    const double c = up ? 1.25 : 0.25;
    for (double x : in)
      benchmark::DoNotOptimize(t.process(x, 0.55, c, c, 0.25));
  }
  Report(state, kBlock);
}
BENCHMARK(BM_TransientFilterGlide);

// Both channels through the 2x stage; one stereo frame counts as one sample.
void BM_OversampledGainStage(benchmark::State& state)
{
  auto stage = std::make_unique<dsp::oversampledGainStage>();
  const auto inL = Noise(0.5);
  const auto inR = Noise(0.4);
  double osL = 0.0, osR = 0.0;
  for (auto _ : state)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      stage->process(inL[i], inR[i], 0.7, 2, osL, osR);
      benchmark::DoNotOptimize(osL);
      benchmark::DoNotOptimize(osR);
    }
  }
  Report(state, kBlock);
}
BENCHMARK(BM_OversampledGainStage);

// The memoryless curves of one channel: input saturation with the transformer, the detector curve,
// the boost shaper and the output stage.
void BM_CurvesPerChannel(benchmark::State& state)
{
  const auto in = Noise(0.8);
  for (auto _ : state)
  {
    for (double x : in)
    {
      const double sat = dsp::saturateInputXf(x);
      benchmark::DoNotOptimize(dsp::boostShape(dsp::detectorCurve(sat), 2.0));
      benchmark::DoNotOptimize(dsp::saturateOutputXf(sat));
    }
  }
  Report(state, kBlock);
}
BENCHMARK(BM_CurvesPerChannel);

} // namespace

BENCHMARK_MAIN();
