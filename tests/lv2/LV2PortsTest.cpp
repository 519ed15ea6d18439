// The LV2 port list and the bundle's Turtle against the parameter table they are made from: the
// generated TTL is read back through lilv, as every host reads it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "IPlug/LV2/IPlugLV2_Ports.h"
#include "plugin/Quorvane.h"
#include "plugin/QuorvaneLV2.h"
#include "tests/lv2/LilvHost.h"

using namespace iplug;
using namespace quorvane;
using quorvane::test::LilvWorldHolder;

namespace {

bool ValidSymbol(const std::string& s)
{
  if (s.empty() || !(std::islower(static_cast<unsigned char>(s[0])) || s[0] == '_'))
    return false;
  for (char c : s)
  {
    if (!(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_'))
      return false;
  }
  return true;
}

} // namespace

TEST(LV2Ports, EveryDefinedParameterHasOneControlInputInIndexOrder)
{
  Quorvane plug;
  const IPlugLV2_Info& info = LV2Info();
  for (int v = 0; v < info.mNumVariants; ++v)
  {
    SCOPED_TRACE(info.mVariants[v].mURI);
    const std::vector<LV2Port> ports = MakeLV2Ports(plug, info.mVariants[v], info);
    std::set<std::string> symbols;
    int lastParam = -1;
    int params = 0;
    int audioIn = 0;
    int audioOut = 0;
    for (const LV2Port& port : ports)
    {
      EXPECT_TRUE(ValidSymbol(port.mSymbol)) << port.mSymbol;
      EXPECT_TRUE(symbols.insert(port.mSymbol).second) << "twice: " << port.mSymbol;
      audioIn += port.mKind == LV2PortKind::kAudioIn;
      audioOut += port.mKind == LV2PortKind::kAudioOut;
      if (port.mKind != LV2PortKind::kParam)
        continue;
      EXPECT_GT(port.mParamIdx, lastParam);
      EXPECT_NE(plug.GetParam(port.mParamIdx)->Type(), kTypeNone);
      EXPECT_STREQ(port.mName.c_str(), plug.GetParam(port.mParamIdx)->GetName());
      lastParam = port.mParamIdx;
      ++params;
    }
    EXPECT_EQ(params, kNumParams - 2); // 0 and the meter are never control inputs
    EXPECT_EQ(audioIn, info.mVariants[v].mMainChannels);
    EXPECT_EQ(audioOut, info.mVariants[v].mMainChannels);
    EXPECT_EQ(FindLV2Port(ports, LV2PortKind::kSideChainIn) >= 0, info.mVariants[v].mSideChain);
    ASSERT_GE(FindLV2Port(ports, LV2PortKind::kMeter), 0);
    EXPECT_EQ(ports[static_cast<size_t>(FindLV2Port(ports, LV2PortKind::kMeter))].mParamIdx, kMeter);
    for (LV2PortKind kind : {LV2PortKind::kEnabled, LV2PortKind::kLatency, LV2PortKind::kControl, LV2PortKind::kNotify})
      EXPECT_GE(FindLV2Port(ports, kind), 0);
  }
}

// What the host reads from the built bundle is what the parameter table says: index, symbol, range,
// default, integer/toggle/enumeration properties, the display texts as scale points, and the unit.
TEST(LV2Ports, TheBundleDescribesTheParameterTable)
{
  Quorvane plug;
  const IPlugLV2_Info& info = LV2Info();
  LilvWorld* world = LilvWorldHolder::Shared().World();
  LilvNode* integer = lilv_new_uri(world, LV2_CORE__integer);
  LilvNode* toggled = lilv_new_uri(world, LV2_CORE__toggled);
  LilvNode* enumeration = lilv_new_uri(world, LV2_CORE__enumeration);
  LilvNode* unitProp = lilv_new_uri(world, "http://lv2plug.in/ns/extensions/units#unit");
  LilvNode* latency = lilv_new_uri(world, LV2_CORE__reportsLatency);
  LilvNode* designation = lilv_new_uri(world, LV2_CORE__designation);
  LilvNode* enabled = lilv_new_uri(world, LV2_CORE__enabled);

  for (int v = 0; v < info.mNumVariants; ++v)
  {
    SCOPED_TRACE(info.mVariants[v].mURI);
    const LilvPlugin* plugin = LilvWorldHolder::Shared().Find(info.mVariants[v].mURI);
    ASSERT_NE(plugin, nullptr) << "bundle not found under " << QUORVANE_LV2_DIR;
    const std::vector<LV2Port> ports = MakeLV2Ports(plug, info.mVariants[v], info);
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), ports.size());

    LilvNode* name = lilv_plugin_get_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(name), "Quorvane");
    lilv_node_free(name);
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    ASSERT_NE(author, nullptr);
    EXPECT_STREQ(lilv_node_as_string(author), "Kestrove");
    lilv_node_free(author);
    EXPECT_STREQ(lilv_node_as_string(lilv_plugin_class_get_label(lilv_plugin_get_class(plugin))), "Compressor Plugin");
    EXPECT_TRUE(lilv_plugin_has_latency(plugin));

