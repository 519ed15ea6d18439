#include "host/Renderer.h"

#include "host/AudioThread.h"

#include <time.h>
#include <unistd.h>

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

double ThreadCpuSeconds()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

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

bool RenderFile(HostInstance& instance, const Audio& in, const std::vector<float>& sideChain,
                const RenderOptions& options, Audio& out, std::string& error)
{
  const int channels = instance.MainChannels();
  if (static_cast<int>(in.channels.size()) != channels)
  {
    error = "input has " + std::to_string(in.channels.size()) + " channels, the instance " + std::to_string(channels);
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
  // Blocks that reach past the input (the latency tail) or the side chain read from copies padded with
  // silence; all others read the input where it lies.
  std::vector<std::vector<float>> padded(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(block)));
  std::vector<float> paddedSideChain(static_cast<size_t>(block));

  std::vector<std::vector<float>> result(static_cast<size_t>(channels));
  for (auto& r : result)
  {
    r.reserve(static_cast<size_t>(frames) + 1024);
    r.resize(static_cast<size_t>(frames));
  }

  std::unique_ptr<AudioThread> audio;
  if (!options.offline)
    audio = std::make_unique<AudioThread>(instance);

  // The run of blocks [runStart, runEnd) the audio thread renders next; the job reads them from here.
  int64_t runStart = 0, runEnd = 0;
  bool runOk = true;
  double pluginSeconds = 0.0;
  std::vector<const float*> inPtr(static_cast<size_t>(channels));
  std::vector<float*> outPtr(static_cast<size_t>(channels));
  auto renderRun = [&] {
    const double cpuBefore = ThreadCpuSeconds();
    for (int64_t start = runStart; start < runEnd && runOk; start += block)
    {
      const int n = static_cast<int>(std::min<int64_t>(block, runEnd - start));
      for (int c = 0; c < channels; ++c)
      {
        const auto& source = in.channels[static_cast<size_t>(c)];
        float* copy = padded[static_cast<size_t>(c)].data();
        if (start + n <= frames)
          inPtr[static_cast<size_t>(c)] = source.data() + start;
        else
        {
          for (int f = 0; f < n; ++f)
            copy[f] = start + f < frames ? source[static_cast<size_t>(start + f)] : 0.0f;
          inPtr[static_cast<size_t>(c)] = copy;
        }
        outPtr[static_cast<size_t>(c)] = result[static_cast<size_t>(c)].data() + start;
      }
      const float* scPtr = nullptr;
      if (!sideChain.empty())
      {
        if (start + n <= static_cast<int64_t>(sideChain.size()))
          scPtr = sideChain.data() + start;
        else
        {
          for (int f = 0; f < n; ++f)
          {
            const auto at = static_cast<size_t>(start + f);
            paddedSideChain[static_cast<size_t>(f)] = at < sideChain.size() ? sideChain[at] : 0.0f;
          }
          scPtr = paddedSideChain.data();
        }
      }
      runOk = instance.Render(inPtr.data(), scPtr, outPtr.data(), n);
    }
    pluginSeconds += ThreadCpuSeconds() - cpuBefore;
  };
  // Made once, here on the main thread: handing it over allocates nothing.
  const std::function<void()> job = renderRun;

  size_t nextChange = 0;
  int lastPercent = -1;
  const bool showProgress = options.progress && frames > 10 * static_cast<int64_t>(instance.SampleRate());
  const int64_t longestRun = std::max<int64_t>(block, static_cast<int64_t>(instance.SampleRate()) / block * block);

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
    for (auto& r : result)
      if (static_cast<int64_t>(r.size()) < end)
        r.resize(static_cast<size_t>(end), 0.0f);

    runStart = start;
    runEnd = end;
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
      for (int64_t at = start; at < end; at += block)
      {
        const int n = static_cast<int>(std::min<int64_t>(block, end - at));
        for (int c = 0; c < channels; ++c)
        {
          const auto& source = in.channels[static_cast<size_t>(c)];
          float* copy = padded[static_cast<size_t>(c)].data();
          for (int f = 0; f < n; ++f)
            copy[f] = at + f < frames ? source[static_cast<size_t>(at + f)] : 0.0f;
          inPtr[static_cast<size_t>(c)] = copy;
          outPtr[static_cast<size_t>(c)] = result[static_cast<size_t>(c)].data() + at;
        }
        BlockLevels levels;
        levels.block = at / block;
        levels.frame = at;
        Measure(inPtr.data(), channels, outPtr.data(), channels, n, levels);
        options.levels->push_back(levels);
      }
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
  if (options.pluginSeconds)
    *options.pluginSeconds = pluginSeconds;
  if (showProgress)
    std::fprintf(stderr, "\rrendering 100%%\n");
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode);

  if (options.compensateLatency)
  {
    const auto drop = static_cast<size_t>(std::max<int32_t>(0, instance.Latency()));
    for (auto& r : result)
    {
      r.erase(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(std::min(drop, r.size())));
      r.resize(static_cast<size_t>(frames), 0.0f);
    }
  }
  out.sampleRate = in.sampleRate;
  out.channels = std::move(result);
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
