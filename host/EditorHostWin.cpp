// The host's editor windows on Windows: a top-level window holding a child container window, which is the
// window the view container hands to the editor (as DAWs nest a plug-in's view), and the top-level's
// pixels read back from the screen. Their messages arrive through the thread's message pump
// (HostModule::PumpRunLoop), which also carries the plug-ins' timer ticks.

#include "host/HostPlatform.h"
#include "host/HostWindows.h"

#include <windows.h>

#include <GL/gl.h>

#include <algorithm>

namespace quorvane::host {

namespace {

constexpr const wchar_t* kTopLevelClass = L"QuorvaneHostWindow";
constexpr const wchar_t* kContainerClass = L"QuorvaneHostContainer";
constexpr DWORD kTopLevelStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Wine (8) never puts an OpenGL child window's pixels on the screen: it composites them only for top-level
// windows. There the capture reads the editor's pixels back through OpenGL instead.
bool RunningUnderWine()
{
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

// A window that draws with OpenGL, repainted whole now, read back from its back buffer (which holds the
// frame just presented) through a context of our own on its device context: RGB rows, top row first.
bool ReadOpenGLWindow(HWND window, std::vector<uint8_t>& rgb, int& width, int& height)
{
  RECT r{};
  HDC dc = GetClientRect(window, &r) ? GetDC(window) : nullptr;
  if (!dc)
    return false;
  width = r.right;
  height = r.bottom;
  bool read = false;
  if (GetPixelFormat(dc) != 0 && width > 0 && height > 0)
  {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOERASE);
    const HGLRC previous = wglGetCurrentContext();
    const HDC previousDC = wglGetCurrentDC();
    const HGLRC context = wglCreateContext(dc);
    if (context && wglMakeCurrent(dc, context))
    {
      std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadBuffer(GL_BACK);
      glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
      read = glGetError() == GL_NO_ERROR;
      rgb.resize(static_cast<size_t>(width) * height * 3);
      for (int y = 0; y < height; ++y) // OpenGL's rows start at the bottom
        for (int x = 0; x < width; ++x)
          std::copy_n(rgba.data() + (static_cast<size_t>(height - 1 - y) * width + x) * 4, 3,
                      rgb.data() + (static_cast<size_t>(y) * width + x) * 3);
    }
    wglMakeCurrent(previousDC, previous);
    if (context)
      wglDeleteContext(context);
  }
  ReleaseDC(window, dc);
  return read;
}

class Win32Windows final : public HostWindows
{
public:
  Win32Windows() = default;
  ~Win32Windows() override { Destroy(); }
  Win32Windows(const Win32Windows&) = delete;
  Win32Windows& operator=(const Win32Windows&) = delete;

  bool Connect(double screenScale, std::string& error) override;
  bool Create(int width, int height, std::string& error) override;
  void Destroy() override;
  void Resize(int width, int height) override;
  NativeWindow TopLevel() const override { return reinterpret_cast<NativeWindow>(mTopLevel); }
  NativeWindow Container() const override { return reinterpret_cast<NativeWindow>(mContainer); }
  NativeWindow EditorWindow() const override
  {
    return mContainer ? reinterpret_cast<NativeWindow>(GetWindow(mContainer, GW_CHILD)) : 0;
  }
  void TopLevelSize(int& width, int& height) const override;
  void Pump() override {}
  bool Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const override;
  void* Display() const override { return nullptr; }

private:
  static LRESULT CALLBACK TopLevelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The top-level's outer size for a client area of width x height.
  static SIZE OuterSize(int width, int height);

