#include "IPlug/AAX/IPlugAAX_Parameters.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "aax/AAX_CHostServices.h"
#include "IPlug/AAX/IPlugAAX.h"

namespace iplug {

namespace {
// Identifiers must be shorter than this.
constexpr size_t eParemeterDefaultMaxIdentifierSize = 32;
constexpr int32_t kDefaultSteps = 128;
} // namespace

std::unique_ptr<AAX_IParameter> MakeMasterBypassParameter(const char* id)
{
  auto bypass = std::make_unique<AAX_CParameter<bool>>(id, "Master Bypass", false, AAX_CBinaryTaperDelegate<bool>(),
                                                       AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
  bypass->SetNumberOfSteps(2);
  bypass->SetType(AAX_eParameterType_Discrete);
  return bypass;
}

std::unique_ptr<AAX_IParameter> MakeAAXParameter(const char* id, const IParam& param)
{
  const bool automatable = param.GetCanAutomate();
  const int minValue = static_cast<int>(param.GetMin());
  const int maxValue = static_cast<int>(param.GetMax());
  std::unique_ptr<AAX_IParameter> made;
  switch (param.Type())
  {
    case kTypeDouble:
      made = std::make_unique<AAX_CParameter<double>>(
        id, param.GetName(), param.GetDefault(), AAX_CIPlugTaperDelegate<double>(param),
        AAX_CUnitDisplayDelegateDecorator<double>(AAX_CNumberDisplayDelegate<double, 2, 0>(), param.GetLabel()),
        automatable);
      made->SetNumberOfSteps(kDefaultSteps);
      made->SetType(AAX_eParameterType_Continuous);
      break;
    case kTypeInt:
      made = std::make_unique<AAX_CParameter<int>>(
        id, param.GetName(), static_cast<int>(param.GetDefault()), AAX_CLinearTaperDelegate<int, 1>(minValue, maxValue),
        AAX_CUnitDisplayDelegateDecorator<int>(AAX_CNumberDisplayDelegate<int, 0, 0>(), param.GetLabel()),
        automatable);
      made->SetNumberOfSteps(kDefaultSteps);
      made->SetType(AAX_eParameterType_Continuous);
      break;
    case kTypeBool:
    case kTypeEnum:
    {
      std::map<int, std::string> texts;
      for (int i = 0; i < param.NDisplayTexts(); ++i)
      {
        double value = 0.0;
        const char* text = param.GetDisplayText(i, &value);
        texts.emplace(static_cast<int>(value), text); // the first text for a value wins
      }
      made = std::make_unique<AAX_CParameter<int>>(id, param.GetName(), static_cast<int>(param.GetDefault()),
                                                   AAX_CLinearTaperDelegate<int, 1>(minValue, maxValue),
                                                   AAX_CStringDisplayDelegate<int>(std::move(texts)), automatable);
      made->SetNumberOfSteps(param.NDisplayTexts());
      made->SetType(AAX_eParameterType_Discrete);
      break;
    }
    case kTypeNone:
    default:
      break;
  }
  return made;
}

std::string IPlugAAX::ParamIDFromIndex(int paramIdx)
{
  char text[eParemeterDefaultMaxIdentifierSize + 1];
  std::snprintf(text, sizeof(text), "%i", paramIdx + 1);
  return text;
}

int IPlugAAX::IndexNamedByID(AAX_CParamID id)
{
  if (id == nullptr)
    return -1;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(id, &end, 10);
  if (end == id || errno == ERANGE || parsed < INT_MIN + 1 || parsed > INT_MAX)
    return -1;
  return static_cast<int>(parsed - 1);
}

int IPlugAAX::ParamIndexFromID(AAX_CParamID id) const
{
  const int index = IndexNamedByID(id);
  return index >= 0 && index < NParams() ? index : -1;
}

AAX_Result IPlugAAX::EffectInit()
{
  // A rate the chain was never made for is refused before anything is sized for it.
  AAX_CSampleRate rate = 0.0f;
  const bool hasRate = mController != nullptr && mController->GetSampleRate(&rate) == AAX_SUCCESS;
  if (hasRate && !IsSupportedSampleRate(static_cast<double>(rate)))
    return kAAXErrorUnsupportedSampleRate;

  if (GetHost() == kHostUninit)
    SetHost("ProTools", 0);

  // Registered under the identifier the library's query names to the host. Asking the query first would
  // answer the empty identifier (nothing is registered yet), and a bypass registered under it stays
  // invisible to the host.
  auto bypass = MakeMasterBypassParameter(cDefaultMasterBypassID);
  AAX_IParameter* bypassRaw = bypass.get();
  mBypassParamId = mParameterManager.AddParameter(std::move(bypass)) ? bypassRaw
                                                                    : mParameterManager.GetParameterByID(cDefaultMasterBypassID);

  // A second Initialize must not append a second set of identifiers.
  mParamIdTexts.clear();
  for (int i = 0; i < NParams(); ++i)
  {
    mParamIdTexts.push_back(ParamIDFromIndex(i));
    const std::string& id = mParamIdTexts.back();
    AAX_ASSERT(id.size() < eParemeterDefaultMaxIdentifierSize);
    mParameterManager.AddParameter(MakeAAXParameter(id.c_str(), *GetParam(i)));
  }

  if (hasRate)
    ApplySampleRate(static_cast<double>(rate));
  ResetProcessing();
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::Uninitialize()
{
  mBypassParamId = nullptr;
  mHostTransport = nullptr;
  return AAX_CIPlugParameters::Uninitialize();
}

AAX_Result IPlugAAX::UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->UpdateNormalizedValue(value);

  const int paramIdx = ParamIndexFromID(id);
  if (paramIdx >= 0)
  {
    // NaN reads as the bottom of the range (IParam's rule); outside [0, 1] clamps.
    SetParameterValueFromHost(paramIdx, value);
  }
  const AAX_Result result = mPacketDispatcher.SetDirty(id);
  ++mNumPlugInChanges;
  return result;
}

void IPlugAAX::BeginParamChangeToHost(int paramIdx)
{
  if (paramIdx >= 0 && paramIdx < static_cast<int>(mParamIdTexts.size()))
    TouchParameter(mParamIdTexts[static_cast<size_t>(paramIdx)].c_str());
}

void IPlugAAX::ParamValueToHost(int paramIdx, double normalizedValue)
{
  if (paramIdx >= 0 && paramIdx < static_cast<int>(mParamIdTexts.size()))
    SetParameterNormalizedValue(mParamIdTexts[static_cast<size_t>(paramIdx)].c_str(), normalizedValue);
}

void IPlugAAX::EndParamChangeToHost(int paramIdx)
{
  if (paramIdx >= 0 && paramIdx < static_cast<int>(mParamIdTexts.size()))
    ReleaseParameter(mParamIdTexts[static_cast<size_t>(paramIdx)].c_str());
}

} // namespace iplug
