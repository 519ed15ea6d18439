#pragma once
// The NanoVG back end over an off-screen GLX pbuffer, for drawing tests without a window: the pbuffer
// plays the window's frame buffer, so a frame ends with the layer copied into it and the pixels can be
// read back. Needs an X server (the tests run under xvfb-run); without one the tests skip, unless
// QUORVANE_REQUIRE_DISPLAY is set, as it is in CI.

#include <gtest/gtest.h>

#include <epoxy/gl.h>
#include <epoxy/glx.h>

#include <X11/Xlib.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "editor/backend/IGraphicsNanoVG.h"
#include "editor/graphics/IRectList.h"

namespace quorvane::test {

// One pbuffer and context per test; big enough for the editor at a zoom of 2.0. No alpha channel: the
// software renderer cannot show a 32-bit pbuffer on a 24-bit X server (the layer has its own alpha).
class OffscreenGL
{
public:
  static constexpr int kWidth = 1210;
  static constexpr int kHeight = 1204;

  OffscreenGL()
  {
    mDisplay = SharedDisplay();
    if (!mDisplay)
    {
      mProblem = "cannot open the X display";
      return;
    }
    const int attribs[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_RED_SIZE, 8,
                           GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_STENCIL_SIZE, 8, None};
    int n = 0;
    GLXFBConfig* configs = glXChooseFBConfig(mDisplay, DefaultScreen(mDisplay), attribs, &n);
    if (!configs || n == 0)
    {
      mProblem = "no GLX pbuffer configuration";
      return;
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    const int pbAttribs[] = {GLX_PBUFFER_WIDTH, kWidth, GLX_PBUFFER_HEIGHT, kHeight, None};
    mPbuffer = glXCreatePbuffer(mDisplay, config, pbAttribs);
    mContext = glXCreateNewContext(mDisplay, config, GLX_RGBA_TYPE, nullptr, True);
    if (!mPbuffer || !mContext)
      mProblem = "cannot create a GLX pbuffer and context";
  }

  ~OffscreenGL()
  {
    if (mDisplay)
    {
      glXMakeContextCurrent(mDisplay, None, None, nullptr);
      if (mContext)
        glXDestroyContext(mDisplay, mContext);
      if (mPbuffer)
        glXDestroyPbuffer(mDisplay, mPbuffer);
      XSync(mDisplay, False);
    }
  }

  OffscreenGL(const OffscreenGL&) = delete;
  OffscreenGL& operator=(const OffscreenGL&) = delete;

  bool Usable() const { return mDisplay && mPbuffer && mContext; }
  const char* Problem() const { return mProblem; }

  bool MakeCurrent()
  {
    mPrevious = glXGetCurrentContext();
    mPreviousDrawable = glXGetCurrentDrawable();
    return glXMakeContextCurrent(mDisplay, mPbuffer, mPbuffer, mContext);
  }

  void Restore()
  {
    if (mPrevious)
      glXMakeContextCurrent(mDisplay, mPreviousDrawable, mPreviousDrawable, mPrevious);
    else
      glXMakeContextCurrent(mDisplay, None, None, nullptr);
  }

  // RGBA of the frame buffer, top row first, for a window of w x h pixels drawn at the bottom-left.
  std::vector<std::uint8_t> ReadPixels(int w, int h)
  {
    MakeCurrent();
    std::vector<std::uint8_t> flipped(static_cast<std::size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
    Restore();
    std::vector<std::uint8_t> rows(flipped.size());
    const std::size_t stride = static_cast<std::size_t>(w) * 4;
    for (int y = 0; y < h; ++y)
      std::copy_n(flipped.data() + static_cast<std::size_t>(h - 1 - y) * stride, stride,
                  rows.data() + static_cast<std::size_t>(y) * stride);
    return rows;
  }

private:
  // One connection for the whole test program, as an application has: the X server does not always
  // accept connections opened and closed in quick succession.
  static Display* SharedDisplay()
  {
    static Display* display = XOpenDisplay(nullptr);
    return display;
  }

  Display* mDisplay = nullptr;
  GLXPbuffer mPbuffer = 0;
  GLXContext mContext = nullptr;
  GLXContext mPrevious = nullptr;
  GLXDrawable mPreviousDrawable = 0;
  const char* mProblem = "";
};

// The back end with the pbuffer as its window; platform operations other than the context are inert.
class OffscreenGraphics : public iplug::igraphics::IGraphicsNanoVG
{
public:
  OffscreenGraphics(iplug::IGEditorDelegate& dlg, OffscreenGL& gl, const iplug::igraphics::IResourceSource& resources,
                    int w = 605, int h = 602)
    : IGraphicsNanoVG(dlg, w, h, 60, 1.0f), mGL(gl), mResources(resources)
  {
  }

  ~OffscreenGraphics() override
  {
    if (mOpen)
      CloseWindow();
  }

  // A whole paint as the window's tick does it: collect, clean, draw; whether anything was drawn.
  bool Paint()
  {
    iplug::igraphics::IRectList rects;
    if (!NeedsRedraw(rects))
      return false;
    MarkAllClean();
    mGL.MakeCurrent();
    Draw(rects);
    glFinish();
    mGL.Restore();
    return true;
  }

  std::vector<std::uint8_t> ReadWindow() { return mGL.ReadPixels(WindowPixelWidth(), WindowPixelHeight()); }

  int activations = 0;

protected:
  bool ActivateGLContext() override
  {
    ++activations;
    return mGL.MakeCurrent();
  }
  void DeactivateGLContext() override { mGL.Restore(); }
  const iplug::igraphics::IResourceSource& GetResourceSource() const override { return mResources; }

  void* OpenPlatformWindow(void*) override
  {
    mGL.MakeCurrent();
    OnViewInitialized();
    mGL.Restore();
    ApplyScreenScale(GetScreenScale());
    mOpen = true;
    return this;
  }
  void ClosePlatformWindow() override
  {
    mGL.MakeCurrent();
    OnViewDestroyed();
    mGL.Restore();
    mOpen = false;
  }
  void ResizePlatformWindow(bool) override {}
  void HidePlatformPointer(bool, bool) override {}
  void WarpPointer(float, float) override {}
  void ApplyPlatformCursor(iplug::igraphics::ECursor) override {}
  bool HasMultiTouchSupport() const override { return false; }
  void CreatePlatformTextEntry(int, const iplug::igraphics::ITextStyle&, const iplug::igraphics::IBounds&, int,
                               const char*) override
  {
  }
  iplug::igraphics::IPopupMenu* CreatePlatformPopupMenu(iplug::igraphics::IPopupMenu&,
                                                        const iplug::igraphics::IBounds&, bool& isAsync) override
  {
    isAsync = false;
    return nullptr;
  }

private:
  OffscreenGL& mGL;
  const iplug::igraphics::IResourceSource& mResources;
  bool mOpen = false;
};

// Skips the calling test when no X server with GLX pbuffers is at hand (fails instead in CI).
#define QUORVANE_REQUIRE_GL(gl)                                                                          \
  do                                                                                                     \
  {                                                                                                      \
    if (!(gl).Usable())                                                                                  \
    {                                                                                                    \
      if (std::getenv("QUORVANE_REQUIRE_DISPLAY"))                                                       \
        FAIL() << (gl).Problem();                                                                        \
      GTEST_SKIP() << (gl).Problem();                                                                    \
    }                                                                                                    \
  } while (0)

} // namespace quorvane::test
