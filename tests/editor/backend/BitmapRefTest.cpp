#include "editor/backend/BitmapRef.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace iplug::igraphics;

namespace {

APIBitmap gAny(1, 1, 1, 1.0f); // stands in where only the frame arithmetic matters

void ExpectEmpty(const IBitmapRef& b)
{
  EXPECT_FALSE(b.IsValid());
  EXPECT_EQ(b.mAPIBitmap, nullptr);
  EXPECT_EQ(b.W(), 0);
  EXPECT_EQ(b.H(), 0);
  EXPECT_EQ(b.N(), 0);
  EXPECT_FALSE(b.mFramesAreHorizontal);
  EXPECT_TRUE(b.mResourceName.empty());
}

} // namespace

TEST(BitmapRef, KnobStripInEditorUnits)
{
  APIBitmap knob(7, 128, 15488, 2.0f);
  const IBitmapRef b = MakeBitmapRef(&knob, 121, false, "AKNOB.png");
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(b.mAPIBitmap, &knob);
  EXPECT_EQ(b.W(), 64);
  EXPECT_EQ(b.H(), 7744);
  EXPECT_EQ(b.N(), 121);
  EXPECT_EQ(b.FW(), 64);
  EXPECT_EQ(b.FH(), 64);
  EXPECT_FALSE(b.mFramesAreHorizontal);
  EXPECT_EQ(b.mResourceName, "AKNOB.png");
}

TEST(BitmapRef, KeepsOrientationAndDividesWidthOfHorizontalStrips)
{
  APIBitmap bar(1, 354, 68, 2.0f);
  const IBitmapRef b = MakeBitmapRef(&bar, 2, true, "OVER.png");
  EXPECT_EQ(b.W(), 177);
  EXPECT_EQ(b.H(), 34);
  EXPECT_TRUE(b.mFramesAreHorizontal);
  EXPECT_EQ(b.FW(), 88);
  EXPECT_EQ(b.FH(), 34);
}

TEST(BitmapRef, SizeIsTruncatedNotRounded)
{
  APIBitmap odd(1, 101, 299, 2.0f);
  const IBitmapRef b = MakeBitmapRef(&odd, 1, false, "x.png");
  EXPECT_EQ(b.W(), 50);
  EXPECT_EQ(b.H(), 149);
  APIBitmap third(1, 100, 100, 1.5f);
  EXPECT_EQ(MakeBitmapRef(&third, 1, false, "x.png").W(), 66);
  APIBitmap single(1, 605, 602, 1.0f);
  EXPECT_EQ(MakeBitmapRef(&single, 1, false, "x.png").H(), 602);
}

TEST(BitmapRef, NoBitmapGivesTheEmptyRef)
{
  ExpectEmpty(MakeBitmapRef(nullptr, 121, true, "AKNOB.png"));
  ExpectEmpty(IBitmapRef{});
}

TEST(BitmapRef, UnusableScaleGivesTheEmptyRefInsteadOfUndefinedConversion)
{
  for (float scale : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e-30f})
  {
    APIBitmap bad(1, 128, 128, scale);
    ExpectEmpty(MakeBitmapRef(&bad, 2, true, "x.png"));
  }
  APIBitmap negative(1, -4, 128, 1.0f);
  ExpectEmpty(MakeBitmapRef(&negative, 1, false, "x.png"));
}

TEST(FrameOffset, VerticalKnobStrip)
{
  APIBitmap knob(7, 128, 15488, 2.0f);
  const IBitmapRef b = MakeBitmapRef(&knob, 121, false, "AKNOB.png");
  EXPECT_EQ(FrameSourceOffset(b, 1).y, 0);
  EXPECT_EQ(FrameSourceOffset(b, 2).y, 64);
  EXPECT_EQ(FrameSourceOffset(b, 61).y, 3840);
  EXPECT_EQ(FrameSourceOffset(b, 121).y, 7680);
  EXPECT_EQ(FrameSourceOffset(b, 121).x, 0);
}

TEST(FrameOffset, FrameIsLimitedToTheStrip)
{
  APIBitmap knob(7, 128, 15488, 2.0f);
  const IBitmapRef b = MakeBitmapRef(&knob, 121, false, "AKNOB.png");
  EXPECT_EQ(FrameSourceOffset(b, 0).y, 0);
  EXPECT_EQ(FrameSourceOffset(b, -5).y, 0);
  EXPECT_EQ(FrameSourceOffset(b, 500).y, 7680);
}

TEST(FrameOffset, HorizontalStripUsesWidth)
{
  const IBitmapRef b(&gAny, 300, 50, 3, true, "h.png");
  EXPECT_EQ(FrameSourceOffset(b, 3).x, 200);
  EXPECT_EQ(FrameSourceOffset(b, 3).y, 0);
}

TEST(FrameOffset, IntegerDivisionAfterMultiplication)
{
  // (i - 1) * H / N, not (i - 1) * (H / N): frame 7 of 100 units in 7 frames starts at 85, not 6 * 14.
  const IBitmapRef b(&gAny, 10, 100, 7, false, "v.png");
  EXPECT_EQ(FrameSourceOffset(b, 2).y, 14);
  EXPECT_EQ(FrameSourceOffset(b, 7).y, 85);
}

TEST(FrameOffset, TallStripsDoNotOverflow)
{
  const IBitmapRef b(&gAny, 10, 2'000'000'000, 4, false, "tall.png");
  EXPECT_EQ(FrameSourceOffset(b, 4).y, 1'500'000'000);
}

TEST(FrameOffset, SingleAndEmptyBitmapsAreNeverDivided)
{
  ExpectEmpty(MakeBitmapRef(nullptr, 121, false, "AKNOB.png"));
  const IBitmapRef empty;
  for (int frame : {-1, 0, 1, 2, 121})
  {
    EXPECT_EQ(FrameSourceOffset(empty, frame).x, 0);
    EXPECT_EQ(FrameSourceOffset(empty, frame).y, 0);
  }
  EXPECT_EQ(empty.FW(), 0);
  EXPECT_EQ(empty.FH(), 0);
  APIBitmap bg(1, 1210, 1204, 2.0f);
  const IBitmapRef single = MakeBitmapRef(&bg, 1, false, "BG.png");
  EXPECT_EQ(FrameSourceOffset(single, 5).y, 0);
  EXPECT_EQ(single.FH(), 602);
}
