#include "host/Renderer.h"

#include "host/AudioThread.h"
#include "host/HostPlatform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>

namespace quorvane::host {

double ToDb(double linear) { return linear > 0.0 ? 20.0 * std::log10(linear) : -200.0; }

bool FindMasterBypass(HostInstance& instance, std::string& id)
{
  id = instance.MasterBypassID();
  if (!id.empty())
    return true;
  for (const auto& p : instance.Parameters())
  {
    if (p.name == "Master Bypass")
    {
      id = p.id;
      return true;
    }
  }
  return false;
}

namespace {

using platform::ThreadCpuSeconds;

void Measure(const float* const* in, int inChannels, const float* const* out, int outChannels, int frames,
             BlockLevels& levels)
{
  double inPeak = 0.0, outPeak = 0.0, inSum = 0.0, outSum = 0.0;
  for (int c = 0; c < inChannels; ++c)
    for (int f = 0; f < frames; ++f)
    {
      const double x = in[c][f];
      inPeak = std::max(inPeak, std::fabs(x));
      inSum += x * x;
    }
  for (int c = 0; c < outChannels; ++c)
    for (int f = 0; f < frames; ++f)
    {
      const double y = out[c][f];
      outPeak = std::max(outPeak, std::fabs(y));
      outSum += y * y;
    }
  levels.inPeakDb = ToDb(inPeak);
  levels.outPeakDb = ToDb(outPeak);
  levels.silentInput = inSum <= 1e-20;
  levels.gainChangeDb = levels.silentInput ? 0.0 : 10.0 * std::log10(std::max(outSum, 1e-30) / inSum);
}

} // namespace

bool RenderStream(HostInstance& instance, AudioSource& in, AudioSource* sideChain, const RenderOptions& options,
                  AudioSink& out, std::string& error)
{
  const int channels = instance.MainChannels();
  if (in.Channels() != channels)
  {
    error = "input has " + std::to_string(in.Channels()) + " channels, the instance " + std::to_string(channels);
    return false;
  }
  if (sideChain && sideChain->Channels() != 1)
  {
    error = "the side chain has " + std::to_string(sideChain->Channels()) + " channels; it is mono";
    return false;
  }
  if (options.blockSize < 1 || options.blockSize > instance.MaxBlock())
  {
    error = "block size " + std::to_string(options.blockSize) + " is outside 1.." + std::to_string(instance.MaxBlock());
    return false;
  }
  if (options.hostBypass)
  {
    std::string id;
    if (!FindMasterBypass(instance, id))
    {
      error = "the plug-in has no master bypass parameter";
      return false;
    }
    instance.UpdateParameter(id, 1.0);
    instance.GenerateCoefficients();
  }
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode);

  const int64_t frames = in.Frames();
  const int block = options.blockSize;
  const int64_t longestRun = std::max<int64_t>(block, static_cast<int64_t>(instance.SampleRate()) / block * block);

  // One run's buffers, used again for every run: input (silence past its end), side chain, output.
  const auto runLength = static_cast<size_t>(longestRun);
  std::vector<std::vector<float>> inRun(static_cast<size_t>(channels), std::vector<float>(runLength));
  std::vector<std::vector<float>> outRun(static_cast<size_t>(channels), std::vector<float>(runLength));
  std::vector<float> scRun(sideChain ? runLength : 0);
  std::vector<float*> inAt(static_cast<size_t>(channels)), outAt(static_cast<size_t>(channels));
  for (int c = 0; c < channels; ++c)
  {
    inAt[static_cast<size_t>(c)] = inRun[static_cast<size_t>(c)].data();
    outAt[static_cast<size_t>(c)] = outRun[static_cast<size_t>(c)].data();
  }
  float* scAt = scRun.data();

  // With compensation the output's start is known only at the end (the latency may change on the way),
  // so it is gathered and written then.
  Audio held;
  MemorySink holder(held, channels);
  AudioSink& sink = options.compensateLatency ? static_cast<AudioSink&>(holder) : out;

  std::unique_ptr<AudioThread> audio;
  if (!options.offline)
    audio = std::make_unique<AudioThread>(instance);

  // The run the audio thread renders next: `runFrames` frames from the run buffers' start.
  int64_t runFrames = 0;
  bool runOk = true;
  double pluginSeconds = 0.0, reading = 0.0, writing = 0.0;
  std::vector<const float*> inPtr(static_cast<size_t>(channels));
  std::vector<float*> outPtr(static_cast<size_t>(channels));
  // Points inPtr and outPtr at the block `at` frames into the run; its length.
  auto blockAt = [&](int64_t at) {
    for (int c = 0; c < channels; ++c)
    {
      inPtr[static_cast<size_t>(c)] = inAt[static_cast<size_t>(c)] + at;
      outPtr[static_cast<size_t>(c)] = outAt[static_cast<size_t>(c)] + at;
    }
    return static_cast<int>(std::min<int64_t>(block, runFrames - at));
  };
  auto renderRun = [&] {
    const double cpuBefore = ThreadCpuSeconds();
    for (int64_t at = 0; at < runFrames && runOk; at += block)
    {
      const int n = blockAt(at);
      runOk = instance.Render(inPtr.data(), sideChain ? scAt + at : nullptr, outPtr.data(), n);
    }
    pluginSeconds += ThreadCpuSeconds() - cpuBefore;
  };
  // Made once, here on the main thread: handing it over allocates nothing.
  const std::function<void()> job = renderRun;

