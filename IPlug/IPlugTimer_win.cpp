// Timers on Windows: SetTimer without a window, so ticks arrive as WM_TIMER on the creating thread's
// message loop (a host's user-interface thread always pumps one); the live list under a critical section.
#include "IPlug/IPlugTimer_platform.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace iplug {

namespace {

// Made on first use and never destroyed: timers may still stop while statics are torn down.
CRITICAL_SECTION& Section()
{
  static CRITICAL_SECTION* section = [] {
    auto* made = new CRITICAL_SECTION;
    InitializeCriticalSection(made);
    return made;
  }();
  return *section;
}

// Windows numbers window-less timers per thread (Wine does; Windows does not promise otherwise), so two
// threads' timers may share a number. The live list needs numbers unique in the process: each timer gets
// one of ours, and a tick is matched by the system's number and the thread it arrives on.
class Win32TimerLoop final : public IRunLoop
{
public:
  static Win32TimerLoop& Instance();

  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override
  {
    const UINT_PTR systemId = SetTimer(nullptr, 0, intervalMs, &Win32TimerLoop::OnTimer);
    if (systemId == 0)
      return 0;
    std::lock_guard lock(LiveLock());
    const uintptr_t id = ++mLastId;
    mTimers.push_back({id, systemId, GetCurrentThreadId(), proc});
    return id;
  }

  void StopTimer(uintptr_t timerId) override
  {
    std::lock_guard lock(LiveLock());
    const auto it = std::find_if(mTimers.begin(), mTimers.end(), [timerId](const Entry& e) { return e.id == timerId; });
    if (it == mTimers.end())
      return;
    KillTimer(nullptr, it->systemId);
    mTimers.erase(it);
  }

private:
  struct Entry
  {
    uintptr_t id;       // ours, unique in the process
    UINT_PTR systemId;  // SetTimer's, unique on its thread
    DWORD thread;
    TickProc proc;
  };

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR systemId, DWORD)
  {
    TickProc proc = nullptr;
    uintptr_t id = 0;
    {
      std::lock_guard lock(LiveLock());
      const DWORD thread = GetCurrentThreadId();
      const auto& timers = Instance().mTimers;
      const auto it = std::find_if(timers.begin(), timers.end(), [&](const Entry& e) {
        return e.systemId == systemId && e.thread == thread;
      });
      if (it != timers.end())
      {
        proc = it->proc;
        id = it->id;
      }
    }
    if (proc)
      proc(id);
  }

  std::vector<Entry> mTimers; // under the live lock; every thread's timers meet here
  uintptr_t mLastId = 0;
};

Win32TimerLoop& Win32TimerLoop::Instance()
{
  static Win32TimerLoop* loop = new Win32TimerLoop;
  return *loop;
}

} // namespace

void TimerLiveLock::lock() { EnterCriticalSection(&Section()); }

void TimerLiveLock::unlock() { LeaveCriticalSection(&Section()); }

TimerLiveLock& LiveLock()
{
  static TimerLiveLock lock;
  return lock;
}

IRunLoop* PlatformRunLoop() { return &Win32TimerLoop::Instance(); }

} // namespace iplug
