#pragma once
// A rectangle on the editor surface that holds one normalised value per bound parameter, draws
// itself when asked and reacts to the pointer events the graphics context routes to it.
// Everything here runs on the UI thread (the editor window's thread).

#include <map>
#include <string>
#include <vector>

#include "IPlug/IPlugStructs.h"
#include "editor/controls/IGraphicsStructs.h"

namespace iplug {
class IGEditorDelegate;
class IParam;
} // namespace iplug

namespace iplug::igraphics {

class IGraphics;
class IPopupMenu;

class IControl
{
public:
  // Value index meaning "every value of the control".
  static constexpr int kAllVals = -1;

  struct ValueEntry
  {
    int mParamIdx = -1;
    double mValue = 0.0;
  };

  explicit IControl(const IBounds& bounds, int paramIdx = -1, ControlAction actionFunc = nullptr);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Pointer, wheel and keys (coordinates in editor units).
  virtual void PointerDown(float x, float y, const IPointerMods& mod);
  virtual void PointerUp(float x, float y, const IPointerMods& mod);
  virtual void PointerDrag(float x, float y, float dX, float dY, const IPointerMods& mod);
  virtual void PointerDoubleClick(float x, float y, const IPointerMods& mod);
  virtual void WheelTurned(float x, float y, const IPointerMods& mod, float d);
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key);
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key);
  virtual void PointerOver(float x, float y, const IPointerMods& mod);
  virtual void PointerLeft();
  virtual void OnDropMultiple(const std::vector<std::string>& paths);
  virtual void FileDropped(const char* path);

  // Life cycle and geometry notifications.
  virtual void ScaleChanged();
  virtual void BoundsChanged();
  virtual void ControlCreated();
  virtual void ControlAttached();
  // A message addressed to this control's tag by the plug-in.
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* data);
  virtual void MidiForControl(const MidiMessage& message);
  virtual void GestureRecognised(const IGestureInfo& info);

  // Menus and prompts.
  virtual void BuildContextMenu(IPopupMenu& menu);
  // menu is null when the user dismissed it.
  virtual void PopupMenuChosen(IPopupMenu* menu, int valIdx);
  virtual void OnTextEntryCompletion(const char* text, int valIdx);
  virtual void ContextMenuChosen(int itemIdx);

  // Drawing; the context has clipped to the area being repainted.
  virtual void Draw(IGraphics& g) = 0;
  virtual void DrawHostHighlight(IGraphics& g);

  // Values. valIdx -1 addresses every value.
  // Throws std::out_of_range for a value index outside the value list.
  virtual void BindParam(int paramIdx, int valIdx = 0);
  virtual int ValueIndexAt(float x, float y) const;
  // A value from the plug-in or the host; ignored while a pointer holds this control.
  virtual void TakeValueFromDelegate(double value, int valIdx = 0);
  // A value the user made: announced to the plug-in and the action when it changes anything.
  virtual void TakeValueFromUser(double value, int valIdx = 0);
  virtual void ResetValueToDefault(int valIdx = kAllVals);
  // Stores the value, nothing else.
  virtual void SetValue(double value, int valIdx = 0);
  virtual void SetText(const ITextStyle& style);
  virtual void MoveControlTo(float x, float y);
  virtual void ResizeControl(float w, float h);
  virtual void SetHidden(bool hide);
  virtual void SetControlDisabled(bool disabled);
  virtual bool HitTest(float x, float y) const;
  // Clamps the addressed values to [0, 1] and sets the dirty flag; with triggerAction the change
  // goes to the plug-in, to the peers bound to the same parameter and to the action function.
  virtual void MarkDirty(bool triggerAction = true, int valIdx = kAllVals);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const;
  virtual void OnIdle();
  virtual void SetValueFromPointer(float x, float y, const IPointerMods& mod);
  // Clears the animation, marks dirty, then runs the animation-end action.
  virtual void AnimationEnded();

  // Prompts for a value through the context (nothing while prompting is disabled).
  void OpenValuePrompt(int valIdx);

  // Attachment (the graphics context does this).
  void SetDelegate(IGEditorDelegate& dlg) { mDelegate = &dlg; }
  void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  IGraphics* GetUI() const { return mGraphics; }
  void SetGroup(const char* group) { mGroup = group ? group : ""; }
  const std::string& GetGroup() const { return mGroup; }

  // Value list.
  int NVals() const { return static_cast<int>(mVals.size()); }
  // Grows with unbound zero entries or shrinks; at least one entry stays.
  void SetNVals(int n);
  double GetValue(int valIdx = 0) const;
  // -1 for an index outside the list.
  int GetParamIdx(int valIdx = 0) const;
  // null when the slot has no parameter or the delegate does not know it.
  const IParam* GetParam(int valIdx = 0) const;
  // Whether any value slot is bound to paramIdx.
  bool IsLinkedToParam(int paramIdx) const;

  // Geometry.
  const IBounds& GetRECT() const { return mRECT; }
  const IBounds& GetTargetRECT() const { return mTargetRECT; }
  void SetRECT(const IBounds& bounds) { mRECT = bounds; }
  void SetTargetRECT(const IBounds& bounds) { mTargetRECT = bounds; }
  void SetTargetAndDrawRECTs(const IBounds& bounds) { mRECT = mTargetRECT = bounds; }

  // Flags.
  bool IsDirty() const { return mDirty; }
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetDoubleClickAsSingle() const { return mDblAsSingleClick; }
  void SetDoubleClickAsSingle(bool b) { mDblAsSingleClick = b; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseOverWhenDisabled(bool b) { mMouseOverWhenDisabled = b; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool b) { mMouseEventsWhenDisabled = b; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  void SetIgnoreMouse(bool b) { mIgnoreMouse = b; }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool b) { mWantsMidi = b; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool b) { mWantsMultiTouch = b; }
  bool GetPromptAppendsLabel() const { return mPromptShowsParamLabel; }
  void SetPromptAppendsLabel(bool b) { mPromptShowsParamLabel = b; }
  bool GetMouseIsOver() const { return mMouseIsOver; }

  const ITextStyle& GetText() const { return mText; }
  const IBlendMode& GetBlend() const { return mBlend; }
  void SetBlend(const IBlendMode& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTooltip(const char* text) { mTooltip = text ? text : ""; }

  // Host highlight: a dot in the top-right corner while the host points at this parameter.
  void SetHighlight(bool highlighted) { mIsHighlighted = highlighted; }
  void SetHighlightColor(const IColor& color) { mHighlightColor = color; }
  bool GetHighlighted() const { return mIsHighlighted; }
  const IColor& GetHighlightColor() const { return mHighlightColor; }

  // Action and animation. Time comes from the context's clock, in milliseconds.
  void SetActionFunction(ControlAction func) { mActionFunc = std::move(func); }
  const ControlAction& GetActionFunction() const { return mActionFunc; }
  void SetAnimationEndActionFunction(ControlAction func) { mAnimationEndActionFunc = std::move(func); }
  void SetAnimation(ControlAction func) { mAnimationFunc = std::move(func); }
  // Sets the function and starts it now for `durationMs`.
  void SetAnimation(ControlAction func, double durationMs);
  // elapsedMs: start as if that much of the animation had already run.
  void StartAnimation(double durationMs, double elapsedMs = 0.0);
  const ControlAction& GetAnimationFunction() const { return mAnimationFunc; }
  double GetAnimationStartTime() const { return mAnimationStartTime; }
  double GetAnimationDuration() const { return mAnimationDuration; }
  // Elapsed time over duration; 0 without a context or a duration.
  double GetAnimationProgress() const;

  void AttachGestureRecognizer(int kind, IGestureFunc func) { mGestureFuncs[kind] = std::move(func); }
  int GetLastGesture() const { return mLastGesture; }

protected:
  IBounds mRECT;
  IBounds mTargetRECT;
  std::string mGroup;
  ITextStyle mText;
  IBlendMode mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMidi = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  std::string mTooltip;
  IColor mHighlightColor{255, 255, 0, 0};
  bool mIsHighlighted = false;
  IGEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
  ControlAction mActionFunc;
  ControlAction mAnimationEndActionFunc;
  ControlAction mAnimationFunc;
  double mAnimationStartTime = 0.0;
  double mAnimationDuration = 0.0;
  std::vector<ValueEntry> mVals;
  std::map<int, IGestureFunc> mGestureFuncs;
  int mLastGesture = 0;
};

} // namespace iplug::igraphics
