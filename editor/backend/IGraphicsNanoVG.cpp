#include "editor/backend/IGraphicsNanoVG.h"

#include "editor/backend/OpenGL.h"

#define NANOVG_GL2 1
#include "nanovg.h"
#include "nanovg_gl.h"
#include "nanovg_gl_utils.h"

#include "editor/backend/BitmapRef.h"
#include "editor/backend/ResourceSearch.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <numbers>

namespace iplug::igraphics {

namespace {

// ------------------------------------------------------------------------------ process-wide fonts

// Shared by every editor of the process, so two editors opening at once share one copy of a font's
// bytes. Each cache has its own lock and a count of the live window objects; the last window object
// to go empties it.
struct FontCaches
{
  std::mutex dataMutex;
  int dataCount = 0;
  std::map<std::string, std::vector<unsigned char>> data;

  std::mutex handleMutex;
  int handleCount = 0;
  std::map<std::string, std::unique_ptr<PlatformFont>> handles;

  std::mutex installMutex;
  int installCount = 0;
  std::vector<std::unique_ptr<InstalledFont>> installed;

  // Held while a platform font is created, so two windows never install the same bytes twice.
  std::mutex fontMutex;
};

FontCaches& Fonts()
{
  static FontCaches caches;
  return caches;
}

void KeepInstalledFont(std::unique_ptr<InstalledFont> font)
{
  FontCaches& f = Fonts();
  std::lock_guard lock(f.installMutex);
  f.installed.push_back(std::move(font));
}

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

NVGcolor ToNVG(const IColor& c, float alphaScale = 1.0f)
{
  return nvgRGBAf(static_cast<float>(c.R) / 255.0f, static_cast<float>(c.G) / 255.0f,
                  static_cast<float>(c.B) / 255.0f, static_cast<float>(c.A) / 255.0f * alphaScale);
}

int CompositeOperation(EBlend method)
{
  switch (method)
  {
    case EBlend::SrcOver: return NVG_SOURCE_OVER;
    case EBlend::SrcIn: return NVG_SOURCE_IN;
    case EBlend::SrcOut: return NVG_SOURCE_OUT;
    case EBlend::SrcAtop: return NVG_ATOP;
    case EBlend::DstOver: return NVG_DESTINATION_OVER;
    case EBlend::DstIn: return NVG_DESTINATION_IN;
    case EBlend::DstOut: return NVG_DESTINATION_OUT;
    case EBlend::DstAtop: return NVG_DESTINATION_ATOP;
    case EBlend::Add: return NVG_LIGHTER;
    case EBlend::XOR: return NVG_XOR;
  }
  return NVG_SOURCE_OVER;
}

// Degrees clockwise from 12 o'clock to the renderer's radians clockwise from 3 o'clock.
float ArcRadians(float degrees)
{
  return (degrees - 90.0f) * std::numbers::pi_v<float> / 180.0f;
}

} // namespace

// ------------------------------------------------------------------------------------------ Bitmap

IGraphicsNanoVG::Bitmap::Bitmap(NVGcontext* context, int image, int width, int height, float sourceScale,
                                float drawScale)
  : APIBitmap(image, width, height, sourceScale, drawScale), mContext(context)
{
}

IGraphicsNanoVG::Bitmap::Bitmap(NVGcontext* context, int width, int height, float sourceScale, float drawScale)
  : Bitmap(context, nvgluCreateFramebuffer(context, width, height, 0), width, height, sourceScale, drawScale)
{
}

IGraphicsNanoVG::Bitmap::Bitmap(NVGcontext* context, NVGLUframebuffer* fb, int width, int height,
                                float sourceScale, float drawScale)
  : APIBitmap(fb ? fb->image : 0, width, height, sourceScale, drawScale), mContext(context), mFrameBuffer(fb)
{
}

IGraphicsNanoVG::Bitmap::~Bitmap()
{
  if (mFrameBuffer)
    nvgluDeleteFramebuffer(mFrameBuffer);
  else if (Handle() > 0)
    nvgDeleteImage(mContext, Handle());
}

// -------------------------------------------------------------------------------- construction

IGraphicsNanoVG::FontCacheCounts IGraphicsNanoVG::GetFontCacheCounts()
{
  FontCaches& f = Fonts();
  FontCacheCounts counts;
  {
    std::lock_guard lock(f.dataMutex);
    counts.windows = f.dataCount;
    counts.fontData = static_cast<int>(f.data.size());
  }
  {
    std::lock_guard lock(f.handleMutex);
    counts.platformFonts = static_cast<int>(f.handles.size());
  }
  {
    std::lock_guard lock(f.installMutex);
    counts.installedFonts = static_cast<int>(f.installed.size());
  }
  return counts;
}

IGraphicsNanoVG::IGraphicsNanoVG(IGEditorDelegate& dlg, int w, int h, int fps, float drawScale)
  : IGraphics(dlg, w, h, fps, drawScale)
{
  FontCaches& f = Fonts();
  {
    std::lock_guard lock(f.dataMutex);
    ++f.dataCount;
  }
  {
    std::lock_guard lock(f.handleMutex);
    ++f.handleCount;
  }
  {
    std::lock_guard lock(f.installMutex);
    ++f.installCount;
  }
}

IGraphicsNanoVG::~IGraphicsNanoVG()
{
  FontCaches& f = Fonts();
  {
    std::lock_guard lock(f.installMutex);
    if (--f.installCount == 0)
      f.installed.clear();
  }
  {
    std::lock_guard lock(f.handleMutex);
    if (--f.handleCount == 0)
      f.handles.clear();
  }
  {
    std::lock_guard lock(f.dataMutex);
    if (--f.dataCount == 0)
      f.data.clear();
  }
  // The window closes the renderer (releasing every image and layer) before this runs; anything
  // still here would belong to a renderer that is gone, so it is dropped without renderer calls.
  for (CachedBitmap& e : mBitmapCache)
    (void)e.bitmap.release();
  (void)mLayer.release();
  for (auto& layer : mDeferredLayers)
    (void)layer.release();
}

bool IGraphicsNanoVG::OnViewInitialized()
{
  if (mVG)
    return true;
  mVG = nvgCreateGL2(NVG_ANTIALIAS);
  if (!mVG)
    return false;
  GLint fbo = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
  mInitialFBO = fbo;
  return true;
}

void IGraphicsNanoVG::OnViewDestroyed()
{
  {
    std::lock_guard lock(mBitmapCacheMutex);
    mBitmapCache.clear();
  }
  mLayer.reset();
  mDeferredLayers.clear();
  if (mVG)
    nvgDeleteGL2(mVG);
  mVG = nullptr;
  mInitialFBO = -1;
  mInDraw = false;
}

// ------------------------------------------------------------------------------------ resources

int IGraphicsNanoVG::CachedBitmapCount() const
{
  std::lock_guard lock(mBitmapCacheMutex);
  return static_cast<int>(mBitmapCache.size());
}

IBitmapRef IGraphicsNanoVG::LoadBitmapResource(const char* name, int nStates, bool framesAreHorizontal,
                                               int targetScale)
{
  if (name == nullptr)
    return {};
  if (targetScale == 0)
    targetScale = static_cast<int>(std::ceil(GetScreenScale()));
  const std::string requested(name);

  std::lock_guard lock(mBitmapCacheMutex);
  for (const CachedBitmap& e : mBitmapCache)
  {
    if (e.scale == targetScale && e.name == requested)
      return MakeBitmapRef(e.bitmap.get(), nStates, framesAreHorizontal, requested);
  }

  const BitmapLocation where = LocateBitmap(GetResourceSource(), requested, targetScale);
  if (!where.Found() || mVG == nullptr)
    return {};

  std::vector<unsigned char> fileBytes;
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  if (where.location == EResourceLocation::Resource)
  {
    const ResourceBytes bytes = ResourceBytesFor(GetResourceSource(), where.path, where.extension);
    data = bytes.data;
    size = bytes.size;
  }
  else if (ReadFile(where.path, fileBytes) && fileBytes.size() >= IResourceSource::kMinResourceSize)
  {
    data = fileBytes.data();
    size = fileBytes.size();
  }
  if (data == nullptr || size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return {};

  int image = 0;
  int w = 0;
  int h = 0;
  {
    ScopedGLContext gl(*this);
    if (!gl.Active())
      return {};
    // The renderer takes a mutable pointer but only reads the bytes.
    image = nvgCreateImageMem(mVG, 0, const_cast<unsigned char*>(data), static_cast<int>(size));
    if (image > 0)
      nvgImageSize(mVG, image, &w, &h);
  }
  if (image <= 0)
    return {};
  ++mUploads;

  auto bitmap = std::make_unique<Bitmap>(mVG, image, w, h, static_cast<float>(where.foundScale), 1.0f);
  Bitmap* raw = bitmap.get();
  mBitmapCache.push_back({requested, targetScale, std::move(bitmap)});
  return MakeBitmapRef(raw, nStates, framesAreHorizontal, requested);
}

bool IGraphicsNanoVG::LoadFontResource(const char* fontID, const char* fileNameOrResID)
{
  if (fontID == nullptr || fileNameOrResID == nullptr || *fontID == '\0' || mVG == nullptr)
    return false;
  const std::string id(fontID);
  FontCaches& f = Fonts();

  // 1. The platform font, made from the resource or file. Declared first, the installation goes last:
  // a platform font must never outlive what it was made from.
  std::unique_ptr<InstalledFont> installed;
  std::unique_ptr<PlatformFont> font;
  {
    std::lock_guard lock(f.fontMutex);
    std::string path;
    const std::string name(fileNameOrResID);
    const EResourceLocation where = LocateResource(GetResourceSource(), name, "ttf", path);
    if (where == EResourceLocation::Resource)
    {
      const ResourceBytes bytes = ResourceBytesFor(GetResourceSource(), path, "ttf");
      if (bytes.Found())
        font = CreatePlatformFont(bytes.data, bytes.size, {}, installed);
    }
    else if (where == EResourceLocation::File)
    {
      std::vector<unsigned char> bytes;
      if (ReadFile(path, bytes) && bytes.size() >= IResourceSource::kMinResourceSize)
        font = CreatePlatformFont(nullptr, 0, std::move(bytes), installed);
    }
    if (!font)
      return false;
  }

  // 2. The bytes handed to this renderer, shared through the process-wide cache.
  bool registered = nvgFindFont(mVG, id.c_str()) >= 0;
  if (!registered)
  {
    std::lock_guard lock(f.dataMutex);
    auto it = f.data.find(id);
    if (it == f.data.end())
    {
      const FontData data = font->GetFontData();
      if (data.IsValid() && data.size <= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        it = f.data.emplace(id, std::vector<unsigned char>(data.data, data.data + data.size)).first;
    }
    if (it != f.data.end())
      registered = nvgCreateFontMem(mVG, id.c_str(), it->second.data(), static_cast<int>(it->second.size()), 0) >= 0;
  }

  // 3. The first font made for an identifier is kept as its handle (it owns or borrows its bytes for as
  // long as it lives), and its installation with it until the last window goes; any later one goes now.
  if (registered)
  {
    bool kept = false;
    {
      std::lock_guard lock(f.handleMutex);
      kept = f.handles.try_emplace(id, std::move(font)).second;
    }
    if (kept && installed)
      KeepInstalledFont(std::move(installed));
  }
  return registered;
}

std::unique_ptr<PlatformFont> IGraphicsNanoVG::CreatePlatformFont(const unsigned char* data, std::size_t size,
                                                                  std::vector<unsigned char> owned,
                                                                  std::unique_ptr<InstalledFont>&)
{
  return MemoryFont::Create(data, size, std::move(owned));
}

// ---------------------------------------------------------------------------------------- frame

int IGraphicsNanoVG::LayerPixelWidth() const { return mLayer ? mLayer->PixelWidth() : 0; }
int IGraphicsNanoVG::LayerPixelHeight() const { return mLayer ? mLayer->PixelHeight() : 0; }

void IGraphicsNanoVG::RebuildFrameBuffer()
{
  if (mVG == nullptr)
    return;
  ScopedGLContext gl(*this);
  if (!gl.Active())
    return;
  if (mLayer)
  {
    // A layer being drawn into must outlive the frame.
    if (mInDraw)
      mDeferredLayers.push_back(std::move(mLayer));
    else
      mLayer.reset();
  }
  const int w = WindowPixelWidth();
  const int h = WindowPixelHeight();
  if (w <= 0 || h <= 0)
    return;
  auto layer = std::make_unique<Bitmap>(mVG, w, h, GetScreenScale(), GetDrawScale());
  if (layer->IsValid())
    mLayer = std::move(layer);
  // The frame buffer helper leaves its own binding; the window's is what later drawing expects.
  if (mInitialFBO >= 0)
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(mInitialFBO));
}

void IGraphicsNanoVG::BeginFrame()
{
  if (mVG == nullptr)
    return;
  mInDraw = true;
  glViewport(0, 0, WindowPixelWidth(), WindowPixelHeight());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (mLayer)
    nvgluBindFramebuffer(mLayer->FrameBuffer());
  else
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(std::max(mInitialFBO, 0)));
  nvgBeginFrame(mVG, static_cast<float>(WindowWidth()), static_cast<float>(WindowHeight()), GetScreenScale());
}

void IGraphicsNanoVG::EndFrame()
{
  if (mVG == nullptr)
    return;
  nvgEndFrame(mVG);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(std::max(mInitialFBO, 0)));
  if (mLayer)
  {
    const float w = static_cast<float>(WindowWidth());
    const float h = static_cast<float>(WindowHeight());
    nvgBeginFrame(mVG, w, h, GetScreenScale());
    const NVGpaint paint = nvgImagePattern(mVG, 0.0f, 0.0f, w, h, 0.0f, mLayer->Handle(), 1.0f);
    nvgBeginPath(mVG);
    nvgRect(mVG, 0.0f, 0.0f, w, h);
    nvgFillPaint(mVG, paint);
    nvgFill(mVG);
    nvgEndFrame(mVG);
  }
  mInDraw = false;
  mDeferredLayers.clear();
}

