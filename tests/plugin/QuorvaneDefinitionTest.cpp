// The plug-in's identity, parameter table and texts, as hosts and the editor see them.

#include <gtest/gtest.h>

#include <string>

#include "plugin/Quorvane.h"

using namespace iplug;
using namespace quorvane;

namespace {

std::string Display(const IParam& param, double value)
{
  std::string text;
  param.FormatForDisplay(value, false, text);
  return text;
}

} // namespace

TEST(QuorvaneDefinition, IdentityAndLayouts)
{
  Quorvane plug;
  EXPECT_STREQ(plug.GetPluginName(), "Quorvane");
  EXPECT_STREQ(plug.GetMakerName(), "Kestrove");
  EXPECT_EQ(plug.GetUniqueID(), 0x51727631u); // 'Qrv1'
  EXPECT_EQ(plug.GetMakerID(), 0x4B737472u);  // 'Kstr'
  EXPECT_EQ(plug.GetPluginVersionStr(), "v7.0.0");
  EXPECT_EQ(plug.GetPluginVersion(true), 70000);
  EXPECT_EQ(plug.GetAPI(), 4);
  EXPECT_EQ(plug.GetHost(), -1);
  EXPECT_EQ(plug.LayoutCount(), 8);
  EXPECT_EQ(plug.ChannelCount(ChannelDirection::Input), 4);
  EXPECT_EQ(plug.ChannelCount(ChannelDirection::Output), 2);
  EXPECT_EQ(plug.GetEditorWidth(), 605);
  EXPECT_EQ(plug.GetMaxHeight(), 1204);

  ASSERT_EQ(plug.NPresets(), 1);
  EXPECT_EQ(plug.GetPreset(0)->mName, "empty");
  EXPECT_FALSE(plug.GetPreset(0)->mInitialized);
}

TEST(QuorvaneDefinition, ParameterTable)
{
  Quorvane plug;
  ASSERT_EQ(plug.NParams(), 19);
  const struct
  {
    int idx;
    const char* name;
    ParamType type;
    double def, min, max, step;
    const char* label;
    int precision;
  } table[] = {
    {1, "Boost", kTypeDouble, 0, 0, 10, 0.1, "dB", 1},
    {2, "HF", kTypeDouble, 100, 0, 100, 1, "%", 0},
    {3, "HPF", kTypeDouble, 20, 20, 500, 1, "Hz", 0},
    {4, "Make-Up Gain", kTypeDouble, 0, 0, 15, 0.1, "dB", 1},
    {5, "Mid Gain", kTypeDouble, 0, -6, 6, 0.01, "dB", 2},
    {6, "Compressor Mix", kTypeDouble, 100, 0, 100, 1, "%", 0},
    {7, "Threshold", kTypeDouble, 15, -15, 15, 0.1, "dB", 1},
    {8, "Transient Mix", kTypeDouble, 0, 0, 100, 1, "%", 0},
    {9, "Transient Tilt", kTypeDouble, 0, -6, 6, 0.1, "dB", 1},
    {11, "Attack Time", kTypeInt, 0, 0, 5, 1, "", 0},
    {12, "Bypass", kTypeInt, 1, 0, 1, 1, "", 0},
    {13, "External Sidechain", kTypeInt, 0, 0, 1, 1, "", 0},
    {14, "Ratio", kTypeInt, 0, 0, 5, 1, "", 0},
    {15, "Release Time", kTypeInt, 0, 0, 4, 1, "", 0},
    {16, "Turbo", kTypeInt, 0, 0, 1, 1, "", 0},
    {17, "XFormer", kTypeInt, 0, 0, 1, 1, "", 0},
    {18, "Oversampling", kTypeInt, 0, 0, 1, 1, "", 0},
  };
  for (const auto& row : table)
  {
    const IParam& p = *plug.GetParam(row.idx);
    SCOPED_TRACE(row.name);
    EXPECT_STREQ(p.GetName(), row.name);
    EXPECT_EQ(p.Type(), row.type);
    EXPECT_EQ(p.GetDefault(), row.def);
    EXPECT_EQ(p.Value(), row.def);
    EXPECT_EQ(p.GetMin(), row.min);
    EXPECT_EQ(p.GetMax(), row.max);
    EXPECT_EQ(p.GetStep(), row.step);
    EXPECT_STREQ(p.GetLabel(), row.label);
    EXPECT_EQ(p.GetPrecision(), row.precision);
    EXPECT_EQ(p.Unit(), kUnitCustom);
    EXPECT_EQ(p.CurveCode(), 0);
    EXPECT_EQ(p.GetFlags(), row.type == kTypeInt ? StepSnapped : 0);
  }
  for (int idx : {0, 10})
  {
    EXPECT_EQ(plug.GetParam(idx)->Type(), kTypeNone);
    EXPECT_STREQ(plug.GetParam(idx)->GetName(), "");
    EXPECT_EQ(plug.GetParam(idx)->GetMax(), 1.0);
  }
  EXPECT_EQ(plug.GetParam(19), nullptr);
  EXPECT_EQ(plug.GetParam(-1), nullptr);
}

TEST(QuorvaneDefinition, DisplayTextsAndLabels)
{
  Quorvane plug;
  EXPECT_EQ(Display(*plug.GetParam(kRatio), 3), "4:1");
  EXPECT_EQ(Display(*plug.GetParam(kReleaseTime), 4), "Auto");
  EXPECT_EQ(Display(*plug.GetParam(kAttackTime), 2), "1 ms");
  EXPECT_EQ(Display(*plug.GetParam(kOversampling), 1), "Oversampling On");
  EXPECT_EQ(Display(*plug.GetParam(kMidGain), -1.5), "-1.50");
  EXPECT_EQ(Display(*plug.GetParam(kBypass), 1), "1");

  EXPECT_EQ(plug.GetParam(kOversampling)->ParseDisplayText("Oversampling On"), 1.0);
  EXPECT_EQ(plug.GetParam(kAttackTime)->ParseDisplayText("2"), 2.0);
  EXPECT_EQ(plug.GetParam(kThreshold)->ParseDisplayText("-3.25 dB"), -3.25);
  EXPECT_EQ(plug.GetParam(kThreshold)->ParseDisplayText("-30 dB"), -15.0);

  IParam& ratio = *plug.GetParam(kRatio);
  for (int v = 0; v <= 5; ++v)
  {
    ratio.Set(v);
    EXPECT_STREQ(ratio.LabelForHost(), "") << v;
  }
  EXPECT_STREQ(plug.GetParam(kBoost)->LabelForHost(), "dB");
}
