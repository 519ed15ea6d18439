// Timers where the host lends its run loop (Linux hosts do): no platform loop of our own.
#include "IPlug/IPlugTimer_platform.h"

#include <mutex>

namespace iplug {

namespace {
std::recursive_mutex& Mutex()
{
  static std::recursive_mutex mutex;
  return mutex;
}
} // namespace

void TimerLiveLock::lock() { Mutex().lock(); }

void TimerLiveLock::unlock() { Mutex().unlock(); }

TimerLiveLock& LiveLock()
{
  static TimerLiveLock lock;
  return lock;
}

IRunLoop* PlatformRunLoop() { return nullptr; }

} // namespace iplug
