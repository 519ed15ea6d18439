#include "host/HostInstance.h"

#include "host/AudioFile.h"
#include "host/RealtimeScope.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace quorvane::host {

namespace {

constexpr int64_t kTicksPerQuarter = 960000;
// A chunk a host would never keep: refuse it instead of allocating without bound.
constexpr uint32_t kMaxChunkBytes = 16u << 20;

// A chunk record with room for `capacity` data bytes, fDataCapacity filled in.
struct ChunkStorage
{
  explicit ChunkStorage(uint32_t capacity)
      : bytes(sizeof(AAX_SPlugInChunk) + capacity), memory(new (std::nothrow) uint64_t[(bytes + 7) / 8]())
  {
    if (memory)
    {
      chunk = new (memory.get()) AAX_SPlugInChunk();
      chunk->fDataCapacity = capacity;
    }
  }
  size_t bytes;
  std::unique_ptr<uint64_t[]> memory;
  AAX_SPlugInChunk* chunk = nullptr;
};

} // namespace

// ------------------------------------------------------------------------------------ transport
void HostTransport::Advance(int frames)
{
  if (mPlaying.load(std::memory_order_relaxed))
    mSamples.fetch_add(frames, std::memory_order_relaxed);
}

AAX_Result HostTransport::GetCurrentTempo(double* bpm) const
{
  if (!bpm)
    return AAX_ERROR_NULL_OBJECT;
  *bpm = mTempo.load(std::memory_order_relaxed);
  return AAX_SUCCESS;
}

AAX_Result HostTransport::IsTransportPlaying(bool* playing) const
{
  if (!playing)
    return AAX_ERROR_NULL_OBJECT;
  *playing = mPlaying.load(std::memory_order_relaxed);
  return AAX_SUCCESS;
}

AAX_Result HostTransport::GetCurrentMeter(int32_t* numerator, int32_t* denominator) const
{
  if (!numerator || !denominator)
    return AAX_ERROR_NULL_OBJECT;
  *numerator = 4;
  *denominator = 4;
  return AAX_SUCCESS;
}

AAX_Result HostTransport::GetCurrentTickPosition(int64_t* ticks) const
{
  if (!ticks)
    return AAX_ERROR_NULL_OBJECT;
  const double quarters = static_cast<double>(mSamples.load(std::memory_order_relaxed)) / mRate *
                          mTempo.load(std::memory_order_relaxed) / 60.0;
  *ticks = static_cast<int64_t>(std::llround(quarters * kTicksPerQuarter));
  return AAX_SUCCESS;
}

AAX_Result HostTransport::GetCurrentNativeSampleLocation(int64_t* sampleLocation) const
{
  if (!sampleLocation)
    return AAX_ERROR_NULL_OBJECT;
  *sampleLocation = mSamples.load(std::memory_order_relaxed);
  return AAX_SUCCESS;
}

AAX_Result HostTransport::GetCurrentLoopPosition(bool* looping, int64_t* loopStartTick, int64_t* loopEndTick) const
{
  if (!looping || !loopStartTick || !loopEndTick)
    return AAX_ERROR_NULL_OBJECT;
  *looping = false;
  *loopStartTick = 0;
  *loopEndTick = 0;
  return AAX_SUCCESS;
}

// ----------------------------------------------------------------------------------- automation
// Answers a set-value request the way a host does: it writes the value back through
// UpdateParameterNormalizedValue at once (there is no automation lane to arbitrate here).
class HostInstance::Automation final : public AAX_IAutomationDelegate
{
public:
  explicit Automation(HostInstance& owner) : mOwner(owner) {}

  AAX_Result TouchParameter(AAX_CParamID id) override { return Record(Gesture::Touch, id, 0.0); }
  AAX_Result ReleaseParameter(AAX_CParamID id) override { return Record(Gesture::Release, id, 0.0); }
  AAX_Result PostSetValueRequest(AAX_CParamID id, double normalizedValue) override
  {
    if (!id)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    Record(Gesture::SetValue, id, normalizedValue);
    return mOwner.mEffect->UpdateParameterNormalizedValue(id, normalizedValue, AAX_eUpdateSource_Parameter);
  }

private:
  AAX_Result Record(Gesture::Kind kind, AAX_CParamID id, double value)
  {
    if (!id)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    std::lock_guard lock(mOwner.mGestureMutex);
    mOwner.mGestures.push_back({kind, id, value});
    return AAX_SUCCESS;
  }

  HostInstance& mOwner;
};

