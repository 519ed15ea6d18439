#include "editor/controls/ICornerResizerControl.h"

#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

ICornerResizerControl::ICornerResizerControl(const IBounds& editorBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
  : IControl(editorBounds)
  , mSize(size)
  , mColor(color)
  , mMouseOverColor(mouseOverColor)
  , mDragColor(dragColor)
  , mInitialBounds(editorBounds)
{
}

void ICornerResizerControl::PointerDown(float, float, const IPointerMods&)
{
  if (mGraphics)
    mGraphics->SetResizingInProgress(true);
}

void ICornerResizerControl::PointerDoubleClick(float, float, const IPointerMods&)
{
  if (mGraphics)
    mGraphics->Resize(static_cast<int>(mInitialBounds.W()), static_cast<int>(mInitialBounds.H()), 1.0f, true);
}

// Whether the handle holds the cursor is its own state, not mouse-over: a zoom clears mouse-over while
// the pointer is still on the handle, and the cursor from before the handle must still come back.
void ICornerResizerControl::PointerOver(float x, float y, const IPointerMods& mod)
{
  if (!mHoldsCursor && mGraphics)
  {
    mPrevCursor = mGraphics->SetPointerShape(ECursor::SIZENWSE);
    mHoldsCursor = true;
  }
  IControl::PointerOver(x, y, mod);
}

void ICornerResizerControl::PointerLeft()
{
  if (mHoldsCursor && mGraphics)
    mGraphics->SetPointerShape(mPrevCursor);
  mHoldsCursor = false;
  IControl::PointerLeft();
}

void ICornerResizerControl::ScaleChanged()
{
  if (!mGraphics)
    return;
  const float w = static_cast<float>(mGraphics->Width());
  const float h = static_cast<float>(mGraphics->Height());
  const float edge = mSize / mGraphics->GetDrawScale();
  SetTargetAndDrawRECTs(IBounds(w - edge, h - edge, w, h));
  mMouseIsOver = false;
  BoundsChanged();
}

void ICornerResizerControl::Draw(IGraphics& g)
{
  const IColor& color = g.GetResizingInProgress() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, &mBlend);
}

} // namespace iplug::igraphics
