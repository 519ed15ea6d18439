// The built DSP module hosted through lilv: real-time safety, bad input, long runs cut into slices,
// latency and meter outputs, host bypass, the state and the editor's size messages.

#include <gtest/gtest.h>

#include <lv2/atom/util.h>
#include <lv2/state/state.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "IPlug/LV2/IPlugLV2_URIs.h"
#include "tests/lv2/LilvHost.h"
#include "tests/support/AllocationCounter.h"

using namespace quorvane::test;

namespace {

constexpr int kStateSize = 164;
constexpr const char* kPrefix = "urn:kestrove:quorvane#";

// Drum-like bursts on a bass tone, different per channel, so compression and the side chain matter.
void FillProgramme(LilvInstanceRunner& run, uint32_t frames, uint64_t start, double rate = 48000.0)
{
  for (const char* symbol : {"in_l", "in_r", "in", "sidechain"})
  {
    if (!run.Has(symbol))
      continue;
    float* x = run.Audio(symbol);
    const double f = std::strcmp(symbol, "in_r") == 0 ? 83.0 : 61.0;
    for (uint32_t i = 0; i < frames; ++i)
    {
      const double t = static_cast<double>(start + i) / rate;
      const double burst = std::exp(-30.0 * std::fmod(t, 0.25));
      x[i] = static_cast<float>(0.4 * std::sin(2.0 * M_PI * f * t) + 0.5 * burst * std::sin(2.0 * M_PI * 180.0 * t));
    }
  }
}

bool AllFinite(const float* x, uint32_t n)
{
  for (uint32_t i = 0; i < n; ++i)
  {
    if (!std::isfinite(x[i]))
      return false;
  }
  return true;
}

// The state interface driven directly: what the host stores, and what it hands back on restore.
struct StoredState
{
  LV2_URID key = 0;
  std::vector<uint8_t> bytes;
  LV2_URID type = 0;
  uint32_t flags = 0;
  bool present = true;
};

const LV2_State_Interface* StateInterface(LilvInstanceRunner& run)
{
  return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(run.Instance(), LV2_STATE__interface));
}

StoredState Save(LilvInstanceRunner& run)
{
  StoredState state;
  const LV2_State_Interface* iface = StateInterface(run);
  EXPECT_NE(iface, nullptr);
  auto store = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                  uint32_t flags) -> LV2_State_Status {
    auto* s = static_cast<StoredState*>(handle);
    s->key = key;
    s->bytes.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
    s->type = type;
    s->flags = flags;
    return LV2_STATE_SUCCESS;
  };
  EXPECT_EQ(iface->save(lilv_instance_get_handle(run.Instance()), store, &state, 0, nullptr), LV2_STATE_SUCCESS);
  return state;
}

LV2_State_Status Restore(LilvInstanceRunner& run, StoredState& state)
{
  auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                     uint32_t* flags) -> const void* {
    auto* s = static_cast<StoredState*>(handle);
    if (!s->present || key != s->key)
      return nullptr;
    *size = s->bytes.size();
    *type = s->type;
    *flags = s->flags;
    return s->bytes.data();
  };
  return StateInterface(run)->restore(lilv_instance_get_handle(run.Instance()), retrieve, &state, 0, nullptr);
}

double StoredParam(const StoredState& state, int index)
{
  double value = 0.0;
  std::memcpy(&value, state.bytes.data() + 12 + 8 * index, sizeof(value));
  return value;
}

iplug::IPlugLV2_URIs URIs(LilvInstanceRunner& run)
{
  iplug::IPlugLV2_URIs uris;
  uris.Map(run.Map().Feature(), kPrefix);
  return uris;
}

} // namespace

