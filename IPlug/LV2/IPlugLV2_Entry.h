#pragma once
// The bodies of the DSP module's lv2_descriptor export: one descriptor per variant of the plug-in,
// whose callbacks drive an IPlugLV2 made by the module's create function.

#include <cstdint>

#include <lv2/core/lv2.h>

#include "IPlug/LV2/IPlugLV2_Ports.h"

namespace iplug {

// any thread; the descriptor of variant `index`, null past the last. The module has one info, which
// must outlive every instance (a static).
const LV2_Descriptor* IPlugLV2_Descriptor(const IPlugLV2_Info& info, uint32_t index);

} // namespace iplug
