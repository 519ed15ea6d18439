#pragma once
// Quorvane's editor: the bitmap panel, its eighteen controls and the value bubble, laid out on a
// fresh graphics context each time the editor opens.

#include <memory>

#include "IPlug/IGraphicsContext.h"
#include "plugin/QuorvaneParams.h"

namespace iplug {
class IGEditorDelegate;
}
namespace iplug::igraphics {
class IGraphics;
class IResourceSource;
} // namespace iplug::igraphics

namespace quorvane {

class Quorvane;

// The pictures and font built into the module, searched as module resources.
const iplug::igraphics::IResourceSource& ModuleResources();

// The platform window for a delegate, at 605 x 602, 60 frames per second, draw scale 1.0.
std::unique_ptr<iplug::IGraphicsContext> MakeEditorGraphics(iplug::IGEditorDelegate& dlg);

// Attaches every control in its drawing order.
void LayoutEditor(iplug::igraphics::IGraphics& ui);

// Gives the plug-in its editor: the make-graphics and layout functions, and the meter delivered on the
// editor's own tick.
void AttachEditor(Quorvane& plug);

} // namespace quorvane
