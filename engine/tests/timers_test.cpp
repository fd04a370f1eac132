#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/tests/enginefixture.h"

namespace kv::engine::testing {
namespace {

class EngineSimulatedTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        engine.UseClock(&clock);
    }
    SimClock clock;
};

using EngineWindowTimerTest = EngineSimulatedTest;

TEST_F(EngineWindowTimerTest, FiresOnceWithItsValueAfterItsPeriod)
{
    ASSERT_EQ(MidiLibSetWindowTimer(window->Id(), 50, 1234), 1);
    clock.Advance(49999);
    EXPECT_EQ(window->CountPosted(ML_WINDOW_TIMER), 0u);
    clock.Advance(1);
    auto posted = window->TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, ML_WINDOW_TIMER);
    EXPECT_EQ(posted[0].wParam, 0);
    EXPECT_EQ(posted[0].lParam, 1234);
    EXPECT_FALSE(posted[0].sync);
    clock.Advance(1000000);
    EXPECT_TRUE(window->TakePosted().empty());
}

TEST_F(EngineWindowTimerTest, ZeroMillisecondsFiresAfterOne)
{
    ASSERT_EQ(MidiLibSetWindowTimer(window->Id(), 0, 5), 1);
    clock.Advance(999);
    EXPECT_EQ(window->CountPosted(ML_WINDOW_TIMER), 0u);
    clock.Advance(1);
    EXPECT_EQ(window->CountPosted(ML_WINDOW_TIMER), 1u);
}

TEST_F(EngineWindowTimerTest, SeventeenthTimerFailsWith16AndAFiredSlotIsFreeAgain)
{
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(MidiLibSetWindowTimer(window->Id(), 10 + i, i), 1);
    EXPECT_EQ(MidiLibSetWindowTimer(window->Id(), 10, 99), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrTooManyTimers);
    clock.Advance(10000);  // the first (10 ms) fires and frees its slot
    EXPECT_EQ(MidiLibSetWindowTimer(window->Id(), 10, 99), 1);
    clock.Advance(100000);
    auto posted = window->TakePosted();
    ASSERT_EQ(posted.size(), 17u);
    // Deadline order: value 0 at 10 ms first; value 15 at 25 ms last, after
    // the seventeenth timer, due at 10 + 10 = 20 ms.
    EXPECT_EQ(posted[0].lParam, 0);
    EXPECT_EQ(posted[16].lParam, 15);
}

TEST_F(EngineWindowTimerTest, MessageNumberFollowsOption58AndNeedsARealWindow)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    ASSERT_EQ(MidiLibSetOption(kOptTimerMessage, 0xC123), 1);
    ASSERT_EQ(MidiLibSetWindowTimer(window->Id(), 1, 7), 1);
    clock.Advance(1000);
    auto posted = window->TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, 0xC123u);
    EXPECT_EQ(MidiLibSetWindowTimer(0, 1, 7), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    EXPECT_EQ(MidiLibSetWindowTimer(4242, 1, 7), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
}

TEST(EngineRealTimerTest, WindowTimerFiresOnTheTimerThread)
{
    Engine& engine = Engine::Get();
    engine.ResetForTests();
    FakeWindow window(3);
    ASSERT_EQ(MidiLibSetWindowTimer(3, 5, 77), 1);
    // Generous: only that it fires, not when.
    for (int i = 0; i < 500 && window.CountPosted(ML_WINDOW_TIMER) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    auto posted = window.TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].lParam, 77);
    engine.ResetForTests();
}

using EngineQueueTest = EngineSimulatedTest;

TEST_F(EngineQueueTest, FullQueueDropsWith17WhileWorkStillFindsRoom)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    int performed = 0;
    static int* counter;
    counter = &performed;
    engine.SetWorkHandler(6, [](intptr_t p) { *counter += static_cast<int>(p); });
    for (int i = 0; i < 127; ++i)
        engine.Notify(ML_EVENT_PLAYED, i, 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), 0);
    engine.Notify(ML_EVENT_PLAYED, 127, 0);  // the 128th
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrTooMuchData);
    engine.Notify(ML_ENGINE_WORK, 6, 5);
    // Work replaced the oldest notification; it runs before anything is taken.
    auto all = TakeAll();
    EXPECT_EQ(performed, 5);
    ASSERT_EQ(all.size(), 126u);
    EXPECT_EQ(all.front().wParam, 1);
    EXPECT_EQ(all.back().wParam, 126);
}

