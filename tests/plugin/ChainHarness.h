#pragma once
// Runs a Quorvane instance the way a host does, but on double buffers: parameters through the host
// path, blocks through ProcessAudioBlock, the meter through the timer's hand-over.

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "plugin/Quorvane.h"

namespace quorvane::test {

// Records the values the meter hand-over delivers to the controls of parameter 10.
class MeteredQuorvane : public Quorvane
{
public:
  void SendParamValueToControls(int paramIdx, double value, bool normalized) override
  {
    if (paramIdx == kMeter && !normalized)
      mMeterValues.push_back(value);
    Quorvane::SendParamValueToControls(paramIdx, value, normalized);
  }
  std::vector<double> mMeterValues;
};

struct Stereo
{
  std::vector<double> L, R;
};

inline std::vector<double> Sine(double freq, double amplitude, int frames, double rate)
{
  std::vector<double> v(static_cast<size_t>(frames));
  for (int n = 0; n < frames; ++n)
    v[static_cast<size_t>(n)] = amplitude * std::sin(2.0 * std::numbers::pi * freq * n / rate);
  return v;
}

class ChainHarness
{
public:
  explicit ChainHarness(double rate = 48000.0)
    : mPlug(std::make_unique<MeteredQuorvane>())
    , mRate(rate)
  {
    using iplug::ChannelDirection;
    mPlug->SetChannelsConnected(ChannelDirection::Input, 0, 4, true);
    mPlug->SetChannelsConnected(ChannelDirection::Output, 0, 2, true);
    mPlug->CreateLatencyDelay();
    mPlug->ApplyBlockSize(512);
    mPlug->ApplySampleRate(rate);
    mPlug->ResetProcessing();
  }

  // As a host sets it: through the normalised value.
  void Set(int paramIdx, double value)
  {
    const iplug::IParam* param = mPlug->GetParam(paramIdx);
    mPlug->SetParameterValueFromHost(paramIdx, param->NormalizedFromValue(value));
  }

  void Reset() { mPlug->ResetProcessing(); }

  // Processes the programme (and side chain) in blocks; returns the output. Each block ends with a
  // timer tick, so the meter values arrive as a host's editor would see them.
  Stereo Run(const Stereo& in, const std::vector<double>* sideChain = nullptr, int blockSize = 512)
  {
    const size_t frames = in.L.size();
    Stereo out{std::vector<double>(frames), std::vector<double>(frames)};
    std::vector<double> silence(static_cast<size_t>(blockSize), 0.0);
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize))
    {
      const int n = static_cast<int>(std::min(frames - start, static_cast<size_t>(blockSize)));
      double* inputs[4] = {const_cast<double*>(in.L.data() + start), const_cast<double*>(in.R.data() + start),
                           sideChain ? const_cast<double*>(sideChain->data() + start) : silence.data(),
                           silence.data()};
      double* outputs[2] = {out.L.data() + start, out.R.data() + start};
      mPlug->ProcessAudioBlock(inputs, outputs, n);
      mPlug->IdleHook();
    }
    return out;
  }

  MeteredQuorvane& Plug() { return *mPlug; }
  double Rate() const { return mRate; }

private:
  std::unique_ptr<MeteredQuorvane> mPlug;
  double mRate;
};

} // namespace quorvane::test
