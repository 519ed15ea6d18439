#include "editor/graphics/IGraphics.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/controls/IBitmapControls.h"
#include "editor/controls/IBubbleControl.h"
#include "editor/controls/ICornerResizerControl.h"

namespace iplug::igraphics {

IGraphics::IGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float drawScale)
  : mDelegate(&dlg)
  , mWidth(w)
  , mHeight(h)
  , mFPS(fps)
  , mDrawScale(drawScale)
  , mMinScale(drawScale / 2.0f)
  , mMaxScale(drawScale * 2.0f)
{
}

// No virtual calls here: the back end and window parts are already gone.
IGraphics::~IGraphics()
{
  mCapturedMap.clear();
  mBubbleControls.clear();
  mCornerResizer.reset();
  mPopupControl.reset();
  mTextEntryControl.reset();
  mPerfDisplay.reset();
  mControls.clear();
}

void* IGraphics::OpenWindow(void* parent)
{
  void* handle = OpenPlatformWindow(parent);
  if (handle == nullptr)
    return nullptr; // no window, so no controls and nothing to tell the delegate
  mDelegate->LayoutEditor(this);
  MarkAllDirty();
  mDelegate->OnEditorOpened();
  return handle;
}

void IGraphics::CloseWindow()
{
  ClosePlatformWindow();
  RemoveAllControls();
}

void IGraphics::PointerPosition(float& x, float& y) const
{
  x = mLastPointerX;
  y = mLastPointerY;
}

double IGraphics::NowMs() const
{
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// ------------------------------------------------------------------------------------------- layout

void IGraphics::AttachControl(IControl& control, const char* group)
{
  control.SetDelegate(*mDelegate);
  control.SetGraphics(this);
  control.ControlCreated();
  control.BoundsChanged();
  control.ScaleChanged();
  control.SetGroup(group);
}

IControl* IGraphics::AddControl(IControl* control, int ctrlTag, const char* group)
{
  if (!control)
    return nullptr;
  if (ctrlTag >= 0)
  {
    if (!mCtrlTags.emplace(ctrlTag, control).second)
      return nullptr;
  }
  AttachControl(*control, group);
  mControls.emplace_back(control);
  control->ControlAttached();
  return control;
}

IControl* IGraphics::AddBackground(const char* fileName)
{
  const IBitmapRef bitmap = LoadBitmapResource(fileName, 1, false, 0);
  auto background = std::make_unique<IBitmapControl>(0.0f, 0.0f, bitmap);
  AttachControl(*background, "");
  mControls.insert(mControls.begin(), std::move(background));
  return mControls.front().get();
}

void IGraphics::AddCornerResizer(EUIResizerMode mode, bool layoutOnResize, const IColor& color,
                                 const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  auto resizer = std::make_unique<ICornerResizerControl>(
    IBounds(0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight)), size, color, mouseOverColor,
    dragColor);
  // The first resizer stays; a second one is simply dropped.
  if (mCornerResizer)
    return;
  mCornerResizer = std::move(resizer);
  mResizerMode = mode;
  mLayoutOnResize = layoutOnResize;
  mCornerResizer->SetDelegate(*mDelegate);
  mCornerResizer->SetGraphics(this);
  mCornerResizer->ControlCreated();
  mCornerResizer->BoundsChanged();
  mCornerResizer->ScaleChanged();
}

void IGraphics::AddBubbleControl(const ITextStyle& style)
{
  auto bubble = std::make_unique<IBubbleControl>(style, IColor(255, 255, 255, 255), IColor(255, 0, 0, 0), 5.0f);
  AttachControl(*bubble, "");
  mBubbleControls.push_back(std::move(bubble));
}

void IGraphics::RemoveAllControls()
{
  mCapturedMap.clear();
  if (mCursorHidden)
    SetPointerHidden(false, false);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;
  mPopupControl.reset();
  mTextEntryControl.reset();
  mCornerResizer.reset();
  mPerfDisplay.reset();
  mBubbleControls.clear();
  mCtrlTags.clear();
  mControls.clear();
}