// -------------------------------------------------------------------------------------- drawing

void IGraphicsNanoVG::ApplyBlend(const IBlendMode* blend)
{
  nvgGlobalCompositeOperation(mVG, CompositeOperation(blend ? blend->mMethod : EBlend::SrcOver));
}

void IGraphicsNanoVG::DrawBitmap(const IBitmapRef& bitmap, const IBounds& dest, int srcX, int srcY,
                                 const IBlendMode* blend)
{
  if (mVG == nullptr || !bitmap.IsValid())
    return;
  ApplyBlend(blend);
  const NVGpaint paint =
    nvgImagePattern(mVG, dest.L - static_cast<float>(srcX), dest.T - static_cast<float>(srcY),
                    static_cast<float>(bitmap.W()), static_cast<float>(bitmap.H()), 0.0f,
                    bitmap.mAPIBitmap->Handle(), BlendWeight(blend));
  nvgBeginPath(mVG);
  nvgRect(mVG, dest.L, dest.T, dest.W(), dest.H());
  nvgFillPaint(mVG, paint);
  nvgFill(mVG);
  nvgBeginPath(mVG);
}

void IGraphicsNanoVG::FillCurrentPath(const IColor& color, const IBlendMode* blend)
{
  ApplyBlend(blend);
  nvgFillColor(mVG, ToNVG(color, BlendWeight(blend)));
  nvgFill(mVG);
}

