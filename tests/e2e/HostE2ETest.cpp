// Drives the built module through the host library and the built quorvane-host program, the way a
// person or a DAW would.

#include "host/AudioThread.h"
#include "host/Demo.h"
#include "host/HostInstance.h"
#include "host/ParamSetting.h"
#include "host/Renderer.h"
#include "tests/e2e/HostCommand.h"
#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace quorvane::host;
using quorvane::test::Host;
using quorvane::test::HostRun;

namespace {

std::unique_ptr<HostModule> LoadModule()
{
  std::string error;
  auto m = HostModule::Load(QUORVANE_MODULE_PATH, error);
  EXPECT_TRUE(m) << error;
  return m;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

} // namespace

TEST(HostE2E, ModuleDescribesTwoComponentsAndUnloadsClean)
{
  auto m = LoadModule();
  ASSERT_TRUE(m);
  ASSERT_EQ(m->Effect().Components().size(), 2u);
  EXPECT_TRUE(m->Effect().ComponentByType(kMonoComponent));
  EXPECT_TRUE(m->Effect().ComponentByType(kStereoComponent));
  std::string error;
  {
    auto inst = HostInstance::Create(*m, kMonoComponent, 44100.0, 256, error);
    ASSERT_TRUE(inst) << error;
    EXPECT_GT(m->CanUnloadNow(), 0);
    EXPECT_GT(inst->PacketsPosted(), 0); // the first coefficient pass posted the state number
    // The instance's 20 ms timer runs on the host's run loop, and ticks when the host idles.
    EXPECT_EQ(m->ActiveTimers(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(m->PumpRunLoop(), 1);
  }
  EXPECT_EQ(m->ActiveTimers(), 0u) << "a destroyed instance stops its timer";
  EXPECT_EQ(m->CanUnloadNow(), 0);
  EXPECT_EQ(m->Services().AssertionCount(), 0);
}

TEST(HostE2E, SettingByDisplayTextReachesTheParameter)
{
  auto m = LoadModule();
  std::string error;
  auto inst = HostInstance::Create(*m, kStereoComponent, 48000.0, 512, error);
  ASSERT_TRUE(inst) << error;
  const auto params = inst->Parameters();
  auto set = [&](const char* name, const char* value, double& normalized) {
    ParameterChange c;
    const bool ok = ResolveAssignment(inst->Effect(), params, {name, value}, c, error);
    normalized = c.normalized;
    return ok;
  };
  double n = -1.0;
  ASSERT_TRUE(set("ratio", "4:1", n)) << error;
  EXPECT_DOUBLE_EQ(n, 0.6);
  ASSERT_TRUE(set("Release Time", "auto", n)) << error;
  EXPECT_DOUBLE_EQ(n, 1.0);
  ASSERT_TRUE(set("Threshold", "-6 dB", n)) << error;
  EXPECT_NEAR(n, 0.3, 1e-9);
  ASSERT_TRUE(set("Master Bypass", "on", n)) << error;
  EXPECT_EQ(n, 1.0);
  EXPECT_FALSE(set("Threshold", "16", n));
  EXPECT_NE(error.find("out of range"), std::string::npos);
  EXPECT_FALSE(set("Ratio", "4:2", n));
  EXPECT_FALSE(set("Volume", "1", n));
}

TEST(HostE2E, StateRoundTripRestoresEveryParameter)
{
  auto m = LoadModule();
  std::string error;
  auto a = HostInstance::Create(*m, kStereoComponent, 48000.0, 512, error);
  auto b = HostInstance::Create(*m, kStereoComponent, 48000.0, 512, error);
  ASSERT_TRUE(a && b) << error;
  ASSERT_EQ(a->UpdateParameter("8", 0.25), AAX_SUCCESS);
  ASSERT_EQ(a->UpdateParameter("15", 1.0), AAX_SUCCESS);
  std::vector<uint8_t> state;
  ASSERT_TRUE(a->SaveState(state, error)) << error;
  EXPECT_EQ(state.size(), 164u);
  ASSERT_TRUE(b->LoadState(state, error)) << error;
  const auto pa = a->Parameters(), pb = b->Parameters();
  ASSERT_EQ(pa.size(), pb.size());
  for (size_t i = 0; i < pa.size(); ++i)
    EXPECT_EQ(pa[i].value, pb[i].value) << pa[i].name;
  // SetChunk goes through the host as touch, set-value and release, answered with an update.
  bool sawSet = false;
  for (const auto& g : b->Gestures())
    sawSet = sawSet || g.kind == HostInstance::Gesture::SetValue;
  EXPECT_TRUE(sawSet);
}

TEST(HostE2E, SideChainDrivesTheDetectorWhenExternalSidechainIsOn)
{
  auto m = LoadModule();
  std::string error;
  auto render = [&](bool withSideChain) {
    auto inst = HostInstance::Create(*m, kMonoComponent, 48000.0, 512, error);
    EXPECT_TRUE(inst) << error;
    inst->UpdateParameter("14", 1.0); // External Sidechain
    inst->UpdateParameter("8", 0.0);  // lowest threshold
    inst->GenerateCoefficients();
    Audio in;
    in.sampleRate = 48000.0;
    in.channels.assign(1, std::vector<float>(24000));
    std::vector<float> sc(24000);
    for (size_t i = 0; i < in.channels[0].size(); ++i)
    {
      in.channels[0][i] = 0.1f * std::sin(0.05f * static_cast<float>(i));
      sc[i] = 0.9f * std::sin(0.01f * static_cast<float>(i));
    }
    Audio out;
    RenderOptions options;
    EXPECT_TRUE(RenderFile(*inst, in, withSideChain ? sc : std::vector<float>(), options, out, error)) << error;
    double sum = 0.0;
    for (size_t i = 12000; i < 24000; ++i)
      sum += static_cast<double>(out.channels[0][i]) * out.channels[0][i];
    return sum;
  };
  EXPECT_LT(render(true), 0.5 * render(false)); // a loud key pulls the quiet programme down
}

TEST(HostE2E, AudioThreadRendersWithoutAllocating)
{
  auto m = LoadModule();
  std::string error;
  auto inst = HostInstance::Create(*m, kStereoComponent, 48000.0, 512, error);
  ASSERT_TRUE(inst) << error;
  inst->UpdateParameter("19", 1.0); // oversampling: the latency report happens on the first block
  inst->GenerateCoefficients();
  std::vector<float> l(512, 0.1f), r(512, -0.1f), ol(512), orr(512), sc(512, 0.2f);
  const float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  AudioThread audio(*inst);
  // The first block may size the plug-in's buffers and its latency delay; a host sees that once.
  ASSERT_TRUE(audio.Render(in, sc.data(), out, 512));

  std::unique_ptr<quorvane::test::AllocationScope> scope;
  long count = -1;
  audio.RunOnAudioThread([&] { scope = std::make_unique<quorvane::test::AllocationScope>(); });
  for (int k = 0; k < 50; ++k)
    ASSERT_TRUE(audio.Render(in, k % 2 ? sc.data() : nullptr, out, k % 3 ? 512 : 100));
  audio.RunOnAudioThread([&] {
    count = scope->Count();
    scope.reset();
  });
  EXPECT_EQ(count, 0);
}

TEST(HostE2E, CommandLineErrorsExitNonZeroWithOneLineAndNoOutput)
{
  char dirPattern[] = "/tmp/quorvane-e2e-XXXXXX";
  const std::string dir = mkdtemp(dirPattern);
  const std::string in = dir + "/in.wav", out = dir + "/out.wav";
  {
    AtomicFile f;
    std::string error;
    Audio a = SynthesiseDemoProgramme(48000.0, 0.5);
    ASSERT_TRUE(f.Create(in, error) && f.WriteAudio(a, error) && f.Commit(error)) << error;
  }
  auto oneLine = [](const HostRun& r) { return !r.err.empty() && r.err.find('\n') == r.err.size() - 1; };

  HostRun r = Host("render " + dir + "/missing.wav " + out);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(oneLine(r)) << r.err;
  EXPECT_NE(r.err.find("missing.wav"), std::string::npos);

  r = Host("render " + in + " " + out + " --set Loudness=3");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("unknown parameter"), std::string::npos) << r.err;

  r = Host("render " + in + " " + out + " --set Threshold=99");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("out of range"), std::string::npos) << r.err;

  r = Host("render " + in + " " + dir + "/nodir/out.wav");
  EXPECT_NE(r.status, 0);
  EXPECT_FALSE(Exists(out));

  // One flipped byte in the header's sample rate: refused at once, not rendered with rate-sized buffers.
  {
    const std::string copy = "cp " + in + " " + dir + "/fast.wav";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    std::fstream wav(dir + "/fast.wav", std::ios::in | std::ios::out | std::ios::binary);
    const uint32_t claimed = 1962978372u;
    wav.seekp(24);
    wav.write(reinterpret_cast<const char*>(&claimed), sizeof claimed);
  }
  r = Host("render " + dir + "/fast.wav " + out);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(oneLine(r)) << r.err;
  EXPECT_NE(r.err.find("1962978372 Hz is outside the 8000 to 768000 Hz"), std::string::npos) << r.err;
  EXPECT_FALSE(Exists(out));

  r = Host("--module " + dir + "/none.so params");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("none.so"), std::string::npos) << r.err;

