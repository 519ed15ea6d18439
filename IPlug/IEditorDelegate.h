#pragma once
// The bottom of the plug-in object: it owns the parameter list and defines the messages that pass
// between the plug-in side and its editor (parameter values, MIDI, SysEx, tagged messages, editor
// size and state). Hooks default to doing nothing so each layer above overrides only what it needs.

#include <memory>
#include <vector>

#include "IPlug/IPlugParameter.h"
#include "IPlug/IPlugStructs.h"
#include "IPlug/StateBuffer.h"

namespace iplug {

// Where a parameter change came from.
enum ParamSource : int
{
  kReset = 0,
  kHost = 1,
  kPresetRecall = 2,
  kUI = 3,
  kDelegate = 4,
  kRecompile = 5,
  kUnknown = 6,
  kNumParamSources
};

// "Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile", "Unknown"; out-of-range gives "Unknown".
const char* ParamSourceName(ParamSource source);

class IEditorDelegate
{
public:
  // construction (UI thread); all parameters undefined
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();

  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // UI thread. Opens the editor inside `parent`; returns the window handle (none here).
  virtual void* OpenEditor(void* parent);
  // UI thread
  virtual void CloseEditor();
  // UI thread; default sends every current value to the controls
  virtual void OnEditorOpened();
  // UI thread
  virtual void OnEditorClosed();

  // wherever the change is applied (host thread, UI thread, state restore); the plug-in's DSP handler
  virtual void OnParamChange(int paramIdx);
  // as above; traces the change, then calls OnParamChange(paramIdx)
  virtual void OnParamChange(int paramIdx, ParamSource source, int sampleOffset = -1);
  // as above; the hook an editor-aware layer uses to follow changes
  virtual void ParamChangedForEditor(int paramIdx, ParamSource source);
  // host or UI thread; OnParamChange then ParamChangedForEditor for every parameter in index order
  virtual void NotifyAllParamsChanged(ParamSource source);

  // UI thread
  virtual void OnMidiForEditor(const MidiMessage& message);
  virtual void OnSysExForEditor(const SysExMessage& message);
  virtual bool OnDelegateMessage(int msgTag, int ctrlTag, int dataSize, const void* data);
  // UI or host thread, after a state restore; default sends every current value to the controls
  virtual void OnStateRestored();

  // UI thread, editor open; true when the editor took the key
  virtual bool ForwardKeyDown(const IKeyPress& key);
  virtual bool ForwardKeyUp(const IKeyPress& key);

  // UI thread. Plug-in side to editor.
  virtual void SendValueToControlByTag(int ctrlTag, double normalizedValue);
  virtual void SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data);
  virtual void SendMessageToEditor(int msgTag, int dataSize, const void* data);
  virtual void SendMidiToEditor(const MidiMessage& message);
  virtual void SendSysExToEditor(const SysExMessage& message);
  virtual void SendParamValueToControls(int paramIdx, double value, bool normalized);

  // UI thread. Editor to plug-in side.
  virtual void PushAllParamsToHost();
  virtual void BeginParamGestureFromUI(int paramIdx) = 0;
  virtual void SendParamValueFromUI(int paramIdx, double normalizedValue);
  virtual void EndParamGestureFromUI(int paramIdx) = 0;
  virtual bool ResizeRequestFromEditor(int width, int height, bool needsPlatformResize);
  virtual void SendMidiFromUI(const MidiMessage& message);
  virtual void SendSysExFromUI(const SysExMessage& message);
  virtual void SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* data);
  virtual void QueueMidiFromUI(const MidiMessage& message);
  virtual void QueueSysExFromUI(const SysExMessage& message);

  // host thread (state save/restore). The base editor state is empty.
  virtual bool WriteEditorState(StateBuffer& chunk) const;
  virtual int ReadEditorState(const StateBuffer& chunk, int startPos);
  // UI thread
  virtual void SetEditorScreenScale(float scale);

  // UI thread; SendParamValueToControls(i, normalised current value, true) for every parameter
  void SendCurrentValuesToControls();

  // any thread; null outside the list. The list itself never changes after construction.
  IParam* GetParam(int paramIdx);
  const IParam* GetParam(int paramIdx) const;
  int NParams() const { return static_cast<int>(mParams.size()); }

  // Editor size and limits (editor units); set at construction by the API layer.
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  // construction; afterwards the host binding, when the host resizes the editor (UI thread)
  void SetEditorSize(int width, int height);
  void SetSizeConstraints(int minWidth, int maxWidth, int minHeight, int maxHeight);

private:
  std::vector<std::unique_ptr<IParam>> mParams;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 10;
  int mMaxWidth = 100000;
  int mMinHeight = 10;
  int mMaxHeight = 100000;
};

} // namespace iplug
