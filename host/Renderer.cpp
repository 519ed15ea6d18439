#include "host/Renderer.h"

#include "host/AudioThread.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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
  std::vector<std::vector<float>> inBlock(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<float>> outBlock(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(block)));
  std::vector<float> scBlock(static_cast<size_t>(block));
  std::vector<const float*> inPtr;
  std::vector<float*> outPtr;
  for (auto& b : inBlock)
    inPtr.push_back(b.data());
  for (auto& b : outBlock)
    outPtr.push_back(b.data());
  const float* scPtr = sideChain.empty() ? nullptr : scBlock.data();

  std::vector<std::vector<float>> result(static_cast<size_t>(channels));
  for (auto& r : result)
    r.reserve(static_cast<size_t>(frames) + 1024);

  std::unique_ptr<AudioThread> audio;
  if (!options.offline)
    audio = std::make_unique<AudioThread>(instance);

  size_t nextChange = 0;
  int64_t blockIndex = 0;
  int lastPercent = -1;
  const bool showProgress = options.progress && frames > 10 * static_cast<int64_t>(instance.SampleRate());

  // The latency is known only once the plug-in has processed; with compensation the input is followed
  // by silence until the tail it delays has come out.
  int64_t total = frames;
  for (int64_t start = 0; start < total; start += block, ++blockIndex)
  {
    const int n = static_cast<int>(std::min<int64_t>(block, total - start));
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

    for (int c = 0; c < channels; ++c)
      for (int f = 0; f < n; ++f)
      {
        const int64_t at = start + f;
        inBlock[static_cast<size_t>(c)][static_cast<size_t>(f)] =
            at < frames ? in.channels[static_cast<size_t>(c)][static_cast<size_t>(at)] : 0.0f;
      }
    if (scPtr)
      for (int f = 0; f < n; ++f)
      {
        const auto at = static_cast<size_t>(start + f);
        scBlock[static_cast<size_t>(f)] = at < sideChain.size() ? sideChain[at] : 0.0f;
      }

    const bool ok = audio ? audio->Render(inPtr.data(), scPtr, outPtr.data(), n)
                          : instance.Render(inPtr.data(), scPtr, outPtr.data(), n);
    if (!ok)
    {
      error = "render failed";
      return false;
    }
    for (int c = 0; c < channels; ++c)
      result[static_cast<size_t>(c)].insert(result[static_cast<size_t>(c)].end(), outBlock[static_cast<size_t>(c)].begin(),
                                            outBlock[static_cast<size_t>(c)].begin() + n);
    if (options.levels)
    {
      BlockLevels levels;
      levels.block = blockIndex;
      levels.frame = start;
      Measure(inPtr.data(), channels, outPtr.data(), channels, n, levels);
      options.levels->push_back(levels);
    }
    instance.Idle();
    if (options.compensateLatency)
      total = frames + std::max<int32_t>(0, instance.Latency());
    if (showProgress)
    {
      const int percent = static_cast<int>(100 * (start + n) / std::max<int64_t>(1, total));
      if (percent != lastPercent)
      {
        std::fprintf(stderr, "\rrendering %3d%%", percent);
        lastPercent = percent;
      }
    }
  }
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
