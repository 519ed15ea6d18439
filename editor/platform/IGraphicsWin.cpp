#include "editor/platform/IGraphicsWin.h"

#include "editor/backend/OpenGLWin.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "IPlug/IGEditorDelegate.h"
#include "editor/platform/IGraphicsWin_Shared.h"

namespace iplug::igraphics {

namespace {

constexpr wchar_t kWindowClassName[] = L"IPlugWndClass";
constexpr wchar_t kWindowTitle[] = L"IPlug";
constexpr DWORD kVBlankStopWaitMs = 10000;
// The largest region listed rectangle by rectangle; a bigger one is painted as its bounding box.
constexpr DWORD kMaxRegionData = 1024;

// ------------------------------------------------------------------------------ the window class

// The class is registered with the first open window of the process and unregistered with the last.
std::mutex sClassMutex;
int sOpenWindows = 0;

bool AcquireWindowClass(HINSTANCE instance, WNDPROC procedure)
{
  std::lock_guard lock(sClassMutex);
  if (sOpenWindows == 0)
  {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClassName; // no class cursor: the window sets its own on WM_SETCURSOR
    // A class left registered by a window the process never saw closed is as good as a new one.
    if (RegisterClassW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      return false;
  }
  ++sOpenWindows;
  return true;
}

void ReleaseWindowClass(HINSTANCE instance)
{
  std::lock_guard lock(sClassMutex);
  if (sOpenWindows > 0 && --sOpenWindows == 0)
    UnregisterClassW(kWindowClassName, instance);
}

} // namespace

using win::ProcAddress;
using win::SystemHasVerticalBlankWaits;

// ----------------------------------------------------------------------------------- construction

IGraphicsWin::IGraphicsWin(IGEditorDelegate& dlg, int w, int h, int fps, float drawScale, HINSTANCE instance)
  : IGraphicsNanoVG(dlg, w, h, fps, drawScale)
  , mHInstance(instance)
  , mModuleResources(instance)
  , mVBlankMode(SystemHasVerticalBlankWaits())
{
}

IGraphicsWin::~IGraphicsWin()
{
  if (mWnd)
    ClosePlatformWindow();
}

int IGraphicsWin::OpenWindowCount()
{
  std::lock_guard lock(sClassMutex);
  return sOpenWindows;
}

float IGraphicsWin::ScreenScaleOf(HWND window)
{
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = ProcAddress<GetDpiForWindowFn>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  if (getDpi == nullptr || window == nullptr)
    return 1.0f;
  const UINT dpi = getDpi(window);
  return dpi > 0 ? static_cast<float>(dpi) / 96.0f : 1.0f;
}

const IResourceSource& IGraphicsWin::GetResourceSource() const
{
  return mResources ? *mResources : mModuleResources;
}

// ------------------------------------------------------------------------------------ open / close

void* IGraphicsWin::OpenWindow(void* parent)
{
  void* handle = IGraphics::OpenWindow(parent);
  // The layout says whether it wants touches; touches then arrive as touch messages, not mouse ones.
  if (handle != nullptr && mEnableMultiTouch && HasMultiTouchSupport() && !mTouchRegistered)
    mTouchRegistered = RegisterTouchWindow(mWnd, 0) != FALSE;
  return handle;
}

void* IGraphicsWin::OpenPlatformWindow(void* parent)
{
  const HWND parentWnd = static_cast<HWND>(parent);
  if (parentWnd == nullptr || !IsWindow(parentWnd))
    return nullptr;

  const int s = std::max(1, static_cast<int>(ScreenScaleOf(parentWnd)));
  // Reopening on the same object keeps the window's place and size.
  int x = 0;
  int y = 0;
  int w = s * WindowWidth();
  int h = s * WindowHeight();
  if (mWnd)
  {
    RECT r{};
    GetWindowRect(mWnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(mWnd), reinterpret_cast<POINT*>(&r), 2);
    x = r.left;
    y = r.top;
    w = r.right - r.left;
    h = r.bottom - r.top;
    ClosePlatformWindow();
  }
  mParentWnd = parentWnd;

  if (!AcquireWindowClass(mHInstance, &IGraphicsWin::WndProc))
    return nullptr;
  mClassAcquired = true;

  // WM_CREATE stores the object with the window and sets mWnd before CreateWindowExW returns.
  CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x,
                  y, std::max(1, w), std::max(1, h), parentWnd, nullptr, mHInstance, this);
  if (mWnd == nullptr || !CreateGLContext())
  {
    TearDown(true);
    return nullptr;
  }

