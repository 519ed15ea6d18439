#include "IPlug/IPlugProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>
#include <utility>

namespace iplug {

namespace {

constexpr int kIn = DirectionIndex(ChannelDirection::Input);
constexpr int kOut = DirectionIndex(ChannelDirection::Output);

// A bus token's channel count: "*" is a wildcard, otherwise the leading decimal digits (0 when there are
// none). Saturates rather than overflowing on absurd tokens.
int32_t ParseBusToken(std::string_view token)
{
  if (token == "*")
    return kWildcardChannels;
  int64_t value = 0;
  for (char ch : token)
  {
    if (ch < '0' || ch > '9')
      break;
    value = std::min<int64_t>(value * 10 + (ch - '0'), std::numeric_limits<int32_t>::max());
  }
  return static_cast<int32_t>(value);
}

// One side of a layout token ("1.2"): appends a bus per non-zero token and tallies channels and buses.
void ParseSide(std::string_view side, ChannelDirection direction, IOLayout& layout, int64_t& channels,
               int64_t& buses)
{
  while (true)
  {
    const size_t dot = side.find('.');
    const int32_t count = ParseBusToken(side.substr(0, dot));
    channels += count;
    if (count != 0)
    {
      layout.Buses(direction).push_back(BusSpec{direction, count});
      ++buses;
    }
    if (dot == std::string_view::npos)
      break;
    side.remove_prefix(dot + 1);
  }
}

void RaiseTo(int& total, int64_t candidate)
{
  if (candidate > total)
    total = static_cast<int>(std::min<int64_t>(candidate, std::numeric_limits<int>::max()));
}

// [first, first + count) intersected with [0, size), computed without overflow.
struct SlotRange
{
  size_t begin;
  size_t end;
};

SlotRange ClampRange(int first, int count, size_t size)
{
  const int64_t last = std::min<int64_t>(static_cast<int64_t>(first) + count, static_cast<int64_t>(size));
  const int64_t start = std::max<int64_t>(first, 0);
  if (last <= start)
    return {0, 0};
  return {static_cast<size_t>(start), static_cast<size_t>(last)};
}

// Output c gets input c where one exists, silence otherwise.
void CopyOrSilence(const sample* const* inputs, size_t inputCount, sample* const* outputs, size_t outputCount,
                   int frames)
{
  const size_t n = static_cast<size_t>(frames);
  for (size_t c = 0; c < outputCount; ++c)
  {
    sample* out = outputs[c];
    if (out == nullptr)
      continue;
    const sample* in = c < inputCount ? inputs[c] : nullptr;
    for (size_t s = 0; s < n; ++s)
      out[s] = in != nullptr ? in[s] : 0.0;
  }
}

} // namespace

IPlugProcessor::IPlugProcessor(const PluginConfig& config)
  : mPluginKind(config.mPluginKind)
  , mAcceptsMidiInput(config.mAcceptsMidiInput)
  , mProducesMidiOutput(config.mProducesMidiOutput)
  , mDoesMPE(config.mDoesMPE)
  , mLatency(std::max(config.mLatency, 0))
{
  int totalChannels[kNumChannelDirections] = {0, 0};
  int totalBuses[kNumChannelDirections] = {0, 0};
  ParseIOLayouts(config.mChannelIOString, mIOLayouts, totalChannels[kIn], totalChannels[kOut], totalBuses[kIn],
                 totalBuses[kOut]);

  for (int d = 0; d < kNumChannelDirections; ++d)
  {
    const auto n = static_cast<size_t>(totalChannels[d]);
    mChannelPointers[d].assign(n, nullptr);
    mChannelSlots[d].resize(n);
    for (size_t i = 0; i < n; ++i)
      mChannelSlots[d][i].mDataSlot = &mChannelPointers[d][i];
  }
}

IPlugProcessor::~IPlugProcessor() = default;

void IPlugProcessor::ProcessAudioBlock(sample** inputs, sample** outputs, int frames)
{
  if (outputs == nullptr || frames <= 0)
    return;
  const size_t inputCount = inputs != nullptr ? mChannelPointers[kIn].size() : 0;
  CopyOrSilence(inputs, inputCount, outputs, mChannelPointers[kOut].size(), frames);
}

void IPlugProcessor::HandleMidiMessage(const MidiMessage& message) { EmitMidiMessage(message); }

void IPlugProcessor::HandleSysEx(const SysExMessage&) {}

void IPlugProcessor::ResetProcessing() {}

void IPlugProcessor::ActivationChanged(bool) {}

bool IPlugProcessor::EmitMidiMessages(std::span<const MidiMessage> messages)
{
  bool allSent = true;
  for (const MidiMessage& message : messages)
    allSent = EmitMidiMessage(message) && allSent; // every message is offered, even after a failure
  return allSent;
}

bool IPlugProcessor::EmitSysEx(const SysExMessage&) { return false; }

void IPlugProcessor::BusNameFor(ChannelDirection direction, int busIndex, int busCount, std::string& name) const
{
  char text[kMaxBusNameLength + 1];
  if (direction == ChannelDirection::Output)
  {
    if (busCount == 1)
      std::snprintf(text, sizeof text, "Output");
    else
      std::snprintf(text, sizeof text, "Output %i", busIndex);
  }
  else if (busCount == 1)
    std::snprintf(text, sizeof text, "Input");
  else if (busCount == 2)
    std::snprintf(text, sizeof text, "%s", busIndex == 0 ? "Main" : "Aux");
  else
    std::snprintf(text, sizeof text, "Input %i", busIndex);
  name.assign(text);
}

void IPlugProcessor::ReportLatency(int samples)
{
  mLatency = std::max(samples, 0);
  if (mLatencyDelay)
    mLatencyDelay->SetDelay(static_cast<uint32_t>(mLatency));
}

int IPlugProcessor::ParseIOLayouts(const char* ioString, std::vector<IOLayout>& layouts, int& maxInputChannels,
                                   int& maxOutputChannels, int& maxInputBuses, int& maxOutputBuses)
{
  maxInputChannels = maxOutputChannels = maxInputBuses = maxOutputBuses = 0;
  std::string_view rest = ioString != nullptr ? ioString : "";
  int parsed = 0;

  while (!rest.empty())
  {
    const size_t space = rest.find(' ');
    const std::string_view token = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    if (token.empty()) // runs of spaces separate nothing
      continue;

    // A token without a dash is read as inputs only, so a typo cannot invent outputs.
    const size_t dash = token.find('-');
    const std::string_view inputs = token.substr(0, dash);
    const std::string_view outputs = dash == std::string_view::npos ? std::string_view{} : token.substr(dash + 1);

    IOLayout layout;
    int64_t inputChannels = 0, outputChannels = 0, inputBuses = 0, outputBuses = 0;
    ParseSide(inputs, ChannelDirection::Input, layout, inputChannels, inputBuses);
    ParseSide(outputs, ChannelDirection::Output, layout, outputChannels, outputBuses);

    // Maxima, not sums: the frame needs room for the widest layout only. A wildcard's -64 never raises them.
    RaiseTo(maxInputChannels, inputChannels);
    RaiseTo(maxOutputChannels, outputChannels);
    RaiseTo(maxInputBuses, inputBuses);
    RaiseTo(maxOutputBuses, outputBuses);

    layouts.push_back(std::move(layout));
    ++parsed;
  }
  return parsed;
}

bool IPlugProcessor::LegalIO(int inputChannels, int outputChannels) const
{
  return std::any_of(mIOLayouts.begin(), mIOLayouts.end(), [&](const IOLayout& layout) {
    return (inputChannels < 0 || inputChannels == layout.TotalChannels(ChannelDirection::Input)) &&
           (outputChannels < 0 || outputChannels == layout.TotalChannels(ChannelDirection::Output));
  });
}

int IPlugProcessor::MaxBusCount(ChannelDirection direction, int* layoutIndex) const
{
  int most = 0;
  int where = 0;
  for (size_t i = 0; i < mIOLayouts.size(); ++i)
  {
    const int buses = mIOLayouts[i].BusCount(direction);
    if (buses >= most) // ties go to the later layout
    {
      most = buses;
      where = static_cast<int>(i);
    }
  }
  if (layoutIndex != nullptr)
    *layoutIndex = where;
  return most;
}

int IPlugProcessor::MaxChannelsOnBus(ChannelDirection direction, int busIndex) const
{
  if (mIOLayouts.empty())
    return 0;
  if (mIOLayouts.front().HasWildcard(direction))
    return -1;
  if (busIndex < 0 || busIndex >= MaxBusCount(direction))
    return 0;
  // Layouts without this bus count 0; the first layout has no wildcard, so 0 is a safe floor.
  int most = 0;
  for (const IOLayout& layout : mIOLayouts)
    most = std::max(most, layout.ChannelsOnBus(direction, busIndex));
  return most;
}

int IPlugProcessor::ConnectedChannelCount(ChannelDirection direction) const
{
  const auto& slots = mChannelSlots[DirectionIndex(direction)];
  return static_cast<int>(
    std::count_if(slots.begin(), slots.end(), [](const ChannelSlot& slot) { return slot.mConnected; }));
}

void IPlugProcessor::SetChannelsConnected(ChannelDirection direction, int first, int count, bool connected)
{
  auto& slots = mChannelSlots[DirectionIndex(direction)];
  const SlotRange range = ClampRange(first, count, slots.size());
  for (size_t i = range.begin; i < range.end; ++i)
  {
    ChannelSlot& slot = slots[i];
    slot.mConnected = connected;
    // The scratch keeps whatever it last held: a disconnected side chain repeats its last block.
    if (!connected)
      *slot.mDataSlot = slot.mScratch.data();
  }
}

void IPlugProcessor::AttachHostBuffers(ChannelDirection direction, int first, int count, float* const* hostBuffers,
                                       int frames)
{
  if (hostBuffers == nullptr)
    return;
  const size_t n = static_cast<size_t>(ClampFrames(frames));
  const bool isInput = direction != ChannelDirection::Output;
  auto& slots = mChannelSlots[DirectionIndex(direction)];
  const SlotRange range = ClampRange(first, count, slots.size());

  size_t next = 0;
  for (size_t i = range.begin; i < range.end; ++i)
  {
    ChannelSlot& slot = slots[i];
    if (!slot.mConnected)
      continue; // consumes no host buffer
    float* host = hostBuffers[next++];
    sample* scratch = slot.mScratch.data();
    *slot.mDataSlot = scratch;

    if (!isInput)
    {
      slot.mIncomingHostBuffer = host;
      continue;
    }
    if (host == nullptr)
    {
      std::fill_n(scratch, n, 0.0);
      continue;
    }
    // One NaN or infinity would stick in the plug-in's recursive filters for good; silence it here.
    // Written as a comparison the compiler turns into vector code (a NaN fails it too).
    for (size_t s = 0; s < n; ++s)
    {
      const sample v = host[s];
      scratch[s] = std::fabs(v) <= std::numeric_limits<float>::max() ? v : 0.0;
    }
  }
}

void IPlugProcessor::ApplyBlockSize(int frames)
{
  frames = std::max(frames, 0);
  if (frames == mBlockSize)
    return;
  const auto n = static_cast<size_t>(frames);
  for (int d : {kIn, kOut})
  {
    for (ChannelSlot& slot : mChannelSlots[d])
    {
      slot.mScratch.assign(n, 0.0);
      // Entries may still point at the buffer just released; no entry may dangle, not even for one call.
      *slot.mDataSlot = slot.mScratch.data();
      // A host buffer attached for the old size may be too short for the new one: wait for a fresh one.
      slot.mIncomingHostBuffer = nullptr;
    }
  }
  mBlockSize = frames;
}

void IPlugProcessor::ApplySampleRate(double rate) { mSampleRate = rate; }

void IPlugProcessor::CreateLatencyDelay()
{
  const auto inputs = static_cast<uint32_t>(mChannelSlots[kIn].size());
  const auto outputs = static_cast<uint32_t>(mChannelSlots[kOut].size());
  if (inputs == 0)
    return;
  mLatencyDelay = std::make_unique<LatencyDelayLine>(inputs, outputs, static_cast<uint32_t>(mLatency));
}

void IPlugProcessor::ReserveLatency(int maxSamples)
{
  mReservedLatency = std::max(mReservedLatency, maxSamples);
  if (mLatencyDelay)
    mLatencyDelay->Reserve(static_cast<uint32_t>(std::max(maxSamples, 0)));
}

void IPlugProcessor::ProcessHostBlock(int frames)
{
  frames = ClampFrames(frames);
  ProcessAudioBlock(mChannelPointers[kIn].data(), mChannelPointers[kOut].data(), frames);
  WriteOutputsToHost(frames);
}

void IPlugProcessor::PassThroughBlock(int frames)
{
  frames = ClampFrames(frames);
  const auto& inputs = mChannelPointers[kIn];
  const auto& outputs = mChannelPointers[kOut];

  if (mLatency != 0 && mLatencyDelay)
    mLatencyDelay->ProcessBlock(inputs.data(), outputs.data(), frames);
  else
    CopyOrSilence(inputs.data(), inputs.size(), outputs.data(), outputs.size(), frames);
  WriteOutputsToHost(frames);
}

int IPlugProcessor::ChannelCount(ChannelDirection direction) const
{
  return static_cast<int>(mChannelSlots[DirectionIndex(direction)].size());
}

const IOLayout* IPlugProcessor::GetLayout(int index) const
{
  if (index < 0 || static_cast<size_t>(index) >= mIOLayouts.size())
    return nullptr;
  return &mIOLayouts[static_cast<size_t>(index)];
}

// Host blocks longer than the scratch buffers are cut to the block size rather than overrun them.
int IPlugProcessor::ClampFrames(int frames) const { return std::clamp(frames, 0, mBlockSize); }

void IPlugProcessor::WriteOutputsToHost(int frames)
{
  const size_t n = static_cast<size_t>(frames);
  for (const ChannelSlot& slot : mChannelSlots[kOut])
  {
    const sample* source = *slot.mDataSlot;
    float* host = slot.mIncomingHostBuffer;
    if (!slot.mConnected || host == nullptr || source == nullptr)
      continue;
    for (size_t s = 0; s < n; ++s)
      host[s] = static_cast<float>(source[s]);
  }
}

} // namespace iplug
