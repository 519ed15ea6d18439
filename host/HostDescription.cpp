#include "host/HostDescription.h"

#include <algorithm>

namespace quorvane::host {

AAX_Result HostPropertyMap::AddProperty(uint32_t property, int32_t value)
{
  for (auto& entry : mProperties)
  {
    if (entry.first == property)
    {
      entry.second = value;
      return AAX_SUCCESS;
    }
  }
  mProperties.emplace_back(property, value);
  return AAX_SUCCESS;
}

bool HostPropertyMap::GetProperty(uint32_t property, int32_t* value) const
{
  for (const auto& entry : mProperties)
  {
    if (entry.first == property)
    {
      if (value)
        *value = entry.second;
      return true;
    }
  }
  return false;
}

const char* FieldKindName(FieldKind kind)
{
  switch (kind)
  {
  case FieldKind::AudioIn: return "audio input";
  case FieldKind::AudioOut: return "audio output";
  case FieldKind::BufferLength: return "buffer length";
  case FieldKind::Clock: return "clock";
  case FieldKind::SideChainIn: return "side-chain input";
  case FieldKind::MidiNode: return "MIDI node";
  case FieldKind::PrivateData: return "private data";
  case FieldKind::DataInPort: return "data-in port";
  case FieldKind::Meters: return "meters";
  case FieldKind::AuxOutputStem: return "aux output stem";
  }
  return "?";
}

AAX_Result HostComponentDescriptor::Add(FieldRecord record)
{
  // A context has a fixed number of 8-byte slots; a field outside them or registered twice would
  // make two things share a slot, so the host refuses it like a real host refuses a bad description.
  if (record.index < 0 || record.index >= kAAX_NumPlugContextFields || Field(record.index))
    return AAX_ERROR_INVALID_PARAMETER_ID;
  mFields.push_back(std::move(record));
  return AAX_SUCCESS;
}

AAX_Result HostComponentDescriptor::AddAudioIn(AAX_CFieldIndex field) { return Add({field, FieldKind::AudioIn, 8, 0, 0, {}}); }
AAX_Result HostComponentDescriptor::AddAudioOut(AAX_CFieldIndex field) { return Add({field, FieldKind::AudioOut, 8, 0, 0, {}}); }
AAX_Result HostComponentDescriptor::AddAudioBufferLength(AAX_CFieldIndex field)
{
  return Add({field, FieldKind::BufferLength, 4, 0, 0, {}});
}
AAX_Result HostComponentDescriptor::AddClock(AAX_CFieldIndex field) { return Add({field, FieldKind::Clock, 8, 0, 0, {}}); }
AAX_Result HostComponentDescriptor::AddSideChainIn(AAX_CFieldIndex field)
{
  return Add({field, FieldKind::SideChainIn, 4, 0, 0, {}});
}

AAX_Result HostComponentDescriptor::AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name,
                                                uint32_t channelMask)
{
  return Add({field, FieldKind::MidiNode, 0, type, channelMask, name ? name : ""});
}

AAX_Result HostComponentDescriptor::AddPrivateData(AAX_CFieldIndex field, int32_t dataSize, int32_t options)
{
  if (dataSize < 0)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  return Add({field, FieldKind::PrivateData, dataSize, options, 0, {}});
}

AAX_Result HostComponentDescriptor::AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, int32_t portType)
{
  return Add({field, FieldKind::DataInPort, static_cast<int32_t>(packetSize), portType, 0, {}});
}

AAX_Result HostComponentDescriptor::AddMeters(AAX_CFieldIndex field, const AAX_CTypeID*, uint32_t meterCount)
{
  return Add({field, FieldKind::Meters, 0, 0, meterCount, {}});
}

AAX_Result HostComponentDescriptor::AddAuxOutputStem(AAX_CFieldIndex field, AAX_EStemFormat format, const char* name)
{
  return Add({field, FieldKind::AuxOutputStem, 0, format, 0, name ? name : ""});
}

AAX_IPropertyMap* HostComponentDescriptor::NewPropertyMap()
{
  mMaps.push_back(std::make_unique<HostPropertyMap>());
  return mMaps.back().get();
}

