#include "host/RenderContext.h"

#include <cstring>

namespace quorvane::host {

// MIDI nodes the plug-in may have asked for: this host sends no MIDI and drops what it receives.
class RenderContext::EmptyMidiNode final : public AAX_IMIDINode
{
public:
  AAX_CMidiStream* GetNodeBuffer() override { return &mStream; }
  AAX_Result PostMIDIPacket(AAX_CMidiPacket*) override { return AAX_SUCCESS; }

private:
  AAX_CMidiStream mStream{};
};

RenderContext::~RenderContext() = default;

std::unique_ptr<RenderContext> RenderContext::Create(const HostComponentDescriptor& component,
                                                     const ResetFieldFn& reset, AAX_ITransportNode* transport,
                                                     bool needSideChain, std::string& error)
{
  auto needKind = [&](AAX_CFieldIndex index, FieldKind kind, int32_t size) -> bool {
    const FieldRecord* f = component.Field(index);
    if (!f || f->kind != kind || (size >= 0 && f->size != size))
    {
      error = "component's field " + std::to_string(index) + " is not " + FieldKindName(kind) +
              (size >= 0 ? " of " + std::to_string(size) + " bytes" : std::string());
      return false;
    }
    return true;
  };
  if (!needKind(kAAX_FieldIndex_InputBuffers, FieldKind::AudioIn, -1) ||
      !needKind(kAAX_FieldIndex_OutputBuffers, FieldKind::AudioOut, -1) ||
      !needKind(kAAX_FieldIndex_BlockLength, FieldKind::BufferLength, -1) ||
      !needKind(kAAX_FieldIndex_Private, FieldKind::PrivateData, 8) ||
      !needKind(kAAX_FieldIndex_ChangeNumber, FieldKind::DataInPort, 8) ||
      (needSideChain && !needKind(kAAX_FieldIndex_SideChain, FieldKind::SideChainIn, -1)))
    return nullptr;

  std::unique_ptr<RenderContext> ctx(new RenderContext());
  std::array<void*, kAAX_NumPlugContextFields> slots{};

  auto block = [&](AAX_CFieldIndex index, uint32_t bytes) -> void* {
    const size_t words = (bytes + 7) / 8 + 1; // never empty; 8-byte aligned
    ctx->mBlocks[static_cast<size_t>(index)] = std::make_unique<uint64_t[]>(words);
    ctx->mBlockSizes[static_cast<size_t>(index)] = bytes;
    return ctx->mBlocks[static_cast<size_t>(index)].get();
  };

  for (const FieldRecord& f : component.Fields())
  {
    const auto slot = static_cast<size_t>(f.index);
    switch (f.kind)
    {
    case FieldKind::AudioIn: slots[slot] = ctx->mInputs.data(); break;
    case FieldKind::AudioOut: slots[slot] = ctx->mOutputs.data(); break;
    case FieldKind::BufferLength: slots[slot] = &ctx->mBlockLength; break;
    case FieldKind::Clock: slots[slot] = &ctx->mClock; break;
    case FieldKind::SideChainIn: slots[slot] = &ctx->mSideChainIndex; break;
    case FieldKind::MidiNode:
      if (f.subtype == AAX_eMIDINodeType_Transport)
        slots[slot] = transport;
      else
      {
        ctx->mMidiNodes.push_back(std::make_unique<EmptyMidiNode>());
        slots[slot] = static_cast<AAX_IMIDINode*>(ctx->mMidiNodes.back().get());
      }
      break;
    case FieldKind::PrivateData:
    {
      void* data = block(f.index, static_cast<uint32_t>(f.size));
      const AAX_Result result = reset(f.index, data, static_cast<uint32_t>(f.size));
      if (result != AAX_SUCCESS)
      {
        error = "ResetFieldData(" + std::to_string(f.index) + ") failed with " + std::to_string(result);
        return nullptr;
      }
      slots[slot] = data;
      break;
    }
    case FieldKind::DataInPort:
    {
      if (f.size <= 0 || f.size > 8)
      {
        error = "data-in port " + std::to_string(f.index) + " of " + std::to_string(f.size) +
                " bytes (this host carries up to 8)";
        return nullptr;
      }
      slots[slot] = block(f.index, static_cast<uint32_t>(f.size));
      auto port = std::make_unique<Port>();
      port->field = f.index;
      port->size = static_cast<uint32_t>(f.size);
      ctx->mPorts.push_back(std::move(port));
      break;
    }
    case FieldKind::Meters:
      ctx->mMeterValues.assign(f.mask, 0.0f);
      ctx->mMeterPointers.resize(f.mask);
      for (uint32_t m = 0; m < f.mask; ++m)
        ctx->mMeterPointers[m] = &ctx->mMeterValues[m];
      slots[slot] = ctx->mMeterPointers.empty() ? nullptr : ctx->mMeterPointers.data();
      break;
    case FieldKind::AuxOutputStem:
      error = "auxiliary output stems are not supported by this host";
      return nullptr;
    }
  }
  static_assert(sizeof(slots) == sizeof(AAX_SIPlugContext));
  std::memcpy(&ctx->mContext, slots.data(), sizeof(slots));
  return ctx;
}

void RenderContext::SetInputs(float* const* buffers, int count)
{
  for (int c = 0; c < kMaxBuffers; ++c)
    mInputs[static_cast<size_t>(c)] = c < count ? buffers[c] : nullptr;
}

void RenderContext::SetOutputs(float* const* buffers, int count)
{
  for (int c = 0; c < kMaxBuffers; ++c)
    mOutputs[static_cast<size_t>(c)] = c < count ? buffers[c] : nullptr;
}

bool RenderContext::PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size)
{
  if (!data)
    return false;
  for (auto& port : mPorts)
  {
    if (port->field != field)
      continue;
    if (size > port->size)
      return false;
    uint64_t value = 0;
    std::memcpy(&value, data, size);
    port->pending.store(value, std::memory_order_relaxed);
    port->fresh.store(true, std::memory_order_release);
    return true;
  }
  return false;
}

void RenderContext::DeliverPackets()
{
  for (auto& port : mPorts)
  {
    if (!port->fresh.exchange(false, std::memory_order_acquire))
      continue;
    const uint64_t value = port->pending.load(std::memory_order_relaxed);
    std::memcpy(mBlocks[static_cast<size_t>(port->field)].get(), &value, port->size);
  }
}

void* RenderContext::FieldData(AAX_CFieldIndex field) const
{
  if (field < 0 || field >= kAAX_NumPlugContextFields)
    return nullptr;
  return mBlocks[static_cast<size_t>(field)].get();
}

uint32_t RenderContext::FieldSize(AAX_CFieldIndex field) const
{
  if (field < 0 || field >= kAAX_NumPlugContextFields)
    return 0;
  return mBlockSizes[static_cast<size_t>(field)];
}

} // namespace quorvane::host
