#pragma once
// The drawing back end: NanoVG on an OpenGL 2 context. Loads the editor's pictures and fonts from the
// module's resources (or files), draws the controls into a persistent off-screen layer and copies that
// layer to the window once per frame. The platform window derives from this class and supplies the
// OpenGL context and the module's resources.

#include "editor/backend/IResourceSource.h"
#include "editor/backend/PlatformFont.h"
#include "editor/graphics/IGraphics.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct NVGcontext;
struct NVGLUframebuffer;

namespace iplug::igraphics {

class IGraphicsNanoVG : public IGraphics
{
public:
  // A loaded image or an off-screen layer; deleting it deletes its renderer objects, so it must
  // die with the OpenGL context current.
  class Bitmap : public APIBitmap
  {
  public:
    Bitmap(NVGcontext* context, int image, int width, int height, float sourceScale, float drawScale);
    // An off-screen layer of the given pixel size; IsValid() is false when the frame buffer failed.
    Bitmap(NVGcontext* context, int width, int height, float sourceScale, float drawScale);
    ~Bitmap() override;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    NVGLUframebuffer* FrameBuffer() const { return mFrameBuffer; }
    bool IsValid() const { return Handle() > 0; }

  private:
    Bitmap(NVGcontext* context, NVGLUframebuffer* frameBuffer, int width, int height, float sourceScale,
           float drawScale);

    NVGcontext* mContext;
    NVGLUframebuffer* mFrameBuffer = nullptr;
  };

  // The live window objects and entry counts of the process-wide font caches.
  struct FontCacheCounts
  {
    int windows = 0;
    int fontData = 0;
    int platformFonts = 0;
    int installedFonts = 0;
  };
  static FontCacheCounts GetFontCacheCounts();

  IGraphicsNanoVG(IGEditorDelegate& dlg, int w, int h, int fps = 60, float drawScale = 1.0f);
  ~IGraphicsNanoVG() override;

  const char* GetDrawingAPIStr() const { return "NanoVG | GL2"; }

  // ---- resources
  IBitmapRef LoadBitmapResource(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                                int targetScale = 0) override;
  bool LoadFontResource(const char* fontID, const char* fileNameOrResID) override;
  int CachedBitmapCount() const;
  int UploadCount() const { return mUploads; }

  // ---- frame
  void BeginFrame() override;
  void EndFrame() override;
  void RebuildFrameBuffer() override;
  // The layer's pixel size (0 x 0 without one).
  int LayerPixelWidth() const;
  int LayerPixelHeight() const;

  // ---- drawing
  void DrawBitmap(const IBitmapRef& bitmap, const IBounds& dest, int srcX, int srcY,
                  const IBlendMode* blend) override;
  void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                    const IBlendMode* blend) override;
  void FillCircle(const IColor& color, float cx, float cy, float r, const IBlendMode* blend) override;
  void DrawFastDropShadow(const IBounds& inner, const IBounds& outer, float offset, float roundness, float blur,
                          const IBlendMode* blend) override;
  void PathClear() override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathArc(float cx, float cy, float r, float startAngle, float endAngle) override;
  void PathClose() override;
  void PathFill(const IColor& color, const IBlendMode* blend) override;
  void PathStroke(const IColor& color, float thickness, const IBlendMode* blend) override;
  void DrawText(const ITextStyle& style, const char* str, const IBounds& bounds, const IBlendMode* blend) override;
  float MeasureText(const ITextStyle& style, const char* str, IBounds& bounds) const override;
  void PathClipRegion(const IBounds& bounds) override;
  void PathTransformSave() override;
  void PathTransformRestore() override;
  // Back to editor units: the identity scaled by the draw scale.
  void PathTransformReset() override;

  NVGcontext* GetRendererContext() const { return mVG; }

protected:
  // ---- what the platform window supplies
  // Makes the window's OpenGL context current, remembering the one that was; false when there is none.
  virtual bool ActivateGLContext() = 0;
  // Restores the context that was current before ActivateGLContext.
  virtual void DeactivateGLContext() = 0;
  // The module's resources (the stand-in for the module handle).
  virtual const IResourceSource& GetResourceSource() const = 0;
  // The platform font for a font file's bytes: `data` is borrowed from the module's resources, or
  // `owned` holds the bytes read from a file. Where the operating system must know the font before it
  // can make one, the bytes are installed first and the installation is handed back in `installed`.
  // Null when no font can be made (an installation made on the way is then removed again). The
  // default is the bytes themselves: nothing to install.
  virtual std::unique_ptr<PlatformFont> CreatePlatformFont(const unsigned char* data, std::size_t size,
                                                           std::vector<unsigned char> owned,
                                                           std::unique_ptr<InstalledFont>& installed);

  // ---- called by the platform window with its OpenGL context current
  // Creates the renderer (edge anti-aliasing on). False when OpenGL 2 is not usable.
  bool OnViewInitialized();
  // Releases the bitmap cache and the layers, then the renderer.
  void OnViewDestroyed();

private:
  struct CachedBitmap
  {
    std::string name;
    int scale;
    std::unique_ptr<Bitmap> bitmap;
  };

  // Makes the context current for a scope; restores the previous one.
  class ScopedGLContext
  {
  public:
    explicit ScopedGLContext(IGraphicsNanoVG& g) : mGraphics(g), mActive(g.ActivateGLContext()) {}
    ~ScopedGLContext()
    {
      if (mActive)
        mGraphics.DeactivateGLContext();
    }
    ScopedGLContext(const ScopedGLContext&) = delete;
    ScopedGLContext& operator=(const ScopedGLContext&) = delete;
    bool Active() const { return mActive; }

  private:
    IGraphicsNanoVG& mGraphics;
    bool mActive;
  };

  void FillCurrentPath(const IColor& color, const IBlendMode* blend);
  void ApplyBlend(const IBlendMode* blend);
  bool SelectFont(const ITextStyle& style) const;

  NVGcontext* mVG = nullptr;
  std::unique_ptr<Bitmap> mLayer;
  std::vector<std::unique_ptr<Bitmap>> mDeferredLayers;
  int mInitialFBO = -1;
  bool mInDraw = false;

  mutable std::mutex mBitmapCacheMutex;
  std::vector<CachedBitmap> mBitmapCache;
  int mUploads = 0;
};

} // namespace iplug::igraphics
