#include "aax/AAX_CParameterManager.h"

#include <string_view>

void AAX_CParameterManager::Initialize(AAX_IAutomationDelegate* delegate)
{
  mAutomationDelegate = delegate;
  for (auto& parameter : mParameters)
    parameter->SetAutomationDelegate(delegate);
}

bool AAX_CParameterManager::AddParameter(std::unique_ptr<AAX_IParameter> parameter)
{
  if (!parameter || GetParameterByID(parameter->Identifier()) != nullptr)
    return false;
  parameter->SetAutomationDelegate(mAutomationDelegate);
  mIndexByID.emplace(parameter->Identifier(), NumParameters());
  mParameters.push_back(std::move(parameter));
  return true;
}

void AAX_CParameterManager::RemoveAllParameters()
{
  mIndexByID.clear();
  mParameters.clear();
}

AAX_IParameter* AAX_CParameterManager::GetParameterByID(AAX_CParamID id) const
{
  return GetParameter(GetParameterIndex(id));
}

AAX_IParameter* AAX_CParameterManager::GetParameter(int32_t index) const
{
  if (index < 0 || index >= NumParameters())
    return nullptr;
  return mParameters[static_cast<size_t>(index)].get();
}

int32_t AAX_CParameterManager::GetParameterIndex(AAX_CParamID id) const
{
  if (id == nullptr)
    return -1;
  const auto found = mIndexByID.find(std::string_view(id));
  return found == mIndexByID.end() ? -1 : found->second;
}
