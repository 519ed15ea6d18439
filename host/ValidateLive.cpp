// validate's checks on the real audio thread: blocks go to the thread with AudioThread::Start and the
// main thread does a host's other work until it waits for them.

#include "host/ValidateLive.h"

#include "host/AudioThread.h"
#include "host/HostInstance.h"
#include "host/Session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <utility>

namespace quorvane::host {

namespace {

constexpr double kRate = 48000.0;
constexpr int kOversamplingLatency = 64;

// One instance on its audio thread with the host's block buffers: noise in at a level that changes per
// block (silence included, so tails decay towards the subnormal range), outputs checked when they return.
class LiveRig
{
public:
  LiveRig(HostInstance& instance, uint32_t seed)
    : mInstance(instance), mRng(seed), mIn(Buffers(instance)), mOut(Buffers(instance)),
      mSideChain(static_cast<size_t>(instance.MaxBlock())), mAudio(instance)
  {
    for (auto& b : mIn)
      mInPtr.push_back(b.data());
    for (auto& b : mOut)
      mOutPtr.push_back(b.data());
  }

  // main thread; fills the inputs (at `heldLevel`, or a level of its own for this block when that is
  // negative) and hands the block over
  void Start(int frames, bool sideChain, float heldLevel = -1.0f)
  {
    static constexpr float kLevels[] = {0.0f, 1e-7f, 0.05f, 0.5f, 1.0f, 2.0f};
    const float level = heldLevel >= 0.0f ? heldLevel : kLevels[mRng() % std::size(kLevels)];
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (auto& b : mIn)
      for (int f = 0; f < frames; ++f)
        b[static_cast<size_t>(f)] = level * dist(mRng);
    for (int f = 0; f < frames; ++f)
      mSideChain[static_cast<size_t>(f)] = 0.8f * dist(mRng);
    mFrames = frames;
    mAudio.Start(mInPtr.data(), sideChain ? mSideChain.data() : nullptr, mOutPtr.data(), frames);
  }

  // main thread; waits for the block, false with the reason when it was refused or a sample is not clean
  bool Finish(std::string& why)
  {
    if (!mAudio.Wait())
    {
      why = "the instance refused a block of " + std::to_string(mFrames) + " frames";
      return false;
    }
    for (size_t c = 0; c < mOut.size(); ++c)
      for (int f = 0; f < mFrames; ++f)
        if (const char* fault = SampleFault(mOut[c][static_cast<size_t>(f)]))
        {
          why = "channel " + std::to_string(c) + " frame " + std::to_string(f) + " of a " + std::to_string(mFrames) +
                "-frame block is " + fault;
          return false;
        }
    for (size_t c = 0; c < mOut.size(); ++c)
      for (int f = 0; f < mFrames; ++f)
      {
        const double in = mIn[c][static_cast<size_t>(f)], out = mOut[c][static_cast<size_t>(f)];
        mEnergy.in += in * in;
        mEnergy.out += out * out;
      }
    mEnergy.frames += mFrames;
    return true;
  }

  // Input and output energy over the main channels of the blocks finished since the last call.
  struct Energy
  {
    double in = 0.0, out = 0.0;
    int64_t frames = 0;
  };
  Energy TakeEnergy() { return std::exchange(mEnergy, Energy{}); }

  std::mt19937& Rng() { return mRng; }

private:
  static std::vector<std::vector<float>> Buffers(HostInstance& instance)
  {
    return std::vector<std::vector<float>>(static_cast<size_t>(instance.MainChannels()),
                                           std::vector<float>(static_cast<size_t>(instance.MaxBlock())));
  }

