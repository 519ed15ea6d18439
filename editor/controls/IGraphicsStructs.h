#pragma once
// Plain value types shared by controls, the graphics context and the drawing back end. Coordinates
// are editor units; window pixels are units × draw scale × screen scale.

#include <cstdint>
#include <functional>
#include <string>

namespace iplug::igraphics {

class IControl;

// What a control does when the user changes it; also the shape of animation callbacks.
using ControlAction = std::function<void(IControl*)>;

using ITouchID = uint64_t;

struct IBounds
{
  float L = 0.0f;
  float T = 0.0f;
  float R = 0.0f;
  float B = 0.0f;

  IBounds() = default;
  IBounds(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0.0f && T == 0.0f && R == 0.0f && B == 0.0f; }
  float W() const { return R - L; }
  float H() const { return B - T; }
  float MW() const { return (L + R) / 2.0f; }
  float MH() const { return (T + B) / 2.0f; }
  float Area() const { return W() * H(); }
  // Half-open: the right and bottom edges are outside.
  bool Contains(float x, float y) const { return L <= x && x < R && T <= y && y < B; }
  bool Contains(const IBounds& other) const
  {
    return L <= other.L && T <= other.T && other.R <= R && other.B <= B;
  }
  bool Intersects(const IBounds& other) const
  {
    return L < other.R && other.L < R && T < other.B && other.T < B;
  }
  // Empty (all zero) when the two do not overlap.
  IBounds Intersect(const IBounds& other) const;
  // An empty operand yields the other one.
  IBounds Union(const IBounds& other) const;
  IBounds GetPadded(float d) const { return {L - d, T - d, R + d, B + d}; }
  IBounds GetTranslated(float dx, float dy) const { return {L + dx, T + dy, R + dx, B + dy}; }
  // Grows outward to whole pixels at `scale` pixels per unit.
  IBounds GetPixelSnapped(float scale) const;

  bool operator==(const IBounds&) const = default;
};

struct IColor
{
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;

  IColor() = default;
  IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor&) const = default;
};

enum class EBlend : int32_t
{
  SrcOver = 0,
  SrcIn,
  SrcOut,
  SrcAtop,
  DstOver,
  DstIn,
  DstOut,
  DstAtop,
  Add,
  XOR,
};

struct IBlendMode
{
  EBlend mMethod = EBlend::SrcOver;
  float mWeight = 1.0f;
};

// Opacity a drawing operation should use for an optional blend.
inline float BlendWeight(const IBlendMode* blend) { return blend ? blend->mWeight : 1.0f; }

enum class EAlign : int32_t
{
  Near = 0,
  Center = 1,
  Far = 2,
};

enum class EVAlign : int32_t
{
  Top = 0,
  Middle = 1,
  Bottom = 2,
};

struct ITextStyle
{
  static constexpr int kFontNameLength = 64;

  char mFont[kFontNameLength] = "Roboto-Regular";
  float mSize = 14.0f;
  IColor mFGColor{255, 0, 0, 0};
  IColor mTextEntryBGColor{255, 255, 255, 255};
  IColor mTextEntryFGColor{255, 0, 0, 0};
  float mAngle = 0.0f;
  EAlign mAlign = EAlign::Center;
  EVAlign mVAlign = EVAlign::Middle;

  ITextStyle() = default;
  // The font name is cut to fit; a null name keeps the default.
  ITextStyle(float size, const IColor& color, const char* font = nullptr);
};

struct IPointerMods
{
  bool L = false;
  bool R = false;
  bool S = false;
  bool C = false;
  bool A = false;
  ITouchID touchID = 0; // 0 for the mouse
  float touchRadius = 0.0f;

  bool IsTouch() const { return touchID != 0; }
};

struct IPointerEvent
{
  float x = 0.0f;
  float y = 0.0f;
  float dX = 0.0f;
  float dY = 0.0f;
  IPointerMods ms;
};

// A loaded image as the back end holds it. The back end owns it; controls only point at it.
class APIBitmap
{
public:
  APIBitmap(int handle, int width, int height, float sourceScale, float drawScale = 1.0f)
    : mHandle(handle), mWidth(width), mHeight(height), mScale(sourceScale), mDrawScale(drawScale)
  {
  }
  virtual ~APIBitmap();

  int Handle() const { return mHandle; }
  int PixelWidth() const { return mWidth; }
  int PixelHeight() const { return mHeight; }
  float SourceScale() const { return mScale; }
  float DrawScale() const { return mDrawScale; }

private:
  int mHandle;
  int mWidth;
  int mHeight;
  float mScale;
  float mDrawScale;
};

// A control's view of a film strip: size in editor units and how it divides into frames.
struct IBitmapRef
{
  APIBitmap* mAPIBitmap = nullptr;
  int mW = 0;
  int mH = 0;
  int mN = 0;
  bool mFramesAreHorizontal = false;
  std::string mResourceName;

  IBitmapRef() = default;
  IBitmapRef(APIBitmap* bitmap, int w, int h, int n, bool horizontal, std::string name)
    : mAPIBitmap(bitmap), mW(w), mH(h), mN(n), mFramesAreHorizontal(horizontal), mResourceName(std::move(name))
  {
  }

  bool IsValid() const { return mAPIBitmap != nullptr; }
  int W() const { return mW; }
  int H() const { return mH; }
  int N() const { return mN; }
  // An empty bitmap (N = 0) is never divided: its frame is the whole (zero) size.
  int FW() const { return mFramesAreHorizontal && mN > 0 ? mW / mN : mW; }
  int FH() const { return !mFramesAreHorizontal && mN > 0 ? mH / mN : mH; }
};

enum class EDirection : int32_t
{
  Vertical = 0,
  Horizontal = 1,
};

enum class ECursor : int32_t
{
  ARROW = 0,
  IBEAM,
  WAIT,
  CROSS,
  UPARROW,
  SIZENWSE,
  SIZENESW,
  SIZEWE,
  SIZENS,
  SIZEALL,
  INO,
  HAND,
  APPSTARTING,
  HELP,
};

// A recognised touch gesture; no control of this editor attaches gesture handlers.
struct IGestureInfo
{
  float x = 0.0f;
  float y = 0.0f;
  float scale = 0.0f;
  float velocity = 0.0f;
  float angle = 0.0f;
  int type = 0;
};

using IGestureFunc = std::function<void(IControl*, const IGestureInfo&)>;

} // namespace iplug::igraphics
