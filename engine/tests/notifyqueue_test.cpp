#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/midilib.h"
#include "engine/notifyqueue.h"

namespace kv::engine {
namespace {

Notification Note(int32_t w)
{
    return {ML_EVENT_PLAYED, w, 0};
}
Notification Work(int32_t kind, intptr_t p)
{
    return {ML_ENGINE_WORK, kind, p};
}

TEST(EngineNotifyQueueTest, HoldsAtMost127AndKeepsOrder)
{
    NotifyQueue q;
    for (int i = 0; i < 127; ++i)
        ASSERT_TRUE(q.Append(Note(i)));
    // One slot always stays empty: the 128th is dropped.
    EXPECT_FALSE(q.Append(Note(127)));
    EXPECT_EQ(q.Count(), 127u);
    Notification n;
    for (int i = 0; i < 127; ++i) {
        ASSERT_TRUE(q.Take(&n));
        EXPECT_EQ(n.wParam, i);
    }
    EXPECT_FALSE(q.Take(&n));
    EXPECT_TRUE(q.Empty());
}

TEST(EngineNotifyQueueTest, WrapsAroundManyTimes)
{
    NotifyQueue q;
    Notification n;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(q.Append(Note(i)));
        ASSERT_TRUE(q.Take(&n));
        EXPECT_EQ(n.wParam, i);
    }
}

TEST(EngineNotifyQueueTest, WorkOnAFullRingTakesAConsumedSlotFirst)
{
    NotifyQueue q;
    ASSERT_TRUE(q.Append(Note(0)));
    ASSERT_TRUE(q.Append(Work(1, 100)));
    for (int i = 2; i < 127; ++i)
        ASSERT_TRUE(q.Append(Note(i)));
    // Performing the work consumes its slot in place, in the middle of the ring.
    Notification work[4];
    ASSERT_EQ(q.TakeWork(work, 4), 1);
    EXPECT_EQ(work[0].lParam, 100);
    bool overwrote = true;
    EXPECT_TRUE(q.Append(Work(2, 200), &overwrote));
    EXPECT_FALSE(overwrote);
    // No notification was lost: 0, then the new work where the old was, then 2..126.
    Notification n;
    ASSERT_TRUE(q.Take(&n));
    EXPECT_EQ(n.wParam, 0);
    ASSERT_TRUE(q.Take(&n));
    EXPECT_EQ(n.message, ML_ENGINE_WORK);
    EXPECT_EQ(n.lParam, 200);
    ASSERT_TRUE(q.Take(&n));
    EXPECT_EQ(n.wParam, 2);
}

TEST(EngineNotifyQueueTest, WorkOnAFullRingReplacesTheOldestNotification)
{
    NotifyQueue q;
    ASSERT_TRUE(q.Append(Work(0, 1)));
    for (int i = 1; i < 127; ++i)
        ASSERT_TRUE(q.Append(Note(i)));
    bool overwrote = false;
    EXPECT_TRUE(q.Append(Work(0, 2), &overwrote));
    EXPECT_TRUE(overwrote);
    // Other notifications are still dropped.
    EXPECT_FALSE(q.Append(Note(999)));
    // The first work stays, note 1 (the oldest non-work) became the new work.
    Notification work[4];
    ASSERT_EQ(q.TakeWork(work, 4), 2);
    EXPECT_EQ(work[0].lParam, 1);
    EXPECT_EQ(work[1].lParam, 2);
    Notification n;
    ASSERT_TRUE(q.Take(&n));
    EXPECT_EQ(n.wParam, 2);
}

TEST(EngineNotifyQueueTest, WorkIsLostOnlyWhenEverySlotHoldsWork)
{
    NotifyQueue q;
    for (int i = 0; i < 127; ++i)
        ASSERT_TRUE(q.Append(Work(0, i)));
    EXPECT_FALSE(q.Append(Work(0, 127)));
}

TEST(EngineNotifyQueueTest, ManyWritersOneReaderLoseNothingWhileThereIsRoom)
{
    NotifyQueue q;
    constexpr int kWriters = 3;
    constexpr int kEach = 20000;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                Notification n{ML_EVENT_PLAYED, w, i};
                while (!q.Append(n))
                    std::this_thread::yield();
            }
        });
    std::vector<int> next(kWriters, 0);
    int taken = 0;
    Notification n;
    while (taken < kWriters * kEach) {
        if (!q.Take(&n)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_GE(n.wParam, 0);
        ASSERT_LT(n.wParam, kWriters);
        // Each writer's entries arrive in its own order.
        ASSERT_EQ(n.lParam, next[n.wParam]);
        ++next[n.wParam];
        ++taken;
    }
    for (auto& t : writers)
        t.join();
    EXPECT_TRUE(q.Empty());
}

}  // namespace
}  // namespace kv::engine
