// The whole Quorvane chain, as a host drives it: 512-frame blocks of stereo programme at 48 kHz,
// in nanoseconds per stereo frame and as a real-time factor, with oversampling off and on, through the
// block passes the plug-in runs and through the exact per-sample chain they are tested against.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dsp/blockKernels.h"
#include "plugin/Quorvane.h"

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 48000.0;

void BM_Chain(benchmark::State& state)
{
  auto plug = std::make_unique<quorvane::Quorvane>();
  plug->SetChannelsConnected(iplug::ChannelDirection::Input, 0, 4, true);
  plug->SetChannelsConnected(iplug::ChannelDirection::Output, 0, 2, true);
  plug->ApplyBlockSize(kBlock);
  plug->ApplySampleRate(kRate);
  auto set = [&](int idx, double v) {
    plug->SetParameterValueFromHost(idx, plug->GetParam(idx)->NormalizedFromValue(v));
  };
  set(quorvane::kOversampling, static_cast<double>(state.range(0)));
  set(quorvane::kThreshold, -10.0);
  set(quorvane::kRatio, 3);
  plug->SetExactChain(state.range(1) != 0);
  plug->ResetProcessing();

  std::vector<double> l(kBlock), r(kBlock), silence(kBlock, 0.0), outL(kBlock), outR(kBlock);
  for (int n = 0; n < kBlock; ++n)
  {
    l[static_cast<size_t>(n)] = 0.6 * std::sin(0.031 * n) + 0.2 * std::sin(0.47 * n);
    r[static_cast<size_t>(n)] = 0.5 * std::sin(0.023 * n + 1.0);
  }
  double* inputs[4] = {l.data(), r.data(), silence.data(), silence.data()};
  double* outputs[2] = {outL.data(), outR.data()};

  for (auto _ : state)
  {
    plug->ProcessAudioBlock(inputs, outputs, kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  // "per_frame=1.2u" is 1.2 microseconds per stereo frame; "realtime_48k=20/s" is 20 times real time.
  state.counters["per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["realtime_48k"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Chain)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"oversampling", "exact"});


} // namespace

int main(int argc, char** argv)
{
  // Which vector variant the block passes run on this processor heads the report.
  benchmark::AddCustomContext("block kernels", dsp::selectedBlockKernels().name);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
