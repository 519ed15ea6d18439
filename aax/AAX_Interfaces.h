#pragma once
// The interfaces that cross the module boundary. The host implements the description side
// (collection, descriptors, property maps), the controller, automation delegate, transport, MIDI
// nodes, view container and host services; the plug-in implements the effect parameters and the
// effect GUI. Both sides are built by the same compiler, so std::string may cross.

#include <string>

#include "aax/AAX.h"

class AAX_IEffectParameters;
class AAX_IEffectGUI;

// The native process procedure: one call renders every instance whose context is in the array.
struct AAX_SIPlugContext;
using AAX_CProcessProc = void (*)(AAX_SIPlugContext* const inInstancesBegin[], const void* inInstancesEnd);
using AAX_CCreateEffectParametersProc = AAX_IEffectParameters* (*)();
using AAX_CCreateEffectGUIProc = AAX_IEffectGUI* (*)();

// ------------------------------------------------------------------------------- host services
class AAX_IHostServices
{
public:
  virtual ~AAX_IHostServices() = default;
  // A failed internal check; execution goes on. flags: 1 = report to the user's log.
  virtual AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) = 0;
  virtual AAX_Result Trace(int32_t priority, const char* message) = 0;
};

// ------------------------------------------------------------------------------------- description
class AAX_IPropertyMap
{
public:
  virtual ~AAX_IPropertyMap() = default;
  virtual AAX_Result AddProperty(uint32_t property, int32_t value) = 0;
  // false when the property is absent
  virtual bool GetProperty(uint32_t property, int32_t* value) const = 0;
};

class AAX_IComponentDescriptor
{
public:
  virtual ~AAX_IComponentDescriptor() = default;
  virtual AAX_Result AddAudioIn(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddAudioOut(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddClock(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddSideChainIn(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name,
                                 uint32_t channelMask) = 0;
  virtual AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t dataSize, int32_t options) = 0;
  virtual AAX_Result AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, int32_t portType) = 0;
  virtual AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIds, uint32_t meterCount) = 0;
  virtual AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, AAX_EStemFormat format, const char* name) = 0;
  // The map stays owned by the descriptor.
  virtual AAX_IPropertyMap* NewPropertyMap() = 0;
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* properties) = 0;
};

class AAX_IEffectDescriptor
{
public:
  virtual ~AAX_IEffectDescriptor() = default;
  // Owned by the effect descriptor; null when none can be made.
  virtual AAX_IComponentDescriptor* NewComponentDescriptor() = 0;
  virtual AAX_Result AddComponent(AAX_IComponentDescriptor* component) = 0;
  virtual AAX_Result AddName(const char* name) = 0;
  virtual AAX_Result AddCategory(uint32_t category) = 0;
  virtual AAX_Result AddProcPtr(void* proc, AAX_EProcPtrID id) = 0;
};

class AAX_ICollection
{
public:
  virtual ~AAX_ICollection() = default;
  // Owned by the collection; null when none can be made.
  virtual AAX_IEffectDescriptor* NewDescriptor() = 0;
  virtual AAX_Result AddEffect(const char* effectID, AAX_IEffectDescriptor* effect) = 0;
  virtual AAX_Result SetManufacturerName(const char* name) = 0;
  virtual AAX_Result AddPackageName(const char* name) = 0;
  virtual AAX_Result SetPackageVersion(uint32_t version) = 0;
  // The interface ACFRegisterPlugin returns (IID_IACFPluginDefinition); null for any other.
  virtual void* GetPluginDefinition(const AAX_GUID& iid) = 0;
};

// The host's user-interface run loop, lent to plug-ins the way Linux hosts lend theirs: periodic ticks
// on the thread that owns it (the thread the host creates instances on).
class AAX_IRunLoop
{
public:
  using TickProc = void (*)(uintptr_t timerId);

