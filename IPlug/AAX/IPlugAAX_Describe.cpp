#include "IPlug/AAX/IPlugAAX_Describe.h"

#include <string>
#include <vector>

#include "aax/AAX_CHostServices.h"
#include "aax/AAX_CheckedResult.h"
#include "IPlug/AAX/AAX_CIPlugParameters.h"
#include "IPlug/IPlugProcessor.h"

namespace iplug {

AAX_EStemFormat StemFormatForChannelCount(int channels)
{
  switch (channels)
  {
    case 1: return 0x00000001;
    case 2: return 0x00010002;
    case 3: return 0x00020003;
    case 4: return 0x000E0004;
    case 5: return 0x00050005;
    case 6: return 0x00060006;
    case 7: return 0x000B0007;
    case 8: return 0x000C0008;
    case 9: return 0x00120009;
    case 10: return 0x000D000A;
    case 16: return 0x00130010;
    default: return AAX_eStemFormat_None;
  }
}

AAX_EStemFormat StemFormatForBus(const IOLayout& layout, ChannelDirection direction, int busIndex)
{
  return StemFormatForChannelCount(layout.ChannelsOnBus(direction, busIndex));
}

AAX_Result DescribeComponent(AAX_IEffectDescriptor* effect, const AAX_SIPlugComponentSetup& setupInfo)
{
  if (effect == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  AAX_IComponentDescriptor* component = effect->NewComponentDescriptor();
  if (component == nullptr)
    return AAX_ERROR_NULL_OBJECT;

  AAX_CheckedResult err;
  constexpr int32_t kPlaceholderSize = 4;
  auto placeholder = [&](AAX_CFieldIndex field) { err = component->AddPrivateData(field, kPlaceholderSize, 0); };

  if (setupInfo.mWantsGlobalMidi)
    err = component->AddMIDINode(kAAX_FieldIndex_GlobalMidi, AAX_eMIDINodeType_Global, setupInfo.mGlobalMidiLabel,
                                 setupInfo.mGlobalMidiEventMask);
  else
    placeholder(kAAX_FieldIndex_GlobalMidi);

  if (setupInfo.mWantsInputMidi)
    err = component->AddMIDINode(kAAX_FieldIndex_InputMidi, AAX_eMIDINodeType_LocalInput, setupInfo.mInputMidiLabel,
                                 setupInfo.mInputMidiChannelMask);
  else
    placeholder(kAAX_FieldIndex_InputMidi);

  if (setupInfo.mWantsOutputMidi)
    err = component->AddMIDINode(kAAX_FieldIndex_OutputMidi, AAX_eMIDINodeType_LocalOutput,
                                 setupInfo.mOutputMidiLabel, setupInfo.mOutputMidiChannelMask);
  else
    placeholder(kAAX_FieldIndex_OutputMidi);

  if (setupInfo.mWantsTransport)
    err = component->AddMIDINode(kAAX_FieldIndex_Transport, AAX_eMIDINodeType_Transport, "Transport", 0xFFFF);
  else
    placeholder(kAAX_FieldIndex_Transport);

  AAX_ASSERT(setupInfo.mNumAdditionalInputMIDINodes <= kMaxAdditionalMIDINodes);
  for (int32_t i = 0; i < kMaxAdditionalMIDINodes; ++i)
  {
    const AAX_CFieldIndex field = kAAX_FieldIndex_MoreInputMidiFirst + i;
    if (i < setupInfo.mNumAdditionalInputMIDINodes)
      err = component->AddMIDINode(field, AAX_eMIDINodeType_LocalInput, setupInfo.mInputMidiLabel,
                                   setupInfo.mInputMidiChannelMask);
    else
      placeholder(field);
  }

  err = component->AddAudioIn(kAAX_FieldIndex_InputBuffers);
  err = component->AddAudioOut(kAAX_FieldIndex_OutputBuffers);
  err = component->AddAudioBufferLength(kAAX_FieldIndex_BlockLength);
  err = component->AddClock(kAAX_FieldIndex_Clock);

  if (setupInfo.mMeterTotal > 0)
    err = component->AddMeters(kAAX_FieldIndex_Meters, setupInfo.mMeterIds,
                               static_cast<uint32_t>(setupInfo.mMeterTotal));
  else
    placeholder(kAAX_FieldIndex_Meters);

  if (setupInfo.mWantsSideChain)
    err = component->AddSideChainIn(kAAX_FieldIndex_SideChain);

  AAX_ASSERT(setupInfo.mNumAuxOutputStems <= kMaxAuxOutputStems);
  // An auxiliary stem's field follows the fixed layout; more than 32 are never read.
  for (int32_t i = 0; i < setupInfo.mNumAuxOutputStems && i < kMaxAuxOutputStems; ++i)
    err = component->AddAuxOutputStem(0, setupInfo.mAuxOutputFormats[i], setupInfo.mAuxOutputNames[i]);

  err = component->AddPrivateData(kAAX_FieldIndex_Private, static_cast<int32_t>(sizeof(AAX_SIPlugPrivateData)), 0);
  err = component->AddDataInPort(kAAX_FieldIndex_ChangeNumber, sizeof(int64_t), AAX_eDataInPortType_Unbuffered);

  AAX_IPropertyMap* properties = component->NewPropertyMap();
  if (properties == nullptr)
    err = AAX_ERROR_NULL_OBJECT;

  if (setupInfo.mWantsHostEditor)
    err = properties->AddProperty(AAX_eProperty_UsesClientGUI, 1);
  const bool hybridIn = AAX_eStemFormat_None != setupInfo.mHybridInputStemFormat;
  const bool hybridOut = AAX_eStemFormat_None != setupInfo.mHybridOutputStemFormat;
  AAX_ASSERT((AAX_eStemFormat_None != setupInfo.mHybridInputStemFormat) ==
             (AAX_eStemFormat_None != setupInfo.mHybridOutputStemFormat));
  if (hybridIn && hybridOut)
  {
    err = properties->AddProperty(AAX_eProperty_HybridInputStemFormat, setupInfo.mHybridInputStemFormat);
    err = properties->AddProperty(AAX_eProperty_HybridOutputStemFormat, setupInfo.mHybridOutputStemFormat);
  }
  if (setupInfo.mWantsSideChain)
    err = properties->AddProperty(AAX_eProperty_SupportsSideChainInput, 1);
  err = properties->AddProperty(AAX_eProperty_LatencyContribution, setupInfo.mInitialLatency);
  err = properties->AddProperty(AAX_eProperty_InputStemFormat, setupInfo.mMainInFormat);
  err = properties->AddProperty(AAX_eProperty_OutputStemFormat, setupInfo.mMainOutFormat);
  err = properties->AddProperty(AAX_eProperty_CanBypass, setupInfo.mBypassOffered ? 1 : 0);
  err = properties->AddProperty(AAX_eProperty_Constraint_AlwaysProcess, 1);
  if (setupInfo.mWantsTransport)
    err = properties->AddProperty(AAX_eProperty_UsesTransport, 1);
  err = properties->AddProperty(AAX_eProperty_ManufacturerID, static_cast<int32_t>(setupInfo.mMakerCode));
  err = properties->AddProperty(AAX_eProperty_ProductID, static_cast<int32_t>(setupInfo.mProductId));
  err = properties->AddProperty(AAX_eProperty_PlugInID_Native, static_cast<int32_t>(setupInfo.mRealtimeTypeCode));
  if (setupInfo.mOfflineTypeCode != kAAX_NoneCode)
    err = properties->AddProperty(AAX_eProperty_PlugInID_AudioSuite, static_cast<int32_t>(setupInfo.mOfflineTypeCode));
  if (!setupInfo.mMultiMonoAllowed)
    err = properties->AddProperty(AAX_eProperty_Constraint_MultiMonoSupport, 0);

  err = component->AddProcessProc_Native(&AAX_CIPlugParameters::RenderAllInstances, properties);
  err = effect->AddComponent(component);
  return AAX_SUCCESS;
}

AAX_Result DescribeEffects(AAX_ICollection* collection, const IPlugAAX_EffectInfo& info)
{
  if (collection == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  AAX_IEffectDescriptor* effect = collection->NewDescriptor();
  if (effect == nullptr)
    return AAX_ERROR_NULL_OBJECT;

  AAX_Result err = AAX_SUCCESS;

  const std::string names = info.mEffectName != nullptr ? info.mEffectName : "";
  for (size_t start = 0; start <= names.size();)
  {
    const size_t end = std::min(names.find('\n', start), names.size());
    const std::string piece = names.substr(start, end - start);
    err |= effect->AddName(piece.c_str());
    err |= collection->AddPackageName(piece.c_str());
    start = end + 1;
  }
  err |= effect->AddCategory(info.mCategory);

  std::vector<IOLayout> layouts;
  int maxInputChannels = 0, maxOutputChannels = 0, maxInputBuses = 0, maxOutputBuses = 0;
  IPlugProcessor::ParseIOLayouts(info.mChannelIOString, layouts, maxInputChannels, maxOutputChannels, maxInputBuses,
                                 maxOutputBuses);
  const bool sideChainRule = maxInputBuses > 1;

  int32_t typeIndex = 0;
  for (const IOLayout& layout : layouts)
  {
    if (sideChainRule && layout.BusCount(ChannelDirection::Input) != 1)
      continue;
    if (typeIndex >= info.mNumTypeCodes || info.mNativeTypeCodes == nullptr)
      break; // never more components than type codes

    AAX_SIPlugComponentSetup setup;
    setup.mMainInFormat = StemFormatForBus(layout, ChannelDirection::Input, 0);
    setup.mMainOutFormat = StemFormatForBus(layout, ChannelDirection::Output, 0);
    setup.mNumAuxOutputStems = std::max(layout.BusCount(ChannelDirection::Output) - 1, 0);
    setup.mMakerCode = info.mManufacturerCode;
    setup.mProductId = info.mProductCode;
    setup.mRealtimeTypeCode = info.mNativeTypeCodes[typeIndex];
    setup.mOfflineTypeCode = info.mAudioSuiteTypeCodes != nullptr ? info.mAudioSuiteTypeCodes[typeIndex] : kAAX_NoneCode;
    setup.mBypassOffered = true;
    setup.mWantsInputMidi = false;
    setup.mInputMidiLabel = info.mMidiNodeName;
    setup.mInputMidiChannelMask = 0x0001;
    setup.mWantsOutputMidi = false;
    setup.mOutputMidiLabel = info.mMidiNodeName;
    setup.mOutputMidiChannelMask = 0x0001;
    setup.mWantsTransport = true;
    setup.mInitialLatency = info.mInitialLatency;
    setup.mWantsSideChain = sideChainRule;
    ++typeIndex;

    err |= DescribeComponent(effect, setup);
    AAX_ASSERT(err == AAX_SUCCESS);
  }

  err |= effect->AddProcPtr(reinterpret_cast<void*>(info.mCreateEffectParameters),
                            kAAX_ProcPtrID_Create_EffectParameters);
  err |= effect->AddProcPtr(reinterpret_cast<void*>(info.mCreateEffectGUI), kAAX_ProcPtrID_Create_EffectGUI);

  if (err == AAX_SUCCESS)
  {
    err = collection->AddEffect(info.mEffectID, effect);
    AAX_ASSERT(err == AAX_SUCCESS);
  }
  else
    AAX_ASSERT(err == AAX_SUCCESS);

  collection->SetManufacturerName(info.mManufacturerName);
  collection->SetPackageVersion(info.mPackageVersion);
  return err;
}

} // namespace iplug
