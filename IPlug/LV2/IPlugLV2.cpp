#include "IPlug/LV2/IPlugLV2.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

namespace iplug {

namespace {
constexpr ChannelDirection kIn = ChannelDirection::Input;
// A NaN payload no host writes, so the first run applies every port.
constexpr uint32_t kNeverApplied = 0x7FC0DEADu;
} // namespace

IPlugLV2::IPlugLV2(std::unique_ptr<IPlugHosted> plug, const IPlugLV2_Info& info, const IPlugLV2_Variant& variant)
  : mPlug(std::move(plug))
  , mInfo(info)
{
  mPlug->SetBinding(this);
  mPorts = MakeLV2Ports(*mPlug, variant, info);
  mMainChannels = std::clamp(variant.mMainChannels, 0, std::max(mPlug->MaxChannelsOnBus(kIn, 0), 0));
  mPortData.assign(mPorts.size(), nullptr);
  mLastBits.assign(mPorts.size(), kNeverApplied);
  mParamPorts.assign(static_cast<size_t>(mPlug->NParams()), -1);
  mInputPorts.assign(static_cast<size_t>(mMainChannels), -1);
  mOutputPorts.assign(static_cast<size_t>(mMainChannels), -1);
  for (size_t i = 0; i < mPorts.size(); ++i)
  {
    const LV2Port& port = mPorts[i];
    const int index = static_cast<int>(i);
    switch (port.mKind)
    {
      case LV2PortKind::kAudioIn:
        if (port.mChannel < mMainChannels)
          mInputPorts[static_cast<size_t>(port.mChannel)] = index;
        break;
      case LV2PortKind::kAudioOut:
        if (port.mChannel < mMainChannels)
          mOutputPorts[static_cast<size_t>(port.mChannel)] = index;
        break;
      case LV2PortKind::kSideChainIn: mSideChainPort = index; break;
      case LV2PortKind::kParam: mParamPorts[static_cast<size_t>(port.mParamIdx)] = index; break;
      case LV2PortKind::kEnabled: mEnabledPort = index; break;
      case LV2PortKind::kLatency: mLatencyPort = index; break;
      case LV2PortKind::kMeter: mMeterPort = index; break;
      case LV2PortKind::kControl: mControlPort = index; break;
      case LV2PortKind::kNotify: mNotifyPort = index; break;
    }
  }
  mInputs.assign(static_cast<size_t>(mMainChannels), nullptr);
  mOutputs.assign(static_cast<size_t>(mMainChannels), nullptr);
}

// The plug-in goes first, while the binding it may still call is whole.
IPlugLV2::~IPlugLV2()
{
  mPlug->SetBinding(nullptr);
  mPlug.reset();
}

int IPlugLV2::PortOfParam(int paramIdx) const
{
  return paramIdx >= 0 && paramIdx < static_cast<int>(mParamPorts.size()) ? mParamPorts[static_cast<size_t>(paramIdx)]
                                                                           : -1;
}

float* IPlugLV2::PortBuffer(int port) const
{
  return port >= 0 ? static_cast<float*>(mPortData[static_cast<size_t>(port)]) : nullptr;
}

// ------------------------------------------------------------------------------------------ DSP side

bool IPlugLV2::InstantiateDSP(double sampleRate, const LV2_Feature* const* features)
{
  if (!IsSupportedSampleRate(sampleRate))
    return false;
  // Without the host's map (lv2apply has none) the plug-in still renders: it only cannot read options,
  // keep state or talk to the editor, which all speak in mapped URIs.
  const auto* map = static_cast<const LV2_URID_Map*>(FindLV2Feature(features, LV2_URID__map));
  mHasURIs = mURIs.Map(map, mInfo.mURIPrefix);
  if (mHasURIs)
    lv2_atom_forge_init(&mForge, const_cast<LV2_URID_Map*>(map));

  int blockSize = 0;
  const auto* options = static_cast<const LV2_Options_Option*>(FindLV2Feature(features, LV2_OPTIONS__options));
  if (mHasURIs && options != nullptr)
  {
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o)
    {
      if (o->key != mURIs.bufMaxBlockLength || o->value == nullptr)
        continue;
      if (o->type == mURIs.atomInt && o->size >= sizeof(int32_t))
        blockSize = *static_cast<const int32_t*>(o->value);
      else if (o->type == mURIs.atomLong && o->size >= sizeof(int64_t))
        blockSize = static_cast<int>(std::clamp<int64_t>(*static_cast<const int64_t*>(o->value), 0, 1 << 20));
    }
  }
  return mPlug->PrepareToRender(sampleRate, blockSize > 0 ? std::min(blockSize, 1 << 20) : kDefaultBlockSize);
}

