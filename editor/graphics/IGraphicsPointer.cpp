// IGraphics: routing of pointer, wheel, key and drop events to controls, and the pointer state.

#include <string>

#include "IPlug/IGEditorDelegate.h"
#include "aax/AAX_Interfaces.h"
#include "editor/controls/ICornerResizerControl.h"
#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

namespace {

// Modifier bits the host's parameter mouse-down expects.
constexpr uint32_t kHostShift = 1;
constexpr uint32_t kHostAlt = 4;
constexpr uint32_t kHostControl = 8;
constexpr uint32_t kHostRightButton = 16;

// Diagnostic trace sink: kept so the call sites document what would be traced; discards everything.
void Trace(const char*, int, const char*, ...) {}

} // namespace

IControl* IGraphics::ControlUnderPointer(float x, float y, bool capture, bool mouseOver, ITouchID touchID)
{
  if (auto it = mCapturedMap.find(touchID); it != mCapturedMap.end() && it->second)
    return it->second;

  IControl* found = nullptr;
  int foundIdx = -1;
  // The popup-menu and text-entry controls would take priority while active; this editor has none.
  if (mCornerResizer && mCornerResizer->GetRECT().Contains(x, y))
    found = mCornerResizer.get();
  else if (mPerfDisplay && mPerfDisplay->GetRECT().Contains(x, y))
    found = mPerfDisplay.get();

  if (!found && !(mouseOver && !mEnableMouseOver))
  {
    // The background (index 0) never gets mouse-over.
    const int lowest = mouseOver ? 1 : 0;
    for (int i = NControls() - 1; i >= lowest; --i)
    {
      IControl* c = mControls[static_cast<size_t>(i)].get();
      if (c->IsHidden() || c->GetIgnoreMouse())
        continue;
      if (c->IsDisabled() && !(mouseOver ? c->GetMouseOverWhenDisabled() : c->GetMouseEventsWhenDisabled()))
        continue;
      if (c->HitTest(x, y))
      {
        found = c;
        foundIdx = i;
        break;
      }
    }
  }

  if (capture && found)
  {
    if (mEnableMultiTouch && ControlIsCaptured(found) && !found->GetWantsMultiTouch())
      found = nullptr;
    else
      mCapturedMap[touchID] = found;
  }

  if (mouseOver)
    mMouseOverIdx = found ? foundIdx : -1;
  return found;
}

bool IGraphics::ControlIsCaptured(const IControl* control) const
{
  for (const auto& entry : mCapturedMap)
  {
    if (entry.second == control)
      return true;
  }
  return false;
}

void IGraphics::ReleaseMouseCapture()
{
  mCapturedMap.clear();
  if (mCursorHidden)
    SetPointerHidden(false, false);
}

void IGraphics::SetPointerHidden(bool hide, bool lock)
{
  if (hide == mCursorHidden)
    return;
  mCursorHidden = hide;
  mCursorLocked = hide && lock;
  if (hide)
  {
    mHiddenCursorX = mLastPointerX;
    mHiddenCursorY = mLastPointerY;
  }
  HidePlatformPointer(hide, lock);
}

ECursor IGraphics::SetPointerShape(ECursor cursor)
{
  const ECursor previous = mCursor;
  mCursor = cursor;
  ApplyPlatformCursor(cursor);
  return previous;
}

void IGraphics::RememberPointer(float x, float y)
{
  mLastPointerX = x;
  mLastPointerY = y;
}

void IGraphics::BeginGestures(IControl& control)
{
  for (int v = 0; v < control.NVals(); ++v)
  {
    if (control.GetParam(v))
      mDelegate->BeginParamGestureFromUI(control.GetParamIdx(v));
  }
}

void IGraphics::EndGestures(IControl& control)
{
  for (int v = 0; v < control.NVals(); ++v)
  {
    if (control.GetParam(v))
      mDelegate->EndParamGestureFromUI(control.GetParamIdx(v));
  }
}

void IGraphics::PointerDown(const std::vector<IPointerEvent>& points)
{
  if (points.size() == 1)
  {
    mMouseDownX = points[0].x;
    mMouseDownY = points[0].y;
  }

  for (const IPointerEvent& e : points)
  {
    RememberPointer(e.x, e.y);
    IControl* c = ControlUnderPointer(e.x, e.y, true, false, e.ms.touchID);
    if (!c)
      continue;
    int valIdx = c->ValueIndexAt(e.x, e.y);
    if (valIdx == IControl::kAllVals)
      valIdx = 0;
    const int paramIdx = c->GetParamIdx(valIdx);

    if (mAAXViewContainer && paramIdx >= 0)
    {
      uint32_t mods = 0;
      mAAXViewContainer->GetModifiers(&mods);
      if (e.ms.S)
        mods |= kHostShift;
      if (e.ms.C)
        mods |= kHostControl;
      if (e.ms.A)
        mods |= kHostAlt;
      if (e.ms.R)
        mods |= kHostRightButton;
      const std::string id = std::to_string(paramIdx + 1);
      if (mAAXViewContainer->HandleParameterMouseDown(id.c_str(), mods) == AAX_SUCCESS)
      {
        ReleaseMouseCapture();
        return;
      }
    }

    if (e.ms.R && paramIdx >= 0)
    {
      ReleaseMouseCapture();
      PopupHostContextMenuForParam(*c, paramIdx, e.x, e.y);
      return;
    }

    BeginGestures(*c);
    c->PointerDown(e.x, e.y, e.ms);
  }
}

