#pragma once
// One instance's render context, laid out from the fields its component registered: every field gets
// host storage of the registered size (private data is initialised by the plug-in's ResetFieldData),
// and the context's 8-byte slots point at it. Built once; the audio thread only writes the values.

#include "host/HostDescription.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::host {

class RenderContext final
{
public:
  // The channels this host can hand over in one input or output array (main input plus side chain).
  static constexpr int kMaxBuffers = 8;
  using ResetFieldFn = std::function<AAX_Result(AAX_CFieldIndex field, void* data, uint32_t size)>;

  // main thread; null with a reason when the fields do not give the plug-in what it needs (audio in and
  // out, buffer length, 8-byte private data at 23, 8-byte data-in port at 25, side chain at 26 when
  // `needSideChain`) or a ResetFieldData call fails. The transport node and MIDI nodes are the host's.
  static std::unique_ptr<RenderContext> Create(const HostComponentDescriptor& component, const ResetFieldFn& reset,
                                               AAX_ITransportNode* transport, bool needSideChain,
                                               std::string& error);
  ~RenderContext();

  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;

  // audio thread: the values of one render call. Buffers are borrowed for the call.
  void SetInputs(float* const* buffers, int count);
  void SetOutputs(float* const* buffers, int count);
  void SetBlockLength(int32_t frames) { mBlockLength = frames; }
  // 0 = no side chain connected
  void SetSideChainIndex(int32_t index) { mSideChainIndex = index; }
  void SetClock(int64_t clock) { mClock = clock; }
  // audio thread; copies packets posted since the last call into their data-in fields
  void DeliverPackets();

  // any thread but the audio thread; false when `field` is no data-in port or the packet is too big
  bool PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size);

  AAX_SIPlugContext* Context() { return &mContext; }
  // any thread; the storage block behind a field, null when it has none
  void* FieldData(AAX_CFieldIndex field) const;
  uint32_t FieldSize(AAX_CFieldIndex field) const;

private:
  class EmptyMidiNode;
  RenderContext() = default;

  struct Port
  {
    AAX_CFieldIndex field = 0;
    uint32_t size = 0;
    std::atomic<uint64_t> pending{0};
    std::atomic<bool> fresh{false};
  };

  AAX_SIPlugContext mContext{};
  std::array<std::unique_ptr<uint64_t[]>, kAAX_NumPlugContextFields> mBlocks{};
  std::array<uint32_t, kAAX_NumPlugContextFields> mBlockSizes{};
  std::array<float*, kMaxBuffers> mInputs{};
  std::array<float*, kMaxBuffers> mOutputs{};
  std::vector<std::unique_ptr<EmptyMidiNode>> mMidiNodes;
  std::vector<std::unique_ptr<Port>> mPorts;
  std::vector<float> mMeterValues;
  std::vector<float*> mMeterPointers;
  int32_t mBlockLength = 0;
  int32_t mSideChainIndex = 0;
  int64_t mClock = 0;
};

} // namespace quorvane::host
