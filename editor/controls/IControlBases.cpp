#include "editor/controls/IControlBases.h"

#include <algorithm>

#include "IPlug/IPlugParameter.h"
#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

namespace {

bool IsStepped(const IParam* param)
{
  return param && param->GetStepSnapped() && param->GetStep() > 0.0;
}

} // namespace

IKnobControlBase::IKnobControlBase(const IBounds& bounds, int paramIdx, EDirection direction, double gearing)
  : IControl(bounds, paramIdx)
  , mDirection(direction)
  , mGearing(gearing)
{
}

void IKnobControlBase::PointerDown(float x, float y, const IPointerMods& mod)
{
  mMouseDown = true;
  mDragValue = GetValue(0);
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->SetPointerHidden(true, true);
  if (mod.R)
    OpenValuePrompt(ValueIndexAt(x, y));
}

void IKnobControlBase::PointerUp(float, float, const IPointerMods&)
{
  if (mHideCursorOnDrag && mGraphics)
    mGraphics->SetPointerHidden(false, false);
  mMouseDown = false;
  MarkDirty(false);
}

void IKnobControlBase::PointerDrag(float, float, float dX, float dY, const IPointerMods& mod)
{
  double gearing = mGearing;
  if (mod.C || mod.S)
    gearing *= kFineFactor;

  const IBounds area = KnobDragArea();
  // Screen y grows downwards, so an upward drag (negative dY) over T - B (negative) raises the value.
  if (mDirection == EDirection::Vertical)
    mDragValue += static_cast<double>(dY) / static_cast<double>(area.T - area.B) / gearing;
  else
    mDragValue += static_cast<double>(dX) / static_cast<double>(area.R - area.L) / gearing;
  mDragValue = std::clamp(mDragValue, 0.0, 1.0);

  SetValue(SnapToParamStep(mDragValue), 0);
  MarkDirty(true);
}

void IKnobControlBase::WheelTurned(float, float, const IPointerMods& mod, float d)
{
  double v = GetValue(0);
  const IParam* param = GetParam(0);
  if (IsStepped(param))
  {
    if (d != 0.0f)
    {
      double real = param->ValueFromNormalized(v);
      real += d > 0.0f ? param->GetStep() : -param->GetStep();
      v = param->NormalizedFromValue(real);
    }
  }
  else
  {
    v += static_cast<double>(d) * ((mod.C || mod.S) ? kFineWheelStep : kWheelStep);
  }
  SetValue(v, 0);
  MarkDirty(true);
}

IBounds IKnobControlBase::KnobDragArea() const { return mTargetRECT; }

double IKnobControlBase::SnapToParamStep(double value) const
{
  const IParam* param = GetParam(0);
  return IsStepped(param) ? param->SnapNormalized(value) : value;
}

ISwitchControlBase::ISwitchControlBase(const IBounds& bounds, int paramIdx, ControlAction actionFunc, int numStates)
  : IControl(bounds, paramIdx, std::move(actionFunc))
  , mNumStates(numStates)
{
  mDisabledState.clear();
  mDblAsSingleClick = true;
}

void ISwitchControlBase::PointerDown(float, float, const IPointerMods&)
{
  mMouseDown = true;
  double v = GetValue(0) + (mNumStates > 1 ? 1.0 / (mNumStates - 1) : 1.0);
  if (v > 1.001)
    v = 0.0;
  SetValue(v, 0);
  MarkDirty(true);
}

void ISwitchControlBase::PointerUp(float, float, const IPointerMods&)
{
  mMouseDown = false;
  MarkDirty(false);
}

void ISwitchControlBase::ControlCreated()
{
  if (const IParam* param = GetParam(0))
    mNumStates = static_cast<int>(param->GetMax() - param->GetMin()) + 1;
}

} // namespace iplug::igraphics
