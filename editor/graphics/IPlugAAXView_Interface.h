#pragma once
// What the AAX host binding reaches in the editor: parameter highlighting and the host's view
// container (for resizing the host window and letting the host claim clicks). UI thread.

class AAX_IViewContainer;

namespace iplug::igraphics {

class IPlugAAXView_Interface
{
public:
  virtual ~IPlugAAXView_Interface() = default;

  // UI thread; colour codes 0-3 are red, blue, green, yellow.
  virtual void SetParameterHighlight(int /*paramIdx*/, bool /*highlighted*/, int /*colorCode*/) {}

  // UI thread; set by the host binding while the editor is open, else null. Not owned.
  void SetViewContainer(::AAX_IViewContainer* container) { mAAXViewContainer = container; }
  ::AAX_IViewContainer* GetViewContainer() const { return mAAXViewContainer; }

protected:
  ::AAX_IViewContainer* mAAXViewContainer = nullptr;
};

} // namespace iplug::igraphics
