#pragma once
// The construction record that the plug-in class fills once and hands to every framework base. Each base
// copies what it needs during its own construction, so the texts only have to outlive that.

#include <cstdint>

namespace iplug {

enum PluginKind : int32_t
{
  kEffect = 0,
  kInstrument = 1,
  kMidiEffect = 2,
};

// A four-character code as a 32-bit value, first character in the most significant byte
// (FourCharCode("IEF1") == 0x49454631). Multi-character literals are implementation-defined, this is not.
constexpr uint32_t FourCharCode(const char (&code)[5])
{
  return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

struct PluginConfig
{
  int32_t mParamCount = 0;
  int32_t mPresetCount = 0;
  const char* mChannelIOString = ""; // e.g. "1-1 2-2"; grammar in IPlugProcessor::ParseIOLayouts
  const char* mPluginName = "";
  const char* mProductName = "";
  const char* mMakerName = "";
  int32_t mVersion = 0; // major in bits 31..16, minor in 15..8, patch in 7..0
  uint32_t mUniqueId = 0;
  uint32_t mMakerId = 0;
  int32_t mLatency = 0; // samples
  bool mAcceptsMidiInput = false;
  bool mProducesMidiOutput = false;
  bool mDoesMPE = false;
  bool mStateAsChunks = false;
  PluginKind mPluginKind = kEffect;
  bool mHasEditor = false;
  int32_t mEditorWidth = 0;
  int32_t mEditorHeight = 0;
  int32_t mEditorMinWidth = 0;
  int32_t mEditorMaxWidth = 0;
  int32_t mEditorMinHeight = 0;
  int32_t mEditorMaxHeight = 0;
  bool mHostMayResizeEditor = false;
  const char* mBundleId = "";
};

} // namespace iplug
