// Timer over a hand-stepped run loop: tick timing, stopping (twice, from inside the callback, by
// destroying it from inside the callback), independent timers, the no-loop case, and several UI threads.

#include "IPlug/IPlugTimer.h"
#include "tests/support/ManualRunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using iplug::Timer;
using quorvane::test::ManualRunLoop;

namespace {

std::unique_ptr<Timer> Counting(int& ticks, uint32_t intervalMs)
{
  return Timer::Create([&ticks](Timer&) { ++ticks; }, intervalMs);
}

} // namespace

TEST(Timer, TicksArriveAtTheIntervalUntilStopped)
{
  ManualRunLoop loop;
  int ticks = 0;
  auto timer = Counting(ticks, 20);
  loop.Advance(100);
  EXPECT_EQ(5, ticks);
  loop.Advance(19);
  EXPECT_EQ(5, ticks);
  loop.Advance(1);
  EXPECT_EQ(6, ticks);

  timer->Stop();
  timer->Stop();
  EXPECT_EQ(0, loop.ActiveTimers()); // the platform timer is gone too
  loop.Advance(100);
  EXPECT_EQ(6, ticks);

  auto destroyed = Counting(ticks, 10);
  destroyed.reset();
  loop.Advance(100);
  EXPECT_EQ(6, ticks);
  EXPECT_EQ(0, loop.ActiveTimers());
}

TEST(Timer, CallbackMayStopOrDestroyItsOwnTimer)
{
  ManualRunLoop loop;
  int stops = 0;
  auto stopping = Timer::Create([&stops](Timer& self) {
    ++stops;
    self.Stop();
    self.Stop();
  }, 20);

  // The callable's own captures are used after its timer is gone: they must still be alive.
  std::unique_ptr<Timer> destroying;
  std::string seen;
  destroying = Timer::Create([&destroying, &seen, label = std::string(64, 'x')](Timer&) {
    destroying.reset();
    seen += label;
  }, 30);

  loop.Advance(200);
  EXPECT_EQ(1, stops);
  EXPECT_EQ(std::string(64, 'x'), seen);
  EXPECT_EQ(0, loop.ActiveTimers());
}

TEST(Timer, TimersAreIndependentAndCallbacksMayCreateTimers)
{
  ManualRunLoop loop;
  int fast = 0, slow = 0, late = 0;
  auto fastTimer = Counting(fast, 20);
  std::unique_ptr<Timer> lateTimer;
  auto slowTimer = Timer::Create([&](Timer&) {
    if (++slow == 1)
      lateTimer = Counting(late, 50); // at t = 30, so it first fires at t = 80
  }, 30);

  loop.Advance(60);
  EXPECT_EQ(3, fast);
  EXPECT_EQ(2, slow);
  fastTimer->Stop();
  loop.Advance(60);
  EXPECT_EQ(3, fast);
  EXPECT_EQ(4, slow);
  EXPECT_EQ(1, late);
}

TEST(Timer, NoRunLoopRefusedTimerOrEmptyCallbackMeansNoTicksAndNoCrash)
{
  ASSERT_EQ(nullptr, iplug::GetThreadRunLoop());
  int ticks = 0;
  auto orphan = Counting(ticks, 20);
  ASSERT_NE(nullptr, orphan);
  orphan->Stop();

  ManualRunLoop loop; // installed after the orphan was made: it never hears of it
  loop.RefuseTimers(true);
  auto refused = Counting(ticks, 20);
  loop.RefuseTimers(false);
  auto empty = Timer::Create(Timer::TimerCallback{}, 20);
  testing::internal::CaptureStderr();
  loop.Advance(100);
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(0, ticks);
  EXPECT_NE(std::string::npos, report.find("mCallback")); // reported as a failed check
}

TEST(Timer, LoopsOnSeparateThreadsShareTheLiveListSafely)
{
  // Each thread creates, ticks and destroys its own timers; only the process-wide list is shared.
  std::vector<int> ticks(4, 0);
  std::vector<std::thread> threads;
  for (int& count : ticks)
    threads.emplace_back([&count] {
      ManualRunLoop loop;
      auto steady = Counting(count, 10);
      for (int i = 0; i < 200; ++i)
      {
        int churn = 0;
        auto shortLived = Counting(churn, 1);
        loop.Advance(5);
        EXPECT_EQ(5, churn);
      }
    });
  for (auto& t : threads)
    t.join();
  for (int count : ticks)
    EXPECT_EQ(100, count);
}
