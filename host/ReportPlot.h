#pragma once
// What a render did, measured by the host from the audio alone and drawn as a picture: the input and
// output envelopes (10 ms peaks) over each other, the gain reduction beneath them, and a caption with
// the settings and the figures. Drawn with cairo, the text in the Roboto font the product ships
// (ReportPlotCairo.cpp); the Windows build has no cairo and draws no picture (ReportPlotWin.cpp).

#include "host/AudioFile.h"

#include <string>
#include <vector>

namespace quorvane::host {

struct ProgrammeReport
{
  static constexpr double kEnvelopeSeconds = 0.010;
  static constexpr double kReductionWindowSeconds = 0.050;
  // Windows quieter than this (input RMS, dBFS) carry no gain reduction: there is nothing to reduce.
  static constexpr double kQuietDb = -40.0;

  double sampleRate = 48000.0;
  double seconds = 0.0;
  // Per 10 ms window: the peaks in dBFS (-200 for silence), and the gain reduction in dB (make-up
  // removed; NaN where the input is quiet).
  std::vector<double> inPeakDb;
  std::vector<double> outPeakDb;
  std::vector<double> reductionDb;
  double inPeak = -200.0, inRms = -200.0, outPeak = -200.0, outRms = -200.0; // dBFS over the whole programme
  double largestReductionDb = 0.0; // over 50 ms windows, as report.txt has always given it
};

// any thread. `wet` lags `dry` by `wetDelay` frames (a latency the render did not take off); `makeupDb` is
// the make-up gain the plug-in applied (0 when it was not processing).
ProgrammeReport MeasureProgramme(const Audio& dry, const Audio& wet, double makeupDb, int wetDelay);

// The picture's geometry, in pixels.
struct ReportPlotLayout
{
  static constexpr int kWidth = 1200;
  static constexpr int kHeight = 700;
  static constexpr double kLeft = 80.0;
  static constexpr double kRight = 1170.0;
  static constexpr double kEnvelopeTop = 60.0;
  static constexpr double kEnvelopeBottom = 350.0;
  static constexpr double kReductionTop = 395.0;
  static constexpr double kReductionBottom = 585.0;
  // 0 dB sits a little under the panel's top edge, so a flat trace is not hidden by the frame and a gain
  // above the input's still shows.
  static constexpr double kReductionZero = kReductionTop + 12.0;
  static constexpr double kReductionFloor = kReductionBottom - 6.0;

  // The envelope axis runs from 0 dBFS down to this floor: 12 dB under the quieter peaks (the 5th
  // percentile), in steps of 6 dB, from -24 to -72.
  static double EnvelopeFloorDb(const ProgrammeReport& report);
  // The reduction axis runs from 0 dB down to this depth (a multiple of 3 dB, at least 6).
  static double ReductionDepthDb(const ProgrammeReport& report);
  static double ReductionY(double db, double depthDb);
  static double TimeX(double seconds, double totalSeconds);
};

// The colour of the gain-reduction trace (tests look for it).
inline constexpr unsigned char kReductionRGB[3] = {0x2F, 0x7F, 0xD8};

// any thread; the figures as a caption line and as report.txt has them
std::string FiguresCaption(const ProgrammeReport& report, int latency);
std::string FiguresText(const ProgrammeReport& report, double makeupDb, int latency);
// "settings: A, B, ..." (or the plug-in's defaults when there are none)
std::string SettingsCaption(const std::vector<std::string>& settings);

// any thread; whether this build draws the picture (false on Windows)
bool ReportPictureAvailable();

// main thread; the picture as PNG bytes. `caption` lines go under the plots. False with a reason.
bool DrawReportPng(const ProgrammeReport& report, const std::string& title, const std::vector<std::string>& caption,
                   std::string& png, std::string& error);

} // namespace quorvane::host
