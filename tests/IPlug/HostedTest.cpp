// The format-neutral plug-in a binding owns: what it hands the binding (gestures, resize, the latency on
// the timer's thread), and its rendering of any length from host buffers, with the host bypass fading
// to the input delayed by the latency.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "IPlug/IPlugHosted.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/ManualRunLoop.h"

using namespace iplug;

namespace {

PluginConfig Config()
{
  PluginConfig config;
  config.mParamCount = 2;
  config.mChannelIOString = "2-2 2.1-2";
  return config;
}

// Gain 0.5 on every channel; reports the latency it is asked for from the audio thread.
class HalfGain : public IPlugHosted
{
public:
  HalfGain()
    : IPlugHosted(Config())
  {
    GetParam(0)->DefineDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    GetParam(1)->DefineInt("Mode", 0, 0, 3);
    ReserveLatency(32);
  }

  void ProcessAudioBlock(sample** inputs, sample** outputs, int frames) override
  {
    for (int c = 0; c < 2; ++c)
    {
      for (int i = 0; i < frames; ++i)
        outputs[c][i] = 0.5 * inputs[c][i];
    }
    sideChainSeen = sideChainSeen || inputs[2][0] != 0.0;
    ReportMeter(0, 0.25);
    if (wantedLatency != GetLatency())
      ReportLatency(wantedLatency);
  }

  void IdleHook() override { ++idles; }

  int wantedLatency = 0;
  bool sideChainSeen = false;
  int idles = 0;
};

struct RecordingBinding final : IPlugHostedBinding
{
  void BeginParamChange(int idx) override { log.push_back("begin " + std::to_string(idx)); }
  void ParamValueChange(int idx, double value) override
  {
    log.push_back("value " + std::to_string(idx) + " " + std::to_string(value));
  }
  void EndParamChange(int idx) override { log.push_back("end " + std::to_string(idx)); }
  bool ResizeView(int width, int height) override
  {
    log.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
    return true;
  }
  void LatencyChanged(int samples) override { latencies.push_back(samples); }

  std::vector<std::string> log;
  std::vector<int> latencies;
};

struct Signal
{
  explicit Signal(int frames)
    : left(static_cast<size_t>(frames))
    , right(static_cast<size_t>(frames))
    , outLeft(static_cast<size_t>(frames))
    , outRight(static_cast<size_t>(frames))
  {
    for (int i = 0; i < frames; ++i)
    {
      left[static_cast<size_t>(i)] = static_cast<float>(std::sin(0.01 * i));
      right[static_cast<size_t>(i)] = static_cast<float>(std::cos(0.013 * i));
    }
  }
  IPlugHosted::HostAudio Audio(int offset = 0)
  {
    in[0] = left.data() + offset;
    in[1] = right.data() + offset;
    out[0] = outLeft.data() + offset;
    out[1] = outRight.data() + offset;
    IPlugHosted::HostAudio audio;
    audio.inputs = in;
    audio.outputs = out;
    audio.channels = 2;
    return audio;
  }
  std::vector<float> left, right, outLeft, outRight;
  const float* in[2] = {};
  float* out[2] = {};
};

} // namespace

TEST(Hosted, GesturesResizeAndHostValuesTakeTheBindingsPaths)
{
  HalfGain plug;
  RecordingBinding binding;
  plug.SetBinding(&binding);
  plug.BeginParamGestureFromUI(1);
  plug.SendParamValueFromUI(1, 1.0);
  plug.EndParamGestureFromUI(1);
  EXPECT_TRUE(plug.ResizeHostView(640, 480));
  const std::vector<std::string> expected{"begin 1", "value 1 1.000000", "end 1", "resize 640x480"};
  EXPECT_EQ(binding.log, expected);

  // A host's real value is clamped into range, as every host change is.
  plug.SetParameterRealValueFromHost(1, 7.6);
  EXPECT_EQ(plug.GetParam(1)->Value(), 3.0);
  plug.SetParameterRealValueFromHost(0, -99.0);
  EXPECT_EQ(plug.GetParam(0)->Value(), -10.0);

  plug.SetBinding(nullptr);
  EXPECT_FALSE(plug.ResizeHostView(1, 1));
}

TEST(Hosted, ALatencyReportedWhileRenderingReachesTheBindingOnceOnTheTimer)
{
  quorvane::test::ManualRunLoop loop;
  HalfGain plug;
  RecordingBinding binding;
  plug.SetBinding(&binding);
  plug.CreateTimer();
  ASSERT_TRUE(plug.PrepareToRender(48000.0, 64));
  plug.ResetRendering();
  Signal signal(256);
  plug.wantedLatency = 16;
  plug.Render(signal.Audio(), 256, false);
  EXPECT_TRUE(binding.latencies.empty()) << "not from the audio thread";
  loop.Advance(20);
  loop.Advance(20);
  EXPECT_EQ(binding.latencies, std::vector<int>{16});
  EXPECT_EQ(plug.GetLatency(), 16);
}

