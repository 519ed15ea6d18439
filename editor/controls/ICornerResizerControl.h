#pragma once
// The zoom handle: a small triangle in the bottom-right corner. Pressing it starts the context's
// resize drag; a double-click returns the editor to its initial size at scale 1. UI thread.

#include "editor/controls/IControl.h"

namespace iplug::igraphics {

class ICornerResizerControl : public IControl
{
public:
  // editorBounds: (0, 0, W, H) at creation; size: the handle's edge in pixels at density 1.
  ICornerResizerControl(const IBounds& editorBounds, float size, const IColor& color = IColor(255, 0, 0, 0),
                        const IColor& mouseOverColor = IColor(255, 0, 0, 0),
                        const IColor& dragColor = IColor(255, 0, 0, 0));

  void PointerDown(float x, float y, const IPointerMods& mod) override;
  void PointerDoubleClick(float x, float y, const IPointerMods& mod) override;
  void PointerOver(float x, float y, const IPointerMods& mod) override;
  void PointerLeft() override;
  // Keeps the handle's size in screen pixels at every zoom.
  void ScaleChanged() override;
  void Draw(IGraphics& g) override;

  const IBounds& GetInitialBounds() const { return mInitialBounds; }

private:
  float mSize;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
  IBounds mInitialBounds;
  ECursor mPrevCursor = ECursor::ARROW;
  bool mHoldsCursor = false; // the diagonal cursor is set and mPrevCursor is to be given back
};

} // namespace iplug::igraphics
