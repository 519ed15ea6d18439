#include "editor/controls/IControl.h"

#include <algorithm>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/controls/IPopupMenu.h"
#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

IControl::IControl(const IBounds& bounds, int paramIdx, ControlAction actionFunc)
  : mRECT(bounds)
  , mTargetRECT(bounds)
  , mActionFunc(std::move(actionFunc))
{
  mVals.push_back({paramIdx, 0.0});
}

IControl::~IControl() = default;

void IControl::PointerDown(float x, float y, const IPointerMods& mod)
{
  if (mod.R)
    OpenValuePrompt(ValueIndexAt(x, y));
}

void IControl::PointerUp(float, float, const IPointerMods&) {}
void IControl::PointerDrag(float, float, float, float, const IPointerMods&) {}

void IControl::PointerDoubleClick(float x, float y, const IPointerMods&)
{
  OpenValuePrompt(ValueIndexAt(x, y));
}

void IControl::WheelTurned(float, float, const IPointerMods&, float) {}
bool IControl::OnKeyDown(float, float, const IKeyPress&) { return false; }
bool IControl::OnKeyUp(float, float, const IKeyPress&) { return false; }

void IControl::PointerOver(float, float, const IPointerMods&)
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = true;
  if (!wasOver)
    MarkDirty(false);
}

void IControl::PointerLeft()
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = false;
  if (wasOver)
    MarkDirty(false);
}

void IControl::OnDropMultiple(const std::vector<std::string>&) {}
void IControl::FileDropped(const char*) {}
void IControl::ScaleChanged() {}
void IControl::BoundsChanged() {}
void IControl::ControlCreated() {}
void IControl::ControlAttached() {}
void IControl::OnMsgFromDelegate(int, int, const void*) {}
void IControl::MidiForControl(const MidiMessage&) {}

void IControl::GestureRecognised(const IGestureInfo& info)
{
  auto it = mGestureFuncs.find(info.type);
  if (it == mGestureFuncs.end())
    return;
  mLastGesture = info.type;
  // A copy: the handler may replace itself.
  IGestureFunc func = it->second;
  func(this, info);
}

void IControl::BuildContextMenu(IPopupMenu&) {}

void IControl::PopupMenuChosen(IPopupMenu* menu, int valIdx)
{
  if (!menu || valIdx < 0 || mDisablePrompt)
    return;
  const IParam* param = GetParam(valIdx);
  if (!param)
    return;
  TakeValueFromUser(param->NormalizedFromValue(menu->GetChosenItemIdx()), valIdx);
}

void IControl::OnTextEntryCompletion(const char*, int) {}
void IControl::ContextMenuChosen(int) {}

void IControl::DrawHostHighlight(IGraphics& g)
{
  if (mIsHighlighted)
    g.FillCircle(mHighlightColor, mRECT.R - 5.0f, mRECT.T + 5.0f, 2.0f, nullptr);
}

void IControl::BindParam(int paramIdx, int valIdx)
{
  mVals.at(static_cast<size_t>(valIdx)).mParamIdx = paramIdx;
  MarkDirty(false);
}

int IControl::ValueIndexAt(float, float) const { return NVals() > 1 ? kAllVals : 0; }

void IControl::TakeValueFromDelegate(double value, int valIdx)
{
  // Whoever holds the control decides its value until they let go.
  if (mGraphics && mGraphics->ControlIsCaptured(this))
    return;
  if (value != GetValue(valIdx))
  {
    SetValue(value, valIdx);
    MarkDirty(false);
  }
}

void IControl::TakeValueFromUser(double value, int valIdx)
{
  if (value != GetValue(valIdx == kAllVals ? 0 : valIdx))
  {
    SetValue(value, valIdx);
    MarkDirty(true, valIdx);
  }
}

void IControl::ResetValueToDefault(int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;
  for (int i = 0; i < NVals(); ++i)
  {
    if (valIdx != kAllVals && i != valIdx)
      continue;
    if (const IParam* param = GetParam(i))
      SetValue(param->GetDefault(true), i);
  }
  MarkDirty(true, valIdx);
}

void IControl::SetValue(double value, int valIdx)
{
  if (valIdx == kAllVals)
  {
    for (auto& entry : mVals)
      entry.mValue = value;
    return;
  }
  if (valIdx >= 0 && valIdx < NVals())
    mVals[static_cast<size_t>(valIdx)].mValue = value;
}

void IControl::SetText(const ITextStyle& style) { mText = style; }

