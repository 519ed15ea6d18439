// Input for the Windows window: mouse, pen and touch messages, dropped files and keys, as editor events.
#include "editor/platform/IGraphicsWin.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "IPlug/IGEditorDelegate.h"
#include "editor/platform/IGraphicsWin_Shared.h"

namespace iplug::igraphics {

using win::WideToUtf8;

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
  // The host's own window sees what the editor did not use, so its shortcuts keep working. The host may
  // close the editor in answer, so nothing of this object is touched after the forwarding.
  const HWND root = GetAncestor(mWnd, GA_ROOT);
  if (root != nullptr && root != mWnd)
    SendMessageW(root, msg, wParam, lParam);
  return false;
}

} // namespace iplug::igraphics