IControl* IGraphics::GetControl(int idx) const
{
  return idx >= 0 && idx < NControls() ? mControls[static_cast<size_t>(idx)].get() : nullptr;
}

IControl* IGraphics::GetControlWithTag(int ctrlTag) const
{
  auto it = mCtrlTags.find(ctrlTag);
  return it == mCtrlTags.end() ? nullptr : it->second;
}

IBubbleControl* IGraphics::GetBubbleControl(int i) const
{
  return i >= 0 && i < NBubbleControls() ? mBubbleControls[static_cast<size_t>(i)].get() : nullptr;
}

void IGraphics::ForAllControls(const ControlFunc& func)
{
  for (auto& control : mControls)
    func(*control);
  for (IControl* special : {mPerfDisplay.get(), static_cast<IControl*>(mCornerResizer.get()), mTextEntryControl.get(),
                            mPopupControl.get()})
  {
    if (special)
      func(*special);
  }
  for (auto& bubble : mBubbleControls)
    func(*bubble);
}

void IGraphics::MarkAllDirty()
{
  ForAllControls([](IControl& c) { c.MarkDirty(false); });
}

void IGraphics::MarkAllClean()
{
  ForAllControls([](IControl& c) { c.MarkClean(); });
}

// --------------------------------------------------------------------------------------- value flow

void IGraphics::SetControlValuesFromDelegate(int paramIdx, double normalizedValue)
{
  ForAllControls([&](IControl& c) {
    for (int v = 0; v < c.NVals(); ++v)
    {
      if (c.GetParamIdx(v) == paramIdx)
        c.TakeValueFromDelegate(normalizedValue, v);
    }
  });
}

void IGraphics::SendValueToControlByTag(int ctrlTag, double normalizedValue)
{
  if (IControl* c = GetControlWithTag(ctrlTag))
    c->TakeValueFromDelegate(normalizedValue, 0);
}

void IGraphics::SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data)
{
  if (IControl* c = GetControlWithTag(ctrlTag))
    c->OnMsgFromDelegate(msgTag, dataSize, data);
}

void IGraphics::SendMidiToControls(const MidiMessage& message)
{
  ForAllControls([&](IControl& c) {
    if (c.GetWantsMidi())
      c.MidiForControl(message);
  });
}

void IGraphics::SyncPeerControls(IControl* control, int valIdx)
{
  if (!control)
    return;
  const int paramIdx = control->GetParamIdx(valIdx);
  if (paramIdx < 0)
    return;
  const double value = control->GetValue(valIdx);
  for (auto& peer : mControls)
  {
    if (peer.get() == control)
      continue;
    for (int v = 0; v < peer->NVals(); ++v)
    {
      if (peer->GetParamIdx(v) == paramIdx)
        peer->TakeValueFromDelegate(value, v);
    }
  }
}

void IGraphics::ShowValueBubble(IControl* caller, float x, float y, const char* text, EDirection direction,
                                const IBounds& minimumContentBounds, ITouchID touchID)
{
  if (mBubbleControls.empty())
    return;
  IBubbleControl* bubble = mBubbleControls.front().get();
  if (mEnableMultiTouch)
  {
    bubble = nullptr;
    for (auto& b : mBubbleControls)
    {
      if (b->GetState() != IBubbleControl::kCollapsed && b->GetTouchID() == touchID)
        bubble = b.get();
    }
    if (!bubble)
    {
      bubble = mBubbleControls[static_cast<size_t>(mBubbleIndex)].get();
      mBubbleIndex = (mBubbleIndex + 1) % NBubbleControls();
    }
  }
  bubble->PresentBubble(caller, x, y, text, direction, minimumContentBounds, touchID);
}

