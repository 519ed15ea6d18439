#pragma once
// The AAX host binding: the plug-in object as the host's effect-parameters face. It exposes the
// framework parameters as AAX parameters (plus "Master Bypass"), carries host changes in and editor
// gestures out, renders one context per instance on the host's audio thread, and keeps the state chunk.

#include <mutex>
#include <string>
#include <vector>

#include "IPlug/AAX/AAX_CIPlugParameters.h"
#include "IPlug/IPlugAPIBase.h"
#include "IPlug/IPlugProcessor.h"

namespace iplug {

// The AAX binding's API code.
inline constexpr int kAPIAAX = 4;
// What EffectInit answers when the host runs at a sample rate outside the supported range.
inline constexpr AAX_Result kAAXErrorUnsupportedSampleRate = AAX_ERROR_PLUGIN_BEGIN;

class IPlugAAX : public IPlugAPIBase, public IPlugProcessor, public AAX_CIPlugParameters
{
public:
  static constexpr int kInitialBlockSize = 512;
  static constexpr size_t kPendingMidiOutRoom = 512;

  // UI thread (the host's; the 20 ms timer ticks from its run loop). Valid without a host.
  explicit IPlugAAX(const PluginConfig& config);
  ~IPlugAAX() override;

  // host set-up thread (Initialize): the AAX parameters, the sample rate, ResetProcessing
  AAX_Result EffectInit() override;
  // host set-up thread: drops the AAX parameters (and the binding's pointer to the bypass)
  AAX_Result Uninitialize() override;
  // any host thread but the audio thread
  AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) override;
  // host thread: 'AXof' / 'AXox' offline flag, 'AXtn' track name, then the library default
  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;
  // host thread, before rendering: field 23 gets this instance's pointer, any other field is cleared
  AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t dataSize) const override;

  // Chunks (host threads; may overlap rendering). The one chunk is the plug-in's unique code.
  AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const override;
  AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const override;
  AAX_Result GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const override;
  AAX_Result SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;
  AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) const override;

  // UI thread: editor gestures to the host (touch, set-value request, release)
  void BeginParamChangeToHost(int paramIdx) override;
  void ParamValueToHost(int paramIdx, double normalizedValue) override;
  void EndParamChangeToHost(int paramIdx) override;
  // UI thread
  void GetTrackName(std::string& name) override;
  // UI thread, from the editor. With an editor: asks the host's view container for the new size (when
  // the editor is open and the size changed), then stores it as the editor size. Always true.
  bool ResizeHostView(int width, int height) override;

  // UI thread; the editor adaptor sets the container it opened the editor in, and clears it on closing.
  // Not owned.
  void SetHostViewContainer(AAX_IViewContainer* container) { mHostViewContainer = container; }
  AAX_IViewContainer* GetHostViewContainer() const { return mHostViewContainer; }

  // audio thread; kept sorted by offset, after messages of the same offset; always true
  bool EmitMidiMessage(const MidiMessage& message) override;
  // audio thread; tells the host (when there is one), then the frame's own latency change
  void ReportLatency(int samples) override;

  // any thread: the AAX identifier of framework parameter i ("%i" of i + 1), and back (-1: none)
  static std::string ParamIDFromIndex(int paramIdx);
  int ParamIndexFromID(AAX_CParamID id) const;
  // any thread: the identifier's decimal value - 1, whether or not such a parameter exists (-1 for an
  // identifier that is not a number)
  static int IndexNamedByID(AAX_CParamID id);

  // any thread, for tests and diagnostics
  int MainInputChannelLimit() const { return mMainInputChannelLimit; }
  const AAX_IParameter* BypassParameter() const { return mBypassParamId; }

protected:
  // audio thread
  void RenderInstance(AAX_SIPlugContext* context, const TParamValPair* const synchronizedPairs[],
                      int32_t numPairs) override;

private:
  void FillTransport();
  void SendMidiToHost(AAX_SIPlugContext* context, int frames);

  AAX_IParameter* mBypassParamId = nullptr; // owned by the parameter manager
  AAX_ITransport* mHostTransport = nullptr;
  AAX_IViewContainer* mHostViewContainer = nullptr;
  std::vector<std::string> mParamIdTexts;
  std::vector<MidiMessage> mPendingMidiOut;
  int mMainInputChannelLimit = 0;
  std::string mHostTrackName;
  std::mutex mTrackNameMutex; // host thread writes, UI thread reads
};

} // namespace iplug
