// Quorvane against the compressors a user would pick instead, in one in-memory lilv host: the same
// 60 s stereo programme at 48 kHz (drums, bass and noise bursts, made in code), the same block sizes,
// only the run() calls timed, in CPU time. Prints the real-time factors and their ratios. A benchmark,
// not a test: nothing here is asserted.
//
//   quorvane_bench_peers                       Quorvane (oversampling off and on), LSP Compressor Stereo,
//                                              LSP Limiter Stereo at 2x, where installed; 64/256/1024
//   quorvane_bench_peers --seconds 10 --blocks 256
//   quorvane_bench_peers --plugin URI [SYMBOL=VALUE]...   any LV2 plug-in, controls set by symbol

#include "tests/lv2/LilvHost.h"

#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace quorvane::test;

namespace {

constexpr double kRate = 48000.0;

struct Candidate
{
  std::string label;
  std::string uri;
  std::vector<std::pair<std::string, float>> controls;
};

// Kick and snare at 174 BPM, a sub bass, hats, and a burst of noise every few seconds; deterministic.
std::vector<float> Programme(double seconds, int channel)
{
  const auto frames = static_cast<size_t>(seconds * kRate);
  std::vector<float> x(frames);
  uint32_t noise = 0x1234567u + static_cast<uint32_t>(channel);
  const double beat = 60.0 / 174.0;
  for (size_t i = 0; i < frames; ++i)
  {
    noise = noise * 1664525u + 1013904223u;
    const double n = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
    const double t = static_cast<double>(i) / kRate;
    const double inBeat = std::fmod(t, beat);
    const double inBar = std::fmod(t, 4.0 * beat);
    const double kick = 0.8 * std::exp(-inBeat * 9.0) * std::sin(2.0 * M_PI * (50.0 * inBeat + 3.0 * (1.0 - std::exp(-inBeat * 30.0))));
    const double snare = inBar > beat && inBar < 2.0 * beat ? 0.4 * std::exp(-(inBar - beat) * 20.0) * n : 0.0;
    const double hat = 0.08 * std::exp(-std::fmod(t, beat / 4.0) * 90.0) * n;
    const double bass = 0.3 * std::sin(2.0 * M_PI * (channel ? 43.65 : 43.7) * t);
    const double burst = std::fmod(t, 7.0) > 6.0 ? 0.5 * n : 0.0;
    x[i] = static_cast<float>(kick + snare + hat + bass + burst);
  }
  return x;
}

double CpuSeconds()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// The real-time factor of one candidate at one block size; 0 when it cannot be hosted.
double Measure(const Candidate& c, const std::vector<float>& left, const std::vector<float>& right, uint32_t block)
{
  LilvInstanceRunner run(c.uri.c_str(), kRate, static_cast<int32_t>(block));
  if (!run.Valid() || !run.Has("in_l") || !run.Has("in_r") || !run.Has("out_l") || !run.Has("out_r"))
    return 0.0;
  for (const auto& [symbol, value] : c.controls)
  {
    if (!run.Has(symbol.c_str()))
    {
      std::fprintf(stderr, "peers: %s has no control '%s'\n", c.uri.c_str(), symbol.c_str());
      return 0.0;
    }
    run.Control(symbol.c_str()) = value;
  }
  run.Activate();
  float* inL = run.Audio("in_l");
  float* inR = run.Audio("in_r");
  // One second first: the plug-ins settle their parameters and caches outside the measurement.
  const size_t frames = left.size();
  const size_t warm = std::min(frames, static_cast<size_t>(kRate));
  double cpu = 0.0;
  for (size_t pass = 0; pass < 2; ++pass)
  {
    const size_t end = pass == 0 ? warm : frames;
    for (size_t at = 0; at + block <= end; at += block)
    {
      std::memcpy(inL, left.data() + at, block * sizeof(float));
      std::memcpy(inR, right.data() + at, block * sizeof(float));
      const double start = CpuSeconds();
      run.Run(block);
      if (pass == 1)
        cpu += CpuSeconds() - start;
    }
  }
  return cpu > 0.0 ? (static_cast<double>(frames / block * block) / kRate) / cpu : 0.0;
}

std::vector<uint32_t> ParseBlocks(const char* text)
{
  std::vector<uint32_t> blocks;
  for (const char* p = text; *p != '\0';)
  {
    char* end = nullptr;
    const unsigned long v = std::strtoul(p, &end, 10);
    if (end == p || v == 0 || v > 65536)
      return {};
    blocks.push_back(static_cast<uint32_t>(v));
    p = *end == ',' ? end + 1 : end;
  }
  return blocks;
}

} // namespace