void IControl::MoveControlTo(float x, float y)
{
  x = std::max(x, 0.0f);
  y = std::max(y, 0.0f);
  const float dx = x - mRECT.L;
  const float dy = y - mRECT.T;
  mRECT = mRECT.GetTranslated(dx, dy);
  BoundsChanged();
  mTargetRECT = mTargetRECT.GetTranslated(dx, dy);
}

void IControl::ResizeControl(float w, float h)
{
  mRECT = IBounds(mRECT.L, mRECT.T, mRECT.L + std::max(w, 0.0f), mRECT.T + std::max(h, 0.0f));
  mTargetRECT = mRECT;
  BoundsChanged();
}

void IControl::SetHidden(bool hide)
{
  mHide = hide;
  MarkDirty(false);
}

void IControl::SetControlDisabled(bool disabled)
{
  mDisabled = disabled;
  mBlend.mWeight = disabled ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(float x, float y) const
{
  return !mTargetRECT.Empty() && mTargetRECT.Contains(x, y);
}

void IControl::MarkDirty(bool triggerAction, int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;
  for (int i = 0; i < NVals(); ++i)
  {
    if (valIdx != kAllVals && i != valIdx)
      continue;
    SetValue(std::clamp(GetValue(i), 0.0, 1.0), i);
  }
  mDirty = true;

  if (!triggerAction)
    return;
  for (int i = 0; i < NVals(); ++i)
  {
    if (valIdx != kAllVals && i != valIdx)
      continue;
    const int paramIdx = GetParamIdx(i);
    if (paramIdx < 0)
      continue;
    if (mDelegate)
      mDelegate->SendParamValueFromUI(paramIdx, GetValue(i));
    if (mGraphics)
      mGraphics->SyncPeerControls(this, i);
  }
  if (mActionFunc)
  {
    // A copy: the action may install a new action on this control.
    ControlAction action = mActionFunc;
    action(this);
  }
}

void IControl::MarkClean() { mDirty = false; }

bool IControl::NeedsRedraw() const { return mAnimationFunc ? true : mDirty; }

void IControl::OnIdle() {}
void IControl::SetValueFromPointer(float, float, const IPointerMods&) {}

void IControl::AnimationEnded()
{
  mAnimationFunc = nullptr;
  MarkDirty(false);
  if (mAnimationEndActionFunc)
  {
    ControlAction action = mAnimationEndActionFunc;
    action(this);
  }
}

void IControl::OpenValuePrompt(int valIdx)
{
  if (valIdx == kAllVals || mDisablePrompt || !mGraphics)
    return;
  const IParam* param = GetParam(valIdx);
  if (!param)
    return;
  IBounds bounds = mRECT;
  if (param->NDisplayTexts() == 0)
    bounds = IBounds(mRECT.MW() - 20.0f, mRECT.MH() - 8.0f, mRECT.MW() + 20.0f, mRECT.MH() + 8.0f);
  mGraphics->OpenValuePrompt(*this, bounds, valIdx);
  MarkDirty(false);
}

void IControl::SetNVals(int n)
{
  mVals.resize(static_cast<size_t>(std::max(n, 1)));
}

double IControl::GetValue(int valIdx) const
{
  return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<size_t>(valIdx)].mValue : 0.0;
}

int IControl::GetParamIdx(int valIdx) const
{
  return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<size_t>(valIdx)].mParamIdx : -1;
}

const IParam* IControl::GetParam(int valIdx) const
{
  const int paramIdx = GetParamIdx(valIdx);
  if (paramIdx < 0 || !mDelegate)
    return nullptr;
  return mDelegate->GetParam(paramIdx);
}

bool IControl::IsLinkedToParam(int paramIdx) const
{
  return std::any_of(mVals.begin(), mVals.end(), [paramIdx](const ValueEntry& e) { return e.mParamIdx == paramIdx; });
}

void IControl::SetAnimation(ControlAction func, double durationMs)
{
  mAnimationFunc = std::move(func);
  StartAnimation(durationMs);
}

void IControl::StartAnimation(double durationMs, double elapsedMs)
{
  mAnimationStartTime = (mGraphics ? mGraphics->NowMs() : 0.0) - elapsedMs;
  mAnimationDuration = durationMs;
}

double IControl::GetAnimationProgress() const
{
  if (!mGraphics || mAnimationDuration <= 0.0)
    return 0.0;
  return (mGraphics->NowMs() - mAnimationStartTime) / mAnimationDuration;
}

} // namespace iplug::igraphics