  HostInstance& mInstance;
  std::mt19937 mRng;
  std::vector<std::vector<float>> mIn, mOut;
  std::vector<float> mSideChain;
  std::vector<const float*> mInPtr;
  std::vector<float*> mOutPtr;
  int mFrames = 0;
  Energy mEnergy;
  AudioThread mAudio; // last: stops before the buffers go
};

std::string IdOf(HostInstance& instance, const std::string& name)
{
  for (const auto& p : instance.Parameters())
    if (p.name == name)
      return p.id;
  return {};
}

// A switch's host text is its integer value.
bool SwitchOn(HostInstance& instance, const std::string& id)
{
  std::string text;
  return instance.Effect().GetParameterValueString(id.c_str(), &text, 32) == AAX_SUCCESS && text == "1";
}

// The latency the chain must have reported after a processed block: the oversampling's, while the chain
// processes at all.
int32_t ExpectedLatency(HostInstance& instance, const std::string& processingId, const std::string& oversamplingId)
{
  return SwitchOn(instance, processingId) && SwitchOn(instance, oversamplingId) ? kOversamplingLatency : 0;
}

} // namespace

void CheckAudioThreadPaths(Report& report, HostModule& module)
{
  std::string why;
  auto inst = HostInstance::Create(module, kStereoComponent, kRate, 2048, why);
  bool ok = inst != nullptr;
  // Oversampling flips at every step of the Gray code, the host bypass every other step.
  const char* names[] = {"Oversampling", "Master Bypass", "Bypass", "External Sidechain", "Turbo", "XFormer"};
  std::vector<std::string> ids;
  for (const char* name : names)
  {
    ids.push_back(ok ? IdOf(*inst, name) : std::string());
    if (ok && ids.back().empty())
    {
      ok = false;
      why = std::string("no parameter \"") + name + "\"";
    }
  }
  int latencyChecks = 0;
  if (ok)
  {
    LiveRig rig(*inst, 77);
    for (int step = 0; ok && step < 64; ++step)
    {
      const int code = step ^ (step >> 1);
      for (size_t s = 0; s < ids.size(); ++s)
        inst->UpdateParameter(ids[s], (code >> s) & 1 ? 1.0 : 0.0);
      inst->GenerateCoefficients();
      // Blocks grow twice on the way: 32 frames, then 512, then the host's longest.
      const int block = step < 16 ? 32 : step < 40 ? 512 : 2048;
      for (int b = 0; ok && b < 4; ++b)
      {
        rig.Start(b == 3 ? block / 2 + 1 : block, b % 2 == 1);
        ok = rig.Finish(why);
        inst->Idle();
      }
      const bool hostBypass = (code >> 1) & 1;
      if (ok && !hostBypass)
      {
        ++latencyChecks;
        const int32_t want = ExpectedLatency(*inst, ids[2], ids[0]);
        if (inst->Latency() != want)
        {
          ok = false;
          why = "latency " + std::to_string(inst->Latency()) + ", expected " + std::to_string(want);
        }
      }
      if (!ok)
        why = "switches " + std::to_string(code) + ": " + why;
    }
  }
  report.Check("audio thread: 64 switch combinations, oversampling toggles, block growth, host bypass, side chain: "
               "clean output, latency follows the oversampling (" + std::to_string(latencyChecks) + " checks)",
               ok && latencyChecks == 32, why);
}

// Whatever the settings, the compressor takes off tens of dB at most (the lowest threshold, the
// highest ratio, full boost): an output more than 80 dB under an audible input over a whole second
// means the detector has run away.
constexpr double kCollapseRatio = 1e-4;
constexpr double kAudibleRms = 1e-3;
// While a scene is held with steady noise in, the gain settles within its first second (the slowest
// attack is 300 ms); after that, a second that is more than 6 dB louder or quieter than the scene's
// second one means the detector is drifting away.
constexpr double kDriftDb = 6.0;

int RunSoak(const CommandLine& cl, double seconds)
{
  Report report;
  Session session(cl);
  std::string error;
  const double rate = cl.soakRate;
  auto inst = session.Open(kStereoComponent, rate, 1024, error);
  if (!inst)
  {
    report.Check("soak: load the module and create an instance", false, error);
    return report.Finish();
  }
  const std::string masterId = inst->MasterBypassID();
  const std::string processingId = IdOf(*inst, "Bypass");
  const std::string oversamplingId = IdOf(*inst, "Oversampling");
  std::vector<ParameterInfo> automated;
  for (const auto& p : inst->Parameters())
    if (p.id != masterId) // the host owns its bypass: it toggles it on its own schedule below
      automated.push_back(p);

  LiveRig rig(*inst, 20240611);
  std::mt19937& rng = rig.Rng();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> blockSize(16, 1024);
  std::vector<std::vector<uint8_t>> states(1);
  if (!inst->SaveState(states[0], error))
  {
    report.Check("soak: save the first state", false, error);
    return report.Finish();
  }

  int64_t blocks = 0, frames = 0, samplesChecked = 0, changes = 0, restores = 0, saves = 0, bypassToggles = 0;
  int64_t latencyChecks = 0, latencyChanges = 0, levelChecks = 0, scenes = 0;
  // Busy stretches alternate with still ones: at the start of a still stretch the host sets one random
  // scene with processing on and then leaves the instance alone, as a mix that is not automated does.
  // What only goes wrong when a setting is held (a filter slowly running away) shows there.
  const int64_t stretch = static_cast<int64_t>(5.0 * rate);
  int64_t stillFrom = stretch;
  bool still = false;
  float stillLevel = 0.0f;
  int64_t stillSeconds = 0;  // whole level-check seconds inside the current still stretch
  double stillReference = 0.0; // its second one's output-to-input ratio in dB
  double largestDrift = 0.0;
  bool hostBypass = false, clean = true, latencyOk = true, levelOk = true;
  double quietest = HUGE_VAL; // the lowest output-to-input ratio of an audible second
  std::string levelWhy;
  int32_t lastLatency = inst->Latency();
  std::string cleanWhy, latencyWhy;
  const auto begin = std::chrono::steady_clock::now();
  const auto end = begin + std::chrono::duration<double>(seconds);
  while (clean && latencyOk && levelOk && std::chrono::steady_clock::now() < end)
  {
    if (!still && frames >= stillFrom)
    {
      for (const auto& p : automated)
        inst->UpdateParameter(p.id, unit(rng));
      inst->UpdateParameter(processingId, 1.0);
      hostBypass = false;
      inst->UpdateParameter(masterId, 0.0);
      inst->GenerateCoefficients();
      static constexpr float kStillLevels[] = {0.05f, 0.5f, 1.0f};
      stillLevel = kStillLevels[rng() % std::size(kStillLevels)];
      stillSeconds = 0;
      still = true;
      scenes += 1;
    }
    else if (still && frames >= stillFrom + stretch)
    {
      still = false;
      stillFrom = frames + stretch;
    }

    // The host's work between blocks.
    const int dice = still ? 1000 : static_cast<int>(rng() % 1000);
    bool coefficients = false;
    if (dice < 300)
    {
      for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k)
        inst->UpdateParameter(automated[rng() % automated.size()].id, unit(rng));
      changes += 1;
      coefficients = true;
    }
    else if (dice < 330)
    {
      inst->UpdateParameter(oversamplingId, rng() % 2 ? 1.0 : 0.0);
      changes += 1;
      coefficients = true;
    }
    else if (dice < 340)
    {
      if (!inst->LoadState(states[rng() % states.size()], error))
      {
        clean = false;
        cleanWhy = "restoring a state it saved: " + error;
        break;
      }
      inst->UpdateParameter(masterId, hostBypass ? 1.0 : 0.0);
      restores += 1;
      coefficients = true;
    }
    else if (dice < 345)
    {
      std::vector<uint8_t> bytes;
      if (inst->SaveState(bytes, error))
      {
        if (states.size() < 16)
          states.push_back(std::move(bytes));
        else
          states[rng() % states.size()] = std::move(bytes);
        saves += 1;
      }
    }
    else if (dice < 355)
    {
      hostBypass = !hostBypass;
      inst->UpdateParameter(masterId, hostBypass ? 1.0 : 0.0);
      bypassToggles += 1;
      coefficients = true;
    }
    if (coefficients)
      inst->GenerateCoefficients();

    const int n = blockSize(rng);
    if (still)
      rig.Start(n, true, stillLevel); // steady noise into the main and side-chain inputs
    else
      rig.Start(n, rng() % 4 == 0);
    if (!rig.Finish(cleanWhy))
    {
      clean = false;
      cleanWhy = "block " + std::to_string(blocks) + ": " + cleanWhy;
      break;
    }
    inst->Idle();
    blocks += 1;
    frames += n;
    samplesChecked += static_cast<int64_t>(n) * inst->MainChannels();

    if (const int64_t done = frames / static_cast<int64_t>(rate); done > levelChecks)
    {
      // A second of audio is complete (give or take a block): its output level against its input's.
      const LiveRig::Energy e = rig.TakeEnergy();
      const double inRms = std::sqrt(e.in / static_cast<double>(e.frames * inst->MainChannels()));
      const double outRms = std::sqrt(e.out / static_cast<double>(e.frames * inst->MainChannels()));
      const bool wholeSecondStill = still && frames - e.frames >= stillFrom;
      stillSeconds = wholeSecondStill ? stillSeconds + 1 : 0;
      levelChecks = done;
      if (inRms >= kAudibleRms)
      {
        quietest = std::min(quietest, outRms / inRms);
        const double db = 20.0 * std::log10(outRms / inRms);
        if (!(outRms >= kCollapseRatio * inRms))
        {
          levelOk = false;
          levelWhy = "second " + std::to_string(done) + ": the output (RMS " + std::to_string(outRms) +
                     ") fell more than 80 dB under the input (RMS " + std::to_string(inRms) + ")";
        }
        else if (stillSeconds == 2)
          stillReference = db;
        else if (stillSeconds > 2)
        {
          const double drift = std::fabs(db - stillReference);
          largestDrift = std::max(largestDrift, drift);
          levelOk = drift <= kDriftDb;
          if (!levelOk)
            levelWhy = "second " + std::to_string(done) + ", a held scene: the output moved from " +
                       std::to_string(stillReference) + " to " + std::to_string(db) + " dB against the steady input";
        }
      }
    }

    const int32_t latency = inst->Latency();
    if (latency != lastLatency)
      latencyChanges += 1;
    lastLatency = latency;
    latencyChecks += 1;
    if (latency != 0 && latency != kOversamplingLatency)
    {
      latencyOk = false;
      latencyWhy = "block " + std::to_string(blocks) + " left a latency of " + std::to_string(latency);
    }
    else if (!hostBypass)
    {
      // A bypassed block does not run the chain, so it reports nothing new.
      const int32_t want = ExpectedLatency(*inst, processingId, oversamplingId);
      if (latency != want)
      {
        latencyOk = false;
        latencyWhy = "block " + std::to_string(blocks) + " left a latency of " + std::to_string(latency) +
                     ", the switches ask for " + std::to_string(want);
      }
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::printf("soak: %.0f Hz, %lld blocks, %.1f s of audio in %.1f s (%.0fx real time), %lld samples checked, "
              "%lld automation changes, %lld state saves, %lld restores, %lld host-bypass toggles, "
              "%lld latency changes, %lld latency checks, %lld held scenes (largest drift %.1f dB), %lld level "
              "checks (quietest second %.1f dB under its input)\n",
              rate, static_cast<long long>(blocks), static_cast<double>(frames) / rate, wall,
              wall > 0.0 ? static_cast<double>(frames) / rate / wall : 0.0, static_cast<long long>(samplesChecked),
              static_cast<long long>(changes), static_cast<long long>(saves), static_cast<long long>(restores),
              static_cast<long long>(bypassToggles), static_cast<long long>(latencyChanges),
              static_cast<long long>(latencyChecks), static_cast<long long>(scenes), largestDrift,
              static_cast<long long>(levelChecks),
              std::isfinite(quietest) ? -20.0 * std::log10(quietest) : 0.0);
  report.Check("soak: every block rendered, no NaN, infinity or subnormal output", clean && blocks > 0, cleanWhy);
  report.Check("soak: latency 0 or 64 after every block, matching the oversampling switch", latencyOk && latencyChanges > 0,
               latencyOk ? "the latency never changed" : latencyWhy);
  report.Check("soak: every second of audible input came out at most 80 dB quieter, and steady within 6 dB "
               "while a scene was held",
               levelOk, levelWhy);
  const int assertions = session.Module().Services().AssertionCount();
  report.Check("soak: the module reported no failed internal checks", assertions == 0,
               std::to_string(assertions) + " assertion reports (see --verbose)");
  return report.Finish();
}

int RunThreads(const CommandLine& cl)
{
  Report report;
  Session session(cl);
  std::string error;
  auto inst = session.Open(kStereoComponent, kRate, 512, error);
  if (!inst)
  {
    report.Check("threads: load the module and create an instance", false, error);
    return report.Finish();
  }
  const auto params = inst->Parameters();
  const std::string masterId = inst->MasterBypassID();
  std::vector<uint8_t> saved;
  bool ok = inst->SaveState(saved, error);

  // Host automation from a thread of its own, as a host's automation playback does.
  std::atomic<bool> stop{false};
  std::atomic<int64_t> hostUpdates{0};
  std::thread automation([&] {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    while (!stop.load(std::memory_order_relaxed))
    {
      inst->UpdateParameter(params[1 + rng() % (params.size() - 1)].id, unit(rng));
      hostUpdates.fetch_add(1, std::memory_order_relaxed);
      std::this_thread::yield();
    }
  });

  LiveRig rig(*inst, 9);
  std::mt19937& rng = rig.Rng();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int64_t gestures = 0, restores = 0, pumps = 0;
  std::string why;
  for (int block = 0; ok && block < 600; ++block)
  {
    rig.Start(32 + static_cast<int>(rng() % 481), block % 3 == 0);
    // While the block renders: an editor gesture (AAX calls the automation delegate, which answers with
    // UpdateParameterNormalizedValue), a save and a restore, the run loop's timers and idle time.
    const auto& p = params[rng() % params.size()];
    if (p.id != masterId)
    {
      inst->Effect().SetParameterNormalizedValue(p.id.c_str(), unit(rng));
      gestures += 1;
    }
    if (block % 4 == 0)
    {
      std::vector<uint8_t> now;
      ok = inst->SaveState(now, why) && inst->LoadState(block % 8 == 0 ? saved : now, why);
      restores += 1;
    }
    inst->GenerateCoefficients();
    inst->Idle();
    pumps += 1;
    std::string fault;
    if (!rig.Finish(fault) && ok)
    {
      ok = false;
      why = "block " + std::to_string(block) + ": " + fault;
    }
  }
  stop.store(true);
  automation.join();
  std::printf("threads: 600 blocks; %lld editor gestures, %lld saves and restores, %lld idle pumps while rendering; "
              "%lld host automation updates from a second thread\n",
              static_cast<long long>(gestures), static_cast<long long>(restores), static_cast<long long>(pumps),
              static_cast<long long>(hostUpdates.load()));
  report.Check("threads: rendering on the audio thread alongside editor gestures, state, timers and automation", ok, why);
  const int assertions = session.Module().Services().AssertionCount();
  report.Check("threads: the module reported no failed internal checks", assertions == 0,
               std::to_string(assertions) + " assertion reports (see --verbose)");
  return report.Finish();
}

} // namespace quorvane::host