  // Reads up to n frames of a source into its run buffers, silence after its end.
  auto fill = [&error](AudioSource& source, float* const* to, int count, int64_t n) {
    const int64_t got = source.Read(to, n, error);
    if (got < 0)
      return false;
    for (int c = 0; c < count; ++c)
      std::fill(to[c] + got, to[c] + n, 0.0f);
    return true;
  };

  size_t nextChange = 0;
  int lastPercent = -1;
  const bool showProgress = options.progress && frames > 10 * static_cast<int64_t>(instance.SampleRate());

  // The latency is known only once the plug-in has processed; with compensation the input is followed
  // by silence until the tail it delays has come out.
  int64_t total = frames;
  for (int64_t start = 0; start < total;)
  {
    bool changed = false;
    while (nextChange < options.automation.size() && options.automation[nextChange].frame <= start)
    {
      const auto& c = options.automation[nextChange++].change;
      const AAX_Result r = instance.UpdateParameter(c.id, c.normalized);
      if (r != AAX_SUCCESS)
      {
        error = "the plug-in refused \"" + c.name + "\" (" + std::to_string(r) + ")";
        return false;
      }
      changed = true;
    }
    if (changed)
      instance.GenerateCoefficients();

    // The run ends before the first block that starts at or after the next change.
    int64_t end = std::min(total, start + longestRun);
    if (nextChange < options.automation.size())
    {
      const int64_t changeAt = options.automation[nextChange].frame;
      const int64_t blocksBefore = (changeAt - start + block - 1) / block;
      end = std::min(end, start + std::max<int64_t>(1, blocksBefore) * static_cast<int64_t>(block));
    }
    // With compensation the first block runs alone: it tells the latency, and so where the render ends.
    if (options.compensateLatency && start == 0)
      end = std::min<int64_t>(end, block);
    end = std::min(end, total);

    runFrames = end - start;
    const double readFrom = ThreadCpuSeconds();
    if (!fill(in, inAt.data(), channels, runFrames) || (sideChain && !fill(*sideChain, &scAt, 1, runFrames)))
      return false;
    reading += ThreadCpuSeconds() - readFrom;
    if (audio)
      audio->RunOnAudioThread(job);
    else
      job();
    if (!runOk)
    {
      error = "render failed";
      return false;
    }
    if (options.levels)
      for (int64_t at = 0; at < runFrames; at += block)
      {
        const int n = blockAt(at);
        BlockLevels levels;
        levels.block = (start + at) / block;
        levels.frame = start + at;
        Measure(inPtr.data(), channels, outPtr.data(), channels, n, levels);
        options.levels->push_back(levels);
      }
    const double writeFrom = ThreadCpuSeconds();
    if (!sink.Write(outAt.data(), runFrames, error))
      return false;
    writing += ThreadCpuSeconds() - writeFrom;

    instance.Idle();
    start = end;
    if (options.compensateLatency)
      total = frames + std::max<int32_t>(0, instance.Latency());
    if (showProgress)
    {
      const int percent = static_cast<int>(100 * start / std::max<int64_t>(1, total));
      if (percent != lastPercent)
      {
        std::fprintf(stderr, "\rrendering %3d%%", percent);
        lastPercent = percent;
      }
    }
  }
  if (options.times)
    *options.times = {pluginSeconds, reading, writing};
  if (showProgress)
    std::fprintf(stderr, "\rrendering 100%%\n");
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode);

  if (options.compensateLatency)
  {
    const auto drop = static_cast<size_t>(std::max<int32_t>(0, instance.Latency()));
    std::vector<const float*> from(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c)
    {
      auto& r = held.channels[static_cast<size_t>(c)];
      r.resize(std::max(r.size(), drop + static_cast<size_t>(frames)), 0.0f);
      from[static_cast<size_t>(c)] = r.data() + drop;
    }
    return out.Write(from.data(), frames, error);
  }
  return true;
}

bool RenderFile(HostInstance& instance, const Audio& in, const std::vector<float>& sideChain,
                const RenderOptions& options, Audio& out, std::string& error)
{
  MemorySource source(in);
  MemorySource sc(sideChain);
  Audio result;
  MemorySink sink(result, static_cast<int>(in.channels.size()));
  if (!RenderStream(instance, source, sideChain.empty() ? nullptr : &sc, options, sink, error))
    return false;
  result.sampleRate = in.sampleRate;
  out = std::move(result);
  return true;
}

std::string FormatLevels(const std::vector<BlockLevels>& levels)
{
  std::ostringstream s;
  s << "# host-side levels per block: the plug-in's gain-reduction meter is not visible through AAX; columns: "
       "block start_frame in_peak_dBFS out_peak_dBFS gain_change_dB (output RMS over input RMS)\n";
  char line[160];
  for (const auto& l : levels)
  {
    std::snprintf(line, sizeof(line), "%lld %lld %.2f %.2f %.2f\n", static_cast<long long>(l.block),
                  static_cast<long long>(l.frame), l.inPeakDb, l.outPeakDb, l.gainChangeDb);
    s << line;
  }
  return s.str();
}

} // namespace quorvane::host
