#pragma once
// What the timers need from the platform: the process-wide lock over the live timers, and the loop that
// drives timers made on a thread where no run loop was installed.

#include "IPlug/IPlugTimer.h"

namespace iplug {

// Re-entrant: callbacks run with it held and may create, stop or destroy timers on the same thread.
class TimerLiveLock
{
public:
  void lock();
  void unlock();
};

// The one lock of the process.
TimerLiveLock& LiveLock();

// Any thread; the platform's own timers (null where the platform has none to offer without a host).
IRunLoop* PlatformRunLoop();

} // namespace iplug
