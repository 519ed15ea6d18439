#pragma once
// Small recording stand-ins for the host side of the AAX interfaces, for unit tests of the library and the
// binding. (The real host is host/; tests never depend on it.) Nothing here allocates on the render path:
// the controller's and transport's answers are plain member reads.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "aax/AAX_Interfaces.h"

namespace quorvane::test {

class FakeHostServices final : public AAX_IHostServices
{
public:
  AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) override
  {
    mAsserts.push_back({file ? file : "", line, note ? note : "", flags});
    return AAX_SUCCESS;
  }
  AAX_Result Trace(int32_t, const char* message) override
  {
    mTraces.emplace_back(message ? message : "");
    return AAX_SUCCESS;
  }
  struct Assert
  {
    std::string mFile;
    int32_t mLine;
    std::string mNote;
    int32_t mFlags;
  };
  std::vector<Assert> mAsserts;
  std::vector<std::string> mTraces;
};

class FakePropertyMap final : public AAX_IPropertyMap
{
public:
  AAX_Result AddProperty(uint32_t property, int32_t value) override
  {
    mProperties.emplace_back(property, value);
    return AAX_SUCCESS;
  }
  bool GetProperty(uint32_t property, int32_t* value) const override
  {
    for (const auto& [p, v] : mProperties)
      if (p == property)
      {
        if (value)
          *value = v;
        return true;
      }
    return false;
  }
  std::vector<std::pair<uint32_t, int32_t>> mProperties; // in the order added
};

// One registered context field, as the component descriptor saw it.
struct FakeField
{
  std::string mKind; // "in", "out", "length", "clock", "sidechain", "midi", "private", "port", "meters", "aux"
  AAX_CFieldIndex mField;
  int32_t mSizeOrType; // private-data size, port size, or MIDI node type
  std::string mName;
  uint32_t mMask;
};

class FakeComponentDescriptor final : public AAX_IComponentDescriptor
{
public:
  AAX_Result AddAudioIn(AAX_CFieldIndex f) override { return Add({"in", f, 0, "", 0}); }
  AAX_Result AddAudioOut(AAX_CFieldIndex f) override { return Add({"out", f, 0, "", 0}); }
  AAX_Result AddAudioBufferLength(AAX_CFieldIndex f) override { return Add({"length", f, 0, "", 0}); }
  AAX_Result AddClock(AAX_CFieldIndex f) override { return Add({"clock", f, 0, "", 0}); }
  AAX_Result AddSideChainIn(AAX_CFieldIndex f) override { return Add({"sidechain", f, 0, "", 0}); }
  AAX_Result AddMIDINode(AAX_CFieldIndex f, AAX_EMIDINodeType type, const char* name, uint32_t mask) override
  {
    return Add({"midi", f, type, name ? name : "", mask});
  }
  AAX_Result AddPrivateData(AAX_CFieldIndex f, int32_t size, int32_t) override { return Add({"private", f, size, "", 0}); }
  AAX_Result AddDataInPort(AAX_CFieldIndex f, uint32_t size, int32_t type) override
  {
    return Add({"port", f, static_cast<int32_t>(size), "", static_cast<uint32_t>(type)});
  }
  AAX_Result AddMeters(AAX_CFieldIndex f, const AAX_CTypeID*, uint32_t count) override
  {
    return Add({"meters", f, static_cast<int32_t>(count), "", 0});
  }
  AAX_Result AddAuxOutputStem(AAX_CFieldIndex f, AAX_EStemFormat format, const char* name) override
  {
    return Add({"aux", f, format, name ? name : "", 0});
  }
  AAX_IPropertyMap* NewPropertyMap() override
  {
    mMaps.push_back(std::make_unique<FakePropertyMap>());
    return mMaps.back().get();
  }
  AAX_Result AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* properties) override
  {
    mProc = proc;
    mProcProperties = static_cast<FakePropertyMap*>(properties);
    return AAX_SUCCESS;
  }

  AAX_Result Add(FakeField field)
  {
    mFields.push_back(std::move(field));
    return mFailFieldCalls ? AAX_ERROR_NULL_OBJECT : AAX_SUCCESS;
  }

  std::vector<FakeField> mFields;
  std::vector<std::unique_ptr<FakePropertyMap>> mMaps;
  AAX_CProcessProc mProc = nullptr;
  FakePropertyMap* mProcProperties = nullptr;
  bool mFailFieldCalls = false;
};

