#pragma once
// A result holder for the registration path: taking in anything but success traces
// "AAX_CheckedResult - throwing %s" and throws, so a description step that fails ends the description.

#include <exception>

#include "aax/AAX.h"

class AAX_CheckedResult
{
public:
  class Exception : public std::exception
  {
  public:
    explicit Exception(AAX_Result result) : mResult(result) {}
    AAX_Result Result() const { return mResult; }
    const char* what() const noexcept override { return AAX_ResultName(mResult); }

  private:
    AAX_Result mResult;
  };

  AAX_CheckedResult() = default;
  // throws on failure
  AAX_CheckedResult(AAX_Result result) { Check(result); } // NOLINT: implicit on purpose
  AAX_CheckedResult& operator=(AAX_Result result)
  {
    Check(result);
    return *this;
  }
  AAX_Result Result() const { return mResult; }

private:
  void Check(AAX_Result result);

  AAX_Result mResult = AAX_SUCCESS;
};
