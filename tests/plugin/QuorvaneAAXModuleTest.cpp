// The description Quorvane gives the host, and the module's ACF exports (called directly and through
// dlopen of the built Quorvane.so).

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

#include "IPlug/AAX/AAX_CIPlugParameters.h"
#include "IPlug/AAX/IPlugAAX_Describe.h"
#include "IPlug/AAX/IPlugAAX_Module.h"
#include "plugin/QuorvaneModule.h"
#include "tests/support/FakeAAXHost.h"

using namespace iplug;
using namespace quorvane::test;

namespace {

FakeCollection& Describe(FakeACFHost& host)
{
  void* definition = nullptr;
  EXPECT_EQ(IPlugAAX_ACFRegisterPlugin(&host, &definition, quorvane::AAXEffectInfo()), AAX_SUCCESS);
  EXPECT_EQ(definition, host.mCollections.back().get());
  return *host.mCollections.back();
}

std::string Kinds(const FakeComponentDescriptor& c)
{
  std::string s;
  for (const FakeField& f : c.mFields)
    s += std::to_string(f.mField) + ":" + f.mKind + (f.mKind == "private" ? std::to_string(f.mSizeOrType) : "") + " ";
  return s;
}

} // namespace

TEST(QuorvaneAAXDescribe, OneEffectWithItsIdentity)
{
  FakeACFHost host;
  FakeCollection& collection = Describe(host);
  ASSERT_EQ(collection.mEffects.size(), 1u);
  EXPECT_EQ(collection.mEffects[0].first, "com.Kestrove.aax.Quorvane");
  const FakeEffectDescriptor& effect = *collection.mEffects[0].second;
  EXPECT_EQ(effect.mNames, std::vector<std::string>{"Quorvane"});
  EXPECT_EQ(collection.mPackageNames, std::vector<std::string>{"Quorvane"});
  EXPECT_EQ(effect.mCategories, std::vector<uint32_t>{2});
  EXPECT_EQ(collection.mManufacturer, "Kestrove");
  EXPECT_EQ(collection.mVersion, 0x00070000u);
  ASSERT_EQ(effect.mProcs.size(), 2u);
  EXPECT_EQ(effect.mProcs[0].first, kAAX_ProcPtrID_Create_EffectParameters);
  EXPECT_NE(effect.mProcs[0].second, nullptr);
  EXPECT_EQ(effect.mProcs[1].first, kAAX_ProcPtrID_Create_EffectGUI);
}

TEST(QuorvaneAAXDescribe, ExactlyTwoComponentsMonoThenStereo)
{
  FakeACFHost host;
  const FakeEffectDescriptor& effect = *Describe(host).mEffects[0].second;
  ASSERT_EQ(effect.mComponents.size(), 2u);
  const uint32_t codes[2][2] = {{0x49454631, AAX_FourCC("IEA1")}, {AAX_FourCC("IEF2"), AAX_FourCC("IEA2")}};
  const int32_t formats[2] = {AAX_eStemFormat_Mono, AAX_eStemFormat_Stereo};
  for (int i = 0; i < 2; ++i)
  {
    const FakeComponentDescriptor& c = *effect.mComponents[static_cast<size_t>(i)];
    ASSERT_NE(c.mProcProperties, nullptr);
    const FakePropertyMap& p = *c.mProcProperties;
    int32_t v = 0;
    EXPECT_TRUE(p.GetProperty(13, &v));
    EXPECT_EQ(static_cast<uint32_t>(v), codes[i][0]);
    EXPECT_TRUE(p.GetProperty(14, &v));
    EXPECT_EQ(static_cast<uint32_t>(v), codes[i][1]);
    EXPECT_FALSE(p.GetProperty(304, &v));
    EXPECT_FALSE(p.GetProperty(151, &v));
    EXPECT_FALSE(p.GetProperty(90, &v));
    EXPECT_FALSE(p.GetProperty(91, &v));
    const std::vector<std::pair<uint32_t, int32_t>> expected = {
      {116, 1}, {56, 0}, {51, formats[i]}, {52, formats[i]}, {60, 1}, {300, 1}, {306, 1},
      {11, static_cast<int32_t>(AAX_FourCC("Kstr"))}, {12, static_cast<int32_t>(AAX_FourCC("Qrv1"))},
      {13, static_cast<int32_t>(codes[i][0])}, {14, static_cast<int32_t>(codes[i][1])}};
    EXPECT_EQ(p.mProperties, expected) << "component " << i;
    EXPECT_EQ(c.mProc, &AAX_CIPlugParameters::RenderAllInstances);
  }
}

