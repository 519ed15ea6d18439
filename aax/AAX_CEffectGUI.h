#pragma once
// The library's implementation of the effect-GUI face: holds the host's controller, the instance's
// effect-parameters interface, its transport and the view container, and turns the host's container
// hand-over into the create / delete steps a plug-in's editor adaptor supplies.
// Every call comes from the host's user-interface thread.

#include "aax/AAX_CHostServices.h"
#include "aax/AAX_Interfaces.h"

class AAX_CEffectGUI : public AAX_IEffectGUI, private AAX_CLiveObjectCount
{
public:
  AAX_CEffectGUI() = default;
  // The host uninitializes first; the destructor runs no step of the derived class.
  ~AAX_CEffectGUI() override = default;

  AAX_CEffectGUI(const AAX_CEffectGUI&) = delete;
  AAX_CEffectGUI& operator=(const AAX_CEffectGUI&) = delete;

  // UI thread. No controller: -20011. Otherwise keeps the controller, the instance's effect parameters
  // and the transport, then CreateViewContents.
  AAX_Result Initialize(AAX_IController* controller) override;
  // UI thread; closes an open view, then drops everything Initialize kept
  AAX_Result Uninitialize() override;
  // UI thread. A container: CreateViewContainer, then ParameterUpdated for every parameter the effect
  // reports (a container handed over while another is set replaces it: the old view is deleted first).
  // Null: DeleteViewContainer and the container is dropped.
  AAX_Result SetViewContainer(AAX_IViewContainer* container) override;

  // UI thread; nothing to do here
  AAX_Result Draw(const AAX_Point* topLeft, const AAX_Point* bottomRight) const override;
  AAX_Result TimerWakeup() override;
  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;

  // UI thread; null before Initialize and after Uninitialize
  AAX_IController* GetController() const { return mController; }
  AAX_IEffectParameters* GetEffectParameters() const { return mEffectParameters; }
  AAX_ITransport* GetTransport() const { return mTransport; }
  // UI thread; null while no view is open
  AAX_IViewContainer* GetViewContainer() const { return mViewContainer; }
  // UI thread; the container's native parent window, null without a container
  void* GetViewContainerPtr() const;

protected:
  // UI thread, at the end of Initialize: find what the editor belongs to
  virtual void CreateViewContents() = 0;
  // UI thread, the container is set: open the editor in it
  virtual void CreateViewContainer() = 0;
  // UI thread, the container is going: close the editor
  virtual void DeleteViewContainer() = 0;

private:
  AAX_IController* mController = nullptr;
  AAX_IEffectParameters* mEffectParameters = nullptr;
  AAX_ITransport* mTransport = nullptr;
  AAX_IViewContainer* mViewContainer = nullptr;
};
