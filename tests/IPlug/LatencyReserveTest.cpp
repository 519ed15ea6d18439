// A latency change is reported from the audio thread; once the largest latency is reserved, changing
// between the latencies a plug-in reports must not allocate, and the line must still delay exactly.

#include "IPlug/IPlugStructs.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <vector>

using iplug::LatencyDelayLine;
using iplug::sample;

TEST(LatencyReserve, ChangingUpToTheReservedDelayAllocatesNothing)
{
  LatencyDelayLine line(3, 2, 0); // stereo plus a side-chain input, as the plug-in has
  line.Reserve(64);
  quorvane::test::AllocationScope scope;
  line.SetDelay(64);
  line.SetDelay(0);
  line.SetDelay(64);
  EXPECT_EQ(scope.Count(), 0);
  EXPECT_EQ(line.Delay(), 64u);
}

TEST(LatencyReserve, ReservedLineDelaysByTheNewLatency)
{
  LatencyDelayLine line(2, 2, 0);
  line.Reserve(64);
  line.SetDelay(64);
  std::vector<sample> in(128, 0.0), out(128, 1.0);
  in[3] = 0.5;
  const sample* ins[] = {in.data(), in.data()};
  sample* outs[] = {out.data(), out.data()};
  line.ProcessBlock(ins, outs, 128);
  for (size_t i = 0; i < out.size(); ++i)
    EXPECT_EQ(out[i], i == 67 ? 0.5 : 0.0) << i;
}