  bool ready = false;
  if (ActivateGLContext())
  {
    ready = LoadOpenGLFunctions() && OnViewInitialized();
    DeactivateGLContext();
  }
  if (!ready)
  {
    TearDown(true);
    return nullptr;
  }

  ApplyScreenScale(static_cast<float>(s));
  ApplyPlatformCursor(GetPointerShape());
  return mWnd;
}

bool IGraphicsWin::CreateGLContext()
{
  mDC = GetDC(mWnd);
  if (mDC == nullptr)
    return false;
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(mDC, &pfd);
  if (format == 0 || !SetPixelFormat(mDC, format, &pfd))
    return false;
  mGLRC = wglCreateContext(mDC);
  return mGLRC != nullptr;
}

void IGraphicsWin::ClosePlatformWindow()
{
  if (mWnd == nullptr)
    return;
  TearDown(true);
}

void IGraphicsWin::TearDown(bool destroyWindow)
{
  mClosing = true;
  StopTicks();
  if (mWnd)
  {
    // Controls go first, with the context current: their bitmaps belong to the renderer.
    const bool active = ActivateGLContext();
    RemoveAllControls();
    mActiveTouches.clear();
    OnViewDestroyed();
    if (active)
      DeactivateGLContext();
  }
  if (mGLRC)
  {
    if (wglGetCurrentContext() == mGLRC)
      wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(mGLRC);
  }
  if (mDC)
    ReleaseDC(mWnd, mDC);
  if (mCursorHiddenByUs)
    ShowCursor(TRUE);
  const HWND window = mWnd;
  mWnd = nullptr;
  mDC = nullptr;
  mGLRC = nullptr;
  mParentWnd = nullptr;
  mActivations = 0;
  mTouchRegistered = false;
  mCursorHiddenByUs = false;
  mLocked = false;
  mPenOrTouch = false;
  if (window && destroyWindow)
    DestroyWindow(window);
  if (mClassAcquired)
  {
    ReleaseWindowClass(mHInstance);
    mClassAcquired = false;
  }
  mClosing = false;
}

// -------------------------------------------------------------------------------- ticks and blanks

void IGraphicsWin::StartTicks()
{
  if (mVBlankMode)
  {
    mVBlank = std::make_shared<VBlankShared>();
    mVBlank->window = mWnd;
    auto* forThread = new std::shared_ptr<VBlankShared>(mVBlank);
    mVBlankThread = CreateThread(nullptr, 0, &IGraphicsWin::VBlankThread, forThread, 0, nullptr);
    if (mVBlankThread != nullptr)
      return;
    delete forThread;
    mVBlank.reset();
  }
  // The timer also stands in when the thread cannot be started.
  mTimerRunning =
    SetTimer(mWnd, kTimerId, static_cast<UINT>(platform::TimerIntervalMs(FPS())), nullptr) != 0;
}

void IGraphicsWin::StopTicks()
{
  if (mVBlankThread != nullptr)
  {
    mVBlank->stop = true;
    // A thread that does not end in time is forgotten: it only holds its own share of the state.
    WaitForSingleObject(mVBlankThread, kVBlankStopWaitMs);
    CloseHandle(mVBlankThread);
    mVBlankThread = nullptr;
  }
  mVBlank.reset();
  mVBlankGate = {};
  if (mTimerRunning && mWnd)
    KillTimer(mWnd, kTimerId);
  mTimerRunning = false;
}

void IGraphicsWin::Tick()
{
  if (mWnd == nullptr)
    return;
  // Not while a button is held: a corner drag releases the controls' capture on every resize step, but
  // the user is still dragging.
  if (GetCapture() == nullptr)
  {
    const float scale = ScreenScaleOf(mWnd);
    if (scale != GetScreenScale())
      ApplyScreenScale(scale);
  }
  IRectList rects;
  if (!NeedsRedraw(rects))
    return;
  MarkAllClean();
  const float scale = PixelScale();
  for (const IBounds& r : rects.Rects())
  {
    const platform::PixelRect p = platform::UnitsToPixels(r, scale);
    const RECT pixels{p.left, p.top, p.right, p.bottom};
    InvalidateRect(mWnd, &pixels, FALSE);
  }
  const std::uint32_t before = mVBlank ? mVBlank->counter.load() : 0;
  UpdateWindow(mWnd);
  if (mVBlank)
    mVBlankGate.Painted(before, mVBlank->counter.load());
}

void IGraphicsWin::Paint()
{
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetUpdateRgn(mWnd, region, FALSE);
  if (kind == NULLREGION || kind == ERROR)
  {
    ValidateRect(mWnd, nullptr);
    DeleteObject(region);
    return;
  }

  const float scale = PixelScale();
  IRectList rects;
  const auto add = [&](const RECT& r) {
    rects.Add(platform::PixelsToUnits({r.left, r.top, r.right, r.bottom}, scale));
  };
  // The region's own rectangles when it is complex and small enough, else its bounding box.
  struct
  {
    RGNDATAHEADER header;
    RECT rects[(kMaxRegionData - sizeof(RGNDATAHEADER)) / sizeof(RECT)];
  } data{};
  bool listed = false;
  if (kind == COMPLEXREGION)
  {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size > 0 && size <= sizeof data && GetRegionData(region, size, reinterpret_cast<RGNDATA*>(&data)) != 0)
    {
      const DWORD count = std::min<DWORD>(data.header.nCount, static_cast<DWORD>(std::size(data.rects)));
      for (DWORD i = 0; i < count; ++i)
        add(data.rects[i]);
      listed = true;
    }
  }
  if (!listed)
  {
    RECT box{};
    GetRgnBox(region, &box);
    add(box);
  }

