#pragma once
// The host-neutral audio side of a plug-in: accepted channel layouts, one slot per channel, the double
// scratch buffers ProcessAudioBlock works on, float conversion at the host boundary, and the bypass path.
// A host binding drives it once per render call; the plug-in overrides ProcessAudioBlock/ResetProcessing.

#include "IPlug/IPlugStructs.h"
#include "IPlug/PluginConfig.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace iplug {

// The sample rates the processing is made and tested for. A binding refuses to make an instance outside
// them: a damaged file header or a host's bad value can claim gigahertz, and rate-sized buffers follow.
inline constexpr double kLowestSampleRate = 8000.0;
inline constexpr double kHighestSampleRate = 768000.0;
constexpr bool IsSupportedSampleRate(double rate) { return rate >= kLowestSampleRate && rate <= kHighestSampleRate; }

class IPlugProcessor
{
public:
  static constexpr int kMaxBusNameLength = 32;

  // construction, any thread before processing starts; parses the layouts, all slots disconnected
  explicit IPlugProcessor(const PluginConfig& config);
  // any thread, after processing has stopped
  virtual ~IPlugProcessor();

  IPlugProcessor(const IPlugProcessor&) = delete;
  IPlugProcessor& operator=(const IPlugProcessor&) = delete;

  // audio thread; default copies input i to output i where both exist and zeroes the other outputs
  virtual void ProcessAudioBlock(sample** inputs, sample** outputs, int frames);
  // audio thread; default forwards to EmitMidiMessage
  virtual void HandleMidiMessage(const MidiMessage& message);
  // audio thread; default ignores it
  virtual void HandleSysEx(const SysExMessage& message);
  // audio thread after a block-size change, or host thread after a rate change; never during a block
  virtual void ResetProcessing();
  // host thread; default does nothing
  virtual void ActivationChanged(bool active);
  // audio thread; supplied by the host binding
  virtual bool EmitMidiMessage(const MidiMessage& message) = 0;
  // audio thread; emits every message, true only if all succeeded (true for none)
  virtual bool EmitMidiMessages(std::span<const MidiMessage> messages);
  // audio thread; default reports failure
  virtual bool EmitSysEx(const SysExMessage& message);
  // any thread but the audio thread (may allocate); at most kMaxBusNameLength characters
  virtual void BusNameFor(ChannelDirection direction, int busIndex, int busCount, std::string& name) const;
  // audio thread; negative counts as 0. Resizes and clears the bypass delay (allocates if it grows)
  virtual void ReportLatency(int samples);
  // audio thread; the value of a read-only parameter the editor shows (a meter), for bindings whose host
  // can show it too. Ignored by default.
  virtual void ReportMeter(int /*paramIdx*/, double /*value*/) {}

  // any thread, no instance needed; appends to `layouts`, returns how many this string added
  static int ParseIOLayouts(const char* ioString, std::vector<IOLayout>& layouts, int& maxInputChannels,
                            int& maxOutputChannels, int& maxInputBuses, int& maxOutputBuses);

  // any thread; negative channel counts mean "any"
  bool LegalIO(int inputChannels, int outputChannels) const;
  // any thread; ties go to the later layout
  int MaxBusCount(ChannelDirection direction, int* layoutIndex = nullptr) const;
  // any thread; -1 when the first layout has a wildcard bus in this direction
  int MaxChannelsOnBus(ChannelDirection direction, int busIndex) const;
  // audio thread
  int ConnectedChannelCount(ChannelDirection direction) const;

  // audio thread; no allocation. Disconnected channels read and write their own scratch buffer
  void SetChannelsConnected(ChannelDirection direction, int first, int count, bool connected);
  // audio thread; no allocation. Connected slots in [first, first + count) take the host buffers in order
  void AttachHostBuffers(ChannelDirection direction, int first, int count, float* const* hostBuffers,
                         int frames);

  // audio thread, between blocks; allocates only when the size grows. Clears every scratch buffer and
  // forgets attached host outputs (attach again before the next block)
  void ApplyBlockSize(int frames);
  // host thread, while not processing
  void ApplySampleRate(double rate);
  // construction (host binding), before processing starts; only when there are input channels
  void CreateLatencyDelay();
  // construction (the plug-in), after the binding: the largest latency it will ever report, so that
  // ReportLatency on the audio thread never allocates
  void ReserveLatency(int maxSamples);
  // any thread: the largest latency reserved so far
  int GetReservedLatency() const { return mReservedLatency; }

  // audio thread; runs ProcessAudioBlock, then writes connected outputs back to the host
  void ProcessHostBlock(int frames);
  // audio thread; host bypass: inputs to outputs, delayed by the latency when a delay exists
  void PassThroughBlock(int frames);

  // Values that change on the audio thread: read them there, or anywhere while no block is running.
  double GetSampleRate() const { return mSampleRate; }              // audio thread or idle
  int GetBlockSize() const { return mBlockSize; }                   // audio thread or idle
  int GetLatency() const { return mLatency; }                       // audio thread or idle
  bool IsRenderingOffline() const { return mRenderingOffline; }     // audio thread or idle
  bool HasLatencyDelay() const { return mLatencyDelay != nullptr; } // audio thread or idle
  // host thread, between blocks
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }

  // Fixed at construction.
  int GetTailSize() const { return mTailSize; }                   // any thread
  PluginKind GetPluginKind() const { return mPluginKind; }        // any thread
  bool AcceptsMidiInput() const { return mAcceptsMidiInput; }     // any thread
  bool ProducesMidiOutput() const { return mProducesMidiOutput; } // any thread
  bool DoesMPE() const { return mDoesMPE; }                       // any thread

  // any thread; the number of channel slots (the largest total over all layouts)
  int ChannelCount(ChannelDirection direction) const;
  int LayoutCount() const { return static_cast<int>(mIOLayouts.size()); } // any thread
  // any thread; null when out of range
  const IOLayout* GetLayout(int index) const;

  // audio thread, before ProcessHostBlock
  void SetTransportInfo(const TransportInfo& transport) { mTransport = transport; }
  // audio thread
  const TransportInfo& GetTransportInfo() const { return mTransport; }

private:
  int ClampFrames(int frames) const;
  void WriteOutputsToHost(int frames);

  PluginKind mPluginKind;
  bool mAcceptsMidiInput;
  bool mProducesMidiOutput;
  bool mDoesMPE;
  int mLatency;
  int mReservedLatency = 0;
  double mSampleRate = 48000.0;
  int mBlockSize = 0;
  int mTailSize = 0;
  bool mRenderingOffline = false;
  std::vector<IOLayout> mIOLayouts;
  // Sized once at construction and never resized: slots hold pointers into them.
  std::array<std::vector<sample*>, kNumChannelDirections> mChannelPointers;
  std::array<std::vector<ChannelSlot>, kNumChannelDirections> mChannelSlots;
  std::unique_ptr<LatencyDelayLine> mLatencyDelay;
  TransportInfo mTransport;
};

} // namespace iplug
