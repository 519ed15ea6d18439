#include "IPlug/AAX/IPlugAAX.h"

#include <algorithm>
#include <cstring>

#include "aax/AAX_CHostServices.h"

namespace iplug {

namespace {
constexpr double kTicksPerQuarterNote = 960000.0;
constexpr ChannelDirection kIn = ChannelDirection::Input;
constexpr ChannelDirection kOut = ChannelDirection::Output;
} // namespace

IPlugAAX::IPlugAAX(const PluginConfig& config)
  : IPlugAPIBase(config, kAPIAAX)
  , IPlugProcessor(config)
{
  SetChannelsConnected(kIn, 0, ChannelCount(kIn), true);
  SetChannelsConnected(kOut, 0, ChannelCount(kOut), true);
  if (ChannelCount(kIn) > 0)
    CreateLatencyDelay();
  ApplyBlockSize(kInitialBlockSize);
  mPendingMidiOut.reserve(kPendingMidiOutRoom);
  mMainInputChannelLimit = MaxChannelsOnBus(kIn, 0);
  CreateTimer();
}

IPlugAAX::~IPlugAAX() = default;

AAX_Result IPlugAAX::NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size)
{
  if (type == AAX_eNotificationEvent_EnteringOfflineMode)
    SetRenderingOffline(true);
  else if (type == AAX_eNotificationEvent_ExitingOfflineMode)
    SetRenderingOffline(false);
  else if (type == AAX_eNotificationEvent_TrackNameChanged)
  {
    // The name is the text up to the first terminator within the bytes the host says it sent.
    std::string name;
    if (data != nullptr)
    {
      const char* text = static_cast<const char*>(data);
      name.assign(text, strnlen(text, size));
    }
    std::lock_guard lock(mTrackNameMutex);
    mHostTrackName = std::move(name);
  }
  return AAX_CIPlugParameters::NotificationReceived(type, data, size);
}

void IPlugAAX::GetTrackName(std::string& name)
{
  std::lock_guard lock(mTrackNameMutex);
  name = mHostTrackName;
}

bool IPlugAAX::ResizeHostView(int width, int height)
{
  if (!HasEditor())
    return true;
  // A size the host already shows is only recorded: asking again would make it resize for nothing.
  if (GetUI() != nullptr && mHostViewContainer != nullptr &&
      (width != GetEditorWidth() || height != GetEditorHeight()))
  {
    AAX_Point size;
    size.horz = static_cast<float>(width);
    size.vert = static_cast<float>(height);
    mHostViewContainer->SetViewSize(size);
  }
  SetEditorSize(width, height);
  return true;
}

AAX_Result IPlugAAX::ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t dataSize) const
{
  if (data == nullptr)
    return AAX_SUCCESS;
  if (field == kAAX_FieldIndex_Private)
  {
    AAX_ASSERT(dataSize == sizeof(AAX_SIPlugPrivateData));
    std::memset(data, 0, dataSize);
    // A block too small for the pointer stays cleared: the render callback then skips the context.
    if (dataSize >= sizeof(AAX_SIPlugPrivateData))
    {
      auto* privateData = static_cast<AAX_SIPlugPrivateData*>(data);
      privateData->mInstance =
        static_cast<AAX_IEffectParameters*>(static_cast<AAX_CIPlugParameters*>(const_cast<IPlugAAX*>(this)));
    }
    return AAX_SUCCESS;
  }
  std::memset(data, 0, dataSize);
  return AAX_SUCCESS;
}