AAX_Result HostComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* properties)
{
  if (!proc)
    return AAX_ERROR_NULL_OBJECT;
  mProcessProc = proc;
  mProcessProperties = nullptr;
  for (const auto& map : mMaps)
    if (map.get() == properties)
      mProcessProperties = map.get();
  return AAX_SUCCESS;
}

const FieldRecord* HostComponentDescriptor::Field(AAX_CFieldIndex index) const
{
  for (const auto& f : mFields)
    if (f.index == index)
      return &f;
  return nullptr;
}

int32_t HostComponentDescriptor::Property(uint32_t property, int32_t fallback) const
{
  int32_t value = fallback;
  if (mProcessProperties && mProcessProperties->GetProperty(property, &value))
    return value;
  return fallback;
}

AAX_IComponentDescriptor* HostEffectDescriptor::NewComponentDescriptor()
{
  mOwned.push_back(std::make_unique<HostComponentDescriptor>());
  return mOwned.back().get();
}

AAX_Result HostEffectDescriptor::AddComponent(AAX_IComponentDescriptor* component)
{
  for (const auto& owned : mOwned)
  {
    if (owned.get() == component)
    {
      if (std::find(mComponents.begin(), mComponents.end(), owned.get()) != mComponents.end())
        return AAX_ERROR_INVALID_PARAMETER_ID;
      mComponents.push_back(owned.get());
      return AAX_SUCCESS;
    }
  }
  return AAX_ERROR_NULL_OBJECT; // not one of ours
}

AAX_Result HostEffectDescriptor::AddName(const char* name)
{
  if (!name)
    return AAX_ERROR_NULL_OBJECT;
  mNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result HostEffectDescriptor::AddCategory(uint32_t category)
{
  mCategories.push_back(category);
  return AAX_SUCCESS;
}

AAX_Result HostEffectDescriptor::AddProcPtr(void* proc, AAX_EProcPtrID id)
{
  if (!proc)
    return AAX_ERROR_NULL_OBJECT;
  switch (id)
  {
  case kAAX_ProcPtrID_Create_EffectParameters:
    mCreateParameters = reinterpret_cast<AAX_CCreateEffectParametersProc>(proc);
    return AAX_SUCCESS;
  case kAAX_ProcPtrID_Create_EffectGUI:
    mCreateGUI = reinterpret_cast<AAX_CCreateEffectGUIProc>(proc);
    return AAX_SUCCESS;
  }
  return AAX_ERROR_INVALID_PARAMETER_ID;
}

const HostComponentDescriptor* HostEffectDescriptor::ComponentByType(AAX_CTypeID typeCode) const
{
  for (const auto* c : mComponents)
    if (static_cast<AAX_CTypeID>(c->Property(AAX_eProperty_PlugInID_Native, 0)) == typeCode)
      return c;
  return nullptr;
}

AAX_IEffectDescriptor* HostCollection::NewDescriptor()
{
  mOwned.push_back(std::make_unique<HostEffectDescriptor>());
  return mOwned.back().get();
}

AAX_Result HostCollection::AddEffect(const char* effectID, AAX_IEffectDescriptor* effect)
{
  if (!effectID || !effect)
    return AAX_ERROR_NULL_OBJECT;
  for (const auto& owned : mOwned)
  {
    if (owned.get() == effect)
    {
      mEffects.push_back({effectID, owned.get()});
      return AAX_SUCCESS;
    }
  }
  return AAX_ERROR_NULL_OBJECT;
}

AAX_Result HostCollection::SetManufacturerName(const char* name)
{
  if (!name)
    return AAX_ERROR_NULL_OBJECT;
  mManufacturer = name;
  return AAX_SUCCESS;
}

AAX_Result HostCollection::AddPackageName(const char* name)
{
  if (!name)
    return AAX_ERROR_NULL_OBJECT;
  mPackageNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result HostCollection::SetPackageVersion(uint32_t version)
{
  mPackageVersion = version;
  return AAX_SUCCESS;
}

void* HostCollection::GetPluginDefinition(const AAX_GUID& iid)
{
  return iid == IID_IACFPluginDefinition ? this : nullptr;
}

} // namespace quorvane::host
