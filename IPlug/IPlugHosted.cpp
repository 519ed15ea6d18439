#include "IPlug/IPlugHosted.h"

#include <algorithm>
#include <cmath>

namespace iplug {

namespace {
constexpr ChannelDirection kIn = ChannelDirection::Input;
constexpr ChannelDirection kOut = ChannelDirection::Output;
} // namespace

IPlugHosted::IPlugHosted(const PluginConfig& config)
  : IPlugAPIBase(config, kAPIHosted)
  , IPlugProcessor(config)
{
  SetChannelsConnected(kIn, 0, ChannelCount(kIn), true);
  SetChannelsConnected(kOut, 0, ChannelCount(kOut), true);
  if (ChannelCount(kIn) > 0)
    CreateLatencyDelay();
  mMainChannels = std::max(MaxChannelsOnBus(kIn, 0), 0);
  mInputs.assign(static_cast<size_t>(ChannelCount(kIn)), nullptr);
  mOutputs.assign(static_cast<size_t>(ChannelCount(kOut)), nullptr);
}

IPlugHosted::~IPlugHosted() = default;

void IPlugHosted::SetRunLoop(IRunLoop* loop)
{
  StopTimer();
  if (loop == nullptr)
    return;
  // The timer takes the loop of the thread that makes it.
  IRunLoop* const previous = GetThreadRunLoop();
  SetThreadRunLoop(loop);
  CreateTimer();
  SetThreadRunLoop(previous);
}

// ------------------------------------------------------------------------------------------ rendering

bool IPlugHosted::PrepareToRender(double sampleRate, int blockSize)
{
  if (!IsSupportedSampleRate(sampleRate) || blockSize <= 0)
    return false;
  ApplySampleRate(sampleRate);
  ApplyBlockSize(blockSize);
  mFadeStep = 1.0 / (kBypassFadeSeconds * sampleRate);
  const auto channels = static_cast<size_t>(std::min(ChannelCount(kIn), ChannelCount(kOut)));
  mDry.assign(channels, std::vector<float>(static_cast<size_t>(blockSize)));
  mHistoryLength = std::max(GetReservedLatency(), GetLatency()) + 1;
  mHistory.assign(channels, std::vector<float>(static_cast<size_t>(mHistoryLength)));
  mHistoryWrite = 0;
  return true;
}

void IPlugHosted::ResetRendering()
{
  const int blockSize = GetBlockSize();
  ApplyBlockSize(0);
  ApplyBlockSize(blockSize);
  ResetProcessing();
  for (auto& channel : mHistory)
    std::fill(channel.begin(), channel.end(), 0.0f);
  mHistoryWrite = 0;
  mWet = mLastBypassed ? 0.0 : 1.0;
  mMeterValue = 0.0;
  mProcessedMeter = 0.0;
}

void IPlugHosted::Render(const HostAudio& audio, int frames, bool hostBypassed)
{
  const int slice = GetBlockSize();
  if (slice <= 0 || frames <= 0)
    return;
  for (int offset = 0; offset < frames; offset += slice)
    RenderSlice(audio, offset, std::min(slice, frames - offset), hostBypassed);
  mLastBypassed = hostBypassed;
  mMeterValue = hostBypassed ? 0.0 : mProcessedMeter;
}

void IPlugHosted::RenderSlice(const HostAudio& audio, int offset, int frames, bool hostBypassed)
{
  const int main = std::clamp(audio.channels, 0, mMainChannels);
  auto at = [offset](auto* const* buffers, int c) -> float* {
    return buffers != nullptr && buffers[c] != nullptr ? const_cast<float*>(buffers[c]) + offset : nullptr;
  };

  // The main channels are always there (an input the host left unconnected reads silence); the side
  // chain only when the host connected it.
  SetChannelsConnected(kIn, 0, ChannelCount(kIn), false);
  SetChannelsConnected(kIn, 0, main, true);
  for (int c = 0; c < main; ++c)
    mInputs[static_cast<size_t>(c)] = at(audio.inputs, c);
  AttachHostBuffers(kIn, 0, main, const_cast<float* const*>(mInputs.data()), frames);
  if (audio.sideChain != nullptr && mMainChannels < ChannelCount(kIn))
  {
    float* sideChain = const_cast<float*>(audio.sideChain) + offset;
    SetChannelsConnected(kIn, mMainChannels, 1, true);
    AttachHostBuffers(kIn, mMainChannels, 1, &sideChain, frames);
  }

  SetChannelsConnected(kOut, 0, ChannelCount(kOut), true);
  if (MaxBusCount(kOut) == 1)
    SetChannelsConnected(kOut, main, ChannelCount(kOut) - main, false);
  std::fill(mOutputs.begin(), mOutputs.end(), nullptr);
  for (int c = 0; c < main; ++c)
    mOutputs[static_cast<size_t>(c)] = at(audio.outputs, c);
  AttachHostBuffers(kOut, 0, ChannelCount(kOut), mOutputs.data(), frames);

  // The dry signal is taken before the chain runs: the host may give the same buffer for input and output.
  DelayDry(audio, offset, frames, hostBypassed || mWet != 1.0);
  // The chain runs while bypassed too, so that coming back fades into a signal that has kept up.
  MidiMessage message;
  while (mMidiMsgsFromEditor.Pop(message))
    HandleMidiMessage(message);
  ProcessHostBlock(frames);

  // Equal gain: the two signals' weights add up to one at every sample of the fade.
  const double target = hostBypassed ? 0.0 : 1.0;
  if (mWet == 1.0 && target == 1.0)
    return;
  const auto toward = [this, target](double wet) {
    return wet < target ? std::min(target, wet + mFadeStep) : std::max(target, wet - mFadeStep);
  };
  for (int c = 0; c < main && c < static_cast<int>(mDry.size()); ++c)
  {
    float* out = mOutputs[static_cast<size_t>(c)];
    if (out == nullptr)
      continue;
    const float* dry = mDry[static_cast<size_t>(c)].data();
    double wet = mWet;
    for (int i = 0; i < frames; ++i)
    {
      wet = toward(wet);
      out[i] = static_cast<float>(wet * out[i] + (1.0 - wet) * dry[i]);
    }
  }
  const double distance = static_cast<double>(frames) * mFadeStep;
  mWet = target > mWet ? std::min(target, mWet + distance) : std::max(target, mWet - distance);
}

void IPlugHosted::DelayDry(const HostAudio& audio, int offset, int frames, bool wanted)
{
  const int delay = std::min(GetLatency(), mHistoryLength - 1);
  const int channels = std::min(audio.channels, static_cast<int>(mDry.size()));
  // Not fading and not bypassed: only the history is kept, and only its last samples matter.
  const int skipped = wanted ? 0 : std::max(frames - mHistoryLength, 0);
  int write = mHistoryWrite;
  for (int c = 0; c < channels; ++c)
  {
    const float* in = audio.inputs != nullptr && audio.inputs[c] != nullptr ? audio.inputs[c] + offset : nullptr;
    float* history = mHistory[static_cast<size_t>(c)].data();
    float* dry = mDry[static_cast<size_t>(c)].data();
    write = mHistoryWrite;
    for (int i = skipped; i < frames; ++i)
    {
      history[write] = in != nullptr && std::isfinite(in[i]) ? in[i] : 0.0f;
      if (wanted)
      {
        int read = write - delay;
        if (read < 0)
          read += mHistoryLength;
        dry[i] = history[read];
      }
      if (++write == mHistoryLength)
        write = 0;
    }
  }
  if (channels > 0)
    mHistoryWrite = write;
}

// ------------------------------------------------------------------------------------------ outputs

void IPlugHosted::ReportMeter(int, double value)
{
  if (std::isfinite(value))
    mProcessedMeter = std::clamp(value, 0.0, 1.0);
}

void IPlugHosted::ReportLatency(int samples)
{
  IPlugProcessor::ReportLatency(samples);
  // More than was reserved: the one allocation a latency change may make on the audio thread.
  if (GetLatency() >= mHistoryLength)
  {
    mHistoryLength = GetLatency() + 1;
    for (auto& channel : mHistory)
      channel.assign(static_cast<size_t>(mHistoryLength), 0.0f);
    mHistoryWrite = 0;
  }
  mLatencyToAnnounce.store(GetLatency(), std::memory_order_release);
}

void IPlugHosted::OnBindingIdle()
{
  const int latency = mLatencyToAnnounce.exchange(-1, std::memory_order_acquire);
  if (latency >= 0 && mBinding != nullptr)
    mBinding->LatencyChanged(latency);
}

// ------------------------------------------------------------------------------------------ editor

void IPlugHosted::BeginParamChangeToHost(int paramIdx)
{
  if (mBinding != nullptr)
    mBinding->BeginParamChange(paramIdx);
}

void IPlugHosted::ParamValueToHost(int paramIdx, double normalizedValue)
{
  if (mBinding != nullptr)
    mBinding->ParamValueChange(paramIdx, normalizedValue);
}

void IPlugHosted::EndParamChangeToHost(int paramIdx)
{
  if (mBinding != nullptr)
    mBinding->EndParamChange(paramIdx);
}

bool IPlugHosted::ResizeHostView(int width, int height)
{
  return mBinding != nullptr && mBinding->ResizeView(width, height);
}

} // namespace iplug
