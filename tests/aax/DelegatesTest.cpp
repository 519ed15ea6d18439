// Tapers and display texts: the documented numbers and texts, limited lengths, text back to value.

#include <gtest/gtest.h>

#include <string>

#include "aax/AAX_Delegates.h"

TEST(AAXLinearTaper, RoundsToWholeNumbersAndClamps)
{
  const AAX_CLinearTaperDelegate<int, 1> taper(0, 5);
  EXPECT_EQ(taper.NormalizedToReal(0.0), 0);
  EXPECT_EQ(taper.NormalizedToReal(0.5), 3); // floor(2.5 + 0.5)
  EXPECT_EQ(taper.NormalizedToReal(0.49), 2);
  EXPECT_EQ(taper.NormalizedToReal(1.0), 5);
  EXPECT_EQ(taper.NormalizedToReal(7.0), 5);
  EXPECT_EQ(taper.NormalizedToReal(-1.0), 0);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(3), 0.6);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(9), 1.0);
  EXPECT_EQ(taper.ConstrainRealValue(-2), 0);
}

TEST(AAXLinearTaper, EmptyRangeGivesMinAndHalf)
{
  const AAX_CLinearTaperDelegate<int, 1> taper(3, 3);
  EXPECT_EQ(taper.NormalizedToReal(0.8), 3);
  EXPECT_EQ(taper.ConstrainRealValue(7), 3);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(3), 0.5);
}

TEST(AAXBinaryTaper, AnythingAboveZeroIsTrue)
{
  const AAX_CBinaryTaperDelegate<bool> taper;
  EXPECT_FALSE(taper.NormalizedToReal(0.0));
  EXPECT_TRUE(taper.NormalizedToReal(1e-9));
  EXPECT_EQ(taper.RealToNormalized(true), 1.0);
  EXPECT_EQ(taper.RealToNormalized(false), 0.0);
}

TEST(AAXUnitDisplay, TwoDecimalsThenTheLabelWithoutSpace)
{
  const AAX_CUnitDisplayDelegateDecorator<double> display(AAX_CNumberDisplayDelegate<double, 2, 0>(), "dB");
  std::string text;
  display.ValueToString(-3.5, &text);
  EXPECT_EQ(text, "-3.50dB");
  display.ValueToString(-3.5, 32, &text);
  EXPECT_EQ(text, "-3.50dB");
  const AAX_CUnitDisplayDelegateDecorator<int> ints(AAX_CNumberDisplayDelegate<int, 0, 0>(), "ms");
  ints.ValueToString(4, &text);
  EXPECT_EQ(text, "4ms");
}

TEST(AAXUnitDisplay, LimitedLengthCutsTheNumberAndAppendsTheLabelOnlyWhole)
{
  const AAX_CUnitDisplayDelegateDecorator<double> display(AAX_CNumberDisplayDelegate<double, 2, 0>(), "dB");
  std::string text;
  display.ValueToString(-3.5, 7, &text);
  EXPECT_EQ(text, "-3.50dB"); // exactly fits
  display.ValueToString(-3.5, 6, &text);
  EXPECT_EQ(text, "-3.50"); // label would not fit whole
  display.ValueToString(-3.5, 5, &text);
  EXPECT_EQ(text, "-3.50");
  display.ValueToString(-3.5, 3, &text);
  EXPECT_EQ(text, "-3"); // "-3." loses its dangling point, then no room for the label
  display.ValueToString(12.25, 4, &text);
  EXPECT_EQ(text, "12.2");
  display.ValueToString(5.0, 4, &text);
  EXPECT_EQ(text, "5.00");
  display.ValueToString(5.0, 2, &text);
  EXPECT_EQ(text, "5");
}

TEST(AAXUnitDisplay, TextBackToValueDropsATrailingLabel)
{
  const AAX_CUnitDisplayDelegateDecorator<double> display(AAX_CNumberDisplayDelegate<double, 2, 0>(), "dB");
  double value = 0.0;
  EXPECT_TRUE(display.StringToValue("-3.50dB", &value));
  EXPECT_DOUBLE_EQ(value, -3.5);
  EXPECT_TRUE(display.StringToValue("4.25", &value));
  EXPECT_DOUBLE_EQ(value, 4.25);
  EXPECT_FALSE(display.StringToValue("loud", &value));
  EXPECT_FALSE(display.StringToValue("dB", &value));
}

TEST(AAXStringDisplay, KnownTextsAndStringNotFound)
{
  const AAX_CStringDisplayDelegate<int> display({{0, "Off"}, {1, "On"}});
  std::string text;
  EXPECT_TRUE(display.ValueToString(1, &text));
  EXPECT_EQ(text, "On");
  EXPECT_FALSE(display.ValueToString(2, &text));
  EXPECT_EQ(text, "String Not Found");
  display.ValueToString(2, 6, &text);
  EXPECT_EQ(text, "String");
  int value = -1;
  EXPECT_TRUE(display.StringToValue("Off", &value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(display.StringToValue("Maybe", &value));
}

TEST(AAXBinaryDisplay, BypassAndOn)
{
  const AAX_CBinaryDisplayDelegate<bool> display("bypass", "on");
  std::string text;
  display.ValueToString(false, &text);
  EXPECT_EQ(text, "bypass");
  display.ValueToString(true, &text);
  EXPECT_EQ(text, "on");
  bool value = false;
  EXPECT_TRUE(display.StringToValue("on", &value));
  EXPECT_TRUE(value);
  EXPECT_FALSE(display.StringToValue("off", &value));
}
