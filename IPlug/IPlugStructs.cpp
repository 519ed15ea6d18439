#include "IPlug/IPlugStructs.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace iplug {

int IOLayout::BusCount(ChannelDirection direction) const
{
  return static_cast<int>(Buses(direction).size());
}

int IOLayout::ChannelsOnBus(ChannelDirection direction, int busIndex) const
{
  const auto& buses = Buses(direction);
  if (busIndex < 0 || static_cast<size_t>(busIndex) >= buses.size())
    return 0;
  return buses[static_cast<size_t>(busIndex)].mChannelCount;
}

int IOLayout::TotalChannels(ChannelDirection direction) const
{
  int64_t total = 0; // wide, so a silly layout string cannot overflow
  for (const BusSpec& bus : Buses(direction))
    total += bus.mChannelCount;
  return static_cast<int>(std::clamp<int64_t>(total, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IOLayout::HasWildcard(ChannelDirection direction) const
{
  const auto& buses = Buses(direction);
  return std::any_of(buses.begin(), buses.end(), [](const BusSpec& bus) { return bus.mChannelCount < 0; });
}

LatencyDelayLine::LatencyDelayLine(uint32_t inputChannels, uint32_t outputChannels, uint32_t delay)
  : mInputChannelCount(inputChannels)
  , mOutputChannelCount(outputChannels)
{
  SetDelay(delay);
}

void LatencyDelayLine::Reserve(uint32_t maxDelay)
{
  mBuffer.reserve(static_cast<size_t>(maxDelay) * mInputChannelCount);
}

void LatencyDelayLine::SetDelay(uint32_t delay)
{
  mDelayLength = delay;
  mBuffer.assign(static_cast<size_t>(delay) * mInputChannelCount, 0.0);
  mWritePosition = 0;
}

void LatencyDelayLine::ProcessBlock(const sample* const* inputs, sample* const* outputs, int frames)
{
  if (inputs == nullptr || outputs == nullptr || frames <= 0)
    return;

  const uint32_t channels = std::min(mInputChannelCount, mOutputChannelCount);
  const size_t n = static_cast<size_t>(frames);
  const size_t delay = mDelayLength;

  // Channels are independent, so each runs over the whole block from the shared write position; the
  // result equals the frame-by-frame interleaved walk.
  for (uint32_t c = 0; c < channels; ++c)
  {
    const sample* in = inputs[c];
    sample* out = outputs[c];
    if (in == nullptr || out == nullptr)
      continue;

    if (delay == 0)
    {
      for (size_t s = 0; s < n; ++s)
        out[s] = in[s];
      continue;
    }

    sample* line = mBuffer.data() + static_cast<size_t>(c) * delay;
    size_t w = mWritePosition;
    for (size_t s = 0; s < n; ++s)
    {
      // Read the input first: the caller may process in place.
      const sample x = in[s];
      out[s] = line[w];
      line[w] = x;
      if (++w == delay)
        w = 0;
    }
  }

  if (delay != 0)
    mWritePosition = static_cast<uint32_t>((mWritePosition + n % delay) % delay);
}

} // namespace iplug
