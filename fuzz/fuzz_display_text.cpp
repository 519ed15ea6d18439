// Text to value: IParam::ParseDisplayText for every Quorvane parameter, and the AAX parameters' text to
// normalised value through the effect-parameters interface (GetParameterValueFromString) after
// Initialize. Values must come back finite and inside the parameter's range.

#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"

using namespace quorvane;
using namespace quorvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  Instance& instance = TheInstance();
  const Quorvane& plugin = instance.plugin;
  static const std::vector<std::string> ids = instance.ParameterIDs();

  const std::string text(reinterpret_cast<const char*>(data), size);

  for (int i = 0; i < plugin.NParams(); ++i)
  {
    const iplug::IParam* param = plugin.GetParam(i);
    const double value = param->ParseDisplayText(text.c_str());
    FUZZ_CHECK(InRange(value, param->GetMin(), param->GetMax()));

    // What a parsed value shows as stays within the display length.
    std::string shown;
    param->FormatForDisplay(value, false, shown);
    FUZZ_CHECK(shown.size() <= static_cast<size_t>(iplug::IParam::kMaxDisplayLength));
  }

  for (const std::string& id : ids)
  {
    double normalized = -1.0;
    const AAX_Result result = plugin.GetParameterValueFromString(id.c_str(), &normalized, text);
    FUZZ_CHECK(result == AAX_SUCCESS || result == AAX_ERROR_INVALID_STRING_CONVERSION);
    if (result != AAX_SUCCESS)
      continue;
    FUZZ_CHECK(InRange(normalized, 0.0, 1.0));
    std::string shown;
    FUZZ_CHECK(plugin.GetParameterStringFromValue(id.c_str(), normalized, &shown, 32) == AAX_SUCCESS);
    FUZZ_CHECK(shown.size() <= 32);
  }
  return 0;
}
