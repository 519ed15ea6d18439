#pragma once
// The editor's window on Windows: a child window inside the parent window the host hands over, with a
// WGL (OpenGL 2) context. A 15 ms timer ticks it, or from Windows 8 on a thread that waits for the
// display's vertical blank; each tick checks the screen density, collects dirty areas and paints them.
// Messages, ticks and paints run on the thread that opened the window (the host's UI thread).

#include "editor/backend/IGraphicsNanoVG.h"
#include "editor/backend/ModuleResourcesWin.h"
#include "editor/backend/WindowsApi.h"
#include "editor/platform/PlatformRules.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace iplug::igraphics {

class IGraphicsWin : public IGraphicsNanoVG
{
public:
  // A font installed for the process from memory, made with GDI from its family name and style. The
  // renderer gets the bytes GDI reads back through the handle, so what draws is what was installed.
  class Font final : public PlatformFont
  {
  public:
    Font(HFONT font, std::vector<unsigned char> data, const FontDescriptor& descriptor);
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const void* GetFontHandle() const override { return mFont; }
    FontData GetFontData() const override { return {mData.data(), mData.size(), mDescriptor}; }

  private:
    HFONT mFont;
    std::vector<unsigned char> mData;
    FontDescriptor mDescriptor;
  };

  // The message the vertical-blank thread posts, carrying its counter.
  static constexpr UINT kVBlankMessage = WM_USER + 1;
  static constexpr UINT_PTR kTimerId = 2;

  // UI thread. `instance` is the module that holds the window class and the resources.
  IGraphicsWin(IGEditorDelegate& dlg, int w, int h, int fps, float drawScale, HINSTANCE instance);
  ~IGraphicsWin() override;

  // Where pictures and fonts are found instead of the module's resources (before opening).
  void SetModuleResources(const IResourceSource* resources) { mResources = resources; }
  HINSTANCE GetWinModuleHandle() const { return mHInstance; }

  // The density of the display a window is on (its dots per inch / 96); 1.0 before Windows 10 1607.
  static float ScreenScaleOf(HWND window);

  // ---- IGraphicsContext: registers for touch input once the layout has said whether it wants it
  void* OpenWindow(void* parent) override;

  // ---- platform operations (UI thread)
  void* OpenPlatformWindow(void* parent) override;
  void ClosePlatformWindow() override;
  void ResizePlatformWindow(bool parentHasResized) override;
  void HidePlatformPointer(bool hide, bool lock) override;
  void WarpPointer(float x, float y) override;
  void ApplyPlatformCursor(ECursor cursor) override;
  bool HasMultiTouchSupport() const override;
  void CreatePlatformTextEntry(int paramIdx, const ITextStyle& style, const IBounds& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IBounds& bounds, bool& isAsync) override;

  // The editor's own window (null while closed).
  HWND GetWindow() const { return mWnd; }
  bool IsOpen() const { return mWnd != nullptr; }
  // Whether vertical blanks drive the ticks (Windows 8 and later) instead of the timer.
  bool IsVerticalBlankMode() const { return mVBlankMode; }
  // UI thread, editor open. One tick: density, dirty collection, invalidation and a synchronous paint.
  void Tick();
  // Painted frames since construction (a frame is one Draw and buffer swap).
  int FramesPainted() const { return mFramesPainted; }
  // Windows of this class open in the process.
  static int OpenWindowCount();

protected:
  bool ActivateGLContext() override;
  void DeactivateGLContext() override;
  const IResourceSource& GetResourceSource() const override;
  std::unique_ptr<PlatformFont> CreatePlatformFont(const unsigned char* data, std::size_t size,
                                                   std::vector<unsigned char> owned,
                                                   std::unique_ptr<InstalledFont>& installed) override;

private:
  // What the vertical-blank thread shares with the window: its counter and its stop flag. The window
  // handle is set before the thread starts and never changes. Shared ownership, so a thread that does
  // not end in time can never reach freed memory.
  struct VBlankShared
  {
    HWND window = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> counter{0};
  };

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI VBlankThread(void* param);

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void StartTicks();
  void StopTicks();
  void OnVBlank(std::uint32_t posted);
  void Paint();
  // Undoes whatever opening got as far as; `destroyWindow` false when the window is already going.
  void TearDown(bool destroyWindow);
  bool CreateGLContext();

  float PixelScale() const { return GetDrawScale() * GetScreenScale(); }
  // Client pixels to editor units; remembered as the last pointer position.
  void PointerFromPixels(int px, int py, float& x, float& y);
  // The screen cursor in editor units; remembered as the last pointer position.
  void CursorPosition(float& x, float& y);
  IPointerMods ModsFromKeyFlags(WPARAM keyFlags) const;
  IPointerEvent EventFromMessage(WPARAM wParam, LPARAM lParam);
  bool OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnTouch(WPARAM wParam, LPARAM lParam);
  void OnDropFiles(WPARAM dropHandle);
  bool OnKey(UINT msg, WPARAM wParam, LPARAM lParam);
  void MoveCursorTo(float x, float y);

  HINSTANCE mHInstance;
  ModuleResourceSource mModuleResources;
  const IResourceSource* mResources = nullptr;
  HWND mParentWnd = nullptr;
  HWND mWnd = nullptr;
  HDC mDC = nullptr;
  HGLRC mGLRC = nullptr;
  // The context current before the outermost activation, restored by the matching deactivation.
  HDC mPreviousDC = nullptr;
  HGLRC mPreviousGLRC = nullptr;
  int mActivations = 0;
  bool mClassAcquired = false;
  bool mClosing = false;
  bool mTouchRegistered = false;

  const bool mVBlankMode;
  HANDLE mVBlankThread = nullptr;
  std::shared_ptr<VBlankShared> mVBlank;
  platform::VBlankGate mVBlankGate;
  bool mTimerRunning = false;

  bool mCursorHiddenByUs = false; // ShowCursor is a counter: every hide is paired with one show
  bool mLocked = false;           // the hidden cursor returns to its place when shown
  bool mPenOrTouch = false;       // the last pointer message came from a pen or a touch
  std::map<ITouchID, IPointerEvent> mActiveTouches;
  int mFramesPainted = 0;
};

} // namespace iplug::igraphics