TEST_F(EngineQueueTest, CoalescedClockArrivesOnceWithTheLatestPositionAfterTheQueue)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    ASSERT_EQ(MidiLibSetFlag(kFlagCoalesceClock, 1), 1);
    engine.Notify(ML_TEMPO, 1000, 120);
    for (int i = 1; i <= 10; ++i)
        engine.Notify(ML_CLOCK, 0, i * 120);
    engine.Notify(ML_TEMPO, 1000, 60);
    auto all = TakeAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].message, ML_TEMPO);
    EXPECT_EQ(all[1].message, ML_TEMPO);
    EXPECT_EQ(all[2].message, ML_CLOCK);
    EXPECT_EQ(all[2].lParam, 1200);
}

TEST_F(EngineQueueTest, ClockIsQueuedWhenNotCoalescing)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    for (int i = 1; i <= 3; ++i)
        engine.Notify(ML_CLOCK, 0, i);
    EXPECT_EQ(TakeAll().size(), 3u);
}

TEST_F(EngineQueueTest, WaitingWindowMessagesHoldBackClockAndSoloButNotRawData)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    ASSERT_EQ(MidiLibSetFlag(kFlagCoalesceClock, 1), 1);
    engine.Run().soloIndex.store(42);
    engine.Notify(ML_CLOCK, 0, 480);
    engine.Notify(ML_SOLO_EVENT, 0, 0);
    engine.Notify(ML_SOLO_EVENT, 0, 0);
    engine.Notify(ML_RAW_DATA, 0, 0);
    window->otherMessagesWaiting = true;
    MidiLibMessage m;
    ASSERT_EQ(MidiLibGetMessage(&m), 1);
    EXPECT_EQ(m.message, ML_RAW_DATA);
    EXPECT_EQ(MidiLibGetMessage(&m), 0);
    window->otherMessagesWaiting = false;
    ASSERT_EQ(MidiLibGetMessage(&m), 1);
    EXPECT_EQ(m.message, ML_SOLO_EVENT);
    EXPECT_EQ(m.wParam, 42);
    ASSERT_EQ(MidiLibGetMessage(&m), 1);
    EXPECT_EQ(m.message, ML_CLOCK);
    EXPECT_EQ(m.lParam, 480);
    EXPECT_EQ(MidiLibGetMessage(&m), 0);
}

TEST_F(EngineQueueTest, OneWakeUpUntilTheQueueIsFoundEmptyAndARewakeAfter100Ms)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    engine.Notify(ML_TEMPO, 1000, 120);
    engine.Notify(ML_TEMPO, 1000, 121);
    EXPECT_EQ(window->CountPosted(ML_QUEUE_READY), 1u);
    EXPECT_TRUE(engine.WakeOutstanding());
    clock.Advance(99999);
    engine.Rewake();
    EXPECT_EQ(window->CountPosted(ML_QUEUE_READY), 1u);
    clock.Advance(1);
    engine.Rewake();
    EXPECT_EQ(window->CountPosted(ML_QUEUE_READY), 2u);
    TakeAll();
    EXPECT_FALSE(engine.WakeOutstanding());
    engine.Notify(ML_TEMPO, 1000, 122);
    EXPECT_EQ(window->CountPosted(ML_QUEUE_READY), 3u);
}

TEST_F(EngineQueueTest, RefusedWakeUpIsTriedAgainByTheNextNotification)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    window->refuse = true;
    engine.Notify(ML_TEMPO, 1000, 120);
    EXPECT_FALSE(engine.WakeOutstanding());
    window->refuse = false;
    engine.Notify(ML_TEMPO, 1000, 121);
    EXPECT_EQ(window->CountPosted(ML_QUEUE_READY), 1u);
}

TEST_F(EngineQueueTest, DirectModePostsToTheWindowAndReportsFailures)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    ASSERT_EQ(MidiLibSetOption(kOptQueueOff, 0), 1);
    engine.Notify(ML_TEMPO, 1000, 120);
    auto posted = window->TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, ML_TEMPO);
    window->refuse = true;
    engine.Notify(ML_TEMPO, 1000, 120);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrPostFailed);
    MidiLibMessage m;
    EXPECT_EQ(MidiLibGetMessage(&m), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
    window->refuse = false;
    ASSERT_EQ(MidiLibConnect(0), 1);
    ASSERT_EQ(MidiLibSetOption(kOptQueueOff, 0), 1);
    MidiLibGetError(nullptr, 0);
    engine.Notify(ML_TEMPO, 1000, 120);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrNoWindow);
}

TEST_F(EngineQueueTest, GetMessageRefusesANullRecord)
{
    ConfigureAndConnect(("D0," + loopOut).c_str());
    EXPECT_EQ(MidiLibGetMessage(nullptr), 0);
    EXPECT_EQ(MidiLibGetError(nullptr, 0), kErrInvalidRequest);
}

}  // namespace
}  // namespace kv::engine::testing
