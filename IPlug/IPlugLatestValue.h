#pragma once
// Hands the newest value of something produced on one thread to another without ever waiting: the
// writer overwrites, the reader takes the value only when a new one arrived since it last looked.

#include <atomic>

namespace iplug {

template <typename T>
class IPlugLatestValue
{
  static_assert(std::atomic<T>::is_always_lock_free);

public:
  // producer thread (the audio thread); never blocks
  void Publish(T value)
  {
    mValue.store(value, std::memory_order_relaxed);
    mFresh.store(true, std::memory_order_release);
  }

  // consumer thread; true and the newest value when one arrived since the last take. A value
  // published between the flag and the load is taken now and may be taken once more next time.
  bool Take(T& value)
  {
    if (!mFresh.exchange(false, std::memory_order_acquire))
      return false;
    value = mValue.load(std::memory_order_relaxed);
    return true;
  }

private:
  std::atomic<T> mValue{};
  std::atomic<bool> mFresh{false};
};

} // namespace iplug
