#include "IPlug/IGEditorDelegate.h"

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
  return mGraphics ? mGraphics->OpenWindow(parent) : nullptr;
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

bool IGEditorDelegate::WriteEditorState(StateBuffer& chunk) const
{
  int32_t width = mLastWidth;
  int32_t height = mLastHeight;
  float scale = mLastScale;
  if (mGraphics)
  {
    width = mGraphics->Width();
    height = mGraphics->Height();
    scale = mGraphics->GetDrawScale();
  }
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
  // A damaged chunk must not hand the editor a NaN or infinite zoom; it counts as "no size saved".
  if (!std::isfinite(scale))
    scale = 0.0f;

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
  return pos;
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
