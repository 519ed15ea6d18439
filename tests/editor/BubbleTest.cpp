// The value bubble as the user sees it: where it opens, its arrow, its fade-in, hold, re-check while
// held and fade-out on the context's clock, and what it paints.

#include "tests/editor/EditorFixture.h"

using namespace quorvane::test;

namespace {

class BubbleTest : public EditorTest
{
protected:
  IBubbleControl& Bubble() { return *g.GetBubbleControl(0); }

  // One window tick at time t: dirty collection runs the animations.
  void TickAt(double t)
  {
    g.mNow = t;
    IRectList rects;
    g.NeedsRedraw(rects);
    g.MarkAllClean();
  }
};

TEST_F(BubbleTest, OpensCentredAboveAKnobWithTheArrowBelow)
{
  knob->TakeValueFromUser(0.5);
  // Content at least 50 × 20, margins 15 left and right, 10 top and bottom: 80 × 40, bottom on the knob's top.
  EXPECT_EQ(Bubble().GetBubbleBounds(), IBounds(498, 210, 578, 250));
  EXPECT_EQ(Bubble().GetArrowDir(), IBubbleControl::kSouth);
  EXPECT_EQ(Bubble().GetRECT(), Bubble().GetBubbleBounds());
  EXPECT_FALSE(Bubble().IsHidden());
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanding);
}

TEST_F(BubbleTest, OpensBelowAButtonAtTheTopEdge)
{
  Click(topToggle);
  // 40 high above y = 30 would leave the editor: moved down by its height plus the button's (17).
  EXPECT_EQ(Bubble().GetBubbleBounds(), IBounds(434.5f, 47, 514.5f, 87));
  EXPECT_EQ(Bubble().GetArrowDir(), IBubbleControl::kNorth);
}

