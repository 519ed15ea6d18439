// The LV2 editor module's one export.
#include "IPlug/LV2/IPlugLV2_UI.h"
#include "plugin/QuorvaneLV2.h"

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  return iplug::IPlugLV2_UIDescriptor(quorvane::LV2Info(), index);
}