void IPlugAAX::RenderInstance(AAX_SIPlugContext* context, const TParamValPair* const[], int32_t)
{
  const int frames = context->mBlockLengthField != nullptr ? *context->mBlockLengthField : 0;
  // Nothing to render into, or no frames: leave every buffer and the frame alone.
  if (frames <= 0 || context->mOutputBuffersField == nullptr)
    return;

  bool bypassed = false;
  if (mBypassParamId != nullptr)
    mBypassParamId->GetValueAsBool(&bypassed);

  AAX_EStemFormat inputFormat = AAX_eStemFormat_None;
  AAX_EStemFormat outputFormat = AAX_eStemFormat_None;
  if (mController != nullptr)
  {
    mController->GetInputStemFormat(&inputFormat);
    mController->GetOutputStemFormat(&outputFormat);
  }
  const int totalIn = ChannelCount(kIn);
  const int totalOut = ChannelCount(kOut);
  // A format claiming more channels than the main bus can have would make the host's array be read
  // past its end (or its side chain read as a main channel).
  const int inputs = std::clamp(AAX_STEM_FORMAT_CHANNEL_COUNT(inputFormat), 0,
                                mMainInputChannelLimit > 0 ? mMainInputChannelLimit : totalIn);
  const int outputs = std::clamp(AAX_STEM_FORMAT_CHANNEL_COUNT(outputFormat), 0, totalOut);

  if (AcceptsMidiInput() && context->mInputMidiField != nullptr)
  {
    if (const AAX_CMidiStream* stream = context->mInputMidiField->GetNodeBuffer();
        stream != nullptr && stream->mBuffer != nullptr)
    {
      for (uint32_t i = 0; i < stream->mBufferSize; ++i)
      {
        const AAX_CMidiPacket& packet = stream->mBuffer[i];
        MidiMessage message;
        message.mOffset = static_cast<int32_t>(packet.mTimestamp);
        message.mStatus = packet.mData[0];
        message.mData1 = packet.mData[1];
        message.mData2 = packet.mData[2];
        HandleMidiMessage(message);
        mMidiMsgsFromProcessor.Push(message); // dropped when full
      }
    }
  }

  mHostTransport = context->mTransportField != nullptr ? context->mTransportField->GetTransport() : nullptr;

  if (frames > GetBlockSize())
  {
    ApplyBlockSize(frames);
    ResetProcessing();
  }

  if (GetPluginKind() != kInstrument)
  {
    SetChannelsConnected(kIn, 0, inputs, true);
    SetChannelsConnected(kIn, inputs, totalIn - inputs, false);
    const int sideChain = context->mSideChainField != nullptr ? *context->mSideChainField : 0;
    // The side chain sits after the main channels in the host's array; an index beyond them is not trusted.
    if (MaxBusCount(kIn) > 1 && sideChain > 0 && sideChain <= inputs && context->mInputBuffersField != nullptr)
    {
      SetChannelsConnected(kIn, mMainInputChannelLimit, 1, true);
      AttachHostBuffers(kIn, 0, inputs, context->mInputBuffersField, frames);
      AttachHostBuffers(kIn, mMainInputChannelLimit, 1, context->mInputBuffersField + sideChain, frames);
    }
    else
      AttachHostBuffers(kIn, 0, inputs, context->mInputBuffersField, frames);
  }

  SetChannelsConnected(kOut, 0, totalOut, true);
  if (MaxBusCount(kOut) == 1)
    SetChannelsConnected(kOut, outputs, totalOut - outputs, false);
  AttachHostBuffers(kOut, 0, totalOut, context->mOutputBuffersField, frames);

  if (bypassed)
    PassThroughBlock(frames);
  else
  {
    FillTransport();
    MidiMessage message;
    while (mMidiMsgsFromEditor.Pop(message))
      HandleMidiMessage(message);
    ProcessHostBlock(frames);
  }

  if (ProducesMidiOutput() && context->mOutputMidiField != nullptr)
    SendMidiToHost(context, frames);
}

void IPlugAAX::FillTransport()
{
  TransportInfo info;
  if (AAX_ITransport* transport = mHostTransport)
  {
    double tempo = 0.0;
    if (transport->GetCurrentTempo(&tempo) == AAX_SUCCESS)
      info.mTempo = tempo;
    bool playing = false;
    if (transport->IsTransportPlaying(&playing) == AAX_SUCCESS)
      info.mTransportRunning = playing;
    int32_t numerator = 4;
    int32_t denominator = 4;
    if (transport->GetCurrentMeter(&numerator, &denominator) == AAX_SUCCESS)
    {
      info.mTimeSigNumerator = numerator;
      info.mTimeSigDenominator = denominator;
    }
    int64_t ticks = 0;
    if (transport->GetCurrentTickPosition(&ticks) == AAX_SUCCESS)
      info.mQuarterNotePosition = std::max(static_cast<double>(ticks) / kTicksPerQuarterNote, 0.0);
    int64_t sampleLocation = 0;
    if (transport->GetCurrentNativeSampleLocation(&sampleLocation) == AAX_SUCCESS)
      info.mSamplePosition = static_cast<double>(sampleLocation);
    bool looping = false;
    int64_t loopStart = 0;
    int64_t loopEnd = 0;
    if (transport->GetCurrentLoopPosition(&looping, &loopStart, &loopEnd) == AAX_SUCCESS)
    {
      info.mLoopEnabled = looping;
      info.mCycleStartQuarterNotes = static_cast<double>(loopStart) / kTicksPerQuarterNote;
      info.mCycleEndQuarterNotes = static_cast<double>(loopEnd) / kTicksPerQuarterNote;
    }
  }
  SetTransportInfo(info);
}

