#pragma once
// The host side of a module's description: the collection the registration export fills, its effect
// descriptors, their component descriptors (every registered field, node, property and procedure is
// recorded) and property maps. Read back by the command line and by instance creation.

#include "aax/AAX_Interfaces.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::host {

class HostPropertyMap final : public AAX_IPropertyMap
{
public:
  // registration thread
  AAX_Result AddProperty(uint32_t property, int32_t value) override;
  // any thread
  bool GetProperty(uint32_t property, int32_t* value) const override;

  // any thread; in the order added (a repeated property keeps its place, takes the newer value)
  const std::vector<std::pair<uint32_t, int32_t>>& Properties() const { return mProperties; }

private:
  std::vector<std::pair<uint32_t, int32_t>> mProperties;
};

enum class FieldKind
{
  AudioIn,
  AudioOut,
  BufferLength,
  Clock,
  SideChainIn,
  MidiNode,
  PrivateData,
  DataInPort,
  Meters,
  AuxOutputStem,
};

const char* FieldKindName(FieldKind kind);

// One registered context field.
struct FieldRecord
{
  AAX_CFieldIndex index = 0;
  FieldKind kind = FieldKind::PrivateData;
  int32_t size = 0;    // private data and data-in ports: bytes
  int32_t subtype = 0; // MIDI node type, data-in port type, private-data options, aux stem format
  uint32_t mask = 0;   // MIDI channel mask, meter count
  std::string name;
};

class HostComponentDescriptor final : public AAX_IComponentDescriptor
{
public:
  // registration thread, all of them
  AAX_Result AddAudioIn(AAX_CFieldIndex field) override;
  AAX_Result AddAudioOut(AAX_CFieldIndex field) override;
  AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) override;
  AAX_Result AddClock(AAX_CFieldIndex field) override;
  AAX_Result AddSideChainIn(AAX_CFieldIndex field) override;
  AAX_Result AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name,
                         uint32_t channelMask) override;
  AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t dataSize, int32_t options) override;
  AAX_Result AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, int32_t portType) override;
  AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIds, uint32_t meterCount) override;
  AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, AAX_EStemFormat format, const char* name) override;
  AAX_IPropertyMap* NewPropertyMap() override;
  AAX_Result AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* properties) override;

  // any thread after registration
  const std::vector<FieldRecord>& Fields() const { return mFields; }
  // any thread; null when the field was not registered
  const FieldRecord* Field(AAX_CFieldIndex index) const;
  AAX_CProcessProc ProcessProc() const { return mProcessProc; }
  // the map registered with the process procedure; null before that
  const HostPropertyMap* Properties() const { return mProcessProperties; }
  // any thread; the property's value or `fallback`
  int32_t Property(uint32_t property, int32_t fallback) const;

private:
  AAX_Result Add(FieldRecord record);

  std::vector<FieldRecord> mFields;
  std::vector<std::unique_ptr<HostPropertyMap>> mMaps;
  AAX_CProcessProc mProcessProc = nullptr;
  const HostPropertyMap* mProcessProperties = nullptr;
};

class HostEffectDescriptor final : public AAX_IEffectDescriptor
{
public:
  // registration thread, all of them
  AAX_IComponentDescriptor* NewComponentDescriptor() override;
  AAX_Result AddComponent(AAX_IComponentDescriptor* component) override;
  AAX_Result AddName(const char* name) override;
  AAX_Result AddCategory(uint32_t category) override;
  AAX_Result AddProcPtr(void* proc, AAX_EProcPtrID id) override;

  // any thread after registration
  const std::vector<HostComponentDescriptor*>& Components() const { return mComponents; }
  const std::vector<std::string>& Names() const { return mNames; }
  const std::vector<uint32_t>& Categories() const { return mCategories; }
  AAX_CCreateEffectParametersProc CreateParameters() const { return mCreateParameters; }
  AAX_CCreateEffectGUIProc CreateGUI() const { return mCreateGUI; }
  // the component whose native type code (property 13) is `typeCode`; null if none
  const HostComponentDescriptor* ComponentByType(AAX_CTypeID typeCode) const;

private:
  std::vector<std::unique_ptr<HostComponentDescriptor>> mOwned;
  std::vector<HostComponentDescriptor*> mComponents;
  std::vector<std::string> mNames;
  std::vector<uint32_t> mCategories;
  AAX_CCreateEffectParametersProc mCreateParameters = nullptr;
  AAX_CCreateEffectGUIProc mCreateGUI = nullptr;
};

class HostCollection final : public AAX_ICollection
{
public:
  // registration thread, all of them
  AAX_IEffectDescriptor* NewDescriptor() override;
  AAX_Result AddEffect(const char* effectID, AAX_IEffectDescriptor* effect) override;
  AAX_Result SetManufacturerName(const char* name) override;
  AAX_Result AddPackageName(const char* name) override;
  AAX_Result SetPackageVersion(uint32_t version) override;
  void* GetPluginDefinition(const AAX_GUID& iid) override;

  struct Effect
  {
    std::string id;
    const HostEffectDescriptor* descriptor = nullptr;
  };

  // any thread after registration
  const std::vector<Effect>& Effects() const { return mEffects; }
  const std::string& ManufacturerName() const { return mManufacturer; }
  const std::vector<std::string>& PackageNames() const { return mPackageNames; }
  uint32_t PackageVersion() const { return mPackageVersion; }

private:
  std::vector<std::unique_ptr<HostEffectDescriptor>> mOwned;
  std::vector<Effect> mEffects;
  std::string mManufacturer;
  std::vector<std::string> mPackageNames;
  uint32_t mPackageVersion = 0;
};

} // namespace quorvane::host
