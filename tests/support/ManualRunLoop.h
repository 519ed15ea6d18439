#pragma once
// A run loop the test steps by hand: Advance(ms) moves its clock and fires every timer that falls due, in
// due order, on the calling thread. Installs itself on the constructing thread for its lifetime.

#include "IPlug/IPlugTimer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane::test {

class ManualRunLoop final : public iplug::IRunLoop
{
public:
  ManualRunLoop()
    : mPrevious(iplug::GetThreadRunLoop())
  {
    iplug::SetThreadRunLoop(this);
  }

  ~ManualRunLoop() override { iplug::SetThreadRunLoop(mPrevious); }

  ManualRunLoop(const ManualRunLoop&) = delete;
  ManualRunLoop& operator=(const ManualRunLoop&) = delete;

  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override
  {
    if (mRefuseTimers)
      return 0;
    // Ids come from one process-wide counter: several loops (one per test thread) must never share one.
    static std::atomic<uintptr_t> sLastId{0};
    const uintptr_t id = ++sLastId;
    const uint32_t interval = std::max<uint32_t>(intervalMs, 1); // 0 would fire forever within one Advance
    mTimers.push_back({id, interval, proc, mNow + interval});
    return id;
  }

  void StopTimer(uintptr_t timerId) override
  {
    std::erase_if(mTimers, [timerId](const Entry& e) { return e.mId == timerId; });
    if (mOnStop)
      mOnStop(timerId);
  }

  // Called after a timer is stopped: lets a test look at the timer's owner at that moment.
  std::function<void(uintptr_t)> mOnStop;

  // Ticks may start or stop timers: the due timer is searched afresh before each tick.
  void Advance(uint32_t ms)
  {
    const uint64_t end = mNow + ms;
    for (;;)
    {
      Entry* due = nullptr;
      for (Entry& e : mTimers)
        if (e.mDue <= end && (!due || e.mDue < due->mDue)) // ties: the earlier started
          due = &e;
      if (!due)
        break;
      mNow = due->mDue;
      due->mDue += due->mIntervalMs;
      const Entry fired = *due;
      fired.mProc(fired.mId);
    }
    mNow = end;
  }

  uint64_t Now() const { return mNow; }
  int ActiveTimers() const { return static_cast<int>(mTimers.size()); }
  // Makes StartTimer fail (return 0), as a platform out of timers would.
  void RefuseTimers(bool refuse) { mRefuseTimers = refuse; }

private:
  struct Entry
  {
    uintptr_t mId;
    uint32_t mIntervalMs;
    TickProc mProc;
    uint64_t mDue;
  };

  iplug::IRunLoop* mPrevious;
  std::vector<Entry> mTimers;
  uint64_t mNow = 0;
  bool mRefuseTimers = false;
};

} // namespace quorvane::test
