// Hosts both LV2 plug-ins through lilv and marks every run() real-time for RealtimeSanitizer: the first
// allocation, free, lock, sleep or file call inside one stops the program with a stack. The runs cover
// what hosts do: every length (0, short, announced, longer than announced), parameter changes with
// latency changes, host bypass, NaN and infinite input, an unconnected side chain and editor messages.
#include <cmath>
#include <cstdio>
#include <limits>

#include "host/RealtimeScope.h"
#include "IPlug/LV2/IPlugLV2_URIs.h"
#include "tests/lv2/LilvHost.h"

using namespace quorvane::test;

namespace {

int Exercise(const char* uri, double rate)
{
  LilvInstanceRunner run(uri, rate, 512);
  if (!run.Valid())
  {
    std::fprintf(stderr, "lv2_rt_run: cannot instantiate %s\n", uri);
    return 1;
  }
  iplug::IPlugLV2_URIs uris;
  uris.Map(run.Map().Feature(), "urn:kestrove:quorvane#");
  run.SetFrames(4096);
  run.Activate();
  const char* in = run.Has("in_l") ? "in_l" : "in";
  const char* out = run.Has("out_l") ? "out_l" : "out";
  uint64_t at = 0;
  int bad = 0;
  constexpr uint32_t kLengths[] = {0, 1, 64, 512, 1000, 4096, 333};
  for (int pass = 0; pass < 200; ++pass)
  {
    const uint32_t frames = kLengths[pass % 7];
    float* x = run.Audio(in);
    for (uint32_t i = 0; i < frames; ++i)
      x[i] = static_cast<float>(0.7 * std::sin(0.01 * static_cast<double>(at + i)) * ((at + i) % 9000 < 3000 ? 1.0 : 0.1));
    if (pass % 11 == 5 && frames > 0)
      x[frames / 2] = (pass % 2) ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    run.Control("threshold") = -15.0f + static_cast<float>(pass % 30);
    run.Control("oversampling") = static_cast<float>((pass / 3) % 2);
    run.Control("ratio") = static_cast<float>(pass % 6);
    run.Control("release_time") = static_cast<float>(pass % 5);
    run.Control("external_sidechain") = static_cast<float>((pass / 7) % 2);
    run.Control("enabled") = pass % 13 == 12 ? 0.0f : 1.0f;
    if (pass == 50)
      run.Disconnect("sidechain");
    if (pass % 17 == 3)
      run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeMessage(uris, f, 605, 602, 2.0f); });
    if (pass % 17 == 9)
      run.QueueMessage("control", [&](LV2_Atom_Forge& f) { iplug::ForgeEditorSizeRequest(uris, f); });
    {
      quorvane::host::RealtimeScope realtime;
      run.Run(frames);
    }
    for (uint32_t i = 0; i < frames; ++i)
      bad += !std::isfinite(run.Audio(out)[i]);
    at += frames;
  }
  std::printf("%s at %.0f Hz: %llu frames in 200 runs, %d non-finite output samples\n", uri, rate,
              static_cast<unsigned long long>(at), bad);
  return bad == 0 ? 0 : 1;
}

} // namespace

int main()
{
  int failed = 0;
  for (const double rate : {44100.0, 96000.0, 192000.0})
  {
    failed += Exercise(kStereoURI, rate);
    failed += Exercise(kMonoURI, rate);
  }
  return failed == 0 ? 0 : 1;
}
