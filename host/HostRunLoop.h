#pragma once
// The host's user-interface run loop as lent to plug-ins: timers started on the main thread tick when
// the main thread pumps the loop at idle, by the wall clock.

#include <chrono>
#include <vector>

#include "aax/AAX_Interfaces.h"

namespace quorvane::host {

class HostRunLoop final : public AAX_IRunLoop
{
public:
  // main thread
  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override;
  void StopTimer(uintptr_t timerId) override;

  // main thread, at idle: every timer that has come due ticks once (a late loop does not catch up).
  // Returns the number of ticks.
  int Pump();

  // main thread; timers now started and not stopped
  size_t ActiveTimers() const { return mTimers.size(); }

private:
  struct Entry
  {
    uintptr_t id;
    std::chrono::milliseconds interval;
    TickProc proc;
    std::chrono::steady_clock::time_point due;
  };
  std::vector<Entry> mTimers;
};

} // namespace quorvane::host
