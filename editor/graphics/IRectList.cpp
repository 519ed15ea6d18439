#include "editor/graphics/IRectList.h"

#include <algorithm>

namespace iplug::igraphics {

namespace {

bool HasArea(const IBounds& r) { return r.R > r.L && r.B > r.T; }

// Two disjoint rectangles sharing a whole edge form one rectangle.
bool TryMerge(const IBounds& a, const IBounds& b, IBounds& merged)
{
  if (a.T == b.T && a.B == b.B && (a.R == b.L || b.R == a.L))
  {
    merged = {std::min(a.L, b.L), a.T, std::max(a.R, b.R), a.B};
    return true;
  }
  if (a.L == b.L && a.R == b.R && (a.B == b.T || b.B == a.T))
  {
    merged = {a.L, std::min(a.T, b.T), a.R, std::max(a.B, b.B)};
    return true;
  }
  return false;
}

} // namespace

void SubtractRect(const IBounds& r, const IBounds& cut, std::vector<IBounds>& out)
{
  if (!r.Intersects(cut))
  {
    out.push_back(r);
    return;
  }
  if (cut.T > r.T)
    out.push_back({r.L, r.T, r.R, cut.T});
  if (cut.B < r.B)
    out.push_back({r.L, cut.B, r.R, r.B});
  const float t = std::max(r.T, cut.T);
  const float b = std::min(r.B, cut.B);
  if (cut.L > r.L)
    out.push_back({r.L, t, cut.L, b});
  if (cut.R < r.R)
    out.push_back({cut.R, t, r.R, b});
}

IBounds IRectList::Bounds() const
{
  IBounds u;
  for (const IBounds& r : mRects)
    u = u.Union(r);
  return u;
}

void IRectList::PixelSnap(float scale)
{
  for (IBounds& r : mRects)
    r = r.GetPixelSnapped(scale);
}

void IRectList::Optimize()
{
  // Larger rectangles first, so a contained one is always met after its container and vanishes whole.
  std::vector<IBounds> input;
  for (const IBounds& r : mRects)
    if (HasArea(r))
      input.push_back(r);
  std::stable_sort(input.begin(), input.end(), [](const IBounds& a, const IBounds& b) { return a.Area() > b.Area(); });

  std::vector<IBounds> result;
  for (const IBounds& r : input)
  {
    std::vector<IBounds> pieces{r};
    for (const IBounds& kept : result)
    {
      std::vector<IBounds> next;
      for (const IBounds& piece : pieces)
        SubtractRect(piece, kept, next);
      pieces.swap(next);
      if (pieces.empty())
        break;
    }
    result.insert(result.end(), pieces.begin(), pieces.end());
  }

  for (bool merged = true; merged;)
  {
    merged = false;
    for (size_t i = 0; i < result.size() && !merged; ++i)
    {
      for (size_t j = i + 1; j < result.size(); ++j)
      {
        IBounds m;
        if (TryMerge(result[i], result[j], m))
        {
          result[i] = m;
          result.erase(result.begin() + static_cast<std::ptrdiff_t>(j));
          merged = true;
          break;
        }
      }
    }
  }
  mRects = std::move(result);
}

} // namespace iplug::igraphics
