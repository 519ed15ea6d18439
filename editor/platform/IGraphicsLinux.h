#pragma once
// The editor's window on Linux: an X11 child window inside the parent window the host hands over, with
// a GLX (OpenGL 2) context. A 15 ms tick from the host's run loop reads the window's X events, checks
// the screen density, collects dirty areas and paints them. Everything runs on the host's UI thread.

#include "editor/backend/IGraphicsNanoVG.h"

#include <cstdint>
#include <memory>

namespace iplug {
class Timer;
}

namespace iplug::igraphics {

class IGraphicsLinux : public IGraphicsNanoVG
{
public:
  // X11 identifiers kept as integers so this header needs no X11 headers.
  using XID = unsigned long;

  IGraphicsLinux(IGEditorDelegate& dlg, int w, int h, int fps = 60, float drawScale = 1.0f);
  ~IGraphicsLinux() override;

  // The module's resources: where pictures and fonts are found (set by the make-graphics function).
  void SetModuleResources(const IResourceSource* resources) { mResources = resources; }

  // The tick interval for a frame rate: 1000 / fps ms, but 15 ms when that is below 20.
  static int TimerIntervalMs(int fps);
  // The screen density from an X resource string (the Xft.dpi entry / 96); 1.0 without one.
  static float ScaleFromResources(const char* resources);

  // ---- platform operations
  void* OpenPlatformWindow(void* parent) override;
  void ClosePlatformWindow() override;
  void ResizePlatformWindow(bool parentHasResized) override;
  void HidePlatformPointer(bool hide, bool lock) override;
  void WarpPointer(float x, float y) override;
  void ApplyPlatformCursor(ECursor cursor) override;
  bool HasMultiTouchSupport() const override { return false; }
  void CreatePlatformTextEntry(int paramIdx, const ITextStyle& style, const IBounds& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IBounds& bounds, bool& isAsync) override;

  // The editor's own X window (0 while closed).
  XID GetWindow() const { return mWindow; }
  bool IsOpen() const { return mWindow != 0; }
  // One pass of the timer: events, density, dirty collection, paint. Public so a host without a run
  // loop timer can drive it.
  void Tick();
  // Painted frames since construction (a frame is one Draw and buffer swap).
  int FramesPainted() const { return mFramesPainted; }

protected:
  bool ActivateGLContext() override;
  void DeactivateGLContext() override;
  const IResourceSource& GetResourceSource() const override;

private:
  struct XState; // X11 and GLX handles, kept out of this header

  void ProcessEvents();
  void HandleEvent(void* event);
  void Paint(IRectList& rects);
  float ReadScreenScale() const;
  IPointerMods ModsFromState(unsigned int state, bool left, bool right) const;
  void PointerFromPixels(int px, int py, float& x, float& y);
  void ForwardKeyToHost(void* event);
  void ReleaseWindow();
  bool WindowSize(XID window, unsigned int& w, unsigned int& h) const;
  void GrowBy(XID window, int dW, int dH);
  bool IsTopLevelClient(XID window) const;

  std::unique_ptr<XState> mX;
  const IResourceSource* mResources = nullptr;
  XID mParent = 0;
  XID mWindow = 0;
  std::unique_ptr<Timer> mTimer;
  bool mCaptured = false; // a button press is being held in this window
  bool mLocked = false;   // the hidden cursor returns to its place when shown
  unsigned int mLastPressButton = 0;
  unsigned long mLastPressTime = 0;
  int mLastPressX = 0;
  int mLastPressY = 0;
  int mFramesPainted = 0;
};

} // namespace iplug::igraphics
