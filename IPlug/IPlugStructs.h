#pragma once
// Plain records of the processor frame: channel layouts, per-channel slots, transport, MIDI messages,
// and the delay line that keeps the bypass path aligned with the reported latency.

#include <array>
#include <cstdint>
#include <vector>

namespace iplug {

using sample = double;

enum class ChannelDirection : int32_t
{
  Input = 0,
  Output = 1,
};

constexpr int kNumChannelDirections = 2;

// Array index of a direction; any value that is not Output maps to the input side so a stray cast can
// never index past a per-direction array.
constexpr int DirectionIndex(ChannelDirection direction)
{
  return direction == ChannelDirection::Output ? 1 : 0;
}

// Channel count that marks a "*" bus in the I/O string.
constexpr int32_t kWildcardChannels = -64;

struct BusSpec
{
  ChannelDirection mDirection = ChannelDirection::Input;
  int32_t mChannelCount = 0; // negative: wildcard bus
};

// One accepted channel configuration: ordered input buses and output buses.
struct IOLayout
{
  std::array<std::vector<BusSpec>, kNumChannelDirections> mBuses;

  std::vector<BusSpec>& Buses(ChannelDirection direction) { return mBuses[DirectionIndex(direction)]; }
  const std::vector<BusSpec>& Buses(ChannelDirection direction) const
  {
    return mBuses[DirectionIndex(direction)];
  }

  int BusCount(ChannelDirection direction) const;
  // 0 when busIndex is out of range.
  int ChannelsOnBus(ChannelDirection direction, int busIndex) const;
  // Sum over the buses, wildcards (negative counts) included.
  int TotalChannels(ChannelDirection direction) const;
  bool HasWildcard(ChannelDirection direction) const;
};

// One input or output channel of the frame.
struct ChannelSlot
{
  bool mConnected = false;
  // This channel's entry in the frame's channel-pointer array: what ProcessAudioBlock sees for it.
  sample** mDataSlot = nullptr;
  // Output channels only: where ProcessHostBlock writes the block back.
  float* mIncomingHostBuffer = nullptr;
  // One block long; resized only by IPlugProcessor::ApplyBlockSize.
  std::vector<sample> mScratch;
};

struct TransportInfo
{
  double mTempo = 120.0; // beats per minute
  double mSamplePosition = -1.0;
  double mQuarterNotePosition = -1.0;
  double mLastBarQuarterNotePosition = -1.0;
  double mCycleStartQuarterNotes = -1.0;
  double mCycleEndQuarterNotes = -1.0;
  int32_t mTimeSigNumerator = 4;
  int32_t mTimeSigDenominator = 4;
  bool mTransportRunning = false;
  bool mLoopEnabled = false;
};

struct MidiMessage
{
  int32_t mOffset = 0; // sample offset within the block
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;
};
static_assert(sizeof(MidiMessage) == 8);

// The bytes are borrowed, not owned: valid only for the duration of the call that hands the message over.
struct SysExMessage
{
  int32_t mOffset = 0;
  int32_t mSize = 0;
  const uint8_t* mData = nullptr;
};

// A key event as the editor hands it on: its UTF-8 text (up to 4 bytes and a terminator), the
// platform's virtual-key code and the modifier states.
struct IKeyPress
{
  char mUtf8[5] = {};
  int32_t mVirtualKey = 0;
  bool mShift = false;
  bool mControl = false;
  bool mAlt = false;
};

// Delays each of the first min(inputs, outputs) channels by exactly D samples; used by the bypass path so
// a bypassed plug-in keeps the latency it reported.
class LatencyDelayLine
{
public:
  // construction, any thread before processing starts; allocates D × inputChannels samples
  LatencyDelayLine(uint32_t inputChannels, uint32_t outputChannels, uint32_t delay);

  // construction, before processing starts; SetDelay up to `maxDelay` then never allocates
  void Reserve(uint32_t maxDelay);

  // audio thread; resizes (allocating only when the buffer grows), clears, and restarts at position 0
  void SetDelay(uint32_t delay);

  // audio thread; buffers must hold `frames` samples. Output channels at or beyond the input count are
  // not written. Null arrays or entries are skipped.
  void ProcessBlock(const sample* const* inputs, sample* const* outputs, int frames);

  uint32_t Delay() const { return mDelayLength; }                   // any thread
  uint32_t InputChannelCount() const { return mInputChannelCount; }   // any thread
  uint32_t OutputChannelCount() const { return mOutputChannelCount; } // any thread

private:
  std::vector<sample> mBuffer; // channel c occupies [c × D, (c + 1) × D)
  uint32_t mInputChannelCount;
  uint32_t mOutputChannelCount;
  uint32_t mWritePosition = 0;
  uint32_t mDelayLength = 0;
};

} // namespace iplug
