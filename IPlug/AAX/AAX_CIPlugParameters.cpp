#include "IPlug/AAX/AAX_CIPlugParameters.h"

#include "aax/AAX_CHostServices.h"

namespace {

void FreeList(AAX_CIPlugParameters::TNumberedParamStateList* list)
{
  for (AAX_CIPlugParameters::TParamValPair* pair : list->second)
    delete pair;
  delete list;
}

} // namespace

AAX_CIPlugParameters::~AAX_CIPlugParameters()
{
  while (TNumberedParamStateList* list = mQueuedChangeLists.Pop())
    FreeList(list);
  while (TNumberedParamStateList* list = mSpentChangeLists.Pop())
    FreeList(list);
  while (const TParamValPair* pair = mSpentValuePairs.Pop())
    delete pair;
}

void AAX_CIPlugParameters::RegisterSynchronizedParameter(const AAX_IParameter& parameter)
{
  AAX_ASSERT(parameter.Automatable());
  mSynchronizedParameters.insert(parameter.Identifier());
  AAX_ASSERT(kSynchronizedParameterQueueSize >= mSynchronizedParameters.size());
}

AAX_Result AAX_CIPlugParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value,
                                                                AAX_EUpdateSource source)
{
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter != nullptr && mSynchronizedParameters.count(parameter->Identifier()) != 0)
    mChangedParams.insert(parameter);
  return AAX_CEffectParameters::UpdateParameterNormalizedValue(id, value, source);
}

AAX_Result AAX_CIPlugParameters::GenerateCoefficients()
{
  if (const AAX_Result result = AAX_CEffectParameters::GenerateCoefficients(); result != AAX_SUCCESS)
    return result;

  const int64_t stateNumber = mChangeCounter.fetch_add(1);
  if (!mChangedParams.empty())
  {
    auto list = std::make_unique<TNumberedParamStateList>();
    list->first = stateNumber;
    for (const AAX_IParameter* parameter : mChangedParams) // a std::set of pointers: smallest first
      list->second.push_back(new TParamValPair(parameter->Identifier(), parameter->CloneValue()));
    mChangedParams.clear();
    const AAX_IContainer::EStatus pushResult = mQueuedChangeLists.Push(list.get());
    AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
    if (pushResult == AAX_IContainer::eStatus_Success)
      list.release();
    else
      FreeList(list.release());
  }

  if (mController == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  return mController->PostPacket(kAAX_FieldIndex_ChangeNumber, &stateNumber, sizeof(stateNumber));
}

AAX_Result AAX_CIPlugParameters::TimerWakeup()
{
  while (TNumberedParamStateList* list = mSpentChangeLists.Pop())
    FreeList(list);
  while (const TParamValPair* pair = mSpentValuePairs.Pop())
    delete pair;
  return AAX_CEffectParameters::TimerWakeup();
}

bool AAX_CIPlugParameters::IsListDue(int64_t current, int64_t listNumber)
{
  const bool wrapped = current < -65535 && listNumber >= 65536;
  return !(current < listNumber) || wrapped;
}

void AAX_CIPlugParameters::RenderAllInstances(AAX_SIPlugContext* const instancesBegin[], const void* instancesEnd)
{
  if (instancesBegin == nullptr)
    return;
  for (AAX_SIPlugContext* const* walk = instancesBegin; static_cast<const void*>(walk) < instancesEnd; ++walk)
  {
    AAX_SIPlugContext* context = *walk;
    if (context == nullptr || context->mPrivateField == nullptr || context->mPrivateField->mInstance == nullptr)
      continue;
    // ResetFieldData stored the AAX_IEffectParameters face of an AAX_CIPlugParameters.
    static_cast<AAX_CIPlugParameters*>(context->mPrivateField->mInstance)->RenderOne(context);
  }
}

void AAX_CIPlugParameters::RenderOne(AAX_SIPlugContext* context)
{
  const int64_t current = context->mChangeNumberField != nullptr ? *context->mChangeNumberField : 0;

  const TParamValPair* pairs[kMaxSynchronizedPairsPerCall];
  int32_t numPairs = 0;
  while (TNumberedParamStateList* front = mQueuedChangeLists.Peek())
  {
    if (!IsListDue(current, front->first))
      break;
    TNumberedParamStateList* popped = mQueuedChangeLists.Pop();
    AAX_ASSERT(popped == front);
    if (popped == nullptr)
      break;
    AAX_ASSERT(kMaxSynchronizedPairsPerCall >= numPairs + static_cast<int64_t>(popped->second.size()));
    for (TParamValPair* pair : popped->second)
    {
      if (numPairs < kMaxSynchronizedPairsPerCall)
        pairs[numPairs++] = pair;
      else
      {
        AAX_ASSERT(kMaxSynchronizedPairsPerCall > numPairs);
        // A dropped pair still has to be freed: hand it back with the others.
        mSpentValuePairs.Push(pair);
      }
    }
    popped->second.clear(); // keeps its capacity: no deallocation here
    const AAX_IContainer::EStatus pushResult = mSpentChangeLists.Push(popped);
    AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
  }

  RenderInstance(context, pairs, numPairs);

  for (int32_t i = 0; i < numPairs; ++i)
  {
    const AAX_IContainer::EStatus pushResult = mSpentValuePairs.Push(pairs[i]);
    AAX_ASSERT(AAX_IContainer::eStatus_Success == pushResult);
  }
}

void AAX_CIPlugParameters::RenderInstance(AAX_SIPlugContext*, const TParamValPair* const[], int32_t) {}
