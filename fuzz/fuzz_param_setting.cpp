// The host program's parameter assignments: ParseAssignment and ParseAutomation on arbitrary text, and
// ResolveAssignment against a real Quorvane instance seen only through the AAX effect-parameters
// interface (the parameter list is read the way host/HostInstance.cpp reads it), so no module is loaded.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "host/ParamSetting.h"

namespace {

using namespace quorvane;
using namespace quorvane::fuzz;
using namespace quorvane::host;

std::vector<ParameterInfo> ReadParameters(const AAX_IEffectParameters& effect)
{
  std::vector<ParameterInfo> list;
  int32_t count = 0;
  FUZZ_CHECK(effect.GetNumberOfParameters(&count) == AAX_SUCCESS);
  for (int32_t i = 0; i < count; ++i)
  {
    ParameterInfo p;
    p.index = i;
    if (effect.GetParameterIDFromIndex(i, &p.id) != AAX_SUCCESS)
      continue;
    const char* id = p.id.c_str();
    effect.GetParameterName(id, &p.name);
    effect.GetParameterNumberOfSteps(id, &p.steps);
    effect.GetParameterDefaultNormalizedValue(id, &p.defaultValue);
    effect.GetParameterType(id, &p.type);
    effect.GetParameterIsAutomatable(id, &p.automatable);
    effect.GetParameterNormalizedValue(id, &p.value);
    effect.GetParameterValueString(id, &p.text, 32);
    list.push_back(std::move(p));
  }
  return list;
}

void Resolve(const AAX_IEffectParameters& effect, const std::vector<ParameterInfo>& params, const Assignment& a)
{
  ParameterChange change;
  std::string error;
  if (ResolveAssignment(effect, params, a, change, error))
  {
    FUZZ_CHECK(InRange(change.normalized, 0.0, 1.0));
    FUZZ_CHECK(FindParameter(params, change.name) != nullptr);
  }
  else
    FUZZ_CHECK(!error.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  Instance& instance = TheInstance();
  const AAX_IEffectParameters& effect = instance.plugin;
  static const std::vector<ParameterInfo> params = ReadParameters(effect);

  const std::string text(reinterpret_cast<const char*>(data), size);

  // The whole input as one --set argument.
  Assignment assignment;
  std::string error;
  if (ParseAssignment(text, assignment, error))
  {
    FUZZ_CHECK(!assignment.name.empty() && !assignment.value.empty());
    Resolve(effect, params, assignment);
  }
  else
    FUZZ_CHECK(!error.empty());

  // The whole input as an automation file.
  std::istringstream file(text);
  std::vector<AutomationEvent> events;
  error.clear();
  if (ParseAutomation(file, events, error))
  {
    for (size_t i = 0; i < events.size(); ++i)
    {
      FUZZ_CHECK(events[i].frame >= 0 && events[i].line >= 1);
      FUZZ_CHECK(i == 0 || events[i - 1].frame <= events[i].frame);
      if (i < 8)
        Resolve(effect, params, events[i].assignment);
    }
  }
  else
    FUZZ_CHECK(!error.empty());
  return 0;
}
