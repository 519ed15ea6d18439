// Audio through the frame: host floats in and out, disconnected channels, the bypass path and its latency
// delay, hostile host input, and the no-allocation promise of the audio path.

#include "tests/IPlug/TestProcessor.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using iplug::ChannelDirection;
using quorvane::test::TestProcessor;
using Doubles = std::vector<double>;

namespace {

constexpr ChannelDirection kIn = ChannelDirection::Input;
constexpr ChannelDirection kOut = ChannelDirection::Output;

// Host float buffers; Ramp() makes channel c hold 100·(c + 1) + frame, so each sample says where it came from.
struct Host
{
  Host(size_t channels, size_t frames) : data(channels, std::vector<float>(frames, 7.0f))
  {
    for (auto& channel : data)
      ptrs.push_back(channel.data());
  }
  void Ramp()
  {
    for (size_t c = 0; c < data.size(); ++c)
      for (size_t s = 0; s < data[c].size(); ++s)
        data[c][s] = static_cast<float>(100 * (c + 1) + s);
  }
  std::vector<std::vector<float>> data;
  std::vector<float*> ptrs;
};

// What a host binding does before each block: connect everything and attach.
void Attach(TestProcessor& frame, Host& in, Host& out, int frames)
{
  frame.SetChannelsConnected(kIn, 0, frame.ChannelCount(kIn), true);
  frame.AttachHostBuffers(kIn, 0, frame.ChannelCount(kIn), in.ptrs.data(), frames);
  frame.SetChannelsConnected(kOut, 0, frame.ChannelCount(kOut), true);
  frame.AttachHostBuffers(kOut, 0, frame.ChannelCount(kOut), out.ptrs.data(), frames);
}

} // namespace

TEST(ProcessorChannels, DisconnectedSlotsConsumeNoHostBufferAndKeepTheirScratch)
{
  TestProcessor frame;
  frame.mRecordInputs = true;
  frame.ApplyBlockSize(4);
  Host in(4, 4), out(2, 4);
  in.Ramp();

  frame.SetChannelsConnected(kIn, 0, 4, true);
  frame.SetChannelsConnected(kIn, 1, 1, false);
  frame.SetChannelsConnected(kIn, 3, 9, false);
  EXPECT_EQ(frame.ConnectedChannelCount(kIn), 2);
  frame.AttachHostBuffers(kIn, 0, 4, in.ptrs.data(), 4);
  frame.ProcessHostBlock(4);
  EXPECT_EQ(frame.mSeenInputs[1], Doubles(4, 0.0)) << "never carried audio: silence";
  EXPECT_EQ(frame.mSeenInputs[2], (Doubles{200, 201, 202, 203})) << "takes the host's second buffer";

  Attach(frame, in, out, 4);
  frame.SetChannelsConnected(kIn, 2, 2, false); // side chain unplugged: its scratch is not cleared
  frame.AttachHostBuffers(kIn, 0, 2, in.ptrs.data(), 4);
  frame.ApplyBlockSize(4); // same size touches nothing
  frame.ProcessHostBlock(4);
  EXPECT_EQ(frame.mSeenInputs[3], (Doubles{400, 401, 402, 403}));

  frame.ApplyBlockSize(8);
  frame.ProcessHostBlock(8);
  EXPECT_EQ(frame.mSeenInputs[3], Doubles(8, 0.0));
}

TEST(ProcessorChannels, NonFiniteInputBecomesSilenceAndFiniteConvertsExactly)
{
  TestProcessor frame("1-1");
  frame.mRecordInputs = true;
  frame.ApplyBlockSize(7);
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kTiny = std::numeric_limits<float>::denorm_min();
  constexpr float kMax = std::numeric_limits<float>::max();
  Host in(1, 7), out(1, 7);
  in.data[0] = {std::nanf(""), kInf, -kInf, 0.1f, -kTiny, kMax, -0.0f};
  Attach(frame, in, out, 7);
  frame.ProcessHostBlock(7);

  EXPECT_EQ(frame.mSeenInputs[0], (Doubles{0.0, 0.0, 0.0, double(0.1f), -double(kTiny), double(kMax), 0.0}));
  EXPECT_TRUE(std::signbit(frame.mSeenInputs[0][6]));
  EXPECT_EQ(out.data[0][3], 0.1f);
}

TEST(ProcessorBlocks, DefaultBlockCopiesSameIndexAndWritesOnlyConnectedOutputs)
{
  TestProcessor frame("1-2");
  frame.ApplyBlockSize(4);
  Host in(1, 4), out(2, 4);
  in.Ramp();
  Attach(frame, in, out, 4);
  frame.SetChannelsConnected(kOut, 1, 1, false);
  frame.ProcessHostBlock(4);
  EXPECT_EQ(out.data[0], in.data[0]);
  EXPECT_EQ(out.data[1][0], 7.0f) << "disconnected: not written back";

  frame.SetChannelsConnected(kOut, 1, 1, true);
  frame.PassThroughBlock(4);
  EXPECT_EQ(out.data[1], std::vector<float>(4, 0.0f)) << "no input 1: silence";
}

