#pragma once
// Pointer behaviour shared by the knob and switch families, independent of how they draw:
// drag and wheel arithmetic for knobs, state stepping for switches. UI thread.

#include <vector>

#include "editor/controls/IControl.h"

namespace iplug::igraphics {

// A rotary control: vertical or horizontal drags and the wheel change its value.
class IKnobControlBase : public IControl
{
public:
  static constexpr double kFineFactor = 10.0; // ctrl or shift: ten times the distance
  static constexpr double kWheelStep = 0.01;
  static constexpr double kFineWheelStep = 0.001;

  IKnobControlBase(const IBounds& bounds, int paramIdx = -1, EDirection direction = EDirection::Vertical,
                   double gearing = 4.0);

  void PointerDown(float x, float y, const IPointerMods& mod) override;
  void PointerUp(float x, float y, const IPointerMods& mod) override;
  void PointerDrag(float x, float y, float dX, float dY, const IPointerMods& mod) override;
  void WheelTurned(float x, float y, const IPointerMods& mod, float d) override;

  // The area whose size sets the drag distance for a full sweep (times the gearing).
  virtual IBounds KnobDragArea() const;

  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  EDirection GetDirection() const { return mDirection; }
  bool IsMouseDown() const { return mMouseDown; }
  void SetHideCursorWhileDragging(bool hide) { mHideCursorOnDrag = hide; }

protected:
  // Snaps to the parameter's step when it is stepped; else unchanged.
  double SnapToParamStep(double value) const;

  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  // Kept between drag steps and clamped on each, so overshoot past an end is not remembered.
  double mDragValue = 0.0;
};

// A control that steps through a fixed number of states on each press.
class ISwitchControlBase : public IControl
{
public:
  ISwitchControlBase(const IBounds& bounds, int paramIdx = -1, ControlAction actionFunc = nullptr,
                     int numStates = 2);

  // Steps to the next state, wrapping after the last.
  void PointerDown(float x, float y, const IPointerMods& mod) override;
  void PointerUp(float x, float y, const IPointerMods& mod) override;
  // A bound parameter decides the number of states.
  void ControlCreated() override;

  int GetNumStates() const { return mNumStates; }
  bool IsMouseDown() const { return mMouseDown; }

protected:
  int mNumStates;
  std::vector<bool> mDisabledState;
  bool mMouseDown = false;
};

} // namespace iplug::igraphics
