#include "host/Demo.h"

#include "host/Commands.h"
#include "host/HostPlatform.h"
#include "host/Renderer.h"
#include "host/ReportPlot.h"
#include "host/Session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

namespace quorvane::host {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Noise
{
  uint32_t state = 0x9E3779B9u;
  double Next() // uniform in [-1, 1)
  {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

void AddKick(std::vector<double>& mono, size_t at, double rate)
{
  double phase = 0.0;
  const auto length = static_cast<size_t>(0.35 * rate);
  for (size_t i = 0; i < length && at + i < mono.size(); ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double freq = 48.0 + 110.0 * std::exp(-t * 30.0);
    phase += kTwoPi * freq / rate;
    mono[at + i] += 0.9 * std::sin(phase) * std::exp(-t * 7.0) + (t < 0.004 ? 0.3 * (1.0 - t / 0.004) : 0.0);
  }
}

void AddSnare(std::vector<double>& left, std::vector<double>& right, size_t at, double rate, Noise& noise)
{
  const auto length = static_cast<size_t>(0.25 * rate);
  double lp = 0.0;
  for (size_t i = 0; i < length && at + i < left.size(); ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double n = noise.Next();
    lp += 0.5 * (n - lp);
    const double body = 0.45 * std::sin(kTwoPi * 190.0 * t) * std::exp(-t * 25.0);
    const double rattle = 0.5 * (n - lp) * std::exp(-t * 14.0);
    left[at + i] += body + rattle;
    right[at + i] += body + 0.9 * rattle;
  }
}

void AddHat(std::vector<double>& left, std::vector<double>& right, size_t at, double rate, Noise& noise, double gain,
            double pan)
{
  const auto length = static_cast<size_t>(0.05 * rate);
  double prev = 0.0;
  for (size_t i = 0; i < length && at + i < left.size(); ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double n = noise.Next();
    const double hp = n - prev; // bright: first difference
    prev = n;
    const double v = gain * hp * std::exp(-t * 70.0);
    left[at + i] += v * (1.0 - pan);
    right[at + i] += v * (1.0 + pan);
  }
}

} // namespace

Audio SynthesiseDemoProgramme(double sampleRate, double seconds)
{
  const auto frames = static_cast<size_t>(seconds * sampleRate);
  std::vector<double> left(frames, 0.0), right(frames, 0.0), kick(frames, 0.0);
  Noise noise;
  const double beat = 60.0 / 174.0;
  const double sixteenth = beat / 4.0;
  const auto steps = static_cast<int>(seconds / sixteenth) + 1;

  // Two-step pattern over one bar of 16 sixteenths: kick on 1 and the "and" of 3, snare on 2 and 4.
  for (int s = 0; s < steps; ++s)
  {
    const auto at = static_cast<size_t>(s * sixteenth * sampleRate);
    if (at >= frames)
      break;
    const int step = s % 16;
    const int bar = s / 16;
    if (step == 0 || step == 10 || (bar % 2 == 1 && step == 13))
      AddKick(kick, at, sampleRate);
    if (step == 4 || step == 12)
      AddSnare(left, right, at, sampleRate, noise);
    if (step % 2 == 0)
      AddHat(left, right, at, sampleRate, noise, step % 4 == 2 ? 0.22 : 0.12, 0.3);
    else if (step % 4 == 3)
      AddHat(left, right, at, sampleRate, noise, 0.07, -0.3);
  }

  // Sub bass: a sine with a little second harmonic, one note per half bar.
  const double notes[] = {43.65, 43.65, 51.91, 38.89, 43.65, 58.27, 51.91, 38.89}; // F1 F1 G#1 D#1 F1 A#1 G#1 D#1
  double bassPhase = 0.0;
  // Pad: detuned saws of an F minor chord through a one-pole low-pass, slow swell.
  const double chord[] = {174.61, 207.65, 261.63, 349.23};
  double padPhase[8] = {};
  double padL = 0.0, padR = 0.0;
  const double padCoef = 1.0 - std::exp(-kTwoPi * 900.0 / sampleRate);
  for (size_t i = 0; i < frames; ++i)
  {
    const double t = static_cast<double>(i) / sampleRate;
    const auto half = static_cast<size_t>(t / (2.0 * beat));
    const double inNote = t - static_cast<double>(half) * 2.0 * beat;
    const double f = notes[half % 8];
    bassPhase += kTwoPi * f / sampleRate;
    const double env = std::min(1.0, inNote / 0.01) * (inNote > 2.0 * beat - 0.02 ? (2.0 * beat - inNote) / 0.02 : 1.0);
    const double bass = 0.42 * env * (std::sin(bassPhase) + 0.15 * std::sin(2.0 * bassPhase));

    double sawL = 0.0, sawR = 0.0;
    for (int v = 0; v < 8; ++v)
    {
      const double detune = (v % 2 == 0) ? 1.003 : 0.997;
      padPhase[v] += chord[v / 2] * detune / sampleRate;
      padPhase[v] -= std::floor(padPhase[v]);
      const double saw = 2.0 * padPhase[v] - 1.0;
      (v % 2 == 0 ? sawL : sawR) += saw;
    }
    padL += padCoef * (sawL - padL);
    padR += padCoef * (sawR - padR);
    const double swell = 0.05 * (0.6 + 0.4 * std::sin(kTwoPi * t / 5.5));

    left[i] += kick[i] + bass + swell * padL;
    right[i] += kick[i] + bass + swell * padR;
  }

  double peak = 0.0;
  for (size_t i = 0; i < frames; ++i)
    peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
  const double scale = peak > 0.0 ? std::pow(10.0, -3.0 / 20.0) / peak : 1.0;
  Audio audio;
  audio.sampleRate = sampleRate;
  audio.channels.assign(2, std::vector<float>(frames));
  for (size_t i = 0; i < frames; ++i)
  {
    audio.channels[0][i] = static_cast<float>(left[i] * scale);
    audio.channels[1][i] = static_cast<float>(right[i] * scale);
  }
  return audio;
}

std::vector<std::string> DemoSettings()
{
  return {"Ratio=4:1", "Attack Time=3 ms", "Release Time=Auto", "Threshold=2", "Make-Up Gain=3",
          "Oversampling=Oversampling On"};
}

int RunDemo(const CommandLine& cl)
{
  const std::string dir = cl.out.empty() ? "out" : cl.out;
  std::string error;
  if (!platform::MakeDirectory(dir, error))
    return Fail(error);

  constexpr double kRate = 48000.0;
  constexpr int kBlock = 512;
  const std::vector<std::string> settings = DemoSettings();
  const double makeupDb = 3.0;

  // Without the picture (a build without cairo) the demo writes everything else.
  const bool drawPicture = ReportPictureAvailable();
  AtomicFile dryFile, wetFile, meterFile, reportFile, pictureFile;
  if (!dryFile.Create(dir + "/dry.wav", error) || !wetFile.Create(dir + "/processed.wav", error) ||
      !meterFile.Create(dir + "/meter.log", error) || !reportFile.Create(dir + "/report.txt", error) ||
      (drawPicture && !pictureFile.Create(dir + "/report.png", error)))
    return Fail(error);

  Session session(cl);
  if (!session.Load(error))
    return Fail(error);
  auto instance = session.NewInstance(kStereoComponent, kRate, kBlock, error);
  if (!instance)
    return Fail(error);
  if (!ApplyAssignments(*instance, settings, error))
    return Fail(error);
  instance->Transport().SetTempo(174.0);

  const Audio dry = SynthesiseDemoProgramme(kRate, 10.0);
  std::vector<BlockLevels> levels;
  RenderOptions options;
  options.blockSize = kBlock;
  options.compensateLatency = true;
  options.levels = &levels;
  Audio wet;
  if (!RenderFile(*instance, dry, {}, options, wet, error))
    return Fail(error);

  // processed.wav is latency-compensated, so the two line up sample for sample.
  const ProgrammeReport measured = MeasureProgramme(dry, wet, makeupDb, 0);
  std::ostringstream report;
  report << "Quorvane demo: " << dry.Frames() / static_cast<int64_t>(kRate) << " s of 174 BPM drum and bass, stereo, "
         << static_cast<int>(kRate) << " Hz, blocks of " << kBlock << "\nsettings:";
  for (const auto& s : settings)
    report << " \"" << s << "\"";
  report << "\n" << FiguresText(measured, makeupDb, instance->Latency()) << " (compensated in processed.wav)\n";

  std::string picture;
  const std::vector<std::string> caption = {SettingsCaption(settings), FiguresCaption(measured, instance->Latency())};
  if (drawPicture && !DrawReportPng(measured, "Quorvane demo: 10 s of 174 BPM drum and bass through the compressor",
                                    caption, picture, error))
    return Fail(error);

  const std::string meter = FormatLevels(levels);
  const std::string text = report.str();
  if (!dryFile.WriteAudio(dry, error) || !wetFile.WriteAudio(wet, error) ||
      !meterFile.WriteBytes(meter.data(), meter.size(), error) || !reportFile.WriteBytes(text.data(), text.size(), error) ||
      (drawPicture && !pictureFile.WriteBytes(picture.data(), picture.size(), error)) || !dryFile.Commit(error) ||
      !wetFile.Commit(error) || !meterFile.Commit(error) || !reportFile.Commit(error) ||
      (drawPicture && !pictureFile.Commit(error)))
    return Fail(error);
  std::fputs(text.c_str(), stdout);
  std::printf("wrote %s/dry.wav, %s/processed.wav, %s/meter.log, %s/report.txt", dir.c_str(), dir.c_str(),
              dir.c_str(), dir.c_str());
  if (drawPicture)
    std::printf(", %s/report.png\n", dir.c_str());
  else
    std::printf(" (no report.png: this build has no cairo to draw it)\n");
  return 0;
}

} // namespace quorvane::host
