// The API layer: host identification, the timer that feeds the editor, and the parameter paths
// between host, plug-in and editor.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "IPlug/IPlugAPIBase.h"
#include "tests/support/FakeGraphicsContext.h"
#include "tests/support/ManualRunLoop.h"

using namespace iplug;
using quorvane::test::FakeUI;

namespace {

PluginConfig TestConfig()
{
  PluginConfig config;
  config.mParamCount = 3;
  config.mPresetCount = 1;
  config.mPluginName = "Test";
  config.mVersion = 0x00020103;
  config.mHasEditor = true;
  config.mEditorWidth = 200;
  config.mEditorHeight = 100;
  config.mEditorMinWidth = 400; // given the wrong way round: the layer sorts them
  config.mEditorMaxWidth = 50;
  config.mEditorMinHeight = 20;
  config.mEditorMaxHeight = 300;
  return config;
}

// Records what the API layer tells the host and the DSP.
class RecordingPlugin : public IPlugAPIBase
{
public:
  RecordingPlugin()
    : IPlugAPIBase(TestConfig(), 4)
  {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->DefineDouble("p", 0.0, 0.0, 10.0, 0.0);
    quorvane::test::UseFakeGraphics(*this);
  }

  void OnParamChange(int idx, ParamSource source, int) override
  {
    if (mLogging)
      mLog.push_back("dsp " + std::to_string(idx) + " " + ParamSourceName(source));
  }
  void ParamValueToHost(int idx, double normalized) override
  {
    mLog.push_back("host " + std::to_string(idx) + " " + std::to_string(normalized));
  }
  void BeginParamChangeToHost(int idx) override { mLog.push_back("touch " + std::to_string(idx)); }
  void EndParamChangeToHost(int idx) override { mLog.push_back("release " + std::to_string(idx)); }
  void IdleHook() override { ++mIdles; }
  void HostIdentifiedHook() override { mLog.push_back("identified"); }
  void HostSetupHook() override { mLog.push_back("setup"); }
  void OnSysExForEditor(const SysExMessage& m) override { mSysExSizes.push_back(m.mSize); }

  // The editor-to-processor rings, drained as the audio thread would.
  bool PopSysExFromEditor(SysExData& data) { return mSysExDataFromEditor.Pop(data); }
  bool PushSysExToEditor(const SysExData& data) { return mSysExDataFromProcessor.Push(data); }

  std::vector<std::string> mLog;
  bool mLogging = true; // off when several threads drive the plug-in
  std::vector<int> mSysExSizes;
  int mIdles = 0;
};

} // namespace

TEST(APIBase, IdentifyHostByName)
{
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("Pro Tools"), 0);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("ProTools"), 2);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("WaveLab Elements 11"), 32);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("WAVELAB pro"), 31);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("Ableton Live 11"), 9);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("http://www.example"), 35);
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName("My Standalone Reaper"), 1) << "earlier keys win";
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName(nullptr), 0);
  // A key past the lowering buffer is not seen, and the long name is read safely.
  const std::string longName = std::string(300, 'x') + "reaper";
  EXPECT_EQ(IPlugAPIBase::IdentifyHostByName(longName.c_str()), 0);
}

TEST(APIBase, SetHostStoresCodeAndVersionThenRunsTheHooks)
{
  RecordingPlugin plug;
  plug.SetHost("ProTools", 0x00020103);
  EXPECT_EQ(plug.GetHost(), 2);
  EXPECT_EQ(plug.GetHostVersionStr(), "v2.1.3");
  EXPECT_EQ(plug.GetHostVersion(true), 20103);
  EXPECT_EQ(plug.mLog, (std::vector<std::string>{"identified", "setup"}));
  EXPECT_EQ(plug.GetMinWidth(), 50);
  EXPECT_EQ(plug.GetMaxWidth(), 400);
}

TEST(APIBase, ParameterPaths)
{
  RecordingPlugin plug;
  // Host to plug-in: stored, queued for the editor, then the DSP hears of it.
  plug.SetParameterValueFromHost(1, 0.25);
  EXPECT_EQ(plug.GetParam(1)->Value(), 2.5);
  EXPECT_EQ(plug.mLog, std::vector<std::string>{"dsp 1 Host"});

  // Editor to host: a gesture frames the values; each reaches the host and the DSP.
  plug.mLog.clear();
  plug.BeginParamGestureFromUI(2);
  plug.SendParamValueFromUI(2, 0.5);
  plug.EndParamGestureFromUI(2);
  EXPECT_EQ(plug.GetParam(2)->Value(), 5.0);
  EXPECT_EQ(plug.mLog, (std::vector<std::string>{"touch 2", "host 2 0.500000", "dsp 2 UI", "release 2"}));

  plug.mLog.clear();
  plug.PushAllParamsToHost();
  EXPECT_EQ(plug.mLog, (std::vector<std::string>{"host 0 0.000000", "host 1 0.250000", "host 2 0.500000"}));

  plug.mLog.clear();
  plug.SetParameterFromUI(7, 0.5); // unknown index: nothing happens
  EXPECT_TRUE(plug.mLog.empty());
  EXPECT_TRUE(plug.ResizeRequestFromEditor(10, 10, false));
  EXPECT_FALSE(plug.ResizeRequestFromEditor(10, 10, true)) << "no host view to resize";
}

