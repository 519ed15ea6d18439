#pragma once
// The editor surface: owns the controls, keeps the editor's size and scales, routes pointer and key
// events to controls, collects dirty areas and runs the draw pass. Drawing operations belong to the
// back end and window operations to the platform window, both derived from this class.
// Everything here runs on the UI thread (the editor window's thread).

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "IPlug/IGraphicsContext.h"
#include "editor/controls/IControl.h"
#include "editor/controls/IPopupMenu.h"
#include "editor/graphics/IPlugAAXView_Interface.h"
#include "editor/graphics/IRectList.h"

namespace iplug {
class IGEditorDelegate;
}

namespace iplug::igraphics {

class ICornerResizerControl;
class IBubbleControl;

enum class EUIResizerMode : int32_t
{
  Scale = 0,
  Size = 1,
};

class IGraphics : public IPlugAAXView_Interface, public IGraphicsContext
{
public:
  using KeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
  using DisplayTickFunc = std::function<void(IRectList& rects)>;
  using ControlFunc = std::function<void(IControl& control)>;

  static constexpr float kDirtyPadding = 0.75f;

  // construction: minimum and maximum draw scale become half and twice `drawScale`
  IGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 60, float drawScale = 1.0f);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- IGraphicsContext (what the delegate calls)
  // Platform open, then the delegate's layout, then everything marked dirty.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mDrawScale; }
  void Resize(int w, int h, float scale, bool needsPlatformResize) override;
  void SetScreenScale(float scale) override { ApplyScreenScale(scale); }
  bool KeyDownAtPointer(const IKeyPress& key) override;
  bool KeyUpAtPointer(const IKeyPress& key) override;
  void SetControlValuesFromDelegate(int paramIdx, double normalizedValue) override;
  void SendValueToControlByTag(int ctrlTag, double normalizedValue) override;
  void SendMessageToControlByTag(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  void SendMidiToControls(const MidiMessage& message) override;

  // ---- IPlugAAXView_Interface (the host binding)
  // Serves both bases: the delegate's context interface declares it too.
  void SetParameterHighlight(int paramIdx, bool highlighted, int colorCode) override;
  void SetHostViewContainer(::AAX_IViewContainer* container) override { SetViewContainer(container); }

  // ---- drawing operations (back end). Editor units; a null blend is opaque source-over.
  // Paints dest with the image placed so that (srcX, srcY) of it lands on dest's top-left.
  virtual void DrawBitmap(const IBitmapRef& bitmap, const IBounds& dest, int srcX, int srcY,
                          const IBlendMode* blend) = 0;
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlendMode* blend) = 0;
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlendMode* blend) = 0;
  // Fills `outer` with a rounded-box gradient around `inner` moved by (offset, offset): black at alpha
  // 128 fading to transparent, alpha scaled by the blend weight.
  virtual void DrawFastDropShadow(const IBounds& inner, const IBounds& outer, float offset, float roundness,
                                  float blur, const IBlendMode* blend) = 0;
  virtual void PathClear() = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  // Angles in degrees, clockwise from 12 o'clock.
  virtual void PathArc(float cx, float cy, float r, float startAngle, float endAngle) = 0;
  virtual void PathClose() = 0;
  // Fill and stroke keep the path, so a shape can be filled and then outlined.
  virtual void PathFill(const IColor& color, const IBlendMode* blend) = 0;
  virtual void PathStroke(const IColor& color, float thickness, const IBlendMode* blend) = 0;
  virtual void DrawText(const ITextStyle& style, const char* str, const IBounds& bounds, const IBlendMode* blend) = 0;
  // Fills bounds with the text's extent; returns its width.
  virtual float MeasureText(const ITextStyle& style, const char* str, IBounds& bounds) const = 0;
  virtual void PathClipRegion(const IBounds& bounds) = 0;
  virtual void PathTransformSave() = 0;
  virtual void PathTransformRestore() = 0;
  virtual void PathTransformReset() = 0;
  virtual void BeginFrame() = 0;
  virtual void EndFrame() = 0;
  // After every size or scale change.
  virtual void RebuildFrameBuffer() = 0;
  // targetScale 0: ceil(screen scale). An empty IBitmapRef when nothing is found.
  virtual IBitmapRef LoadBitmapResource(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                                        int targetScale = 0) = 0;
  virtual bool LoadFontResource(const char* fontID, const char* fileNameOrResID) = 0;

  // ---- platform operations (window)
  virtual void* OpenPlatformWindow(void* parent) = 0;
  virtual void ClosePlatformWindow() = 0;
  virtual void ResizePlatformWindow(bool parentHasResized) = 0;
  // Called only when the hidden state changes.
  virtual void HidePlatformPointer(bool hide, bool lock) = 0;
  virtual void WarpPointer(float x, float y) = 0;
  virtual void ApplyPlatformCursor(ECursor cursor) = 0;
  virtual bool HasMultiTouchSupport() const = 0;
  virtual void CreatePlatformTextEntry(int paramIdx, const ITextStyle& style, const IBounds& bounds, int length,
                                       const char* str) = 0;
  // Synchronous menus set isAsync false and return the menu with its choice, or null when dismissed.
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IBounds& bounds, bool& isAsync) = 0;
  // The pointer in editor units; the default is the last position the context was told of.
  virtual void PointerPosition(float& x, float& y) const;
  // The one clock for animations, in milliseconds.
  virtual double NowMs() const;

  // ---- drawing helpers used by controls
  // Frame i (1-based) of a film strip: the back end gets the matching source offset.
  void DrawBitmapFrame(const IBitmapRef& bitmap, const IBounds& dest, int frame, const IBlendMode* blend);
  IBitmapRef ScaledBitmapFor(const IBitmapRef& bitmap);
  // The clip of the control being painted.
  const IBounds& GetClipRect() const { return mClipRect; }

  // ---- layout
  // Takes ownership on success; on a tag collision returns null and the caller keeps the control.
  IControl* AddControl(IControl* control, int ctrlTag = -1, const char* group = "");
  IControl* AddBackground(const char* fileName);
  void AddCornerResizer(EUIResizerMode mode, bool layoutOnResize, const IColor& color,
                        const IColor& mouseOverColor, const IColor& dragColor, float size);
  void AddBubbleControl(const ITextStyle& style = ITextStyle());
  void RemoveAllControls();
  void SetMouseOverEnabled(bool enable) { mEnableMouseOver = enable; }
  void SetMultiTouchEnabled(bool enable) { mEnableMultiTouch = enable; }
  void SetDrawAllRectsAsOne(bool enable) { mDrawAllAsOne = enable; }
  void SetKeyHandlerFunc(KeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  void SetDisplayTickFunc(DisplayTickFunc func) { mDisplayTickFunc = std::move(func); }
  void SetLayoutOnResize(bool layout) { mLayoutOnResize = layout; }

  // ---- controls and lookup
  int NControls() const { return static_cast<int>(mControls.size()); }
  IControl* GetControl(int idx) const;
  IControl* GetBackgroundControl() const { return GetControl(0); }
  IControl* GetControlWithTag(int ctrlTag) const;
  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IBubbleControl* GetBubbleControl(int i = 0) const;
  int NBubbleControls() const { return static_cast<int>(mBubbleControls.size()); }
  // List order, then the special controls, then the bubbles: the drawing order.
  void ForAllControls(const ControlFunc& func);
  void MarkAllDirty();
  void MarkAllClean();

  // ---- pointer and keys (from the platform window; editor units)
  void PointerDown(const std::vector<IPointerEvent>& points);
  void PointerUp(const std::vector<IPointerEvent>& points);
  void PointerDrag(const std::vector<IPointerEvent>& points);
  bool PointerDoubleClick(float x, float y, const IPointerMods& mod);
  void WheelTurned(float x, float y, const IPointerMods& mod, float d);
  bool PointerOver(float x, float y, const IPointerMods& mod);
  void PointerLeft();
  bool OnKeyDown(float x, float y, const IKeyPress& key);
  bool OnKeyUp(float x, float y, const IKeyPress& key);
  void FileDropped(const char* path, float x, float y);
  IControl* ControlUnderPointer(float x, float y, bool capture = false, bool mouseOver = false,
                                ITouchID touchID = 0);

  // ---- pointer state used by controls
  bool ControlIsCaptured(const IControl* control) const;
  const std::map<ITouchID, IControl*>& GetCapturedControls() const { return mCapturedMap; }
  void ReleaseMouseCapture();
  void SetPointerHidden(bool hide, bool lock);
  bool IsPointerHidden() const { return mCursorHidden; }
  bool IsPointerLocked() const { return mCursorLocked; }
  // Returns the previous cursor.
  ECursor SetPointerShape(ECursor cursor);
  ECursor GetPointerShape() const { return mCursor; }
  IControl* GetMouseOverControl() const { return mMouseOver; }
  int GetMouseOverIdx() const { return mMouseOverIdx; }
  void SetResizingInProgress(bool resizing) { mResizingInProgress = resizing; }
  bool GetResizingInProgress() const { return mResizingInProgress; }
  EUIResizerMode GetResizerMode() const { return mResizerMode; }

  // ---- value flow
  void SyncPeerControls(IControl* control, int valIdx);
  void ShowValueBubble(IControl* caller, float x, float y, const char* text, EDirection direction,
                       const IBounds& minimumContentBounds, ITouchID touchID = 0);

  // ---- prompts (text entry or popup menu)
  void OpenValuePrompt(IControl& control, const IBounds& bounds, int valIdx);
  // A synchronous or later-completed popup menu's choice (null: dismissed).
  void SetControlValueAfterPopupMenu(IPopupMenu* menu);
  // A committed text entry.
  void SetControlValueAfterTextEdit(const char* text);
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  IPopupMenu& GetPromptMenu() { return mPromptMenu; }

  // ---- dirty collection and drawing (window tick and paint)
  bool NeedsRedraw(IRectList& rects);
  void Draw(IRectList& rects);

  // ---- scale
  void ApplyScreenScale(float scale);
  float GetScreenScale() const { return mScreenScale; }
  // The window in platform units (editor size times draw scale) and in pixels (times screen scale),
  // each truncated the way the platform window sizes itself.
  int WindowWidth() const { return static_cast<int>(static_cast<float>(mWidth) * mDrawScale); }
  int WindowHeight() const { return static_cast<int>(static_cast<float>(mHeight) * mDrawScale); }
  int WindowPixelWidth() const { return static_cast<int>(static_cast<float>(WindowWidth()) * mScreenScale); }
  int WindowPixelHeight() const { return static_cast<int>(static_cast<float>(WindowHeight()) * mScreenScale); }
  float GetMinDrawScale() const { return mMinScale; }
  float GetMaxDrawScale() const { return mMaxScale; }
  int FPS() const { return mFPS; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  float GetMouseDownX() const { return mMouseDownX; }
  float GetMouseDownY() const { return mMouseDownY; }

protected:
  void AttachControl(IControl& control, const char* group);
  void PaintControl(IControl& control, const IBounds& bounds, bool isBackground);
  void BeginGestures(IControl& control);
  void EndGestures(IControl& control);
  void PopupHostContextMenuForParam(IControl& control, int paramIdx, float x, float y);
  void DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IBounds& bounds, int valIdx, bool isContext);
  void RememberPointer(float x, float y);
  bool KeyEvent(float x, float y, const IKeyPress& key, bool isUp);

  IGEditorDelegate* mDelegate;
  std::vector<std::unique_ptr<IControl>> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  std::unique_ptr<ICornerResizerControl> mCornerResizer;
  std::vector<std::unique_ptr<IBubbleControl>> mBubbleControls;
  // Slots for facilities this editor never creates; visited and hit-tested when present.
  std::unique_ptr<IControl> mPopupControl;
  std::unique_ptr<IControl> mPerfDisplay;
  std::unique_ptr<IControl> mTextEntryControl;
  IPopupMenu mPromptMenu;
  ECursor mCursor = ECursor::ARROW;
  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.0f;
  float mDrawScale;
  float mMinScale;
  float mMaxScale;
  std::map<ITouchID, IControl*> mCapturedMap;
  IControl* mMouseOver = nullptr;
  int mMouseOverIdx = -1;
  IControl* mInTextEntry = nullptr;
  int mTextEntryValIdx = -1;
  IControl* mInPopupMenu = nullptr;
  int mPopupMenuValIdx = -1;
  bool mIsContextMenu = false;
  float mMouseDownX = -1.0f;
  float mMouseDownY = -1.0f;
  bool mEnableMouseOver = false;
  bool mDrawAllAsOne = false;
  bool mEnableTooltips = false;
  bool mResizingInProgress = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EUIResizerMode mResizerMode = EUIResizerMode::Scale;
  KeyHandlerFunc mKeyHandlerFunc;
  DisplayTickFunc mDisplayTickFunc;
  bool mCursorHidden = false;
  bool mCursorLocked = false;
  float mHiddenCursorX = 0.0f;
  float mHiddenCursorY = 0.0f;
  float mLastPointerX = 0.0f;
  float mLastPointerY = 0.0f;
  int mBubbleIndex = 0;
  IBounds mClipRect;
};

} // namespace iplug::igraphics
