#pragma once
// Shared by the fuzz targets: an invariant check that libFuzzer records as a crash, and one Quorvane
// instance per process, initialised the way a host does (a fake controller answers its requests).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/Quorvane.h"
#include "tests/support/FakeAAXHost.h"

// abort() rather than assert(): the check must survive NDEBUG builds.
#define FUZZ_CHECK(condition)                                                                                  \
  do                                                                                                           \
  {                                                                                                            \
    if (!(condition))                                                                                          \
    {                                                                                                          \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);                    \
      std::abort();                                                                                            \
    }                                                                                                          \
  } while (false)

namespace quorvane::fuzz {

inline constexpr int kStateSize = 164; // editor width, height, zoom, then 19 float64 values

struct Instance
{
  Instance() { FUZZ_CHECK(controller.Attach(plugin) == AAX_SUCCESS); }

  // Between inputs: the fake host records every call, which would otherwise grow without bound.
  void ForgetHostCalls()
  {
    controller.mAutomation.mCalls.clear();
    controller.mPackets.clear();
    controller.mLatencies.clear();
  }

  // Every AAX identifier the effect exposes (the master bypass and the framework parameters).
  std::vector<std::string> ParameterIDs() const
  {
    std::vector<std::string> ids;
    int32_t count = 0;
    FUZZ_CHECK(plugin.GetNumberOfParameters(&count) == AAX_SUCCESS);
    for (int32_t i = 0; i < count; ++i)
    {
      std::string id;
      if (plugin.GetParameterIDFromIndex(i, &id) == AAX_SUCCESS)
        ids.push_back(id);
    }
    return ids;
  }

  Quorvane plugin;
  test::FakeController controller;
};

// Constructed on first use, never destroyed: libFuzzer may exit from any thread at any time.
inline Instance& TheInstance()
{
  static Instance* instance = new Instance();
  return *instance;
}

inline bool InRange(double value, double lo, double hi) { return std::isfinite(value) && value >= lo && value <= hi; }

// Every framework parameter inside its range, every AAX parameter's normalised value inside [0, 1].
inline void CheckParameters(Instance& instance, const std::vector<std::string>& ids)
{
  for (int i = 0; i < instance.plugin.NParams(); ++i)
  {
    const iplug::IParam* param = instance.plugin.GetParam(i);
    FUZZ_CHECK(InRange(param->Value(), param->GetMin(), param->GetMax()));
    FUZZ_CHECK(InRange(param->GetNormalized(), 0.0, 1.0));
  }
  for (const std::string& id : ids)
  {
    double normalized = -1.0;
    FUZZ_CHECK(instance.plugin.GetParameterNormalizedValue(id.c_str(), &normalized) == AAX_SUCCESS);
    FUZZ_CHECK(InRange(normalized, 0.0, 1.0));
  }
}

} // namespace quorvane::fuzz
