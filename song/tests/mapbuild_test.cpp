#include "song/mapbuild.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/fakemessages.h"
#include "song/eventops.h"
#include "song/scan.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/timeconvert.h"
#include "song/timetext.h"
#include "song/trackstore.h"

namespace kv {
namespace {

Event TimeSig(int32_t time, uint8_t numerator, uint8_t denomPower, int32_t clicks)
{
    Event e;
    e.time = time;
    e.status = uint8_t(EventKind::TimeSig);
    e.data1 = numerator;
    e.data2 = denomPower;
    e.value = clicks;
    return e;
}

Event KeySig(int32_t time, uint8_t key, bool minor)
{
    Event e;
    e.time = time;
    e.status = uint8_t(EventKind::KeySig);
    e.data1 = key;
    e.data2 = minor ? 1 : 0;
    return e;
}

Event Tempo(int32_t time, int32_t bpm100)
{
    Event e;
    e.time = time;
    e.status = uint8_t(EventKind::Tempo);
    e.SetTempo(bpm100);
    return e;
}

// Records which maps each rebuild really changed.
class RecordingBuilder : public TimeMapBuilder {
public:
    void MapsChanged(Song&, unsigned changes) override { calls.push_back(changes); }
    std::vector<unsigned> calls;
};

class MapBuildTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSong(song);
        song.messages = &messages;
    }
    // Track zero's Events as given, then the maps rebuilt from them.
    unsigned BuildFromEvents(std::vector<Event> events)
    {
        Track& zero = song.tracks[0];
        zero.events = events;
        zero.capacity = int32_t(events.size());
        zero.eventCount = int32_t(events.size());
        zero.eventsBuilt = true;
        return UpdateTimeSigMap(song);
    }
    Song song;
    FakeMessages messages;
};

TEST_F(MapBuildTest, MisplacedSignatureMovesToTheNextMeasure)
{
    // 3/4 at tick 500 in 4/4 at timebase 120: measure 2 runs 480..959, so the
    // signature moves to 960, the start of measure 3.
    EXPECT_EQ(BuildFromEvents({TimeSig(0, 4, 2, 4), TimeSig(500, 3, 2, 3)}), kTimeSigMapChanged);
    const std::vector<TimeSigEntry> expected = {{0, 1, 4, 2, 4}, {960, 3, 3, 2, 3}};
    EXPECT_EQ(song.timeSigMap.entries, expected);
    EXPECT_EQ(messages.numbers(), std::vector<int>{236});
    // The same Events again change nothing and say nothing.
    messages.Clear();
    EXPECT_EQ(UpdateTimeSigMap(song), 0u);
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(MapBuildTest, InvalidSignaturesBecomeFourFour)
{
    // 7/128: denominator power 7 is past a 64th.
    BuildFromEvents({TimeSig(0, 4, 2, 4), TimeSig(960, 7, 7, 7), TimeSig(1920, 0, 3, 0)});
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].number, 243);
    EXPECT_EQ(messages.shown()[0].text, "Invalid time signature: 7/128 changed to 4/4.");
    EXPECT_EQ(messages.shown()[1].text, "Invalid time signature: 0/8 changed to 4/4.");
    for (const TimeSigEntry& e : song.timeSigMap.entries) {
        EXPECT_EQ(e.numerator, 4);
        EXPECT_EQ(e.denomPower, 2);
        EXPECT_EQ(e.clicks, 4);
    }
}

TEST_F(MapBuildTest, InvalidFirstSignatureIsRepaired)
{
    // A 1/256 first signature at timebase 120 would have a beat of 480 >> 8 = 1
    // tick; with numerator 0 no measure exists at all.
    BuildFromEvents({TimeSig(0, 1, 8, 1)});
    EXPECT_EQ(messages.numbers(), std::vector<int>{243});
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 1, 4, 2, 4}}));
    messages.Clear();
    BuildFromEvents({TimeSig(0, 0, 2, 0), TimeSig(0, 0, 2, 0)});  // the second replaces the first
    EXPECT_EQ(messages.numbers(), std::vector<int>{243});
    EXPECT_EQ(messages.shown()[0].text, "Invalid time signature: 0/4 changed to 4/4.");
}

