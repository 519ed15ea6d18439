#pragma once
// The bodies of the editor module's lv2ui_descriptor export: one X11 UI per variant of the plug-in. Each
// UI instance makes its own plug-in object to hold the parameters and the editor, opens the editor in
// the host's parent window, and lives on the host's idle calls (no thread of its own).

#include <cstdint>

#include <lv2/ui/ui.h>

#include "IPlug/LV2/IPlugLV2_Ports.h"

namespace iplug {

// any thread; the UI descriptor of variant `index`, null past the last. The info must be a static.
const LV2UI_Descriptor* IPlugLV2_UIDescriptor(const IPlugLV2_Info& info, uint32_t index);

} // namespace iplug
