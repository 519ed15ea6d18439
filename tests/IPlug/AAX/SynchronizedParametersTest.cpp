// The synchronized hand-off of AAX_CIPlugParameters: state numbers, the change-number rule (with its wrap),
// the pairs an instance receives, and the spent lists freed on the idle call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IPlug/AAX/AAX_CIPlugParameters.h"
#include "tests/support/FakeAAXHost.h"

using quorvane::test::FakeController;

TEST(AAXChangeNumberRule, AListWaitsUntilTheContextReachesIt)
{
  EXPECT_TRUE(AAX_CIPlugParameters::IsListDue(5, 5));
  EXPECT_TRUE(AAX_CIPlugParameters::IsListDue(6, 5));
  EXPECT_FALSE(AAX_CIPlugParameters::IsListDue(4, 5));
  EXPECT_FALSE(AAX_CIPlugParameters::IsListDue(-1, 0));
}

TEST(AAXChangeNumberRule, AWrappedCounterLetsOldListsThrough)
{
  EXPECT_TRUE(AAX_CIPlugParameters::IsListDue(-65536, 65536));
  EXPECT_FALSE(AAX_CIPlugParameters::IsListDue(-65535, 65536)) << "not below -65535";
  EXPECT_FALSE(AAX_CIPlugParameters::IsListDue(-65536, 65535)) << "n not at least 65536";
  EXPECT_TRUE(AAX_CIPlugParameters::IsListDue(INT64_MIN, INT64_MAX));
}

namespace {

class SyncEffect : public AAX_CIPlugParameters
{
public:
  struct Received
  {
    std::vector<std::string> mIDs;
    std::vector<double> mValues;
  };
  std::vector<Received> mRenders;

protected:
  AAX_Result EffectInit() override
  {
    for (const char* id : {"a", "b"})
    {
      auto p = std::make_unique<AAX_CParameter<double>>(id, id, 0.0, AAX_CLinearTaperDelegate<double>(0.0, 1.0),
                                                        AAX_CNumberDisplayDelegate<double>(), true);
      RegisterSynchronizedParameter(*p);
      mParameterManager.AddParameter(std::move(p));
    }
    return AAX_SUCCESS;
  }
  void RenderInstance(AAX_SIPlugContext*, const TParamValPair* const pairs[], int32_t count) override
  {
    Received r;
    for (int32_t i = 0; i < count; ++i)
    {
      r.mIDs.push_back(pairs[i]->first);
      double v = -1.0;
      pairs[i]->second->GetValueAsDouble(&v);
      r.mValues.push_back(v);
    }
    mRenders.push_back(r);
  }
};

struct Context
{
  AAX_SIPlugContext mContext{};
  AAX_SIPlugPrivateData mPrivate;
  int64_t mChangeNumber = 0;

  explicit Context(AAX_IEffectParameters& effect)
  {
    effect.ResetFieldData(kAAX_FieldIndex_Private, &mPrivate, sizeof(mPrivate));
    mPrivate.mInstance = &effect; // the library's ResetFieldData only clears
    mContext.mPrivateField = &mPrivate;
    mContext.mChangeNumberField = &mChangeNumber;
  }
  void Render()
  {
    AAX_SIPlugContext* contexts[] = {&mContext};
    AAX_CIPlugParameters::RenderAllInstances(contexts, contexts + 1);
  }
};

} // namespace

TEST(AAXSynchronizedParameters, ValuesArriveOnceTheirStateNumberIsPosted)
{
  FakeController controller;
  SyncEffect effect;
  ASSERT_EQ(controller.Attach(effect), AAX_SUCCESS);
  Context context(effect);

  effect.UpdateParameterNormalizedValue("b", 0.25, AAX_eUpdateSource_Unspecified);
  effect.UpdateParameterNormalizedValue("a", 0.75, AAX_eUpdateSource_Unspecified);
  ASSERT_EQ(effect.GenerateCoefficients(), AAX_SUCCESS); // state 0 holds a and b
  ASSERT_EQ(effect.GenerateCoefficients(), AAX_SUCCESS); // state 1: nothing changed, nothing queued
  ASSERT_EQ(controller.mPackets.size(), 2u);
  EXPECT_EQ(controller.mPackets[0], std::make_pair(AAX_CFieldIndex{25}, int64_t{0}));
  EXPECT_EQ(controller.mPackets[1], std::make_pair(AAX_CFieldIndex{25}, int64_t{1}));
  EXPECT_EQ(effect.ChangeCounter(), 2);

  context.mChangeNumber = -1; // the context has not reached state 0 yet
  context.Render();
  ASSERT_EQ(effect.mRenders.size(), 1u);
  EXPECT_TRUE(effect.mRenders[0].mIDs.empty());

  context.mChangeNumber = 0;
  context.Render();
  ASSERT_EQ(effect.mRenders.size(), 2u);
  EXPECT_EQ(effect.mRenders[1].mIDs.size(), 2u);
  EXPECT_EQ(effect.mRenders[1].mValues.size(), 2u);

  context.Render(); // handed over once only
  EXPECT_TRUE(effect.mRenders[2].mIDs.empty());
  EXPECT_EQ(effect.TimerWakeup(), AAX_SUCCESS); // frees the spent list and pairs (ASan would see a leak)
}

TEST(AAXSynchronizedParameters, NullContextsAndPrivateDataAreSkipped)
{
  FakeController controller;
  SyncEffect effect;
  controller.Attach(effect);
  Context good(effect);
  AAX_SIPlugContext noPrivate{};
  AAX_SIPlugPrivateData empty;
  AAX_SIPlugContext emptyPrivate{};
  emptyPrivate.mPrivateField = &empty;
  AAX_SIPlugContext* contexts[] = {nullptr, &noPrivate, &emptyPrivate, &good.mContext};
  AAX_CIPlugParameters::RenderAllInstances(contexts, contexts + 4);
  EXPECT_EQ(effect.mRenders.size(), 1u);
  AAX_CIPlugParameters::RenderAllInstances(nullptr, nullptr);
}
