#include "host/ParamSetting.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quorvane::host;

TEST(ParamSetting, AssignmentsAreTrimmedAndNeedBothSides)
{
  Assignment a;
  std::string error;
  ASSERT_TRUE(ParseAssignment("  Attack Time = 10 ms ", a, error));
  EXPECT_EQ(a.name, "Attack Time");
  EXPECT_EQ(a.value, "10 ms");
  ASSERT_TRUE(ParseAssignment("Threshold=-6=x", a, error)); // only the first '=' splits
  EXPECT_EQ(a.value, "-6=x");
  for (const char* bad : {"Ratio", "=4:1", "Ratio=", " = "})
  {
    error.clear();
    EXPECT_FALSE(ParseAssignment(bad, a, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ParamSetting, AutomationFileIsOrderedByFrameAndKeepsFileOrderWithinAFrame)
{
  std::istringstream in("# header\n"
                        "96000 Ratio=10:1\n"
                        "\n"
                        "0 Threshold=-3   # start\n"
                        "96000 Ratio=2:1\n"
                        "48000 Oversampling=Oversampling On\n");
  std::vector<AutomationEvent> events;
  std::string error;
  ASSERT_TRUE(ParseAutomation(in, events, error)) << error;
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].frame, 0);
  EXPECT_EQ(events[0].assignment.value, "-3");
  EXPECT_EQ(events[1].assignment.value, "Oversampling On");
  EXPECT_EQ(events[2].assignment.value, "10:1");
  EXPECT_EQ(events[3].assignment.value, "2:1");
  EXPECT_EQ(events[3].line, 5);
}

TEST(ParamSetting, AutomationErrorsNameTheLine)
{
  for (const char* text : {"x Ratio=4:1\n", "-5 Ratio=4:1\n", "100\n", "0 Ratio\n", "99999999999999999999999 Ratio=1\n"})
  {
    std::istringstream in(std::string("0 Ratio=2:1\n") + text);
    std::vector<AutomationEvent> events;
    std::string error;
    EXPECT_FALSE(ParseAutomation(in, events, error)) << text;
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  }
}

TEST(ParamSetting, KnownDisplayTextsCoverTheIntParametersTheHostShowsAsNumbers)
{
  EXPECT_EQ(KnownDisplayTexts("ratio").at(3), "4:1");
  EXPECT_EQ(KnownDisplayTexts("Release Time").at(4), "Auto");
  EXPECT_EQ(KnownDisplayTexts("ATTACK TIME").at(4), "10 ms");
  EXPECT_EQ(KnownDisplayTexts("Oversampling").at(1), "Oversampling On");
  EXPECT_TRUE(KnownDisplayTexts("Threshold").empty());
}

TEST(ParamSetting, ParametersAreFoundByNameInAnyCaseOrByTheirIndex)
{
  std::vector<ParameterInfo> params(3);
  params[0].id = "MasterBypassID";
  params[0].name = "Master Bypass";
  params[1].id = "15";
  params[1].name = "Ratio";
  params[2].id = "8";
  params[2].name = "Threshold";
  EXPECT_EQ(FindParameter(params, "  rAtIo "), &params[1]);
  EXPECT_EQ(FindParameter(params, "master bypass"), &params[0]);
  EXPECT_EQ(FindParameter(params, "14"), &params[1]); // index 14 is identifier "15"
  EXPECT_EQ(FindParameter(params, "7"), &params[2]);
  EXPECT_EQ(FindParameter(params, "10"), nullptr);     // index 10 has no host parameter
  EXPECT_EQ(FindParameter(params, "Ratios"), nullptr);
  EXPECT_EQ(FindParameter(params, "-1"), nullptr);
}
