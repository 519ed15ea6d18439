// What the user feels from the film-strip controls: drags, fine drags, stepped knobs, the wheel,
// switch clicks, held controls, and the frame drawn for a value.

#include <stdexcept>

#include "tests/editor/EditorFixture.h"

using namespace quorvane::test;

namespace {

using ControlsTest = EditorTest;

TEST_F(ControlsTest, KnobDragUpOneHeightMovesAQuarterAndSendsOneGesture)
{
  DragVertically(knob, -64.0f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
  ASSERT_FALSE(d.mSent.empty());
  EXPECT_EQ(d.mSent.back().first, kContinuous);
  EXPECT_DOUBLE_EQ(d.mSent.back().second, 0.25);
  EXPECT_DOUBLE_EQ(d.GetParam(kContinuous)->Value(), 25.0);
  EXPECT_EQ(d.mLog, (std::vector<std::string>{"begin 0", "end 0"}));
  // Frame (int)(0.25 × 120 + 0.5) + 1 = 31 of the 121-frame strip (7744 units high).
  EXPECT_EQ(DrawnSourceY(knob), 30 * 7744 / 121);
  // The cursor hides (locked) for the drag and comes back on release.
  EXPECT_EQ(g.mCursorRequests, (std::vector<std::string>{"hide+lock", "show"}));
}

TEST_F(ControlsTest, FineDragNeedsTenTimesTheDistance)
{
  IPointerMods ctrl = Left();
  ctrl.C = true;
  DragVertically(knob, -64.0f, ctrl);
  EXPECT_NEAR(knob->GetValue(), 0.025, 1e-12);

  IPointerMods shift = Left();
  shift.S = true;
  DragVertically(knob, -64.0f, shift);
  EXPECT_NEAR(knob->GetValue(), 0.05, 1e-12);
}

TEST_F(ControlsTest, OvershootPastTheEndIsForgotten)
{
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  g.PointerDown({At(x, y)});
  g.PointerDrag({At(x, y - 1000, Left(), 0, -1000)});
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  g.PointerDrag({At(x, y - 968, Left(), 0, 32)});
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.875);
  g.PointerUp({At(x, y)});
}

TEST_F(ControlsTest, SixStepKnobJumpsBetweenItsPositions)
{
  const float x = sixStep->GetRECT().MW();
  const float y = sixStep->GetRECT().MH();
  g.PointerDown({At(x, y)});
  // 20 units = 0.078 of a sweep: still nearest to position 0.
  g.PointerDrag({At(x, y - 20, Left(), 0, -20)});
  EXPECT_DOUBLE_EQ(sixStep->GetValue(), 0.0);
  // 40 units = 0.156: nearest to position 1 of 5.
  g.PointerDrag({At(x, y - 40, Left(), 0, -20)});
  EXPECT_DOUBLE_EQ(sixStep->GetValue(), 0.2);
  g.PointerUp({At(x, y - 40)});
  EXPECT_EQ(d.GetParam(kSixStep)->Value(), 1.0);
  // Frame 2 of the six-frame strip (384 units high).
  EXPECT_EQ(DrawnSourceY(sixStep), 64);
}

TEST_F(ControlsTest, WheelMovesByNotchOrByStep)
{
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  g.WheelTurned(x, y, IPointerMods(), 1.0f);
  EXPECT_NEAR(knob->GetValue(), 0.01, 1e-12);
  IPointerMods fine;
  fine.C = true;
  g.WheelTurned(x, y, fine, 1.0f);
  EXPECT_NEAR(knob->GetValue(), 0.011, 1e-12);
  g.WheelTurned(x, y, IPointerMods(), -5.0f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);

  const float sx = sixStep->GetRECT().MW();
  const float sy = sixStep->GetRECT().MH();
  g.WheelTurned(sx, sy, IPointerMods(), 1.0f);
  EXPECT_DOUBLE_EQ(sixStep->GetValue(), 0.2);
  g.WheelTurned(sx, sy, IPointerMods(), 3.0f); // one step per notch event, whatever its size
  EXPECT_DOUBLE_EQ(sixStep->GetValue(), 0.4);
  g.WheelTurned(sx, sy, IPointerMods(), -1.0f);
  EXPECT_DOUBLE_EQ(sixStep->GetValue(), 0.2);
  // No gestures for the wheel.
  EXPECT_TRUE(d.mLog.empty());
}

TEST_F(ControlsTest, HeldKnobIgnoresValuesFromThePlugin)
{
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  g.PointerDown({At(x, y)});
  d.SendParamValueToControls(kContinuous, 0.9, true);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
  g.PointerUp({At(x, y)});
  d.SendParamValueToControls(kContinuous, 0.9, true);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.9);
  // The meter takes real values through the parameter's normalisation.
  d.SendParamValueToControls(kMeter, 0.5, false);
  EXPECT_DOUBLE_EQ(meter->GetValue(), 0.5);
}

