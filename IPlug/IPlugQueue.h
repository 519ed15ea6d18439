#pragma once
// Lock-free single-producer/single-consumer rings that carry parameter values, MIDI and SysEx between the
// audio thread, the host's parameter thread and the editor. Fixed storage: no allocation, no lock.

#include "IPlug/IPlugStructs.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>

namespace iplug {

// Capacity entries in Capacity + 1 slots: one slot stays empty so that "full" and "empty" differ.
// Exactly one producer thread and one consumer thread; each writes only its own index.
template <typename T, int Capacity>
class IPlugQueue
{
  static_assert(Capacity > 0);
  // Items are copied by plain assignment on the audio thread, which must never allocate.
  static_assert(std::is_trivially_copyable_v<T>);

public:
  static constexpr int kCapacity = Capacity;

  // producer thread only; false when full, and the new item is dropped
  bool Push(const T& item)
  {
    const int write = mWriteIndex.load(std::memory_order_relaxed);
    const int next = Next(write);
    // Acquire: the consumer has finished reading the slot it released before we overwrite it.
    if (next == mReadIndex.load(std::memory_order_acquire))
      return false;
    mSlots[static_cast<size_t>(write)] = item;
    mWriteIndex.store(next, std::memory_order_release);
    return true;
  }

  // consumer thread only; false when empty (item untouched)
  bool Pop(T& item)
  {
    const int read = mReadIndex.load(std::memory_order_relaxed);
    if (read == mWriteIndex.load(std::memory_order_acquire))
      return false;
    item = mSlots[static_cast<size_t>(read)];
    mReadIndex.store(Next(read), std::memory_order_release);
    return true;
  }

  // either side; a snapshot, exact only on a side whose partner is idle
  int ElementsAvailable() const
  {
    const int write = mWriteIndex.load(std::memory_order_acquire);
    const int read = mReadIndex.load(std::memory_order_acquire);
    return write >= read ? write - read : write + kSlots - read;
  }

  // either side; same caveat as ElementsAvailable
  bool Empty() const
  {
    return mReadIndex.load(std::memory_order_acquire) == mWriteIndex.load(std::memory_order_acquire);
  }

private:
  static constexpr int kSlots = Capacity + 1;

  static constexpr int Next(int index) { return index + 1 == kSlots ? 0 : index + 1; }

  // Separate cache lines: the two sides would otherwise invalidate each other's line on every operation.
  alignas(64) std::atomic<int> mWriteIndex{0};
  alignas(64) std::atomic<int> mReadIndex{0};
  alignas(64) std::array<T, kSlots> mSlots{};
};

// A parameter change on its way to the editor; the value is real, not normalised.
struct ParamTuple
{
  int32_t mIndex = 0;
  double mValue = 0.0;
};
static_assert(sizeof(ParamTuple) == 16);

struct SysExData
{
  static constexpr int kMaxSize = 512;

  int32_t mOffset = 0; // sample offset within the block
  int32_t mSize = 0;   // bytes used in mData
  uint8_t mData[kMaxSize] = {};
};
static_assert(sizeof(SysExData) == 520);

using ParamQueue = IPlugQueue<ParamTuple, 512>;
using MidiQueue = IPlugQueue<MidiMessage, 32>;
using SysExQueue = IPlugQueue<SysExData, 4>;

} // namespace iplug