TEST_F(BubbleTest, FadesInHoldsAndFadesOut)
{
  g.mNow = 0.0;
  knob->TakeValueFromUser(0.5);
  TickAt(100.0);
  EXPECT_NEAR(Bubble().GetOpacity(), 0.475f, 1e-6);
  TickAt(201.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  EXPECT_FLOAT_EQ(Bubble().GetOpacity(), 0.95f);
  // Held for a second from the end of the fade-in.
  TickAt(1200.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  TickAt(1202.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kCollapsing);
  TickAt(1302.0);
  EXPECT_NEAR(Bubble().GetOpacity(), 0.475f, 1e-6);
  EXPECT_FALSE(Bubble().IsHidden());
  TickAt(1403.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kCollapsed);
  EXPECT_TRUE(Bubble().IsHidden());
  EXPECT_FLOAT_EQ(Bubble().GetOpacity(), 0.0f);
  EXPECT_FALSE(Bubble().NeedsRedraw() && Bubble().GetAnimationFunction());
}

TEST_F(BubbleTest, StaysWhileTheKnobIsHeldAndRechecksEvery200ms)
{
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  g.mNow = 0.0;
  g.PointerDown({At(x, y)});
  g.PointerDrag({At(x, y - 10, Left(), 0, -10)});
  TickAt(201.0);  // expanded, hold until 1201
  TickAt(1202.0); // still held: a 200 ms re-check starts
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  TickAt(1403.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  g.mNow = 1450.0;
  g.PointerUp({At(x, y - 10)});
  TickAt(1500.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  // The running re-check ends at 1603, then 200 ms of fading.
  TickAt(1604.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kCollapsing);
  TickAt(1805.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kCollapsed);
}

TEST_F(BubbleTest, StaysWhileTheWheelKeepsTurningAndComesBackDuringTheFadeOut)
{
  // A wheel never captures the knob: every turn must keep the bubble, not just the first one.
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  g.mNow = 0.0;
  g.WheelTurned(x, y, IPointerMods(), 1.0f);
  for (double t = 100.0; t <= 3000.0; t += 100.0)
  {
    TickAt(t);
    if (t >= 300.0)
    {
      EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded) << t;
      EXPECT_FLOAT_EQ(Bubble().GetOpacity(), 0.95f) << t;
    }
    if (static_cast<int>(t) % 400 == 0)
      g.WheelTurned(x, y, IPointerMods(), 1.0f);
  }
  // The last turn at 2800 holds it until 3800, then it fades.
  TickAt(3801.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kCollapsing);
  TickAt(3901.0);
  const float fading = Bubble().GetOpacity();
  EXPECT_NEAR(fading, 0.475f, 0.01f);
  // A turn while it fades brings it back from where it was, without dropping out first.
  g.WheelTurned(x, y, IPointerMods(), 1.0f);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanding);
  TickAt(3902.0);
  EXPECT_GE(Bubble().GetOpacity(), fading);
  EXPECT_FALSE(Bubble().IsHidden());
  TickAt(4100.0);
  EXPECT_EQ(Bubble().GetState(), IBubbleControl::kExpanded);
  EXPECT_FLOAT_EQ(Bubble().GetOpacity(), 0.95f);
}

TEST_F(BubbleTest, PaintsShadowThenOutlineThenTextAboveEverything)
{
  g.mNow = 0.0;
  knob->TakeValueFromUser(0.5);
  TickAt(201.0);
  IRectList rects;
  rects.Add(Bubble().GetRECT());
  g.ClearCalls();
  g.Draw(rects);
  std::vector<std::string> ops;
  for (const DrawCall& c : g.mCalls)
    ops.push_back(c.mOp == "bitmap" ? c.mText : c.mOp);
  // The knob just below the bubble crosses its (padded) area and is repainted under it.
  EXPECT_EQ(ops, (std::vector<std::string>{"BG.png", "AKNOB.png", "shadow", "fill", "stroke", "text"}));
  EXPECT_EQ(g.mShadowInner, IBounds(508, 220, 568, 240));
  const DrawCall& text = g.mCalls.back();
  EXPECT_EQ(text.mText, "v");
  EXPECT_FLOAT_EQ(text.mWeight, 0.95f);
  EXPECT_EQ(g.CallsOf("fill")[0].mColor, IColor(255, 255, 255, 255));
  EXPECT_EQ(g.CallsOf("stroke")[0].mColor, IColor(255, 0, 0, 0));
}

TEST_F(BubbleTest, MovingToAnotherCallerRepaintsTheOldPlace)
{
  knob->TakeValueFromUser(0.5);
  g.MarkAllClean();
  sixStep->TakeValueFromUser(0.2);
  // A new caller: the bubble jumps there and everything is repainted once.
  EXPECT_EQ(Bubble().GetRECT(), Bubble().GetBubbleBounds());
  EXPECT_TRUE(g.GetBackgroundControl()->IsDirty());
  // The same caller again: the draw rectangle covers old and new places.
  const IBounds before = Bubble().GetBubbleBounds();
  Bubble().PresentBubble(sixStep, 300, 300, "v", EDirection::Vertical, IBounds(0, 0, 50, 20));
  EXPECT_EQ(Bubble().GetRECT(), before.Union(Bubble().GetBubbleBounds()));
}

TEST_F(BubbleTest, HorizontalBubbleFlipsToTheCallersLeftAtTheRightEdge)
{
  Bubble().PresentBubble(knob, 100, 300, "v", EDirection::Horizontal, IBounds(0, 0, 50, 20));
  EXPECT_EQ(Bubble().GetArrowDir(), IBubbleControl::kWest);
  Bubble().PresentBubble(knob, 570, 300, "v", EDirection::Horizontal, IBounds(0, 0, 50, 20));
  EXPECT_EQ(Bubble().GetArrowDir(), IBubbleControl::kEast);
  EXPECT_FLOAT_EQ(Bubble().GetBubbleBounds().R, knob->GetRECT().L);
}

} // namespace