class FakeEffectDescriptor final : public AAX_IEffectDescriptor
{
public:
  AAX_IComponentDescriptor* NewComponentDescriptor() override
  {
    mMade.push_back(std::make_unique<FakeComponentDescriptor>());
    mMade.back()->mFailFieldCalls = mFailFieldCalls;
    return mMade.back().get();
  }
  AAX_Result AddComponent(AAX_IComponentDescriptor* c) override
  {
    mComponents.push_back(static_cast<FakeComponentDescriptor*>(c));
    return AAX_SUCCESS;
  }
  AAX_Result AddName(const char* name) override
  {
    mNames.emplace_back(name);
    return AAX_SUCCESS;
  }
  AAX_Result AddCategory(uint32_t category) override
  {
    mCategories.push_back(category);
    return AAX_SUCCESS;
  }
  AAX_Result AddProcPtr(void* proc, AAX_EProcPtrID id) override
  {
    mProcs.emplace_back(id, proc);
    return AAX_SUCCESS;
  }

  std::vector<std::unique_ptr<FakeComponentDescriptor>> mMade;
  std::vector<FakeComponentDescriptor*> mComponents;
  std::vector<std::string> mNames;
  std::vector<uint32_t> mCategories;
  std::vector<std::pair<AAX_EProcPtrID, void*>> mProcs;
  bool mFailFieldCalls = false;
};

class FakeCollection final : public AAX_ICollection
{
public:
  AAX_IEffectDescriptor* NewDescriptor() override
  {
    mDescriptors.push_back(std::make_unique<FakeEffectDescriptor>());
    mDescriptors.back()->mFailFieldCalls = mFailFieldCalls;
    return mDescriptors.back().get();
  }
  AAX_Result AddEffect(const char* id, AAX_IEffectDescriptor* effect) override
  {
    mEffects.emplace_back(id, static_cast<FakeEffectDescriptor*>(effect));
    return AAX_SUCCESS;
  }
  AAX_Result SetManufacturerName(const char* name) override
  {
    mManufacturer = name;
    return AAX_SUCCESS;
  }
  AAX_Result AddPackageName(const char* name) override
  {
    mPackageNames.emplace_back(name);
    return AAX_SUCCESS;
  }
  AAX_Result SetPackageVersion(uint32_t version) override
  {
    mVersion = version;
    return AAX_SUCCESS;
  }
  void* GetPluginDefinition(const AAX_GUID& iid) override { return iid == IID_IACFPluginDefinition ? this : nullptr; }

  std::vector<std::unique_ptr<FakeEffectDescriptor>> mDescriptors;
  std::vector<std::pair<std::string, FakeEffectDescriptor*>> mEffects;
  std::string mManufacturer;
  std::vector<std::string> mPackageNames;
  uint32_t mVersion = 0;
  bool mFailFieldCalls = false;
};

class FakeACFHost final : public AAX_IACFHost
{
public:
  AAX_IHostServices* GetHostServices() override { return &mServices; }
  AAX_ICollection* NewCollection() override
  {
    mCollections.push_back(std::make_unique<FakeCollection>());
    mCollections.back()->mFailFieldCalls = mFailFieldCalls;
    return mCollections.back().get();
  }
  FakeHostServices mServices;
  std::vector<std::unique_ptr<FakeCollection>> mCollections;
  bool mFailFieldCalls = false;
};

// Answers every set-value request at once with UpdateParameterNormalizedValue, as a host does.
class FakeAutomationDelegate final : public AAX_IAutomationDelegate
{
public:
  AAX_Result TouchParameter(AAX_CParamID id) override
  {
    mCalls.push_back("touch " + std::string(id));
    return AAX_SUCCESS;
  }
  AAX_Result ReleaseParameter(AAX_CParamID id) override
  {
    mCalls.push_back("release " + std::string(id));
    return AAX_SUCCESS;
  }
  AAX_Result PostSetValueRequest(AAX_CParamID id, double value) override
  {
    mCalls.push_back("set " + std::string(id) + " " + std::to_string(value));
    if (mEffect != nullptr && mAnswer)
      return mEffect->UpdateParameterNormalizedValue(id, value, AAX_eUpdateSource_Unspecified);
    return AAX_SUCCESS;
  }
  AAX_IEffectParameters* mEffect = nullptr;
  bool mAnswer = true;
  std::vector<std::string> mCalls;
};

