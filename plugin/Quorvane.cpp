#include "plugin/Quorvane.h"

#include "plugin/QuorvaneEditor.h"

namespace quorvane {

using namespace iplug;

static_assert(QuorvaneDSP::kOversamplingLatency == kMaxLatency, "the largest latency the formats declare");

PluginConfig MakeConfig()
{
  PluginConfig config;
  config.mParamCount = kNumParams;
  config.mPresetCount = kNumPresets;
  config.mChannelIOString = kChannelIOString;
  config.mPluginName = identity::kName;
  config.mProductName = identity::kName;
  config.mMakerName = identity::kMaker;
  config.mVersion = identity::kVersion;
  config.mUniqueId = FourCharCode(identity::kPluginCode);
  config.mMakerId = FourCharCode(identity::kMakerCode);
  config.mLatency = 0;
  config.mAcceptsMidiInput = false;
  config.mProducesMidiOutput = false;
  config.mDoesMPE = false;
  config.mStateAsChunks = true;
  config.mPluginKind = kEffect;
  config.mHasEditor = true;
  config.mEditorWidth = kEditorWidth;
  config.mEditorHeight = kEditorHeight;
  config.mEditorMinWidth = kEditorWidth / 2;
  config.mEditorMaxWidth = kEditorWidth * 2;
  config.mEditorMinHeight = kEditorHeight / 2;
  config.mEditorMaxHeight = kEditorHeight * 2;
  config.mHostMayResizeEditor = false;
  config.mBundleId = "";
  return config;
}

Quorvane::Quorvane()
  : QuorvaneBinding(MakeConfig())
{
  DefineParameters();
  // Toggling oversampling reports a latency from the audio thread; the bypass delay must not grow there.
  ReserveLatency(kMaxLatency);
  // Nothing else guarantees every parameter reaches the DSP before the first block, so say each
  // value once now.
  NotifyAllParamsChanged(kReset);

  AttachEditor(*this);
}

Quorvane::~Quorvane()
{
  // Before any member goes: a tick reaching IdleHook now would find the meter hand-over gone.
  StopTimer();
}

void Quorvane::DefineParameters()
{
  // Switches and choices first, then the continuous controls: the order the parameters were
  // always defined in.
  GetParam(kBypass)->DefineInt("Bypass", 1, 0, 1);
  GetParam(kExternalSidechain)->DefineInt("External Sidechain", 0, 0, 1);
  GetParam(kTurbo)->DefineInt("Turbo", 0, 0, 1);
  GetParam(kXFormer)->DefineInt("XFormer", 0, 0, 1);

  IParam* oversampling = GetParam(kOversampling);
  oversampling->DefineInt("Oversampling", 0, 0, 1);
  oversampling->AddDisplayText(0, "Oversampling Off");
  oversampling->AddDisplayText(1, "Oversampling On");

  IParam* attack = GetParam(kAttackTime);
  attack->DefineInt("Attack Time", 0, 0, 5);
  int i = 0;
  for (const char* text : {".1 ms", ".3 ms", "1 ms", "3 ms", "10 ms", "30 ms"})
    attack->AddDisplayText(i++, text);

  IParam* ratio = GetParam(kRatio);
  ratio->DefineInt("Ratio", 0, 0, 5);
  i = 0;
  for (const char* text : {"1.5:1", "2:1", "3:1", "4:1", "5:1", "10:1"})
    ratio->AddDisplayText(i++, text);

  IParam* release = GetParam(kReleaseTime);
  release->DefineInt("Release Time", 0, 0, 4);
  i = 0;
  for (const char* text : {".1 sec", ".3 sec", ".6 sec", "1.2 sec", "Auto"})
    release->AddDisplayText(i++, text);

  GetParam(kBoost)->DefineDouble("Boost", 0.0, 0.0, 10.0, 0.1, "dB");
  GetParam(kHF)->DefineDouble("HF", 100.0, 0.0, 100.0, 1.0, "%");
  GetParam(kHPF)->DefineDouble("HPF", 20.0, 20.0, 500.0, 1.0, "Hz");
  GetParam(kMakeupGain)->DefineDouble("Make-Up Gain", 0.0, 0.0, 15.0, 0.1, "dB");
  GetParam(kMidGain)->DefineDouble("Mid Gain", 0.0, -6.0, 6.0, 0.01, "dB");
  GetParam(kCompressorMix)->DefineDouble("Compressor Mix", 100.0, 0.0, 100.0, 1.0, "%");
  GetParam(kThreshold)->DefineDouble("Threshold", 15.0, -15.0, 15.0, 0.1, "dB");
  GetParam(kTransientMix)->DefineDouble("Transient Mix", 0.0, 0.0, 100.0, 1.0, "%");
  GetParam(kTransientTilt)->DefineDouble("Transient Tilt", 0.0, -6.0, 6.0, 0.1, "dB");
}

void Quorvane::OnParamChange(int paramIdx)
{
  if (const IParam* param = GetParam(paramIdx))
    mDSP.OnParamChange(paramIdx, param->Value());
}

void Quorvane::ProcessAudioBlock(sample** inputs, sample** outputs, int nFrames)
{
  const QuorvaneDSP::BlockResult result =
    mDSP.Process(inputs, outputs, nFrames, GetSampleRate(), ConnectedChannelCount(ChannelDirection::Output));
  mMeterValue.Publish(result.meterValue);
  ReportMeter(kMeter, result.meterValue);
  if (result.wantedLatency != GetLatency())
    ReportLatency(result.wantedLatency);
}

void Quorvane::ResetProcessing() { mDSP.Reset(GetSampleRate()); }

void Quorvane::IdleHook() { DeliverMeter(); }

void Quorvane::DeliverMeter()
{
  double meter = 0.0;
  if (mMeterValue.Take(meter))
    SendParamValueToControls(kMeter, meter, false);
}

bool Quorvane::WriteState(StateBuffer& chunk) const
{
  WriteEditorState(chunk);
  SerializeParams(chunk);
  return true;
}

int Quorvane::ReadState(const StateBuffer& chunk, int startPos)
{
  const int pos = ReadEditorState(chunk, startPos);
  return UnserializeParams(chunk, pos);
}

} // namespace quorvane
