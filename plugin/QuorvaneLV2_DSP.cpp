// The LV2 DSP module's one export. It carries no editor: the host loads Quorvane_ui.so for that.
#include "IPlug/LV2/IPlugLV2_Entry.h"
#include "plugin/QuorvaneLV2.h"

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return iplug::IPlugLV2_Descriptor(quorvane::LV2Info(), index);
}
