// Quorvane through its AAX face: identifiers, host updates, the master bypass, outgoing gestures, chunks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "plugin/Quorvane.h"
#include "tests/support/FakeAAXHost.h"

using namespace iplug;
using namespace quorvane;
using quorvane::test::FakeController;

namespace {

class RecordingQuorvane : public Quorvane
{
public:
  void OnParamChange(int idx, ParamSource source, int offset) override
  {
    mChanges.push_back({idx, source});
    Quorvane::OnParamChange(idx, source, offset);
  }
  struct Change
  {
    int mIdx;
    ParamSource mSource;
  };
  std::vector<Change> mChanges;
};

struct Hosted
{
  FakeController controller;
  std::unique_ptr<RecordingQuorvane> plug = std::make_unique<RecordingQuorvane>();
  Hosted() { EXPECT_EQ(controller.Attach(*plug), AAX_SUCCESS); }
  int32_t Changes() const
  {
    int32_t n = -1;
    plug->GetNumberOfChanges(&n);
    return n;
  }
};

// A host chunk with room for `capacity` data bytes.
struct Chunk
{
  std::vector<uint8_t> mMemory;
  explicit Chunk(uint32_t capacity) : mMemory(sizeof(AAX_SPlugInChunkHeader) + capacity + 8, 0)
  {
    Get()->fDataCapacity = capacity;
  }
  AAX_SPlugInChunk* Get() { return reinterpret_cast<AAX_SPlugInChunk*>(mMemory.data()); }
};

constexpr AAX_CTypeID kQrv1 = AAX_FourCC("Qrv1");

} // namespace