void IGraphics::PointerUp(const std::vector<IPointerEvent>& points)
{
  for (const IPointerEvent& e : points)
  {
    RememberPointer(e.x, e.y);
    auto it = mCapturedMap.find(e.ms.touchID);
    if (it == mCapturedMap.end())
      continue;
    IControl* c = it->second;
    mCapturedMap.erase(it);
    if (c)
    {
      c->PointerUp(e.x, e.y, e.ms);
      EndGestures(*c);
    }
  }

  if (mResizingInProgress)
  {
    mResizingInProgress = false;
    if (mResizerMode == EUIResizerMode::Scale)
    {
      // Bitmaps stay at their old density during the drag and are reloaded once at the end.
      ForAllControls([](IControl& c) { c.ScaleChanged(); });
      MarkAllDirty();
    }
  }

  if (points.size() == 1 && !points[0].ms.IsTouch())
  {
    const IPointerEvent& e = points[0];
    IControl* over = ControlUnderPointer(e.x, e.y, false, true);
    if (over != mMouseOver)
    {
      if (mMouseOver)
        mMouseOver->PointerLeft();
      mMouseOver = over;
    }
    if (over)
      over->PointerOver(e.x, e.y, e.ms);
  }
}

void IGraphics::PointerDrag(const std::vector<IPointerEvent>& points)
{
  if (mResizingInProgress && points.size() == 1)
  {
    const IPointerEvent& e = points[0];
    RememberPointer(e.x, e.y);
    if (mResizerMode == EUIResizerMode::Scale)
    {
      // Pointer positions shrink as the zoom grows, so this is the press-time scale times the ratio of
      // pixel positions.
      const float scale = std::min(mDrawScale * e.y / mMouseDownY, mDrawScale * e.x / mMouseDownX);
      Resize(mWidth, mHeight, scale, true);
    }
    else
    {
      Resize(static_cast<int>(e.x), static_cast<int>(e.y), mDrawScale, true);
    }
    return;
  }

  if (mCapturedMap.empty())
    return;
  if (mInTextEntry)
  {
    if (mTextEntryControl)
    {
      for (const IPointerEvent& e : points)
        mTextEntryControl->PointerDrag(e.x, e.y, e.dX, e.dY, e.ms);
    }
    return;
  }

  for (const IPointerEvent& e : points)
  {
    RememberPointer(e.x, e.y);
    auto it = mCapturedMap.find(e.ms.touchID);
    if (it == mCapturedMap.end() || !it->second)
      continue;
    if (e.dX != 0.0f || e.dY != 0.0f)
      it->second->PointerDrag(e.x, e.y, e.dX, e.dY, e.ms);
  }
}

bool IGraphics::PointerDoubleClick(float x, float y, const IPointerMods& mod)
{
  RememberPointer(x, y);
  IControl* c = ControlUnderPointer(x, y, true, false, mod.touchID);
  if (!c)
    return false;
  if (c->GetDoubleClickAsSingle())
  {
    PointerDown({IPointerEvent{x, y, 0.0f, 0.0f, mod}});
    return true;
  }
  c->PointerDoubleClick(x, y, mod);
  // A press-and-drag that starts with a double-click does not drag.
  ReleaseMouseCapture();
  return true;
}

void IGraphics::WheelTurned(float x, float y, const IPointerMods& mod, float d)
{
  if (IControl* c = ControlUnderPointer(x, y, false, false))
    c->WheelTurned(x, y, mod, d);
}

bool IGraphics::PointerOver(float x, float y, const IPointerMods& mod)
{
  RememberPointer(x, y);
  IControl* c = ControlUnderPointer(x, y, false, true);
  if (c != mMouseOver)
  {
    if (mMouseOver)
      mMouseOver->PointerLeft();
    mMouseOver = c;
  }
  if (c)
    c->PointerOver(x, y, mod);
  return c != nullptr;
}

void IGraphics::PointerLeft()
{
  SetPointerShape(ECursor::ARROW);
  ForAllControls([](IControl& c) { c.PointerLeft(); });
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

bool IGraphics::KeyEvent(float x, float y, const IKeyPress& key, bool isUp)
{
  IControl* c = ControlUnderPointer(x, y, false, false);
  if (c && c != GetBackgroundControl())
  {
    const bool used = isUp ? c->OnKeyUp(x, y, key) : c->OnKeyDown(x, y, key);
    if (used)
      return true;
  }
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, isUp) : false;
}

bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key)
{
  Trace("IGraphics::OnKeyDown", __LINE__, "x:%0.2f, y:%0.2f, key:%s", x, y, key.mUtf8);
  return KeyEvent(x, y, key, false);
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key)
{
  Trace("IGraphics::OnKeyUp", __LINE__, "x:%0.2f, y:%0.2f, key:%s", x, y, key.mUtf8);
  return KeyEvent(x, y, key, true);
}

bool IGraphics::KeyDownAtPointer(const IKeyPress& key)
{
  float x = 0.0f;
  float y = 0.0f;
  PointerPosition(x, y);
  return OnKeyDown(x, y, key);
}

bool IGraphics::KeyUpAtPointer(const IKeyPress& key)
{
  float x = 0.0f;
  float y = 0.0f;
  PointerPosition(x, y);
  return OnKeyUp(x, y, key);
}

void IGraphics::FileDropped(const char* path, float x, float y)
{
  if (IControl* c = ControlUnderPointer(x, y, false, false))
    c->FileDropped(path);
}

} // namespace iplug::igraphics