TEST(LV2Instance, BothPluginsLoadAndRenderAsAHostConnectsThem)
{
  for (const char* uri : {kStereoURI, kMonoURI})
  {
    SCOPED_TRACE(uri);
    LilvInstanceRunner run(uri, 48000.0, 256);
    ASSERT_TRUE(run.Valid());
    run.Activate();
    run.Control("threshold") = -12.0f;
    double in = 0.0;
    double out = 0.0;
    const char* outSymbol = run.Has("out_l") ? "out_l" : "out";
    const char* inSymbol = run.Has("in_l") ? "in_l" : "in";
    for (uint64_t at = 0; at < 48000; at += 256)
    {
      FillProgramme(run, 256, at);
      run.Run(256);
      for (int i = 0; i < 256; ++i)
      {
        in += std::fabs(run.Audio(inSymbol)[i]);
        out += std::fabs(run.Audio(outSymbol)[i]);
      }
    }
    EXPECT_LT(out, 0.9 * in) << "a threshold of -12 dB compresses this programme";
    EXPECT_GT(out, 0.1 * in);
    EXPECT_GT(run.Control("gain_reduction"), 0.0f);
    EXPECT_LE(run.Control("gain_reduction"), 1.0f);
    EXPECT_EQ(run.Control("latency"), 0.0f);
  }
}

// A rate the chain was never made for gets no instance, rather than buffers sized for gigahertz; the
// ends of the range compress as any rate does.
TEST(LV2Instance, RatesOutsideTheSupportedRangeGetNoInstance)
{
  for (const double rate : {7999.0, 768001.0, 1962978372.0, 1e12, 0.0, -48000.0, std::nan(""), HUGE_VAL})
  {
    const LilvInstanceRunner run(kStereoURI, rate, 256);
    EXPECT_FALSE(run.Valid()) << rate;
  }
  for (const double rate : {8000.0, 768000.0})
  {
    LilvInstanceRunner run(kStereoURI, rate, 256);
    ASSERT_TRUE(run.Valid()) << rate;
    run.Activate();
    run.Control("threshold") = -12.0f;
    for (uint64_t at = 0; at < static_cast<uint64_t>(rate) / 2; at += 256)
    {
      FillProgramme(run, 256, at, rate);
      run.Run(256);
      ASSERT_TRUE(AllFinite(run.Audio("out_l"), 256) && AllFinite(run.Audio("out_r"), 256)) << rate;
    }
    EXPECT_GT(run.Control("gain_reduction"), 0.0f) << rate;
  }
}

TEST(LV2Instance, TheAudioPathAllocatesNothing)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid());
  run.SetFrames(4096);
  run.Activate();
  const iplug::IPlugLV2_URIs uris = URIs(run);
  run.Run(256); // the first run reads every port

  AllocationScope scope;
  uint64_t at = 0;
  // Runs of every kind a host makes: empty, short, announced, longer than announced (sliced).
  for (uint32_t frames : {0u, 1u, 64u, 256u, 1000u, 4096u, 17u})
  {
    for (int k = 0; k < 8; ++k)
    {
      FillProgramme(run, frames, at);
      run.Control("threshold") = -15.0f + static_cast<float>(k);
      run.Control("oversampling") = static_cast<float>(k & 1); // the latency changes
      run.Control("ratio") = static_cast<float>(k % 6);
      run.Control("enabled") = k == 5 ? 0.0f : 1.0f;
      run.Control("transient_tilt") = k == 3 ? 6.0f : -6.0f;
      if (k == 2)
        run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeMessage(uris, f, 605, 602, 2.0f); });
      if (k == 4)
        run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeRequest(uris, f); });
      run.Run(frames);
      at += frames;
    }
  }
  EXPECT_EQ(scope.Count(), 0) << (CountsMalloc() ? "operator new and malloc" : "operator new") << " counted";
}