    for (size_t i = 0; i < ports.size(); ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, static_cast<uint32_t>(i));
      EXPECT_EQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), ports[i].mSymbol);
      if (ports[i].mKind == LV2PortKind::kEnabled)
      {
        LilvNodes* d = lilv_port_get_value(plugin, port, designation);
        EXPECT_TRUE(d != nullptr && lilv_nodes_contains(d, enabled));
        lilv_nodes_free(d);
      }
      if (ports[i].mKind == LV2PortKind::kLatency)
      {
        EXPECT_TRUE(lilv_port_has_property(plugin, port, latency));
      }
      if (ports[i].mKind != LV2PortKind::kParam)
        continue;
      const IParam& param = *plug.GetParam(ports[i].mParamIdx);
      SCOPED_TRACE(param.GetName());
      LilvNode* def = nullptr;
      LilvNode* min = nullptr;
      LilvNode* max = nullptr;
      lilv_port_get_range(plugin, port, &def, &min, &max);
      ASSERT_TRUE(def && min && max);
      EXPECT_FLOAT_EQ(lilv_node_as_float(def), static_cast<float>(param.GetDefault()));
      EXPECT_FLOAT_EQ(lilv_node_as_float(min), static_cast<float>(param.GetMin()));
      EXPECT_FLOAT_EQ(lilv_node_as_float(max), static_cast<float>(param.GetMax()));
      lilv_node_free(def);
      lilv_node_free(min);
      lilv_node_free(max);

      const bool isInt = param.Type() != kTypeDouble;
      EXPECT_EQ(lilv_port_has_property(plugin, port, integer), isInt);
      EXPECT_EQ(lilv_port_has_property(plugin, port, toggled), isInt && param.GetMax() - param.GetMin() == 1.0);
      EXPECT_EQ(lilv_port_has_property(plugin, port, enumeration), isInt && param.GetMax() - param.GetMin() > 1.0);

      LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
      EXPECT_EQ(points != nullptr ? static_cast<int>(lilv_scale_points_size(points)) : 0, param.NDisplayTexts());
      LILV_FOREACH (scale_points, it, points)
      {
        const LilvScalePoint* point = lilv_scale_points_get(points, it);
        const double value = lilv_node_as_float(lilv_scale_point_get_value(point));
        EXPECT_STREQ(lilv_node_as_string(lilv_scale_point_get_label(point)), param.DisplayTextForValue(value));
      }
      lilv_scale_points_free(points);

      const char* expectedUnit = std::strcmp(param.GetLabel(), "dB") == 0  ? "db"
                                 : std::strcmp(param.GetLabel(), "%") == 0 ? "pc"
                                 : std::strcmp(param.GetLabel(), "Hz") == 0 ? "hz"
                                                                            : nullptr;
      LilvNodes* units = lilv_port_get_value(plugin, port, unitProp);
      if (expectedUnit == nullptr)
        EXPECT_EQ(units, nullptr);
      else
      {
        ASSERT_NE(units, nullptr);
        const std::string unit = lilv_node_as_uri(lilv_nodes_get_first(units));
        EXPECT_EQ(unit.substr(unit.find('#') + 1), expectedUnit);
      }
      lilv_nodes_free(units);
    }
  }
  for (LilvNode* n : {integer, toggled, enumeration, unitProp, latency, designation, enabled})
    lilv_node_free(n);
}
