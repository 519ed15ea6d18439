#pragma once
// The plug-in object every format but AAX owns and translates for: the API base and the processor frame,
// with what every such binding would otherwise work out again. Rendering of any block length from the
// host's buffers (main channels, the side-chain slot, the editor's MIDI), a host bypass that fades, the
// declared outputs (the meter, the latency handed to the main thread), and the binding's side of the
// editor (gestures, resize). A binding implements IPlugHostedBinding and calls in; the plug-in itself
// overrides only format-neutral methods.

#include <atomic>
#include <cstdint>
#include <vector>

#include "IPlug/IPlugAPIBase.h"
#include "IPlug/IPlugProcessor.h"

namespace iplug {

// The API code of a plug-in that a format-neutral binding owns.
inline constexpr int kAPIHosted = 16;

// What the owning binding offers the plug-in.
class IPlugHostedBinding
{
public:
  virtual ~IPlugHostedBinding() = default;
  // UI thread: one gesture of the editor, framed as the host's automation expects it
  virtual void BeginParamChange(int paramIdx) = 0;
  virtual void ParamValueChange(int paramIdx, double normalizedValue) = 0;
  virtual void EndParamChange(int paramIdx) = 0;
  // UI thread: the editor wants this size in pixels; true when the host resized its view to it
  virtual bool ResizeView(int width, int height) = 0;
  // UI thread (the host's main thread), on the timer: the latency the audio thread last reported
  virtual void LatencyChanged(int samples) = 0;
};

class IPlugHosted : public IPlugAPIBase, public IPlugProcessor
{
public:
  // How long a host bypass takes to fade between the processed and the dry signal.
  static constexpr double kBypassFadeSeconds = 0.015;

  // One render call's host buffers. Null buffers read as silence (inputs) or are not written (outputs).
  struct HostAudio
  {
    const float* const* inputs = nullptr; // `channels` main inputs
    const float* sideChain = nullptr;     // null: no side chain connected
    float* const* outputs = nullptr;      // `channels` main outputs
    int channels = 0;
  };

  // construction (the host's instantiate or UI thread); valid without a host
  explicit IPlugHosted(const PluginConfig& config);
  ~IPlugHosted() override;

  // any thread before the binding uses the plug-in; null detaches
  void SetBinding(IPlugHostedBinding* binding) { mBinding = binding; }
  // UI thread: the run loop the binding lends, which must outlive it, or null when it takes it back. The
  // timer that moves host values to the editor runs while a loop is lent: some formats lend one only
  // while their view is attached, and lend it again for the next view.
  void SetRunLoop(IRunLoop* loop);

  // Not the audio thread, while not rendering: the rate and the longest block a render call slices by.
  // False, changing nothing, when the rate is not supported.
  bool PrepareToRender(double sampleRate, int blockSize);
  // Not the audio thread, while not rendering: a new start (cleared buffers, the chain reset, the
  // bypass where the host last left it). Parameter values stay.
  void ResetRendering();
  // audio thread; any frame count, cut into slices of the block size. No allocation, no lock.
  void Render(const HostAudio& audio, int frames, bool hostBypassed);

  // audio thread, after Render: the meter's latest value, 0 while the host bypasses the plug-in
  double GetMeterValue() const { return mMeterValue; }

  // IPlugAPIBase: the editor's gestures and size go to the binding
  void BeginParamChangeToHost(int paramIdx) override;
  void ParamValueToHost(int paramIdx, double normalizedValue) override;
  void EndParamChangeToHost(int paramIdx) override;
  bool ResizeHostView(int width, int height) override;
  // IPlugAPIBase: the latency a block reported reaches the binding on the timer's thread
  void OnBindingIdle() override;

  // IPlugProcessor
  bool EmitMidiMessage(const MidiMessage&) override { return false; }
  void ReportMeter(int paramIdx, double value) override;
  void ReportLatency(int samples) override;

private:
  void RenderSlice(const HostAudio& audio, int offset, int frames, bool hostBypassed);
  // audio thread: this slice's inputs into the history and, when `wanted`, delayed by the latency into mDry
  void DelayDry(const HostAudio& audio, int offset, int frames, bool wanted);

  IPlugHostedBinding* mBinding = nullptr;

  int mMainChannels = 0;  // the first input bus's channels: the side chain takes the slot after them
  std::vector<const float*> mInputs; // per slice: host buffers advanced to the slice
  std::vector<float*> mOutputs;

  // The dry signal for the bypass: each channel's input history (longest latency + 1) and one block.
  int mHistoryLength = 1;
  int mHistoryWrite = 0;
  std::vector<std::vector<float>> mHistory;
  std::vector<std::vector<float>> mDry;
  // 1 processed, 0 dry; moves towards the host's choice by mFadeStep a sample
  double mWet = 1.0;
  double mFadeStep = 1.0;
  bool mLastBypassed = false;

  double mMeterValue = 0.0;
  double mProcessedMeter = 0.0;
  // Latency reported on the audio thread, handed to the binding on the UI thread.
  std::atomic<int> mLatencyToAnnounce{-1};
};

} // namespace iplug