void IGraphics::SetParameterHighlight(int paramIdx, bool highlighted, int colorCode)
{
  static const IColor kHighlightColors[] = {
    {255, 255, 0, 0}, {255, 0, 0, 255}, {255, 0, 255, 0}, {255, 255, 255, 0}};
  // -1 is what the host's master bypass and other foreign identifiers map to: no control is theirs
  // (controls without a parameter are bound to -1 too, and must not light up).
  if (paramIdx < 0)
    return;
  ForAllControls([&](IControl& c) {
    if (!c.IsLinkedToParam(paramIdx))
      return;
    c.SetHighlight(highlighted);
    if (colorCode >= 0 && colorCode <= 3)
      c.SetHighlightColor(kHighlightColors[colorCode]);
    c.MarkDirty(false);
  });
}

// ------------------------------------------------------------------------------------------ prompts

void IGraphics::OpenValuePrompt(IControl& control, const IBounds& bounds, int valIdx)
{
  const IParam* param = control.GetParam(valIdx);
  if (!param)
    return;
  std::string current;
  param->FormatForDisplay(param->Value(), false, current);

  const bool twoStates = param->GetMax() - param->GetMin() == 1.0;
  if (param->Type() == kTypeEnum || (twoStates && param->NDisplayTexts() > 0))
  {
    mPromptMenu.Clear();
    for (int i = 0; i < param->NDisplayTexts(); ++i)
    {
      const char* text = param->GetDisplayText(i);
      mPromptMenu.AddItem(text, current == text);
    }
    DoCreatePopupMenu(control, mPromptMenu, bounds, valIdx, false);
    return;
  }

  if (control.GetPromptAppendsLabel() && param->GetLabel()[0] != '\0')
    current += std::string(" ") + param->GetLabel();
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  if (mTextEntryControl)
    return; // an attached text-entry control would take over here; this editor has none
  CreatePlatformTextEntry(control.GetParamIdx(valIdx), control.GetText(), bounds, control.GetTextEntryLength(),
                          current.c_str());
}

void IGraphics::DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IBounds& bounds, int valIdx,
                                  bool isContext)
{
  ReleaseMouseCapture();
  mInPopupMenu = &control;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;
  if (mPopupControl)
    return; // an attached popup-menu control would take over here; this editor has none
  bool isAsync = false;
  IPopupMenu* chosen = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync)
    SetControlValueAfterPopupMenu(chosen);
}

void IGraphics::SetControlValueAfterPopupMenu(IPopupMenu* menu)
{
  IControl* control = mInPopupMenu;
  if (!control)
    return;
  mInPopupMenu = nullptr;
  if (mIsContextMenu)
    control->ContextMenuChosen(menu ? menu->GetChosenItemIdx() : -1);
  else
    control->PopupMenuChosen(menu, mPopupMenuValIdx);
  EndGestures(*control);
}

void IGraphics::SetControlValueAfterTextEdit(const char* text)
{
  IControl* control = mInTextEntry;
  if (!control)
    return;
  mInTextEntry = nullptr;
  const int valIdx = mTextEntryValIdx;
  control->OnTextEntryCompletion(text, valIdx);
  if (const IParam* param = control->GetParam(valIdx))
    control->TakeValueFromUser(param->NormalizedFromValue(param->ParseDisplayText(text)), valIdx);
}

void IGraphics::PopupHostContextMenuForParam(IControl& control, int, float x, float y)
{
  mPromptMenu.Clear();
  control.BuildContextMenu(mPromptMenu);
  if (mPromptMenu.NItems() == 0)
    return;
  DoCreatePopupMenu(control, mPromptMenu, IBounds(x, y, x, y), control.ValueIndexAt(x, y), true);
}

// ------------------------------------------------------------------------------ dirty and drawing

