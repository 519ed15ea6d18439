#pragma once
// A concrete frame for the tests: records, when asked, the inputs ProcessAudioBlock sees.

#include "IPlug/IPlugProcessor.h"

#include <vector>

namespace quorvane::test {

inline constexpr const char* kQuorvaneIO = "1-1 1.1-1 1.2-1 1.2-2 2.1-1 2.1-2 2-2 2.2-2";

class TestProcessor : public iplug::IPlugProcessor
{
public:
  explicit TestProcessor(const char* io = kQuorvaneIO)
    : IPlugProcessor(iplug::PluginConfig{.mChannelIOString = io})
  {}

  bool EmitMidiMessage(const iplug::MidiMessage&) override { return true; }

  // Off by default so the allocation test measures the frame alone.
  void ProcessAudioBlock(iplug::sample** inputs, iplug::sample** outputs, int frames) override
  {
    if (mRecordInputs)
    {
      mSeenInputs.resize(static_cast<size_t>(ChannelCount(iplug::ChannelDirection::Input)));
      for (size_t c = 0; c < mSeenInputs.size(); ++c)
        mSeenInputs[c].assign(inputs[c], inputs[c] + frames);
    }
    IPlugProcessor::ProcessAudioBlock(inputs, outputs, frames);
  }

  bool mRecordInputs = false;
  std::vector<std::vector<double>> mSeenInputs;
};

} // namespace quorvane::test
