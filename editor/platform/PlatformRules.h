#pragma once
// The platform windows' arithmetic and tables, kept free of any windowing API so they can be checked on
// every platform: the tick interval, pixel and editor-unit rectangles, and for Windows the pen-and-touch
// signature, the wheel, the system cursor for each kind, the version that has vertical-blank waits, and
// which vertical-blank messages are served.

#include <cmath>
#include <cstdint>

#include "editor/controls/IGraphicsStructs.h"

namespace iplug::igraphics::platform {

// The tick interval (ms) at a frame rate: 1000 / fps, but 15 when that is below 20.
constexpr int TimerIntervalMs(int fps)
{
  const int interval = fps > 0 ? 1000 / fps : 15;
  return interval < 20 ? 15 : interval;
}

// A rectangle of window pixels.
struct PixelRect
{
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Editor units to the pixels that cover them: outward to whole pixels.
inline PixelRect UnitsToPixels(const IBounds& r, float scale)
{
  return {static_cast<int>(std::floor(r.L * scale)), static_cast<int>(std::floor(r.T * scale)),
          static_cast<int>(std::ceil(r.R * scale)), static_cast<int>(std::ceil(r.B * scale))};
}

// Window pixels to the editor units that cover them: outward to whole units.
inline IBounds PixelsToUnits(const PixelRect& r, float scale)
{
  return {std::floor(static_cast<float>(r.left) / scale), std::floor(static_cast<float>(r.top) / scale),
          std::ceil(static_cast<float>(r.right) / scale), std::ceil(static_cast<float>(r.bottom) / scale)};
}

// Mouse messages that the system makes from pen or touch input carry this in their extra information.
constexpr bool IsPenOrTouch(std::uintptr_t extraInfo)
{
  return (extraInfo & 0xFFFFFF00u) == 0xFF515700u;
}

// Whole wheel notches in a wheel delta (120 per notch), towards zero.
constexpr int WheelNotches(int delta)
{
  return delta / 120;
}

// The system cursor (its IDC_ resource number) for each cursor kind.
constexpr int SystemCursorId(ECursor cursor)
{
  switch (cursor)
  {
    case ECursor::ARROW: return 32512;       // IDC_ARROW
    case ECursor::IBEAM: return 32513;       // IDC_IBEAM
    case ECursor::WAIT: return 32514;        // IDC_WAIT
    case ECursor::CROSS: return 32515;       // IDC_CROSS
    case ECursor::UPARROW: return 32516;     // IDC_UPARROW
    case ECursor::SIZENWSE: return 32642;    // IDC_SIZENWSE
    case ECursor::SIZENESW: return 32643;    // IDC_SIZENESW
    case ECursor::SIZEWE: return 32644;      // IDC_SIZEWE
    case ECursor::SIZENS: return 32645;      // IDC_SIZENS
    case ECursor::SIZEALL: return 32646;     // IDC_SIZEALL
    case ECursor::INO: return 32648;         // IDC_NO
    case ECursor::HAND: return 32649;        // IDC_HAND
    case ECursor::APPSTARTING: return 32650; // IDC_APPSTARTING
    case ECursor::HELP: return 32651;        // IDC_HELP
  }
  return 32512;
}

// Waiting for the display's vertical blank needs Windows 8 (6.2) or later.
constexpr bool HasVerticalBlankWaits(unsigned long major, unsigned long minor)
{
  return major > 6 || (major == 6 && minor >= 2);
}

// Which vertical-blank messages the window serves. A message carries the counter value it was posted
// with; behind a slow paint several queue up, and only the newest is worth a frame. After a paint during
// which the counter moved on, the blank that arrived mid-paint is skipped too, so frames do not pile up.
// The counter wraps; differences are taken modulo 2^32.
class VBlankGate
{
public:
  // Whether the message posted at `posted` is served now that the counter stands at `current`.
  bool Serve(std::uint32_t posted, std::uint32_t current)
  {
    if (mSkipping && static_cast<std::int32_t>(current - mSkipUntil) < 0)
      return false;
    mSkipping = false;
    return posted == current;
  }

  // After a paint that began at counter `before` and ended at `after`.
  void Painted(std::uint32_t before, std::uint32_t after)
  {
    if (after != before)
    {
      mSkipping = true;
      mSkipUntil = after + 1;
    }
  }

private:
  bool mSkipping = false;
  std::uint32_t mSkipUntil = 0;
};

} // namespace iplug::igraphics::platform
