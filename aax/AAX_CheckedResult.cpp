#include "aax/AAX_CheckedResult.h"

#include "aax/AAX_CHostServices.h"

void AAX_CheckedResult::Check(AAX_Result result)
{
  mResult = result;
  if (result != AAX_SUCCESS)
  {
    AAX_CHostServices::Trace(AAX_eTracePriorityHost_Critical, "AAX_CheckedResult - throwing %s",
                             AAX_ResultName(result));
    throw Exception(result);
  }
}
