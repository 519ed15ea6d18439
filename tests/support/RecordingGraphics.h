#pragma once
// A graphics context without OpenGL or a window: every drawing call and platform request is recorded,
// bitmaps come from a table the test fills, and the animation clock is whatever the test sets.

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "editor/graphics/IGraphics.h"

namespace quorvane::test {

using namespace iplug::igraphics;

struct DrawCall
{
  std::string mOp;    // "bitmap", "triangle", "circle", "shadow", "fill", "stroke", "text"
  IBounds mRect;      // destination (bitmap, text, shadow outer)
  IBounds mClip;      // clip in force when the call was made
  int mSrcX = 0;
  int mSrcY = 0;
  float mWeight = 1.0f;
  IColor mColor;
  std::string mText;  // bitmap resource name, or the text drawn
};

class RecordingGraphics : public IGraphics
{
public:
  struct BitmapFile
  {
    int mPixelW;
    int mPixelH;
    float mScale;
  };

  RecordingGraphics(iplug::IGEditorDelegate& dlg, int w = 605, int h = 602)
    : IGraphics(dlg, w, h, 60, 1.0f)
  {
  }

  // The test's bitmaps: name asked for -> pixel size and the density it was drawn for.
  void AddBitmapFile(const std::string& name, int pixelW, int pixelH, float scale = 2.0f)
  {
    mFiles[name] = {pixelW, pixelH, scale};
  }

  double NowMs() const override { return mNow; }

  // Drawing
  void DrawBitmap(const IBitmapRef& bitmap, const IBounds& dest, int srcX, int srcY, const IBlendMode* blend) override
  {
    DrawCall c = Call("bitmap", blend);
    c.mRect = dest;
    c.mSrcX = srcX;
    c.mSrcY = srcY;
    c.mText = bitmap.mResourceName;
    mCalls.push_back(c);
  }
  void FillTriangle(const IColor& color, float x1, float y1, float, float y2, float x3, float,
                    const IBlendMode* blend) override
  {
    DrawCall c = Call("triangle", blend);
    c.mColor = color;
    c.mRect = IBounds(x1, y2, x3, y1);
    mCalls.push_back(c);
  }
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlendMode* blend) override
  {
    DrawCall c = Call("circle", blend);
    c.mColor = color;
    c.mRect = IBounds(cx - r, cy - r, cx + r, cy + r);
    mCalls.push_back(c);
  }
  void DrawFastDropShadow(const IBounds& inner, const IBounds& outer, float, float, float,
                          const IBlendMode* blend) override
  {
    DrawCall c = Call("shadow", blend);
    c.mRect = outer;
    mShadowInner = inner;
    mCalls.push_back(c);
  }
  void PathClear() override { ++mPathOps; }
  void PathMoveTo(float, float) override { ++mPathOps; }
  void PathLineTo(float, float) override { ++mPathOps; }
  void PathArc(float, float, float, float, float) override { ++mPathOps; }
  void PathClose() override { ++mPathOps; }
  void PathFill(const IColor& color, const IBlendMode* blend) override
  {
    DrawCall c = Call("fill", blend);
    c.mColor = color;
    mCalls.push_back(c);
  }
  void PathStroke(const IColor& color, float, const IBlendMode* blend) override
  {
    DrawCall c = Call("stroke", blend);
    c.mColor = color;
    mCalls.push_back(c);
  }
  void DrawText(const ITextStyle&, const char* str, const IBounds& bounds, const IBlendMode* blend) override
  {
    DrawCall c = Call("text", blend);
    c.mRect = bounds;
    c.mText = str;
    mCalls.push_back(c);
  }
  // 7 units per character, one line of the style's size.
  float MeasureText(const ITextStyle& style, const char* str, IBounds& bounds) const override
  {
    const float w = 7.0f * static_cast<float>(std::strlen(str));
    bounds = IBounds(0.0f, 0.0f, w, style.mSize);
    return w;
  }
  void PathClipRegion(const IBounds& bounds) override { mCurrentClip = bounds; }
  void PathTransformSave() override { ++mSaveDepth; }
  void PathTransformRestore() override
  {
    --mSaveDepth;
    mCurrentClip = IBounds();
  }
  void PathTransformReset() override {}
  void BeginFrame() override { ++mFramesBegun; }
  void EndFrame() override { ++mFramesEnded; }
  void RebuildFrameBuffer() override { ++mFrameBufferRebuilds; }
  IBitmapRef LoadBitmapResource(const char* name, int nStates = 1, bool horizontal = false,
                                int targetScale = 0) override
  {
    mLoads.push_back(std::string(name) + "@" + std::to_string(targetScale));
    auto it = mFiles.find(name);
    if (it == mFiles.end())
      return {};
    const BitmapFile& f = it->second;
    mImages.push_back(std::make_unique<APIBitmap>(static_cast<int>(mImages.size()) + 1, f.mPixelW, f.mPixelH, f.mScale));
    return IBitmapRef(mImages.back().get(), static_cast<int>(static_cast<float>(f.mPixelW) / f.mScale),
                      static_cast<int>(static_cast<float>(f.mPixelH) / f.mScale), nStates, horizontal, name);
  }
  bool LoadFontResource(const char*, const char*) override { return true; }