  HWND mTopLevel = nullptr;
  HWND mContainer = nullptr;
};

bool Win32Windows::Connect(double screenScale, std::string& error)
{
  if (screenScale > 0.0)
  {
    error = "--scale is for X11: on Windows the editor takes the display's own density (under Wine, the "
            "LogPixels value in HKCU\\Control Panel\\Desktop)";
    return false;
  }
  platform::PrepareProcess();
  // The classes live as long as the process: every editor host uses them.
  static const bool registered = [] {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW top{};
    top.cbSize = sizeof top;
    top.lpfnWndProc = TopLevelProc;
    top.hInstance = instance;
    top.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // Black until the editor's first frame: WaitForFirstFrame looks for anything else.
    top.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    top.lpszClassName = kTopLevelClass;
    WNDCLASSEXW container = top;
    container.lpfnWndProc = DefWindowProcW;
    container.lpszClassName = kContainerClass;
    return RegisterClassExW(&top) != 0 && RegisterClassExW(&container) != 0;
  }();
  if (!registered)
    error = "cannot register the host's window classes";
  return registered;
}

SIZE Win32Windows::OuterSize(int width, int height)
{
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, kTopLevelStyle, FALSE, 0);
  return {r.right - r.left, r.bottom - r.top};
}

bool Win32Windows::Create(int width, int height, std::string& error)
{
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const SIZE outer = OuterSize(width, height);
  // At the screen's top-left: the capture reads the screen, so all of the window must be on it.
  mTopLevel = CreateWindowExW(0, kTopLevelClass, L"Quorvane", kTopLevelStyle, 0, 0, outer.cx, outer.cy, nullptr,
                              nullptr, instance, this);
  if (mTopLevel)
    mContainer = CreateWindowExW(0, kContainerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 0, 0, width, height, mTopLevel, nullptr, instance, nullptr);
  if (!mTopLevel || !mContainer)
  {
    error = "cannot create the host window (no desktop to show it on? under Wine, DISPLAY must name an X display)";
    Destroy();
    return false;
  }
  ShowWindow(mTopLevel, SW_SHOWNORMAL);
  UpdateWindow(mTopLevel);
  return true;
}

void Win32Windows::Destroy()
{
  if (mTopLevel)
    DestroyWindow(mTopLevel); // the container with it
  mTopLevel = nullptr;
  mContainer = nullptr;
}

void Win32Windows::Resize(int width, int height)
{
  if (!mTopLevel)
    return;
  constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(mContainer, nullptr, 0, 0, width, height, kSizeOnly);
  const SIZE outer = OuterSize(width, height);
  SetWindowPos(mTopLevel, nullptr, 0, 0, outer.cx, outer.cy, kSizeOnly);
}

void Win32Windows::TopLevelSize(int& width, int& height) const
{
  RECT r{};
  if (!mTopLevel || !GetClientRect(mTopLevel, &r))
  {
    width = height = 0;
    return;
  }
  width = r.right - r.left;
  height = r.bottom - r.top;
}

LRESULT CALLBACK Win32Windows::TopLevelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<Win32Windows*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self)
  {
    switch (msg)
    {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        // What the editor passes on lands here: a DAW's shortcuts would run now.
        ++self->mKeysForwarded;
        return 0;
      case WM_CLOSE:
        // The host decides when its windows go (the editor closes first).
        self->mCloseRequested = true;
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool Win32Windows::Capture(std::vector<uint8_t>& rgb, int& width, int& height, std::string& error) const
{
  // From the screen, not the window's device context: the editor draws with OpenGL into its own child
  // window, whose pixels only the screen holds.
  TopLevelSize(width, height);
  POINT origin{0, 0};
  ClientToScreen(mTopLevel, &origin);
  error = "cannot read the window's pixels";
  if (width < 1 || height < 1)
    return false;
  HDC screen = GetDC(nullptr);
  HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  HGDIOBJ previous = bitmap ? SelectObject(memory, bitmap) : nullptr;
  const bool copied =
    bitmap && BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY | CAPTUREBLT) && GdiFlush();
  if (copied)
  {
    rgb.resize(static_cast<size_t>(width) * height * 3);
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i)
    {
      rgb[3 * i] = bgrx[4 * i + 2];
      rgb[3 * i + 1] = bgrx[4 * i + 1];
      rgb[3 * i + 2] = bgrx[4 * i];
    }
    error.clear();
  }
  if (previous)
    SelectObject(memory, previous);
  if (bitmap)
    DeleteObject(bitmap);
  if (memory)
    DeleteDC(memory);
  if (screen)
    ReleaseDC(nullptr, screen);
  if (!copied || !RunningUnderWine())
    return copied;

  // Wine: the editor's own pixels over what the screen shows of it.
  const HWND editor = reinterpret_cast<HWND>(EditorWindow());
  std::vector<uint8_t> pixels;
  int w = 0;
  int h = 0;
  POINT at{0, 0};
  if (!editor || !ReadOpenGLWindow(editor, pixels, w, h))
    return true; // no OpenGL window (yet): the screen is all there is
  MapWindowPoints(editor, mTopLevel, &at, 1);
  const int left = static_cast<int>(at.x);
  const int top = static_cast<int>(at.y);
  const int x0 = std::max(0, -left);
  const int x1 = std::min(w, width - left);
  for (int y = std::max(0, -top); y < h && top + y < height && x1 > x0; ++y)
    std::copy_n(pixels.data() + (static_cast<size_t>(y) * w + x0) * 3, static_cast<size_t>(x1 - x0) * 3,
                rgb.data() + (static_cast<size_t>(top + y) * width + left + x0) * 3);
  return true;
}

} // namespace

std::unique_ptr<HostWindows> HostWindows::Make() { return std::make_unique<Win32Windows>(); }

} // namespace quorvane::host
