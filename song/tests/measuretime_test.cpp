#include "song/measuretime.h"

#include <gtest/gtest.h>

#include <random>

#include "song/timetext.h"

namespace kv {
namespace {

// A time-signature map as the builder leaves it: each entry on a measure
// start, its measure number counted on from the one before.
struct Sig {
    int32_t measuresBefore;  // whole measures of the previous signature before this one
    uint8_t numerator, denomPower;
};

class SigMapFixture {
public:
    SigMapFixture(std::initializer_list<Sig> sigs, int32_t timeFormat = 3, int32_t timebase = 120)
    {
        p.timebase = timebase;
        p.timeFormat = timeFormat;
        p.firstMeasure = FirstMeasureFor(timeFormat);
        p.firstBeat = FirstBeatFor(timeFormat);
        p.timeSigs = &map;
        for (const Sig& s : sigs) {
            TimeSigEntry e{0, p.firstMeasure, s.numerator, s.denomPower, s.numerator};
            if (!map.entries.empty()) {
                const TimeSigEntry& prev = map.entries.back();
                e.tick = prev.tick + s.measuresBefore * MeasureTicks(prev, timebase);
                e.measure = prev.measure + s.measuresBefore;
            }
            map.entries.push_back(e);
        }
    }
    TimeSigMap map;
    TimeParams p;
};

std::string Text(const MeasureTime& m)
{
    return std::to_string(m.measure) + "." + std::to_string(m.beat) + ":" + std::to_string(m.tick);
}

TEST(TickToMeasureTime, SplitsTicksInEachTimeFormat)
{
    struct Case {
        int32_t timeFormat, tick;
        const char* expected;
        bool overflow;
    };
    // 4/4 at timebase 120: 120 ticks a beat, 480 a measure; the last
    // measure 9999 ends at (9999 - firstMeasure + 1) x 480.
    const Case cases[] = {
        {3, 0, "1.1:0", false},
        {1, 0, "0.0:0", false},
        {4, 0, "0.1:0", false},
        {2, 0, "1.0:0", false},
        {3, 479, "1.4:119", false},  // 3 beats and 119 ticks
        {3, 480, "2.1:0", false},
        {1, 480, "1.0:0", false},
        {3, 4799519, "9999.4:119", false},  // 9999 x 480 - 1
        {3, 4799520, "9999.4:119", true},   // the first tick of measure 10000
        {1, 4799520, "9999.0:0", false},    // measures from 0: 10000 of them fit
        {1, 4800000, "9999.3:119", true},
        {3, 0x7FFFFFFF, "9999.4:119", true},
        {3, -1, "0.4:119", false},  // count-in: one measure back, 479 ticks into it
        {3, -480, "0.1:0", false},
        {3, -481, "-1.4:119", false},  // two measures back, 959 - 480 = 479 ticks in
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.timeFormat << " tick " << c.tick);
        SigMapFixture f({{0, 4, 2}}, c.timeFormat);
        MeasureTime m;
        EXPECT_EQ(TickToMeasureTime(f.p, c.tick, m), c.overflow);
        EXPECT_EQ(Text(m), c.expected);
        EXPECT_EQ(m.beatTicks, 120);
        EXPECT_EQ(m.measureTicks, 480);
    }
}

TEST(TickToMeasureTime, FollowsSignatureChanges)
{
    // 4/4 for two measures (960 ticks), then 3/4 (360 ticks a measure) for
    // one, then 6/8 (60 ticks a beat, 360 a measure) from tick 1320.
    SigMapFixture f({{0, 4, 2}, {2, 3, 2}, {1, 6, 3}});
    struct Case {
        int32_t tick;
        const char* expected;
        int32_t beatTicks;
    };
    const Case cases[] = {
        {959, "2.4:119", 120}, {960, "3.1:0", 120}, {1319, "3.3:119", 120},
        {1320, "4.1:0", 60},   {1380, "4.2:0", 60}, {1680, "5.1:0", 60},  // 1320 + 360
        {1000, "3.1:40", 120},                                            // backwards after a later lookup
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        MeasureTime m;
        EXPECT_FALSE(TickToMeasureTime(f.p, c.tick, m));
        EXPECT_EQ(Text(m), c.expected);
        EXPECT_EQ(m.beatTicks, c.beatTicks);
        EXPECT_EQ(m.absTick, c.tick);
        EXPECT_EQ(MeasureTimeToTick(f.p, m), c.tick);
    }
}

TEST(TickToMeasureTime, LimitBeyondThirtyTwoBitsNeverOverflows)
{
    // 255/1 at timebase 960: 3840 x 255 = 979200 ticks a measure, so measure
    // 9999 ends far past the last 32-bit tick.
    SigMapFixture f({{0, 255, 0}}, 3, 960);
    MeasureTime m;
    EXPECT_FALSE(TickToMeasureTime(f.p, 0x7FFFFFFE, m));
    EXPECT_EQ(m.measure, 1 + 0x7FFFFFFE / 979200);
    // The open end still reads as measure 9999.
    EXPECT_TRUE(TickToMeasureTime(f.p, 0x7FFFFFFF, m));
    EXPECT_EQ(m.measure, 9999);
    EXPECT_EQ(m.absTick, 0x7FFFFFFF);
}

TEST(MeasureTimeToTick, CarriesBeatsAndTicksIntoLaterMeasures)
{
    SigMapFixture f({{0, 4, 2}, {2, 3, 2}});
    struct Case {
        int32_t measure, beat, tick, expected;
    };
    const Case cases[] = {
        {1, 1, 0, 0},      {2, 3, 5, 725},   // 480 + 2 x 120 + 5
        {1, 9, 0, 960},                      // beat 9 of a 4/4 measure is the start of measure 3
        {3, 1, 0, 960},    {4, 2, 0, 1440},  // 960 + 360 + 120
        {2, 1, 600, 1080},                   // ticks carry too
        {0, 1, 0, -480},                     // count-in measure
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.measure << "." << c.beat << ":" << c.tick);
        MeasureTime m{c.measure, c.beat, c.tick, 0, 0, 0};
        EXPECT_EQ(MeasureTimeToTick(f.p, m), c.expected);
    }
}

