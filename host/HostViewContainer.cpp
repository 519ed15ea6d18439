#include "host/HostViewContainer.h"

#include <cmath>

namespace quorvane::host {

HostViewContainer::HostViewContainer(uintptr_t nativeWindow, ResizeFunc onResize)
    : mNativeWindow(nativeWindow), mOnResize(std::move(onResize))
{
}

// The window id travels as a pointer-sized integer: that is how an X11 window becomes a native handle.
void* HostViewContainer::GetPtr() { return reinterpret_cast<void*>(mNativeWindow); }

AAX_Result HostViewContainer::SetViewSize(const AAX_Point& size)
{
  // A zero or garbage size would reach the window system, which treats it as a fatal protocol error.
  if (!std::isfinite(size.horz) || !std::isfinite(size.vert) || size.horz < 1.0f || size.vert < 1.0f)
    return kSizeRefused;
  mViewSize = size;
  ++mViewSizeRequests;
  if (mOnResize)
    mOnResize(size.horz, size.vert);
  return AAX_SUCCESS;
}

AAX_Result HostViewContainer::GetModifiers(uint32_t* modifiers)
{
  if (!modifiers)
    return AAX_ERROR_NULL_OBJECT;
  *modifiers = mModifiers;
  return AAX_SUCCESS;
}

AAX_Result HostViewContainer::HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers)
{
  if (!id)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  mMouseDowns.push_back({id, modifiers});
  return mMouseDownResult;
}

} // namespace quorvane::host
