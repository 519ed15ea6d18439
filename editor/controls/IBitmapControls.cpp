#include "editor/controls/IBitmapControls.h"

#include <algorithm>

#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

namespace {

IBounds FrameBounds(float x, float y, const IBitmapRef& bitmap)
{
  return {x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH())};
}

} // namespace

IBitmapBase::~IBitmapBase() = default;

int IBitmapBase::FrameForValue(double value, int nFrames)
{
  if (nFrames <= 1)
    return 1;
  const int frame = static_cast<int>(value * (nFrames - 1) + 0.5) + 1;
  return std::clamp(frame, 1, nFrames);
}

void IBitmapBase::DrawBitmapFrame(IGraphics& g) const
{
  if (!mBitmap.IsValid())
    return;
  const int frame = FrameForValue(mControl->GetValue(0), mBitmap.N());
  const IBounds& r = mControl->GetRECT();
  const float fw = static_cast<float>(mBitmap.FW());
  const float fh = static_cast<float>(mBitmap.FH());
  const float l = r.MW() - fw / 2.0f;
  const float t = r.MH() - fh / 2.0f;
  g.DrawBitmapFrame(mBitmap, IBounds(l, t, l + fw, t + fh), frame, &mControl->GetBlend());
}

void IBitmapBase::ReloadForScale()
{
  if (IGraphics* g = mControl->GetUI())
    mBitmap = g->ScaledBitmapFor(mBitmap);
}

IBKnobControl::IBKnobControl(float x, float y, const IBitmapRef& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IKnobControlBase(FrameBounds(x, y, bitmap), paramIdx, direction, gearing)
  , IBitmapBase(*this, bitmap)
{
}

void IBKnobControl::ScaleChanged() { ReloadForScale(); }
void IBKnobControl::Draw(IGraphics& g) { DrawBitmapFrame(g); }

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmapRef& bitmap, int paramIdx)
  : ISwitchControlBase(FrameBounds(x, y, bitmap), paramIdx, nullptr, 2)
  , IBitmapBase(*this, bitmap)
{
}

void IBSwitchControl::PointerDown(float, float, const IPointerMods&)
{
  mMouseDown = true;
  const int n = mBitmap.N();
  SetValue(GetValue(0) + (n > 1 ? 1.0 / (n - 1) : 1.0), 0);
  if (GetValue(0) > 1.001)
    SetValue(0.0, 0);
  MarkDirty(true);
}

void IBSwitchControl::ScaleChanged() { ReloadForScale(); }
void IBSwitchControl::Draw(IGraphics& g) { DrawBitmapFrame(g); }

IBitmapControl::IBitmapControl(float x, float y, const IBitmapRef& bitmap, int paramIdx, const IBlendMode& blend)
  : IControl(FrameBounds(x, y, bitmap), paramIdx)
  , IBitmapBase(*this, bitmap)
{
  mBlend = blend;
}

void IBitmapControl::ScaleChanged() { ReloadForScale(); }
void IBitmapControl::Draw(IGraphics& g) { DrawBitmapFrame(g); }

} // namespace iplug::igraphics
