// The render callback with Quorvane: channel wiring (side chain on channel 2), skipped contexts, a longer
// block, bypass, transport, latency reports, and no allocation on the way.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "plugin/Quorvane.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/FakeAAXHost.h"

using namespace iplug;
using namespace quorvane;
using quorvane::test::FakeController;

namespace {

// Records what the chain would see; the chain itself still runs.
class ProbeQuorvane : public Quorvane
{
public:
  void ProcessAudioBlock(sample** inputs, sample** outputs, int frames) override
  {
    ++mBlocks;
    for (int c = 0; c < 4; ++c)
      mFirstIn[c] = inputs[c][0];
    mConnectedIn = ConnectedChannelCount(ChannelDirection::Input);
    mConnectedOut = ConnectedChannelCount(ChannelDirection::Output);
    mTransport = GetTransportInfo();
    Quorvane::ProcessAudioBlock(inputs, outputs, frames);
  }
  void ResetProcessing() override
  {
    ++mResets;
    Quorvane::ResetProcessing();
  }
  int mBlocks = 0;
  int mResets = 0;
  double mFirstIn[4] = {};
  int mConnectedIn = -1;
  int mConnectedOut = -1;
  TransportInfo mTransport;
};

struct Rig
{
  static constexpr int kMax = 2048;
  FakeController controller;
  std::unique_ptr<ProbeQuorvane> plug = std::make_unique<ProbeQuorvane>();
  std::vector<std::vector<float>> in{3, std::vector<float>(kMax)};
  std::vector<std::vector<float>> out{2, std::vector<float>(kMax)};
  float* inPtrs[3];
  float* outPtrs[2];
  int32_t blockLength = 256;
  int64_t changeNumber = 0;
  int32_t sideChain = 0;
  AAX_SIPlugPrivateData privateData;
  quorvane::test::FakeTransportNode transportNode{&controller.mTransport};
  AAX_SIPlugContext context{};

  explicit Rig(int channels)
  {
    controller.mInputFormat = controller.mOutputFormat = channels == 1 ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo;
    EXPECT_EQ(controller.Attach(*plug), AAX_SUCCESS);
    plug->ResetFieldData(kAAX_FieldIndex_Private, &privateData, sizeof(privateData));
    for (int c = 0; c < 3; ++c)
      inPtrs[c] = in[static_cast<size_t>(c)].data();
    for (int c = 0; c < 2; ++c)
      outPtrs[c] = out[static_cast<size_t>(c)].data();
    context.mInputBuffersField = inPtrs;
    context.mOutputBuffersField = outPtrs;
    context.mBlockLengthField = &blockLength;
    context.mTransportField = &transportNode;
    context.mPrivateField = &privateData;
    context.mChangeNumberField = &changeNumber;
    context.mSideChainField = &sideChain;
  }
  void Fill(int channel, float value) { std::fill(in[static_cast<size_t>(channel)].begin(), in[static_cast<size_t>(channel)].end(), value); }
  void Render()
  {
    AAX_SIPlugContext* contexts[] = {&context};
    AAX_CIPlugParameters::RenderAllInstances(contexts, contexts + 1);
  }
};

} // namespace

TEST(QuorvaneAAXRender, PrivateFieldHoldsTheInstance)
{
  Rig rig(2);
  EXPECT_NE(rig.privateData.mInstance, nullptr);
  EXPECT_EQ(rig.privateData.mInstance, static_cast<AAX_IEffectParameters*>(rig.plug.get()));
  uint64_t other = ~0ull;
  rig.plug->ResetFieldData(kAAX_FieldIndex_Meters, &other, sizeof(other));
  EXPECT_EQ(other, 0u);
  uint32_t tooSmall = ~0u;
  EXPECT_EQ(rig.plug->ResetFieldData(kAAX_FieldIndex_Private, &tooSmall, sizeof(tooSmall)), AAX_SUCCESS);
  EXPECT_EQ(tooSmall, 0u) << "cleared, and nothing written past it";
}

TEST(QuorvaneAAXRender, MonoWithSideChainAtIndexOneLandsOnChannelTwo)
{
  Rig rig(1);
  rig.Fill(0, 0.25f);
  rig.Fill(1, 0.5f); // the side chain, at index 1 of the host's array
  rig.sideChain = 1;
  rig.Render();
  ASSERT_EQ(rig.plug->mBlocks, 1);
  EXPECT_FLOAT_EQ(static_cast<float>(rig.plug->mFirstIn[0]), 0.25f);
  EXPECT_EQ(rig.plug->mFirstIn[1], 0.0) << "channel 1 disconnected: silent";
  EXPECT_FLOAT_EQ(static_cast<float>(rig.plug->mFirstIn[2]), 0.5f);
  EXPECT_EQ(rig.plug->mConnectedIn, 2); // channels 0 and 2
  EXPECT_EQ(rig.plug->mConnectedOut, 1);
}

TEST(QuorvaneAAXRender, StereoWithoutSideChainLeavesChannelTwoDisconnected)
{
  Rig rig(2);
  rig.Fill(0, 0.25f);
  rig.Fill(1, -0.25f);
  rig.Fill(2, 0.75f); // not announced: never read
  rig.Render();
  EXPECT_FLOAT_EQ(static_cast<float>(rig.plug->mFirstIn[0]), 0.25f);
  EXPECT_FLOAT_EQ(static_cast<float>(rig.plug->mFirstIn[1]), -0.25f);
  EXPECT_EQ(rig.plug->mFirstIn[2], 0.0);
  EXPECT_EQ(rig.plug->mConnectedIn, 2);
  EXPECT_EQ(rig.plug->mConnectedOut, 2);
}

