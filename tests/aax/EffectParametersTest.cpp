// The library effect: parameter queries from the manager, set requests through the automation delegate,
// the change counter, the master-bypass query, chunk defaults.

#include <gtest/gtest.h>

#include <vector>

#include "aax/AAX_CEffectParameters.h"
#include "tests/support/FakeAAXHost.h"

using quorvane::test::FakeController;

namespace {

class TestEffect : public AAX_CEffectParameters
{
public:
  explicit TestEffect(bool withBypass) : mWithBypass(withBypass) {}

protected:
  AAX_Result EffectInit() override
  {
    if (mWithBypass)
      mParameterManager.AddParameter(std::make_unique<AAX_CParameter<bool>>(
        cDefaultMasterBypassID, "Master Bypass", false, AAX_CBinaryTaperDelegate<bool>(),
        AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true));
    mParameterManager.AddParameter(std::make_unique<AAX_CParameter<int>>(
      "gain", "Gain", 2, AAX_CLinearTaperDelegate<int, 1>(0, 4),
      AAX_CUnitDisplayDelegateDecorator<int>(AAX_CNumberDisplayDelegate<int, 0, 0>(), "dB"), true));
    // A duplicate identifier leaves the manager unchanged.
    EXPECT_FALSE(mParameterManager.AddParameter(std::make_unique<AAX_CParameter<int>>(
      "gain", "Other", 0, AAX_CLinearTaperDelegate<int, 1>(0, 1), AAX_CNumberDisplayDelegate<int, 0, 0>(), true)));
    EXPECT_FALSE(mParameterManager.AddParameter(nullptr));
    return AAX_SUCCESS;
  }

private:
  bool mWithBypass;
};

} // namespace

TEST(AAXEffectParameters, MasterBypassIsNamedOnlyWhenRegisteredUnderItsIdentifier)
{
  FakeController controller;
  TestEffect with(true), without(false);
  ASSERT_EQ(controller.Attach(with), AAX_SUCCESS);
  std::string id = "x";
  with.GetMasterBypassParameter(&id);
  EXPECT_EQ(id, "MasterBypassID");
  FakeController other;
  ASSERT_EQ(other.Attach(without), AAX_SUCCESS);
  without.GetMasterBypassParameter(&id);
  EXPECT_EQ(id, "");
}

TEST(AAXEffectParameters, QueriesAnswerFromTheManagerInOrder)
{
  FakeController controller;
  TestEffect effect(true);
  controller.Attach(effect);
  int32_t count = 0;
  effect.GetNumberOfParameters(&count);
  EXPECT_EQ(count, 2);
  std::string id, name, text;
  effect.GetParameterIDFromIndex(1, &id);
  EXPECT_EQ(id, "gain");
  EXPECT_EQ(effect.GetParameterIDFromIndex(2, &id), AAX_ERROR_INVALID_PARAMETER_INDEX);
  int32_t index = -1;
  effect.GetParameterIndex("gain", &index);
  EXPECT_EQ(index, 1);
  effect.GetParameterName("gain", &name);
  EXPECT_EQ(name, "Gain");
  effect.GetParameterNameOfLength("gain", &name, 2);
  EXPECT_EQ(name, "Ga");
  effect.GetParameterValueString("gain", &text, 32);
  EXPECT_EQ(text, "2dB");
  double n = -1.0;
  effect.GetParameterValueFromString("gain", &n, "3dB");
  EXPECT_DOUBLE_EQ(n, 0.75);
  effect.GetParameterDefaultNormalizedValue("gain", &n);
  EXPECT_DOUBLE_EQ(n, 0.5);
  EXPECT_EQ(effect.GetParameterName("nope", &name), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(effect.GetParameterName(nullptr, &name), AAX_ERROR_INVALID_PARAMETER_ID);
}

TEST(AAXEffectParameters, SetAsksTheHostAndOnlyItsAnswerChangesTheValue)
{
  FakeController controller;
  TestEffect effect(false);
  controller.Attach(effect);
  controller.mAutomation.mAnswer = false;
  EXPECT_EQ(effect.SetParameterNormalizedValue("gain", 1.0), AAX_SUCCESS);
  ASSERT_EQ(controller.mAutomation.mCalls.size(), 3u);
  EXPECT_EQ(controller.mAutomation.mCalls[0], "touch gain");
  EXPECT_EQ(controller.mAutomation.mCalls[1].rfind("set gain 1.0", 0), 0u);
  EXPECT_EQ(controller.mAutomation.mCalls[2], "release gain");
  double n = -1.0;
  effect.GetParameterNormalizedValue("gain", &n);
  EXPECT_DOUBLE_EQ(n, 0.5) << "unchanged until the host answers";

  int32_t before = 0, after = 0;
  effect.GetNumberOfChanges(&before);
  EXPECT_EQ(effect.UpdateParameterNormalizedValue("gain", 1.0, AAX_eUpdateSource_Unspecified), AAX_SUCCESS);
  effect.GetParameterNormalizedValue("gain", &n);
  EXPECT_DOUBLE_EQ(n, 1.0);
  effect.GetNumberOfChanges(&after);
  EXPECT_EQ(after, before + 1);
  EXPECT_EQ(effect.UpdateParameterNormalizedValue("nope", 1.0, AAX_eUpdateSource_Unspecified),
            AAX_ERROR_INVALID_PARAMETER_ID);
  effect.GetNumberOfChanges(&after);
  EXPECT_EQ(after, before + 1);
}

TEST(AAXEffectParameters, UninitializeRemovesEveryParameter)
{
  FakeController controller;
  TestEffect effect(true);
  controller.Attach(effect);
  effect.Uninitialize();
  int32_t count = -1;
  effect.GetNumberOfParameters(&count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(effect.Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);
}

TEST(AAXEffectParameters, LiveObjectsAreCounted)
{
  const int32_t before = AAX_CLiveObjectCount::Count();
  {
    TestEffect effect(false);
    EXPECT_EQ(AAX_CLiveObjectCount::Count(), before + 1);
  }
  EXPECT_EQ(AAX_CLiveObjectCount::Count(), before);
}
