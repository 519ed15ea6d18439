#pragma once
// Film-strip controls: a knob, a switch and a plain display (background, meter), each drawing the
// frame that matches its value, centred in its rectangle. UI thread.

#include "editor/controls/IControlBases.h"

namespace iplug::igraphics {

// Holds a control's film strip and draws the frame for the control's value.
class IBitmapBase
{
public:
  IBitmapBase(IControl& owner, const IBitmapRef& bitmap) : mControl(&owner), mBitmap(bitmap) {}
  virtual ~IBitmapBase();

  // 1-based frame for a value in [0, 1]: rounded to the nearest of N frames.
  static int FrameForValue(double value, int nFrames);
  // Draws the frame for the owner's value 0 centred in its draw rectangle.
  void DrawBitmapFrame(IGraphics& g) const;
  // Reloads the strip for the context's current screen density.
  void ReloadForScale();

  const IBitmapRef& GetBitmap() const { return mBitmap; }

protected:
  IControl* mControl;
  IBitmapRef mBitmap;
};

class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  IBKnobControl(float x, float y, const IBitmapRef& bitmap, int paramIdx,
                EDirection direction = EDirection::Vertical, double gearing = 4.0);

  void ScaleChanged() override;
  void Draw(IGraphics& g) override;
};

// A two-frame strip toggles; more frames step through the states and wrap.
class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  IBSwitchControl(float x, float y, const IBitmapRef& bitmap, int paramIdx);

  // Any button steps the value by one frame.
  void PointerDown(float x, float y, const IPointerMods& mod) override;
  void ScaleChanged() override;
  void Draw(IGraphics& g) override;
};

// No input behaviour of its own: shows the frame for its value.
class IBitmapControl : public IControl, public IBitmapBase
{
public:
  IBitmapControl(float x, float y, const IBitmapRef& bitmap, int paramIdx = -1, const IBlendMode& blend = {});

  void ScaleChanged() override;
  void Draw(IGraphics& g) override;
};

} // namespace iplug::igraphics