void IGraphicsNanoVG::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                                   const IBlendMode* blend)
{
  if (mVG == nullptr)
    return;
  nvgBeginPath(mVG);
  nvgMoveTo(mVG, x1, y1);
  nvgLineTo(mVG, x2, y2);
  nvgLineTo(mVG, x3, y3);
  nvgClosePath(mVG);
  FillCurrentPath(color, blend);
  nvgBeginPath(mVG);
}

void IGraphicsNanoVG::FillCircle(const IColor& color, float cx, float cy, float r, const IBlendMode* blend)
{
  if (mVG == nullptr)
    return;
  nvgBeginPath(mVG);
  nvgCircle(mVG, cx, cy, r);
  FillCurrentPath(color, blend);
  nvgBeginPath(mVG);
}

void IGraphicsNanoVG::DrawFastDropShadow(const IBounds& inner, const IBounds& outer, float offset,
                                         float roundness, float blur, const IBlendMode* blend)
{
  if (mVG == nullptr)
    return;
  ApplyBlend(blend);
  const float weight = BlendWeight(blend);
  const NVGpaint shadow =
    nvgBoxGradient(mVG, inner.L + offset, inner.T + offset, inner.W(), inner.H(), roundness, blur,
                   nvgRGBAf(0.0f, 0.0f, 0.0f, 128.0f / 255.0f * weight), nvgRGBAf(0.0f, 0.0f, 0.0f, 0.0f));
  nvgBeginPath(mVG);
  nvgRect(mVG, outer.L, outer.T, outer.W(), outer.H());
  nvgFillPaint(mVG, shadow);
  nvgFill(mVG);
  nvgBeginPath(mVG);
}