void IPlugLV2::ConnectPort(uint32_t port, void* data)
{
  if (port < mPortData.size())
    mPortData[port] = data;
}

void IPlugLV2::Activate()
{
  // As a new start: every buffer cleared and the chain reset. Parameter values stay: a state restored
  // before activation must not be overwritten by ports that did not change.
  mPlug->ResetRendering();
}

void IPlugLV2::ReadControlPorts()
{
  for (int i = 0; i < static_cast<int>(mParamPorts.size()); ++i)
  {
    const int port = mParamPorts[static_cast<size_t>(i)];
    if (port < 0 || mPortData[static_cast<size_t>(port)] == nullptr)
      continue;
    const float value = *static_cast<const float*>(mPortData[static_cast<size_t>(port)]);
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    if (bits == mLastBits[static_cast<size_t>(port)])
      continue;
    mLastBits[static_cast<size_t>(port)] = bits;
    // The host's value, clamped into range, takes the path every host change takes.
    mPlug->SetParameterRealValueFromHost(i, value);
  }
}

void IPlugLV2::ReadMessages()
{
  if (mControlPort < 0 || !mHasURIs)
    return;
  const auto* sequence = static_cast<const LV2_Atom_Sequence*>(mPortData[static_cast<size_t>(mControlPort)]);
  if (sequence == nullptr || sequence->atom.type != mURIs.atomSequence)
    return;
  LV2_ATOM_SEQUENCE_FOREACH(sequence, event)
  {
    const LV2_Atom* body = &event->body;
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    if (ReadEditorSizeMessage(mURIs, body, width, height, scale))
      mPlug->RestoreEditorSize(width, height, scale);
    else if (body->type == mURIs.atomObject && body->size >= sizeof(LV2_Atom_Object_Body) &&
             reinterpret_cast<const LV2_Atom_Object*>(body)->body.otype == mURIs.editorSizeGet)
      mEditorSizeWanted.store(true, std::memory_order_relaxed);
  }
}

void IPlugLV2::WriteMessages()
{
  if (mNotifyPort < 0 || !mHasURIs)
    return;
  auto* sequence = static_cast<LV2_Atom_Sequence*>(mPortData[static_cast<size_t>(mNotifyPort)]);
  if (sequence == nullptr)
    return;
  // The host says how much room the buffer has in its size field.
  const uint32_t capacity = sequence->atom.size;
  lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(sequence), capacity);
  LV2_Atom_Forge_Frame frame;
  if (capacity < sizeof(LV2_Atom_Sequence) || !lv2_atom_forge_sequence_head(&mForge, &frame, 0))
    return;
  if (mEditorSizeWanted.exchange(false, std::memory_order_acquire))
  {
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    mPlug->GetStateEditorSize(width, height, scale);
    if (!lv2_atom_forge_frame_time(&mForge, 0) || !ForgeEditorSizeMessage(mURIs, mForge, width, height, scale))
      mEditorSizeWanted.store(true, std::memory_order_relaxed); // no room this time: the next run tries again
  }
  lv2_atom_forge_pop(&mForge, &frame);
}

void IPlugLV2::Run(uint32_t frames)
{
  ReadMessages();
  ReadControlPorts();

  bool bypassed = false;
  if (const float* enabled = PortBuffer(mEnabledPort))
    bypassed = *enabled < 0.5f;

  for (int c = 0; c < mMainChannels; ++c)
  {
    mInputs[static_cast<size_t>(c)] = PortBuffer(mInputPorts[static_cast<size_t>(c)]);
    mOutputs[static_cast<size_t>(c)] = PortBuffer(mOutputPorts[static_cast<size_t>(c)]);
  }
  IPlugHosted::HostAudio audio;
  audio.inputs = mInputs.data();
  audio.sideChain = PortBuffer(mSideChainPort);
  audio.outputs = mOutputs.data();
  audio.channels = mMainChannels;
  mPlug->Render(audio, static_cast<int>(std::min<uint32_t>(frames, std::numeric_limits<int>::max())), bypassed);

  if (float* latency = PortBuffer(mLatencyPort))
    *latency = static_cast<float>(mPlug->GetLatency());
  if (float* meter = PortBuffer(mMeterPort))
    *meter = static_cast<float>(mPlug->GetMeterValue());
  WriteMessages();
}

