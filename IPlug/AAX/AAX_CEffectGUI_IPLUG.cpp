#include "IPlug/AAX/AAX_CEffectGUI_IPLUG.h"

#include "IPlug/AAX/IPlugAAX.h"
#include "IPlug/AAX/IPlugAAX_Module.h"

namespace iplug {

void AAX_CEffectGUI_IPLUG::CreateViewContents()
{
  // The effect may be some other vendor's object; then there is no editor to show.
  mOwnerPlugin = dynamic_cast<IPlugAAX*>(GetEffectParameters());
}

void AAX_CEffectGUI_IPLUG::CreateViewContainer()
{
  if (mOwnerPlugin == nullptr)
    return;
  void* window = GetViewContainerPtr();
  if (window == nullptr || !mOwnerPlugin->HasEditor())
    return;
  {
    // The editor's tick is a timer on the host's run loop, started while the window opens.
    IPlugAAX_HostRunLoopScope runLoop;
    mOwnerPlugin->OpenEditor(window);
  }
  if (IGraphicsContext* ui = mOwnerPlugin->GetUI())
  {
    ui->SetHostViewContainer(GetViewContainer());
    // The binding resizes the host window itself and cannot reach into the editor for the container.
    mOwnerPlugin->SetHostViewContainer(GetViewContainer());
  }
}

void AAX_CEffectGUI_IPLUG::DeleteViewContainer()
{
  if (mOwnerPlugin == nullptr)
    return;
  // Dropped first: nothing the closing editor does may reach a container the host is taking away.
  mOwnerPlugin->SetHostViewContainer(nullptr);
  mOwnerPlugin->CloseEditor();
}

AAX_Result AAX_CEffectGUI_IPLUG::GetViewSize(AAX_Point* size) const
{
  if (size == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (mOwnerPlugin != nullptr && mOwnerPlugin->HasEditor())
  {
    size->horz = static_cast<float>(mOwnerPlugin->GetEditorWidth());
    size->vert = static_cast<float>(mOwnerPlugin->GetEditorHeight());
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI_IPLUG::ParameterUpdated(AAX_CParamID) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectGUI_IPLUG::SetControlHighlightInfo(AAX_CParamID id, bool highlighted, int32_t color)
{
  IGraphicsContext* ui = mOwnerPlugin != nullptr ? mOwnerPlugin->GetUI() : nullptr;
  if (ui == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  // Out-of-range indexes are passed on: the editor simply has no control for them.
  ui->SetParameterHighlight(IPlugAAX::IndexNamedByID(id), highlighted, color);
  return AAX_SUCCESS;
}

} // namespace iplug