  // A state file cut short is damage, not a state: reported with what was there, and nothing rendered.
  ASSERT_EQ(Host("state save " + dir + "/whole.bin").status, 0);
  const std::string cut = "head -c 7 " + dir + "/whole.bin > " + dir + "/cut.bin && : > " + dir + "/empty.bin";
  ASSERT_EQ(std::system(cut.c_str()), 0);
  r = Host("state load " + dir + "/cut.bin");
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(oneLine(r)) << r.err;
  EXPECT_NE(r.err.find("damaged state file " + dir + "/cut.bin: 7 of 164 bytes"), std::string::npos) << r.err;
  r = Host("render " + in + " " + out + " --state " + dir + "/empty.bin");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("damaged state file " + dir + "/empty.bin: 0 of 164 bytes"), std::string::npos) << r.err;
  EXPECT_FALSE(Exists(out));

  // Nothing half-written was left behind by any failure above.
  EXPECT_EQ(Host("render " + in + " " + out + " --set Ratio=4:1 --compensate-latency --meter-log " + dir + "/m.log").status, 0);
  Audio result;
  std::string error;
  ASSERT_TRUE(ReadAudio(out, result, error)) << error;
  EXPECT_EQ(result.Frames(), 24000);
  EXPECT_EQ(Host("state save " + dir + "/s.bin --set Ratio=10:1").status, 0);
  EXPECT_EQ(Host("state load " + dir + "/s.bin").status, 0);
  [[maybe_unused]] const int rc = std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(HostE2E, SoakRunsAtTheRateAskedAndRefusesOthers)
{
  // A short soak at the highest rate passes every check, level checks included.
  EXPECT_EQ(Host("validate --soak 1 --rate 192000").status, 0);

  for (const char* args : {"validate --soak 1 --rate 4000", "validate --soak 1 --rate fast", "validate --rate 96000",
                           "params --rate 96000"})
  {
    const HostRun r = Host(args);
    EXPECT_NE(r.status, 0) << args;
    EXPECT_NE(r.err.find("--rate"), std::string::npos) << args << ": " << r.err;
  }
}

