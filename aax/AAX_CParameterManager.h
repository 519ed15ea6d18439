#pragma once
// The effect's AAX parameters in registration order, found by index or identifier. Owns them.
// Parameters are added and removed on the host's set-up thread while nothing renders.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "aax/AAX_CParameter.h"

class AAX_CParameterManager
{
public:
  // set-up; later parameters get the delegate as they are added
  void Initialize(AAX_IAutomationDelegate* delegate);
  // set-up; takes ownership. Null or an identifier already registered: nothing changes (false; the
  // refused parameter is freed)
  bool AddParameter(std::unique_ptr<AAX_IParameter> parameter);
  // set-up
  void RemoveAllParameters();

  // any thread; null when absent
  AAX_IParameter* GetParameterByID(AAX_CParamID id) const;
  AAX_IParameter* GetParameter(int32_t index) const;
  // -1 when absent
  int32_t GetParameterIndex(AAX_CParamID id) const;
  int32_t NumParameters() const { return static_cast<int32_t>(mParameters.size()); }

private:
  AAX_IAutomationDelegate* mAutomationDelegate = nullptr;
  std::vector<std::unique_ptr<AAX_IParameter>> mParameters;
  std::map<std::string, int32_t, std::less<>> mIndexByID;
};