class FakeTransport final : public AAX_ITransport
{
public:
  AAX_Result GetCurrentTempo(double* bpm) const override { return Count(), *bpm = mTempo, AAX_SUCCESS; }
  AAX_Result IsTransportPlaying(bool* playing) const override { return Count(), *playing = mPlaying, AAX_SUCCESS; }
  AAX_Result GetCurrentMeter(int32_t* n, int32_t* d) const override
  {
    Count();
    *n = mNumerator;
    *d = mDenominator;
    return AAX_SUCCESS;
  }
  AAX_Result GetCurrentTickPosition(int64_t* ticks) const override { return Count(), *ticks = mTicks, AAX_SUCCESS; }
  AAX_Result GetCurrentNativeSampleLocation(int64_t* s) const override
  {
    return Count(), *s = mSampleLocation, AAX_SUCCESS;
  }
  AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* start, int64_t* end) const override
  {
    Count();
    *looping = mLooping;
    *start = mLoopStart;
    *end = mLoopEnd;
    return AAX_SUCCESS;
  }
  void Count() const { ++mQueries; }

  double mTempo = 96.0;
  bool mPlaying = true;
  int32_t mNumerator = 3;
  int32_t mDenominator = 8;
  int64_t mTicks = 2 * 960000;
  int64_t mSampleLocation = 48000;
  bool mLooping = true;
  int64_t mLoopStart = 960000;
  int64_t mLoopEnd = 4 * 960000;
  mutable int mQueries = 0;
};

class FakeTransportNode final : public AAX_ITransportNode
{
public:
  explicit FakeTransportNode(AAX_ITransport* transport) : mTransport(transport) {}
  AAX_ITransport* GetTransport() override { return mTransport; }
  AAX_ITransport* mTransport;
};

class FakeController final : public AAX_IController
{
public:
  AAX_Result GetSampleRate(AAX_CSampleRate* rate) const override { return *rate = mSampleRate, AAX_SUCCESS; }
  AAX_Result GetInputStemFormat(AAX_EStemFormat* f) const override { return *f = mInputFormat, AAX_SUCCESS; }
  AAX_Result GetOutputStemFormat(AAX_EStemFormat* f) const override { return *f = mOutputFormat, AAX_SUCCESS; }
  AAX_Result SetSignalLatency(int32_t samples) override
  {
    mLatencies.push_back(samples);
    return AAX_SUCCESS;
  }
  AAX_Result PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size) override
  {
    int64_t value = 0;
    if (size == sizeof(value))
      std::memcpy(&value, data, sizeof(value));
    mPackets.emplace_back(field, value);
    return AAX_SUCCESS;
  }
  AAX_IAutomationDelegate* GetAutomationDelegate() override { return &mAutomation; }
  AAX_ITransport* GetTransport() override { return &mTransport; }
  AAX_IEffectParameters* GetEffectParameters() override { return mAutomation.mEffect; }

  // Initialize `effect` with this controller; the automation delegate answers it.
  AAX_Result Attach(AAX_IEffectParameters& effect)
  {
    mAutomation.mEffect = &effect;
    return effect.Initialize(this);
  }

  AAX_CSampleRate mSampleRate = 44100.0f;
  AAX_EStemFormat mInputFormat = AAX_eStemFormat_Stereo;
  AAX_EStemFormat mOutputFormat = AAX_eStemFormat_Stereo;
  std::vector<int32_t> mLatencies;
  std::vector<std::pair<AAX_CFieldIndex, int64_t>> mPackets;
  FakeAutomationDelegate mAutomation;
  FakeTransport mTransport;
};

// The host window an editor opens in: a given native pointer, and every size the editor asked for.
class FakeViewContainer final : public AAX_IViewContainer
{
public:
  explicit FakeViewContainer(void* window) : mWindow(window) {}
  void* GetPtr() override { return mWindow; }
  AAX_Result SetViewSize(const AAX_Point& size) override
  {
    mSizes.push_back(size);
    return AAX_SUCCESS;
  }
  AAX_Result GetModifiers(uint32_t* modifiers) override { return *modifiers = 0, AAX_SUCCESS; }
  AAX_Result HandleParameterMouseDown(AAX_CParamID, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }

  void* mWindow;
  std::vector<AAX_Point> mSizes;
};

} // namespace quorvane::test
