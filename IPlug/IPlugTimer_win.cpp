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

class Win32TimerLoop final : public IRunLoop
{
public:
  static Win32TimerLoop& Instance();

  uintptr_t StartTimer(uint32_t intervalMs, TickProc proc) override
  {
    const UINT_PTR id = SetTimer(nullptr, 0, intervalMs, &Win32TimerLoop::OnTimer);
    if (id == 0)
      return 0;
    std::lock_guard lock(LiveLock());
    mProcs.push_back({id, proc});
    return id;
  }

  void StopTimer(uintptr_t timerId) override
  {
    KillTimer(nullptr, timerId);
    std::lock_guard lock(LiveLock());
    std::erase_if(mProcs, [timerId](const Entry& e) { return e.id == timerId; });
  }

private:
  struct Entry
  {
    UINT_PTR id;
    TickProc proc;
  };

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
  {
    TickProc proc = nullptr;
    {
      std::lock_guard lock(LiveLock());
      const auto& procs = Instance().mProcs;
      const auto it = std::find_if(procs.begin(), procs.end(), [id](const Entry& e) { return e.id == id; });
      if (it != procs.end())
        proc = it->proc;
    }
    if (proc)
      proc(id);
  }

  std::vector<Entry> mProcs; // under the live lock; thread timers of every thread meet here
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