TEST(Normalize, StepsAndClampsMeasureTimes)
{
    SigMapFixture f({{0, 4, 2}});
    MeasureTime m;
    TickToMeasureTime(f.p, 0, m);
    EXPECT_FALSE(AddBeats(f.p, m, 5));  // 1.6 -> 2.2
    EXPECT_EQ(Text(m), "2.2:0");
    EXPECT_FALSE(AddTicks(f.p, m, -121));  // 600 - 121 = 479
    EXPECT_EQ(Text(m), "1.4:119");
    EXPECT_FALSE(AddMeasures(f.p, m, -3));  // never before tick 0
    EXPECT_EQ(Text(m), "1.1:0");
    EXPECT_TRUE(AddMeasures(f.p, m, 20000));
    EXPECT_EQ(Text(m), "9999.4:119");
    EXPECT_FALSE(SetMeasure(f.p, m, -5, 2, 7));  // measure clamped to firstMeasure
    EXPECT_EQ(Text(m), "1.2:7");
    EXPECT_TRUE(SetMeasure(f.p, m, 10000, 1, 0));  // clamped to 9999 and reported
    EXPECT_EQ(Text(m), "9999.1:0");
    EXPECT_FALSE(SetMeasure(f.p, m, 9999, 1, 0));
    EXPECT_TRUE(AddMeasures(f.p, m, 0x7FFFFFFF));  // no arithmetic overflow on the way
    EXPECT_EQ(m.measure, 9999);
}

TEST(MeasureTimeProperties, RandomMapsRoundTrip)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        const int32_t timeFormat = static_cast<int32_t>(rng() % 4) + 1;
        const int32_t timebase = 48 + 24 * static_cast<int32_t>(rng() % 39);
        SigMapFixture f({{0, uint8_t(1 + rng() % 12), uint8_t(rng() % 5)}}, timeFormat, timebase);
        for (int i = 0; i < 60; ++i) {
            const TimeSigEntry& prev = f.map.entries.back();
            const int32_t measures = 1 + static_cast<int32_t>(rng() % 50);
            f.map.entries.push_back({prev.tick + measures * MeasureTicks(prev, timebase),
                                     prev.measure + measures, uint8_t(1 + rng() % 12), uint8_t(rng() % 5),
                                     1});
        }
        const int64_t limit = MeasureLimit(f.p);
        // Every measure start round-trips exactly and reads as beat firstBeat, tick 0.
        for (size_t i = 0; i < f.map.entries.size(); ++i) {
            const TimeSigEntry& e = f.map.entries[i];
            const int64_t next = i + 1 < f.map.entries.size() ? f.map.entries[i + 1].tick : limit;
            for (int32_t k = 0; k < 3; ++k) {
                const int64_t start = e.tick + int64_t(k) * MeasureTicks(e, timebase);
                if (start >= std::min(next, limit))
                    break;
                MeasureTime m;
                ASSERT_FALSE(TickToMeasureTime(f.p, int32_t(start), m));
                EXPECT_EQ(m.beat, f.p.firstBeat);
                EXPECT_EQ(m.tick, 0);
                EXPECT_EQ(m.measure, e.measure + k);
                EXPECT_EQ(MeasureTimeToTick(f.p, m), start);
            }
        }
        // Any tick before the limit round-trips; none after it does.
        for (int i = 0; i < 500; ++i) {
            const int32_t tick = static_cast<int32_t>(rng() % uint32_t(f.map.entries.back().tick + 100000));
            MeasureTime m;
            const bool over = TickToMeasureTime(f.p, tick, m);
            ASSERT_EQ(over, tick >= limit);
            EXPECT_EQ(MeasureTimeToTick(f.p, m), over ? limit - 1 : tick);
        }
    }
}

}  // namespace
}  // namespace kv
