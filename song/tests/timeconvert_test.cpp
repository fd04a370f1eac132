#include "song/timeconvert.h"

#include <gtest/gtest.h>

#include <random>

#include "song/timetext.h"

namespace kv {
namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

TEST(MulDivRound, RoundsHalfUpAndSaturates)
{
    struct Case {
        uint32_t a, b, c, expected;
    };
    const Case cases[] = {
        {1, 1, 2, 1},                     // (1 + 1) / 2
        {1, 1, 3, 0},                     // (1 + 1) / 3
        {480, 500000, 120000, 2000},      // (240000000 + 60000) / 120000 = 2000.5, truncated after adding c/2
        {60000000, 100, 12000, 500000},   // 6e9 / 12000
        {60000000, 100, 65535, 91554},    // (6e9 + 32767) / 65535 = 91554.1
        {60000000, 100, 1, kAllOnes},     // 6e9 does not fit in 32 bits
        {0x10000, 0x10000, 1, kAllOnes},  // 2^32
        {0x10000, 0x10000, 2, 0x80000000u},
        {kAllOnes, kAllOnes, kAllOnes, kAllOnes},  // exactly 2^32 - 1, with c/2 added below one more
        {5, 7, 0, kAllOnes},                       // no divisor: never divides
        {0, 12345, 7, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " x " << c.b << " / " << c.c);
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected);
    }
}

TEST(TempoValue, ConvertsBothWaysWithinSixteenBits)
{
    EXPECT_EQ(TempoUsFromValue(12000), 500000u);  // 120.00
    EXPECT_EQ(TempoUsFromValue(65535), 91554u);   // 655.35, the fastest
    EXPECT_EQ(TempoUsFromValue(1), kAllOnes);     // 0.01: 6e9 us does not fit
    EXPECT_EQ(TempoUsFromValue(0), kAllOnes);
    EXPECT_EQ(TempoValueFromUs(500000), 12000);
    EXPECT_EQ(TempoValueFromUs(16777215), 357);  // 6e9 / 16777215 = 357.6, truncated
    EXPECT_EQ(TempoValueFromUs(91554), 65535);   // 6e9 / 91554 = 65535.1
    // 6e9 / 91552 = 65536.2: past 16 bits. Kept at the fastest tempo rather
    // than wrapped round to 0.00.
    EXPECT_EQ(TempoValueFromUs(91552), 65535);
    EXPECT_EQ(TempoValueFromUs(0), 65535);
}

TempoMap TwoTempos()
{
    // 120.00 from tick 0, 60.00 from tick 480 (2000 ms at 120.00, timebase 120).
    TempoMap map;
    map.entries = {{0, 500000, 0}, {480, 1000000, 2000}};
    return map;
}

TEST(TickToMs, FollowsTheTempoMap)
{
    const TempoMap empty;
    const TempoMap two = TwoTempos();
    struct Case {
        const TempoMap* map;
        int32_t tick;
        uint32_t ms;
    };
    const Case cases[] = {
        {&empty, 0, 0},      {&empty, -5, 0},    // count-in ticks are 0 ms
        {&empty, 480, 2000},                     // MulDivRound(480, 500000, 120000)
        {&empty, 1, 4},                          // (500000 + 60000) / 120000 = 4.67, truncated after rounding
        {&two, 479, 1996},                       // (479 x 500000 + 60000) / 120000 = 1996.3
        {&two, 480, 2000},   {&two, 600, 3000},  // 2000 + (120 x 1000000 + 60000) / 120000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        EXPECT_EQ(TickToMs(*c.map, 120, c.tick), c.ms);
    }
}

TEST(TickToMs, SaturatesInsteadOfWrapping)
{
    // The slowest tempo at timebase 1: far more milliseconds than 32 bits hold.
    TempoMap slow;
    slow.entries = {{0, kAllOnes, 0}};
    EXPECT_EQ(TickToMs(slow, 1, 0x7FFFFFFF), kAllOnes);
    TempoMap late;
    late.entries = {{0, 500000, 0}, {10, 500000, kAllOnes - 1}};
    EXPECT_EQ(TickToMs(late, 120, 1000), kAllOnes);
}

TEST(MsToTick, InvertsTickToMs)
{
    const TempoMap empty;
    const TempoMap two = TwoTempos();
    EXPECT_EQ(MsToTick(empty, 120, 2000), 480);  // (2000 x 120000 + 250000) / 500000 = 480.5
    EXPECT_EQ(MsToTick(two, 120, 1999), 480);    // (1999 x 120000 + 250000) / 500000 = 480.26
    EXPECT_EQ(MsToTick(two, 120, 3000), 600);    // 480 + (1000 x 120000 + 500000) / 1000000
    // Far past the end at the fastest tempo: clamped to the last tick.
    TempoMap fast;
    fast.entries = {{0, 1, 0}};
    EXPECT_EQ(MsToTick(fast, 960, kAllOnes), 0x7FFFFFFF);
}

