#include "editor/platform/IGraphicsWin.h"

#include "editor/backend/OpenGLWin.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "IPlug/IGEditorDelegate.h"

namespace iplug::igraphics {

namespace {

constexpr wchar_t kWindowClassName[] = L"IPlugWndClass";
constexpr wchar_t kWindowTitle[] = L"IPlug";
constexpr DWORD kVBlankSleepMs = 16;
constexpr DWORD kAdapterRetryMs = 1000;
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

// ------------------------------------------------------------------------------- vertical blank

// The kernel's display calls, declared here as gdi32 exports them (no SDK header for them in mingw).
using D3DKMT_HANDLE = UINT;
struct D3DKMTOpenAdapterFromHdcArgs
{
  HDC hDc;
  D3DKMT_HANDLE hAdapter;
  LUID AdapterLuid;
  UINT VidPnSourceId;
};
struct D3DKMTCloseAdapterArgs
{
  D3DKMT_HANDLE hAdapter;
};
struct D3DKMTWaitForVerticalBlankEventArgs
{
  D3DKMT_HANDLE hAdapter;
  D3DKMT_HANDLE hDevice;
  UINT VidPnSourceId;
};
using OpenAdapterFn = LONG(APIENTRY*)(D3DKMTOpenAdapterFromHdcArgs*);
using CloseAdapterFn = LONG(APIENTRY*)(D3DKMTCloseAdapterArgs*);
using WaitForVBlankFn = LONG(APIENTRY*)(D3DKMTWaitForVerticalBlankEventArgs*);

// GetProcAddress's result as a typed pointer; void (*)() converts to any function type without a warning.
template <class Fn>
Fn ProcAddress(HMODULE module, const char* name)
{
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

// The version the system really is: RtlGetVersion is not subject to the compatibility manifest that
// makes GetVersionEx answer 6.2 to every program that does not declare Windows 8.1 or later.
bool SystemHasVerticalBlankWaits()
{
  using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
  const auto getVersion = ProcAddress<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (getVersion == nullptr || getVersion(&info) != 0)
    return false;
  return platform::HasVerticalBlankWaits(info.dwMajorVersion, info.dwMinorVersion);
}

// ---------------------------------------------------------------------------------------- text

std::wstring Utf8ToWide(const std::string& text)
{
  if (text.empty())
    return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string WideToUtf8(const wchar_t* text, int length)
{
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

// ---------------------------------------------------------------------------------------- fonts

// A font installed from memory for this process; removed when the last window object goes.
class MemoryFontInstallation final : public InstalledFont
{
public:
  explicit MemoryFontInstallation(HANDLE handle) : mHandle(handle) {}
  ~MemoryFontInstallation() override { RemoveFontMemResourceEx(mHandle); }
  MemoryFontInstallation(const MemoryFontInstallation&) = delete;
  MemoryFontInstallation& operator=(const MemoryFontInstallation&) = delete;

private:
  HANDLE mHandle;
};

// The file bytes of the font a handle stands for, read back through GDI. Fails when GDI chose another
// family for the handle (it substitutes rather than fail), so the bytes are always the named font's.
bool ReadFontBytes(HFONT font, const std::wstring& family, std::vector<unsigned char>& bytes)
{
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr)
    return false;
  const HGDIOBJ previous = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  bool ok = GetTextFaceW(dc, LF_FACESIZE, face) > 0 && lstrcmpiW(face, family.c_str()) == 0;
  if (ok)
  {
    const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
    ok = size != GDI_ERROR && size > 0;
    if (ok)
    {
      bytes.resize(size);
      ok = GetFontData(dc, 0, 0, bytes.data(), size) == size;
    }
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  return ok;
}

} // namespace

// ------------------------------------------------------------------------------------------- Font

IGraphicsWin::Font::Font(HFONT font, std::vector<unsigned char> data, const FontDescriptor& descriptor)
  : PlatformFont(descriptor), mFont(font), mData(std::move(data)), mDescriptor(descriptor)
{
}

IGraphicsWin::Font::~Font()
{
  DeleteObject(mFont);
}

std::unique_ptr<PlatformFont> IGraphicsWin::CreatePlatformFont(const unsigned char* data, std::size_t size,
                                                               std::vector<unsigned char> owned,
                                                               std::unique_ptr<InstalledFont>& installed)
{
  if (!owned.empty())
  {
    data = owned.data();
    size = owned.size();
  }
  if (data == nullptr || size == 0 || size > MAXDWORD)
    return nullptr;
  const FontDescriptor descriptor = ReadFontDescriptor(data, size);
  if (!descriptor.valid)
    return nullptr;

  // GDI copies the bytes; it only reads through the pointer it is given.
  DWORD fonts = 0;
  const HANDLE handle =
    AddFontMemResourceEx(const_cast<unsigned char*>(data), static_cast<DWORD>(size), nullptr, &fonts);
  if (handle == nullptr)
    return nullptr;
  auto installation = std::make_unique<MemoryFontInstallation>(handle);

  const std::wstring family = Utf8ToWide(descriptor.family);
  LOGFONTW lf{};
  lf.lfWeight = descriptor.Weight();
  lf.lfItalic = descriptor.IsItalic() ? TRUE : FALSE;
  lf.lfUnderline = descriptor.IsUnderline() ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  lf.lfQuality = ANTIALIASED_QUALITY;
  if (family.empty() || family.size() >= LF_FACESIZE)
    return nullptr;
  std::copy(family.begin(), family.end(), lf.lfFaceName);
  const HFONT font = CreateFontIndirectW(&lf);
  if (font == nullptr)
    return nullptr;

  std::vector<unsigned char> bytes;
  const FontDescriptor readBack = ReadFontBytes(font, family, bytes)
                                    ? ReadFontDescriptor(bytes.data(), bytes.size())
                                    : FontDescriptor{};
  if (!readBack.valid)
  {
    DeleteObject(font);
    return nullptr;
  }
  installed = std::move(installation);
  return std::make_unique<Font>(font, std::move(bytes), readBack);
}

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

DWORD WINAPI IGraphicsWin::VBlankThread(void* param)
{
  const std::unique_ptr<std::shared_ptr<VBlankShared>> holder(static_cast<std::shared_ptr<VBlankShared>*>(param));
  VBlankShared& shared = **holder;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

  const HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  const auto openAdapter = ProcAddress<OpenAdapterFn>(gdi, "D3DKMTOpenAdapterFromHdc");
  const auto closeAdapter = ProcAddress<CloseAdapterFn>(gdi, "D3DKMTCloseAdapter");
  const auto waitForVBlank = ProcAddress<WaitForVBlankFn>(gdi, "D3DKMTWaitForVerticalBlankEvent");
  const bool canWait = openAdapter && closeAdapter && waitForVBlank;

  bool adapterOpen = false;
  D3DKMT_HANDLE adapter = 0;
  UINT source = 0;
  bool failedBefore = false;
  DWORD lastFailure = 0;
  while (!shared.stop.load())
  {
    if (!canWait)
    {
      Sleep(kVBlankSleepMs);
    }
    else if (!adapterOpen)
    {
      // An adapter that would not open is asked again at most once a second; ticks go on meanwhile.
      if (failedBefore && GetTickCount() - lastFailure < kAdapterRetryMs)
      {
        Sleep(kVBlankSleepMs);
      }
      else
      {
        const HDC dc = GetDC(shared.window);
        D3DKMTOpenAdapterFromHdcArgs args{};
        args.hDc = dc;
        if (dc != nullptr && openAdapter(&args) >= 0)
        {
          adapterOpen = true;
          adapter = args.hAdapter;
          source = args.VidPnSourceId;
        }
        else
        {
          failedBefore = true;
          lastFailure = GetTickCount();
        }
        if (dc != nullptr)
          ReleaseDC(shared.window, dc);
        if (!adapterOpen)
          Sleep(kVBlankSleepMs);
      }
    }
    else
    {
      D3DKMTWaitForVerticalBlankEventArgs args{};
      args.hAdapter = adapter;
      args.VidPnSourceId = source;
      if (waitForVBlank(&args) < 0)
      {
        D3DKMTCloseAdapterArgs close{adapter};
        closeAdapter(&close);
        adapterOpen = false;
        Sleep(kVBlankSleepMs);
      }
    }
    const std::uint32_t counter = shared.counter.fetch_add(1) + 1;
    PostMessageW(shared.window, kVBlankMessage, static_cast<WPARAM>(counter), 0);
  }
  if (adapterOpen)
  {
    D3DKMTCloseAdapterArgs close{adapter};
    closeAdapter(&close);
  }
  if (gdi)
    FreeLibrary(gdi);
  return 0;
}

void IGraphicsWin::OnVBlank(std::uint32_t posted)
{
  if (mVBlank && mVBlankGate.Serve(posted, mVBlank->counter.load()))
    Tick();
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
      if (OnKey(msg, wParam, lParam))
        return 0;
      break;
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

void IGraphicsWin::PointerFromPixels(int px, int py, float& x, float& y)
{
  const float scale = PixelScale();
  x = static_cast<float>(px) / scale;
  y = static_cast<float>(py) / scale;
  RememberPointer(x, y);
}

void IGraphicsWin::CursorPosition(float& x, float& y)
{
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(mWnd, &p);
  PointerFromPixels(p.x, p.y, x, y);
}

IPointerMods IGraphicsWin::ModsFromKeyFlags(WPARAM keyFlags) const
{
  IPointerMods mods;
  mods.L = (keyFlags & MK_LBUTTON) != 0;
  mods.R = (keyFlags & MK_RBUTTON) != 0;
  mods.S = (keyFlags & MK_SHIFT) != 0;
  mods.C = (keyFlags & MK_CONTROL) != 0;
  mods.A = GetAsyncKeyState(VK_MENU) < 0;
  return mods;
}

IPointerEvent IGraphicsWin::EventFromMessage(WPARAM wParam, LPARAM lParam)
{
  IPointerEvent e;
  PointerFromPixels(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), e.x, e.y);
  e.ms = ModsFromKeyFlags(GET_KEYSTATE_WPARAM(wParam));
  return e;
}

bool IGraphicsWin::OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  mPenOrTouch = platform::IsPenOrTouch(static_cast<std::uintptr_t>(GetMessageExtraInfo()));
  if (mPenOrTouch)
  {
    mLocked = false;
    mCursorLocked = false;
  }
  switch (msg)
  {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: // the middle button never double-clicks: each press is a press
    {
      if (mPenOrTouch)
        return true; // touches arrive as touch messages
      SetFocus(mWnd);
      SetCapture(mWnd);
      PointerDown({EventFromMessage(wParam, lParam)});
      return true;
    }
    // The middle button ends its press too, so no capture, hidden cursor or host gesture stays open.
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    {
      ReleaseCapture();
      PointerUp({EventFromMessage(wParam, lParam)});
      return true;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    {
      if (mPenOrTouch)
        return true;
      const IPointerEvent e = EventFromMessage(wParam, lParam);
      if (PointerDoubleClick(e.x, e.y, e.ms))
        SetCapture(mWnd);
      return true;
    }
    case WM_MOUSEMOVE:
    {
      if (mPenOrTouch)
        return true;
      const bool held = (GET_KEYSTATE_WPARAM(wParam) & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
      if (held)
      {
        if (GetCapture() != mWnd)
          return true;
        const float lastX = mLastPointerX;
        const float lastY = mLastPointerY;
        IPointerEvent e = EventFromMessage(wParam, lParam);
        e.dX = e.x - lastX;
        e.dY = e.y - lastY;
        if (e.dX != 0.0f || e.dY != 0.0f)
        {
          PointerDrag({e});
          if (mLocked)
            WarpPointer(mHiddenCursorX, mHiddenCursorY);
        }
        return true;
      }
      const IPointerEvent e = EventFromMessage(wParam, lParam);
      if (PointerOver(e.x, e.y, e.ms))
      {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = mWnd;
        TrackMouseEvent(&track);
      }
      return true;
    }
    case WM_MOUSEWHEEL:
    {
      // The position comes in screen pixels.
      RECT window{};
      GetWindowRect(mWnd, &window);
      float x = 0.0f;
      float y = 0.0f;
      PointerFromPixels(static_cast<short>(LOWORD(lParam)) - window.left,
                        static_cast<short>(HIWORD(lParam)) - window.top, x, y);
      const int notches = platform::WheelNotches(GET_WHEEL_DELTA_WPARAM(wParam));
      WheelTurned(x, y, ModsFromKeyFlags(GET_KEYSTATE_WPARAM(wParam)), static_cast<float>(notches));
      return true;
    }
    case WM_MOUSELEAVE:
      PointerLeft();
      return true;
    default:
      return false;
  }
}

void IGraphicsWin::OnTouch(WPARAM wParam, LPARAM lParam)
{
  const UINT count = LOWORD(wParam);
  const auto handle = reinterpret_cast<HTOUCHINPUT>(lParam);
  std::vector<TOUCHINPUT> inputs(count);
  if (count == 0 || !GetTouchInputInfo(handle, count, inputs.data(), sizeof(TOUCHINPUT)))
    return;
  std::vector<IPointerEvent> downs;
  std::vector<IPointerEvent> ups;
  std::vector<IPointerEvent> drags;
  for (const TOUCHINPUT& t : inputs)
  {
    // Hundredths of a screen pixel.
    POINT p{t.x / 100, t.y / 100};
    ScreenToClient(mWnd, &p);
    IPointerEvent e;
    PointerFromPixels(p.x, p.y, e.x, e.y);
    // Touch ids are any DWORD, 0 included; 0 means the mouse to the context, so they are kept above it.
    e.ms.touchID = (ITouchID{1} << 32) | t.dwID;
    if ((t.dwMask & TOUCHINPUTMASKF_CONTACTAREA) != 0)
      e.ms.touchRadius = static_cast<float>(t.cxContact) / 100.0f / PixelScale();
    if ((t.dwFlags & TOUCHEVENTF_DOWN) != 0)
    {
      mActiveTouches[e.ms.touchID] = e;
      downs.push_back(e);
    }
    else if ((t.dwFlags & TOUCHEVENTF_UP) != 0)
    {
      mActiveTouches.erase(e.ms.touchID);
      ups.push_back(e);
    }
    else if ((t.dwFlags & TOUCHEVENTF_MOVE) != 0)
    {
      const auto it = mActiveTouches.find(e.ms.touchID);
      if (it != mActiveTouches.end())
      {
        e.dX = e.x - it->second.x;
        e.dY = e.y - it->second.y;
        it->second = e;
      }
      drags.push_back(e);
    }
  }
  CloseTouchInputHandle(handle);
  if (!downs.empty())
    PointerDown(downs);
  if (!ups.empty())
    PointerUp(ups);
  if (!drags.empty())
    PointerDrag(drags);
}

void IGraphicsWin::OnDropFiles(WPARAM dropHandle)
{
  const auto drop = reinterpret_cast<HDROP>(dropHandle);
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length > 0)
  {
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, 0, path.data(), length + 1);
    POINT p{};
    DragQueryPoint(drop, &p);
    float x = 0.0f;
    float y = 0.0f;
    PointerFromPixels(p.x, p.y, x, y);
    FileDropped(WideToUtf8(path.c_str(), static_cast<int>(length)).c_str(), x, y);
  }
  DragFinish(drop);
}

bool IGraphicsWin::OnKey(UINT msg, WPARAM wParam, LPARAM lParam)
{
  const bool up = msg == WM_KEYUP;
  BYTE state[256] = {};
  GetKeyboardState(state);
  // The high bit of the scan code tells the translation the key went up.
  const UINT scanCode = ((static_cast<UINT>(lParam) >> 16) & 0xFF) | (up ? 0x8000u : 0u);
  wchar_t text[4] = {};
  const int n = ToUnicode(static_cast<UINT>(wParam), scanCode, state, text, 4, 0);
  bool handled = false;
  if (n == 0 || n == 1)
  {
    IKeyPress key;
    if (n == 1 && !(text[0] >= 0xD800 && text[0] <= 0xDFFF))
    {
      const std::string utf8 = WideToUtf8(text, 1);
      std::copy_n(utf8.begin(), std::min(utf8.size(), sizeof key.mUtf8 - 1), key.mUtf8);
    }
    key.mVirtualKey = static_cast<int32_t>(wParam);
    key.mShift = GetKeyState(VK_SHIFT) < 0;
    key.mControl = GetKeyState(VK_CONTROL) < 0;
    key.mAlt = GetKeyState(VK_MENU) < 0;
    float x = 0.0f;
    float y = 0.0f;
    CursorPosition(x, y);
    handled = up ? OnKeyUp(x, y, key) : OnKeyDown(x, y, key);
  }
  if (handled)
    return true;
  // The host's own window sees what the editor did not use, so its shortcuts keep working.
  const HWND root = GetAncestor(mWnd, GA_ROOT);
  if (root != nullptr && root != mWnd)
    SendMessageW(root, msg, wParam, lParam);
  return false;
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