  virtual ~AAX_IRunLoop() = default;
  // owning thread; calls proc(id) every intervalMs while the loop runs. Ids are non-zero and unique in
  // the process while live. 0 on failure.
  virtual uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) = 0;
  // owning thread; no tick for this id arrives afterwards
  virtual void StopTimer(uintptr_t timerId) = 0;
};

// What the host hands the ACF exports.
class AAX_IACFHost
{
public:
  virtual ~AAX_IACFHost() = default;
  virtual AAX_IHostServices* GetHostServices() = 0;
  // A fresh collection for one registration; owned by the host.
  virtual AAX_ICollection* NewCollection() = 0;
  // The run loop of the host's user-interface thread; null when the host lends none (timers then
  // never tick). It must outlive every instance.
  virtual AAX_IRunLoop* GetRunLoop() { return nullptr; }
};

// ---------------------------------------------------------------------------- instance services
class AAX_IAutomationDelegate
{
public:
  virtual ~AAX_IAutomationDelegate() = default;
  virtual AAX_Result TouchParameter(AAX_CParamID id) = 0;
  virtual AAX_Result ReleaseParameter(AAX_CParamID id) = 0;
  // The host answers with UpdateParameterNormalizedValue, now or later.
  virtual AAX_Result PostSetValueRequest(AAX_CParamID id, double normalizedValue) = 0;
};

class AAX_ITransport
{
public:
  virtual ~AAX_ITransport() = default;
  virtual AAX_Result GetCurrentTempo(double* bpm) const = 0;
  virtual AAX_Result IsTransportPlaying(bool* playing) const = 0;
  virtual AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const = 0;
  // Ticks: 960000 per quarter note.
  virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* sampleLocation) const = 0;
  virtual AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* loopStartTick, int64_t* loopEndTick) const = 0;
};

class AAX_IMIDINode
{
public:
  virtual ~AAX_IMIDINode() = default;
  virtual AAX_CMidiStream* GetNodeBuffer() = 0;
  virtual AAX_Result PostMIDIPacket(AAX_CMidiPacket* packet) = 0;
};

// The transport node of a render context points at one of these.
class AAX_ITransportNode
{
public:
  virtual ~AAX_ITransportNode() = default;
  virtual AAX_ITransport* GetTransport() = 0;
};

class AAX_IController
{
public:
  virtual ~AAX_IController() = default;
  virtual AAX_Result GetSampleRate(AAX_CSampleRate* rate) const = 0;
  virtual AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result SetSignalLatency(int32_t samples) = 0;
  // Delivers `size` bytes to context field `field` of this instance before its next render.
  virtual AAX_Result PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size) = 0;
  virtual AAX_IAutomationDelegate* GetAutomationDelegate() = 0;
  virtual AAX_ITransport* GetTransport() = 0;
  // The instance's effect-parameters object (the editor adaptor finds its plug-in through it).
  virtual AAX_IEffectParameters* GetEffectParameters() = 0;
};

class AAX_IViewContainer
{
public:
  virtual ~AAX_IViewContainer() = default;
  virtual void* GetPtr() = 0; // the native parent window
  virtual AAX_Result SetViewSize(const AAX_Point& size) = 0;
  virtual AAX_Result GetModifiers(uint32_t* modifiers) = 0;
  // The host takes the click on a parameter's control when this answers AAX_SUCCESS.
  virtual AAX_Result HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers) = 0;
};

// ------------------------------------------------------------------------- what the plug-in offers
class AAX_IEffectParameters
{
public:
  virtual ~AAX_IEffectParameters() = default;