// ----------------------------------------------------------------------------------- controller
class HostInstance::Controller final : public AAX_IController
{
public:
  explicit Controller(HostInstance& owner) : mOwner(owner) {}

  AAX_Result GetSampleRate(AAX_CSampleRate* rate) const override
  {
    if (!rate)
      return AAX_ERROR_NULL_OBJECT;
    *rate = static_cast<AAX_CSampleRate>(mOwner.mSampleRate);
    return AAX_SUCCESS;
  }
  AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const override
  {
    if (!format)
      return AAX_ERROR_NULL_OBJECT;
    *format = mOwner.mStemFormat;
    return AAX_SUCCESS;
  }
  AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const override { return GetInputStemFormat(format); }
  // audio thread (the plug-in reports from its block)
  AAX_Result SetSignalLatency(int32_t samples) override
  {
    mOwner.mLatency.store(samples, std::memory_order_relaxed);
    mOwner.mLatencyReports.fetch_add(1, std::memory_order_relaxed);
    return AAX_SUCCESS;
  }
  AAX_Result PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size) override
  {
    if (!mOwner.mContext)
      return AAX_ERROR_NOT_INITIALIZED;
    if (!mOwner.mContext->PostPacket(field, data, size))
      return AAX_ERROR_INVALID_PARAMETER_ID;
    mOwner.mPacketsPosted.fetch_add(1);
    return AAX_SUCCESS;
  }
  AAX_IAutomationDelegate* GetAutomationDelegate() override { return mOwner.mAutomation.get(); }
  AAX_ITransport* GetTransport() override { return &mOwner.mTransport; }
  AAX_IEffectParameters* GetEffectParameters() override { return mOwner.mEffect; }

private:
  HostInstance& mOwner;
};

// ------------------------------------------------------------------------------------- instance
std::unique_ptr<HostInstance> HostInstance::Create(HostModule& module, AAX_CTypeID component, double sampleRate,
                                                   int maxBlock, std::string& error)
{
  const HostComponentDescriptor* desc = module.Effect().ComponentByType(component);
  if (!desc)
  {
    error = "module has no component for this channel layout";
    return nullptr;
  }
  if (!desc->ProcessProc())
  {
    error = "component registered no process procedure";
    return nullptr;
  }
  if (!IsRunnableSampleRate(sampleRate))
  {
    error = SampleRateRefusal(sampleRate);
    return nullptr;
  }
  if (maxBlock <= 0)
  {
    error = "bad block size";
    return nullptr;
  }
  const AAX_EStemFormat format = desc->Property(AAX_eProperty_InputStemFormat, AAX_eStemFormat_None);
  const int channels = AAX_STEM_FORMAT_CHANNEL_COUNT(format);
  if (format == AAX_eStemFormat_None || channels < 1 || channels + 1 > RenderContext::kMaxBuffers ||
      desc->Property(AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None) != format)
  {
    error = "component's stem formats are not supported by this host";
    return nullptr;
  }

  std::unique_ptr<HostInstance> inst(new HostInstance());
  inst->mModule = &module;
  inst->mComponent = desc;
  inst->mChannels = channels;
  inst->mMaxBlock = maxBlock;
  inst->mSampleRate = sampleRate;
  inst->mStemFormat = format;
  inst->mTransport.SetSampleRate(sampleRate);
  inst->mController = std::make_unique<Controller>(*inst);
  inst->mAutomation = std::make_unique<Automation>(*inst);
  inst->mInBuffers.assign(static_cast<size_t>(channels) + 1, std::vector<float>(static_cast<size_t>(maxBlock)));
  inst->mOutBuffers.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(maxBlock)));
  for (auto& b : inst->mInBuffers)
    inst->mInPointers.push_back(b.data());
  for (auto& b : inst->mOutBuffers)
    inst->mOutPointers.push_back(b.data());

  inst->mEffect = module.Effect().CreateParameters()();
  if (!inst->mEffect)
  {
    error = "create procedure 0 made no instance";
    return nullptr;
  }
  AAX_IEffectParameters* effect = inst->mEffect;
  const bool sideChain = desc->Property(AAX_eProperty_SupportsSideChainInput, 0) != 0;
  inst->mContext = RenderContext::Create(
      *desc, [effect](AAX_CFieldIndex f, void* d, uint32_t s) { return effect->ResetFieldData(f, d, s); },
      &inst->mTransport, sideChain, error);
  if (!inst->mContext)
    return nullptr;
  inst->mContextArray[0] = inst->mContext->Context();

  AAX_Result result = effect->Initialize(inst->mController.get());
  if (result != AAX_SUCCESS)
  {
    error = "Initialize failed with " + std::to_string(result);
    return nullptr;
  }
  inst->mInitialized = true;

  // A host sends every parameter once when it sets an instance up, so the plug-in's DSP sees a value
  // for each before the first block.
  for (const ParameterInfo& p : inst->Parameters())
    inst->UpdateParameter(p.id, p.value);
  inst->GenerateCoefficients();
  return inst;
}

