#pragma once
// The editor delegate bound to a graphics context: creates the context on demand through the plug-in's
// make-graphics function, forwards values and keys to it, and remembers its size and zoom across
// closing and in the saved state.

#include <functional>
#include <memory>

#include "IPlug/IEditorDelegate.h"
#include "IPlug/IGraphicsContext.h"

namespace iplug {

class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<std::unique_ptr<IGraphicsContext>()>;
  using LayoutFunc = std::function<void(IGraphicsContext*)>;

  // Bytes the editor state takes in a chunk: int32 width, int32 height, float32 draw scale.
  static constexpr int kEditorStateSize = 12;

  // construction (UI thread)
  explicit IGEditorDelegate(int nParams);
  ~IGEditorDelegate() override;

  // UI thread
  void* OpenEditor(void* parent) override;
  void CloseEditor() override;

  // UI thread, editor open
  bool ForwardKeyDown(const IKeyPress& key) override;
  bool ForwardKeyUp(const IKeyPress& key) override;
  void SendValueToControlByTag(int ctrlTag, double normalizedValue) override;
  void SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  void SendMidiToEditor(const MidiMessage& message) override;
  // UI thread only (timer tick, meter hand-over); never the audio thread
  void SendParamValueToControls(int paramIdx, double value, bool normalized) override;

  // host thread; the open editor's size and zoom, else the remembered ones
  bool WriteEditorState(StateBuffer& chunk) const override;
  // host thread; resizes an open editor (when all three values are non-zero), else remembers them
  int ReadEditorState(const StateBuffer& chunk, int startPos) override;
  // UI thread
  void SetEditorScreenScale(float scale) override;

  // UI thread
  virtual std::unique_ptr<IGraphicsContext> MakeGraphicsContext();
  virtual void LayoutEditor(IGraphicsContext* context);

  // construction (the plug-in class installs both)
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

  // UI thread; the context while the editor exists, else null
  IGraphicsContext* GetUI() const { return mGraphics.get(); }

private:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  std::unique_ptr<IGraphicsContext> mGraphics;
  int mLastWidth = 0;
  int mLastHeight = 0;
  float mLastScale = 0.0f;
  bool mClosing = false;
};

} // namespace iplug
