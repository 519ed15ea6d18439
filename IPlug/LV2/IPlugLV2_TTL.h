#pragma once
// The bundle's Turtle, written from the plug-in object itself: its name, maker, version and parameter
// table become the manifest and the plug-in description, so the TTL can never drift from the code.

#include <string>

#include "IPlug/LV2/IPlugLV2_Ports.h"

namespace iplug {

class IPluginBase;

// manifest.ttl: each plug-in and UI with its binary, pointing at `dataFile` for the rest
std::string LV2ManifestTTL(const IPlugLV2_Info& info, const char* dataFile);
// the plug-ins (one per variant, with every port) and their X11 UIs
std::string LV2PluginTTL(const IPlugLV2_Info& info, const IPluginBase& plug);

} // namespace iplug
