// What the host measures for the report picture: envelopes, the gain reduction with the make-up taken
// off, quiet windows left out, and a latency the render left in the output lined up again.

#include "host/ReportPlot.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quorvane::host;

namespace {

// A 100 Hz tone at -6 dBFS in both channels, with a silent second half.
Audio ToneThenSilence(double seconds)
{
  Audio a;
  a.sampleRate = 48000.0;
  const auto frames = static_cast<size_t>(seconds * a.sampleRate);
  a.channels.assign(2, std::vector<float>(frames, 0.0f));
  for (size_t i = 0; i < frames / 2; ++i)
    a.channels[0][i] = a.channels[1][i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 100.0 * i / a.sampleRate));
  return a;
}

Audio Scaled(const Audio& a, double gain, size_t delay = 0)
{
  Audio out = a;
  for (auto& ch : out.channels)
  {
    std::vector<float> shifted(ch.size() + delay, 0.0f);
    for (size_t i = 0; i < ch.size(); ++i)
      shifted[i + delay] = static_cast<float>(ch[i] * gain);
    ch = shifted;
  }
  return out;
}

} // namespace

TEST(ReportPlot, ReductionIsTheLevelChangeWithTheMakeUpTakenOff)
{
  const Audio dry = ToneThenSilence(2.0);
  // Half the level with 3 dB of make-up: 6.02 + 3 dB of reduction; the same level with none: 0 dB.
  const ProgrammeReport half = MeasureProgramme(dry, Scaled(dry, 0.5), 3.0, 0);
  const ProgrammeReport same = MeasureProgramme(dry, dry, 0.0, 0);
  ASSERT_EQ(half.reductionDb.size(), 200u);
  for (size_t i = 0; i < 100; ++i)
  {
    EXPECT_NEAR(half.reductionDb[i], 3.0 + 20.0 * std::log10(2.0), 1e-6) << i;
    EXPECT_NEAR(same.reductionDb[i], 0.0, 1e-9) << i;
    EXPECT_NEAR(half.inPeakDb[i] - half.outPeakDb[i], 20.0 * std::log10(2.0), 0.01) << i;
  }
  for (size_t i = 100; i < 200; ++i)
    EXPECT_TRUE(std::isnan(half.reductionDb[i])) << "silence has nothing to reduce, window " << i;
  EXPECT_NEAR(half.largestReductionDb, 3.0 + 20.0 * std::log10(2.0), 1e-6);
  EXPECT_NEAR(half.inPeak, 20.0 * std::log10(0.5), 0.01);
  EXPECT_NEAR(half.inRms - half.outRms, 20.0 * std::log10(2.0), 1e-6);
  EXPECT_DOUBLE_EQ(half.seconds, 2.0);
}

TEST(ReportPlot, ALatencyLeftInTheOutputIsLinedUp)
{
  const Audio dry = ToneThenSilence(1.0);
  const Audio late = Scaled(dry, 1.0, 64);
  const ProgrammeReport aligned = MeasureProgramme(dry, late, 0.0, 64);
  const ProgrammeReport misaligned = MeasureProgramme(dry, late, 0.0, 0);
  double worstAligned = 0.0;
  double worstMisaligned = 0.0;
  for (size_t i = 0; i < 50; ++i)
  {
    worstAligned = std::max(worstAligned, std::fabs(aligned.reductionDb[i]));
    worstMisaligned = std::max(worstMisaligned, std::fabs(misaligned.reductionDb[i]));
  }
  EXPECT_LT(worstAligned, 1e-6);
  EXPECT_GT(worstMisaligned, 0.01);
}

TEST(ReportPlot, TheReductionAxisGrowsInStepsOfThreeDecibels)
{
  ProgrammeReport report;
  report.reductionDb = {0.0, std::nan(""), 1.0};
  EXPECT_EQ(ReportPlotLayout::ReductionDepthDb(report), 6.0);
  report.reductionDb.push_back(7.2);
  EXPECT_EQ(ReportPlotLayout::ReductionDepthDb(report), 9.0);
  EXPECT_EQ(ReportPlotLayout::ReductionY(0.0, 9.0), ReportPlotLayout::kReductionZero);
  EXPECT_EQ(ReportPlotLayout::ReductionY(-9.0, 9.0), ReportPlotLayout::kReductionFloor);
  EXPECT_EQ(ReportPlotLayout::ReductionY(-50.0, 9.0), ReportPlotLayout::kReductionFloor);
  EXPECT_GT(ReportPlotLayout::ReductionY(20.0, 9.0), ReportPlotLayout::kReductionTop) << "never above the panel";
}
