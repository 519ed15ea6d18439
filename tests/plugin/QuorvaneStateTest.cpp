// The saved state: its 164-byte layout, round trips, damaged and short chunks, and the comparison the
// host uses to ask whether a chunk is the active state.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "plugin/Quorvane.h"
#include "tests/support/FakeGraphicsContext.h"

using namespace iplug;
using namespace quorvane;

namespace {

constexpr int kStateSize = 164;

// Counts re-notifications, which is how the DSP learns restored values.
class CountingQuorvane : public Quorvane
{
public:
  void OnParamChange(int idx, ParamSource source, int offset) override
  {
    ++mNotified;
    mLastSource = source;
    Quorvane::OnParamChange(idx, source, offset);
  }
  int mNotified = 0;
  ParamSource mLastSource = kUnknown;
};

StateBuffer Save(const Quorvane& plug)
{
  StateBuffer chunk;
  EXPECT_TRUE(plug.WriteState(chunk));
  return chunk;
}

std::vector<double> Values(const Quorvane& plug)
{
  std::vector<double> v;
  for (int i = 0; i < plug.NParams(); ++i)
    v.push_back(plug.GetParam(i)->Value());
  return v;
}

// A state with every non-default value the parameters allow, to tell restored from untouched.
void SetNonDefaults(Quorvane& plug)
{
  for (int i = 0; i < plug.NParams(); ++i)
    plug.GetParam(i)->SetFromNormalized(plug.GetParam(i)->GetNormalized() > 0.5 ? 0.2 : 0.8);
}

} // namespace

TEST(QuorvaneState, DefaultInstanceSavesTheDefaults)
{
  Quorvane plug;
  const StateBuffer chunk = Save(plug);
  ASSERT_EQ(chunk.Size(), kStateSize);
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(chunk.GetData()[i], 0) << "editor never opened: zeros";
  const double defaults[19] = {0, 0, 100, 20, 0, 0, 100, 15, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 19; ++i)
  {
    double v = -1.0;
    chunk.Get(v, 12 + 8 * i);
    EXPECT_EQ(v, defaults[i]) << "parameter " << i;
  }
}

TEST(QuorvaneState, RoundTripRestoresEveryValueAndTheEditorSize)
{
  Quorvane source;
  SetNonDefaults(source);
  source.GetParam(kHPF)->Set(33.3); // not step-snapped: kept as it is
  quorvane::test::UseFakeGraphics(source);
  source.OpenEditor(nullptr);
  const StateBuffer chunk = Save(source);
  source.CloseEditor();

  CountingQuorvane restored;
  restored.mNotified = 0;
  EXPECT_EQ(restored.ReadState(chunk, 0), kStateSize);
  EXPECT_EQ(Values(restored), Values(source));
  EXPECT_EQ(restored.GetParam(kHPF)->Value(), 33.3);
  EXPECT_EQ(restored.mNotified, 19);
  EXPECT_EQ(restored.mLastSource, kPresetRecall);
  EXPECT_EQ(Save(restored), chunk) << "605 x 602 at 1.0 written back unchanged with no editor open";

  int32_t width = 0;
  float scale = 0.0f;
  chunk.Get(width, 0);
  chunk.Get(scale, 8);
  EXPECT_EQ(width, 605);
  EXPECT_EQ(scale, 1.0f);
}

TEST(QuorvaneState, StoredValuesAreClampedAndStepped)
{
  Quorvane plug;
  StateBuffer chunk = Save(plug);
  const double hpf = 1000.0, ratio = 2.6, bypass = -4.0;
  std::memcpy(chunk.GetData() + 12 + 8 * kHPF, &hpf, 8);
  std::memcpy(chunk.GetData() + 12 + 8 * kRatio, &ratio, 8);
  std::memcpy(chunk.GetData() + 12 + 8 * kBypass, &bypass, 8);
  plug.ReadState(chunk, 0);
  EXPECT_EQ(plug.GetParam(kHPF)->Value(), 500.0);
  EXPECT_EQ(plug.GetParam(kRatio)->Value(), 3.0);
  EXPECT_EQ(plug.GetParam(kBypass)->Value(), 0.0);
}

TEST(QuorvaneState, EveryTruncationRestoresWhatIsThereAndKeepsTheRest)
{
  Quorvane source;
  SetNonDefaults(source);
  const StateBuffer full = Save(source);

  for (int size = 0; size < kStateSize; ++size)
  {
    SCOPED_TRACE(size);
    CountingQuorvane plug;
    const std::vector<double> before = Values(plug);
    plug.mNotified = 0;
    const StateBuffer cut(full.GetData(), size);
    EXPECT_EQ(plug.ReadState(cut, 0), -1);
    EXPECT_EQ(plug.mNotified, 19) << "every parameter is re-notified, whatever happened";
    // Only whole values are taken; one cut inside its 8 bytes is left as it was.
    const int whole = size >= 12 ? (size - 12) / 8 : 0;
    for (int i = 0; i < plug.NParams(); ++i)
      EXPECT_EQ(plug.GetParam(i)->Value(), i < whole ? source.GetParam(i)->Value() : before[i]) << i;
  }
}

TEST(QuorvaneState, RandomBytesNeverLeaveAValueOutOfRange)
{
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 2 * kStateSize);
  Quorvane plug;
  for (int trial = 0; trial < 300; ++trial)
  {
    std::vector<uint8_t> bytes(static_cast<size_t>(length(rng)));
    for (uint8_t& b : bytes)
      b = static_cast<uint8_t>(byte(rng));
    plug.ReadState(StateBuffer(bytes.data(), static_cast<int>(bytes.size())), 0);
    for (int i = 0; i < plug.NParams(); ++i)
    {
      const IParam& p = *plug.GetParam(i);
      ASSERT_GE(p.Value(), p.GetMin()) << "trial " << trial << " parameter " << i;
      ASSERT_LE(p.Value(), p.GetMax()) << "trial " << trial << " parameter " << i;
    }
    StateBuffer saved;
    plug.WriteState(saved);
    ASSERT_EQ(saved.Size(), kStateSize);
  }
}

TEST(QuorvaneState, StateMatchesToFloatPrecision)
{
  Quorvane plug;
  SetNonDefaults(plug);
  StateBuffer chunk = Save(plug);
  EXPECT_TRUE(plug.StateMatches(chunk));

  const int at = 12 + 8 * kMidGain;
  double v = 0.0;
  chunk.Get(v, at);
  const double nudged = v + 1e-6, moved = v + 1e-3;
  std::memcpy(chunk.GetData() + at, &nudged, 8);
  EXPECT_TRUE(plug.StateMatches(chunk));
  std::memcpy(chunk.GetData() + at, &moved, 8);
  EXPECT_FALSE(plug.StateMatches(chunk));

  // A chunk too short to hold every value is never the active state, and is not read past its end.
  const StateBuffer full = Save(plug);
  for (int size : {0, 11, 12, 100, kStateSize - 1})
    EXPECT_FALSE(plug.StateMatches(StateBuffer(full.GetData(), size))) << size;
}