TEST(HostE2E, DescribeNamesEveryPropertyAndSpellsOutIdentifiers)
{
  FILE* pipe = popen((std::string(QUORVANE_HOST_PATH) + " describe").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string json;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
    json.append(buf, n);
  ASSERT_EQ(pclose(pipe), 0);

  for (const char* expected :
       {R"({"property": 11, "name": "AAX_eProperty_ManufacturerID", "value": 1265857650, "text": "Kstr"})",
        R"({"property": 12, "name": "AAX_eProperty_ProductID", "value": 1366455857, "text": "Qrv1"})",
        R"({"property": 13, "name": "AAX_eProperty_PlugInID_Native", "value": 1229276722, "text": "IEF2"})",
        R"({"property": 51, "name": "AAX_eProperty_InputStemFormat", "value": 65538, "text": "stereo"})"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected;
  EXPECT_EQ(json.find("\"unknown\""), std::string::npos) << "every registered property has a name";
}

// The render command reads and writes a run at a time; with --plot it holds both files whole. Both
// must give the same samples, across runs broken by parameter changes that fall inside blocks, a side
// chain shorter than the programme, and with and without latency compensation.
TEST(HostE2E, StreamedRenderMatchesTheWholeFileRender)
{
  char dirPattern[] = "/tmp/quorvane-e2e-XXXXXX";
  const std::string dir = mkdtemp(dirPattern);
  std::string error;
  {
    AtomicFile f, s;
    const Audio programme = SynthesiseDemoProgramme(48000.0, 2.5);
    Audio key;
    key.sampleRate = 48000.0;
    key.channels.assign(1, std::vector<float>(81000));
    for (size_t i = 0; i < key.channels[0].size(); ++i)
      key.channels[0][i] = 0.8f * std::sin(0.003f * static_cast<float>(i));
    ASSERT_TRUE(f.Create(dir + "/in.wav", error) && f.WriteAudio(programme, error) && f.Commit(error)) << error;
    ASSERT_TRUE(s.Create(dir + "/sc.wav", error) && s.WriteAudio(key, error) && s.Commit(error)) << error;
    std::ofstream(dir + "/auto.txt") << "30001 Threshold=-12\n50000 Oversampling=1\n70123 External Sidechain=1\n";
  }
  for (const char* extra : {"", " --compensate-latency"})
  {
    SCOPED_TRACE(extra);
    const std::string common = "render " + dir + "/in.wav %s --sidechain " + dir + "/sc.wav --automation " + dir +
                               "/auto.txt --block-size 300 --set Ratio=4:1" + extra;
    auto command = [&](const std::string& out) {
      std::string c = common;
      return c.replace(c.find("%s"), 2, out);
    };
    ASSERT_EQ(Host(command(dir + "/streamed.wav")).status, 0);
    ASSERT_EQ(Host(command(dir + "/whole.wav") + " --plot " + dir + "/p.png").status, 0);
    Audio streamed, whole;
    ASSERT_TRUE(ReadAudio(dir + "/streamed.wav", streamed, error) && ReadAudio(dir + "/whole.wav", whole, error))
      << error;
    EXPECT_EQ(streamed.Frames(), 120000);
    EXPECT_EQ(streamed.channels, whole.channels);
  }
  [[maybe_unused]] const int rc = std::system(("rm -rf '" + dir + "'").c_str());
}
