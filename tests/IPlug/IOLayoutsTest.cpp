// Channel-layout parsing and the layout queries a host binding asks when it describes the plug-in.

#include "tests/IPlug/TestProcessor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using iplug::ChannelDirection;
using quorvane::test::kQuorvaneIO;
using quorvane::test::TestProcessor;

namespace {

constexpr ChannelDirection kIn = ChannelDirection::Input;
constexpr ChannelDirection kOut = ChannelDirection::Output;

// Parses `io` and writes the layouts back in the same grammar, then the four totals: "1.2-2 |4 2 2 1".
std::string Reparse(const char* io)
{
  std::vector<iplug::IOLayout> layouts;
  int inCh = -1, outCh = -1, inBus = -1, outBus = -1;
  const int count = iplug::IPlugProcessor::ParseIOLayouts(io, layouts, inCh, outCh, inBus, outBus);
  EXPECT_EQ(count, static_cast<int>(layouts.size()));
  std::string text;
  for (const auto& layout : layouts)
  {
    for (ChannelDirection direction : {kIn, kOut})
    {
      for (const auto& bus : layout.Buses(direction))
      {
        EXPECT_EQ(bus.mDirection, direction);
        text += std::to_string(bus.mChannelCount) + ".";
      }
      text += direction == kIn ? "-" : " ";
    }
  }
  return text + "|" + std::to_string(inCh) + " " + std::to_string(outCh) + " " + std::to_string(inBus) + " " +
         std::to_string(outBus);
}

} // namespace

TEST(ParseIOLayouts, BusListsAndTotals)
{
  EXPECT_EQ(Reparse(kQuorvaneIO), "1.-1. 1.1.-1. 1.2.-1. 1.2.-2. 2.1.-1. 2.1.-2. 2.-2. 2.2.-2. |4 2 2 1");
  EXPECT_EQ(Reparse("*-*"), "-64.--64. |0 0 1 1"); // a wildcard never raises the channel totals
  EXPECT_EQ(Reparse("2.0-2 x-1"), "2.-2. -1. |2 2 1 1");
  EXPECT_EQ(Reparse(""), "|0 0 0 0");
  EXPECT_EQ(Reparse(nullptr), "|0 0 0 0");
  // Duplicates kept, stray spaces separate nothing, a dash-less token is inputs only.
  EXPECT_EQ(Reparse("  2-2  2-2 1"), "2.-2. 2.-2. 1.- |2 2 1 1");
}

TEST(IOLayoutQueries, LegalIOMaxBusCountAndMaxChannelsOnBus)
{
  TestProcessor frame;
  EXPECT_TRUE(frame.LegalIO(-1, 2));
  EXPECT_TRUE(frame.LegalIO(3, 2));
  EXPECT_TRUE(frame.LegalIO(2, 1));
  EXPECT_FALSE(frame.LegalIO(4, 1));
  EXPECT_FALSE(frame.LegalIO(1, 2));

  int index = -1;
  EXPECT_EQ(frame.MaxBusCount(kIn, &index), 2);
  EXPECT_EQ(index, 7) << "ties go to the later layout";
  EXPECT_EQ(frame.MaxBusCount(kOut, &index), 1);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(TestProcessor("").MaxBusCount(kIn, &index), 0);
  EXPECT_EQ(index, 0);

  EXPECT_EQ(frame.MaxChannelsOnBus(kIn, 0), 2);
  EXPECT_EQ(frame.MaxChannelsOnBus(kIn, 1), 2);
  EXPECT_EQ(frame.MaxChannelsOnBus(kOut, 0), 2);
  EXPECT_EQ(frame.MaxChannelsOnBus(kIn, 2), 0);
  EXPECT_EQ(TestProcessor("*-*").MaxChannelsOnBus(kIn, 0), -1);
  TestProcessor mixed("1.3-1 2-2 4.1-1");
  EXPECT_EQ(mixed.MaxChannelsOnBus(kIn, 0), 4);
  EXPECT_EQ(mixed.MaxChannelsOnBus(kIn, 1), 3);
}

TEST(IOLayoutQueries, BusNames)
{
  TestProcessor frame;
  auto name = [&](ChannelDirection direction, int bus, int count) {
    std::string text = "stale";
    frame.BusNameFor(direction, bus, count, text);
    return text;
  };
  EXPECT_EQ(name(kIn, 1, 2), "Aux");
  EXPECT_EQ(name(kIn, 0, 2), "Main");
  EXPECT_EQ(name(kIn, 0, 3), "Input 0");
  EXPECT_EQ(name(kIn, 0, 1), "Input");
  EXPECT_EQ(name(kOut, 0, 1), "Output");
  EXPECT_EQ(name(kOut, -7, 4), "Output -7");
}