TEST_F(MapBuildTest, SignaturesMergeAndNormaliseClicks)
{
    BuildFromEvents({
        TimeSig(0, 4, 2, 4), TimeSig(0, 6, 3, 4),  // same tick: replaces; 4 clicks don't divide 6
        TimeSig(720, 6, 3, 6),                     // the same signature again: dropped
        TimeSig(1440, 2, 2, 0),                    // 0 clicks become the numerator
    });
    // 6/8: beats of 60 ticks, measures of 360; 1440 is measure 1 + 4.
    const std::vector<TimeSigEntry> expected = {{0, 1, 6, 3, 6}, {1440, 5, 2, 2, 2}};
    EXPECT_EQ(song.timeSigMap.entries, expected);
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(MapBuildTest, TimeFormatZeroIgnoresSignatures)
{
    song.timeFormat = 0;
    BuildFromEvents({TimeSig(0, 3, 2, 3), TimeSig(960, 5, 3, 5)});
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 0, 1, 2, 1}}));
    EXPECT_EQ(song.firstMeasure, 0);
    EXPECT_EQ(song.firstBeat, 0);
    EXPECT_EQ(FormatTime(TimeParamsOf(song), 250, true), "2:010");  // beats:ticks only
}

TEST_F(MapBuildTest, KeySignaturesStartMeasures)
{
    EXPECT_EQ(BuildFromEvents({KeySig(0, 7, false), KeySig(500, 8, false), KeySig(600, 9, false),
                               KeySig(960, 9, false), KeySig(1440, 4, true)}),
              kKeySigMapChanged);
    // 500 and 600 lie inside measure 2 and move to 960, where the last of
    // them (D major) stays; the D major at 960 repeats it.
    const std::vector<KeySigEntry> expected = {{0, 7, false}, {960, 9, false}, {1440, 4, true}};
    EXPECT_EQ(song.keySigMap.entries, expected);
    EXPECT_EQ(NoteName(TimeParamsOf(song), 61, 1500), "Db 5");  // C minor spells flats
}

TEST_F(MapBuildTest, TempoMapCarriesClockTimes)
{
    EXPECT_EQ(BuildFromEvents({Tempo(240, 6000), Tempo(480, 6000), Tempo(720, 24000)}), kTempoMapChanged);
    // 120.00 is put first; 240 ticks of it are (240 x 500000 + 60000) /
    // 120000 = 1000 ms; the repeated 60.00 goes; 480 ticks of 60.00 are 4000 ms.
    const std::vector<TempoEntry> expected = {{0, 500000, 0}, {240, 1000000, 1000}, {720, 250000, 5000}};
    EXPECT_EQ(song.tempoMap.entries, expected);
    EXPECT_EQ(TickToMs(song.tempoMap, song.timebase, 840), 5250u);  // + 120 x 250000 / 120000
    // The fastest tempo the Event holds: 655.35, (6e9 + 32767) / 65535.
    BuildFromEvents({Tempo(0, 65535)});
    EXPECT_EQ(song.tempoMap.entries, (std::vector<TempoEntry>{{0, 91554, 0}}));
}

TEST_F(MapBuildTest, OnlyRealChangesAreReported)
{
    RecordingBuilder builder;
    song.timeMaps = &builder;
    Track& zero = song.tracks[0];
    zero.events = {TimeSig(0, 4, 2, 4), Tempo(0, 12000)};
    zero.capacity = zero.eventCount = 2;
    zero.eventsBuilt = true;
    builder.UpdateTimeSigMap(song);  // the same as the reset maps
    EXPECT_TRUE(builder.calls.empty());
    zero.events[1].SetTempo(9000);
    builder.UpdateTimeSigMap(song);
    zero.events.push_back(KeySig(0, 8, false));
    zero.capacity = zero.eventCount = 3;
    builder.UpdateTimeSigMap(song);
    EXPECT_EQ(builder.calls, (std::vector<unsigned>{kTempoMapChanged, kKeySigMapChanged}));
}

