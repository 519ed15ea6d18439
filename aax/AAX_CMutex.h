#pragma once
// A writer mutex that records its owner thread: the owner may take it again without waiting; any other
// thread waits. Used by the packet dispatcher and the pointer queues (never on a path that must not wait).

#include <atomic>
#include <mutex>
#include <thread>

class AAX_CMutex
{
public:
  // any thread; true when this call took the mutex (false: the caller already owned it)
  bool Lock()
  {
    const std::thread::id self = std::this_thread::get_id();
    if (mOwner.load(std::memory_order_acquire) == self)
      return false;
    mMutex.lock();
    mOwner.store(self, std::memory_order_release);
    return true;
  }
  // the owner thread; only a Lock that returned true is undone
  void Unlock()
  {
    mOwner.store(std::thread::id{}, std::memory_order_release);
    mMutex.unlock();
  }
  bool IsOwnedByThisThread() const { return mOwner.load(std::memory_order_acquire) == std::this_thread::get_id(); }

private:
  std::mutex mMutex;
  std::atomic<std::thread::id> mOwner{};
};

class AAX_StLock_Guard
{
public:
  explicit AAX_StLock_Guard(AAX_CMutex& mutex) : mMutex(mutex), mTook(mutex.Lock()) {}
  ~AAX_StLock_Guard()
  {
    if (mTook)
      mMutex.Unlock();
  }
  AAX_StLock_Guard(const AAX_StLock_Guard&) = delete;
  AAX_StLock_Guard& operator=(const AAX_StLock_Guard&) = delete;

private:
  AAX_CMutex& mMutex;
  bool mTook;
};