TEST_F(ControlsTest, SwitchClicksAndDoubleClicksToggle)
{
  Click(toggle);
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 1.0);
  EXPECT_EQ(DrawnSourceY(toggle), 74);
  Click(toggle);
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 0.0);
  EXPECT_EQ(DrawnSourceY(toggle), 0);

  // A double-click arrives as press, release, double-click, release: two toggles.
  const float x = toggle->GetRECT().MW();
  const float y = toggle->GetRECT().MH();
  d.mLog.clear();
  g.PointerDown({At(x, y)});
  g.PointerUp({At(x, y)});
  EXPECT_TRUE(g.PointerDoubleClick(x, y, Left()));
  g.PointerUp({At(x, y)});
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 0.0);
  EXPECT_EQ(d.mLog, (std::vector<std::string>{"begin 2", "end 2", "begin 2", "end 2"}));
  EXPECT_EQ(d.GetParam(kToggle)->Value(), 0.0);
}

TEST_F(ControlsTest, RightClickAndDoubleClickOpenNothing)
{
  Click(knob, Right());
  Click(toggle, Right());
  Click(meter, Right());
  const float x = knob->GetRECT().MW();
  const float y = knob->GetRECT().MH();
  EXPECT_TRUE(g.PointerDoubleClick(x, y, Left()));
  EXPECT_TRUE(g.PointerDoubleClick(meter->GetRECT().MW(), meter->GetRECT().MH(), Left()));
  EXPECT_TRUE(g.mTextEntries.empty());
  EXPECT_TRUE(g.mMenusShown.empty());
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 0.0);
  // A right-click on a parameter control sends no gesture either.
  EXPECT_TRUE(d.mLog.empty());

  // A drag that follows the double-click does not move the knob.
  g.PointerDrag({At(x, y - 64, Left(), 0, -64)});
  g.PointerUp({At(x, y - 64)});
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
}

TEST_F(ControlsTest, LeftClickOnTheMeterOnlyBracketsAGesture)
{
  Click(meter);
  EXPECT_DOUBLE_EQ(meter->GetValue(), 0.0);
  EXPECT_EQ(d.mLog, (std::vector<std::string>{"begin 3", "end 3"}));
  EXPECT_TRUE(d.mSent.empty());
}

TEST(BitmapFrames, ValueChoosesTheNearestFrame)
{
  EXPECT_EQ(IBitmapBase::FrameForValue(0.0, 121), 1);
  EXPECT_EQ(IBitmapBase::FrameForValue(0.5, 121), 61);
  EXPECT_EQ(IBitmapBase::FrameForValue(1.0, 121), 121);
  EXPECT_EQ(IBitmapBase::FrameForValue(0.004, 101), 1);
  EXPECT_EQ(IBitmapBase::FrameForValue(0.006, 101), 2);
  EXPECT_EQ(IBitmapBase::FrameForValue(0.5, 101), 51);
  EXPECT_EQ(IBitmapBase::FrameForValue(7.0, 1), 1);
}

TEST_F(ControlsTest, FramesAreCentredAndTheLastFrameHasTheLastOffset)
{
  knob->SetValue(1.0);
  EXPECT_EQ(DrawnSourceY(knob), 7680);
  // An empty bitmap is never divided into frames and draws nothing.
  IBitmapControl empty(10, 10, IBitmapRef());
  EXPECT_EQ(empty.GetRECT(), IBounds(10, 10, 10, 10));
}

TEST_F(ControlsTest, ValueFlowClampsAnnouncesAndRespectsBinding)
{
  knob->SetValue(3.0);
  knob->MarkDirty(false);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  EXPECT_TRUE(d.mSent.empty());

  d.mSent.clear();
  knob->TakeValueFromUser(1.0); // unchanged: nothing announced
  EXPECT_TRUE(d.mSent.empty());
  knob->TakeValueFromUser(0.5);
  ASSERT_EQ(d.mSent.size(), 1u);
  EXPECT_EQ(d.mSent[0], (std::pair<int, double>{kContinuous, 0.5}));

  EXPECT_THROW(knob->BindParam(kSixStep, 1), std::out_of_range);
  knob->ResetValueToDefault();
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
}

TEST_F(ControlsTest, PeersBoundToTheSameParameterFollowAUserChange)
{
  auto* twin = Add(new IBKnobControl(300, 100, g.LoadBitmapResource("AKNOB.png", 121), kContinuous));
  DragVertically(knob, -128.0f);
  EXPECT_DOUBLE_EQ(twin->GetValue(), 0.5);
}

TEST_F(ControlsTest, HiddenAndDisabledControlsAreSkippedByThePointer)
{
  toggle->SetControlDisabled(true);
  EXPECT_FLOAT_EQ(toggle->GetBlend().mWeight, 0.25f);
  Click(toggle);
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 0.0);
  toggle->SetControlDisabled(false);
  toggle->SetHidden(true);
  Click(toggle);
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 0.0);
  toggle->SetHidden(false);
  Click(toggle);
  EXPECT_DOUBLE_EQ(toggle->GetValue(), 1.0);
}

TEST_F(ControlsTest, MoveAndResizeKeepTheControlOnTheSurface)
{
  knob->MoveControlTo(-10, 20);
  EXPECT_EQ(knob->GetRECT(), IBounds(0, 20, 64, 84));
  EXPECT_EQ(knob->GetTargetRECT(), IBounds(0, 20, 64, 84));
  knob->ResizeControl(-5, 30);
  EXPECT_EQ(knob->GetRECT(), IBounds(0, 20, 0, 50));
  EXPECT_FALSE(knob->HitTest(0, 30)); // no width left to hit
}

} // namespace
