// The platform windows' arithmetic and tables, checked here because the Windows window itself only runs
// under Wine: the tick interval, the outward rounding between pixels and units, the pen-and-touch
// signature, the wheel, the cursor table, the version with vertical-blank waits, and which blanks are served.

#include "editor/platform/PlatformRules.h"

#include <gtest/gtest.h>

namespace iplug::igraphics::platform {
namespace {

TEST(PlatformRules, TickIntervalIsAFrameButNeverBelowTwentyMsExceptFifteen)
{
  EXPECT_EQ(15, TimerIntervalMs(60));
  EXPECT_EQ(33, TimerIntervalMs(30));
  EXPECT_EQ(20, TimerIntervalMs(50));
  EXPECT_EQ(15, TimerIntervalMs(51)); // 19 ms would be below 20
  EXPECT_EQ(15, TimerIntervalMs(0));  // no rate: the editor's default
}

TEST(PlatformRules, RectanglesRoundOutwardBothWays)
{
  // A needle region at zoom 1.5: every pixel it touches is invalidated, and a pixel region covers
  // every unit it touches.
  const PixelRect px = UnitsToPixels(IBounds(96.25f, 74.25f, 257.75f, 146.75f), 1.5f);
  EXPECT_EQ(144, px.left);
  EXPECT_EQ(111, px.top);
  EXPECT_EQ(387, px.right);
  EXPECT_EQ(221, px.bottom);

  const IBounds units = PixelsToUnits(px, 1.5f);
  EXPECT_FLOAT_EQ(96.0f, units.L);
  EXPECT_FLOAT_EQ(74.0f, units.T);
  EXPECT_FLOAT_EQ(258.0f, units.R);
  EXPECT_FLOAT_EQ(148.0f, units.B);
  EXPECT_LE(units.L, 96.25f);
  EXPECT_GE(units.B, 146.75f);
}

TEST(PlatformRules, PenAndTouchSignatureWheelAndCursorTable)
{
  EXPECT_TRUE(IsPenOrTouch(0xFF515780u));
  EXPECT_TRUE(IsPenOrTouch(0xFF515700u));
  EXPECT_FALSE(IsPenOrTouch(0));
  EXPECT_FALSE(IsPenOrTouch(0xFF525780u));

  EXPECT_EQ(-2, WheelNotches(-240));
  EXPECT_EQ(1, WheelNotches(120));
  EXPECT_EQ(0, WheelNotches(60)); // high-resolution wheels: a part notch turns nothing

  EXPECT_EQ(32512, SystemCursorId(ECursor::ARROW));
  EXPECT_EQ(32642, SystemCursorId(ECursor::SIZENWSE)); // the corner handle's
  EXPECT_EQ(32649, SystemCursorId(ECursor::HAND));
  EXPECT_EQ(32651, SystemCursorId(ECursor::HELP));
}

TEST(PlatformRules, VerticalBlankWaitsFromWindowsEight)
{
  EXPECT_FALSE(HasVerticalBlankWaits(6, 1));
  EXPECT_TRUE(HasVerticalBlankWaits(6, 2));
  EXPECT_TRUE(HasVerticalBlankWaits(10, 0));
  EXPECT_FALSE(HasVerticalBlankWaits(5, 9));
}

TEST(PlatformRules, OnlyTheNewestBlankIsServedAndOneIsSkippedAfterALatePaint)
{
  VBlankGate gate;
  // Three blanks queued behind a slow paint: the stale ones are dropped.
  EXPECT_FALSE(gate.Serve(1, 3));
  EXPECT_FALSE(gate.Serve(2, 3));
  EXPECT_TRUE(gate.Serve(3, 3));

  // The paint for 3 ran until the counter reached 4: blank 4, already under way, is skipped as well.
  gate.Painted(3, 4);
  EXPECT_FALSE(gate.Serve(4, 4));
  EXPECT_TRUE(gate.Serve(5, 5));
  gate.Painted(5, 5);
  EXPECT_TRUE(gate.Serve(6, 6));

  // The counter wraps without a stall.
  gate.Painted(0xFFFFFFFFu, 0u);
  EXPECT_FALSE(gate.Serve(0u, 0u));
  EXPECT_TRUE(gate.Serve(1u, 1u));
}

} // namespace
} // namespace iplug::igraphics::platform
