#pragma once
// The part of the plug-in object every host binding shares: host identification, the 20 ms timer that
// moves values to the editor, the lock-free rings between the audio thread and the editor, and the
// three parameter paths (host to plug-in, editor to host, plug-in to editor).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "IPlug/IPlugQueue.h"
#include "IPlug/IPlugTimer.h"
#include "IPlug/IPluginBase.h"

namespace iplug {

// Host codes as IdentifyHostByName reports them (the full table lives with that function).
enum HostCode : int
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostProTools = 2,
};

class IPlugAPIBase : public IPluginBase
{
public:
  static constexpr uint32_t kTimerIntervalMs = 20;
  static constexpr int kMaxHostNameLength = 255;

  // construction (UI thread)
  IPlugAPIBase(const PluginConfig& config, int apiCode);
  // UI thread; stops the timer before anything else goes
  ~IPlugAPIBase() override;

  // any thread; the first key (in test order) found in the lower-cased name, 0 when none
  static int IdentifyHostByName(const char* name);
  // host thread; identifies the host, then runs HostIdentifiedHook and HostSetupHook
  void SetHost(const char* name, int version);

  // UI thread (the thread whose run loop drives it); started by the host binding
  void CreateTimer();
  // UI thread; no tick arrives afterwards. The concrete plug-in calls it first in its destructor, so no
  // tick can reach it while its own members go.
  void StopTimer() { mTimer.reset(); }
  // UI thread, every 20 ms: drains the queues towards the editor, then IdleHook
  void OnTimerTick(Timer& timer);

  // host thread: the host changed a parameter (normalised value)
  void SetParameterValueFromHost(int paramIdx, double normalizedValue);
  // host thread: the same for a format whose host sends real values (clamped into range)
  void SetParameterRealValueFromHost(int paramIdx, double value);
  // UI thread: one value of an editor gesture
  void SetParameterFromUI(int paramIdx, double normalizedValue);

  // host thread (chunk compare); whether the stored state holds the current values (to float precision)
  virtual bool StateMatches(const StateBuffer& state) const;
  // host thread
  virtual void HostSetupHook() {}
  // UI thread, every timer tick
  virtual void IdleHook() {}
  // UI thread, every timer tick before IdleHook: what the binding hands over on the host's main thread
  virtual void OnBindingIdle() {}
  // UI thread; the host's name for the track the plug-in sits on (empty when unknown)
  virtual void GetTrackName(std::string& name) { name.clear(); }
  // any thread but the audio thread (producers take turns); dropped when the queue is full
  virtual void PostParamValueToUI(int paramIdx, double value, bool normalized);
  // host thread
  virtual void HostIdentifiedHook() {}
  // UI thread; asks the host to resize the editor's window
  virtual bool ResizeHostView(int width, int height);
  // UI thread; the host binding turns these into host gestures and automation
  virtual void BeginParamChangeToHost(int paramIdx);
  virtual void EndParamChangeToHost(int paramIdx);
  virtual void ParamValueToHost(int paramIdx, double normalizedValue);

  // UI thread. Host changes are queued for the editor only while it is open: the values an opening shows
  // are the current ones, so nothing queued before it may overwrite them.
  void* OpenEditor(void* parent) override;
  void CloseEditor() override;

  // Editor-delegate operations this layer takes over (UI thread).
  void BeginParamGestureFromUI(int paramIdx) override;
  void SendParamValueFromUI(int paramIdx, double normalizedValue) override;
  void EndParamGestureFromUI(int paramIdx) override;
  void PushAllParamsToHost() override;
  bool ResizeRequestFromEditor(int width, int height, bool needsPlatformResize) override;
  void SendMidiFromUI(const MidiMessage& message) override;
  void SendSysExFromUI(const SysExMessage& message) override;
  void SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* data) override;
  void QueueMidiFromUI(const MidiMessage& message) override;
  void QueueSysExFromUI(const SysExMessage& message) override;

protected:
  // Producer and consumer of each ring, as the binding uses them:
  ParamQueue mParamChangeToUIQueue;     // host threads -> timer (producers serialised by the lock below)
  MidiQueue mMidiMsgsFromEditor;        // editor -> audio thread
  MidiQueue mMidiMsgsFromProcessor;     // audio thread -> timer
  SysExQueue mSysExDataFromEditor;      // editor -> audio thread
  SysExQueue mSysExDataFromProcessor;   // audio thread -> timer

private:
  // UI thread, the ring's consumer: forgets what is queued for the editor.
  void DropParamChangesToUI();

  std::atomic<bool> mEditorOpen{false};
  std::mutex mParamToUIProducers;
  std::unique_ptr<Timer> mTimer;
};

} // namespace iplug
