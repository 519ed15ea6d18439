#pragma once

#include "editor/controls/IGraphicsStructs.h"

#include <string>

namespace iplug::igraphics {

// The control-facing description of a loaded image: its size in editor units (pixels divided by the
// density it was drawn for), frame count, orientation and the name it was asked for. A null bitmap,
// or one whose size cannot be expressed in editor units, gives the empty IBitmapRef.
IBitmapRef MakeBitmapRef(APIBitmap* bitmap, int nFrames, bool framesAreHorizontal, std::string name);

// Source offset of frame `frame` (1-based) within a strip, in integer editor units.
struct IFrameOffset
{
  int x = 0;
  int y = 0;
};

// For N >= 2 the frame is limited to [1, N] and frame i starts at (i - 1) * W / N (horizontal) or
// (i - 1) * H / N (vertical); frame 1, single images and the empty bitmap start at 0.
IFrameOffset FrameSourceOffset(const IBitmapRef& bitmap, int frame);

} // namespace iplug::igraphics
