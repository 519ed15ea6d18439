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

void ICornerResizerControl::PointerOver(float x, float y, const IPointerMods& mod)
{
  if (!mMouseIsOver && mGraphics)
    mPrevCursor = mGraphics->SetPointerShape(ECursor::SIZENWSE);
  IControl::PointerOver(x, y, mod);
}

void ICornerResizerControl::PointerLeft()
{
  // Only a pointer that entered has a cursor to give back.
  if (mMouseIsOver && mGraphics)
    mGraphics->SetPointerShape(mPrevCursor);
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
