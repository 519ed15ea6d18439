#pragma once
// An editor like the plug-in's, over the recording back end: a recording delegate with real
// parameters, the zoom handle, background, bubble, two kinds of knob, two switches and a meter.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/controls/IBitmapControls.h"
#include "editor/controls/IBubbleControl.h"
#include "editor/controls/ICornerResizerControl.h"
#include "tests/support/RecordingGraphics.h"

namespace quorvane::test {

enum TestParam
{
  kContinuous = 0, // 0..100 double, unstepped
  kSixStep = 1,    // int 0..5
  kToggle = 2,     // bool
  kMeter = 3,      // 0..1 double
  kTopToggle = 4,  // bool, button at the top edge
  kChoice = 5,     // enum of three texts
  kNumTestParams
};

class RecordingDelegate : public iplug::IGEditorDelegate
{
public:
  RecordingDelegate()
    : IGEditorDelegate(kNumTestParams)
  {
    SetEditorSize(605, 602);
    SetSizeConstraints(302, 1210, 301, 1204);
    GetParam(kContinuous)->DefineDouble("Boost", 0.0, 0.0, 100.0, 0.01, "%");
    GetParam(kSixStep)->DefineInt("Ratio", 0, 0, 5);
    GetParam(kToggle)->DefineBool("Bypass", false);
    GetParam(kMeter)->DefineDouble("Meter", 0.0, 0.0, 1.0, 0.001);
    GetParam(kTopToggle)->DefineBool("Oversampling", false, "", 0, "", "Oversampling Off", "Oversampling On");
    GetParam(kChoice)->DefineEnum("Mode", 0, 3, "", 0, "", {"A", "B", "C"});
  }

  void BeginParamGestureFromUI(int idx) override { mLog.push_back("begin " + std::to_string(idx)); }
  void EndParamGestureFromUI(int idx) override { mLog.push_back("end " + std::to_string(idx)); }
  void SendParamValueFromUI(int idx, double normalized) override
  {
    mSent.emplace_back(idx, normalized);
    IGEditorDelegate::SendParamValueFromUI(idx, normalized);
  }
  bool ResizeRequestFromEditor(int w, int h, bool) override
  {
    mResizeRequests.emplace_back(w, h);
    return true;
  }
  void LayoutEditor(iplug::IGraphicsContext* context) override
  {
    ++mLayouts;
    IGEditorDelegate::LayoutEditor(context);
  }

  std::vector<std::string> mLog;
  std::vector<std::pair<int, double>> mSent;
  std::vector<std::pair<int, int>> mResizeRequests;
  int mLayouts = 0;
};

inline IPointerMods Left()
{
  IPointerMods m;
  m.L = true;
  return m;
}

inline IPointerMods Right()
{
  IPointerMods m;
  m.R = true;
  return m;
}

inline IPointerEvent At(float x, float y, const IPointerMods& mods = Left(), float dX = 0.0f, float dY = 0.0f)
{
  return IPointerEvent{x, y, dX, dY, mods};
}

class EditorTest : public ::testing::Test
{
protected:
  // The delegate owns the context, as in the plug-in; opening it runs Layout().
  static RecordingGraphics& OpenEditor(EditorTest& self)
  {
    self.d.SetMakeGraphicsFunc([&self]() -> std::unique_ptr<iplug::IGraphicsContext> {
      auto graphics = std::make_unique<RecordingGraphics>(self.d);
      graphics->AddBitmapFile("BG.png", 1210, 1204);
      graphics->AddBitmapFile("AKNOB.png", 128, 15488);
      graphics->AddBitmapFile("ATRAT.png", 128, 768);
      graphics->AddBitmapFile("BSW.png", 148, 296);
      graphics->AddBitmapFile("OVER.png", 354, 68);
      graphics->AddBitmapFile("NEEDLE.png", 318, 14140);
      return graphics;
    });
    self.d.SetLayoutFunc([&self](iplug::IGraphicsContext* context) {
      self.Layout(static_cast<RecordingGraphics&>(*context));
    });
    self.d.OpenEditor(nullptr);
    return static_cast<RecordingGraphics&>(*self.d.GetUI());
  }

  void Layout(RecordingGraphics& ui)
  {
    ui.AddCornerResizer(EUIResizerMode::Scale, false, IColor(10, 0, 0, 0), IColor(255, 0, 0, 0),
                        IColor(255, 0, 0, 0), 20.0f);
    ui.AddBackground("BG.png");
    ui.SetMouseOverEnabled(true);
    ui.AddBubbleControl();
    toggle = Add(ui, new IBSwitchControl(360, 97, ui.LoadBitmapResource("BSW.png", 2), kToggle));
    topToggle = Add(ui, new IBSwitchControl(386, 30, ui.LoadBitmapResource("OVER.png", 2), kTopToggle));
    sixStep = Add(ui, new IBKnobControl(55, 368, ui.LoadBitmapResource("ATRAT.png", 6), kSixStep));
    knob = Add(ui, new IBKnobControl(506, 250, ui.LoadBitmapResource("AKNOB.png", 121), kContinuous));
    meter = Add(ui, new IBitmapControl(97, 75, ui.LoadBitmapResource("NEEDLE.png", 101), kMeter));
    for (IControl* c : {static_cast<IControl*>(knob), static_cast<IControl*>(sixStep), static_cast<IControl*>(topToggle)})
      c->SetActionFunction(BubbleAction);
  }

  template <typename T>
  static T* Add(RecordingGraphics& ui, T* control)
  {
    ui.AddControl(control);
    return control;
  }

  template <typename T>
  T* Add(T* control)
  {
    return Add(g, control);
  }

  static void BubbleAction(IControl* c)
  {
    c->GetUI()->ShowValueBubble(c, c->GetRECT().MW(), c->GetRECT().T, "v", EDirection::Vertical,
                                IBounds(0, 0, 50, 20), 0);
  }

  // A press, a drag of (0, dY) in one step and a release, as the window would send them.
  void DragVertically(IControl* c, float dY, const IPointerMods& mods = Left())
  {
    const float x = c->GetRECT().MW();
    const float y = c->GetRECT().MH();
    g.PointerDown({At(x, y, mods)});
    g.PointerDrag({At(x, y + dY, mods, 0.0f, dY)});
    g.PointerUp({At(x, y + dY, mods)});
  }

  void Click(IControl* c, const IPointerMods& mods = Left())
  {
    g.PointerDown({At(c->GetRECT().MW(), c->GetRECT().MH(), mods)});
    g.PointerUp({At(c->GetRECT().MW(), c->GetRECT().MH(), mods)});
  }

  // The source offset of the last frame drawn for a control.
  int DrawnSourceY(IControl* c)
  {
    g.ClearCalls();
    IRectList rects;
    rects.Add(c->GetRECT());
    g.Draw(rects);
    int srcY = -1;
    for (const DrawCall& call : g.CallsOf("bitmap"))
      if (call.mRect == c->GetRECT())
        srcY = call.mSrcY;
    return srcY;
  }

  RecordingDelegate d;
  // Set by the layout, so declared before the context whose opening runs it.
  IBSwitchControl* toggle = nullptr;
  IBSwitchControl* topToggle = nullptr;
  IBKnobControl* sixStep = nullptr;
  IBKnobControl* knob = nullptr;
  IBitmapControl* meter = nullptr;
  RecordingGraphics& g = OpenEditor(*this);
};

} // namespace quorvane::test