TEST_F(MapBuildTest, RandomSignaturesAlwaysLandOnMeasureStarts)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 30; ++round) {
        song.timebase = 48 + 24 * int32_t(rng() % 39);
        song.timeFormat = 1 + int32_t(rng() % 4);
        std::vector<Event> events;
        int32_t t = 0;
        for (int i = 0; i < 50; ++i) {
            t += int32_t(rng() % 5000);
            events.push_back(TimeSig(t, uint8_t(rng() % 16), uint8_t(rng() % 9), int32_t(rng() % 8)));
        }
        messages.Clear();
        BuildFromEvents(events);
        const auto& entries = song.timeSigMap.entries;
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries[0].tick, 0);
        EXPECT_EQ(entries[0].measure, song.firstMeasure);
        for (size_t i = 0; i < entries.size(); ++i) {
            const TimeSigEntry& e = entries[i];
            EXPECT_GE(e.numerator, 1);
            EXPECT_LE(e.denomPower, 6);
            EXPECT_EQ(e.numerator % e.clicks, 0);
            if (i == 0)
                continue;
            const TimeSigEntry& prev = entries[i - 1];
            const int32_t measureTicks = MeasureTicks(prev, song.timebase);
            ASSERT_GT(e.tick, prev.tick);
            EXPECT_EQ((e.tick - prev.tick) % measureTicks, 0);
            EXPECT_EQ(e.measure, prev.measure + (e.tick - prev.tick) / measureTicks);
        }
    }
}

TEST_F(MapBuildTest, StreamAndEventsGiveTheSameMaps)
{
    // Track zero as a file holds it: 120.00, 4/4 (24 clocks a click: 4
    // clicks), then at tick 480 3/4 and G major, at 720 90.00.
    Track& zero = song.tracks[0];
    zero.stream = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,              // 500000 us
                   0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,        //
                   0x83, 0x60, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // delta 480
                   0x00, 0xFF, 0x59, 0x02, 0x01, 0x00,                    //
                   0x81, 0x70, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A,        // delta 240, 666666 us
                   0x00, 0xFF, 0x2F, 0x00};
    zero.streamSize = int32_t(zero.stream.size());
    song.trackCount = 1;
    RecordingBuilder builder;
    song.timeMaps = &builder;
    ScanStream(song, 0);
    EXPECT_EQ(song.timeSigCount, 2);
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 1, 4, 2, 4}, {480, 2, 3, 2, 3}}));
    EXPECT_EQ(song.keySigMap.entries, (std::vector<KeySigEntry>{{0, 7, false}, {480, 8, false}}));
    // 666666 us is 6e9 / 666666 = 9000.009 -> 90.00 -> 666667 us.
    // 720 ticks at 120.00: (720 x 500000 + 60000) / 120000 = 3000 ms.
    EXPECT_EQ(song.tempoMap.entries, (std::vector<TempoEntry>{{0, 500000, 0}, {720, 666667, 3000}}));
    EXPECT_EQ(builder.calls,
              (std::vector<unsigned>{kTimeSigMapChanged | kKeySigMapChanged | kTempoMapChanged}));
    EXPECT_TRUE(messages.numbers().empty());

    ASSERT_EQ(BuildEvents(song, 0), 0);
    EXPECT_EQ(builder.calls.size(), 1u);  // the Events hold the same maps
    EXPECT_EQ(UpdateTimeSigMap(song), 0u);
}

TEST_F(MapBuildTest, DescribesMapsAndTicksForTools)
{
    BuildFromEvents({TimeSig(0, 6, 3, 2), KeySig(0, 4, true), Tempo(0, 12000), Tempo(480, 9000)});
    const std::vector<std::string> expected = {
        "TimeSig tick 0 measure 1 6/8 clicks 2", "KeySig tick 0 C Minor",
        "Tempo tick 0 us 500000 bpm 120.00 ms 0",
        "",  // checked below
    };
    const std::vector<std::string> lines = DescribeMaps(song);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i], expected[i]);
    // 90.00 is held as (6e9 + 4500) / 9000 = 666667 us, which reads back
    // truncated as 6e9 / 666667 = 8999.9 -> 89.99.
    EXPECT_EQ(lines[3], "Tempo tick 480 us 666667 bpm 89.99 ms 2000");
    // 600 ticks: 2000 ms + (120 x 666667 + 60000) / 120000 = 2667 ms; SMPTE
    // from the default offset of 3 s at 30 fps: 5.667 s is 5 s and frame 20.
    const TickTexts texts = DescribeTick(TimeParamsOf(song), 600);
    EXPECT_EQ(texts.measureTime, "2.5:000");  // 6/8: measures of 360 ticks, beats of 60; 240 = 4 beats
    EXPECT_EQ(texts.beatsTicks, "10:000");
    EXPECT_EQ(texts.clock, "0:00:02.667");
    EXPECT_EQ(texts.smpte, "00:00:05.20");
}

