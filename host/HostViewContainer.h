#pragma once
// The host's side of an editor's window: the native parent window the plug-in opens its editor in,
// the resize requests the editor makes (passed on to whoever owns the top-level window), the modifier
// keys the host holds, and the host's answer when the editor offers it a click on a parameter.
// Main thread (the host's user-interface thread) only.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "aax/AAX_Interfaces.h"

namespace quorvane::host {

class HostViewContainer final : public AAX_IViewContainer
{
public:
  // Called with the editor's requested width and height.
  using ResizeFunc = std::function<void(float width, float height)>;

  // What the host answers a parameter click by default: it declines, so the editor keeps the click.
  static constexpr AAX_Result kMouseDownDeclined = AAX_ERROR_UNIMPLEMENTED;
  // What SetViewSize answers for a size no window can take (not finite, or under one pixel); the
  // format names no code of its own for it.
  static constexpr AAX_Result kSizeRefused = AAX_ERROR_INVALID_PARAMETER_INDEX;

  struct MouseDown
  {
    std::string id;
    uint32_t modifiers = 0;
  };

  // main thread. `nativeWindow` is the parent window's platform handle (an X11 window id).
  explicit HostViewContainer(uintptr_t nativeWindow, ResizeFunc onResize = {});

  // ---- what the plug-in's editor calls
  void* GetPtr() override;
  // records the size, then tells the window's owner; a refused size changes nothing
  AAX_Result SetViewSize(const AAX_Point& size) override;
  AAX_Result GetModifiers(uint32_t* modifiers) override;
  // records the click, then answers as configured (AAX_SUCCESS: the host took it)
  AAX_Result HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers) override;

  // ---- the host's side
  void SetResizeFunc(ResizeFunc onResize) { mOnResize = std::move(onResize); }
  void SetModifiers(uint32_t modifiers) { mModifiers = modifiers; }
  void SetMouseDownResult(AAX_Result result) { mMouseDownResult = result; }
  // the last accepted size (0 x 0 before any) and how many requests were accepted
  AAX_Point ViewSize() const { return mViewSize; }
  int ViewSizeRequests() const { return mViewSizeRequests; }
  const std::vector<MouseDown>& MouseDowns() const { return mMouseDowns; }

private:
  uintptr_t mNativeWindow;
  ResizeFunc mOnResize;
  uint32_t mModifiers = 0;
  AAX_Result mMouseDownResult = kMouseDownDeclined;
  AAX_Point mViewSize;
  int mViewSizeRequests = 0;
  std::vector<MouseDown> mMouseDowns;
};

} // namespace quorvane::host