TEST(QuorvaneAAXDescribe, FieldsAreRegisteredInTheFixedOrder)
{
  FakeACFHost host;
  const FakeEffectDescriptor& effect = *Describe(host).mEffects[0].second;
  for (const FakeComponentDescriptor* c : effect.mComponents)
  {
    std::string expected = "6:private4 4:private4 5:private4 7:midi ";
    for (int f = 8; f <= 22; ++f)
      expected += std::to_string(f) + ":private4 ";
    expected += "0:in 1:out 2:length 3:clock 24:private4 26:sidechain 23:private8 25:port ";
    EXPECT_EQ(Kinds(*c), expected);
    const FakeField& transport = c->mFields[3];
    EXPECT_EQ(transport.mSizeOrType, AAX_eMIDINodeType_Transport);
    EXPECT_EQ(transport.mName, "Transport");
    EXPECT_EQ(transport.mMask, 0xFFFFu);
    const FakeField& port = c->mFields.back();
    EXPECT_EQ(port.mSizeOrType, 8);
    EXPECT_EQ(port.mMask, 1u); // port type 1
  }
}

TEST(QuorvaneAAXDescribe, StemFormatsByChannelCount)
{
  const std::pair<int, uint32_t> table[] = {
    {1, 0x00000001}, {2, 0x00010002}, {3, 0x00020003}, {4, 0x000E0004}, {5, 0x00050005}, {6, 0x00060006},
    {7, 0x000B0007}, {8, 0x000C0008}, {9, 0x00120009}, {10, 0x000D000A}, {16, 0x00130010}};
  for (const auto& [channels, format] : table)
    EXPECT_EQ(static_cast<uint32_t>(StemFormatForChannelCount(channels)), format) << channels;
  for (int channels : {0, 11, 12, 13, 14, 15, 17, 64, -1})
    EXPECT_EQ(static_cast<uint32_t>(StemFormatForChannelCount(channels)), 0xFF9C0000u) << channels;
  IOLayout layout;
  layout.Buses(ChannelDirection::Input).push_back({ChannelDirection::Input, 2});
  EXPECT_EQ(StemFormatForBus(layout, ChannelDirection::Input, 0), AAX_eStemFormat_Stereo);
  EXPECT_EQ(StemFormatForBus(layout, ChannelDirection::Input, 1), AAX_eStemFormat_None);
  EXPECT_EQ(StemFormatForBus(layout, ChannelDirection::Output, 0), AAX_eStemFormat_None);
}

TEST(QuorvaneAAXDescribe, SetupRecordDefaults)
{
  const AAX_SIPlugComponentSetup setup;
  EXPECT_FALSE(setup.mWantsGlobalMidi);
  EXPECT_STREQ(setup.mGlobalMidiLabel, "GlobalMIDI");
  EXPECT_EQ(setup.mGlobalMidiEventMask, 0xFFFFu);
  EXPECT_STREQ(setup.mInputMidiLabel, "InputMIDI");
  EXPECT_STREQ(setup.mOutputMidiLabel, "OutputMIDI");
  EXPECT_STREQ(setup.mTransportLabel, "Transport");
  EXPECT_EQ(setup.mAuxOutputFormats[31], AAX_eStemFormat_Mono);
  EXPECT_EQ(setup.mHybridInputStemFormat, AAX_eStemFormat_None);
  EXPECT_EQ(setup.mMainInFormat, AAX_eStemFormat_Mono);
  EXPECT_TRUE(setup.mBypassOffered);
  EXPECT_EQ(setup.mOfflineTypeCode, AAX_FourCC("none"));
  EXPECT_TRUE(setup.mMultiMonoAllowed);
}