  PAINTSTRUCT ps;
  BeginPaint(mWnd, &ps);
  if (ActivateGLContext())
  {
    Draw(rects);
    SwapBuffers(mDC);
    DeactivateGLContext();
    ++mFramesPainted;
  }
  EndPaint(mWnd, &ps);
  ValidateRect(mWnd, nullptr);
  DeleteObject(region);
}

bool IGraphicsWin::ActivateGLContext()
{
  if (mGLRC == nullptr || mDC == nullptr)
    return false;
  // Activations nest (a paint may load a bitmap); the outermost remembers what to restore.
  if (mActivations == 0)
  {
    mPreviousDC = wglGetCurrentDC();
    mPreviousGLRC = wglGetCurrentContext();
  }
  if (wglGetCurrentContext() == mGLRC || wglMakeCurrent(mDC, mGLRC))
  {
    ++mActivations;
    return true;
  }
  if (mActivations == 0 && mPreviousGLRC != nullptr)
    wglMakeCurrent(mPreviousDC, mPreviousGLRC);
  return false;
}

void IGraphicsWin::DeactivateGLContext()
{
  if (mActivations == 0 || --mActivations > 0)
    return;
  if (mPreviousGLRC != nullptr)
    wglMakeCurrent(mPreviousDC, mPreviousGLRC);
  else
    wglMakeCurrent(nullptr, nullptr);
  mPreviousDC = nullptr;
  mPreviousGLRC = nullptr;
}

// ---------------------------------------------------------------------------------------- messages

LRESULT CALLBACK IGraphicsWin::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_CREATE)
  {
    auto* self = static_cast<IGraphicsWin*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->mWnd = hwnd;
    self->OnCreate();
    return 0;
  }
  auto* self = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (self == nullptr || self->mWnd != hwnd)
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->HandleMessage(msg, wParam, lParam);
}

void IGraphicsWin::OnCreate()
{
  StartTicks();
  SetFocus(mWnd);
  DragAcceptFiles(mWnd, TRUE);
}

