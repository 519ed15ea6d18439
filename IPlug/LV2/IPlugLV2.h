#pragma once
// The LV2 host binding: one LV2 port list in front of the plug-in it owns. In the DSP module it reads
// the control ports at the start of each run, hands the audio ports to the plug-in's rendering, writes
// the latency and the meter, and keeps the state; in the editor module the plug-in holds the parameters
// for the editor, and the binding turns its gestures into port writes, touches and size messages.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include "IPlug/IPlugHosted.h"
#include "IPlug/LV2/IPlugLV2_Ports.h"
#include "IPlug/LV2/IPlugLV2_URIs.h"

namespace iplug {

// What the editor module offers the plug-in object: the host's write, touch and resize functions.
class IPlugLV2_UIHost
{
public:
  virtual ~IPlugLV2_UIHost() = default;
  virtual void WriteControl(uint32_t port, float value) = 0;
  virtual void Touch(uint32_t port, bool grabbed) = 0;
  // true when the host resizes its container itself
  virtual bool ResizeHost(int width, int height) = 0;
  virtual void SendEditorSize(int32_t width, int32_t height, float scale) = 0;
};

class IPlugLV2 final : public IPlugHostedBinding
{
public:
  // Used when the host announces no block length; longer runs are cut into slices of this.
  static constexpr int kDefaultBlockSize = 4096;
  // Bytes the atom ports ask the host for: room for the editor's messages in one run.
  static constexpr uint32_t kAtomPortMinimumSize = 1024;

  // the host's instantiate thread (DSP) or UI thread (editor): takes the plug-in made for one variant
  IPlugLV2(std::unique_ptr<IPlugHosted> plug, const IPlugLV2_Info& info, const IPlugLV2_Variant& variant);
  ~IPlugLV2() override;

  IPlugHosted& Plug() { return *mPlug; }
  const std::vector<LV2Port>& Ports() const { return mPorts; }
  // -1 when the parameter has no port
  int PortOfParam(int paramIdx) const;

  // ---- DSP side. Instantiate thread; false when the rate is not supported.
  bool InstantiateDSP(double sampleRate, const LV2_Feature* const* features);
  // any host thread of the audio class; a null buffer disconnects the port
  void ConnectPort(uint32_t port, void* data);
  // instantiate class: resets the processing as a new start (deactivating needs nothing)
  void Activate();
  // audio thread; any frame count, no allocation, no lock
  void Run(uint32_t frames);
  // host thread (the state interface)
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) const;
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // ---- editor side (UI thread)
  void SetUIHost(IPlugLV2_UIHost* host) { mUIHost = host; }
  // a value, automation or the meter from the host (format 0 is a float)
  void PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer,
                 const IPlugLV2_URIs& uris);

  // IPlugHostedBinding: the editor's gestures go to the host's ports
  void BeginParamChange(int paramIdx) override;
  void ParamValueChange(int paramIdx, double normalizedValue) override;
  void EndParamChange(int paramIdx) override;
  bool ResizeView(int width, int height) override;
  // The latency port reports it on every run.
  void LatencyChanged(int) override {}

private:
  void ReadControlPorts();
  void ReadMessages();
  void WriteMessages();
  float* PortBuffer(int port) const;

  std::unique_ptr<IPlugHosted> mPlug;
  const IPlugLV2_Info& mInfo;
  std::vector<LV2Port> mPorts;
  std::vector<int> mParamPorts;
  std::vector<void*> mPortData;
  std::vector<uint32_t> mLastBits; // per port: the last control value applied, as bits
  int mMainChannels = 0;
  int mSideChainPort = -1; // -1 for a variant without one
  int mEnabledPort = -1;
  int mLatencyPort = -1;
  int mMeterPort = -1;
  int mControlPort = -1;
  int mNotifyPort = -1;
  std::vector<int> mInputPorts;
  std::vector<int> mOutputPorts;
  std::vector<const float*> mInputs; // per run: the host buffers
  std::vector<float*> mOutputs;

  IPlugLV2_URIs mURIs;
  bool mHasURIs = false;
  LV2_Atom_Forge mForge{};
  // The editor asked for the stored size, or a restore changed it: the next run tells the editor.
  std::atomic<bool> mEditorSizeWanted{false};

  IPlugLV2_UIHost* mUIHost = nullptr;
};

} // namespace iplug
