#pragma once
// What the module tells the host about Quorvane (its identity values), and its create procedures.

#include "IPlug/AAX/IPlugAAX_Describe.h"

namespace quorvane {

// any thread; the description record ACFRegisterPlugin hands to DescribeEffects
const iplug::IPlugAAX_EffectInfo& AAXEffectInfo();
// host thread: create procedure 0; a new instance's AAX_IEffectParameters face (null if construction failed)
AAX_IEffectParameters* CreateEffectParameters();
// host thread: create procedure 1, the editor adaptor (null when it cannot be made)
AAX_IEffectGUI* CreateEffectGUI();

} // namespace quorvane
