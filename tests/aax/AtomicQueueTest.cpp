// The pointer queue: order, full, null refused with 4, peek, and two threads streaming an ordered sequence.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "aax/AAX_CAtomicQueue.h"

TEST(AAXAtomicQueue, FifoWithPeek)
{
  AAX_CAtomicQueue<int, 4> queue;
  int a = 1, b = 2;
  EXPECT_EQ(queue.Peek(), nullptr);
  EXPECT_EQ(queue.Pop(), nullptr);
  EXPECT_EQ(queue.Push(&a), AAX_IContainer::eStatus_Success);
  EXPECT_EQ(queue.Push(&b), AAX_IContainer::eStatus_Success);
  EXPECT_EQ(queue.Peek(), &a);
  EXPECT_EQ(queue.Peek(), &a);
  EXPECT_EQ(queue.Pop(), &a);
  EXPECT_EQ(queue.Pop(), &b);
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AAXAtomicQueue, NullIsRefusedWithFour)
{
  AAX_CAtomicQueue<int, 4> queue;
  EXPECT_EQ(queue.Push(nullptr), 4);
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AAXAtomicQueue, FullRingRefusesAndKeepsItsContents)
{
  AAX_CAtomicQueue<int, 4> queue;
  int v[6] = {0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(queue.Push(&v[i]), AAX_IContainer::eStatus_Success) << i;
  EXPECT_EQ(queue.Push(&v[4]), AAX_IContainer::eStatus_Overflow);
  EXPECT_EQ(queue.Pop(), &v[0]);
  EXPECT_EQ(queue.Push(&v[5]), AAX_IContainer::eStatus_Success); // the failed push left no gap
  for (int expected : {1, 2, 3, 5})
    EXPECT_EQ(*queue.Pop(), expected);
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AAXAtomicQueue, TwoThreadsStreamAnOrderedSequence)
{
  constexpr int kCount = 200000;
  std::vector<int> values(kCount);
  for (int i = 0; i < kCount; ++i)
    values[static_cast<size_t>(i)] = i;
  AAX_CAtomicQueue<int, 16> queue;
  std::thread producer([&] {
    for (int i = 0; i < kCount;)
      if (queue.Push(&values[static_cast<size_t>(i)]) == AAX_IContainer::eStatus_Success)
        ++i;
      else
        std::this_thread::yield();
  });
  int next = 0;
  while (next < kCount)
  {
    if (int* v = queue.Pop())
    {
      ASSERT_EQ(*v, next);
      ++next;
    }
    else
      std::this_thread::yield();
  }
  producer.join();
  EXPECT_EQ(queue.Pop(), nullptr);
}