TEST(APIBase, TimerTickFeedsTheEditor)
{
  quorvane::test::ManualRunLoop loop;
  RecordingPlugin plug;
  plug.CreateTimer();
  plug.OpenEditor(nullptr);
  FakeUI(plug)->mControlValues.clear();

  loop.Advance(20);
  EXPECT_EQ(plug.mIdles, 1) << "an empty queue still idles";
  EXPECT_TRUE(FakeUI(plug)->mControlValues.empty());

  plug.SetParameterValueFromHost(1, 0.75);
  plug.PostParamValueToUI(2, 4.0, false);
  SysExData sysex;
  sysex.mSize = 3;
  plug.PushSysExToEditor(sysex);
  loop.Advance(20);
  const std::vector<std::pair<int, double>> expected{{1, 0.75}, {2, 0.4}};
  EXPECT_EQ(FakeUI(plug)->mControlValues, expected);
  EXPECT_EQ(plug.mSysExSizes, std::vector<int>{3});
  EXPECT_EQ(plug.mIdles, 2);
}

TEST(APIBase, ParamQueueKeepsTheFirst512)
{
  quorvane::test::ManualRunLoop loop;
  RecordingPlugin plug;
  plug.CreateTimer();
  plug.OpenEditor(nullptr);
  FakeUI(plug)->mControlValues.clear();
  for (int i = 0; i < 513; ++i)
    plug.PostParamValueToUI(1, i % 10, false);
  loop.Advance(20);
  ASSERT_EQ(FakeUI(plug)->mControlValues.size(), 512u);
  EXPECT_EQ(FakeUI(plug)->mControlValues.back().second, 0.1) << "value 511 % 10 = 1 arrived last";
}

TEST(APIBase, AnEditorOpenedAgainShowsOnlyCurrentValues)
{
  quorvane::test::ManualRunLoop loop;
  RecordingPlugin plug;
  plug.mLogging = false;
  plug.CreateTimer();
  plug.OpenEditor(nullptr);
  plug.CloseEditor();
  // More changes than the ring holds while no editor drains it: none of them may reach the next editor.
  for (int i = 0; i < 1000; ++i)
    plug.SetParameterValueFromHost(i % 3, (i % 7) / 10.0);
  plug.OpenEditor(nullptr);
  FakeUI(plug)->mControlValues.clear();
  loop.Advance(20);
  EXPECT_TRUE(FakeUI(plug)->mControlValues.empty()) << "a change from before the opening overwrote its value";

  plug.SetParameterValueFromHost(1, 0.9);
  loop.Advance(20);
  const std::vector<std::pair<int, double>> expected{{1, 0.9}};
  EXPECT_EQ(FakeUI(plug)->mControlValues, expected) << "changes while open still arrive";
}

TEST(APIBase, SysExFromTheEditorIsCutToARecord)
{
  RecordingPlugin plug;
  std::vector<uint8_t> big(600, 0xAB);
  plug.SendSysExFromUI(SysExMessage{5, 600, big.data()});
  plug.SendSysExFromUI(SysExMessage{0, 10, nullptr});
  SysExData data;
  ASSERT_TRUE(plug.PopSysExFromEditor(data));
  EXPECT_EQ(data.mOffset, 5);
  EXPECT_EQ(data.mSize, 512);
  EXPECT_EQ(data.mData[511], 0xAB);
  ASSERT_TRUE(plug.PopSysExFromEditor(data));
  EXPECT_EQ(data.mSize, 10);
  EXPECT_EQ(data.mData[0], 0) << "no data: zeros";
}

TEST(APIBase, HostUpdatesFromSeveralThreadsReachTheEditorQueueIntact)
{
  // Hosts update parameters from more than one thread (automation, their own controls, answers to the
  // editor); the editor queue must stay intact while the timer drains it.
  RecordingPlugin plug;
  plug.mLogging = false;
  plug.OpenEditor(nullptr);
  auto timer = Timer::Create([](Timer&) {}, 20); // no run loop here: ticks are driven by hand below
  std::atomic<int> running{2};
  auto producer = [&](int idx) {
    for (int i = 0; i < 20000; ++i)
      plug.SetParameterValueFromHost(idx, (i % 11) / 10.0);
    --running;
  };
  std::thread a(producer, 1), b(producer, 2);
  size_t received = 0;
  while (running.load() > 0)
  {
    plug.OnTimerTick(*timer);
    received = FakeUI(plug)->mControlValues.size();
  }
  a.join();
  b.join();
  plug.OnTimerTick(*timer);
  for (const auto& [idx, normalized] : FakeUI(plug)->mControlValues)
  {
    ASSERT_TRUE(idx == 1 || idx == 2) << idx;
    ASSERT_GE(normalized, 0.0);
    ASSERT_LE(normalized, 1.0);
  }
  EXPECT_GE(FakeUI(plug)->mControlValues.size(), received);
}
