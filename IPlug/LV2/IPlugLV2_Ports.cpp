#include "IPlug/LV2/IPlugLV2_Ports.h"

#include <cstring>

#include "IPlug/IEditorDelegate.h"
#include "IPlug/IPlugParamExport.h"

namespace iplug {

const IPlugLV2_Variant* IPlugLV2_Info::FindVariant(const char* uri) const
{
  for (int i = 0; uri != nullptr && i < mNumVariants && i < kMaxVariants; ++i)
  {
    if (std::strcmp(mVariants[i].mURI, uri) == 0)
      return &mVariants[i];
  }
  return nullptr;
}

const IPlugLV2_Variant* IPlugLV2_Info::FindVariantByUI(const char* uiURI) const
{
  for (int i = 0; uiURI != nullptr && i < mNumVariants && i < kMaxVariants; ++i)
  {
    if (std::strcmp(mVariants[i].mUIURI, uiURI) == 0)
      return &mVariants[i];
  }
  return nullptr;
}

std::vector<LV2Port> MakeLV2Ports(const IEditorDelegate& plug, const IPlugLV2_Variant& variant,
                                  const IPlugLV2_Info& info)
{
  std::vector<LV2Port> ports;
  // Stereo channels are L and R; a single channel needs no suffix; other counts are numbered.
  auto audio = [&](LV2PortKind kind, const char* symbol, const char* name) {
    for (int c = 0; c < variant.mMainChannels; ++c)
    {
      LV2Port port{kind, c, -1, symbol, name};
      if (variant.mMainChannels == 2)
      {
        port.mSymbol.append(c == 0 ? "_l" : "_r");
        port.mName.append(c == 0 ? " L" : " R");
      }
      else if (variant.mMainChannels > 2)
      {
        port.mSymbol.append(std::to_string(c + 1));
        port.mName.append(" ").append(std::to_string(c + 1));
      }
      ports.push_back(std::move(port));
    }
  };
  audio(LV2PortKind::kAudioIn, "in", "Input");
  if (variant.mSideChain)
    ports.push_back({LV2PortKind::kSideChainIn, 0, -1, "sidechain", "Side Chain"});
  audio(LV2PortKind::kAudioOut, "out", "Output");
  for (const ParamExport& param : ExportParams(plug))
  {
    if (param.index == info.mMeterParam || param.kind == ParamKind::kUndefined)
      continue;
    ports.push_back({LV2PortKind::kParam, 0, param.index, param.symbol, param.param->GetName()});
  }
  ports.push_back({LV2PortKind::kEnabled, 0, -1, "enabled", "Enabled"});
  ports.push_back({LV2PortKind::kLatency, 0, -1, "latency", "Latency"});
  if (info.mMeterParam >= 0)
    ports.push_back({LV2PortKind::kMeter, 0, info.mMeterParam, info.mMeterSymbol, info.mMeterName});
  ports.push_back({LV2PortKind::kControl, 0, -1, "control", "Control"});
  ports.push_back({LV2PortKind::kNotify, 0, -1, "notify", "Notify"});
  return ports;
}

int FindLV2Port(const std::vector<LV2Port>& ports, LV2PortKind kind)
{
  for (size_t i = 0; i < ports.size(); ++i)
  {
    if (ports[i].mKind == kind)
      return static_cast<int>(i);
  }
  return -1;
}

} // namespace iplug