  // Platform
  void* OpenPlatformWindow(void*) override
  {
    ++mWindowOpens;
    return this;
  }
  void ClosePlatformWindow() override { ++mWindowCloses; }
  void ResizePlatformWindow(bool parentHasResized) override { mPlatformResizes.push_back(parentHasResized); }
  void HidePlatformPointer(bool hide, bool lock) override
  {
    mCursorRequests.push_back(hide ? (lock ? "hide+lock" : "hide") : "show");
  }
  void WarpPointer(float, float) override {}
  void ApplyPlatformCursor(ECursor cursor) override { mCursorShapes.push_back(cursor); }
  bool HasMultiTouchSupport() const override { return false; }
  void CreatePlatformTextEntry(int paramIdx, const ITextStyle&, const IBounds& bounds, int, const char* str) override
  {
    mTextEntries.push_back({paramIdx, bounds, str});
  }
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IBounds&, bool& isAsync) override
  {
    isAsync = false;
    mMenusShown.push_back(menu.NItems());
    if (mMenuChoice < 0)
      return nullptr;
    menu.SetChosenItemIdx(mMenuChoice);
    return &menu;
  }

  // Only the calls painted for controls since the last ClearCalls().
  std::vector<DrawCall> CallsOf(const std::string& op) const
  {
    std::vector<DrawCall> out;
    for (const DrawCall& c : mCalls)
      if (c.mOp == op)
        out.push_back(c);
    return out;
  }
  void ClearCalls() { mCalls.clear(); }

  struct TextEntry
  {
    int mParamIdx;
    IBounds mBounds;
    std::string mText;
  };

  double mNow = 0.0;
  int mMenuChoice = -1; // what the synchronous menu answers; -1 dismisses it
  std::vector<DrawCall> mCalls;
  IBounds mCurrentClip;
  IBounds mShadowInner;
  int mSaveDepth = 0;
  int mPathOps = 0;
  int mFramesBegun = 0;
  int mFramesEnded = 0;
  int mFrameBufferRebuilds = 0;
  int mWindowOpens = 0;
  int mWindowCloses = 0;
  std::vector<std::string> mLoads;
  std::vector<bool> mPlatformResizes;
  std::vector<std::string> mCursorRequests;
  std::vector<ECursor> mCursorShapes;
  std::vector<TextEntry> mTextEntries;
  std::vector<int> mMenusShown;

private:
  DrawCall Call(const char* op, const IBlendMode* blend) const
  {
    DrawCall c;
    c.mOp = op;
    c.mClip = mCurrentClip;
    c.mWeight = BlendWeight(blend);
    return c;
  }

  std::map<std::string, BitmapFile> mFiles;
  std::vector<std::unique_ptr<APIBitmap>> mImages;
};

} // namespace quorvane::test
