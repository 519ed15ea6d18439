#include "editor/backend/BitmapRef.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace iplug::igraphics {

namespace {

// pixels / scale truncated toward zero, or false when that is not a representable non-negative int
// (a float-to-int conversion out of range is undefined, so it is rejected first).
bool UnitsFromPixels(int pixels, float scale, int& units)
{
  if (pixels < 0 || !(scale > 0.0f) || !std::isfinite(scale))
    return false;
  const double v = static_cast<double>(pixels) / static_cast<double>(scale);
  if (!(v < static_cast<double>(std::numeric_limits<int>::max())))
    return false;
  units = static_cast<int>(v);
  return true;
}

} // namespace

IBitmapRef MakeBitmapRef(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, std::string name)
{
  if (bitmap == nullptr)
    return {};
  int w = 0;
  int h = 0;
  if (!UnitsFromPixels(bitmap->PixelWidth(), bitmap->SourceScale(), w) ||
      !UnitsFromPixels(bitmap->PixelHeight(), bitmap->SourceScale(), h))
    return {};
  return IBitmapRef(bitmap, w, h, nFrames, framesAreHorizontal, std::move(name));
}

IFrameOffset FrameSourceOffset(const IBitmapRef& bitmap, int frame)
{
  IFrameOffset offset;
  const int n = bitmap.N();
  if (n < 2)
    return offset;
  frame = std::clamp(frame, 1, n);
  // 64-bit product: (N - 1) * H can exceed int for tall strips even though the quotient fits.
  const auto at = [&](int extent) {
    return static_cast<int>(static_cast<std::int64_t>(frame - 1) * extent / n);
  };
  if (bitmap.mFramesAreHorizontal)
    offset.x = at(bitmap.W());
  else
    offset.y = at(bitmap.H());
  return offset;
}

} // namespace iplug::igraphics
