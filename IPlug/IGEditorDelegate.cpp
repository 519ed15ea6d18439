#include "IPlug/IGEditorDelegate.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace iplug {

IGEditorDelegate::IGEditorDelegate(int nParams)
  : IEditorDelegate(nParams)
{
}

// The context goes first: its controls may still refer to the functions and parameters.
IGEditorDelegate::~IGEditorDelegate() { mGraphics.reset(); }

void* IGEditorDelegate::OpenEditor(void* parent)
{
  if (!mGraphics)
  {
    mGraphics = MakeGraphicsContext();
    if (mGraphics && mLastWidth != 0 && mLastHeight != 0 && mLastScale != 0.0f)
      mGraphics->Resize(mLastWidth, mLastHeight, mLastScale, true);
  }
  void* view = mGraphics ? mGraphics->OpenWindow(parent) : nullptr;
  PublishEditorSize();
  return view;
}

void IGEditorDelegate::CloseEditor()
{
  if (mClosing)
    return;
  mClosing = true;
  OnEditorClosed();
  if (mGraphics)
  {
    mLastWidth = mGraphics->Width();
    mLastHeight = mGraphics->Height();
    mLastScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    mGraphics.reset();
  }
  PublishEditorSize();
  mClosing = false;
}

bool IGEditorDelegate::ForwardKeyDown(const IKeyPress& key)
{
  return mGraphics ? mGraphics->KeyDownAtPointer(key) : false;
}

bool IGEditorDelegate::ForwardKeyUp(const IKeyPress& key)
{
  return mGraphics ? mGraphics->KeyUpAtPointer(key) : false;
}

void IGEditorDelegate::SendValueToControlByTag(int ctrlTag, double normalizedValue)
{
  if (mGraphics)
    mGraphics->SendValueToControlByTag(ctrlTag, normalizedValue);
}

void IGEditorDelegate::SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  if (mGraphics)
    mGraphics->SendMessageToControlByTag(ctrlTag, msgTag, dataSize, data);
}

void IGEditorDelegate::SendMidiToEditor(const MidiMessage& message)
{
  if (mGraphics)
    mGraphics->SendMidiToControls(message);
  IEditorDelegate::SendMidiToEditor(message);
}

void IGEditorDelegate::SendParamValueToControls(int paramIdx, double value, bool normalized)
{
  if (mGraphics)
  {
    if (!normalized)
    {
      const IParam* param = GetParam(paramIdx);
      value = param ? param->NormalizedFromValue(value) : value;
    }
    mGraphics->SetControlValuesFromDelegate(paramIdx, value);
  }
  ParamChangedForEditor(paramIdx, kDelegate);
}

uint64_t IGEditorDelegate::PackEditorSize(int32_t width, int32_t height, float scale)
{
  const auto w = static_cast<uint64_t>(std::clamp(width, 0, 0xFFFF));
  const auto h = static_cast<uint64_t>(std::clamp(height, 0, 0xFFFF));
  return w << 48 | h << 32 | std::bit_cast<uint32_t>(scale);
}

void IGEditorDelegate::UnpackEditorSize(uint64_t packed, int32_t& width, int32_t& height, float& scale)
{
  width = static_cast<int32_t>(packed >> 48);
  height = static_cast<int32_t>((packed >> 32) & 0xFFFF);
  scale = std::bit_cast<float>(static_cast<uint32_t>(packed));
}

void IGEditorDelegate::PublishEditorSize()
{
  const uint64_t size = mGraphics ? PackEditorSize(mGraphics->Width(), mGraphics->Height(), mGraphics->GetDrawScale())
                                  : PackEditorSize(mLastWidth, mLastHeight, mLastScale);
  mPublishedSize.store(size, std::memory_order_release);
}

void IGEditorDelegate::GetStateEditorSize(int32_t& width, int32_t& height, float& scale) const
{
  UnpackEditorSize(mPublishedSize.load(std::memory_order_acquire), width, height, scale);
}

bool IGEditorDelegate::WriteEditorState(StateBuffer& chunk) const
{
  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.0f;
  GetStateEditorSize(width, height, scale);
  chunk.Put(width);
  chunk.Put(height);
  chunk.Put(scale);
  return chunk.Size() > 0;
}

int IGEditorDelegate::ReadEditorState(const StateBuffer& chunk, int startPos)
{
  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.0f;
  int pos = chunk.Get(width, startPos);
  pos = chunk.Get(height, pos);
  pos = chunk.Get(scale, pos);
  // A chunk too short for the editor fields says nothing about the editor: keep what is remembered.
  if (pos < 0)
    return pos;
  RestoreEditorSize(width, height, scale);
  return pos;
}

void IGEditorDelegate::RestoreEditorSize(int32_t width, int32_t height, float scale)
{
  // A damaged chunk must not hand the editor a NaN or infinite zoom; it counts as "no size saved".
  if (!std::isfinite(scale))
    scale = 0.0f;

  if (OnUIThread())
  {
    ApplyEditorSize(width, height, scale);
  }
  else
  {
    // The editor belongs to the UI thread, which may be opening or closing it right now. A whole size
    // is what the editor will have either way, so the state reports it at once.
    const uint64_t size = PackEditorSize(width, height, scale);
    mPendingSize.store(size, std::memory_order_release);
    if (width != 0 && height != 0 && scale != 0.0f)
      mPublishedSize.store(size, std::memory_order_release);
  }
}

void IGEditorDelegate::ApplyEditorSize(int32_t width, int32_t height, float scale)
{
  if (mGraphics)
  {
    // A state saved without an editor size must not collapse an open editor.
    if (width != 0 && height != 0 && scale != 0.0f)
      mGraphics->Resize(width, height, scale, true);
  }
  else
  {
    mLastWidth = width;
    mLastHeight = height;
    mLastScale = scale;
  }
  PublishEditorSize();
}

void IGEditorDelegate::OnStateRestored()
{
  if (OnUIThread())
    IEditorDelegate::OnStateRestored();
  else
    mPendingControlValues.store(true, std::memory_order_release);
}

void IGEditorDelegate::ApplyDeferredEditorChanges()
{
  if (const uint64_t size = mPendingSize.exchange(kNoPendingSize, std::memory_order_acquire); size != kNoPendingSize)
  {
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    UnpackEditorSize(size, width, height, scale);
    ApplyEditorSize(width, height, scale);
  }
  if (mPendingControlValues.exchange(false, std::memory_order_acquire))
    IEditorDelegate::OnStateRestored();
}

void IGEditorDelegate::SetEditorScreenScale(float scale)
{
  if (mGraphics)
    mGraphics->SetScreenScale(scale);
}

std::unique_ptr<IGraphicsContext> IGEditorDelegate::MakeGraphicsContext()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::LayoutEditor(IGraphicsContext* context)
{
  if (mLayoutFunc)
    mLayoutFunc(context);
}

} // namespace iplug
