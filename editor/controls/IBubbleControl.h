#pragma once
// The value bubble: a callout beside the control being changed that shows the value text, fades in,
// holds while the control is held, then fades out. Hidden and transparent to the mouse. UI thread.

#include <string>

#include "editor/controls/IControl.h"

namespace iplug::igraphics {

class IBubbleControl : public IControl
{
public:
  enum EArrowDir : int
  {
    kNorth = 0,
    kEast = 1,
    kSouth = 2,
    kWest = 3,
  };

  enum EState : int
  {
    kCollapsed = 0,
    kExpanding = 1,
    kExpanded = 2,
    kCollapsing = 3,
  };

  static constexpr float kContentMargin = 10.0f;
  static constexpr float kArrowSize = 10.0f;
  static constexpr float kHorizontalMargin = 5.0f;
  static constexpr float kStrokeWidth = 2.0f;
  static constexpr float kMaxOpacity = 0.95f;
  static constexpr float kShadowOffset = 2.0f;
  static constexpr float kShadowBlur = 10.0f;
  static constexpr double kFadeMs = 200.0;
  static constexpr double kHoldMs = 1000.0;

  explicit IBubbleControl(const ITextStyle& style = ITextStyle(), const IColor& fillColor = IColor(255, 255, 255, 255),
                          const IColor& strokeColor = IColor(255, 0, 0, 0), float roundness = 5.0f);

  // Places the bubble at (x, y) next to `caller` (vertical: centred above, or below when there is no
  // room) and starts the fade-in when it was collapsed.
  void PresentBubble(IControl* caller, float x, float y, const char* text, EDirection direction,
                     const IBounds& minimumContentBounds, ITouchID touchID = 0);

  void Draw(IGraphics& g) override;
  virtual void PaintBubbleText(IGraphics& g, const IBounds& bounds);
  virtual void PaintBubble(IGraphics& g, const IBounds& bounds);
  virtual void TextExtent(const char* text, IBounds& bounds);

  // Where the bubble itself sits (the draw rectangle may be larger while the old place is repainted).
  const IBounds& GetBubbleBounds() const { return mBubbleBounds; }
  void SetMaxBounds(const IBounds& bounds) { mMaxBounds = bounds; }
  EState GetState() const { return mState; }
  float GetOpacity() const { return mOpacity; }
  EArrowDir GetArrowDir() const { return mArrowDir; }
  const std::string& GetBubbleText() const { return mStr; }
  ITouchID GetTouchID() const { return mTouchID; }
  IControl* GetCaller() const { return mCaller; }

private:
  void Animate();

  IColor mFillColor;
  IColor mStrokeColor;
  float mRoundness;
  EState mState = kCollapsed;
  float mOpacity = 0.0f;
  EArrowDir mArrowDir = kSouth;
  EDirection mDirection = EDirection::Vertical;
  IControl* mCaller = nullptr;
  ITouchID mTouchID = 0;
  std::string mStr;
  IBounds mMaxBounds;
  IBounds mBubbleBounds;
};

} // namespace iplug::igraphics
