// IPlugAPIBase::IdentifyHostByName on arbitrary names: a known code or 0, and case never matters.

#include <cctype>
#include <cstdint>
#include <string>

#include "IPlug/IPlugAPIBase.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string name(reinterpret_cast<const char*>(data), size);
  const int code = iplug::IPlugAPIBase::IdentifyHostByName(name.c_str());
  FUZZ_CHECK(code >= iplug::kHostUnknown && code <= 45);

  std::string upper = name;
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  FUZZ_CHECK(iplug::IPlugAPIBase::IdentifyHostByName(upper.c_str()) == code);

  // Only the first kMaxHostNameLength characters count.
  const std::string cut = name.substr(0, std::min(name.find('\0'), size_t{iplug::IPlugAPIBase::kMaxHostNameLength}));
  FUZZ_CHECK(iplug::IPlugAPIBase::IdentifyHostByName(cut.c_str()) == code);
  FUZZ_CHECK(iplug::IPlugAPIBase::IdentifyHostByName(nullptr) == iplug::kHostUnknown);
  return 0;
}
