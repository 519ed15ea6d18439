#include "IPlug/IPlugAPIBase.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "IPlug/IPlugLogger.h"

namespace iplug {

namespace {

struct HostKey
{
  const char* key;
  int code;
};

// Test order matters: "wavelab elements" before "wavelab", and the loosest keys last.
constexpr HostKey kHostKeys[] = {
  {"reaper", 1},
  {"protools", 2},
  {"cubase", 3},
  {"nuendo", 4},
  {"cakewalk", 5},
  {"vegas", 6},
  {"fruity", 7},
  {"samplitude", 8},
  {"live", 9},
  {"tracktion", 10},
  {"ntracks", 11},
  {"melodyne", 12},
  {"vstmanlib", 13},
  {"aulab", 14},
  {"forte", 15},
  {"chainer", 16},
  {"audition", 17},
  {"orion", 18},
  {"bias", 19},
  {"sawstudio", 20},
  {"logic", 21},
  {"garageband", 22},
  {"digital", 23},
  {"audiomulch", 25},
  {"presonus", 26},
  {"vst3plugintesthost", 27},
  {"ardour", 28},
  {"renoise", 29},
  {"openmpt", 30},
  {"wavelab elements", 32},
  {"wavelab", 31},
  {"twistedwave", 33},
  {"bitwig studio", 34},
  {"reason", 36},
  {"gwvst", 37},
  {"waveform", 38},
  {"audacity", 39},
  {"acoustica", 40},
  {"plugindoctor", 41},
  {"izotope rx", 42},
  {"savihost", 43},
  {"blue cat's vst host", 44},
  {"mixbus", 45},
  {"standalone", 24},
  {"www", 35},
};

} // namespace

IPlugAPIBase::IPlugAPIBase(const PluginConfig& config, int apiCode)
  : IPluginBase(config, apiCode)
{
  SetEditorSize(config.mEditorWidth, config.mEditorHeight);
  SetSizeConstraints(std::min(config.mEditorMinWidth, config.mEditorMaxWidth),
                     std::max(config.mEditorMinWidth, config.mEditorMaxWidth),
                     std::min(config.mEditorMinHeight, config.mEditorMaxHeight),
                     std::max(config.mEditorMinHeight, config.mEditorMaxHeight));
  Trace(__func__, __LINE__, "%s:%s", GetPluginName(), GetPluginVersionStr().c_str());
}

IPlugAPIBase::~IPlugAPIBase()
{
  // No tick may reach a half-destroyed object.
  mTimer.reset();
}

int IPlugAPIBase::IdentifyHostByName(const char* name)
{
  // Names longer than the buffer are cut; every key is far shorter.
  char lower[kMaxHostNameLength + 1] = {};
  if (name != nullptr)
  {
    for (int i = 0; i < kMaxHostNameLength && name[i] != '\0'; ++i)
      lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  for (const HostKey& entry : kHostKeys)
  {
    if (std::strstr(lower, entry.key) != nullptr)
      return entry.code;
  }
  return kHostUnknown;
}

void IPlugAPIBase::SetHost(const char* name, int version)
{
  const int host = IdentifyHostByName(name);
  SetHostCode(host, version);
  Trace(__func__, __LINE__, "host_%sknown:%s:%s", host == kHostUnknown ? "un" : "", name != nullptr ? name : "",
        GetHostVersionStr().c_str());
  HostIdentifiedHook();
  HostSetupHook();
}

void IPlugAPIBase::CreateTimer()
{
  mTimer = Timer::Create([this](Timer& timer) { OnTimerTick(timer); }, kTimerIntervalMs);
}

void IPlugAPIBase::OnTimerTick(Timer&)
{
  if (HasEditor())
  {
    ApplyDeferredEditorChanges();

    ParamTuple param;
    while (mParamChangeToUIQueue.Pop(param))
      SendParamValueToControls(param.mIndex, param.mValue, false);

    MidiMessage midi;
    while (mMidiMsgsFromProcessor.Pop(midi))
      SendMidiToEditor(midi);

    SysExData sysex;
    while (mSysExDataFromProcessor.Pop(sysex))
      SendSysExToEditor(SysExMessage{sysex.mOffset, sysex.mSize, sysex.mData});
  }
  OnBindingIdle();
  IdleHook();
}

void* IPlugAPIBase::OpenEditor(void* parent)
{
  // Open before the values are shown: a host change after this point is queued and arrives after them.
  mEditorOpen.store(true);
  DropParamChangesToUI();
  void* view = IPluginBase::OpenEditor(parent);
  if (view == nullptr)
    mEditorOpen.store(false);
  return view;
}

void IPlugAPIBase::CloseEditor()
{
  IPluginBase::CloseEditor();
  mEditorOpen.store(false);
  DropParamChangesToUI();
}

void IPlugAPIBase::DropParamChangesToUI()
{
  ParamTuple stale;
  while (mParamChangeToUIQueue.Pop(stale))
  {
  }
}

void IPlugAPIBase::SetParameterValueFromHost(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (param == nullptr)
    return;
  param->SetFromNormalized(normalizedValue);
  PostParamValueToUI(paramIdx, normalizedValue, true);
  OnParamChange(paramIdx, kHost, -1);
}

void IPlugAPIBase::SetParameterRealValueFromHost(int paramIdx, double value)
{
  IParam* param = GetParam(paramIdx);
  if (param == nullptr)
    return;
  param->Set(value);
  PostParamValueToUI(paramIdx, param->Value(), false);
  OnParamChange(paramIdx, kHost, -1);
}

void IPlugAPIBase::SetParameterFromUI(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (param == nullptr)
    return;
  param->SetFromNormalized(normalizedValue);
  ParamValueToHost(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
}

bool IPlugAPIBase::StateMatches(const StateBuffer& state) const
{
  // The editor's values lead the state; only the parameters are compared.
  StateBuffer editorState;
  WriteEditorState(editorState);
  int pos = editorState.Size();

  // A state too short to hold every value cannot be the current one.
  if (static_cast<int64_t>(pos) + 8 * static_cast<int64_t>(NParams()) > state.Size())
    return false;

  for (int i = 0; i < NParams(); ++i)
  {
    double stored = 0.0;
    pos = state.Get(stored, pos);
    const float a = static_cast<float>(stored);
    const float b = static_cast<float>(GetParam(i)->Value());
    if (!(std::fabs(a - b) < 1e-5f))
      return false;
  }
  return true;
}

void IPlugAPIBase::PostParamValueToUI(int paramIdx, double value, bool normalized)
{
  if (!mEditorOpen.load())
    return;
  if (normalized)
  {
    if (const IParam* param = GetParam(paramIdx))
      value = param->ValueFromNormalized(value);
  }
  // Hosts deliver parameter updates on whichever thread they like (automation, their own controls,
  // answers to the editor's requests), so the ring can see several producers; they take turns here.
  // Never the audio thread: the meter has its own hand-over.
  std::lock_guard<std::mutex> producers(mParamToUIProducers);
  mParamChangeToUIQueue.Push(ParamTuple{paramIdx, value});
}

bool IPlugAPIBase::ResizeHostView(int, int) { return false; }

void IPlugAPIBase::BeginParamChangeToHost(int) {}

void IPlugAPIBase::EndParamChangeToHost(int) {}

void IPlugAPIBase::ParamValueToHost(int, double) {}

void IPlugAPIBase::BeginParamGestureFromUI(int paramIdx) { BeginParamChangeToHost(paramIdx); }

void IPlugAPIBase::SendParamValueFromUI(int paramIdx, double normalizedValue)
{
  SetParameterFromUI(paramIdx, normalizedValue);
  IPluginBase::SendParamValueFromUI(paramIdx, normalizedValue);
}

void IPlugAPIBase::EndParamGestureFromUI(int paramIdx) { EndParamChangeToHost(paramIdx); }

void IPlugAPIBase::PushAllParamsToHost()
{
  for (int i = 0; i < NParams(); ++i)
    ParamValueToHost(i, GetParam(i)->GetNormalized());
}

bool IPlugAPIBase::ResizeRequestFromEditor(int width, int height, bool needsPlatformResize)
{
  PublishEditorSize();
  return needsPlatformResize ? ResizeHostView(width, height) : true;
}

void IPlugAPIBase::SendMidiFromUI(const MidiMessage& message) { QueueMidiFromUI(message); }

void IPlugAPIBase::SendSysExFromUI(const SysExMessage& message) { QueueSysExFromUI(message); }

void IPlugAPIBase::SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* data)
{
  OnDelegateMessage(msgTag, ctrlTag, dataSize, data);
}

void IPlugAPIBase::QueueMidiFromUI(const MidiMessage& message) { mMidiMsgsFromEditor.Push(message); }

void IPlugAPIBase::QueueSysExFromUI(const SysExMessage& message)
{
  SysExData record;
  record.mOffset = message.mOffset;
  // A message longer than a record is cut to fit; the size always describes the bytes really stored.
  const int size = std::clamp(message.mSize, 0, static_cast<int>(sizeof(record.mData)));
  record.mSize = size;
  if (message.mData != nullptr && size > 0)
    std::memcpy(record.mData, message.mData, static_cast<size_t>(size));
  mSysExDataFromEditor.Push(record);
}

} // namespace iplug
