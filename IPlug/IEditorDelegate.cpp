#include "IPlug/IEditorDelegate.h"

#include "IPlug/IPlugLogger.h"

namespace iplug {

namespace {
constexpr const char* kParamSourceNames[kNumParamSources] = {"Reset",           "Host",      "Preset", "UI",
                                                             "Editor Delegate", "Recompile", "Unknown"};
}

const char* ParamSourceName(ParamSource source)
{
  if (source < 0 || source >= kNumParamSources)
    return kParamSourceNames[kUnknown];
  return kParamSourceNames[source];
}

IEditorDelegate::IEditorDelegate(int nParams)
{
  const int n = nParams > 0 ? nParams : 0;
  mParams.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

void* IEditorDelegate::OpenEditor(void*)
{
  OnEditorOpened();
  return nullptr;
}

void IEditorDelegate::CloseEditor() { OnEditorClosed(); }

void IEditorDelegate::OnEditorOpened() { SendCurrentValuesToControls(); }

void IEditorDelegate::OnEditorClosed() {}

void IEditorDelegate::OnParamChange(int) {}

void IEditorDelegate::OnParamChange(int paramIdx, ParamSource source, int)
{
  Trace(__func__, __LINE__, "idx:%i src:%s\n", paramIdx, ParamSourceName(source));
  OnParamChange(paramIdx);
}

void IEditorDelegate::ParamChangedForEditor(int, ParamSource) {}

void IEditorDelegate::NotifyAllParamsChanged(ParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    ParamChangedForEditor(i, source);
  }
}

void IEditorDelegate::OnMidiForEditor(const MidiMessage&) {}

void IEditorDelegate::OnSysExForEditor(const SysExMessage&) {}

bool IEditorDelegate::OnDelegateMessage(int, int, int, const void*) { return false; }

void IEditorDelegate::OnStateRestored() { SendCurrentValuesToControls(); }

bool IEditorDelegate::ForwardKeyDown(const IKeyPress&) { return false; }

bool IEditorDelegate::ForwardKeyUp(const IKeyPress&) { return false; }

void IEditorDelegate::SendValueToControlByTag(int, double) {}

void IEditorDelegate::SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  OnDelegateMessage(msgTag, ctrlTag, dataSize, data);
}

void IEditorDelegate::SendMessageToEditor(int msgTag, int dataSize, const void* data)
{
  OnDelegateMessage(msgTag, -1, dataSize, data);
}

void IEditorDelegate::SendMidiToEditor(const MidiMessage& message) { OnMidiForEditor(message); }

void IEditorDelegate::SendSysExToEditor(const SysExMessage& message) { OnSysExForEditor(message); }

void IEditorDelegate::SendParamValueToControls(int paramIdx, double, bool)
{
  ParamChangedForEditor(paramIdx, kDelegate);
}

void IEditorDelegate::PushAllParamsToHost() {}

void IEditorDelegate::SendParamValueFromUI(int paramIdx, double normalizedValue)
{
  if (IParam* param = GetParam(paramIdx))
    param->SetFromNormalized(normalizedValue);
  ParamChangedForEditor(paramIdx, kUI);
}

bool IEditorDelegate::ResizeRequestFromEditor(int, int, bool) { return false; }

void IEditorDelegate::SendMidiFromUI(const MidiMessage&) {}

void IEditorDelegate::SendSysExFromUI(const SysExMessage&) {}

void IEditorDelegate::SendMessageFromUI(int, int, int, const void*) {}

void IEditorDelegate::QueueMidiFromUI(const MidiMessage&) {}

void IEditorDelegate::QueueSysExFromUI(const SysExMessage&) {}

bool IEditorDelegate::WriteEditorState(StateBuffer&) const { return true; }

int IEditorDelegate::ReadEditorState(const StateBuffer&, int startPos) { return startPos; }

void IEditorDelegate::SetEditorScreenScale(float) {}

void IEditorDelegate::SendCurrentValuesToControls()
{
  for (int i = 0; i < NParams(); ++i)
    SendParamValueToControls(i, mParams[static_cast<size_t>(i)]->GetNormalized(), true);
}

IParam* IEditorDelegate::GetParam(int paramIdx)
{
  if (paramIdx < 0 || paramIdx >= NParams())
    return nullptr;
  return mParams[static_cast<size_t>(paramIdx)].get();
}

const IParam* IEditorDelegate::GetParam(int paramIdx) const
{
  if (paramIdx < 0 || paramIdx >= NParams())
    return nullptr;
  return mParams[static_cast<size_t>(paramIdx)].get();
}

void IEditorDelegate::SetEditorSize(int width, int height)
{
  mEditorWidth = width;
  mEditorHeight = height;
}

void IEditorDelegate::SetSizeConstraints(int minWidth, int maxWidth, int minHeight, int maxHeight)
{
  mMinWidth = minWidth;
  mMaxWidth = maxWidth;
  mMinHeight = minHeight;
  mMaxHeight = maxHeight;
}

} // namespace iplug
