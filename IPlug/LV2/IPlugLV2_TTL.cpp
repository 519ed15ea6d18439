#include "IPlug/LV2/IPlugLV2_TTL.h"

#include <cstdio>
#include <cstring>

#include "IPlug/IPlugParamExport.h"
#include "IPlug/LV2/IPlugLV2.h"

namespace iplug {

namespace {

// A Turtle string literal.
std::string Quoted(const char* text)
{
  std::string out = "\"";
  for (const char* c = text; *c != '\0'; ++c)
  {
    if (*c == '"' || *c == '\\')
      out += '\\';
    out += *c;
  }
  return out + "\"";
}

// Numbers as Turtle decimals ("1.5", "20.0"): a plain integer would read as xsd:integer.
std::string Decimal(double value)
{
  char text[64];
  std::snprintf(text, sizeof(text), "%.9g", value);
  std::string out = text;
  if (out.find_first_of(".eE") == std::string::npos)
    out += ".0";
  return out;
}

const char* UnitFor(ExportUnit unit)
{
  switch (unit)
  {
    case ExportUnit::kDecibels: return "units:db";
    case ExportUnit::kPercent: return "units:pc";
    case ExportUnit::kHertz: return "units:hz";
    case ExportUnit::kMilliseconds: return "units:ms";
    case ExportUnit::kNone: break;
  }
  return nullptr;
}

void WriteParamPort(std::string& ttl, const ParamExport& param)
{
  ttl += "    lv2:default " + Decimal(param.defaultValue) + " ;\n";
  ttl += "    lv2:minimum " + Decimal(param.min) + " ;\n";
  ttl += "    lv2:maximum " + Decimal(param.max) + " ;\n";
  switch (param.kind)
  {
    case ParamKind::kToggle: ttl += "    lv2:portProperty lv2:integer , lv2:toggled ;\n"; break;
    case ParamKind::kChoice: ttl += "    lv2:portProperty lv2:integer , lv2:enumeration ;\n"; break;
    case ParamKind::kStepped: ttl += "    lv2:portProperty lv2:integer ;\n"; break;
    case ParamKind::kContinuous:
    case ParamKind::kUndefined: break;
  }
  if (const char* unit = UnitFor(param.unit))
    ttl += std::string("    units:unit ") + unit + " ;\n";
  for (int i = 0; i < param.param->NDisplayTexts(); ++i)
  {
    double value = 0.0;
    const char* text = param.param->GetDisplayText(i, &value);
    ttl += "    lv2:scalePoint [ rdfs:label " + Quoted(text) + " ; rdf:value " + Decimal(value) + " ] ;\n";
  }
}

void WritePort(std::string& ttl, const std::vector<ParamExport>& params, const IPlugLV2_Info& info, const LV2Port& port,
               size_t index)
{
  const char* types = "";
  switch (port.mKind)
  {
    case LV2PortKind::kAudioIn:
    case LV2PortKind::kSideChainIn: types = "lv2:AudioPort , lv2:InputPort"; break;
    case LV2PortKind::kAudioOut: types = "lv2:AudioPort , lv2:OutputPort"; break;
    case LV2PortKind::kParam:
    case LV2PortKind::kEnabled: types = "lv2:ControlPort , lv2:InputPort"; break;
    case LV2PortKind::kLatency:
    case LV2PortKind::kMeter: types = "lv2:ControlPort , lv2:OutputPort"; break;
    case LV2PortKind::kControl: types = "atom:AtomPort , lv2:InputPort"; break;
    case LV2PortKind::kNotify: types = "atom:AtomPort , lv2:OutputPort"; break;
  }
  ttl += std::string("  [\n    a ") + types + " ;\n";
  ttl += "    lv2:index " + std::to_string(index) + " ;\n";
  ttl += "    lv2:symbol " + Quoted(port.mSymbol.c_str()) + " ;\n";
  ttl += "    lv2:name " + Quoted(port.mName.c_str()) + " ;\n";
  switch (port.mKind)
  {
    case LV2PortKind::kSideChainIn: ttl += "    lv2:portProperty lv2:isSideChain , lv2:connectionOptional ;\n"; break;
    case LV2PortKind::kParam: WriteParamPort(ttl, params[static_cast<size_t>(port.mParamIdx)]); break;
    case LV2PortKind::kEnabled:
      ttl += "    lv2:designation lv2:enabled ;\n    lv2:portProperty lv2:integer , lv2:toggled ;\n"
             "    lv2:default 1 ;\n    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n";
      break;
    case LV2PortKind::kLatency:
      ttl += "    lv2:designation lv2:latency ;\n    lv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
             "    lv2:minimum 0 ;\n    lv2:maximum " + std::to_string(info.mMaxLatency) + " ;\n    units:unit units:frame ;\n";
      break;
    case LV2PortKind::kMeter: ttl += "    lv2:minimum 0.0 ;\n    lv2:maximum 1.0 ;\n"; break;
    case LV2PortKind::kControl:
    case LV2PortKind::kNotify:
      // Only the editor talks on these; hosts without atom support may leave them unconnected.
      ttl += "    atom:bufferType atom:Sequence ;\n    atom:supports atom:Object ;\n    lv2:designation lv2:control ;\n"
             "    lv2:portProperty lv2:connectionOptional ;\n"
             "    rsz:minimumSize " + std::to_string(IPlugLV2::kAtomPortMinimumSize) + " ;\n";
      break;
    default: break;
  }
  // Turtle wants the last statement of a blank node without its ';'.
  ttl.erase(ttl.size() - 3);
  ttl += "\n  ]";
}

} // namespace

std::string LV2ManifestTTL(const IPlugLV2_Info& info, const char* dataFile)
{
  std::string ttl = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n";
  for (int i = 0; i < info.mNumVariants; ++i)
  {
    const IPlugLV2_Variant& v = info.mVariants[i];
    ttl += std::string("\n<") + v.mURI + ">\n  a lv2:Plugin ;\n  lv2:binary <" + info.mBinary + "> ;\n  rdfs:seeAlso <" +
           dataFile + "> .\n";
    ttl += std::string("\n<") + v.mUIURI + ">\n  a ui:X11UI ;\n  ui:binary <" + info.mUIBinary + "> ;\n  rdfs:seeAlso <" +
           dataFile + "> .\n";
  }
  return ttl;
}

std::string LV2PluginTTL(const IPlugLV2_Info& info, const IPluginBase& plug)
{
  std::string ttl = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
                    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n";
  const int version = plug.GetPluginVersion(false);
  const int minor = (version >> 8) & 0xFF;
  const int micro = version & 0xFF;
  for (int i = 0; i < info.mNumVariants; ++i)
  {
    const IPlugLV2_Variant& v = info.mVariants[i];
    ttl += std::string("\n<") + v.mURI + ">\n  a lv2:Plugin , " +
           (*info.mCategory != '\0' ? std::string(info.mCategory) + " , " : std::string()) + "doap:Project ;\n";
    ttl += "  doap:name " + Quoted(plug.GetPluginName()) + " ;\n";
    // Hosts show the maintainer as the maker. LV2 versions have no major number: the full one goes in the
    // comment.
    ttl += "  doap:maintainer [ a foaf:Person ; foaf:name " + Quoted(plug.GetMakerName()) + " ] ;\n";
    ttl += "  rdfs:comment " + Quoted((std::string(plug.GetProductName()) + " " + plug.GetPluginVersionStr()).c_str()) +
           " ;\n";
    ttl += "  lv2:minorVersion " + std::to_string(minor) + " ;\n  lv2:microVersion " + std::to_string(micro) + " ;\n";
    ttl += "  lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options ;\n";
    ttl += "  opts:supportedOption bufsz:maxBlockLength ;\n  lv2:extensionData state:interface ;\n";
    ttl += std::string("  ui:ui <") + v.mUIURI + "> ;\n  lv2:port\n";
    const std::vector<LV2Port> ports = MakeLV2Ports(plug, v, info);
    const std::vector<ParamExport> params = ExportParams(plug);
    for (size_t p = 0; p < ports.size(); ++p)
    {
      WritePort(ttl, params, info, ports[p], p);
      ttl += p + 1 < ports.size() ? " ,\n" : " .\n";
    }

    // The editor: an X11 window in the host's, driven by the host's idle calls. It hears the meter and
    // the DSP's messages, besides the control inputs every host sends.
    ttl += std::string("\n<") + v.mUIURI + ">\n  a ui:X11UI ;\n";
    ttl += "  lv2:requiredFeature urid:map , ui:idleInterface , ui:parent ;\n";
    ttl += "  lv2:optionalFeature ui:resize , ui:touch , ui:noUserResize ;\n";
    ttl += "  lv2:extensionData ui:idleInterface ;\n";
    ttl += "  ui:portNotification\n";
    if (info.mMeterParam >= 0)
      ttl += std::string("    [ ui:plugin <") + v.mURI + "> ; lv2:symbol " + Quoted(info.mMeterSymbol) +
             " ; ui:protocol ui:floatProtocol ] ,\n";
    ttl += std::string("    [ ui:plugin <") + v.mURI + "> ; lv2:symbol \"notify\" ; ui:protocol atom:eventTransfer ] .\n";
  }
  return ttl;
}

} // namespace iplug