TEST(LV2Instance, BadInputNeverCrashesOrGivesNaN)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  run.Disconnect("sidechain");
  run.Control("external_sidechain") = 1.0f; // listens to a side chain the host left unconnected
  run.Control("threshold") = 1e9f;          // far out of range
  run.Control("ratio") = -5.0f;
  run.Control("hpf") = std::numeric_limits<float>::quiet_NaN();
  run.Control("transient_mix") = std::numeric_limits<float>::infinity();
  run.Run(0);
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), 1e30f};
  for (int block = 0; block < 40; ++block)
  {
    FillProgramme(run, 256, static_cast<uint64_t>(block) * 256);
    for (int i = 0; i < 256; i += 7)
      run.Audio("in_l")[i] = bad[(i + block) % 4];
    run.Run(256);
    ASSERT_TRUE(AllFinite(run.Audio("out_l"), 256)) << "block " << block;
    ASSERT_TRUE(AllFinite(run.Audio("out_r"), 256)) << "block " << block;
    ASSERT_TRUE(std::isfinite(run.Control("gain_reduction")));
  }
  // Out-of-range values were clamped into range, as the state shows.
  const StoredState state = Save(run);
  ASSERT_EQ(state.bytes.size(), static_cast<size_t>(kStateSize));
  EXPECT_EQ(StoredParam(state, 7), 15.0);  // Threshold
  EXPECT_EQ(StoredParam(state, 14), 0.0);  // Ratio
  EXPECT_EQ(StoredParam(state, 3), 20.0);  // HPF: a NaN reads as below the range
  EXPECT_EQ(StoredParam(state, 8), 100.0); // Transient Mix
}

TEST(LV2Instance, RunsBeforeEveryPortIsConnected)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256, true, /*connect=*/false);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  run.Run(64); // nothing connected at all
  run.Connect(run.Index("in_l"));
  run.Connect(run.Index("out_r"));
  run.Connect(run.Index("threshold"));
  FillProgramme(run, 256, 0);
  run.Run(256);
  EXPECT_TRUE(AllFinite(run.Audio("out_r"), 256));
}

TEST(LV2Instance, WithoutAnyHostFeatureItStillRenders)
{
  // lv2apply offers no URID map and no options: no state and no editor, but the audio is the same.
  LilvInstanceRunner bare(kStereoURI, 48000.0, 0, /*withMap=*/false);
  LilvInstanceRunner full(kStereoURI, 48000.0, 0);
  ASSERT_TRUE(bare.Valid());
  ASSERT_TRUE(full.Valid());
  bare.Activate();
  full.Activate();
  for (LilvInstanceRunner* r : {&bare, &full})
  {
    r->Control("threshold") = -10.0f;
    FillProgramme(*r, 4096, 0);
    r->Run(4096);
  }
  EXPECT_EQ(0, std::memcmp(bare.Audio("out_l"), full.Audio("out_l"), 4096 * sizeof(float)));
  StoredState ignored;
  auto store = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t) { return LV2_STATE_SUCCESS; };
  EXPECT_EQ(StateInterface(bare)->save(lilv_instance_get_handle(bare.Instance()), store, &ignored, 0, nullptr),
            LV2_STATE_ERR_NO_FEATURE);
}

