#include "IPlug/IPlugTimer.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "IPlug/IPlugTimer_platform.h"

namespace iplug {

namespace {

thread_local IRunLoop* tRunLoop = nullptr;

void ReportFailedCheck(const char* file, int line, const char* condition)
{
  std::fprintf(stderr, "%s:%d: failed check: %s\n", file, line, condition);
}

} // namespace

void SetThreadRunLoop(IRunLoop* loop) { tRunLoop = loop; }

IRunLoop* GetThreadRunLoop() { return tRunLoop; }

Timer::~Timer() = default;

class Timer_impl final : public Timer
{
public:
  Timer_impl(TimerCallback callback, uint32_t intervalMs)
    : mCallback(std::move(callback))
    , mIntervalMs(intervalMs)
  {}
  ~Timer_impl() override;

  void Start();
  void Stop() override;

private:
  class Dispatch;

  static std::vector<Timer_impl*>& LiveTimers(); // guarded by LiveLock()
  static void Tick(uintptr_t timerId);

  uintptr_t mId = 0; // 0 when stopped; written under the lock, by the owning thread only
  TimerCallback mCallback;
  uint32_t mIntervalMs;
  IRunLoop* mLoop = nullptr;
  Dispatch* mDispatch = nullptr; // under the lock; set while this timer's callback runs
};

// One callback invocation. The callable is moved here for the duration of the call so that it outlives
// the timer when the callback destroys its own timer (its captures are still in use as it returns).
class Timer_impl::Dispatch
{
public:
  explicit Dispatch(Timer_impl& timer)
    : mTimer(&timer)
    , mCallback(std::move(timer.mCallback))
  {
    timer.mDispatch = this;
  }

  ~Dispatch()
  {
    if (mTimer)
    {
      mTimer->mDispatch = nullptr;
      mTimer->mCallback = std::move(mCallback);
    }
  }

  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  void Run() { mCallback(*mTimer); }
  void TimerDestroyed() { mTimer = nullptr; }

private:
  Timer_impl* mTimer;
  TimerCallback mCallback;
};

std::vector<Timer_impl*>& Timer_impl::LiveTimers()
{
  static std::vector<Timer_impl*> live;
  return live;
}

std::unique_ptr<Timer> Timer::Create(TimerCallback callback, uint32_t intervalMs)
{
  auto timer = std::make_unique<Timer_impl>(std::move(callback), intervalMs);
  timer->Start();
  return timer;
}

void Timer_impl::Start()
{
  // A run loop the host lent this thread comes first; the platform's own timers otherwise.
  mLoop = GetThreadRunLoop();
  if (!mLoop)
    mLoop = PlatformRunLoop();
  if (!mLoop)
    return;
  const uintptr_t id = mLoop->StartTimer(mIntervalMs, &Timer_impl::Tick);
  if (id == 0)
    return;
  std::lock_guard lock(LiveLock());
  LiveTimers().push_back(this);
  mId = id;
}

void Timer_impl::Stop()
{
  if (mId == 0)
    return;
  mLoop->StopTimer(mId);
  std::lock_guard lock(LiveLock());
  std::erase(LiveTimers(), this);
  mId = 0;
}

Timer_impl::~Timer_impl()
{
  Stop();
  std::lock_guard lock(LiveLock());
  // Destroyed by its own callback: the tick owns the callable now and must not touch this object again.
  if (mDispatch)
    mDispatch->TimerDestroyed();
}

void Timer_impl::Tick(uintptr_t timerId)
{
  std::lock_guard lock(LiveLock());
  auto& live = LiveTimers();
  const auto it =
    std::find_if(live.begin(), live.end(), [timerId](const Timer_impl* t) { return t->mId == timerId; });
  // Not found: stopped after the loop had already picked this tick.
  if (it == live.end())
    return;
  Timer_impl& timer = **it;
  // Its callback is already running further up this thread (it pumped the loop); no recursion.
  if (timer.mDispatch)
    return;
  if (!timer.mCallback)
  {
    ReportFailedCheck(__FILE__, __LINE__, "timer.mCallback");
    return;
  }
  Dispatch dispatch(timer);
  dispatch.Run();
}

} // namespace iplug
