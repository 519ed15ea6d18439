#include "aax/AAX_CEffectGUI.h"

#include <string>

AAX_Result AAX_CEffectGUI::Initialize(AAX_IController* controller)
{
  if (controller == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  mController = controller;
  mEffectParameters = controller->GetEffectParameters();
  mTransport = controller->GetTransport();
  CreateViewContents();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::Uninitialize()
{
  if (mViewContainer != nullptr)
    SetViewContainer(nullptr);
  mController = nullptr;
  mEffectParameters = nullptr;
  mTransport = nullptr;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::SetViewContainer(AAX_IViewContainer* container)
{
  // Opening a second view over a live one would leave the first editor window orphaned.
  if (container != nullptr && mViewContainer != nullptr)
    SetViewContainer(nullptr);

  if (container == nullptr)
  {
    DeleteViewContainer();
    mViewContainer = nullptr;
    return AAX_SUCCESS;
  }

  mViewContainer = container;
  CreateViewContainer();
  // A new view starts from every parameter's current value.
  int32_t count = 0;
  if (mEffectParameters != nullptr && mEffectParameters->GetNumberOfParameters(&count) == AAX_SUCCESS)
  {
    std::string id;
    for (int32_t i = 0; i < count; ++i)
      if (mEffectParameters->GetParameterIDFromIndex(i, &id) == AAX_SUCCESS)
        ParameterUpdated(id.c_str());
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::Draw(const AAX_Point*, const AAX_Point*) const { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::TimerWakeup() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI::NotificationReceived(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }

void* AAX_CEffectGUI::GetViewContainerPtr() const
{
  return mViewContainer != nullptr ? mViewContainer->GetPtr() : nullptr;
}
