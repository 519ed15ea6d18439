#pragma once
// The editor adaptor the AAX host makes through create procedure 1: it finds the plug-in instance it
// belongs to, opens and closes that plug-in's editor in the host's window, reports the editor's size and
// passes the host's parameter highlighting on. With no plug-in found it stays inert.
// Every call comes from the host's user-interface thread.

#include "aax/AAX_CEffectGUI.h"

namespace iplug {

class IPlugAAX;

class AAX_CEffectGUI_IPLUG : public AAX_CEffectGUI
{
public:
  AAX_CEffectGUI_IPLUG() = default;
  ~AAX_CEffectGUI_IPLUG() override = default;

  // UI thread. The editor's size in editor units (the point is left alone when the plug-in has no
  // editor); null point: AAX_ERROR_NULL_OBJECT.
  AAX_Result GetViewSize(AAX_Point* size) const override;
  // UI thread; the editor follows values through the plug-in's own timer, so nothing to do
  AAX_Result ParameterUpdated(AAX_CParamID id) override;
  // UI thread. The identifier's decimal value - 1 is the framework index (-1 for one that is not a
  // number, such as the master bypass); no editor open: AAX_ERROR_INVALID_PARAMETER_ID.
  AAX_Result SetControlHighlightInfo(AAX_CParamID id, bool highlighted, int32_t color) override;

  // UI thread; the plug-in found at Initialize, or null
  IPlugAAX* GetOwnerPlugin() const { return mOwnerPlugin; }

protected:
  void CreateViewContents() override;
  void CreateViewContainer() override;
  void DeleteViewContainer() override;

private:
  IPlugAAX* mOwnerPlugin = nullptr; // not owned
};

} // namespace iplug
