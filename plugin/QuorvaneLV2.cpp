#include "plugin/QuorvaneLV2.h"

#include <new>

#include "plugin/Quorvane.h"

namespace quorvane {

namespace {
iplug::IPlugHosted* Create()
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
    made.mVariants[0] = {identity::kLV2StereoURI, identity::kLV2StereoUIURI, 2, true};
    made.mVariants[1] = {identity::kLV2MonoURI, identity::kLV2MonoUIURI, 1, true};
    made.mNumVariants = 2;
    made.mBinary = identity::kLV2Binary;
    made.mUIBinary = identity::kLV2UIBinary;
    made.mURIPrefix = identity::kLV2URIPrefix;
    made.mCategory = identity::kLV2Category;
    made.mMeterParam = kMeter;
    made.mMeterSymbol = "gain_reduction";
    made.mMeterName = "Gain Reduction";
    made.mMaxLatency = kMaxLatency;
    made.mCreate = &Create;
    return made;
  }();
  return info;
}

} // namespace quorvane
