// The I/O-configuration grammar: IPlugProcessor::ParseIOLayouts on arbitrary text, then a processor
// built from that text and every layout query it answers.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "IPlug/IPlugProcessor.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace iplug;

constexpr ChannelDirection kIn = ChannelDirection::Input;
constexpr ChannelDirection kOut = ChannelDirection::Output;

// A configuration string is the plug-in author's constant and the frame allocates a slot per channel,
// so a processor is built only for strings a plug-in could plausibly carry.
constexpr int kMaxChannelsToBuild = 4096;

class Processor final : public IPlugProcessor
{
public:
  explicit Processor(const PluginConfig& config) : IPlugProcessor(config) {}
  bool EmitMidiMessage(const MidiMessage&) override { return true; }
};

void CheckLayoutQueries(const Processor& processor, const std::vector<IOLayout>& layouts, int maxIn, int maxOut)
{
  FUZZ_CHECK(processor.LayoutCount() == static_cast<int>(layouts.size()));
  FUZZ_CHECK(processor.ChannelCount(kIn) == maxIn);
  FUZZ_CHECK(processor.ChannelCount(kOut) == maxOut);
  FUZZ_CHECK(processor.GetLayout(-1) == nullptr);
  FUZZ_CHECK(processor.GetLayout(processor.LayoutCount()) == nullptr);

  // Every parsed layout is legal, and "any" on both sides is legal exactly when there is a layout.
  for (const IOLayout& layout : layouts)
    FUZZ_CHECK(processor.LegalIO(layout.TotalChannels(kIn), layout.TotalChannels(kOut)));
  FUZZ_CHECK(processor.LegalIO(-1, -1) == !layouts.empty());

  for (ChannelDirection direction : {kIn, kOut})
  {
    int where = -1;
    const int buses = processor.MaxBusCount(direction, &where);
    FUZZ_CHECK(buses >= 0);
    FUZZ_CHECK(where >= 0 && (layouts.empty() ? where == 0 : where < static_cast<int>(layouts.size())));
    for (const IOLayout& layout : layouts)
      FUZZ_CHECK(layout.BusCount(direction) <= buses);

    const bool wildcard = !layouts.empty() && layouts.front().HasWildcard(direction);
    for (int bus = -1; bus <= std::min(buses, 64); ++bus)
    {
      const int channels = processor.MaxChannelsOnBus(direction, bus);
      if (wildcard)
        FUZZ_CHECK(channels == -1);
      else if (bus < 0 || bus >= buses)
        FUZZ_CHECK(channels == 0);
      else
        FUZZ_CHECK(channels >= 0);
    }
    for (int count : {0, 1, 2, 3, buses, INT32_MAX})
      for (int bus : {-1, 0, 1, buses, INT32_MIN, INT32_MAX})
      {
        std::string name = "unchanged";
        processor.BusNameFor(direction, bus, count, name);
        FUZZ_CHECK(!name.empty() && name.size() <= static_cast<size_t>(IPlugProcessor::kMaxBusNameLength));
      }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  // The grammar reads a C string: it ends at the first NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::vector<IOLayout> layouts;
  int maxIn = -1, maxOut = -1, maxInBuses = -1, maxOutBuses = -1;
  const int added = IPlugProcessor::ParseIOLayouts(text.c_str(), layouts, maxIn, maxOut, maxInBuses, maxOutBuses);
  FUZZ_CHECK(added == static_cast<int>(layouts.size()));
  FUZZ_CHECK(maxIn >= 0 && maxOut >= 0 && maxInBuses >= 0 && maxOutBuses >= 0);
  for (const IOLayout& layout : layouts)
  {
    FUZZ_CHECK(layout.BusCount(kIn) <= maxInBuses && layout.BusCount(kOut) <= maxOutBuses);
    for (ChannelDirection direction : {kIn, kOut})
      for (const BusSpec& bus : layout.Buses(direction))
        FUZZ_CHECK(bus.mChannelCount != 0 && bus.mDirection == direction);
  }

  // Appending to a list that already holds layouts adds the same count again.
  std::vector<IOLayout> twice = layouts;
  int a = 0, b = 0, c = 0, d = 0;
  FUZZ_CHECK(IPlugProcessor::ParseIOLayouts(text.c_str(), twice, a, b, c, d) == added);
  FUZZ_CHECK(twice.size() == 2 * layouts.size());
  FUZZ_CHECK(a == maxIn && b == maxOut && c == maxInBuses && d == maxOutBuses);

  if (maxIn > kMaxChannelsToBuild || maxOut > kMaxChannelsToBuild)
    return 0;
  PluginConfig config = quorvane::MakeConfig();
  config.mChannelIOString = text.c_str();
  const Processor processor(config);
  CheckLayoutQueries(processor, layouts, maxIn, maxOut);
  return 0;
}