EffectGUIPtr HostInstance::CreateEffectGUI(std::string& error)
{
  const AAX_CCreateEffectGUIProc create = mModule->Effect().CreateGUI();
  if (!create)
  {
    error = "module registered no editor (create procedure 1)";
    return nullptr;
  }
  EffectGUIPtr gui(create());
  if (!gui)
  {
    error = "create procedure 1 made no editor adaptor";
    return nullptr;
  }
  const AAX_Result result = gui->Initialize(mController.get());
  if (result != AAX_SUCCESS)
  {
    error = "editor Initialize failed with " + std::to_string(result);
    return nullptr;
  }
  return gui;
}

void EffectGUIDeleter::operator()(AAX_IEffectGUI* gui) const
{
  if (!gui)
    return;
  gui->Uninitialize();
  delete gui;
}

HostInstance::~HostInstance()
{
  if (mEffect)
  {
    if (mInitialized)
      mEffect->Uninitialize();
    delete mEffect;
  }
}

std::vector<ParameterInfo> HostInstance::Parameters() const
{
  std::vector<ParameterInfo> list;
  int32_t count = 0;
  if (mEffect->GetNumberOfParameters(&count) != AAX_SUCCESS || count < 0)
    return list;
  for (int32_t i = 0; i < count; ++i)
  {
    ParameterInfo p;
    p.index = i;
    if (mEffect->GetParameterIDFromIndex(i, &p.id) != AAX_SUCCESS)
      continue;
    const char* id = p.id.c_str();
    mEffect->GetParameterName(id, &p.name);
    mEffect->GetParameterNumberOfSteps(id, &p.steps);
    mEffect->GetParameterDefaultNormalizedValue(id, &p.defaultValue);
    mEffect->GetParameterType(id, &p.type);
    mEffect->GetParameterIsAutomatable(id, &p.automatable);
    mEffect->GetParameterNormalizedValue(id, &p.value);
    mEffect->GetParameterValueString(id, &p.text, 32);
    list.push_back(std::move(p));
  }
  return list;
}

AAX_Result HostInstance::UpdateParameter(const std::string& id, double normalized)
{
  return mEffect->UpdateParameterNormalizedValue(id.c_str(), normalized, AAX_eUpdateSource_Parameter);
}

AAX_Result HostInstance::GenerateCoefficients() { return mEffect->GenerateCoefficients(); }

AAX_Result HostInstance::Idle()
{
  if (mModule)
    mModule->PumpRunLoop();
  return mEffect->TimerWakeup();
}

AAX_Result HostInstance::Notify(AAX_CTypeID type) { return mEffect->NotificationReceived(type, nullptr, 0); }

std::string HostInstance::MasterBypassID() const
{
  std::string id;
  if (mEffect->GetMasterBypassParameter(&id) != AAX_SUCCESS)
    return {};
  return id;
}

bool HostInstance::SaveState(std::vector<uint8_t>& bytes, std::string& error) const
{
  int32_t count = 0;
  AAX_CTypeID chunkID = 0;
  uint32_t size = 0;
  if (mEffect->GetNumberOfChunks(&count) != AAX_SUCCESS || count < 1 ||
      mEffect->GetChunkIDFromIndex(0, &chunkID) != AAX_SUCCESS)
  {
    error = "the plug-in offers no state chunk";
    return false;
  }
  if (mEffect->GetChunkSize(chunkID, &size) != AAX_SUCCESS || size > kMaxChunkBytes)
  {
    error = "the plug-in's chunk size is unusable (" + std::to_string(size) + " bytes)";
    return false;
  }
  ChunkStorage storage(size);
  if (!storage.chunk)
  {
    error = "out of memory for the state chunk";
    return false;
  }
  storage.chunk->fChunkID = chunkID;
  storage.chunk->fSize = static_cast<int32_t>(size);
  const AAX_Result result = mEffect->GetChunk(chunkID, storage.chunk);
  if (result != AAX_SUCCESS)
  {
    error = "GetChunk failed with " + std::to_string(result);
    return false;
  }
  if (storage.chunk->fSize < 0 || static_cast<uint32_t>(storage.chunk->fSize) > size)
  {
    error = "GetChunk wrote a size beyond the chunk it was given";
    return false;
  }
  const auto* data = reinterpret_cast<const uint8_t*>(storage.chunk->fData);
  bytes.assign(data, data + storage.chunk->fSize);
  return true;
}

