#pragma once
// One plug-in instance as a host holds it: created through create procedure 0 for one component
// (mono 'IEF1' or stereo 'IEF2'), initialised with this host's controller, automation delegate and
// transport, its render context laid out from the component's fields, and the host's operations on
// it: parameter updates followed by a coefficient pass, idle time, chunks and block rendering.

#include "host/HostModule.h"
#include "host/RenderContext.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::host {

inline constexpr AAX_CTypeID kMonoComponent = AAX_FourCC("IEF1");
inline constexpr AAX_CTypeID kStereoComponent = AAX_FourCC("IEF2");

// What the host shows of one AAX parameter.
struct ParameterInfo
{
  int index = 0; // in the module's parameter list
  std::string id;
  std::string name;
  int32_t steps = 0;
  double defaultValue = 0.0; // normalised
  AAX_EParameterType type = AAX_eParameterType_Continuous;
  bool automatable = false;
  double value = 0.0; // normalised
  std::string text;   // the value as the plug-in shows it
};

// The host's transport: settable from the main thread, read and advanced on the audio thread.
class HostTransport final : public AAX_ITransport, public AAX_ITransportNode
{
public:
  // main thread
  void SetTempo(double bpm) { mTempo.store(bpm, std::memory_order_relaxed); }
  void SetPlaying(bool playing) { mPlaying.store(playing, std::memory_order_relaxed); }
  void SetSamplePosition(int64_t samples) { mSamples.store(samples, std::memory_order_relaxed); }
  void SetSampleRate(double rate) { mRate = rate; }
  // audio thread, after each block
  void Advance(int frames);

  // audio thread (plug-in queries)
  AAX_Result GetCurrentTempo(double* bpm) const override;
  AAX_Result IsTransportPlaying(bool* playing) const override;
  AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const override;
  AAX_Result GetCurrentTickPosition(int64_t* ticks) const override;
  AAX_Result GetCurrentNativeSampleLocation(int64_t* sampleLocation) const override;
  AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* loopStartTick, int64_t* loopEndTick) const override;
  AAX_ITransport* GetTransport() override { return this; }

private:
  std::atomic<double> mTempo{120.0};
  std::atomic<bool> mPlaying{true};
  std::atomic<int64_t> mSamples{0};
  double mRate = 48000.0;
};

// How a host lets go of an editor adaptor: Uninitialize (which closes an open view), then delete.
struct EffectGUIDeleter
{
  void operator()(AAX_IEffectGUI* gui) const;
};
using EffectGUIPtr = std::unique_ptr<AAX_IEffectGUI, EffectGUIDeleter>;

class HostInstance final
{
public:
  struct Gesture
  {
    enum Kind { Touch, SetValue, Release } kind;
    std::string id;
    double value;
  };

  // main thread; null with a reason. `maxBlock` is the longest block Render accepts. The instance is
  // initialised and every parameter has been sent once (a host's first update), then a coefficient pass.
  static std::unique_ptr<HostInstance> Create(HostModule& module, AAX_CTypeID component, double sampleRate,
                                              int maxBlock, std::string& error);
  // main thread, not rendering; Uninitialize, then the instance is deleted
  ~HostInstance();

  HostInstance(const HostInstance&) = delete;
  HostInstance& operator=(const HostInstance&) = delete;

  // main thread
  std::vector<ParameterInfo> Parameters() const;
  // main thread; UpdateParameterNormalizedValue, like a host's automation or its own controls
  AAX_Result UpdateParameter(const std::string& id, double normalized);
  // main thread; after a batch of updates
  AAX_Result GenerateCoefficients();
  // main thread; idle time (the effect's TimerWakeup)
  AAX_Result Idle();
  // main thread
  AAX_Result Notify(AAX_CTypeID type);
  // main thread; the master bypass parameter's identifier, empty when the plug-in names none
  std::string MasterBypassID() const;
  // main thread. The module's editor adaptor for this instance (create procedure 1), initialised with
  // this instance's controller; null with a reason when the module offers none or it fails. It must be
  // released before the instance, and any view container handed to it must outlive it.
  EffectGUIPtr CreateEffectGUI(std::string& error);

  // main thread; the chunk bytes as GetChunk hands them over
  bool SaveState(std::vector<uint8_t>& bytes, std::string& error) const;
  // main thread; SetChunk with a chunk of exactly these bytes, then a coefficient pass. A chunk the
  // plug-in finds too short is restored as far as it goes and still fails, with `damaged` set (when
  // given) and the error "N of M bytes".
  bool LoadState(const std::vector<uint8_t>& bytes, std::string& error, bool* damaged = nullptr);
  // main thread; CompareActiveChunk
  bool StateMatches(const std::vector<uint8_t>& bytes, bool& equal) const;

  // audio thread, or the main thread when offline; never allocates. `inputs` has MainChannels()
  // buffers, `sideChain` may be null, `outputs` has MainChannels() buffers; frames <= MaxBlock().
  // The rtsan build checks every call except one that is longer than all before it.
  bool Render(const float* const* inputs, const float* sideChain, float* const* outputs, int frames);

  int MainChannels() const { return mChannels; }
  int MaxBlock() const { return mMaxBlock; }
  double SampleRate() const { return mSampleRate; }
  // any thread; the latency the plug-in last reported
  int32_t Latency() const { return mLatency.load(std::memory_order_relaxed); }
  int LatencyReports() const { return mLatencyReports.load(std::memory_order_relaxed); }
  HostTransport& Transport() { return mTransport; }
  AAX_IEffectParameters& Effect() { return *mEffect; }
  const RenderContext& Context() const { return *mContext; }
  // main thread; the touch / set-value / release calls the plug-in made
  std::vector<Gesture> Gestures() const;
  int64_t PacketsPosted() const { return mPacketsPosted.load(); }

private:
  class Controller;
  class Automation;
  HostInstance() = default;

  HostModule* mModule = nullptr;
  const HostComponentDescriptor* mComponent = nullptr;
  AAX_IEffectParameters* mEffect = nullptr;
  std::unique_ptr<Controller> mController;
  std::unique_ptr<Automation> mAutomation;
  HostTransport mTransport;
  std::unique_ptr<RenderContext> mContext;
  bool mInitialized = false;

  int mChannels = 0;
  int mMaxBlock = 0;
  double mSampleRate = 0.0;
  AAX_EStemFormat mStemFormat = AAX_eStemFormat_None;
  std::vector<std::vector<float>> mInBuffers;  // main channels, then the side chain
  std::vector<std::vector<float>> mOutBuffers;
  std::vector<float*> mInPointers;
  std::vector<float*> mOutPointers;
  AAX_SIPlugContext* mContextArray[1] = {};
  int64_t mClock = 0;
  int mLongestBlock = 0; // the render thread's

  std::atomic<int32_t> mLatency{0};
  std::atomic<int> mLatencyReports{0};
  std::atomic<int64_t> mPacketsPosted{0};
  mutable std::mutex mGestureMutex;
  std::vector<Gesture> mGestures;
};

} // namespace quorvane::host
