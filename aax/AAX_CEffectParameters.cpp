#include "aax/AAX_CEffectParameters.h"

#include <algorithm>
#include <cstring>
#include <vector>

AAX_Result AAX_CEffectParameters::Initialize(AAX_IController* controller)
{
  if (controller == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  mController = controller;
  mAutomationDelegate = controller->GetAutomationDelegate();
  mTransport = controller->GetTransport();
  mParameterManager.Initialize(mAutomationDelegate);
  mPacketDispatcher.Initialize(controller);
  return EffectInit();
}

AAX_Result AAX_CEffectParameters::Uninitialize()
{
  mParameterManager.RemoveAllParameters();
  mParameterManager.Initialize(nullptr);
  mPacketDispatcher.Initialize(nullptr);
  mController = nullptr;
  mAutomationDelegate = nullptr;
  mTransport = nullptr;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::NotificationReceived(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::GetNumberOfParameters(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  *count = mParameterManager.NumParameters();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetMasterBypassParameter(std::string* id) const
{
  if (id == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  id->clear();
  if (mParameterManager.GetParameterByID(cDefaultMasterBypassID) != nullptr)
    *id = cDefaultMasterBypassID;
  return AAX_SUCCESS;
}

// Every query: find the parameter (-20001 when absent), refuse a null out pointer.
#define AAX_FIND_PARAMETER(id, out)                                                                            \
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);                                   \
  if (parameter == nullptr)                                                                                    \
    return AAX_ERROR_INVALID_PARAMETER_ID;                                                                     \
  if ((out) == nullptr)                                                                                        \
    return AAX_ERROR_NULL_OBJECT;

AAX_Result AAX_CEffectParameters::GetParameterIsAutomatable(AAX_CParamID id, bool* automatable) const
{
  AAX_FIND_PARAMETER(id, automatable)
  *automatable = parameter->Automatable();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const
{
  AAX_FIND_PARAMETER(id, steps)
  *steps = parameter->GetNumberOfSteps();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterName(AAX_CParamID id, std::string* name) const
{
  AAX_FIND_PARAMETER(id, name)
  *name = parameter->Name();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNameOfLength(AAX_CParamID id, std::string* name, int32_t length) const
{
  AAX_FIND_PARAMETER(id, name)
  *name = parameter->ShortenedName(length);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const
{
  AAX_FIND_PARAMETER(id, value)
  *value = parameter->GetNormalizedDefaultValue();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const
{
  AAX_FIND_PARAMETER(id, type)
  *type = parameter->GetType();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterValueString(AAX_CParamID id, std::string* text, int32_t maxLength) const
{
  AAX_FIND_PARAMETER(id, text)
  parameter->GetValueString(maxLength, text);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterStringFromValue(AAX_CParamID id, double normalizedValue,
                                                              std::string* text, int32_t maxLength) const
{
  AAX_FIND_PARAMETER(id, text)
  parameter->GetStringFromNormalizedValue(normalizedValue, maxLength, text);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterValueFromString(AAX_CParamID id, double* normalizedValue,
                                                              const std::string& text) const
{
  AAX_FIND_PARAMETER(id, normalizedValue)
  if (!parameter->GetNormalizedValueFromString(text, normalizedValue))
    return AAX_ERROR_INVALID_STRING_CONVERSION;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterNormalizedValue(AAX_CParamID id, double* value) const
{
  AAX_FIND_PARAMETER(id, value)
  *value = parameter->GetNormalizedValue();
  return AAX_SUCCESS;
}

#undef AAX_FIND_PARAMETER

AAX_Result AAX_CEffectParameters::GetParameterIndex(AAX_CParamID id, int32_t* index) const
{
  if (index == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  *index = mParameterManager.GetParameterIndex(id);
  return *index < 0 ? AAX_ERROR_INVALID_PARAMETER_ID : AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterIDFromIndex(int32_t index, std::string* id) const
{
  if (id == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const AAX_IParameter* parameter = mParameterManager.GetParameter(index);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_INDEX;
  *id = parameter->Identifier();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->SetNormalizedValue(value);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedRelative(AAX_CParamID id, double delta)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  const double value = parameter->GetNormalizedValue() + delta;
  parameter->SetNormalizedValue(value != value ? parameter->GetNormalizedValue() : std::clamp(value, 0.0, 1.0));
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->UpdateNormalizedValue(value);
  const AAX_Result result = mPacketDispatcher.SetDirty(id);
  ++mNumPlugInChanges;
  return result;
}

AAX_Result AAX_CEffectParameters::GenerateCoefficients() { return mPacketDispatcher.Dispatch(); }

AAX_Result AAX_CEffectParameters::GetNumberOfChanges(int32_t* changes) const
{
  if (changes == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const int32_t count = mNumPlugInChanges.load();
  if (count >= 0)
    *changes = count;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::ResetFieldData(AAX_CFieldIndex, void* data, uint32_t dataSize) const
{
  if (data != nullptr && dataSize > 0)
    std::memset(data, 0, dataSize);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfChunks(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  *count = 1;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const
{
  if (chunkID == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (index != 0)
  {
    *chunkID = 0;
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  }
  *chunkID = kDefaultChunkID;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const
{
  if (size == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (chunkID != kDefaultChunkID)
  {
    *size = 0;
    return AAX_ERROR_INVALID_CHUNK_ID;
  }
  *size = static_cast<uint32_t>(sizeof(double)) * static_cast<uint32_t>(mParameterManager.NumParameters());
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const
{
  if (chunkID != kDefaultChunkID)
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (chunk == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const int32_t count = mParameterManager.NumParameters();
  const uint32_t size = static_cast<uint32_t>(sizeof(double)) * static_cast<uint32_t>(count);
  if (chunk->fDataCapacity < size)
    return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  for (int32_t i = 0; i < count; ++i)
  {
    const double value = mParameterManager.GetParameter(i)->GetNormalizedValue();
    std::memcpy(chunk->fData + sizeof(double) * static_cast<size_t>(i), &value, sizeof(double));
  }
  chunk->fSize = static_cast<int32_t>(size);
  chunk->fChunkID = chunkID;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
  if (chunkID != kDefaultChunkID)
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (chunk == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const uint32_t available = ChunkDataSize(*chunk) / sizeof(double);
  for (int32_t i = 0; i < mParameterManager.NumParameters() && static_cast<uint32_t>(i) < available; ++i)
  {
    double value = 0.0;
    std::memcpy(&value, chunk->fData + sizeof(double) * static_cast<size_t>(i), sizeof(double));
    mParameterManager.GetParameter(i)->SetNormalizedValue(value);
  }
  ++mNumPlugInChanges;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) const
{
  if (chunk == nullptr || isEqual == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  *isEqual = true;
  if (chunk->fChunkID != kDefaultChunkID)
    return AAX_SUCCESS;
  const uint32_t available = ChunkDataSize(*chunk) / sizeof(double);
  if (available < static_cast<uint32_t>(mParameterManager.NumParameters()))
  {
    *isEqual = false;
    return AAX_SUCCESS;
  }
  for (int32_t i = 0; i < mParameterManager.NumParameters(); ++i)
  {
    double value = 0.0;
    std::memcpy(&value, chunk->fData + sizeof(double) * static_cast<size_t>(i), sizeof(double));
    if (value != mParameterManager.GetParameter(i)->GetNormalizedValue())
      *isEqual = false;
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::TimerWakeup() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::TouchParameter(AAX_CParamID id)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->Touch();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::ReleaseParameter(AAX_CParamID id)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->Release();
  return AAX_SUCCESS;
}

uint32_t AAX_CEffectParameters::ChunkDataSize(const AAX_SPlugInChunk& chunk)
{
  const uint32_t claimed = chunk.fSize > 0 ? static_cast<uint32_t>(chunk.fSize) : 0;
  return std::min(claimed, chunk.fDataCapacity);
}
