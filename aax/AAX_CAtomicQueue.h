#pragma once
// A fixed ring of S pointer slots with one reader. Writers lock each other out (the re-entrant writer
// mutex); the reader takes no lock: a slot is claimed by an atomic exchange against null. Holds up to S
// items; pushing onto a full ring fails and changes nothing.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "aax/AAX_CMutex.h"

class AAX_IContainer
{
public:
  enum EStatus : int32_t
  {
    eStatus_Success = 0,
    eStatus_Overflow = 1,
    eStatus_NotInitialized = 2,
    eStatus_Unavailable = 3,
    eStatus_Unsupported = 4,
  };
};

template <typename T, size_t S>
class AAX_CAtomicQueue
{
  static_assert(S > 0 && (S & (S - 1)) == 0, "indexes wrap through uint32: the size must be a power of two");

public:
  using value_type = T*;
  static constexpr size_t kCapacity = S;

  AAX_CAtomicQueue()
  {
    for (auto& slot : mRing)
      slot.store(nullptr, std::memory_order_relaxed);
  }
  AAX_CAtomicQueue(const AAX_CAtomicQueue&) = delete;
  AAX_CAtomicQueue& operator=(const AAX_CAtomicQueue&) = delete;

  // any writer thread; null is refused with eStatus_Unsupported (4), a full ring with eStatus_Overflow
  AAX_IContainer::EStatus Push(value_type element)
  {
    if (element == nullptr)
      return AAX_IContainer::eStatus_Unsupported;
    AAX_StLock_Guard guard(mMutex);
    const uint32_t index = mWriteIndex.fetch_add(1, std::memory_order_acq_rel) + 1;
    value_type expected = nullptr;
    if (mRing[index % S].compare_exchange_strong(expected, element, std::memory_order_acq_rel))
      return AAX_IContainer::eStatus_Success;
    mWriteIndex.fetch_sub(1, std::memory_order_acq_rel); // still occupied: full
    return AAX_IContainer::eStatus_Overflow;
  }

  // the reader thread; no lock, no allocation; null when empty
  value_type Pop()
  {
    const uint32_t index = mReadIndex.load(std::memory_order_acquire) + 1;
    value_type element = mRing[index % S].exchange(nullptr, std::memory_order_acq_rel);
    if (element != nullptr)
      mReadIndex.store(index, std::memory_order_release);
    return element;
  }

  // the reader thread; the next element Pop would return, left in place
  value_type Peek() const
  {
    const uint32_t index = mReadIndex.load(std::memory_order_acquire) + 1;
    return mRing[index % S].load(std::memory_order_acquire);
  }

private:
  std::array<std::atomic<value_type>, S> mRing;
  std::atomic<uint32_t> mReadIndex{0};
  std::atomic<uint32_t> mWriteIndex{0};
  AAX_CMutex mMutex;
};