TEST(ProcessorBypass, PassesInputsThroughDelayedByExactlyTheLatency)
{
  TestProcessor frame;
  frame.CreateLatencyDelay();
  frame.ApplyBlockSize(8);
  Host in(4, 8), out(2, 8);
  in.Ramp();
  Attach(frame, in, out, 8);
  frame.PassThroughBlock(8);
  EXPECT_EQ(out.data[0], in.data[0]);
  EXPECT_EQ(out.data[1], in.data[1]);

  // Uneven block lengths make the write position wrap mid-block.
  frame.ReportLatency(3);
  std::vector<float> stream0, stream1;
  float next = 1.0f;
  for (int frames : {5, 8, 2, 7})
  {
    for (size_t s = 0; s < static_cast<size_t>(frames); ++s, next += 1.0f)
      in.data[0][s] = next, in.data[1][s] = -next;
    Attach(frame, in, out, frames);
    frame.PassThroughBlock(frames);
    stream0.insert(stream0.end(), out.data[0].begin(), out.data[0].begin() + frames);
    stream1.insert(stream1.end(), out.data[1].begin(), out.data[1].begin() + frames);
  }
  for (size_t s = 0; s < stream0.size(); ++s)
  {
    const float expected = s < 3 ? 0.0f : static_cast<float>(s - 2);
    EXPECT_EQ(stream0[s], expected) << "frame " << s;
    EXPECT_EQ(stream1[s], -expected) << "frame " << s;
  }

  TestProcessor noInputs("0-2");
  noInputs.CreateLatencyDelay();
  EXPECT_FALSE(noInputs.HasLatencyDelay());
}

TEST(ProcessorHostInput, OversizeNegativeAndNullAreHarmless)
{
  TestProcessor frame("2-2");
  Host in(2, 16), out(2, 16);
  in.Ramp();

  Attach(frame, in, out, 16); // no block size yet: nothing may be read or written
  frame.ProcessHostBlock(16);
  frame.PassThroughBlock(16);
  EXPECT_EQ(out.data[0][0], 7.0f);

  frame.ApplyBlockSize(8);
  Attach(frame, in, out, 1000);
  frame.ProcessHostBlock(1000);
  EXPECT_EQ(out.data[0][7], in.data[0][7]);
  EXPECT_EQ(out.data[0][8], 7.0f) << "frames beyond the block size must be cut";
  out.data[1].assign(16, 7.0f);
  frame.ProcessHostBlock(-5);
  EXPECT_EQ(out.data[1][0], 7.0f);

  // A null entry reads as silence and still takes its place in the host array.
  frame.mRecordInputs = true;
  float* withHole[] = {nullptr, in.ptrs[1]};
  frame.AttachHostBuffers(kIn, 0, 2, nullptr, 8);
  frame.SetChannelsConnected(kIn, -3, 100, true);
  frame.AttachHostBuffers(kIn, -3, 100, withHole, 8);
  frame.ProcessHostBlock(8);
  EXPECT_EQ(frame.mSeenInputs[0], Doubles(8, 0.0));
  EXPECT_EQ(frame.mSeenInputs[1][0], 200.0);

  frame.ReportLatency(-9);
  EXPECT_EQ(frame.GetLatency(), 0);
}

TEST(ProcessorHostInput, GrowingTheBlockLeavesNoDanglingPointers)
{
  TestProcessor frame("2-2");
  frame.ApplyBlockSize(4);
  Host in(2, 4), out(2, 4), longOut(2, 2048);
  Attach(frame, in, out, 4);
  frame.SetChannelsConnected(kIn, 1, 1, false);
  frame.ApplyBlockSize(2048); // every scratch buffer moves

  frame.ProcessHostBlock(2048); // the host buffers attached for 4 frames are forgotten, not overrun
  EXPECT_EQ(out.data[0][0], in.data[0][0]);

  frame.AttachHostBuffers(kOut, 0, 2, longOut.ptrs.data(), 2048);
  frame.ProcessHostBlock(2048); // inputs not re-attached: they must read live, cleared scratch
  EXPECT_EQ(longOut.data[0][2047], 0.0f);
  EXPECT_EQ(longOut.data[1][0], 0.0f);
}

TEST(ProcessorRealTime, AudioPathDoesNotAllocateOnceSized)
{
  TestProcessor frame;
  frame.CreateLatencyDelay();
  frame.ApplyBlockSize(512);
  frame.ReportLatency(64);
  Host in(4, 512), out(2, 512);

  long allocations = 0;
  {
    quorvane::test::AllocationScope scope;
    for (int block = 0; block < 4; ++block)
    {
      frame.ApplyBlockSize(512);
      frame.SetChannelsConnected(kIn, 0, 2, true);
      frame.SetChannelsConnected(kIn, 2, 2, false);
      frame.AttachHostBuffers(kIn, 0, 4, in.ptrs.data(), 512);
      frame.SetChannelsConnected(kOut, 0, 2, true);
      frame.AttachHostBuffers(kOut, 0, 2, out.ptrs.data(), 512);
      frame.ProcessHostBlock(block == 3 ? 100 : 512);
      frame.PassThroughBlock(512);
      frame.ReportLatency(64); // unchanged: clears the delay without reallocating
    }
    allocations = scope.Count();
  }
  EXPECT_EQ(allocations, 0);

  // The counter does see the two allowed allocations, so the zero above means something.
  quorvane::test::AllocationScope scope;
  frame.ApplyBlockSize(1024);
  frame.ReportLatency(128);
  EXPECT_GE(scope.Count(), 7);
}
