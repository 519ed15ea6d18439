#pragma once
// The plug-in's description to the host: one effect, one component per accepted channel layout (with
// the side-chain rule), the create procedures. Runs once per registration; needs no instance.

#include <cstdint>

#include "aax/AAX_Interfaces.h"
#include "IPlug/IPlugStructs.h"

namespace iplug {

inline constexpr int32_t kMaxAdditionalMIDINodes = 15;
inline constexpr int32_t kMaxAuxOutputStems = 32;
inline constexpr AAX_CTypeID kAAX_NoneCode = AAX_FourCC("none");

// One component's settings, filled by DescribeEffects and handed to DescribeComponent.
struct AAX_SIPlugComponentSetup
{
  bool mWantsGlobalMidi = false;
  const char* mGlobalMidiLabel = "GlobalMIDI";
  uint32_t mGlobalMidiEventMask = 0xFFFF;
  bool mWantsInputMidi = false;
  const char* mInputMidiLabel = "InputMIDI";
  uint32_t mInputMidiChannelMask = 0xFFFF;
  int32_t mNumAdditionalInputMIDINodes = 0;
  bool mWantsOutputMidi = false;
  const char* mOutputMidiLabel = "OutputMIDI";
  uint32_t mOutputMidiChannelMask = 0xFFFF;
  bool mWantsTransport = false;
  const char* mTransportLabel = "Transport";
  int32_t mMeterTotal = 0;
  const AAX_CTypeID* mMeterIds = nullptr;
  int32_t mNumAuxOutputStems = 0;
  const char* mAuxOutputNames[kMaxAuxOutputStems] = {};
  AAX_EStemFormat mAuxOutputFormats[kMaxAuxOutputStems];
  AAX_EStemFormat mHybridInputStemFormat = AAX_eStemFormat_None;
  AAX_EStemFormat mHybridOutputStemFormat = AAX_eStemFormat_None;
  AAX_EStemFormat mMainInFormat = AAX_eStemFormat_Mono;
  AAX_EStemFormat mMainOutFormat = AAX_eStemFormat_Mono;
  bool mWantsHostEditor = false;
  bool mBypassOffered = true;
  bool mWantsSideChain = false;
  AAX_CTypeID mMakerCode = kAAX_NoneCode;
  AAX_CTypeID mProductId = kAAX_NoneCode;
  AAX_CTypeID mRealtimeTypeCode = kAAX_NoneCode;
  AAX_CTypeID mOfflineTypeCode = kAAX_NoneCode; // 'none': no AudioSuite variant
  bool mMultiMonoAllowed = true;
  int32_t mInitialLatency = 0;

  AAX_SIPlugComponentSetup()
  {
    for (AAX_EStemFormat& format : mAuxOutputFormats)
      format = AAX_eStemFormat_Mono;
  }
};

// What a plug-in tells the binding about itself for the description (the plug-in's module fills it).
struct IPlugAAX_EffectInfo
{
  const char* mEffectName = "";      // line breaks separate further names
  const char* mEffectID = "";
  const char* mManufacturerName = "";
  uint32_t mPackageVersion = 0;
  uint32_t mCategory = 0;
  AAX_CTypeID mManufacturerCode = 0;
  AAX_CTypeID mProductCode = 0;
  const AAX_CTypeID* mNativeTypeCodes = nullptr; // one per component, in registration order
  const AAX_CTypeID* mAudioSuiteTypeCodes = nullptr;
  int32_t mNumTypeCodes = 0;
  const char* mChannelIOString = "";
  const char* mMidiNodeName = "";
  int32_t mInitialLatency = 0;
  AAX_CCreateEffectParametersProc mCreateEffectParameters = nullptr;
  AAX_CCreateEffectGUIProc mCreateEffectGUI = nullptr;
};

// registration: the effect, its components and create procedures; the OR of the step results.
// A failing component step throws (AAX_CheckedResult::Exception).
AAX_Result DescribeEffects(AAX_ICollection* collection, const IPlugAAX_EffectInfo& info);
// registration: adds one component (fields, properties, process procedure); throws on a failed call
AAX_Result DescribeComponent(AAX_IEffectDescriptor* effect, const AAX_SIPlugComponentSetup& setupInfo);
// any thread: the stem format of a bus by its channel count (0xFF9C0000 when there is none)
AAX_EStemFormat StemFormatForBus(const IOLayout& layout, ChannelDirection direction, int busIndex);
// any thread: the table itself
AAX_EStemFormat StemFormatForChannelCount(int channels);

} // namespace iplug