void IGraphicsNanoVG::PathClear()
{
  if (mVG)
    nvgBeginPath(mVG);
}

void IGraphicsNanoVG::PathMoveTo(float x, float y)
{
  if (mVG)
    nvgMoveTo(mVG, x, y);
}

void IGraphicsNanoVG::PathLineTo(float x, float y)
{
  if (mVG)
    nvgLineTo(mVG, x, y);
}

void IGraphicsNanoVG::PathArc(float cx, float cy, float r, float startAngle, float endAngle)
{
  if (mVG)
    nvgArc(mVG, cx, cy, r, ArcRadians(startAngle), ArcRadians(endAngle), NVG_CW);
}

void IGraphicsNanoVG::PathClose()
{
  if (mVG)
    nvgClosePath(mVG);
}

void IGraphicsNanoVG::PathFill(const IColor& color, const IBlendMode* blend)
{
  if (mVG)
    FillCurrentPath(color, blend);
}

void IGraphicsNanoVG::PathStroke(const IColor& color, float thickness, const IBlendMode* blend)
{
  if (mVG == nullptr)
    return;
  ApplyBlend(blend);
  nvgStrokeColor(mVG, ToNVG(color, BlendWeight(blend)));
  nvgStrokeWidth(mVG, thickness);
  nvgStroke(mVG);
}