// A run longer than the announced block is cut into slices; each slice must see its own part of every
// buffer. The same signal in runs that are already slice-sized gives the same samples.
TEST(LV2Instance, LongRunsAreRenderedInSlices)
{
  LilvInstanceRunner sliced(kStereoURI, 48000.0, 256);
  LilvInstanceRunner direct(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(sliced.Valid() && direct.Valid());
  sliced.SetFrames(1000);
  sliced.Activate();
  direct.Activate();
  for (LilvInstanceRunner* r : {&sliced, &direct})
  {
    r->Control("threshold") = -12.0f;
    r->Control("oversampling") = 1.0f;
  }
  std::vector<float> a;
  std::vector<float> b;
  for (uint64_t at = 0; at < 12000; at += 1000)
  {
    FillProgramme(sliced, 1000, at);
    sliced.Run(1000);
    a.insert(a.end(), sliced.Audio("out_r"), sliced.Audio("out_r") + 1000);
    for (uint32_t done = 0; done < 1000; done += 256)
    {
      const uint32_t n = std::min(256u, 1000 - done);
      FillProgramme(direct, n, at + done);
      direct.Run(n);
      b.insert(b.end(), direct.Audio("out_r"), direct.Audio("out_r") + n);
    }
  }
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
  EXPECT_EQ(sliced.Control("latency"), 64.0f);
}

// The host's bypass fades between the processed and the latency-delayed input instead of jumping: a
// loud sine under heavy compression is switched out and back in the middle of a run.
TEST(LV2Instance, HostBypassFadesWithoutAClickAndKeepsTheLatency)
{
  constexpr double kRate = 48000.0;
  constexpr double kAmplitude = 0.9;
  constexpr double kHz = 100.0;
  LilvInstanceRunner run(kStereoURI, kRate, 512);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  run.Control("oversampling") = 1.0f;
  run.Control("threshold") = -15.0f;
  run.Control("ratio") = 5.0f; // 10:1
  std::vector<float> in;
  std::vector<float> out;
  std::vector<float> meters;
  uint64_t at = 0;
  auto play = [&](double seconds, float enabled) {
    run.Control("enabled") = enabled;
    for (const uint64_t end = at + static_cast<uint64_t>(seconds * kRate); at < end; at += 512)
    {
      for (const char* symbol : {"in_l", "in_r", "sidechain"})
      {
        for (uint32_t i = 0; i < 512; ++i)
          run.Audio(symbol)[i] = static_cast<float>(kAmplitude * std::sin(2.0 * M_PI * kHz * double(at + i) / kRate));
      }
      in.insert(in.end(), run.Audio("in_l"), run.Audio("in_l") + 512);
      run.Run(512);
      out.insert(out.end(), run.Audio("out_l"), run.Audio("out_l") + 512);
      meters.push_back(run.Control("gain_reduction"));
      ASSERT_EQ(run.Control("latency"), 64.0f) << "bypass keeps the latency the host compensates";
    }
  };
  play(1.0, 1.0f);
  const size_t bypassedFrom = out.size();
  play(0.5, 0.0f);
  const size_t processedFrom = out.size();
  play(0.5, 1.0f);

  EXPECT_GT(meters[bypassedFrom / 512 - 1], 0.5f) << "heavy compression before the switch";
  EXPECT_EQ(meters[processedFrom / 512 - 1], 0.0f) << "no gain reduction shown while bypassed";
  EXPECT_GT(meters.back(), 0.5f);
  // After the fade the bypassed output is the input, delayed by the latency, to the bit.
  const size_t faded = bypassedFrom + static_cast<size_t>(0.02 * kRate);
  for (size_t i = faded; i < processedFrom; ++i)
    ASSERT_EQ(out[i], in[i - 64]) << i;
  EXPECT_LT(std::fabs(out[processedFrom - 1]), 1.0f);
  // No step larger than three times the sine's own largest, from a second into the run.
  const double sineStep = kAmplitude * 2.0 * M_PI * kHz / kRate;
  double largest = 0.0;
  for (size_t i = static_cast<size_t>(kRate) / 2; i < out.size(); ++i)
    largest = std::max(largest, static_cast<double>(std::fabs(out[i] - out[i - 1])));
  EXPECT_LT(largest, 3.0 * sineStep) << "a click on switching the host's bypass";
}

TEST(LV2State, SavesTheSameBytesAsTheAAXChunk)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  run.Control("threshold") = -7.5f;
  run.Control("ratio") = 3.0f;
  run.Control("make_up_gain") = 4.2f;
  run.Control("oversampling") = 1.0f;
  run.Run(16);
  const StoredState state = Save(run);
  EXPECT_EQ(state.key, run.Map().Map("urn:kestrove:quorvane#state"));
  EXPECT_EQ(state.type, run.Map().Map(LV2_ATOM__Chunk));
  EXPECT_EQ(state.flags, static_cast<uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
  ASSERT_EQ(state.bytes.size(), static_cast<size_t>(kStateSize));

  // The AAX module, through the host stand-in, with the same settings.
  const std::string file = testing::TempDir() + "lv2-state-compare.bin";
  const std::string command = std::string(QUORVANE_HOST_PATH) + " state save " + file +
                              " --set Threshold=-7.5 --set Ratio=4:1 --set 'Make-Up Gain=4.2' --set Oversampling=1" +
                              " --module " + QUORVANE_MODULE_PATH + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> aax((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(file.c_str());
  ASSERT_EQ(aax.size(), state.bytes.size());
  // Both chunks hold float64 values the same way; the parameters' single-precision port values are the
  // only difference a host could introduce, so compare the values, each to float precision.
  EXPECT_EQ(0, std::memcmp(aax.data(), state.bytes.data(), 12)) << "editor size fields";
  for (int i = 0; i < (kStateSize - 12) / 8; ++i)
  {
    double a = 0.0;
    std::memcpy(&a, aax.data() + 12 + 8 * i, 8);
    EXPECT_EQ(static_cast<float>(a), static_cast<float>(StoredParam(state, i))) << "parameter " << i;
  }
}

TEST(LV2State, ARestoredInstanceSoundsAndSavesLikeTheOriginal)
{
  LilvInstanceRunner a(kStereoURI, 48000.0, 256);
  LilvInstanceRunner b(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(a.Valid() && b.Valid());
  a.Activate();
  b.Activate();
  const iplug::IPlugLV2_URIs uris = URIs(a);
  a.Control("threshold") = -11.0f;
  a.Control("ratio") = 5.0f;
  a.Control("release_time") = 4.0f;
  a.Control("turbo") = 1.0f;
  a.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeMessage(uris, f, 605, 602, 1.5f); });
  a.Run(1);
  b.Run(1);
  StoredState state = Save(a);
  // A host restores the ports and the state together; here only the state, so b's ports stay as they
  // were and do not change afterwards.
  ASSERT_EQ(Restore(b, state), LV2_STATE_SUCCESS);
  EXPECT_EQ(Save(b).bytes, state.bytes);
  a.Activate();
  b.Activate();
  for (uint64_t at = 0; at < 9600; at += 256)
  {
    FillProgramme(a, 256, at);
    FillProgramme(b, 256, at);
    a.Run(256);
    b.Run(256);
    ASSERT_EQ(0, std::memcmp(a.Audio("out_l"), b.Audio("out_l"), 256 * sizeof(float))) << at;
  }
}

TEST(LV2State, ADamagedStateIsRefusedAndChangesNothing)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  run.Control("threshold") = -3.0f;
  run.Run(1);
  const StoredState before = Save(run);

  StoredState damaged = before;
  for (size_t i = 12; i < damaged.bytes.size(); ++i)
    damaged.bytes[i] ^= 0x5A;
  StoredState shortState = damaged;
  shortState.bytes.resize(kStateSize - 1);
  EXPECT_EQ(Restore(run, shortState), LV2_STATE_ERR_UNKNOWN);
  StoredState empty = damaged;
  empty.bytes.clear();
  EXPECT_EQ(Restore(run, empty), LV2_STATE_ERR_UNKNOWN);
  StoredState wrongType = damaged;
  wrongType.type = run.Map().Map(LV2_ATOM__String);
  EXPECT_EQ(Restore(run, wrongType), LV2_STATE_ERR_BAD_TYPE);
  StoredState missing = damaged;
  missing.present = false;
  EXPECT_EQ(Restore(run, missing), LV2_STATE_ERR_NO_PROPERTY);
  EXPECT_EQ(Save(run).bytes, before.bytes);

  // Whole but full of nonsense (NaNs, huge values): taken, every value clamped into its range.
  StoredState nonsense = before;
  for (int i = 0; i < (kStateSize - 12) / 8; ++i)
  {
    const double value = i % 2 ? std::numeric_limits<double>::quiet_NaN() : 1e300;
    std::memcpy(nonsense.bytes.data() + 12 + 8 * i, &value, 8);
  }
  EXPECT_EQ(Restore(run, nonsense), LV2_STATE_SUCCESS);
  FillProgramme(run, 256, 0);
  run.Run(256);
  EXPECT_TRUE(AllFinite(run.Audio("out_l"), 256));
  const double threshold = StoredParam(Save(run), 7);
  EXPECT_TRUE(threshold >= -15.0 && threshold <= 15.0) << threshold;
}

// The editor keeps its size in the DSP: it sends each new size, and on opening asks for the stored one.
TEST(LV2State, TheEditorSizeTravelsThroughTheDSPAndTheState)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid());
  run.Activate();
  const iplug::IPlugLV2_URIs uris = URIs(run);
  auto answered = [&](int32_t& w, int32_t& h, float& s) {
    bool found = false;
    LV2_ATOM_SEQUENCE_FOREACH(run.Sequence("notify"), ev)
    {
      found = found || iplug::ReadEditorSizeMessage(uris, &ev->body, w, h, s);
    }
    return found;
  };
  int32_t w = -1;
  int32_t h = -1;
  float s = -1.0f;
  run.Run(8);
  EXPECT_FALSE(answered(w, h, s)) << "nothing is said unasked";

  run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeMessage(uris, f, 605, 602, 2.0f); });
  run.Run(8);
  StoredState state = Save(run);
  int32_t saved[2] = {};
  float savedScale = 0.0f;
  std::memcpy(saved, state.bytes.data(), 8);
  std::memcpy(&savedScale, state.bytes.data() + 8, 4);
  EXPECT_EQ(saved[0], 605);
  EXPECT_EQ(saved[1], 602);
  EXPECT_EQ(savedScale, 2.0f);

  run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeRequest(uris, f); });
  run.Run(8);
  ASSERT_TRUE(answered(w, h, s));
  EXPECT_EQ(w, 605);
  EXPECT_EQ(h, 602);
  EXPECT_EQ(s, 2.0f);

  // A restored state tells an open editor its size at the next run, unasked.
  float half = 1.5f;
  std::memcpy(state.bytes.data() + 8, &half, 4);
  ASSERT_EQ(Restore(run, state), LV2_STATE_SUCCESS);
  run.Run(8);
  ASSERT_TRUE(answered(w, h, s));
  EXPECT_EQ(s, 1.5f);
  run.Run(8);
  EXPECT_FALSE(answered(w, h, s)) << "said once";
}

