#pragma once
// What the LV2 bundle says about Quorvane: its two plug-ins (stereo and mono, each with a mono side
// chain), their editors, the meter output and the make function both modules use.

#include "IPlug/LV2/IPlugLV2_Ports.h"

namespace quorvane {

// any thread
const iplug::IPlugLV2_Info& LV2Info();

} // namespace quorvane