void IPlugAAX::SendMidiToHost(AAX_SIPlugContext* context, int frames)
{
  AAX_IMIDINode* node = context->mOutputMidiField;
  for (const MidiMessage& message : mPendingMidiOut)
  {
    AAX_CMidiPacket packet;
    packet.mTimestamp = static_cast<uint32_t>(std::max(message.mOffset, 0));
    packet.mLength = 3;
    packet.mData[0] = message.mStatus;
    packet.mData[1] = message.mData1;
    packet.mData[2] = message.mData2;
    packet.mIsImmediate = true;
    node->PostMIDIPacket(&packet);
  }
  // Every waiting message is posted, so none is left whose offset would move on by `frames`.
  mPendingMidiOut.clear();
  (void)frames;

  SysExData sysex;
  while (mSysExDataFromEditor.Pop(sysex))
  {
    const int size = std::clamp(sysex.mSize, 0, static_cast<int>(sizeof(sysex.mData)));
    for (int offset = 0; offset < size; offset += 4)
    {
      AAX_CMidiPacket packet;
      packet.mTimestamp = static_cast<uint32_t>(std::max(sysex.mOffset, 0));
      packet.mLength = static_cast<uint32_t>(std::min(4, size - offset));
      std::memcpy(packet.mData, sysex.mData + offset, packet.mLength);
      packet.mIsImmediate = true;
      node->PostMIDIPacket(&packet);
    }
  }
}

bool IPlugAAX::EmitMidiMessage(const MidiMessage& message)
{
  const auto position = std::upper_bound(mPendingMidiOut.begin(), mPendingMidiOut.end(), message,
                                         [](const MidiMessage& a, const MidiMessage& b) { return a.mOffset < b.mOffset; });
  mPendingMidiOut.insert(position, message);
  return true;
}

void IPlugAAX::ReportLatency(int samples)
{
  if (mController != nullptr)
    mController->SetSignalLatency(samples);
  IPlugProcessor::ReportLatency(samples);
}

// ------------------------------------------------------------------------------------------ chunks

AAX_Result IPlugAAX::GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkID) const
{
  if (chunkID == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (index != 0)
  {
    *chunkID = 0;
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  }
  *chunkID = GetUniqueID();
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const
{
  if (size == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (chunkID != GetUniqueID())
  {
    *size = 0;
    return AAX_ERROR_INVALID_CHUNK_ID;
  }
  StateBuffer state;
  if (WriteState(state))
    *size = static_cast<uint32_t>(state.Size());
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::GetChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) const
{
  if (chunkID != GetUniqueID())
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (chunk == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  StateBuffer state;
  if (!WriteState(state))
    return AAX_ERROR_INVALID_CHUNK_ID;
  // Never write past the room the host says it gave.
  if (static_cast<uint32_t>(state.Size()) > chunk->fDataCapacity)
    return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  chunk->fSize = state.Size();
  chunk->fChunkID = chunkID;
  if (state.Size() > 0)
    std::memcpy(chunk->fData, state.GetData(), static_cast<size_t>(state.Size()));
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::SetChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk)
{
  if (chunkID != GetUniqueID())
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (chunk == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const StateBuffer state(chunk->fData, static_cast<int>(std::min<uint32_t>(ChunkDataSize(*chunk), INT32_MAX)));
  // A short chunk still restores every whole value it holds; the host hears that it was damaged.
  const int end = ReadState(state, 0);
  const int count = std::min(NParams(), static_cast<int>(mParamIdTexts.size()));
  for (int i = 0; i < count; ++i)
    SetParameterNormalizedValue(mParamIdTexts[static_cast<size_t>(i)].c_str(), GetParam(i)->GetNormalized());
  OnStateRestored();
  ++mNumPlugInChanges;
  return end < 0 ? AAX_ERROR_INCORRECT_CHUNK_SIZE : AAX_SUCCESS;
}

AAX_Result IPlugAAX::CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) const
{
  if (chunk == nullptr || isEqual == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (chunk->fChunkID != GetUniqueID())
  {
    *isEqual = true;
    return AAX_SUCCESS;
  }
  const StateBuffer state(chunk->fData, static_cast<int>(std::min<uint32_t>(ChunkDataSize(*chunk), INT32_MAX)));
  *isEqual = StateMatches(state);
  return AAX_SUCCESS;
}

} // namespace iplug