// Hosts may restore (and save) on their own thread while the audio thread runs. The values reach the
// DSP as atomics and the editor size through the delegate's hand-over: no lock, no torn state.
TEST(LV2Threads, RestoreAndSaveWhileRunning)
{
  LilvInstanceRunner run(kStereoURI, 48000.0, 256);
  LilvInstanceRunner other(kStereoURI, 48000.0, 256);
  ASSERT_TRUE(run.Valid() && other.Valid());
  run.Activate();
  run.Run(1);
  other.Control("threshold") = -14.0f;
  other.Control("ratio") = 5.0f;
  other.Run(1);
  StoredState states[2] = {Save(run), Save(other)};

  std::atomic<bool> done{false};
  std::thread audio([&] {
    uint64_t at = 0;
    while (!done.load())
    {
      FillProgramme(run, 256, at);
      run.Run(256);
      at += 256;
    }
  });
  int restored = 0;
  for (int i = 0; i < 400; ++i)
  {
    restored += Restore(run, states[i % 2]) == LV2_STATE_SUCCESS;
    const StoredState now = Save(run);
    EXPECT_TRUE(now.bytes == states[0].bytes || now.bytes == states[1].bytes) << "a torn state at " << i;
  }
  done.store(true);
  audio.join();
  EXPECT_EQ(restored, 400);
  EXPECT_TRUE(AllFinite(run.Audio("out_l"), 256));
}