  virtual AAX_Result Initialize(AAX_IController* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;

  // Parameters.
  virtual AAX_Result GetNumberOfParameters(int32_t* count) const = 0;
  virtual AAX_Result GetMasterBypassParameter(std::string* id) const = 0;
  virtual AAX_Result GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const = 0;
  virtual AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const = 0;
  virtual AAX_Result GetParameterName(AAX_CParamID id, std::string* name) const = 0;
  virtual AAX_Result GetParameterNameOfLength(AAX_CParamID id, std::string* name, int32_t length) const = 0;
  virtual AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const = 0;
  virtual AAX_Result GetParameterValueString(AAX_CParamID id, std::string* text, int32_t maxLength) const = 0;
  virtual AAX_Result GetParameterStringFromValue(AAX_CParamID id, double normalizedValue, std::string* text,
                                                 int32_t maxLength) const = 0;
  virtual AAX_Result GetParameterValueFromString(AAX_CParamID id, double* normalizedValue,
                                                 const std::string& text) const = 0;
  virtual AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const = 0;
  virtual AAX_Result GetParameterIDFromIndex(int32_t index, std::string* id) const = 0;
  virtual AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
  virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) = 0;
  virtual AAX_Result GenerateCoefficients() = 0;
  virtual AAX_Result GetNumberOfChanges(int32_t* changes) const = 0;

  // Render-context set-up (host, before rendering).
  virtual AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t dataSize) const = 0;

  // State chunks.
  virtual AAX_Result GetNumberOfChunks(int32_t* count) const = 0;
  virtual AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const = 0;
  virtual AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const = 0;
  // The host allocates the chunk with room for GetChunkSize bytes and says so in fDataCapacity.
  virtual AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const = 0;
  virtual AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) = 0;
  virtual AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) const = 0;

  // Idle time on the host's main thread.
  virtual AAX_Result TimerWakeup() = 0;
};

class AAX_IEffectGUI
{
public:
  virtual ~AAX_IEffectGUI() = default;
  virtual AAX_Result Initialize(AAX_IController* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result SetViewContainer(AAX_IViewContainer* container) = 0;
  virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
  virtual AAX_Result Draw(const AAX_Point* topLeft, const AAX_Point* bottomRight) const = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result ParameterUpdated(AAX_CParamID id) = 0;
  virtual AAX_Result SetControlHighlightInfo(AAX_CParamID id, bool highlighted, int32_t color) = 0;
};

// ------------------------------------------------------------------------------ the render context
// One per instance and render call, laid out from the registered fields: every field an 8-byte slot.
struct AAX_SIPlugPrivateData
{
  AAX_IEffectParameters* mInstance = nullptr;
};

struct AAX_SIPlugContext
{
  float* const* mInputBuffersField;          // 0
  float* const* mOutputBuffersField;         // 1
  const int32_t* mBlockLengthField;          // 2
  const AAX_CTimestamp* mClockField;         // 3
  AAX_IMIDINode* mInputMidiField;            // 4
  AAX_IMIDINode* mOutputMidiField;           // 5
  AAX_IMIDINode* mGlobalMidiField;           // 6
  AAX_ITransportNode* mTransportField;       // 7
  AAX_IMIDINode* mMoreInputMidiNodes[15];    // 8 .. 22
  AAX_SIPlugPrivateData* mPrivateField;      // 23
  float* const* mMeterField;                 // 24
  const int64_t* mChangeNumberField;         // 25
  const int32_t* mSideChainField;            // 26
};
static_assert(sizeof(AAX_SIPlugContext) == 8 * kAAX_NumPlugContextFields);

// ---------------------------------------------------------------------------------- ACF exports
extern "C" {
using ACFStartupProc = AAX_Result (*)(AAX_IACFHost* host);
using ACFShutdownProc = AAX_Result (*)(AAX_IACFHost* host);
using ACFRegisterPluginProc = AAX_Result (*)(AAX_IACFHost* host, void** outDefinition);
using ACFRegisterComponentProc = AAX_Result (*)(AAX_IACFHost* host, uint32_t index, void** outComponent);
using ACFGetClassFactoryProc = AAX_Result (*)(AAX_IACFHost* host, const AAX_GUID* clsid, const AAX_GUID* iid,
                                              void** outFactory);
using ACFCanUnloadNowProc = AAX_Result (*)(AAX_IACFHost* host);
using ACFGetSDKVersionProc = AAX_Result (*)(uint64_t* outVersion);
}
