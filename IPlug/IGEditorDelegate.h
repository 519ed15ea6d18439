#pragma once
// The editor delegate bound to a graphics context: creates the context on demand through the plug-in's
// make-graphics function, forwards values and keys to it, and remembers its size and zoom across
// closing and in the saved state.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

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

  // any thread; the editor's size and zoom as the UI thread last published them (the open editor's,
  // else the remembered ones)
  bool WriteEditorState(StateBuffer& chunk) const override;
  // any thread; resizes an open editor (when all three values are non-zero), else remembers them. Off
  // the UI thread both are left to the UI thread's next ApplyDeferredEditorChanges.
  int ReadEditorState(const StateBuffer& chunk, int startPos) override;
  // any thread; what ReadEditorState does with the three values it read (a zero means "none saved")
  void RestoreEditorSize(int32_t width, int32_t height, float scale);
  // any thread; the size and zoom WriteEditorState would write now
  void GetStateEditorSize(int32_t& width, int32_t& height, float& scale) const;
  // any thread; the controls take the current values, on the UI thread now, else at its next
  // ApplyDeferredEditorChanges
  void OnStateRestored() override;
  // UI thread (the timer tick); what a restore on another thread left for the editor
  void ApplyDeferredEditorChanges();
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

protected:
  // UI thread; makes the editor's current size and zoom the ones the state reports
  void PublishEditorSize();
  // whether the caller runs on the thread that constructed the delegate (the host's UI thread)
  bool OnUIThread() const { return std::this_thread::get_id() == mUIThread; }

private:
  // Width and height (clamped to 0..65535) and the zoom's bits in one word, so no reader sees a size
  // from one moment and a zoom from another.
  static uint64_t PackEditorSize(int32_t width, int32_t height, float scale);
  static void UnpackEditorSize(uint64_t packed, int32_t& width, int32_t& height, float& scale);
  void ApplyEditorSize(int32_t width, int32_t height, float scale);

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  std::unique_ptr<IGraphicsContext> mGraphics;
  int mLastWidth = 0;
  int mLastHeight = 0;
  float mLastScale = 0.0f;
  bool mClosing = false;
  const std::thread::id mUIThread = std::this_thread::get_id();
  std::atomic<uint64_t> mPublishedSize{0};
  // A restore on a host thread: its editor size (kNoPendingSize when none) and whether the controls
  // still have to take the restored values.
  static constexpr uint64_t kNoPendingSize = ~uint64_t{0}; // a NaN zoom, which a restore never packs
  std::atomic<uint64_t> mPendingSize{kNoPendingSize};
  std::atomic<bool> mPendingControlValues{false};
};

} // namespace iplug
