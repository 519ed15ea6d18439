#pragma once
// What the editor delegate needs from a graphics context, and nothing more. The editor library
// implements it; the plug-in core only ever sees this interface, so the dependency points one way.

#include "IPlug/IPlugStructs.h"

// The host's view container (AAX): only passed through here, never used.
class AAX_IViewContainer;

namespace iplug {

class IGraphicsContext
{
public:
  virtual ~IGraphicsContext() = default;

  // UI thread. Opens the platform window inside `parent` and lays out the controls (through the
  // delegate's LayoutEditor); returns the window handle, or null when no window could be made.
  virtual void* OpenWindow(void* parent) = 0;
  // UI thread; deletes the controls with the window.
  virtual void CloseWindow() = 0;

  // UI thread. Size in editor units and the user's zoom.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  // UI thread; clamps to the editor's limits and, when asked, resizes the platform window too.
  virtual void Resize(int width, int height, float drawScale, bool needsPlatformResize) = 0;
  // UI thread; the platform's pixel density.
  virtual void SetScreenScale(float screenScale) = 0;

  // UI thread; key events at the current pointer position. True when a control or handler took it.
  virtual bool KeyDownAtPointer(const IKeyPress& key) = 0;
  virtual bool KeyUpAtPointer(const IKeyPress& key) = 0;

  // UI thread. Every value slot of every control bound to `paramIdx` takes the normalised value.
  virtual void SetControlValuesFromDelegate(int paramIdx, double normalizedValue) = 0;
  // UI thread; addressed by control tag.
  virtual void SendValueToControlByTag(int ctrlTag, double normalizedValue) = 0;
  virtual void SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data) = 0;
  // UI thread; every control that wants MIDI receives it.
  virtual void SendMidiToControls(const MidiMessage& message) = 0;

  // UI thread; for a host that highlights automated parameters. Colour codes 0-3: red, blue, green, yellow.
  virtual void SetParameterHighlight(int /*paramIdx*/, bool /*highlighted*/, int /*colorCode*/) {}
  // UI thread, editor open; the AAX host's container the window sits in (null when it goes). Not owned.
  virtual void SetHostViewContainer(::AAX_IViewContainer* /*container*/) {}
};

} // namespace iplug