TEST_F(MapBuildTest, StreamCountMismatchIsReported)
{
    Track& zero = song.tracks[0];
    zero.stream = {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
    zero.streamSize = int32_t(zero.stream.size());
    song.timeSigCount = 2;  // as if the scan had counted another
    TrackTimeSigMap(song);
    EXPECT_EQ(messages.numbers(), std::vector<int>{238});
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 1, 3, 2, 3}}));  // used as built
}

TEST_F(MapBuildTest, TrackZeroIsCutAtMeasure9999)
{
    RecordingBuilder builder;
    song.timeMaps = &builder;
    ASSERT_TRUE(CreateTrackZero(song));
    // 4/4 at timebase 120, measures from 1: measure 9999 ends at tick
    // 9999 x 480 - 1 = 4799519.
    ASSERT_EQ(Reserve(song, 0, 8), 0);
    ASSERT_GE(InsertEvent(song, 0, Tempo(4799519, 6000), -1, false), 0);
    ASSERT_GE(InsertEvent(song, 0, TimeSig(4799520, 3, 2, 3), -1, false), 0);
    messages.Clear();
    TrackChanged(song, 0, true);
    EXPECT_EQ(messages.numbers(), std::vector<int>{241});
    EXPECT_EQ(song.tracks[0].eventCount, 3);
    // The signature past the end is gone; the tempo on the last tick stays.
    EXPECT_EQ(song.timeSigMap.entries.size(), 1u);
    ASSERT_EQ(song.tempoMap.entries.size(), 2u);
    EXPECT_EQ(song.tempoMap.entries[1].tick, 4799519);
}

TEST_F(MapBuildTest, ResetAndTrackZeroGiveTheDefaultSong)
{
    ResetSong(song, {0, 3});
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 0, 1, 2, 1}}));
    EXPECT_EQ(song.waveLead, 360);
    EXPECT_EQ(song.to, 0x7FFFFFFF);
    EXPECT_EQ(song.smpteOffset, 0x60000300u);
    ResetSong(song);
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 1, 4, 2, 4}}));
    EXPECT_EQ(song.keySigMap.entries, (std::vector<KeySigEntry>{{0, 7, false}}));
    EXPECT_EQ(song.tempoMap.entries, (std::vector<TempoEntry>{{0, 500000, 0}}));
    EXPECT_EQ(FormatTime(TimeParamsOf(song), 0, true), "1.1:000");

    ASSERT_TRUE(CreateTrackZero(song));
    EXPECT_EQ(song.trackCount, 1);
    EXPECT_EQ(song.currentTrack, 1);
    const Track& zero = song.tracks[0];
    EXPECT_EQ(zero.name, "Conductor Track");
    ASSERT_EQ(zero.eventCount, 2);
    EXPECT_EQ(zero.events[0].Kind(), EventKind::Tempo);
    EXPECT_EQ(zero.events[0].value, 12000);
    EXPECT_EQ(zero.events[1], TimeSig(0, 4, 2, 4));
    EXPECT_EQ(song.timeSigMap.entries, (std::vector<TimeSigEntry>{{0, 1, 4, 2, 4}}));
    EXPECT_FALSE(CreateTrackZero(song));  // only into an empty song
    // A reset after the tracks were made leaves them all empty again.
    ResetSong(song);
    EXPECT_EQ(song.trackCount, 0);
    EXPECT_TRUE(song.tracks[0].IsEmpty());
}

}  // namespace
}  // namespace kv