TEST(QuorvaneAAXDescribe, AFailingComponentStepEndsRegistrationWithItsCode)
{
  FakeACFHost host;
  host.mFailFieldCalls = true;
  void* definition = reinterpret_cast<void*>(1);
  IPlugAAX_ACFStartup(&host);
  EXPECT_EQ(IPlugAAX_ACFRegisterPlugin(&host, &definition, quorvane::AAXEffectInfo()), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(definition, nullptr);
  EXPECT_TRUE(host.mCollections.back()->mEffects.empty());
  bool traced = false;
  for (const std::string& t : host.mServices.mTraces)
    traced |= t == "AAXRegisterPlugin exception caught: AAX_ERROR_NULL_OBJECT";
  EXPECT_TRUE(traced);
  IPlugAAX_ACFShutdown(&host);
}

TEST(QuorvaneAAXModule, CreateProceduresAndLiveObjects)
{
  const AAX_Result before = IPlugAAX_ACFCanUnloadNow(nullptr);
  AAX_IEffectParameters* effect = quorvane::AAXEffectInfo().mCreateEffectParameters();
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(IPlugAAX_ACFCanUnloadNow(nullptr), before + 1);
  delete effect;
  EXPECT_EQ(IPlugAAX_ACFCanUnloadNow(nullptr), before);
  AAX_IEffectGUI* gui = quorvane::AAXEffectInfo().mCreateEffectGUI();
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(IPlugAAX_ACFCanUnloadNow(nullptr), before + 1) << "the editor adaptor is a live object too";
  delete gui;
  EXPECT_EQ(IPlugAAX_ACFCanUnloadNow(nullptr), before);
}

TEST(QuorvaneAAXModule, LoadsWithDlopenAndAnswersThroughItsExports)
{
  void* module = dlopen(QUORVANE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto startup = reinterpret_cast<ACFStartupProc>(dlsym(module, "ACFStartup"));
  auto shutdown = reinterpret_cast<ACFShutdownProc>(dlsym(module, "ACFShutdown"));
  auto registerPlugin = reinterpret_cast<ACFRegisterPluginProc>(dlsym(module, "ACFRegisterPlugin"));
  auto registerComponent = reinterpret_cast<ACFRegisterComponentProc>(dlsym(module, "ACFRegisterComponent"));
  auto classFactory = reinterpret_cast<ACFGetClassFactoryProc>(dlsym(module, "ACFGetClassFactory"));
  auto canUnload = reinterpret_cast<ACFCanUnloadNowProc>(dlsym(module, "ACFCanUnloadNow"));
  auto sdkVersion = reinterpret_cast<ACFGetSDKVersionProc>(dlsym(module, "ACFGetSDKVersion"));
  ASSERT_TRUE(startup && shutdown && registerPlugin && registerComponent && classFactory && canUnload && sdkVersion);
  EXPECT_EQ(dlsym(module, "AAX_ResultName"), nullptr) << "only the ACF entry points are exported";

  FakeACFHost host;
  EXPECT_EQ(startup(&host), AAX_SUCCESS);
  uint64_t version = 0;
  EXPECT_EQ(sdkVersion(&version), AAX_SUCCESS);
  EXPECT_EQ(version, 0x00000204013449EAull);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(classFactory(&host, nullptr, nullptr, &out), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(registerComponent(&host, 0, &out), AAX_SUCCESS);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(registerPlugin(&host, &out), AAX_SUCCESS);
  ASSERT_EQ(out, host.mCollections.back().get());
  FakeCollection& collection = *host.mCollections.back();
  ASSERT_EQ(collection.mEffects.size(), 1u);
  const FakeEffectDescriptor& effectDesc = *collection.mEffects[0].second;
  ASSERT_EQ(effectDesc.mComponents.size(), 2u);

  // Create an instance through procedure 0, initialise it, set a parameter, render a block, save a chunk.
  auto create = reinterpret_cast<AAX_CCreateEffectParametersProc>(effectDesc.mProcs[0].second);
  AAX_IEffectParameters* effect = create();
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(canUnload(&host), 1);
  FakeController controller;
  ASSERT_EQ(controller.Attach(*effect), AAX_SUCCESS);
  std::string bypass;
  effect->GetMasterBypassParameter(&bypass);
  EXPECT_EQ(bypass, "MasterBypassID");
  EXPECT_EQ(effect->UpdateParameterNormalizedValue("7", 0.5, AAX_eUpdateSource_Unspecified), AAX_SUCCESS);
  std::string text;
  effect->GetParameterValueString("7", &text, 32);
  EXPECT_EQ(text, "50.00%");
  EXPECT_EQ(effect->GenerateCoefficients(), AAX_SUCCESS);

  AAX_SIPlugPrivateData privateData;
  effect->ResetFieldData(kAAX_FieldIndex_Private, &privateData, sizeof(privateData));
  std::vector<float> l(128, 0.5f), r(128, 0.5f), ol(128), orr(128);
  float* ins[] = {l.data(), r.data()};
  float* outs[] = {ol.data(), orr.data()};
  int32_t length = 128;
  int64_t change = controller.mPackets.back().second;
  int32_t sideChain = 0;
  AAX_SIPlugContext context{};
  context.mInputBuffersField = ins;
  context.mOutputBuffersField = outs;
  context.mBlockLengthField = &length;
  context.mPrivateField = &privateData;
  context.mChangeNumberField = &change;
  context.mSideChainField = &sideChain;
  AAX_SIPlugContext* contexts[] = {&context};
  effectDesc.mComponents[1]->mProc(contexts, contexts + 1);
  EXPECT_NE(ol[100], 0.0f);

  uint32_t size = 0;
  EXPECT_EQ(effect->GetChunkSize(AAX_FourCC("Qrv1"), &size), AAX_SUCCESS);
  EXPECT_EQ(size, 164u);
  delete effect;
  EXPECT_EQ(canUnload(&host), 0);
  EXPECT_EQ(shutdown(&host), AAX_SUCCESS);
  dlclose(module);
}