int main(int argc, char** argv)
{
  double seconds = 60.0;
  std::vector<uint32_t> blocks = {64, 256, 1024};
  std::vector<Candidate> candidates;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc)
      seconds = std::max(2.0, std::atof(argv[++i]));
    else if (arg == "--blocks" && i + 1 < argc)
      blocks = ParseBlocks(argv[++i]);
    else if (arg == "--plugin" && i + 1 < argc)
    {
      Candidate c{argv[i + 1], argv[i + 1], {}};
      ++i;
      while (i + 1 < argc && std::strchr(argv[i + 1], '=') != nullptr && argv[i + 1][0] != '-')
      {
        const std::string setting = argv[++i];
        const size_t eq = setting.find('=');
        c.controls.emplace_back(setting.substr(0, eq), std::strtof(setting.c_str() + eq + 1, nullptr));
      }
      candidates.push_back(std::move(c));
    }
    else
    {
      std::fprintf(stderr, "usage: quorvane_bench_peers [--seconds S] [--blocks 64,256,...] "
                           "[--plugin URI [SYMBOL=VALUE]...]...\n");
      return 2;
    }
  }
  if (blocks.empty())
  {
    std::fprintf(stderr, "peers: --blocks takes sizes from 1 to 65536, separated by commas\n");
    return 2;
  }
  if (candidates.empty())
  {
    // Quorvane at a bus setting (-10 dB, 4:1, 10 ms, 100 ms), the LSP compressor at the issue's
    // -30 dB, 4, 10 ms, 100 ms, and the LSP limiter with 2x oversampling ("Full x2(2L)").
    const std::vector<std::pair<std::string, float>> bus = {
      {"threshold", -10.0f}, {"ratio", 3.0f}, {"attack_time", 4.0f}, {"release_time", 0.0f}};
    auto with = [](std::vector<std::pair<std::string, float>> c, std::pair<std::string, float> extra) {
      c.push_back(std::move(extra));
      return c;
    };
    candidates = {
      {"Quorvane, oversampling off", kStereoURI, with(bus, {"oversampling", 0.0f})},
      {"Quorvane, oversampling on", kStereoURI, with(bus, {"oversampling", 1.0f})},
      {"LSP Compressor Stereo", "http://lsp-plug.in/plugins/lv2/compressor_stereo",
       {{"al", static_cast<float>(std::pow(10.0, -30.0 / 20.0))}, {"cr", 4.0f}, {"at", 10.0f}, {"rt", 100.0f}}},
      {"LSP Limiter Stereo, 2x", "http://lsp-plug.in/plugins/lv2/limiter_stereo", {{"ovs", 11.0f}}},
    };
  }

  const std::vector<float> left = Programme(seconds, 0);
  const std::vector<float> right = Programme(seconds, 1);
  std::printf("real-time factor: %.0f s of stereo at %.0f Hz, CPU time of run() only, one thread\n\n", seconds, kRate);
  std::printf("%-30s", "plug-in");
  for (const uint32_t b : blocks)
    std::printf("  %8u", b);
  std::printf("   (frames per run)\n");

  std::vector<std::vector<double>> results;
  for (const Candidate& c : candidates)
  {
    std::vector<double> row;
    for (const uint32_t b : blocks)
      row.push_back(Measure(c, left, right, b));
    results.push_back(row);
    std::printf("%-30.30s", c.label.c_str());
    for (const double rtf : row)
    {
      if (rtf > 0.0)
        std::printf("  %7.0fx", rtf);
      else
        std::printf("  %8s", "-");
    }
    std::printf("%s\n", row[0] > 0.0 ? "" : "   (not installed or not hostable)");
  }

  // Every other row against the first, at each block size.
  if (results.size() > 1 && results[0][0] > 0.0)
  {
    std::printf("\nagainst %s:\n", candidates[0].label.c_str());
    for (size_t r = 1; r < results.size(); ++r)
    {
      std::printf("%-30.30s", candidates[r].label.c_str());
      for (size_t b = 0; b < blocks.size(); ++b)
      {
        if (results[r][b] > 0.0 && results[0][b] > 0.0)
          std::printf("  %7.2fx", results[r][b] / results[0][b]);
        else
          std::printf("  %8s", "-");
      }
      std::printf("\n");
    }
  }
  return 0;
}
