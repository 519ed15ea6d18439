#include "host/ReportPlot.h"

#include "host/Renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace quorvane::host {

namespace {

using Layout = ReportPlotLayout;

struct Sums
{
  double peak = 0.0;
  double squares = 0.0;
  size_t count = 0;

  void Add(double x)
  {
    peak = std::max(peak, std::fabs(x));
    squares += x * x;
    ++count;
  }
  double RmsDb() const { return count ? 10.0 * std::log10(std::max(squares / static_cast<double>(count), 1e-30)) : -200.0; }
};

} // namespace

ProgrammeReport MeasureProgramme(const Audio& dry, const Audio& wet, double makeupDb, int wetDelay)
{
  ProgrammeReport report;
  report.sampleRate = dry.sampleRate > 0.0 ? dry.sampleRate : 48000.0;
  const auto frames = static_cast<size_t>(std::max<int64_t>(dry.Frames(), 0));
  report.seconds = static_cast<double>(frames) / report.sampleRate;
  const size_t channels = std::min(dry.channels.size(), wet.channels.size());
  const auto delay = static_cast<size_t>(std::max(wetDelay, 0));
  auto wetAt = [&](size_t c, size_t i) -> double {
    const size_t j = i + delay;
    return j < wet.channels[c].size() ? wet.channels[c][j] : 0.0;
  };

  Sums dryAll;
  Sums wetAll;
  for (const auto& ch : dry.channels)
    for (const float x : ch)
      dryAll.Add(x);
  for (const auto& ch : wet.channels)
    for (const float x : ch)
      wetAll.Add(x);
  report.inPeak = ToDb(dryAll.peak);
  report.inRms = dryAll.RmsDb();
  report.outPeak = ToDb(wetAll.peak);
  report.outRms = wetAll.RmsDb();

  // The level change of a window, make-up removed, where the input has something to reduce.
  auto reduction = [&](const Sums& in, const Sums& out) {
    if (in.RmsDb() < ProgrammeReport::kQuietDb)
      return std::numeric_limits<double>::quiet_NaN();
    return makeupDb - 10.0 * std::log10(std::max(out.squares, 1e-30) / in.squares);
  };

  const auto envelope = std::max<size_t>(1, static_cast<size_t>(std::lround(ProgrammeReport::kEnvelopeSeconds *
                                                                             report.sampleRate)));
  for (size_t start = 0; start < frames; start += envelope)
  {
    Sums in;
    Sums out;
    for (size_t c = 0; c < channels; ++c)
      for (size_t i = start; i < std::min(frames, start + envelope); ++i)
      {
        in.Add(dry.channels[c][i]);
        out.Add(wetAt(c, i));
      }
    report.inPeakDb.push_back(ToDb(in.peak));
    report.outPeakDb.push_back(ToDb(out.peak));
    report.reductionDb.push_back(reduction(in, out));
  }

  // 50 ms windows smooth out the waveform detail a shorter comparison would mistake for gain changes.
  const auto window = static_cast<size_t>(ProgrammeReport::kReductionWindowSeconds * report.sampleRate);
  for (size_t start = 0; window > 0 && start + window <= frames; start += window)
  {
    Sums in;
    Sums out;
    for (size_t c = 0; c < channels; ++c)
      for (size_t i = start; i < start + window; ++i)
      {
        in.Add(dry.channels[c][i]);
        out.Add(wetAt(c, i));
      }
    const double r = reduction(in, out);
    if (!std::isnan(r))
      report.largestReductionDb = std::max(report.largestReductionDb, r);
  }
  return report;
}

std::string FiguresCaption(const ProgrammeReport& report, int latency)
{
  char line[300];
  std::snprintf(line, sizeof(line),
                "input peak %.2f dBFS, RMS %.2f dBFS   output peak %.2f dBFS, RMS %.2f dBFS   largest gain reduction "
                "%.2f dB (50 ms windows)   latency %d samples",
                report.inPeak, report.inRms, report.outPeak, report.outRms, report.largestReductionDb, latency);
  return line;
}

std::string FiguresText(const ProgrammeReport& report, double makeupDb, int latency)
{
  char line[300];
  std::string text;
  std::snprintf(line, sizeof(line), "input  peak %7.2f dBFS  RMS %7.2f dBFS\n", report.inPeak, report.inRms);
  text += line;
  std::snprintf(line, sizeof(line), "output peak %7.2f dBFS  RMS %7.2f dBFS\n", report.outPeak, report.outRms);
  text += line;
  std::snprintf(line, sizeof(line),
                "largest gain reduction seen: %.2f dB (50 ms windows, output against input RMS, %.1f dB make-up removed; "
                "the plug-in's own meter is not visible to the host)\n",
                report.largestReductionDb, makeupDb);
  text += line;
  return text + "reported latency: " + std::to_string(latency) + " samples";
}

std::string SettingsCaption(const std::vector<std::string>& settings)
{
  if (settings.empty())
    return "settings: the plug-in's defaults";
  std::string line = "settings:";
  for (size_t i = 0; i < settings.size(); ++i)
    line += (i ? ", " : " ") + settings[i];
  return line;
}

double ReportPlotLayout::EnvelopeFloorDb(const ProgrammeReport& report)
{
  std::vector<double> peaks;
  for (const double db : report.inPeakDb)
  {
    if (db > -150.0) // silence says nothing about the programme's range
      peaks.push_back(db);
  }
  if (peaks.empty())
    return -48.0;
  const auto fifth = peaks.begin() + static_cast<std::ptrdiff_t>(peaks.size() / 20);
  std::nth_element(peaks.begin(), fifth, peaks.end());
  return std::clamp(6.0 * std::floor((*fifth - 12.0) / 6.0), -72.0, -24.0);
}

double ReportPlotLayout::ReductionDepthDb(const ProgrammeReport& report)
{
  double largest = 0.0;
  for (const double r : report.reductionDb)
  {
    if (std::isfinite(r))
      largest = std::max(largest, r);
  }
  return std::max(6.0, 3.0 * std::ceil(std::min(largest, 60.0) / 3.0));
}

double ReportPlotLayout::ReductionY(double db, double depthDb)
{
  // Above 0 dB only as far as the panel's edge; below the depth, pinned to the floor.
  const double y = kReductionZero + (kReductionFloor - kReductionZero) * -db / depthDb;
  return std::clamp(y, kReductionTop + 1.0, kReductionFloor);
}

double ReportPlotLayout::TimeX(double seconds, double totalSeconds)
{
  return kLeft + (kRight - kLeft) * (totalSeconds > 0.0 ? seconds / totalSeconds : 0.0);
}

} // namespace quorvane::host
