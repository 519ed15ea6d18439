// The same checks against every binding, each in its own test host: the AAX module through the host
// stand-in, and the LV2 bundle through lilv. What a session stores, the latency a host compensates and
// the sound must not depend on the format the plug-in was loaded in.

#include <gtest/gtest.h>

#include <lv2/state/state.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/HostInstance.h"
#include "host/HostModule.h"
#include "host/ParamSetting.h"
#include "tests/lv2/LilvHost.h"

using namespace quorvane::test;

namespace {

constexpr double kRate = 48000.0;

// One stereo instance behind a binding, as its host drives it.
class Binding
{
public:
  virtual ~Binding() = default;
  // a host's change: the display name for hosts that show names, the symbol for those that use ports
  virtual void Set(const char* name, const char* symbol, double value) = 0;
  virtual void Render(const float* left, const float* right, float* outLeft, float* outRight, int frames) = 0;
  virtual std::vector<uint8_t> SaveState() = 0;
  virtual int Latency() = 0;
};

class AAXBinding final : public Binding
{
public:
  explicit AAXBinding(int maxBlock)
  {
    std::string error;
    mModule = quorvane::host::HostModule::Load(QUORVANE_MODULE_PATH, error);
    if (mModule)
      mInstance = quorvane::host::HostInstance::Create(*mModule, quorvane::host::kStereoComponent, kRate, maxBlock,
                                                       error);
    EXPECT_TRUE(mInstance) << error;
  }
  ~AAXBinding() override
  {
    mInstance.reset();
    mModule.reset();
  }

  bool Valid() const { return mInstance != nullptr; }

  void Set(const char* name, const char*, double value) override
  {
    quorvane::host::ParameterChange change;
    std::string error;
    ASSERT_TRUE(quorvane::host::ResolveAssignment(mInstance->Effect(), mInstance->Parameters(),
                                                  {name, std::to_string(value)}, change, error))
      << error;
    mInstance->UpdateParameter(change.id, change.normalized);
    mInstance->GenerateCoefficients();
  }
  void Render(const float* left, const float* right, float* outLeft, float* outRight, int frames) override
  {
    const float* inputs[2] = {left, right};
    float* outputs[2] = {outLeft, outRight};
    ASSERT_TRUE(mInstance->Render(inputs, nullptr, outputs, frames));
  }
  std::vector<uint8_t> SaveState() override
  {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(mInstance->SaveState(bytes, error)) << error;
    return bytes;
  }
  int Latency() override { return mInstance->Latency(); }

private:
  std::unique_ptr<quorvane::host::HostModule> mModule;
  std::unique_ptr<quorvane::host::HostInstance> mInstance;
};

class LV2Binding final : public Binding
{
public:
  // `block` is the longest run the host announces; its buffers hold `frames`.
  LV2Binding(int block, int frames)
    : mRun(kStereoURI, kRate, block)
  {
    EXPECT_TRUE(mRun.Valid());
    mRun.SetFrames(static_cast<uint32_t>(frames));
    mRun.Activate();
  }

  void Set(const char*, const char* symbol, double value) override
  {
    mRun.Control(symbol) = static_cast<float>(value);
  }
  void Render(const float* left, const float* right, float* outLeft, float* outRight, int frames) override
  {
    std::memcpy(mRun.Audio("in_l"), left, sizeof(float) * static_cast<size_t>(frames));
    std::memcpy(mRun.Audio("in_r"), right, sizeof(float) * static_cast<size_t>(frames));
    mRun.Run(static_cast<uint32_t>(frames));
    std::memcpy(outLeft, mRun.Audio("out_l"), sizeof(float) * static_cast<size_t>(frames));
    std::memcpy(outRight, mRun.Audio("out_r"), sizeof(float) * static_cast<size_t>(frames));
  }
  std::vector<uint8_t> SaveState() override
  {
    std::vector<uint8_t> bytes;
    const auto* state =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(mRun.Instance(), LV2_STATE__interface));
    auto store = [](LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t,
                    uint32_t) -> LV2_State_Status {
      auto* out = static_cast<std::vector<uint8_t>*>(handle);
      out->assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
      return LV2_STATE_SUCCESS;
    };
    EXPECT_EQ(state->save(lilv_instance_get_handle(mRun.Instance()), store, &bytes, 0, nullptr), LV2_STATE_SUCCESS);
    return bytes;
  }
  int Latency() override
  {
    // The port is written at the end of each run.
    return static_cast<int>(mRun.Control("latency"));
  }

private:
  LilvInstanceRunner mRun;
};

