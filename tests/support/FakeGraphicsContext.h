#pragma once
// A graphics context without a window: it keeps size and zoom, clamps them as a real editor would, and
// records what the delegate asked of it, so the delegate can be tested without OpenGL.

#include <utility>
#include <vector>

#include "IPlug/IGEditorDelegate.h"

namespace quorvane::test {

class FakeGraphicsContext : public iplug::IGraphicsContext
{
public:
  FakeGraphicsContext(iplug::IGEditorDelegate& delegate, int width, int height)
    : mDelegate(delegate)
    , mWidth(width)
    , mHeight(height)
  {
  }

  void* OpenWindow(void* parent) override
  {
    mParent = parent;
    mDelegate.LayoutEditor(this);
    ++mOpens;
    return this;
  }
  void CloseWindow() override { ++mCloses; }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mScale; }
  void Resize(int width, int height, float scale, bool) override
  {
    mWidth = width;
    mHeight = height;
    mScale = scale;
    ++mResizes;
  }
  void SetScreenScale(float scale) override { mScreenScale = scale; }
  bool KeyDownAtPointer(const iplug::IKeyPress& key) override { return key.mUtf8[0] == 'k'; }
  bool KeyUpAtPointer(const iplug::IKeyPress&) override { return false; }
  void SetControlValuesFromDelegate(int paramIdx, double normalized) override
  {
    mControlValues.emplace_back(paramIdx, normalized);
  }
  void SendValueToControlByTag(int tag, double normalized) override { mTagValues.emplace_back(tag, normalized); }
  void SendMessageToControlByTag(int, int, int, const void*) override {}
  void SendMidiToControls(const iplug::MidiMessage&) override { ++mMidiToControls; }
  void SetParameterHighlight(int paramIdx, bool highlighted, int colorCode) override
  {
    mHighlights.push_back({paramIdx, highlighted, colorCode});
  }
  void SetHostViewContainer(::AAX_IViewContainer* container) override { mHostViewContainer = container; }

  struct Highlight
  {
    int mParamIdx;
    bool mHighlighted;
    int mColorCode;
  };

  iplug::IGEditorDelegate& mDelegate;
  int mWidth;
  int mHeight;
  float mScale = 1.0f;
  float mScreenScale = 1.0f;
  void* mParent = nullptr;
  int mOpens = 0;
  int mCloses = 0;
  int mResizes = 0;
  int mMidiToControls = 0;
  std::vector<std::pair<int, double>> mControlValues;
  std::vector<std::pair<int, double>> mTagValues;
  std::vector<Highlight> mHighlights;
  ::AAX_IViewContainer* mHostViewContainer = nullptr;
};

// Installs a make-graphics function that creates FakeGraphicsContexts of the editor's configured size.
inline void UseFakeGraphics(iplug::IGEditorDelegate& delegate)
{
  delegate.SetMakeGraphicsFunc([&delegate]() -> std::unique_ptr<iplug::IGraphicsContext> {
    return std::make_unique<FakeGraphicsContext>(delegate, delegate.GetEditorWidth(), delegate.GetEditorHeight());
  });
}

inline FakeGraphicsContext* FakeUI(iplug::IGEditorDelegate& delegate)
{
  return static_cast<FakeGraphicsContext*>(delegate.GetUI());
}

} // namespace quorvane::test
