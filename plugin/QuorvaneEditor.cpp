#include "plugin/QuorvaneEditor.h"

#include <string>

#include "IPlug/IGEditorDelegate.h"
#include "IPlug/IPlugParameter.h"
#include "editor/backend/IResourceSource.h"
#include "editor/controls/IBitmapControls.h"
#include "editor/controls/ICornerResizerControl.h"
#include "plugin/Quorvane.h"
#ifdef _WIN32
#include "editor/platform/IGraphicsWin.h"
#else
#include "editor/platform/IGraphicsLinux.h"
#include "resources/EmbeddedResources.h"
#endif

namespace quorvane {

using namespace iplug::igraphics;

namespace {

// The knobs and the oversampling bar show their value above (or below) themselves while changed.
void ShowValueBubbleAction(IControl* control)
{
  const iplug::IParam* param = control->GetParam();
  if (param == nullptr)
    return;
  std::string text;
  param->FormatForDisplay(param->Value(), false, text);
  const char* label = param->LabelForHost();
  if (label != nullptr && *label != '\0')
    text.append(" ").append(label);
  const IBounds& r = control->GetRECT();
  control->GetUI()->ShowValueBubble(control, r.MW(), r.T, text.c_str(), EDirection::Vertical, IBounds(0, 0, 50, 20), 0);
}

enum class Kind
{
  Switch,
  Knob,
  Meter
};

struct ControlRow
{
  Kind kind;
  const char* bitmap;
  int frames;
  float x;
  float y;
  int param;
  bool bubble;
};

// Drawing order, places and bindings of the panel's controls (after the background).
constexpr ControlRow kControls[] = {
  {Kind::Switch, "BSW.png", 2, 360, 97, kBypass, false},
  {Kind::Switch, "SSW.png", 2, 462, 331, kExternalSidechain, false},
  {Kind::Switch, "BSW.png", 2, 436, 97, kTurbo, false},
  {Kind::Switch, "BSW.png", 2, 513, 97, kXFormer, false},
  {Kind::Switch, "OVER.png", 2, 386, 30, kOversampling, true},
  {Kind::Knob, "ATRAT.png", 6, 55, 368, kAttackTime, true},
  {Kind::Knob, "ATRAT.png", 6, 55, 485, kRatio, true},
  {Kind::Knob, "REL.png", 5, 232, 368, kReleaseTime, true},
  {Kind::Knob, "AKNOB.png", 121, 506, 250, kBoost, true},
  {Kind::Knob, "AKNOB.png", 121, 378, 250, kHF, true},
  {Kind::Knob, "AKNOB.png", 121, 378, 485, kHPF, true},
  {Kind::Knob, "AKNOB.png", 121, 231, 250, kMakeupGain, true},
  {Kind::Knob, "AKNOB.png", 121, 378, 367, kMidGain, true},
  {Kind::Knob, "AKNOB.png", 121, 231, 485, kCompressorMix, true},
  {Kind::Knob, "AKNOB.png", 121, 55, 250, kThreshold, true},
  {Kind::Knob, "AKNOB.png", 121, 506, 485, kTransientMix, true},
  {Kind::Knob, "AKNOB.png", 121, 506, 367, kTransientTilt, true},
  {Kind::Meter, "NEEDLE.png", 101, 97, 75, kMeter, false},
};

} // namespace

#ifdef _WIN32
namespace {

// The resource compiler put the pictures and the font into this module: the one holding this code.
HINSTANCE ThisModule()
{
  return ModuleResourceSource::ModuleAt(reinterpret_cast<const void*>(&ThisModule));
}

} // namespace

const IResourceSource& ModuleResources()
{
  static const ModuleResourceSource source(ThisModule());
  return source;
}

std::unique_ptr<iplug::IGraphicsContext> MakeEditorGraphics(iplug::IGEditorDelegate& dlg)
{
  return std::make_unique<IGraphicsWin>(dlg, kEditorWidth, kEditorHeight, kEditorFPS, 1.0f, ThisModule());
}
#else
const IResourceSource& ModuleResources()
{
  // Resources are never files on disk here, so the file fallback only sees what a caller names.
  static const TableResourceSource source = TableResourceSource::FromTable(resources::All());
  return source;
}

std::unique_ptr<iplug::IGraphicsContext> MakeEditorGraphics(iplug::IGEditorDelegate& dlg)
{
  auto graphics = std::make_unique<IGraphicsLinux>(dlg, kEditorWidth, kEditorHeight, kEditorFPS, 1.0f);
  graphics->SetModuleResources(&ModuleResources());
  return graphics;
}
#endif

void LayoutEditor(IGraphics& ui)
{
  ui.AddCornerResizer(EUIResizerMode::Scale, false, IColor(10, 0, 0, 0), IColor(255, 0, 0, 0), IColor(255, 0, 0, 0),
                      20.0f);
  ui.AddBackground("BG.png");
  ui.SetMouseOverEnabled(true);
  ui.SetMultiTouchEnabled(ui.HasMultiTouchSupport());
  ui.AddBubbleControl(ITextStyle());
  ui.LoadFontResource("Roboto-Regular", "Roboto-Regular.ttf");

  for (const ControlRow& row : kControls)
  {
    const IBitmapRef bitmap = ui.LoadBitmapResource(row.bitmap, row.frames, false, 0);
    IControl* control = nullptr;
    switch (row.kind)
    {
      case Kind::Switch: control = new IBSwitchControl(row.x, row.y, bitmap, row.param); break;
      case Kind::Knob: control = new IBKnobControl(row.x, row.y, bitmap, row.param, EDirection::Vertical, 4.0); break;
      case Kind::Meter: control = new IBitmapControl(row.x, row.y, bitmap, row.param); break;
    }
    if (row.bubble)
      control->SetActionFunction(ShowValueBubbleAction);
    ui.AddControl(control);
  }
}

void AttachEditor(Quorvane& plug)
{
  plug.SetMakeGraphicsFunc([&plug]() { return MakeEditorGraphics(plug); });
  plug.SetLayoutFunc([&plug](iplug::IGraphicsContext* context) {
    auto* ui = dynamic_cast<IGraphics*>(context);
    if (ui == nullptr)
      return;
    LayoutEditor(*ui);
    // The needle follows the newest block at the editor's own refresh.
    ui->SetDisplayTickFunc([&plug](IRectList&) { plug.DeliverMeter(); });
  });
}

} // namespace quorvane