TEST(TempoProperties, RandomMapsAreMonotonicAndInvertible)
{
    std::mt19937 rng(4);
    for (int round = 0; round < 40; ++round) {
        const int32_t timebase = 48 + 24 * static_cast<int32_t>(rng() % 39);
        TempoMap map;
        map.entries.push_back({0, TempoUsFromValue(1000 + rng() % 40000), 0});
        int32_t tick = 0;
        for (int i = 0; i < 200; ++i) {
            tick += 1 + static_cast<int32_t>(rng() % 2000);
            const TempoEntry& prev = map.entries.back();
            const uint32_t ms = prev.ms + MulDivRound(uint32_t(tick - prev.tick), prev.usPerQuarter,
                                                      uint32_t(timebase) * 1000);
            map.entries.push_back({tick, TempoUsFromValue(1000 + rng() % 40000), ms});
        }
        uint32_t lastMs = 0;
        for (int32_t t = 0; t < tick + 5000; t += 1 + static_cast<int32_t>(rng() % 50)) {
            const uint32_t ms = TickToMs(map, timebase, t);
            ASSERT_GE(ms, lastMs) << "tick " << t;
            lastMs = ms;
            // A millisecond spans up to timebase x 1000 / usPerQuarter ticks;
            // each way rounds by half a unit of its own, so the round trip is
            // within one tick when ticks are no shorter than a millisecond.
            const TempoEntry& e = map.entries[FindTempo(map, t)];
            const double ticksPerMs = double(timebase) * 1000 / e.usPerQuarter;
            const int32_t slack = ticksPerMs <= 1 ? 1 : static_cast<int32_t>(ticksPerMs) + 1;
            EXPECT_LE(std::abs(MsToTick(map, timebase, ms) - t), slack) << "tick " << t;
        }
    }
}

TEST(SmpteToMs, ConvertsEveryFrameRate)
{
    struct Case {
        uint32_t rate, h, m, s, f;
        uint32_t ms;
    };
    const Case cases[] = {
        {kSmpte30, 0, 0, 3, 0, 3000},         // the default offset
        {kSmpte24, 1, 2, 3, 12, 3723500},     // 3600000 + 120000 + 3000 + 12 x 1000 / 24
        {kSmpte24, 0, 0, 0, 1, 41},           // 1000 / 24 = 41.7, truncated
        {kSmpte25, 0, 0, 1, 24, 1960},        // 1000 + 24 x 40
        {kSmpte30, 0, 0, 0, 29, 966},         // 29000 / 30 = 966.7, truncated
        {kSmpte30Drop, 0, 10, 0, 0, 600000},  // ten minutes are exactly 17982 frames
        {kSmpte30Drop, 0, 1, 0, 2, 60060},    // frame 1800: (1800 x 600000 + 8991) / 17982 = 60060.05
        {kSmpte30Drop, 0, 0, 1, 0, 1001},     // (30 x 600000 + 8991) / 17982 = 1001.5 -> 1001
        {kSmpte30Drop, 1, 0, 0, 0, 3600000},  // (1 x 6 + 0) x 600000
        {kSmpte30Drop, 0, 19, 59, 29,
         1199967},  // 600000 + (17981 x 600000 + 8991) / 17982 = 600000 + 599967.1
    };
    for (const Case& c : cases) {
        const uint32_t s = PackSmpte(c.rate, c.h, c.m, c.s, c.f);
        SCOPED_TRACE(FormatSmpte(s) + " rate " + std::to_string(c.rate));
        EXPECT_EQ(SmpteToMs(s), c.ms);
    }
    EXPECT_EQ(SmpteToMs(0x60000300u), 3000u);
}

TEST(MsToSmpte, CountsFromTheOffsetAtItsRate)
{
    struct Case {
        uint32_t offset;
        uint32_t ms;
        uint32_t expected;  // rate bits never set
    };
    const Case cases[] = {
        {0x60000300u, 0, 0x00000300u},     // 00:00:03.00
        {0x60000300u, 1500, 0x0000040Fu},  // 4500 ms: 4 s, (500 x 30 + 500) / 1000 = 15 frames
        // 3990 ms: 3 s, 990 ms rounds to frame 30, which does not exist: the
        // last frame of the second is shown.
        {0x60000300u, 990, 0x0000031Du},
        {PackSmpte(kSmpte24, 0, 0, 0, 0), 3723500, 0x0102030Cu},  // 1:02:03 and 500 ms = 12 frames
        {PackSmpte(kSmpte25, 0, 0, 0, 0), 1960, 0x00000118u},     // 1 s and 960 ms = 24 frames
        {PackSmpte(kSmpte30Drop, 0, 0, 0, 0), 600000, 0x000A0000u},
        {PackSmpte(kSmpte30Drop, 0, 0, 0, 0), 60060, 0x00010002u},  // frame 2 converts back to 60060
        // 60059 ms: 59 ms rounds to frame 2, which converts back to 60060 >
        // 60059, so frame 1.
        {PackSmpte(kSmpte30Drop, 0, 0, 0, 0), 60059, 0x00010001u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(MsToSmpte(c.offset, c.ms), c.expected) << FormatSmpte(MsToSmpte(c.offset, c.ms));
    }
}

TEST(MsToSmpte, NeverShowsAFrameNumberAtTheRate)
{
    for (uint32_t rate = 0; rate < 4; ++rate) {
        const uint32_t fps = rate == kSmpte24 ? 24 : rate == kSmpte25 ? 25 : 30;
        for (uint32_t ms = 0; ms < 5000; ++ms)
            ASSERT_LT(SmpteFrames(MsToSmpte(PackSmpte(rate, 0, 0, 0, 0), ms)), fps) << rate << " " << ms;
    }
}

TEST(ClockTexts, FormatClockAndSmpte)
{
    EXPECT_EQ(FormatClock(0), "0:00:00.000");
    EXPECT_EQ(FormatClock(2000), "0:00:02.000");
    EXPECT_EQ(FormatClock(3723500), "1:02:03.500");
    // 4294967295 = 1193 x 3600000 + 2 x 60000 + 47 x 1000 + 295
    EXPECT_EQ(FormatClock(kAllOnes), "1193:02:47.295");
    EXPECT_EQ(FormatSmpte(0x0102030Cu), "01:02:03.12");
    EXPECT_EQ(FormatSmpte(0x60000300u), "00:00:03.00");  // rate bits are not shown
    EXPECT_EQ(FormatSmpte(kAllOnes), "31:63:63.31");     // every field at its width
}

}  // namespace
}  // namespace kv
