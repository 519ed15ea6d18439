#pragma once
// A periodic callback on the user-interface thread, and the run-loop service that drives it. The host
// lends its run loop to the thread it constructs plug-ins on; tests step a loop by hand.

#include <cstdint>
#include <functional>
#include <memory>

namespace iplug {

// The platform side: periodic ticks delivered on the thread that owns the loop.
class IRunLoop
{
public:
  using TickProc = void (*)(uintptr_t timerId);

  virtual ~IRunLoop() = default;

  // owning thread; calls proc(id) every intervalMs. Ids are non-zero and unique in the process while
  // live, because ticks from every loop meet in one list of timers. 0 on failure.
  virtual uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) = 0;
  // owning thread; no tick for this id arrives afterwards
  virtual void StopTimer(uintptr_t timerId) = 0;
};

// any thread; installs the loop for the calling thread only; nullptr removes it
void SetThreadRunLoop(IRunLoop* loop);
// any thread; the calling thread's loop, or nullptr
IRunLoop* GetThreadRunLoop();

class Timer
{
public:
  using TimerCallback = std::function<void(Timer&)>;

  // UI thread; driven by the run loop installed on the calling thread, which must outlive the timer.
  // Returns a stopped timer (never null) when no loop is installed or the loop refuses.
  static std::unique_ptr<Timer> Create(TimerCallback callback, uint32_t intervalMs);

  // UI thread; stops first. Safe from inside the timer's own callback.
  virtual ~Timer();
  // UI thread; harmless when already stopped, also from inside the callback
  virtual void Stop() = 0;

  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

protected:
  Timer() = default;
};

} // namespace iplug
