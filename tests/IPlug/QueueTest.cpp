// The single-producer/single-consumer rings: order and completeness across two real threads, the
// drop-the-newest rule when full, and the pending count across the wrap of the indexes.

#include "IPlug/IPlugQueue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <thread>

using namespace iplug;

namespace {

// Streams make(0..count-1) from a second thread (retrying when full); returns how many items arrived
// in order and intact before the first bad one.
template <typename Queue, typename Make, typename Same>
int Stream(Queue& queue, int count, Make make, Same same)
{
  std::thread producer([&] {
    for (int i = 0; i < count; ++i)
      while (!queue.Push(make(i)))
        std::this_thread::yield();
  });
  int good = 0;
  bool intact = true;
  decltype(make(0)) item;
  for (int received = 0; received < count;)
  {
    if (!queue.Pop(item))
      std::this_thread::yield();
    else if ((intact = intact && same(item, make(received++))))
      ++good;
  }
  producer.join();
  return good;
}

} // namespace

TEST(IPlugQueue, TwoThreadsStreamInOrderWithoutGapsOrTornItems)
{
  ParamQueue params;
  EXPECT_EQ(1000000, Stream(params, 1000000, [](int i) { return ParamTuple{i, i * 0.5}; },
                            [](const ParamTuple& a, const ParamTuple& b) {
                              return a.mIndex == b.mIndex && a.mValue == b.mValue;
                            }));
  EXPECT_TRUE(params.Empty());

  // Large items in a tiny ring: a slot published before it is fully written shows up as mixed bytes.
  SysExQueue sysex;
  const auto make = [](int i) {
    SysExData d{i, SysExData::kMaxSize};
    std::memset(d.mData, i & 0xff, sizeof d.mData);
    return d;
  };
  const auto same = [](const SysExData& a, const SysExData& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  EXPECT_EQ(20000, Stream(sysex, 20000, make, same));
}

TEST(IPlugQueue, FullQueueKeepsTheFirstCapacityItemsAndDropsTheNewest)
{
  ParamQueue queue;
  for (int i = 0; i < 512; ++i)
    ASSERT_TRUE(queue.Push({i, 0.0})) << i;
  EXPECT_FALSE(queue.Push({512, 0.0}));
  EXPECT_EQ(512, queue.ElementsAvailable());

  ParamTuple item;
  ASSERT_TRUE(queue.Pop(item));
  EXPECT_EQ(0, item.mIndex);
  EXPECT_TRUE(queue.Push({1000, 0.0})); // one pop makes room for exactly one
  EXPECT_FALSE(queue.Push({1001, 0.0}));
  for (int expected = 1; expected < 512; ++expected)
    ASSERT_TRUE(queue.Pop(item) && item.mIndex == expected) << expected;
  ASSERT_TRUE(queue.Pop(item));
  EXPECT_EQ(1000, item.mIndex);
  EXPECT_FALSE(queue.Pop(item));
  EXPECT_TRUE(queue.Empty());
}

TEST(IPlugQueue, MatchesAFifoModelAcrossTheWrap)
{
  // Five slots: uneven bursts move both indexes round the ring many times, through every
  // write-below-read position.
  IPlugQueue<int, 4> queue;
  std::deque<int> model;
  int next = 0;
  for (int step = 0; step < 200; ++step)
  {
    for (int i = 0; i < step % 7 % 6; ++i, ++next)
    {
      ASSERT_EQ(model.size() < 4, queue.Push(next)) << step;
      if (model.size() < 4)
        model.push_back(next);
    }
    ASSERT_EQ(int(model.size()), queue.ElementsAvailable()) << step;
    for (int i = 0; i < (step * 3 + 1) % 5; ++i)
    {
      int item = -1;
      ASSERT_EQ(!model.empty(), queue.Pop(item)) << step;
      if (!model.empty())
      {
        ASSERT_EQ(model.front(), item) << step;
        model.pop_front();
      }
    }
    ASSERT_EQ(int(model.size()), queue.ElementsAvailable()) << step;
    ASSERT_EQ(model.empty(), queue.Empty()) << step;
  }
}
