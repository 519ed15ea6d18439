#include "plugin/QuorvaneLV2.h"

#include <new>

#include "plugin/Quorvane.h"

namespace quorvane {

namespace {
iplug::IPlugLV2* Create()
{
  try
  {
    return new Quorvane();
  }
  catch (...)
  {
    return nullptr;
  }
}
} // namespace

const iplug::IPlugLV2_Info& LV2Info()
{
  static const iplug::IPlugLV2_Info info = [] {
    iplug::IPlugLV2_Info made;
    made.mVariants[0] = {"urn:kestrove:quorvane:stereo", "urn:kestrove:quorvane:ui:stereo", 2, true};
    made.mVariants[1] = {"urn:kestrove:quorvane:mono", "urn:kestrove:quorvane:ui:mono", 1, true};
    made.mNumVariants = 2;
    made.mBinary = "Quorvane.so";
    made.mUIBinary = "Quorvane_ui.so";
    made.mURIPrefix = "urn:kestrove:quorvane#";
    made.mMeterParam = kMeter;
    made.mMeterSymbol = "gain_reduction";
    made.mMeterName = "Gain Reduction";
    made.mMaxLatency = QuorvaneDSP::kOversamplingLatency;
    made.mCreate = &Create;
    return made;
  }();
  return info;
}

} // namespace quorvane