TEST(QuorvaneAAXRender, ASideChainIndexBeyondTheMainChannelsIsNotTrusted)
{
  Rig rig(1);
  rig.sideChain = 7;
  rig.Render();
  EXPECT_EQ(rig.plug->mConnectedIn, 1);
  rig.sideChain = -1;
  rig.Render();
  EXPECT_EQ(rig.plug->mConnectedIn, 1);
}

TEST(QuorvaneAAXRender, NullPrivateDataIsSkippedAndTheOthersStillRender)
{
  Rig a(2), b(2);
  AAX_SIPlugContext skipped = a.context;
  skipped.mPrivateField = nullptr;
  AAX_SIPlugContext* contexts[] = {&skipped, &b.context};
  AAX_CIPlugParameters::RenderAllInstances(contexts, contexts + 2);
  EXPECT_EQ(a.plug->mBlocks, 0);
  EXPECT_EQ(b.plug->mBlocks, 1);
}

TEST(QuorvaneAAXRender, ALongerBlockGrowsOnceAndResets)
{
  Rig rig(2);
  const int resets = rig.plug->mResets;
  rig.Render();
  EXPECT_EQ(rig.plug->mResets, resets);
  EXPECT_EQ(rig.plug->GetBlockSize(), 512);
  rig.blockLength = 1024;
  rig.Render();
  EXPECT_EQ(rig.plug->mResets, resets + 1);
  EXPECT_EQ(rig.plug->GetBlockSize(), 1024);
  rig.blockLength = 600;
  rig.Render();
  EXPECT_EQ(rig.plug->mResets, resets + 1);
  EXPECT_EQ(rig.plug->GetBlockSize(), 1024);
}

TEST(QuorvaneAAXRender, BadBlockLengthsAndMissingBuffersRenderNothing)
{
  Rig rig(2);
  rig.blockLength = 0;
  rig.Render();
  rig.blockLength = -5;
  rig.Render();
  rig.blockLength = 64;
  rig.context.mOutputBuffersField = nullptr;
  rig.Render();
  rig.context.mOutputBuffersField = rig.outPtrs;
  rig.context.mBlockLengthField = nullptr;
  rig.Render();
  EXPECT_EQ(rig.plug->mBlocks, 0);
}

TEST(QuorvaneAAXRender, TransportIsReadWhenNotBypassed)
{
  Rig rig(2);
  rig.controller.mTransport.mTicks = -960000;
  rig.Render();
  const TransportInfo& t = rig.plug->mTransport;
  EXPECT_EQ(t.mTempo, 96.0);
  EXPECT_TRUE(t.mTransportRunning);
  EXPECT_EQ(t.mTimeSigNumerator, 3);
  EXPECT_EQ(t.mTimeSigDenominator, 8);
  EXPECT_EQ(t.mQuarterNotePosition, 0.0) << "negative ticks give 0";
  EXPECT_EQ(t.mSamplePosition, 48000.0);
  EXPECT_TRUE(t.mLoopEnabled);
  EXPECT_EQ(t.mCycleStartQuarterNotes, 1.0);
  EXPECT_EQ(t.mCycleEndQuarterNotes, 4.0);
  EXPECT_EQ(t.mLastBarQuarterNotePosition, -1.0);
}

TEST(QuorvaneAAXRender, HostBypassPassesThroughWithoutTransportOrProcessing)
{
  Rig rig(2);
  rig.plug->UpdateParameterNormalizedValue("MasterBypassID", 1.0, AAX_eUpdateSource_Unspecified);
  rig.Fill(0, 0.125f);
  rig.Fill(1, -0.5f);
  const int queries = rig.controller.mTransport.mQueries;
  rig.Render();
  EXPECT_EQ(rig.plug->mBlocks, 0);
  EXPECT_EQ(rig.controller.mTransport.mQueries, queries);
  EXPECT_EQ(rig.out[0][10], 0.125f);
  EXPECT_EQ(rig.out[1][10], -0.5f);
}

TEST(QuorvaneAAXRender, OversamplingReportsItsLatencyToTheHost)
{
  Rig rig(2);
  rig.plug->UpdateParameterNormalizedValue("19", 1.0, AAX_eUpdateSource_Unspecified);
  rig.Render();
  ASSERT_FALSE(rig.controller.mLatencies.empty());
  EXPECT_EQ(rig.controller.mLatencies.back(), 64);
  EXPECT_EQ(rig.plug->GetLatency(), 64);
}

TEST(QuorvaneAAXRender, TheRenderPathAllocatesNothing)
{
  Rig rig(2);
  rig.sideChain = 2;
  rig.plug->UpdateParameterNormalizedValue("14", 1.0, AAX_eUpdateSource_Unspecified); // external side chain
  for (int c = 0; c < 3; ++c)
    for (int n = 0; n < Rig::kMax; ++n)
      rig.in[static_cast<size_t>(c)][static_cast<size_t>(n)] = 0.5f * std::sin(0.01f * static_cast<float>(n * (c + 1)));
  rig.Render(); // first block: anything lazily sized is sized now
  quorvane::test::AllocationScope scope;
  for (int i = 0; i < 50; ++i)
    rig.Render();
  EXPECT_EQ(scope.Count(), 0);
  EXPECT_EQ(rig.plug->mBlocks, 51);
}
