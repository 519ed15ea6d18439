#include "host/HostRunLoop.h"

#include <algorithm>
#include <atomic>

namespace quorvane::host {

namespace {
// Ids are unique across every loop of the process, as plug-ins look ticks up in one list.
std::atomic<uintptr_t> gNextTimerId{1};
} // namespace

uintptr_t HostRunLoop::StartTimer(uint32_t intervalMs, TickProc proc)
{
  if (proc == nullptr)
    return 0;
  const auto interval = std::chrono::milliseconds(std::max<uint32_t>(intervalMs, 1));
  const uintptr_t id = gNextTimerId.fetch_add(1);
  mTimers.push_back({id, interval, proc, std::chrono::steady_clock::now() + interval});
  return id;
}

void HostRunLoop::StopTimer(uintptr_t timerId)
{
  std::erase_if(mTimers, [timerId](const Entry& e) { return e.id == timerId; });
}

int HostRunLoop::Pump()
{
  const auto now = std::chrono::steady_clock::now();
  // Ids first: a tick may start or stop timers, which changes the list under us.
  std::vector<uintptr_t> due;
  for (Entry& e : mTimers)
  {
    if (e.due <= now)
    {
      due.push_back(e.id);
      e.due = now + e.interval;
    }
  }
  int ticks = 0;
  for (uintptr_t id : due)
  {
    const auto it = std::find_if(mTimers.begin(), mTimers.end(), [id](const Entry& e) { return e.id == id; });
    if (it == mTimers.end())
      continue; // stopped by an earlier tick
    it->proc(id);
    ++ticks;
  }
  return ticks;
}

} // namespace quorvane::host