// Drums on a bass line, different per channel.
struct Programme
{
  explicit Programme(int frames)
    : left(static_cast<size_t>(frames))
    , right(static_cast<size_t>(frames))
  {
    for (int i = 0; i < frames; ++i)
    {
      const double t = i / kRate;
      const double burst = std::exp(-30.0 * std::fmod(t, 0.25));
      left[static_cast<size_t>(i)] =
        static_cast<float>(0.4 * std::sin(2.0 * M_PI * 61.0 * t) + 0.5 * burst * std::sin(2.0 * M_PI * 180.0 * t));
      right[static_cast<size_t>(i)] =
        static_cast<float>(0.4 * std::sin(2.0 * M_PI * 83.0 * t) + 0.5 * burst * std::sin(2.0 * M_PI * 180.0 * t));
    }
  }
  std::vector<float> left, right;
};

struct Output
{
  std::vector<float> left, right;
};

// `frames` of the programme in blocks of `block` (the last may be shorter).
Output Play(Binding& binding, const Programme& programme, int frames, int block)
{
  Output out{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
  for (int at = 0; at < frames; at += block)
  {
    const int n = std::min(block, frames - at);
    binding.Render(programme.left.data() + at, programme.right.data() + at, out.left.data() + at,
                   out.right.data() + at, n);
  }
  return out;
}

struct Setting
{
  const char* name;
  const char* symbol;
  double value;
};

const Setting kBusSetting[] = {
  {"Threshold", "threshold", -12.0},   {"Ratio", "ratio", 3.0},           {"Attack Time", "attack_time", 2.0},
  {"Release Time", "release_time", 4.0}, {"Make-Up Gain", "make_up_gain", 4.5}, {"Oversampling", "oversampling", 1.0},
  {"Transient Mix", "transient_mix", 40.0}, {"XFormer", "xformer", 1.0},
};

// A host that announces blocks of `block` frames and may hand over up to `frames` in one call.
std::unique_ptr<Binding> Make(const std::string& format, int block, int frames)
{
  if (format == "AAX")
    return std::make_unique<AAXBinding>(frames);
  return std::make_unique<LV2Binding>(block, frames);
}

} // namespace

TEST(Conformance, TheSameSettingsSoundSaveAndReportLatencyAlikeInEveryFormat)
{
  constexpr int kFrames = 48000;
  const Programme programme(kFrames);
  std::vector<Output> outputs;
  std::vector<std::vector<uint8_t>> states;
  for (const char* format : {"AAX", "LV2"})
  {
    SCOPED_TRACE(format);
    const auto binding = Make(format, 512, 512);
    for (const Setting& s : kBusSetting)
      binding->Set(s.name, s.symbol, s.value);
    outputs.push_back(Play(*binding, programme, kFrames, 512));
    states.push_back(binding->SaveState());
    EXPECT_EQ(binding->Latency(), 64) << "oversampling's latency";
  }
  ASSERT_EQ(states[0].size(), 164u);
  EXPECT_EQ(states[0], states[1]) << "a session stores the same bytes whichever format saved it";
  double largest = 0.0;
  double level = 0.0;
  for (size_t i = 0; i < outputs[0].left.size(); ++i)
  {
    largest = std::max(largest, static_cast<double>(std::fabs(outputs[0].left[i] - outputs[1].left[i])));
    largest = std::max(largest, static_cast<double>(std::fabs(outputs[0].right[i] - outputs[1].right[i])));
    level = std::max(level, static_cast<double>(std::fabs(outputs[0].left[i])));
  }
  EXPECT_GT(level, 0.1);
  EXPECT_EQ(largest, 0.0) << "the formats sound different";
}

// Three blocks and a frame in one call sound as the same audio in blocks. Every format that owns the
// neutral plug-in slices such a call. AAX is left out: it grows its block and resets the chain, as it is
// specified to, so a call longer than any before starts the compressor afresh.
TEST(Conformance, ALongBlockSoundsAsTheSameAudioInBlocks)
{
  constexpr int kBlock = 512;
  constexpr int kLong = 3 * kBlock + 1;
  const Programme programme(2 * kLong);
  for (const char* format : {"LV2"})
  {
    SCOPED_TRACE(format);
    const auto whole = Make(format, kBlock, kLong);
    const auto pieces = Make(format, kBlock, kLong);
    for (Binding* b : {whole.get(), pieces.get()})
    {
      for (const Setting& s : kBusSetting)
        b->Set(s.name, s.symbol, s.value);
    }
    const Output a = Play(*whole, programme, kLong, kLong);
    const Output b = Play(*pieces, programme, kLong, kBlock);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
  }
}
