// Text to value for whole-number parameters: a number beyond the integer type's range (found by
// fuzzing, where converting it was undefined behaviour) reads as that type's end.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "aax/AAX_CParameter.h"
#include "aax/AAX_Delegates.h"

TEST(AAXNumberDisplayRange, HugeTextReadsAsTheIntegerTypesEnds)
{
  const AAX_CNumberDisplayDelegate<int, 0, 0> display;
  int value = 7;
  ASSERT_TRUE(display.StringToValue("1e308", &value));
  EXPECT_EQ(value, std::numeric_limits<int>::max());
  ASSERT_TRUE(display.StringToValue("-1e308", &value));
  EXPECT_EQ(value, std::numeric_limits<int>::min());
  ASSERT_TRUE(display.StringToValue("2147483648", &value));
  EXPECT_EQ(value, std::numeric_limits<int>::max());
  ASSERT_TRUE(display.StringToValue("-2147483649", &value));
  EXPECT_EQ(value, std::numeric_limits<int>::min());
}

TEST(AAXNumberDisplayRange, EdgesOfTheRangeStillConvertExactly)
{
  const AAX_CNumberDisplayDelegate<int, 0, 0> display;
  int value = 0;
  ASSERT_TRUE(display.StringToValue("2147483647.9", &value));
  EXPECT_EQ(value, 2147483647);
  ASSERT_TRUE(display.StringToValue("-2147483648.9", &value));
  EXPECT_EQ(value, std::numeric_limits<int>::min());
  ASSERT_TRUE(display.StringToValue("-3.7", &value));
  EXPECT_EQ(value, -3);

  const AAX_CNumberDisplayDelegate<int64_t, 0, 0> wide;
  int64_t big = 0;
  ASSERT_TRUE(wide.StringToValue("1e19", &big));
  EXPECT_EQ(big, std::numeric_limits<int64_t>::max());
  ASSERT_TRUE(wide.StringToValue("-1e19", &big));
  EXPECT_EQ(big, std::numeric_limits<int64_t>::min());

  const AAX_CNumberDisplayDelegate<uint32_t, 0, 0> unsignedDisplay;
  uint32_t u = 5;
  ASSERT_TRUE(unsignedDisplay.StringToValue("-1e9", &u));
  EXPECT_EQ(u, 0u);
  ASSERT_TRUE(unsignedDisplay.StringToValue("4294967296", &u));
  EXPECT_EQ(u, std::numeric_limits<uint32_t>::max());
}

TEST(AAXNumberDisplayRange, IntParameterClampsHugeTextToItsRange)
{
  const AAX_CParameter<int> param("12", "Attack Time", 0, AAX_CLinearTaperDelegate<int, 1>(0, 5),
                                  AAX_CUnitDisplayDelegateDecorator<int>(AAX_CNumberDisplayDelegate<int, 0, 0>(), ""),
                                  true);
  double normalized = -1.0;
  ASSERT_TRUE(param.GetNormalizedValueFromString("1e308", &normalized));
  EXPECT_EQ(normalized, 1.0);
  ASSERT_TRUE(param.GetNormalizedValueFromString("-1e308", &normalized));
  EXPECT_EQ(normalized, 0.0);
  EXPECT_FALSE(param.GetNormalizedValueFromString("inf", &normalized));
}
