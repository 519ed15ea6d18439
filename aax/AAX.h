#pragma once
// Our stand-in for the vendor's AAX SDK: the plain types, numeric values and records both sides of
// the module boundary agree on. Values (codes, property numbers, stem formats, field indexes) are the
// ones the AAX format fixes; everything here is written from what the binding and host need.

#include <cstdint>

using AAX_Result = int32_t;
using AAX_CTypeID = uint32_t;
using AAX_CFieldIndex = int32_t;
using AAX_CParamID = const char*;
using AAX_CSampleRate = float;
using AAX_CTimestamp = int64_t;
using AAX_EStemFormat = int32_t;

// A four-character code: the first character in the most significant byte ('IEF1' is 0x49454631).
constexpr uint32_t AAX_FourCC(const char (&code)[5])
{
  return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

// ------------------------------------------------------------------------------------------ results
// The codes this code base meets by name; -20001 .. -20046 are all the format's named errors.
enum AAX_EError : int32_t
{
  AAX_SUCCESS = 0,
  AAX_ERROR_INVALID_PARAMETER_ID = -20001,
  AAX_ERROR_INVALID_STRING_CONVERSION = -20002,
  AAX_ERROR_NULL_OBJECT = -20004,
  AAX_ERROR_INVALID_CHUNK_INDEX = -20006,
  AAX_ERROR_INVALID_CHUNK_ID = -20007,
  AAX_ERROR_INCORRECT_CHUNK_SIZE = -20008,
  AAX_ERROR_UNIMPLEMENTED = -20009,
  AAX_ERROR_INVALID_PARAMETER_INDEX = -20010,
  AAX_ERROR_NOT_INITIALIZED = -20011,
  AAX_ERROR_UNKNOWN_EXCEPTION = -20042,

  AAX_ERROR_NAMED_FIRST = -20046,
  AAX_ERROR_NAMED_LAST = -20001,
  AAX_ERROR_PLUGIN_BEGIN = -21000, // plug-in defined errors: -21000 .. -20600
  AAX_ERROR_PLUGIN_END = -20600,
};

// The name of a result: the error's name ("AAX error -200NN" for the named range where this code base has
// no name of its own), "plug-in defined error", or "<unknown error code>".
const char* AAX_ResultName(AAX_Result result);

// The identifier a parameter must have for GetMasterBypassParameter to name it to the host.
inline constexpr const char* cDefaultMasterBypassID = "MasterBypassID";

// COM-style results of the ACF exports.
inline constexpr AAX_Result AAX_ACF_E_UNEXPECTED = static_cast<AAX_Result>(0x8000FFFF);

// ------------------------------------------------------------------------------------ stem formats
inline constexpr AAX_EStemFormat AAX_eStemFormat_Mono = 0x00000001;
inline constexpr AAX_EStemFormat AAX_eStemFormat_Stereo = 0x00010002;
inline constexpr AAX_EStemFormat AAX_eStemFormat_None = static_cast<AAX_EStemFormat>(0xFF9C0000);

// Channel count of a stem format: its low 16 bits.
constexpr int32_t AAX_STEM_FORMAT_CHANNEL_COUNT(AAX_EStemFormat format) { return format & 0xFFFF; }

// ------------------------------------------------------------------------------- property numbers
enum AAX_EProperty : uint32_t
{
  AAX_eProperty_ManufacturerID = 11,
  AAX_eProperty_ProductID = 12,
  AAX_eProperty_PlugInID_Native = 13,
  AAX_eProperty_PlugInID_AudioSuite = 14,
  AAX_eProperty_InputStemFormat = 51,
  AAX_eProperty_OutputStemFormat = 52,
  AAX_eProperty_LatencyContribution = 56,
  AAX_eProperty_CanBypass = 60,
  AAX_eProperty_HybridOutputStemFormat = 90,
  AAX_eProperty_HybridInputStemFormat = 91,
  AAX_eProperty_SupportsSideChainInput = 116,
  AAX_eProperty_UsesClientGUI = 151,
  AAX_eProperty_Constraint_AlwaysProcess = 300,
  AAX_eProperty_Constraint_MultiMonoSupport = 304,
  AAX_eProperty_UsesTransport = 306,
};

// The enumerator's name of a property number ("AAX_eProperty_ManufacturerID"), or nullptr for one this
// stand-in does not know.
constexpr const char* AAX_PropertyName(uint32_t property)
{
  switch (property)
  {
    case AAX_eProperty_ManufacturerID: return "AAX_eProperty_ManufacturerID";
    case AAX_eProperty_ProductID: return "AAX_eProperty_ProductID";
    case AAX_eProperty_PlugInID_Native: return "AAX_eProperty_PlugInID_Native";
    case AAX_eProperty_PlugInID_AudioSuite: return "AAX_eProperty_PlugInID_AudioSuite";
    case AAX_eProperty_InputStemFormat: return "AAX_eProperty_InputStemFormat";
    case AAX_eProperty_OutputStemFormat: return "AAX_eProperty_OutputStemFormat";
    case AAX_eProperty_LatencyContribution: return "AAX_eProperty_LatencyContribution";
    case AAX_eProperty_CanBypass: return "AAX_eProperty_CanBypass";
    case AAX_eProperty_HybridOutputStemFormat: return "AAX_eProperty_HybridOutputStemFormat";
    case AAX_eProperty_HybridInputStemFormat: return "AAX_eProperty_HybridInputStemFormat";
    case AAX_eProperty_SupportsSideChainInput: return "AAX_eProperty_SupportsSideChainInput";
    case AAX_eProperty_UsesClientGUI: return "AAX_eProperty_UsesClientGUI";
    case AAX_eProperty_Constraint_AlwaysProcess: return "AAX_eProperty_Constraint_AlwaysProcess";
    case AAX_eProperty_Constraint_MultiMonoSupport: return "AAX_eProperty_Constraint_MultiMonoSupport";
    case AAX_eProperty_UsesTransport: return "AAX_eProperty_UsesTransport";
    default: return nullptr;
  }
}

// Whether a property's value is a four-character code (an identifier rather than a number).
constexpr bool AAX_PropertyIsFourCC(uint32_t property)
{
  return property == AAX_eProperty_ManufacturerID || property == AAX_eProperty_ProductID ||
         property == AAX_eProperty_PlugInID_Native || property == AAX_eProperty_PlugInID_AudioSuite;
}

// ------------------------------------------------------------------------------------ node types
enum AAX_EMIDINodeType : int32_t
{
  AAX_eMIDINodeType_LocalInput = 0,
  AAX_eMIDINodeType_LocalOutput = 1,
  AAX_eMIDINodeType_Global = 2,
  AAX_eMIDINodeType_Transport = 3,
};

// Data-in port type of the state-number field.
inline constexpr int32_t AAX_eDataInPortType_Unbuffered = 1;

// Effect category: dynamics.
inline constexpr uint32_t AAX_ePlugInCategory_Dynamics = 2;

// Create procedures a description registers.
enum AAX_EProcPtrID : int32_t
{
  kAAX_ProcPtrID_Create_EffectParameters = 0,
  kAAX_ProcPtrID_Create_EffectGUI = 1,
};

// Parameter types the host shows.
enum AAX_EParameterType : int32_t
{
  AAX_eParameterType_Discrete = 0,
  AAX_eParameterType_Continuous = 1,
};

enum AAX_EUpdateSource : int32_t
{
  AAX_eUpdateSource_Unspecified = 0,
  AAX_eUpdateSource_Parameter = 1,
  AAX_eUpdateSource_Chunk = 2,
  AAX_eUpdateSource_Delay = 3,
};

// Notifications the host sends an effect.
inline constexpr AAX_CTypeID AAX_eNotificationEvent_SideChainBeingConnected = AAX_FourCC("AXsc");
inline constexpr AAX_CTypeID AAX_eNotificationEvent_TrackNameChanged = AAX_FourCC("AXtn");
inline constexpr AAX_CTypeID AAX_eNotificationEvent_EnteringOfflineMode = AAX_FourCC("AXof");
inline constexpr AAX_CTypeID AAX_eNotificationEvent_ExitingOfflineMode = AAX_FourCC("AXox");

// ---------------------------------------------------------------------------------------- records
struct AAX_CMidiPacket
{
  uint32_t mTimestamp = 0;
  uint32_t mLength = 0;
  uint8_t mData[4] = {};
  bool mIsImmediate = false;
};

struct AAX_CMidiStream
{
  uint32_t mBufferSize = 0;
  AAX_CMidiPacket* mBuffer = nullptr;
};

struct AAX_Point
{
  float vert = 0.0f;
  float horz = 0.0f;
};

struct AAX_GUID
{
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  friend constexpr bool operator==(const AAX_GUID&, const AAX_GUID&) = default;
};

// The interface ACFRegisterPlugin hands back: {00EEF015-7FD0-11D6-8485-00306542A024}.
inline constexpr AAX_GUID IID_IACFPluginDefinition = {0x00EEF015, 0x7FD0, 0x11D6,
                                                      {0x84, 0x85, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};

inline constexpr uint64_t AAX_SDK_VERSION = 0x00000204013449EAull;

// A state chunk as the host hands it over: a header, then fSize bytes of data. The header also says
// how many data bytes the host really allocated (fDataCapacity), so a plug-in never has to trust
// fSize alone.
struct AAX_SPlugInChunkHeader
{
  int32_t fSize = 0;
  int32_t fVersion = 0;
  AAX_CTypeID fManufacturerID = 0;
  AAX_CTypeID fProductID = 0;
  AAX_CTypeID fPlugInID = 0;
  AAX_CTypeID fChunkID = 0;
  char fName[32] = {};
  uint32_t fDataCapacity = 0;
};

struct AAX_SPlugInChunk : AAX_SPlugInChunkHeader
{
  char fData[1];
};

// The render-context fields every component registers; each is an 8-byte slot.
enum AAX_EPlugContextField : AAX_CFieldIndex
{
  kAAX_FieldIndex_InputBuffers = 0,
  kAAX_FieldIndex_OutputBuffers = 1,
  kAAX_FieldIndex_BlockLength = 2,
  kAAX_FieldIndex_Clock = 3,
  kAAX_FieldIndex_InputMidi = 4,
  kAAX_FieldIndex_OutputMidi = 5,
  kAAX_FieldIndex_GlobalMidi = 6,
  kAAX_FieldIndex_Transport = 7,
  kAAX_FieldIndex_MoreInputMidiFirst = 8,
  kAAX_FieldIndex_MoreInputMidiLast = 22,
  kAAX_FieldIndex_Private = 23,
  kAAX_FieldIndex_Meters = 24,
  kAAX_FieldIndex_ChangeNumber = 25,
  kAAX_FieldIndex_SideChain = 26,
  kAAX_NumPlugContextFields = 27,
};