bool IGraphicsNanoVG::SelectFont(const ITextStyle& style) const
{
  const int font = nvgFindFont(mVG, style.mFont);
  if (font < 0)
    return false;
  nvgFontFaceId(mVG, font);
  nvgFontSize(mVG, style.mSize);
  int align = 0;
  switch (style.mAlign)
  {
    case EAlign::Near: align |= NVG_ALIGN_LEFT; break;
    case EAlign::Center: align |= NVG_ALIGN_CENTER; break;
    case EAlign::Far: align |= NVG_ALIGN_RIGHT; break;
  }
  switch (style.mVAlign)
  {
    case EVAlign::Top: align |= NVG_ALIGN_TOP; break;
    case EVAlign::Middle: align |= NVG_ALIGN_MIDDLE; break;
    case EVAlign::Bottom: align |= NVG_ALIGN_BOTTOM; break;
  }
  nvgTextAlign(mVG, align);
  return true;
}

namespace {

// Where text is placed for its alignment within bounds.
void TextAnchor(const ITextStyle& style, const IBounds& bounds, float& x, float& y)
{
  switch (style.mAlign)
  {
    case EAlign::Near: x = bounds.L; break;
    case EAlign::Center: x = bounds.MW(); break;
    case EAlign::Far: x = bounds.R; break;
  }
  switch (style.mVAlign)
  {
    case EVAlign::Top: y = bounds.T; break;
    case EVAlign::Middle: y = bounds.MH(); break;
    case EVAlign::Bottom: y = bounds.B; break;
  }
}

} // namespace

void IGraphicsNanoVG::DrawText(const ITextStyle& style, const char* str, const IBounds& bounds,
                               const IBlendMode* blend)
{
  if (mVG == nullptr || str == nullptr || *str == '\0')
    return;
  nvgSave(mVG);
  if (SelectFont(style))
  {
    ApplyBlend(blend);
    nvgFillColor(mVG, ToNVG(style.mFGColor, BlendWeight(blend)));
    float x = 0.0f;
    float y = 0.0f;
    TextAnchor(style, bounds, x, y);
    if (style.mAngle != 0.0f)
    {
      nvgTranslate(mVG, x, y);
      nvgRotate(mVG, nvgDegToRad(style.mAngle));
      x = 0.0f;
      y = 0.0f;
    }
    nvgText(mVG, x, y, str, nullptr);
  }
  nvgRestore(mVG);
}

float IGraphicsNanoVG::MeasureText(const ITextStyle& style, const char* str, IBounds& bounds) const
{
  if (mVG == nullptr || str == nullptr)
    return 0.0f;
  nvgSave(mVG);
  float extent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float width = 0.0f;
  if (SelectFont(style))
  {
    float x = 0.0f;
    float y = 0.0f;
    TextAnchor(style, bounds, x, y);
    width = nvgTextBounds(mVG, x, y, str, nullptr, extent);
    bounds = IBounds{extent[0], extent[1], extent[2], extent[3]};
  }
  nvgRestore(mVG);
  return width;
}

void IGraphicsNanoVG::PathClipRegion(const IBounds& bounds)
{
  if (mVG)
    nvgScissor(mVG, bounds.L, bounds.T, bounds.W(), bounds.H());
}

void IGraphicsNanoVG::PathTransformSave()
{
  if (mVG)
    nvgSave(mVG);
}

void IGraphicsNanoVG::PathTransformRestore()
{
  if (mVG)
    nvgRestore(mVG);
}

// Controls draw in editor units; the renderer's frame is in window units (editor units x draw scale).
void IGraphicsNanoVG::PathTransformReset()
{
  if (mVG == nullptr)
    return;
  nvgResetTransform(mVG);
  nvgScale(mVG, GetDrawScale(), GetDrawScale());
}

} // namespace iplug::igraphics
