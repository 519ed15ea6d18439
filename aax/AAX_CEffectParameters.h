#pragma once
// The library's implementation of the effect-parameters face: holds the host's controller, automation
// delegate and transport from Initialize, answers the host's parameter queries from the parameter
// manager, counts changes, runs the packet dispatcher's coefficient pass and offers a default chunk.
// A plug-in derives from it and overrides EffectInit (and whatever else it handles itself).

#include <atomic>

#include "aax/AAX_CHostServices.h"
#include "aax/AAX_CPacketDispatcher.h"
#include "aax/AAX_CParameterManager.h"
#include "aax/AAX_Interfaces.h"

class AAX_CEffectParameters : public AAX_IEffectParameters, private AAX_CLiveObjectCount
{
public:
  // The default chunk: every parameter's normalized value, in manager order.
  static constexpr AAX_CTypeID kDefaultChunkID = AAX_FourCC("elck");

  AAX_CEffectParameters() = default;
  ~AAX_CEffectParameters() override = default;

  // host set-up thread
  AAX_Result Initialize(AAX_IController* controller) override;
  AAX_Result Uninitialize() override;
  // host thread
  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;

  // Parameter queries: host threads, answered from the manager.
  AAX_Result GetNumberOfParameters(int32_t* count) const override;
  AAX_Result GetMasterBypassParameter(std::string* id) const override;
  AAX_Result GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const override;
  AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const override;
  AAX_Result GetParameterName(AAX_CParamID id, std::string* name) const override;
  AAX_Result GetParameterNameOfLength(AAX_CParamID id, std::string* name, int32_t length) const override;
  AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const override;
  AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const override;
  AAX_Result GetParameterValueString(AAX_CParamID id, std::string* text, int32_t maxLength) const override;
  AAX_Result GetParameterStringFromValue(AAX_CParamID id, double normalizedValue, std::string* text,
                                         int32_t maxLength) const override;
  AAX_Result GetParameterValueFromString(AAX_CParamID id, double* normalizedValue,
                                         const std::string& text) const override;
  AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const override;
  AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const override;
  AAX_Result GetParameterIDFromIndex(int32_t index, std::string* id) const override;
  // host or UI thread: asks the host (touch, set-value request, release)
  AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;
  AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) override;
  // host thread: stores the value, marks it dirty for the dispatcher, counts the change
  AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) override;
  // host thread: the dispatcher's coefficient pass
  AAX_Result GenerateCoefficients() override;
  AAX_Result GetNumberOfChanges(int32_t* changes) const override;

  // host thread: clears the block
  AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t dataSize) const override;

  // Default chunk handling (host threads).
  AAX_Result GetNumberOfChunks(int32_t* count) const override;
  AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const override;
  AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const override;
  AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const override;
  AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;
  AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) const override;

  // host main thread
  AAX_Result TimerWakeup() override;

  // The gesture calls towards the host for a registered parameter; -20001 for any other.
  AAX_Result TouchParameter(AAX_CParamID id);
  AAX_Result ReleaseParameter(AAX_CParamID id);

  // any thread
  AAX_IController* Controller() const { return mController; }
  AAX_IAutomationDelegate* AutomationDelegate() const { return mAutomationDelegate; }
  AAX_ITransport* Transport() const { return mTransport; }
  const AAX_CParameterManager& ParameterManager() const { return mParameterManager; }

protected:
  // Initialize's set-up step; the library's does nothing
  virtual AAX_Result EffectInit() { return AAX_SUCCESS; }
  // The bytes a chunk really carries: min(fSize, fDataCapacity), a negative size counting as 0.
  static uint32_t ChunkDataSize(const AAX_SPlugInChunk& chunk);

  AAX_IController* mController = nullptr;
  AAX_IAutomationDelegate* mAutomationDelegate = nullptr;
  AAX_ITransport* mTransport = nullptr;
  AAX_CParameterManager mParameterManager;
  AAX_CPacketDispatcher mPacketDispatcher;
  std::atomic<int32_t> mNumPlugInChanges{0};
};
