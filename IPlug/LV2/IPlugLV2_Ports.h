#pragma once
// What a plug-in's LV2 module tells the binding (its URIs, variants and meter), and the port list each
// variant has. The DSP module, the UI module and the TTL generator all build the list from the same
// parameter table, so the indexes the host sees in the TTL are the ones the code reads.

#include <string>
#include <vector>

namespace iplug {

class IEditorDelegate;
class IPlugHosted;

// One plug-in of the bundle: a channel count with an optional mono side chain.
struct IPlugLV2_Variant
{
  const char* mURI = "";
  const char* mUIURI = "";
  int mMainChannels = 2;
  bool mSideChain = true;
};

struct IPlugLV2_Info
{
  static constexpr int kMaxVariants = 2;

  IPlugLV2_Variant mVariants[kMaxVariants];
  int mNumVariants = 0;
  const char* mBinary = "";   // the DSP module's file name in the bundle
  const char* mUIBinary = ""; // the editor module's
  // Prefix of the plug-in's own URIs: the state key and the editor messages ("<prefix>state", ...).
  const char* mURIPrefix = "";
  // The plug-in class hosts file it under, in Turtle ("lv2:CompressorPlugin"); empty for none.
  const char* mCategory = "";
  // The read-only parameter the editor shows as a meter: an output port, never a control input.
  int mMeterParam = -1;
  const char* mMeterSymbol = "";
  const char* mMeterName = "";
  // The most latency the plug-in ever reports (samples).
  int mMaxLatency = 0;
  // UI thread of whichever module asks: a new plug-in object (null when construction failed).
  IPlugHosted* (*mCreate)() = nullptr;

  // null when the URI names none of the variants
  const IPlugLV2_Variant* FindVariant(const char* uri) const;
  const IPlugLV2_Variant* FindVariantByUI(const char* uiURI) const;
};

enum class LV2PortKind
{
  kAudioIn,
  kSideChainIn,
  kAudioOut,
  kParam,   // control input for one framework parameter
  kEnabled, // the host's bypass switch (lv2:enabled)
  kLatency, // control output (lv2:latency)
  kMeter,   // control output: the meter the editor shows
  kControl, // atom input: messages from the editor
  kNotify,  // atom output: messages to the editor
};

struct LV2Port
{
  LV2PortKind mKind = LV2PortKind::kParam;
  int mChannel = 0;   // audio ports: the channel on their bus
  int mParamIdx = -1; // kParam and kMeter
  std::string mSymbol;
  std::string mName;
};

// The ports in index order: main inputs, the side chain, outputs, one control input per defined
// parameter in parameter order, then enabled, latency, the meter and the two atom ports.
std::vector<LV2Port> MakeLV2Ports(const IEditorDelegate& plug, const IPlugLV2_Variant& variant,
                                  const IPlugLV2_Info& info);

// -1 when the list has no port of that kind
int FindLV2Port(const std::vector<LV2Port>& ports, LV2PortKind kind);

} // namespace iplug
