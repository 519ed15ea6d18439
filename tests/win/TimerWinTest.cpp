// Timers on Windows: SetTimer without a window, ticks pumped from the creating thread's message loop.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "IPlug/IPlugTimer.h"

using iplug::Timer;

namespace {

// Pumps the calling thread's messages for `ms` milliseconds.
void PumpFor(int ms)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end)
  {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

} // namespace

TEST(TimerWin, TicksOnTheCreatingThreadUntilStopped)
{
  int ticks = 0;
  DWORD tickThread = 0;
  auto timer = Timer::Create([&](Timer&) {
    ++ticks;
    tickThread = GetCurrentThreadId();
  }, 20);
  PumpFor(500);
  // Windows timers are coarse (down to the 15.6 ms system tick) and never catch up: a loose band.
  EXPECT_GE(ticks, 8);
  EXPECT_LE(ticks, 30);
  EXPECT_EQ(GetCurrentThreadId(), tickThread);

  timer->Stop();
  timer->Stop();
  const int stopped = ticks;
  PumpFor(200);
  EXPECT_EQ(stopped, ticks);
}

TEST(TimerWin, CallbacksMayStopOrDestroyTheirOwnTimer)
{
  int stops = 0;
  auto stopping = Timer::Create([&stops](Timer& self) {
    ++stops;
    self.Stop();
  }, 10);
  int destroys = 0;
  std::unique_ptr<Timer> destroying;
  destroying = Timer::Create([&](Timer&) {
    ++destroys;
    destroying.reset();
  }, 10);
  PumpFor(200);
  EXPECT_EQ(1, stops);
  EXPECT_EQ(1, destroys);
  EXPECT_EQ(nullptr, destroying);
}

TEST(TimerWin, EachThreadsTimersTickOnItsOwnLoop)
{
  std::atomic<int> wrongThread{0};
  std::atomic<int> total{0};
  auto worker = [&] {
    const DWORD self = GetCurrentThreadId();
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) {
      ++ticks;
      if (GetCurrentThreadId() != self)
        ++wrongThread;
    }, 15);
    PumpFor(300);
    timer.reset();
    total += ticks;
  };
  std::thread a(worker);
  std::thread b(worker);
  // This thread's loop is not pumped meanwhile; the other threads' ticks must not need it.
  a.join();
  b.join();
  EXPECT_EQ(0, wrongThread.load());
  EXPECT_GT(total.load(), 10);
}