bool HostInstance::LoadState(const std::vector<uint8_t>& bytes, std::string& error, bool* damaged)
{
  if (damaged != nullptr)
    *damaged = false;
  AAX_CTypeID chunkID = 0;
  if (mEffect->GetChunkIDFromIndex(0, &chunkID) != AAX_SUCCESS)
  {
    error = "the plug-in offers no state chunk";
    return false;
  }
  if (bytes.size() > kMaxChunkBytes)
  {
    error = "state is too large (" + std::to_string(bytes.size()) + " bytes)";
    return false;
  }
  ChunkStorage storage(static_cast<uint32_t>(bytes.size()));
  if (!storage.chunk)
  {
    error = "out of memory for the state chunk";
    return false;
  }
  storage.chunk->fChunkID = chunkID;
  storage.chunk->fSize = static_cast<int32_t>(bytes.size());
  if (!bytes.empty())
    std::memcpy(storage.chunk->fData, bytes.data(), bytes.size());
  const AAX_Result result = mEffect->SetChunk(chunkID, storage.chunk);
  GenerateCoefficients();
  if (result == AAX_ERROR_INCORRECT_CHUNK_SIZE)
  {
    uint32_t whole = 0;
    mEffect->GetChunkSize(chunkID, &whole);
    error = std::to_string(bytes.size()) + " of " + std::to_string(whole) + " bytes";
    if (damaged != nullptr)
      *damaged = true;
    return false;
  }
  if (result != AAX_SUCCESS)
  {
    error = "SetChunk failed with " + std::to_string(result);
    return false;
  }
  return true;
}

bool HostInstance::StateMatches(const std::vector<uint8_t>& bytes, bool& equal) const
{
  AAX_CTypeID chunkID = 0;
  if (bytes.size() > kMaxChunkBytes || mEffect->GetChunkIDFromIndex(0, &chunkID) != AAX_SUCCESS)
    return false;
  ChunkStorage storage(static_cast<uint32_t>(bytes.size()));
  if (!storage.chunk)
    return false;
  storage.chunk->fChunkID = chunkID;
  storage.chunk->fSize = static_cast<int32_t>(bytes.size());
  if (!bytes.empty())
    std::memcpy(storage.chunk->fData, bytes.data(), bytes.size());
  return mEffect->CompareActiveChunk(storage.chunk, &equal) == AAX_SUCCESS;
}

bool HostInstance::Render(const float* const* inputs, const float* sideChain, float* const* outputs, int frames)
{
  if (frames < 0 || frames > mMaxBlock || !inputs || !outputs)
    return false;
  // A block longer than any before may make the plug-in grow its block buffers, one of the two
  // allocations the audio thread is allowed; that block alone stays out of the sanitizer's sight.
  const bool grows = frames > mLongestBlock;
  mLongestBlock = std::max(mLongestBlock, frames);
  RealtimeScope realtime(!grows);
  const size_t n = static_cast<size_t>(frames);
  for (int c = 0; c < mChannels; ++c)
    std::copy_n(inputs[c], n, mInPointers[static_cast<size_t>(c)]);
  // The side chain follows the main channels in the input array; its index goes in field 26.
  if (sideChain)
    std::copy_n(sideChain, n, mInPointers[static_cast<size_t>(mChannels)]);
  mContext->SetInputs(mInPointers.data(), mChannels + (sideChain ? 1 : 0));
  mContext->SetOutputs(mOutPointers.data(), mChannels);
  mContext->SetSideChainIndex(sideChain ? mChannels : 0);
  mContext->SetBlockLength(frames);
  mContext->SetClock(mClock);
  mContext->DeliverPackets();

  mComponent->ProcessProc()(mContextArray, mContextArray + 1);

  for (int c = 0; c < mChannels; ++c)
    std::copy_n(mOutPointers[static_cast<size_t>(c)], n, outputs[c]);
  mClock += frames;
  mTransport.Advance(frames);
  return true;
}

std::vector<HostInstance::Gesture> HostInstance::Gestures() const
{
  std::lock_guard lock(mGestureMutex);
  return mGestures;
}

} // namespace quorvane::host
