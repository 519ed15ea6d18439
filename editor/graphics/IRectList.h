#pragma once
// The invalid rectangles of one frame, and the rewrite that lets the draw pass paint each area once:
// contained rectangles go, overlaps are cut away, neighbours that form a rectangle are merged.

#include <vector>

#include "editor/controls/IGraphicsStructs.h"

namespace iplug::igraphics {

class IRectList
{
public:
  // any thread (a plain value)
  void Add(const IBounds& bounds) { mRects.push_back(bounds); }
  void Clear() { mRects.clear(); }
  int Size() const { return static_cast<int>(mRects.size()); }
  bool Empty() const { return mRects.empty(); }
  const IBounds& Get(int i) const { return mRects[static_cast<size_t>(i)]; }
  const std::vector<IBounds>& Rects() const { return mRects; }

  // The union of all rectangles (empty for an empty list).
  IBounds Bounds() const;
  // Grows every rectangle outward to whole pixels at `scale` pixels per unit.
  void PixelSnap(float scale);
  // Rewrites the list into pairwise disjoint rectangles covering exactly the same area. Rectangles of
  // zero area are dropped.
  void Optimize();

private:
  std::vector<IBounds> mRects;
};

// The parts of `r` outside `cut` (up to four rectangles), appended to `out`.
void SubtractRect(const IBounds& r, const IBounds& cut, std::vector<IBounds>& out);

} // namespace iplug::igraphics
