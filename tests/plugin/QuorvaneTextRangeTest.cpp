// Quorvane's whole-number parameters read host text beyond any integer (found by fuzzing) as the end
// of their range, through the effect-parameters interface a host uses.

#include <gtest/gtest.h>

#include <string>

#include "plugin/Quorvane.h"
#include "tests/support/FakeAAXHost.h"

using namespace quorvane;

TEST(QuorvaneTextRange, HugeNumbersClampOnEveryIntParameter)
{
  test::FakeController controller;
  Quorvane plug;
  ASSERT_EQ(controller.Attach(plug), AAX_SUCCESS);
  for (int idx : {kAttackTime, kBypass, kExternalSidechain, kRatio, kReleaseTime, kTurbo, kXFormer, kOversampling})
  {
    const std::string id = Quorvane::ParamIDFromIndex(idx);
    double normalized = -1.0;
    ASSERT_EQ(plug.GetParameterValueFromString(id.c_str(), &normalized, "1e308"), AAX_SUCCESS) << id;
    EXPECT_EQ(normalized, 1.0) << id;
    ASSERT_EQ(plug.GetParameterValueFromString(id.c_str(), &normalized, "-1e308"), AAX_SUCCESS) << id;
    EXPECT_EQ(normalized, 0.0) << id;
  }
}