TEST(QuorvaneAAXParameters, ManagerHoldsBypassThenEveryDefinedParameter)
{
  Hosted h;
  int32_t count = 0;
  h.plug->GetNumberOfParameters(&count);
  EXPECT_EQ(count, 18); // master bypass + 17 (parameters 0 and 10 have type none)
  std::string id;
  h.plug->GetParameterIDFromIndex(0, &id);
  EXPECT_EQ(id, "MasterBypassID");
  h.plug->GetParameterIDFromIndex(1, &id);
  EXPECT_EQ(id, "2");
  h.plug->GetParameterIDFromIndex(17, &id);
  EXPECT_EQ(id, "19");
  h.plug->GetMasterBypassParameter(&id);
  EXPECT_EQ(id, "MasterBypassID");
  std::string name;
  h.plug->GetParameterName("MasterBypassID", &name);
  EXPECT_EQ(name, "Master Bypass");
  int32_t steps = 0;
  h.plug->GetParameterNumberOfSteps("MasterBypassID", &steps);
  EXPECT_EQ(steps, 2);
  AAX_EParameterType type = AAX_eParameterType_Continuous;
  h.plug->GetParameterType("MasterBypassID", &type);
  EXPECT_EQ(type, AAX_eParameterType_Discrete);
  h.plug->GetParameterType("15", &type); // Ratio, an int: continuous, plain numbers
  EXPECT_EQ(type, AAX_eParameterType_Continuous);
  h.plug->GetParameterNumberOfSteps("15", &steps);
  EXPECT_EQ(steps, 128);
  EXPECT_EQ(h.plug->GetParameterName("1", &name), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(h.plug->GetParameterName("11", &name), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(h.plug->GetSampleRate(), 44100.0);
  EXPECT_EQ(h.plug->GetHost(), kHostProTools);
}

TEST(QuorvaneAAXParameters, HostTextsFollowTheDisplayRules)
{
  Hosted h;
  std::string text;
  h.plug->UpdateParameterNormalizedValue("10", 0.5 - 3.5 / 12.0, AAX_eUpdateSource_Unspecified); // Tilt -3.5
  h.plug->GetParameterValueString("10", &text, 32);
  EXPECT_EQ(text, "-3.50dB");
  h.plug->GetParameterValueString("10", &text, 5);
  EXPECT_EQ(text, "-3.50");
  double n = -1.0;
  EXPECT_EQ(h.plug->GetParameterValueFromString("10", &n, "2.00dB"), AAX_SUCCESS);
  EXPECT_NEAR(n, 8.0 / 12.0, 1e-12);
  h.plug->GetParameterValueString("15", &text, 32); // Ratio: a number, not "1.5:1"
  EXPECT_EQ(text, "0");
  h.plug->GetParameterValueString("MasterBypassID", &text, 32);
  EXPECT_EQ(text, "bypass");
}

TEST(QuorvaneAAXParameters, IdentifierSevenIsCompressorMix)
{
  Hosted h;
  h.plug->mChanges.clear();
  const int32_t before = h.Changes();
  EXPECT_EQ(h.plug->UpdateParameterNormalizedValue("7", 0.5, AAX_eUpdateSource_Unspecified), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(h.plug->GetParam(kCompressorMix)->Value(), 50.0);
  ASSERT_EQ(h.plug->mChanges.size(), 1u);
  EXPECT_EQ(h.plug->mChanges[0].mIdx, kCompressorMix);
  EXPECT_EQ(h.plug->mChanges[0].mSource, kHost);
  EXPECT_EQ(h.Changes(), before + 1);
  // Unchanged value: still counted.
  h.plug->UpdateParameterNormalizedValue("7", 0.5, AAX_eUpdateSource_Unspecified);
  EXPECT_EQ(h.Changes(), before + 2);
}

TEST(QuorvaneAAXParameters, MasterBypassChangesOnlyTheAAXParameterAndTheCounter)
{
  Hosted h;
  std::vector<double> values;
  for (int i = 0; i < h.plug->NParams(); ++i)
    values.push_back(h.plug->GetParam(i)->Value());
  h.plug->mChanges.clear();
  const int32_t before = h.Changes();
  EXPECT_EQ(h.plug->UpdateParameterNormalizedValue("MasterBypassID", 1.0, AAX_eUpdateSource_Unspecified),
            AAX_SUCCESS);
  bool bypassed = false;
  h.plug->BypassParameter()->GetValueAsBool(&bypassed);
  EXPECT_TRUE(bypassed);
  EXPECT_TRUE(h.plug->mChanges.empty());
  for (int i = 0; i < h.plug->NParams(); ++i)
    EXPECT_EQ(h.plug->GetParam(i)->Value(), values[static_cast<size_t>(i)]);
  EXPECT_EQ(h.Changes(), before + 1);
}

TEST(QuorvaneAAXParameters, UnknownIdentifierChangesNothing)
{
  Hosted h;
  h.plug->mChanges.clear();
  const int32_t before = h.Changes();
  for (const char* id : {"0", "1", "11", "20", "abc", "", "-3"})
    EXPECT_EQ(h.plug->UpdateParameterNormalizedValue(id, 0.3, AAX_eUpdateSource_Unspecified),
              AAX_ERROR_INVALID_PARAMETER_ID)
      << id;
  EXPECT_EQ(h.plug->UpdateParameterNormalizedValue(nullptr, 0.3, AAX_eUpdateSource_Unspecified),
            AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(h.Changes(), before);
  EXPECT_TRUE(h.plug->mChanges.empty());
}

TEST(QuorvaneAAXParameters, EditorGestureBecomesTouchRequestReleaseAndTheHostAnswers)
{
  Hosted h;
  auto& calls = h.controller.mAutomation.mCalls;
  h.plug->BeginParamGestureFromUI(kCompressorMix);
  h.plug->SendParamValueFromUI(kCompressorMix, 0.25);
  h.plug->EndParamGestureFromUI(kCompressorMix);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], "touch 7");
  EXPECT_EQ(calls[1], "touch 7");
  EXPECT_EQ(calls[2].rfind("set 7 0.25", 0), 0u);
  EXPECT_EQ(calls[3], "release 7");
  EXPECT_EQ(calls[4], "release 7");
  double n = -1.0;
  h.plug->GetParameterNormalizedValue("7", &n);
  EXPECT_DOUBLE_EQ(n, 0.25);
  EXPECT_DOUBLE_EQ(h.plug->GetParam(kCompressorMix)->Value(), 25.0);
}

TEST(QuorvaneAAXParameters, TypeNoneParametersReachNoHostCall)
{
  Hosted h;
  for (int idx : {kUnused0, kMeter})
  {
    h.plug->BeginParamChangeToHost(idx);
    h.plug->ParamValueToHost(idx, 0.5);
    h.plug->EndParamChangeToHost(idx);
  }
  h.plug->BeginParamChangeToHost(-1);
  h.plug->ParamValueToHost(99, 0.5);
  EXPECT_TRUE(h.controller.mAutomation.mCalls.empty());
  EXPECT_EQ(h.plug->TouchParameter("1"), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(h.plug->SetParameterNormalizedValue("11", 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(h.plug->ReleaseParameter("11"), AAX_ERROR_INVALID_PARAMETER_ID);
}

TEST(QuorvaneAAXParameters, WithoutAHostTheGesturesGoNowhere)
{
  Quorvane plug; // never initialised
  plug.BeginParamGestureFromUI(kCompressorMix);
  plug.SendParamValueFromUI(kCompressorMix, 0.25);
  plug.EndParamGestureFromUI(kCompressorMix);
  EXPECT_DOUBLE_EQ(plug.GetParam(kCompressorMix)->Value(), 25.0);
}

TEST(QuorvaneAAXParameters, NotificationsSetOfflineAndTrackName)
{
  Hosted h;
  h.plug->NotificationReceived(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);
  EXPECT_TRUE(h.plug->IsRenderingOffline());
  h.plug->NotificationReceived(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
  EXPECT_FALSE(h.plug->IsRenderingOffline());
  const char name[] = {'D', 'r', 'u', 'm', 's'}; // no terminator: only the size counts
  h.plug->NotificationReceived(AAX_eNotificationEvent_TrackNameChanged, name, sizeof(name));
  std::string track;
  h.plug->GetTrackName(track);
  EXPECT_EQ(track, "Drums");
  h.plug->NotificationReceived(AAX_eNotificationEvent_TrackNameChanged, nullptr, 40);
  h.plug->GetTrackName(track);
  EXPECT_EQ(track, "");
}

TEST(QuorvaneAAXChunks, IdentifiersAndResultCodes)
{
  Hosted h;
  int32_t count = 0;
  h.plug->GetNumberOfChunks(&count);
  EXPECT_EQ(count, 1);
  AAX_CTypeID id = 1;
  EXPECT_EQ(h.plug->GetChunkIDFromIndex(0, &id), AAX_SUCCESS);
  EXPECT_EQ(id, kQrv1);
  EXPECT_EQ(h.plug->GetChunkIDFromIndex(1, &id), AAX_ERROR_INVALID_CHUNK_INDEX);
  EXPECT_EQ(id, 0u);
  uint32_t size = 1;
  EXPECT_EQ(h.plug->GetChunkSize(AAX_FourCC("elck"), &size), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(h.plug->GetChunkSize(kQrv1, &size), AAX_SUCCESS);
  EXPECT_EQ(size, 164u);
  Chunk chunk(164);
  EXPECT_EQ(h.plug->GetChunk(AAX_FourCC("xxxx"), chunk.Get()), AAX_ERROR_INVALID_CHUNK_ID);
}

TEST(QuorvaneAAXChunks, AnotherIdentifierChangesNothingAndComparesEqual)
{
  Hosted h;
  Chunk chunk(164);
  ASSERT_EQ(h.plug->GetChunk(kQrv1, chunk.Get()), AAX_SUCCESS);
  double zeros[19] = {};
  std::memcpy(chunk.Get()->fData + 12, zeros, sizeof(zeros));
  const int32_t before = h.Changes();
  h.controller.mAutomation.mCalls.clear();
  EXPECT_EQ(h.plug->SetChunk(AAX_FourCC("othr"), chunk.Get()), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(h.Changes(), before);
  EXPECT_TRUE(h.controller.mAutomation.mCalls.empty());
  EXPECT_DOUBLE_EQ(h.plug->GetParam(kCompressorMix)->Value(), 100.0);
  chunk.Get()->fChunkID = AAX_FourCC("othr");
  bool equal = false;
  EXPECT_EQ(h.plug->CompareActiveChunk(chunk.Get(), &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
}

TEST(QuorvaneAAXChunks, GetThenSetRestoresEveryParameterAndComparesEqual)
{
  Hosted source;
  source.plug->UpdateParameterNormalizedValue("7", 0.3, AAX_eUpdateSource_Unspecified);
  source.plug->UpdateParameterNormalizedValue("15", 0.6, AAX_eUpdateSource_Unspecified);
  source.plug->UpdateParameterNormalizedValue("10", 0.9, AAX_eUpdateSource_Unspecified);
  uint32_t size = 0;
  source.plug->GetChunkSize(kQrv1, &size);
  Chunk chunk(size);
  ASSERT_EQ(source.plug->GetChunk(kQrv1, chunk.Get()), AAX_SUCCESS);
  EXPECT_EQ(chunk.Get()->fSize, 164);
  EXPECT_EQ(chunk.Get()->fChunkID, kQrv1);

  Hosted target;
  bool equal = true;
  target.plug->CompareActiveChunk(chunk.Get(), &equal);
  EXPECT_FALSE(equal);
  const int32_t before = target.Changes();
  ASSERT_EQ(target.plug->SetChunk(kQrv1, chunk.Get()), AAX_SUCCESS);
  for (int i = 0; i < target.plug->NParams(); ++i)
    EXPECT_DOUBLE_EQ(target.plug->GetParam(i)->Value(), source.plug->GetParam(i)->Value()) << i;
  double n = -1.0;
  target.plug->GetParameterNormalizedValue("7", &n);
  EXPECT_DOUBLE_EQ(n, 0.3) << "the host's answer reached the AAX parameter";
  // 17 host answers plus the restore's own count.
  EXPECT_EQ(target.Changes(), before + 17 + 1);
  target.plug->CompareActiveChunk(chunk.Get(), &equal);
  EXPECT_TRUE(equal);
}

TEST(QuorvaneAAXChunks, AShortChunkRestoresWhatItHoldsAndIsReportedAsDamaged)
{
  Hosted source;
  source.plug->UpdateParameterNormalizedValue("7", 0.3, AAX_eUpdateSource_Unspecified);
  Chunk full(164);
  source.plug->GetChunk(kQrv1, full.Get());

  // The capacity holds the editor state and parameters 0..5 only; the size claims far more.
  Chunk cut(12 + 8 * 6);
  std::memcpy(cut.Get()->fData, full.Get()->fData, 12 + 8 * 6);
  cut.Get()->fChunkID = kQrv1;
  cut.Get()->fSize = 1 << 30;
  std::fill(cut.mMemory.end() - 8, cut.mMemory.end(), uint8_t{0xFF}); // past the capacity: never read

  Hosted target;
  target.plug->UpdateParameterNormalizedValue("2", 0.5, AAX_eUpdateSource_Unspecified); // Boost
  bool equal = true;
  EXPECT_EQ(target.plug->CompareActiveChunk(cut.Get(), &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal) << "too short to be the active state";
  EXPECT_EQ(target.plug->SetChunk(kQrv1, cut.Get()), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_DOUBLE_EQ(target.plug->GetParam(kBoost)->Value(), 0.0) << "parameter 1 is in the data: restored";
  EXPECT_DOUBLE_EQ(target.plug->GetParam(kCompressorMix)->Value(), 100.0) << "parameter 6 lies beyond the data";

  // Nothing at all, or too little for the editor fields: damaged, and the editor size the instance
  // remembers (saved with its next state) stays as it was.
  Chunk before(164);
  ASSERT_EQ(target.plug->GetChunk(kQrv1, before.Get()), AAX_SUCCESS);
  for (const int32_t size : {-5, 0, 7})
  {
    cut.Get()->fSize = size; // a negative size reads nothing
    EXPECT_EQ(target.plug->SetChunk(kQrv1, cut.Get()), AAX_ERROR_INCORRECT_CHUNK_SIZE) << size;
    EXPECT_EQ(target.plug->CompareActiveChunk(cut.Get(), &equal), AAX_SUCCESS);
    EXPECT_FALSE(equal);
    Chunk after(164);
    ASSERT_EQ(target.plug->GetChunk(kQrv1, after.Get()), AAX_SUCCESS);
    EXPECT_EQ(std::memcmp(after.Get()->fData, before.Get()->fData, 12), 0) << size << ": the editor size was kept";
  }
}

TEST(QuorvaneAAXChunks, GetChunkNeverWritesPastTheCapacityAndNullsAreRefused)
{
  Hosted h;
  Chunk small(100);
  EXPECT_EQ(h.plug->GetChunk(kQrv1, small.Get()), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(small.Get()->fSize, 0);
  EXPECT_EQ(h.plug->GetChunk(kQrv1, nullptr), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(h.plug->SetChunk(kQrv1, nullptr), AAX_ERROR_NULL_OBJECT);
  bool equal = false;
  EXPECT_EQ(h.plug->CompareActiveChunk(nullptr, &equal), AAX_ERROR_NULL_OBJECT);
}

TEST(QuorvaneAAXLifecycle, UninitializeDropsTheParametersAndASecondInitializeRebuildsThem)
{
  Hosted h;
  h.plug->Uninitialize();
  int32_t count = -1;
  h.plug->GetNumberOfParameters(&count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(h.plug->BypassParameter(), nullptr);
  ASSERT_EQ(h.controller.Attach(*h.plug), AAX_SUCCESS);
  h.plug->GetNumberOfParameters(&count);
  EXPECT_EQ(count, 18);
  EXPECT_NE(h.plug->BypassParameter(), nullptr);
}

TEST(QuorvaneAAXLifecycle, ARateOutsideTheSupportedRangeIsRefusedBeforeAnythingIsSized)
{
  for (const double rate : {7999.0, 768001.0, 1962978372.0, 1e12, 0.0, -48000.0, std::nan("")})
  {
    FakeController controller;
    controller.mSampleRate = static_cast<AAX_CSampleRate>(rate);
    Quorvane plug;
    EXPECT_EQ(controller.Attach(plug), iplug::kAAXErrorUnsupportedSampleRate) << rate;
    int32_t count = -1;
    plug.GetNumberOfParameters(&count);
    EXPECT_EQ(count, 0) << rate;
  }
  for (const double rate : {8000.0, 768000.0})
  {
    FakeController controller;
    controller.mSampleRate = static_cast<AAX_CSampleRate>(rate);
    Quorvane plug;
    EXPECT_EQ(controller.Attach(plug), AAX_SUCCESS) << rate;
    EXPECT_EQ(plug.GetSampleRate(), rate);
  }
}
