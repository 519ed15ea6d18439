#pragma once
// What the checks of `quorvane-host validate` share: the report that prints each check and ends with
// "N passed, M failed", and the test every output sample must pass.

#include <cmath>
#include <cstdio>
#include <string>

namespace quorvane::host {

class Report
{
public:
  // main thread
  void Check(const std::string& name, bool ok, const std::string& detail = {})
  {
    (ok ? mPassed : mFailed) += 1;
    std::printf("%s  %s%s%s\n", ok ? "PASS" : "FAIL", name.c_str(), (!ok && !detail.empty()) ? ": " : "",
                ok ? "" : detail.c_str());
    std::fflush(stdout);
  }
  // main thread; the exit code
  int Finish() const
  {
    std::printf("%d passed, %d failed\n", mPassed, mFailed);
    return mFailed == 0 ? 0 : 1;
  }

private:
  int mPassed = 0;
  int mFailed = 0;
};

// any thread; finite and not subnormal: what a host may expect of any output sample. Null when clean,
// else what the sample is.
inline const char* SampleFault(float x)
{
  if (std::isnan(x))
    return "NaN";
  if (std::isinf(x))
    return "infinite";
  if (std::fpclassify(x) == FP_SUBNORMAL)
    return "subnormal";
  return nullptr;
}

} // namespace quorvane::host
