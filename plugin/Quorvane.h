#pragma once
// Quorvane, Kestrove's stereo bus compressor: identity, channel layouts, the parameter table and
// the state layout (editor size and zoom, then every parameter value).

#include "IPlug/IPlugLatestValue.h"
#include "plugin/QuorvaneDSP.h"
#include "plugin/QuorvaneParams.h"

// One source for every format. AAX derives the class from its binding; every other format owns a
// format-neutral instance and translates for it.
#if defined(QUORVANE_HOSTED)
#include "IPlug/IPlugHosted.h"
namespace quorvane {
using QuorvaneBinding = iplug::IPlugHosted;
}
#else
#include "IPlug/AAX/IPlugAAX.h"
namespace quorvane {
using QuorvaneBinding = iplug::IPlugAAX;
}
#endif

namespace quorvane {

// The construction record every framework base receives.
iplug::PluginConfig MakeConfig();

class Quorvane : public QuorvaneBinding
{
public:
  // UI thread (the host's create procedure 0); valid without a host
  Quorvane();
  ~Quorvane() override;

  // wherever the framework applies a change; stores the parameter's DSP value
  void OnParamChange(int paramIdx) override;
  using iplug::IPlugAPIBase::OnParamChange;

  // audio thread: the signal chain, then the meter hand-over and any latency change
  void ProcessAudioBlock(iplug::sample** inputs, iplug::sample** outputs, int nFrames) override;
  // audio thread after a block-size change, or host thread after a rate change
  void ResetProcessing() override;
  // UI thread, every timer tick: the newest meter value goes to the controls of parameter 10 (the
  // editor's own tick does the same, so the needle moves at the editor's refresh)
  void IdleHook() override;
  // UI thread: the newest meter value, if one arrived, to the meter control.
  void DeliverMeter();

  // host thread: editor size and zoom, then every parameter value
  bool WriteState(iplug::StateBuffer& chunk) const override;
  int ReadState(const iplug::StateBuffer& chunk, int startPos) override;

  // any thread, for tests and diagnostics
  const QuorvaneDSP& GetDSP() const { return mDSP; }
  // any thread: the reference chain instead of the block-processed one (see QuorvaneDSP)
  void SetExactChain(bool exact) { mDSP.SetExactChain(exact); }

private:
  void DefineParameters();

  QuorvaneDSP mDSP;
  iplug::IPlugLatestValue<double> mMeterValue;
};

} // namespace quorvane
