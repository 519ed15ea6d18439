#pragma once
// Parameter exposure: the AAX parameter made for each framework parameter (by its type), and the taper
// that follows a framework parameter's own shape. The render callback is
// AAX_CIPlugParameters::RenderAllInstances, registered by the description.

#include <memory>

#include "aax/AAX_CParameter.h"
#include "IPlug/IPlugParameter.h"

namespace iplug {

// Follows a framework parameter: its range, its shape mapping and its constrain (clamp and step snap).
// Keeps a reference: the parameter must outlive the delegate (both live as long as the instance).
template <typename T>
class AAX_CIPlugTaperDelegate final : public AAX_ITaperDelegate<T>
{
public:
  explicit AAX_CIPlugTaperDelegate(const IParam& param) : mParam(param) {}
  std::unique_ptr<AAX_ITaperDelegate<T>> Clone() const override
  {
    return std::make_unique<AAX_CIPlugTaperDelegate>(*this);
  }
  T GetMinimumValue() const override { return static_cast<T>(mParam.GetMin()); }
  T GetMaximumValue() const override { return static_cast<T>(mParam.GetMax()); }
  T ConstrainRealValue(T value) const override
  {
    return static_cast<T>(mParam.ClampToRange(static_cast<double>(value))); // step snap, then clamp
  }
  T NormalizedToReal(double normalized) const override { return static_cast<T>(mParam.ValueFromNormalized(normalized)); }
  double RealToNormalized(T real) const override { return mParam.NormalizedFromValue(static_cast<double>(real)); }

private:
  const IParam& mParam;
};

// The "Master Bypass" parameter under `id`: bool, binary taper, "bypass"/"on", 2 steps, discrete.
std::unique_ptr<AAX_IParameter> MakeMasterBypassParameter(const char* id);

// The AAX parameter for a framework parameter (null for type none), steps and type already set.
std::unique_ptr<AAX_IParameter> MakeAAXParameter(const char* id, const IParam& param);

} // namespace iplug
