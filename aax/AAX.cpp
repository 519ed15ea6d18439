#include "aax/AAX.h"

const char* AAX_ResultName(AAX_Result result)
{
  switch (result)
  {
    case AAX_SUCCESS: return "AAX_SUCCESS";
    case AAX_ERROR_INVALID_PARAMETER_ID: return "AAX_ERROR_INVALID_PARAMETER_ID";
    case AAX_ERROR_INVALID_STRING_CONVERSION: return "AAX_ERROR_INVALID_STRING_CONVERSION";
    case AAX_ERROR_NULL_OBJECT: return "AAX_ERROR_NULL_OBJECT";
    case AAX_ERROR_INVALID_CHUNK_INDEX: return "AAX_ERROR_INVALID_CHUNK_INDEX";
    case AAX_ERROR_INVALID_CHUNK_ID: return "AAX_ERROR_INVALID_CHUNK_ID";
    case AAX_ERROR_INCORRECT_CHUNK_SIZE: return "AAX_ERROR_INCORRECT_CHUNK_SIZE";
    case AAX_ERROR_UNIMPLEMENTED: return "AAX_ERROR_UNIMPLEMENTED";
    case AAX_ERROR_INVALID_PARAMETER_INDEX: return "AAX_ERROR_INVALID_PARAMETER_INDEX";
    case AAX_ERROR_NOT_INITIALIZED: return "AAX_ERROR_NOT_INITIALIZED";
    case AAX_ERROR_UNKNOWN_EXCEPTION: return "AAX_ERROR_UNKNOWN_EXCEPTION";
    default: break;
  }
  // The rest of the format's named range: this code base meets none of them by name.
  if (result >= AAX_ERROR_NAMED_FIRST && result <= AAX_ERROR_NAMED_LAST)
    return "AAX named error";
  if (result >= AAX_ERROR_PLUGIN_BEGIN && result <= AAX_ERROR_PLUGIN_END)
    return "plug-in defined error";
  return "<unknown error code>";
}