LRESULT IGraphicsWin::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  switch (msg)
  {
    case kVBlankMessage:
      OnVBlank(static_cast<std::uint32_t>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam != kTimerId)
        break;
      Tick();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_CLOSE:
      ClosePlatformWindow();
      return 0;
    case WM_DESTROY:
      // The host destroyed its window, and ours with it, before closing the editor: the OpenGL objects
      // go now, while the window's device context still exists.
      if (!mClosing)
        TearDown(false);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT)
        break;
      ApplyPlatformCursor(GetPointerShape());
      return TRUE;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_TOUCH:
      OnTouch(wParam, lParam);
      return 0;
    case WM_DROPFILES:
      OnDropFiles(wParam);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    {
      // A key the editor leaves goes to the host, which may close the editor while handling it: after
      // that only the handle, kept here, is used.
      const HWND window = mWnd;
      if (OnKey(msg, wParam, lParam))
        return 0;
      return DefWindowProcW(window, msg, wParam, lParam);
    }
    default:
      if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSEHOVER || msg == WM_MOUSELEAVE)
      {
        if (OnMouseMessage(msg, wParam, lParam))
          return 0;
      }
      break;
  }
  return DefWindowProcW(mWnd, msg, wParam, lParam);
}

// ------------------------------------------------------------------------------ size and cursor

void IGraphicsWin::ResizePlatformWindow(bool parentHasResized)
{
  if (mWnd == nullptr)
    return;
  RECT r{};
  GetWindowRect(mWnd, &r);
  const int dW = WindowPixelWidth() - (r.right - r.left);
  const int dH = WindowPixelHeight() - (r.bottom - r.top);
  if (dW == 0 && dH == 0)
    return;

  // A child window (not a child of a multiple-document frame) grows its parent with it, and its parent
  // the grandparent when the parent is such a child too (a host's view inside its plug-in window).
  const auto isPlainChild = [](HWND w) {
    return (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) != 0 &&
           (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_MDICHILD) == 0;
  };
  const auto grow = [dW, dH](HWND w) {
    RECT wr{};
    GetWindowRect(w, &wr);
    SetWindowPos(w, nullptr, 0, 0, wr.right - wr.left + dW, wr.bottom - wr.top + dH,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  HWND parent = nullptr;
  HWND grandparent = nullptr;
  if (isPlainChild(mWnd))
  {
    parent = GetParent(mWnd);
    if (parent != nullptr && isPlainChild(parent))
      grandparent = GetParent(parent);
  }
  grow(mWnd);
  if (!parentHasResized)
  {
    if (parent != nullptr)
      grow(parent);
    if (grandparent != nullptr)
      grow(grandparent);
  }
}

void IGraphicsWin::MoveCursorTo(float x, float y)
{
  const float scale = PixelScale();
  POINT p{static_cast<LONG>(std::lround(x * scale)), static_cast<LONG>(std::lround(y * scale))};
  ClientToScreen(mWnd, &p);
  SetCursorPos(p.x, p.y);
}

void IGraphicsWin::HidePlatformPointer(bool hide, bool lock)
{
  if (mWnd == nullptr)
    return;
  if (hide)
  {
    // A pen or a finger cannot be held in place.
    mLocked = lock && !mPenOrTouch;
    if (!mLocked)
      mCursorLocked = false;
    if (!mCursorHiddenByUs)
      ShowCursor(FALSE);
    mCursorHiddenByUs = true;
  }
  else
  {
    if (mLocked)
      MoveCursorTo(mHiddenCursorX, mHiddenCursorY);
    if (mCursorHiddenByUs)
      ShowCursor(TRUE);
    mCursorHiddenByUs = false;
    mLocked = false;
  }
}

void IGraphicsWin::WarpPointer(float x, float y)
{
  if (mWnd == nullptr || mPenOrTouch)
    return;
  MoveCursorTo(x, y);
  // Where the cursor really landed (the screen's edge may have stopped it).
  CursorPosition(mHiddenCursorX, mHiddenCursorY);
}

void IGraphicsWin::ApplyPlatformCursor(ECursor cursor)
{
  if (mWnd == nullptr)
    return;
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(platform::SystemCursorId(cursor))));
}

bool IGraphicsWin::HasMultiTouchSupport() const
{
  return (GetSystemMetrics(SM_DIGITIZER) & NID_MULTI_INPUT) != 0;
}

void IGraphicsWin::CreatePlatformTextEntry(int, const ITextStyle&, const IBounds&, int, const char*)
{
  // No control of this editor prompts for text.
}

IPopupMenu* IGraphicsWin::CreatePlatformPopupMenu(IPopupMenu&, const IBounds&, bool& isAsync)
{
  // No control of this editor prompts with a menu: dismissed at once.
  isAsync = false;
  return nullptr;
}

} // namespace iplug::igraphics