// A format may lend its run loop only while its view is attached, and again for the next view.
TEST(Hosted, TheTimerRunsWhileTheBindingLendsARunLoop)
{
  quorvane::test::ManualRunLoop loop;
  HalfGain plug;
  loop.Advance(40);
  EXPECT_EQ(plug.idles, 0) << "no timer before a loop is lent";
  plug.SetRunLoop(&loop);
  loop.Advance(40);
  EXPECT_EQ(plug.idles, 2);
  plug.SetRunLoop(nullptr);
  loop.Advance(40);
  EXPECT_EQ(plug.idles, 2) << "none after it is taken back";
  plug.SetRunLoop(&loop);
  loop.Advance(20);
  EXPECT_EQ(plug.idles, 3);
}

TEST(Hosted, RefusesRatesOutsideTheSupportedRange)
{
  HalfGain plug;
  for (const double rate : {0.0, 7999.0, 768001.0, 1e12, std::nan("")})
    EXPECT_FALSE(plug.PrepareToRender(rate, 64)) << rate;
  EXPECT_TRUE(plug.PrepareToRender(8000.0, 64));
  EXPECT_TRUE(plug.PrepareToRender(768000.0, 64));
  EXPECT_EQ(plug.GetSampleRate(), 768000.0);
}

// Three blocks and one frame in one call give what the same audio gives in blocks; no allocation.
TEST(Hosted, AnyLengthIsRenderedInSlicesWithoutAllocating)
{
  constexpr int kBlock = 64;
  constexpr int kFrames = 3 * kBlock + 1;
  HalfGain whole;
  HalfGain pieces;
  for (HalfGain* plug : {&whole, &pieces})
  {
    ASSERT_TRUE(plug->PrepareToRender(48000.0, kBlock));
    plug->ResetRendering();
  }
  Signal a(kFrames);
  Signal b(kFrames);
  {
    const quorvane::test::AllocationScope counter;
    whole.Render(a.Audio(), kFrames, false);
    for (int offset = 0; offset < kFrames; offset += 7)
      pieces.Render(b.Audio(offset), std::min(7, kFrames - offset), false);
    EXPECT_EQ(counter.Count(), 0);
  }
  EXPECT_EQ(a.outLeft, b.outLeft);
  EXPECT_EQ(a.outRight, b.outRight);
  EXPECT_EQ(a.outLeft[kFrames - 1], 0.5f * a.left[kFrames - 1]);
  EXPECT_EQ(whole.GetMeterValue(), 0.25);
}

// The side chain reaches the slot after the main channels only when the host gives one.
TEST(Hosted, TheSideChainTakesItsSlotWhenConnected)
{
  HalfGain plug;
  ASSERT_TRUE(plug.PrepareToRender(48000.0, 64));
  plug.ResetRendering();
  Signal signal(64);
  plug.Render(signal.Audio(), 64, false);
  EXPECT_FALSE(plug.sideChainSeen);
  std::vector<float> key(64, 0.5f);
  IPlugHosted::HostAudio audio = signal.Audio();
  audio.sideChain = key.data();
  plug.Render(audio, 64, false);
  EXPECT_TRUE(plug.sideChainSeen);
}

TEST(Hosted, BypassFadesToTheInputDelayedByTheLatencyAndShowsNoMeter)
{
  constexpr double kRate = 48000.0;
  HalfGain plug;
  ASSERT_TRUE(plug.PrepareToRender(kRate, 128));
  plug.wantedLatency = 32;
  plug.ResetRendering();
  const int fade = static_cast<int>(std::ceil(IPlugHosted::kBypassFadeSeconds * kRate));
  const int frames = 4 * fade;
  Signal signal(frames);
  plug.Render(signal.Audio(), 128, false); // the latency takes effect
  ASSERT_EQ(plug.GetLatency(), 32);
  plug.Render(signal.Audio(128), frames - 128, true);
  EXPECT_EQ(plug.GetMeterValue(), 0.0);
  EXPECT_EQ(plug.GetLatency(), 32) << "bypassing keeps the latency";
  // Half-way through the fade both signals count; after it the output is the delayed input, exactly.
  const auto mid = static_cast<size_t>(128 + fade / 2);
  EXPECT_NEAR(signal.outLeft[mid], 0.5f * (0.5f * signal.left[mid] + signal.left[mid - 32]), 0.01f);
  for (int i = 128 + fade + 1; i < frames; ++i)
    ASSERT_EQ(signal.outLeft[static_cast<size_t>(i)], signal.left[static_cast<size_t>(i - 32)]) << i;
}