bool IGraphics::NeedsRedraw(IRectList& rects)
{
  if (mDisplayTickFunc)
    mDisplayTickFunc(rects);

  ForAllControls([](IControl& c) {
    if (c.GetAnimationFunction())
    {
      // A copy: the animation may end itself or start another.
      ControlAction animate = c.GetAnimationFunction();
      animate(&c);
    }
  });

  bool dirty = false;
  ForAllControls([&](IControl& c) {
    if (c.NeedsRedraw())
    {
      rects.Add(c.GetRECT().GetPadded(kDirtyPadding));
      dirty = true;
    }
  });
  return dirty;
}

void IGraphics::Draw(IRectList& rects)
{
  if (rects.Empty())
    return;
  const float scale = mDrawScale * mScreenScale;

  BeginFrame();
  if (mDrawAllAsOne)
  {
    const IBounds all = rects.Bounds().GetPixelSnapped(scale);
    rects.Clear();
    rects.Add(all);
  }
  else
  {
    rects.PixelSnap(scale);
    rects.Optimize();
  }

  for (const IBounds& r : rects.Rects())
  {
    IControl* background = GetBackgroundControl();
    ForAllControls([&](IControl& c) { PaintControl(c, r, &c == background); });
  }
  EndFrame();
}

void IGraphics::PaintControl(IControl& control, const IBounds& bounds, bool isBackground)
{
  if (control.IsHidden() && !isBackground)
    return;
  const IBounds clip =
    control.GetRECT().GetPadded(kDirtyPadding).GetPixelSnapped(mDrawScale * mScreenScale).Intersect(bounds);
  if (clip.Empty())
    return;
  PathTransformReset();
  PathTransformSave();
  PathClipRegion(clip);
  mClipRect = clip;
  control.Draw(*this);
  control.DrawHostHighlight(*this);
  PathTransformRestore();
}

void IGraphics::DrawBitmapFrame(const IBitmapRef& bitmap, const IBounds& dest, int frame, const IBlendMode* blend)
{
  int srcX = 0;
  int srcY = 0;
  const int n = bitmap.N();
  if (n >= 2)
  {
    frame = std::clamp(frame, 1, n);
    if (frame >= 2)
    {
      if (bitmap.mFramesAreHorizontal)
        srcX = (frame - 1) * bitmap.W() / n;
      else
        srcY = (frame - 1) * bitmap.H() / n;
    }
  }
  DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

IBitmapRef IGraphics::ScaledBitmapFor(const IBitmapRef& bitmap)
{
  return LoadBitmapResource(bitmap.mResourceName.c_str(), bitmap.N(), bitmap.mFramesAreHorizontal,
                            static_cast<int>(std::ceil(mScreenScale)));
}

// ------------------------------------------------------------------------------------------ scale

void IGraphics::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  w = std::clamp(w, mDelegate->GetMinWidth(), mDelegate->GetMaxWidth());
  h = std::clamp(h, mDelegate->GetMinHeight(), mDelegate->GetMaxHeight());
  scale = std::clamp(scale, mMinScale, mMaxScale);
  if (w == mWidth && h == mHeight && scale == mDrawScale)
    return;

  ReleaseMouseCapture();
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;
  if (mCornerResizer)
    mCornerResizer->ScaleChanged();

  const int pixelW = WindowPixelWidth();
  const int pixelH = WindowPixelHeight();
  ResizePlatformWindow(mDelegate->ResizeRequestFromEditor(pixelW, pixelH, needsPlatformResize));

  ForAllControls([](IControl& c) {
    c.BoundsChanged();
    c.MarkDirty(false);
  });
  RebuildFrameBuffer();
  if (mLayoutOnResize)
    mDelegate->LayoutEditor(this);
}

void IGraphics::ApplyScreenScale(float scale)
{
  mScreenScale = scale;
  const int pixelW = WindowPixelWidth();
  const int pixelH = WindowPixelHeight();
  ResizePlatformWindow(mDelegate->ResizeRequestFromEditor(pixelW, pixelH, true));
  ForAllControls([](IControl& c) {
    c.ScaleChanged();
    c.MarkDirty(false);
  });
  RebuildFrameBuffer();
}

} // namespace iplug::igraphics
