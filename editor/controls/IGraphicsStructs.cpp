#include "editor/controls/IGraphicsStructs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplug::igraphics {

IBounds IBounds::Intersect(const IBounds& other) const
{
  if (!Intersects(other))
    return {};
  return {std::max(L, other.L), std::max(T, other.T), std::min(R, other.R), std::min(B, other.B)};
}

IBounds IBounds::Union(const IBounds& other) const
{
  if (Empty())
    return other;
  if (other.Empty())
    return *this;
  return {std::min(L, other.L), std::min(T, other.T), std::max(R, other.R), std::max(B, other.B)};
}

IBounds IBounds::GetPixelSnapped(float scale) const
{
  return {std::floor(L * scale) / scale, std::floor(T * scale) / scale, std::ceil(R * scale) / scale,
          std::ceil(B * scale) / scale};
}

ITextStyle::ITextStyle(float size, const IColor& color, const char* font)
  : mSize(size)
  , mFGColor(color)
{
  if (font)
  {
    std::strncpy(mFont, font, kFontNameLength - 1);
    mFont[kFontNameLength - 1] = '\0';
  }
}

APIBitmap::~APIBitmap() = default;

} // namespace iplug::igraphics