// ------------------------------------------------------------------------------------------ state

LV2_State_Status IPlugLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) const
{
  if (store == nullptr || !mHasURIs)
    return LV2_STATE_ERR_NO_FEATURE;
  StateBuffer state;
  if (!mPlug->WriteState(state))
    return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mURIs.state, state.GetData(), static_cast<size_t>(state.Size()), mURIs.atomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IPlugLV2::RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (retrieve == nullptr || !mHasURIs)
    return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, mURIs.state, &size, &type, &flags);
  if (data == nullptr)
    return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mURIs.atomChunk)
    return LV2_STATE_ERR_BAD_TYPE;
  // The state extension has no code for a value of the right type but the wrong size. The editor size
  // goes through the delegate's hand-over, so a restore beside a running block needs no lock; the editor
  // module hears the restored size through the next run.
  if (!mPlug->RestoreWholeState(data, size))
    return LV2_STATE_ERR_UNKNOWN;
  mEditorSizeWanted.store(true, std::memory_order_release);
  return LV2_STATE_SUCCESS;
}

// ------------------------------------------------------------------------------------------ editor side

void IPlugLV2::PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer,
                         const IPlugLV2_URIs& uris)
{
  if (port >= mPorts.size() || buffer == nullptr)
    return;
  const LV2Port& info = mPorts[port];
  if (format == 0)
  {
    if (bufferSize < sizeof(float))
      return;
    const float value = *static_cast<const float*>(buffer);
    if (info.mKind == LV2PortKind::kParam)
    {
      IParam* param = mPlug->GetParam(info.mParamIdx);
      param->Set(value);
      mPlug->SendParamValueToControls(info.mParamIdx, param->Value(), false);
    }
    else if (info.mKind == LV2PortKind::kMeter && std::isfinite(value))
      mPlug->SendParamValueToControls(info.mParamIdx, std::clamp(static_cast<double>(value), 0.0, 1.0), false);
    return;
  }
  if (format == uris.atomEventTransfer && info.mKind == LV2PortKind::kNotify && bufferSize >= sizeof(LV2_Atom))
  {
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    if (atom->size > bufferSize - sizeof(LV2_Atom))
      return;
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    if (ReadEditorSizeMessage(uris, atom, width, height, scale))
      mPlug->RestoreEditorSize(width, height, scale);
  }
}

void IPlugLV2::BeginParamChange(int paramIdx)
{
  if (const int port = PortOfParam(paramIdx); port >= 0 && mUIHost != nullptr)
    mUIHost->Touch(static_cast<uint32_t>(port), true);
}

void IPlugLV2::ParamValueChange(int paramIdx, double normalizedValue)
{
  const int port = PortOfParam(paramIdx);
  if (port < 0 || mUIHost == nullptr)
    return;
  const IParam* param = mPlug->GetParam(paramIdx);
  mUIHost->WriteControl(static_cast<uint32_t>(port), static_cast<float>(param->ValueFromNormalized(normalizedValue)));
}

void IPlugLV2::EndParamChange(int paramIdx)
{
  if (const int port = PortOfParam(paramIdx); port >= 0 && mUIHost != nullptr)
    mUIHost->Touch(static_cast<uint32_t>(port), false);
}

bool IPlugLV2::ResizeView(int width, int height)
{
  mPlug->SetEditorSize(width, height);
  if (mUIHost == nullptr)
    return false;
  int32_t w = 0;
  int32_t h = 0;
  float scale = 0.0f;
  mPlug->GetStateEditorSize(w, h, scale);
  mUIHost->SendEditorSize(w, h, scale);
  return mUIHost->ResizeHost(width, height);
}

} // namespace iplug
