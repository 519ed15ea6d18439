#include "editor/controls/IBubbleControl.h"

#include <algorithm>

#include "editor/graphics/IGraphics.h"

namespace iplug::igraphics {

IBubbleControl::IBubbleControl(const ITextStyle& style, const IColor& fillColor, const IColor& strokeColor,
                               float roundness)
  : IControl(IBounds())
  , mFillColor(fillColor)
  , mStrokeColor(strokeColor)
  , mRoundness(roundness)
{
  mText = style;
  mHide = true;
  mIgnoreMouse = true;

  ControlAction animate = [](IControl* c) { static_cast<IBubbleControl*>(c)->Animate(); };
  // Every user-facing change (MarkDirty(true)) opens a fade or re-check period...
  SetActionFunction([animate](IControl* c) { c->SetAnimation(animate, kFadeMs); });
  // ...and the end of the fade-in opens the hold.
  SetAnimationEndActionFunction([animate](IControl* c) {
    if (static_cast<IBubbleControl*>(c)->GetState() == kExpanded)
      c->SetAnimation(animate, kHoldMs);
  });
}

void IBubbleControl::PresentBubble(IControl* caller, float x, float y, const char* text, EDirection direction,
                                   const IBounds& minimumContentBounds, ITouchID touchID)
{
  if (mMaxBounds.Empty() && mGraphics)
    mMaxBounds = IBounds(0.0f, 0.0f, static_cast<float>(mGraphics->Width()), static_cast<float>(mGraphics->Height()));

  mDirection = direction;
  mTouchID = touchID;
  mStr = text ? text : "";

  IBounds content;
  TextExtent(mStr.c_str(), content);
  if (!minimumContentBounds.Empty())
  {
    content.R = content.L + std::max(content.W(), minimumContentBounds.W());
    content.B = content.T + std::max(content.H(), minimumContentBounds.H());
  }

  const float sideMargin = kHorizontalMargin + kContentMargin;
  const float w = content.W() + 2.0f * sideMargin;
  const float h = content.H() + 2.0f * kContentMargin;
  IBounds r(x, y - h / 2.0f, x + w, y + h / 2.0f);

  if (direction == EDirection::Horizontal)
  {
    if (r.R > mMaxBounds.R - sideMargin)
    {
      const float callerL = caller ? caller->GetRECT().L : x;
      r = r.GetTranslated(callerL - r.R, 0.0f);
      mArrowDir = kEast;
    }
    else
    {
      mArrowDir = kWest;
    }
  }
  else
  {
    r = r.GetTranslated(-w / 2.0f, -h / 2.0f);
    if (r.T < mMaxBounds.T)
    {
      const float callerH = caller ? caller->GetRECT().H() : 0.0f;
      r = r.GetTranslated(0.0f, h + callerH);
      mArrowDir = kNorth;
    }
    else
    {
      mArrowDir = kSouth;
    }
  }

  mBubbleBounds = r;
  // The old place is repainted too.
  mRECT = mRECT.Union(r);
  mTargetRECT = mRECT;
  mMouseIsOver = false;
  BoundsChanged();

  // Every change of the value keeps the bubble shown: it opens when collapsed, a shown one holds for
  // another second, and a fading one comes back from the opacity it has reached. A wheel never captures
  // the control, so the hold's re-check alone would let the bubble blink while the wheel turns.
  if (mState == kCollapsed)
  {
    SetHidden(false);
    mState = kExpanding;
    MarkDirty(true);
  }
  else if (mState == kExpanded)
  {
    StartAnimation(kHoldMs);
  }
  else if (mState == kCollapsing)
  {
    mState = kExpanding;
    MarkDirty(true);
    StartAnimation(kFadeMs, kFadeMs * mOpacity / kMaxOpacity);
  }

  if (caller != mCaller)
  {
    SetTargetAndDrawRECTs(r);
    if (mGraphics)
      mGraphics->MarkAllDirty();
  }
  mCaller = caller;
}

void IBubbleControl::Animate()
{
  const double p = GetAnimationProgress();
  if (p <= 1.0)
  {
    if (mState == kExpanding)
      mOpacity = static_cast<float>(p) * kMaxOpacity;
    else if (mState == kExpanded)
      mOpacity = kMaxOpacity;
    else if (mState == kCollapsing)
      mOpacity = static_cast<float>(1.0 - p) * kMaxOpacity;
    return;
  }

  switch (mState)
  {
    case kExpanding:
      mOpacity = kMaxOpacity;
      mState = kExpanded;
      AnimationEnded();
      break;
    case kExpanded:
      // While the user still holds the caller, re-check after another fade period.
      if (!(mCaller && mGraphics && mGraphics->ControlIsCaptured(mCaller)))
        mState = kCollapsing;
      MarkDirty(true);
      break;
    case kCollapsing:
      mOpacity = 0.0f;
      SetHidden(true);
      mState = kCollapsed;
      mTouchID = 0;
      MarkDirty(false);
      AnimationEnded();
      break;
    case kCollapsed:
      AnimationEnded();
      break;
  }
}

void IBubbleControl::Draw(IGraphics& g)
{
  const IBlendMode blend{EBlend::SrcOver, mOpacity};
  const IBounds content = mBubbleBounds.GetPadded(-kContentMargin);
  g.DrawFastDropShadow(content, mBubbleBounds, kShadowOffset, mRoundness,
                       kShadowBlur, &blend);
  PaintBubble(g, mBubbleBounds);
  if (!mStr.empty())
    PaintBubbleText(g, content);
}

void IBubbleControl::PaintBubbleText(IGraphics& g, const IBounds& bounds)
{
  const IBlendMode blend{EBlend::SrcOver, mOpacity};
  g.DrawText(mText, mStr.c_str(), bounds, &blend);
}

void IBubbleControl::PaintBubble(IGraphics& g, const IBounds& bounds)
{
  const IBlendMode blend{EBlend::SrcOver, mOpacity};
  // The body leaves room for the arrow on its side, so the tip touches the bubble rectangle's edge.
  IBounds body = bounds.GetPadded(-kStrokeWidth / 2.0f);
  const IBounds tipArea = body;
  switch (mArrowDir)
  {
    case kNorth: body.T += kArrowSize; break;
    case kEast: body.R -= kArrowSize; break;
    case kSouth: body.B -= kArrowSize; break;
    case kWest: body.L += kArrowSize; break;
  }
  const float rad = std::min({mRoundness, body.W() / 2.0f, body.H() / 2.0f});
  const float half = kArrowSize / 2.0f;

  g.PathClear();
  g.PathMoveTo(body.L + rad, body.T);
  if (mArrowDir == kNorth)
  {
    g.PathLineTo(body.MW() - half, body.T);
    g.PathLineTo(body.MW(), tipArea.T);
    g.PathLineTo(body.MW() + half, body.T);
  }
  g.PathLineTo(body.R - rad, body.T);
  g.PathArc(body.R - rad, body.T + rad, rad, 0.0f, 90.0f);
  if (mArrowDir == kEast)
  {
    g.PathLineTo(body.R, body.MH() - half);
    g.PathLineTo(tipArea.R, body.MH());
    g.PathLineTo(body.R, body.MH() + half);
  }
  g.PathLineTo(body.R, body.B - rad);
  g.PathArc(body.R - rad, body.B - rad, rad, 90.0f, 180.0f);
  if (mArrowDir == kSouth)
  {
    g.PathLineTo(body.MW() + half, body.B);
    g.PathLineTo(body.MW(), tipArea.B);
    g.PathLineTo(body.MW() - half, body.B);
  }
  g.PathLineTo(body.L + rad, body.B);
  g.PathArc(body.L + rad, body.B - rad, rad, 180.0f, 270.0f);
  if (mArrowDir == kWest)
  {
    g.PathLineTo(body.L, body.MH() + half);
    g.PathLineTo(tipArea.L, body.MH());
    g.PathLineTo(body.L, body.MH() - half);
  }
  g.PathLineTo(body.L, body.T + rad);
  g.PathArc(body.L + rad, body.T + rad, rad, 270.0f, 360.0f);
  g.PathClose();
  g.PathFill(mFillColor, &blend);
  g.PathStroke(mStrokeColor, kStrokeWidth, &blend);
}

void IBubbleControl::TextExtent(const char* text, IBounds& bounds)
{
  bounds = IBounds();
  if (mGraphics)
    mGraphics->MeasureText(mText, text, bounds);
}

} // namespace iplug::igraphics
