#include <gtest/gtest.h>

#include "song/eventcursor.h"
#include "song/eventops.h"
#include "song/pack.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/tests/songfixture.h"

namespace kv::test {
namespace {

// Checks what every hostile stream must leave behind: sorted Events within
// capacity, and every payload handle live and owned by one Event.
void ExpectConsistent(const Track& t)
{
    ASSERT_LE(t.eventCount, t.capacity);
    int32_t payloads = 0;
    for (int32_t i = 0; i < t.eventCount; ++i) {
        const Event& e = t.events[size_t(i)];
        if (i > 0) {
            EXPECT_LE(t.events[size_t(i) - 1].time, e.time) << i;
        }
        if (e.HasPayload() && e.value != 0) {
            EXPECT_TRUE(t.heap.IsLive(e.value)) << i;
            ++payloads;
        }
    }
    EXPECT_EQ(payloads, t.heap.LiveCount());
}

struct HostileCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t events;  // Events kept: those before the damage
    int message;     // 0 for none
};

TEST(ToNote, HostileStreamsKeepWhatCameBeforeTheDamage)
{
    const HostileCase cases[] = {
        {"truncated delta time", {0x00, 0x90, 60, 100, 0x81}, 1, 0},
        {"delta of six bytes", {0x00, 0xB0, 7, 1, 0x81, 0x81, 0x81, 0x81, 0x81, 0x01, 0xB0, 7, 2}, 1, 0},
        {"length past the end", {0x00, 0xF0, 0x05, 0xF7, 0x00, 0xFF, 0x01, 0x40, 'a'}, 1, 0},
        {"meta length past the end", {0x00, 0xFF, 0x06, 0x83, 0xFF, 0xFF, 0x7F, 'a'}, 0, 0},
        {"missing end of track", {0x00, 0xB0, 7, 1, 0x10, 0xB0, 7, 2}, 2, 0},
        {"data byte where a status is needed", {0x00, 0x40, 0x40}, 0, 237},
        {"data byte after system common", {0x00, 0xF3, 0x01}, 0, 237},
        {"status inside data", {0x00, 0xB0, 7, 1, 0x00, 0x90, 0x80, 0x40}, 1, 237},
        {"channel message cut short", {0x00, 0xE0, 0x00}, 0, 0},
        {"empty stream", {0x00}, 0, 0},
        {"meta type missing", {0x00, 0xFF}, 0, 0},
        {"tempo of zero", {0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}, 1, 0},
        {"short tempo and time signature",
         {0x00, 0xFF, 0x51, 0x01, 0x07, 0x00, 0xFF, 0x58, 0x01, 0x04},
         0,
         0},
        {"huge denominator", {0x00, 0xFF, 0x58, 0x04, 0x04, 0xFF, 0x00, 0x08}, 1, 0},
        {"zero numerator", {0x00, 0xFF, 0x58, 0x04, 0x00, 0x02, 0x00, 0x08}, 1, 0},
        {"own record shorter than its prefix", {0x00, 0xFF, 0x7F, 0x02, 0x00, 0x00}, 0, 0},
        {"wave record without number", {0x00, 0xFF, 0x7F, 0x04, 0x00, 0x00, 0x5B, 0x10}, 0, 0},
        {"deltas beyond 31 bits",
         {0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0xB0, 1, 1},
         0,
         241},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        f.Load(1, c.bytes);
        const Track& t = f.T(1);
        EXPECT_EQ(t.eventCount, c.events);
        ExpectConsistent(t);
        if (c.message != 0)
            EXPECT_TRUE(f.messages.Has(c.message));
        else
            EXPECT_TRUE(f.messages.shown().empty());
        // Whatever was kept packs into a stream that reads back the same.
        ASSERT_EQ(Pack(*f.song, 1, false), 0);
        std::vector<uint8_t> packed = t.stream;
        ASSERT_EQ(f.Load(1, packed), 0);
        EXPECT_EQ(f.T(1).eventCount, c.events);
    }
}

TEST(ToNote, BadStatusMessageShowsTheByte)
{
    SongFixture f;
    f.Load(1, {0x00, 0x90, 60, 100, 0x00, 0xF4});
    ASSERT_EQ(f.messages.shown().size(), 1u);
    EXPECT_EQ(f.messages.shown()[0].number, 237);
    EXPECT_EQ(f.messages.shown()[0].text, "Bad data in the MIDI File!  Invalid running status byte: F4");
    EXPECT_EQ(f.T(1).eventCount, 1);
}

TEST(ToNote, KeySignatureOutOfRangeIsClampedToSevenAccidentals)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xFF, 0x59, 0x02, 0x0C, 0x05}, Eot())), 0);
    ASSERT_EQ(f.T(1).eventCount, 1);
    EXPECT_EQ(f.E(1, 0).data1, 14);  // 12 sharps become 7: 7 + 7
    EXPECT_EQ(f.E(1, 0).data2, 1);
}

TEST(ToNote, TempoFasterThanTheEventHoldsStopsAt65535)
{
    struct Case {
        uint8_t us[3];
        int32_t value;
    };
    const Case cases[] = {
        {{0x01, 0x4E, 0x92}, 65535},  // 85650 us: 700.52 bpm, not 70052 & 0xFFFF = 4516
        {{0x01, 0x65, 0xA2}, 65535},  // 91554 us: 655.35 exactly
        {{0x01, 0x65, 0xA4}, 65533},  // 91556 us: 6e9 / 91556 = 65533.6, truncated
    };
    for (const Case& c : cases) {
        SongFixture f;
        ASSERT_EQ(f.Load(1, Cat({0x00, 0xFF, 0x51, 0x03, c.us[0], c.us[1], c.us[2]}, Eot())), 0);
        ASSERT_EQ(f.T(1).eventCount, 1);
        EXPECT_EQ(f.E(1, 0).value, c.value);
    }
}

TEST(RescanEvents, EventsPastMeasure9999AreCutWithMessage241)
{
    SongFixture f;
    Song& s = *f.song;
    // Default map: 4/4 from measure 1 at timebase 120: 9999 measures of 480
    // ticks, so the last tick is 9999 x 480 - 1 = 4799519.
    ASSERT_EQ(LastTickOfSong(s), 4799519);
    // With 3/4 from measure 1 and 2/4 from measure 5001 (tick 5000 x 360):
    // 1800000 + 4999 x 240 - 1 = 2999759.
    s.timeSigMap.entries = {{0, 1, 3, 2, 3}, {1800000, 5001, 2, 2, 2}};
    EXPECT_EQ(LastTickOfSong(s), 2999759);
    s.timeSigMap.entries.clear();
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    ASSERT_GE(InsertEvent(s, 1, Ev(4799519, 0xB0, 7, 1), -1, false), 0);
    ASSERT_GE(InsertEvent(s, 1, Ev(4799520, 0xF0, 0xF0, 0, SubHeapAlloc(s, 1, 2)), -1, false), 0);
    ASSERT_GE(InsertEvent(s, 1, Ev(4799521, 0xB0, 7, 2), -1, false), 0);
    TrackChanged(s, 1, true);
    EXPECT_EQ(f.T(1).eventCount, 1);
    EXPECT_TRUE(f.messages.Has(241));
    ExpectConsistent(f.T(1));  // the cut sysex block is freed
}

TEST(RescanEvents, SummarisesTheEventsAndReportsStuckNotes)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    Event pgm = Ev(0, 0xC2, 5);
    pgm.SetBank(3);
    ASSERT_GE(InsertEvent(s, 1, pgm, -1, false), 0);
    ASSERT_GE(InsertEvent(s, 1, Ev(10, 0x92, 40, 100, 50), -1, false), 0);
    ASSERT_GE(InsertEvent(s, 1, Ev(20, 0x92, 70, 100, 0x7FFFFFFF - 20), -1, false), 0);
    TrackChanged(s, 1, true);
    const Track& t = f.T(1);
    EXPECT_EQ(t.channelMode, kOneChannel);
    EXPECT_EQ(t.channel, 2);
    EXPECT_EQ(t.program, 5);
    EXPECT_EQ(t.bank, 3);
    EXPECT_EQ(t.lowestNote, 40);
    EXPECT_EQ(t.highestNote, 70);
    EXPECT_EQ(t.length, 0x7FFFFFFF);
    EXPECT_FALSE(f.messages.Has(242));
    ASSERT_GE(InsertEvent(s, 1, Ev(30, 0x93, 70, 100, 0x7FFFFFFF), -1, false), 0);
    TrackChanged(s, 1, true);
    EXPECT_TRUE(f.messages.Has(242));
    EXPECT_EQ(t.channelMode, kSeveralChannels);
    EXPECT_EQ(t.program, -2);
}

TEST(InsertEvent, EqualTimesGoAfterExistingOnesUnlessTheHintPointsAtOne)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    ASSERT_EQ(InsertEvent(s, 1, Ev(10, 0xB0, 1), -1, false), 0);
    ASSERT_EQ(InsertEvent(s, 1, Ev(10, 0xB0, 2), -1, false), 1);
    ASSERT_EQ(InsertEvent(s, 1, Ev(5, 0xB0, 3), -1, false), 0);
    ASSERT_EQ(InsertEvent(s, 1, Ev(10, 0xB0, 4), 1, false), 1);  // hint on the first 10
    ASSERT_EQ(InsertEvent(s, 1, Ev(10, 0xB0, 5), 0, false), 4);  // hint on a 5: ignored
    const uint8_t order[] = {3, 4, 1, 2, 5};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.E(1, i).data1, order[i]) << i;
}

TEST(InsertEvent, FullTrackAnswersMinusOneUntilReserved)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    ASSERT_EQ(f.T(1).capacity, 100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(InsertEvent(s, 1, Ev(i, 0xB0, 1), -1, false), i);
    EXPECT_EQ(InsertEvent(s, 1, Ev(0, 0xB0, 1), -1, false), -1);
    EXPECT_EQ(f.T(1).eventCount, 100);
    ASSERT_EQ(Reserve(s, 1, 150), 0);
    EXPECT_EQ(f.T(1).capacity, 150);
    EXPECT_EQ(InsertEvent(s, 1, Ev(0, 0xB0, 1), -1, false), 1);
    ASSERT_EQ(Reserve(s, 1, -10), 0);  // exactly 10, but never below the count
    EXPECT_EQ(f.T(1).capacity, 101);
}

TEST(InsertEvent, WritingTheNextTrackGrowsTheSongUpTo256Tracks)
{
    SongFixture f;
    Song& s = *f.song;
    s.trackCount = 2;
    ASSERT_NE(LockNotes(s, 2, false), nullptr);
    ASSERT_EQ(InsertEvent(s, 2, Ev(0, 0xB0, 1), -1, true), 0);
    EXPECT_EQ(s.trackCount, 3);
    EXPECT_TRUE(f.notifier.Has(kNotifySongReplaced));
    EXPECT_GT(f.notifier.modified, 0);

    s.trackCount = 255;
    ASSERT_NE(LockNotes(s, 255, false), nullptr);
    ASSERT_EQ(InsertEvent(s, 255, Ev(0, 0xB0, 1), -1, true), 0);
    EXPECT_EQ(s.trackCount, 256);
    ASSERT_EQ(InsertEvent(s, 255, Ev(1, 0xB0, 1), -1, true), 1);
    TrackChanged(s, 255, true);
    EXPECT_EQ(s.trackCount, 256);
}

TEST(EventOps, DeleteFreesThePayloadAndResortKeepsOrder)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    const int32_t h = SubHeapAlloc(s, 1, 3);
    ASSERT_NE(h, 0);
    InsertEvent(s, 1, Ev(0, 0xB0, 1), -1, false);
    InsertEvent(s, 1, Ev(5, 0xF0, 0xF0, 0, h), -1, false);
    InsertEvent(s, 1, Ev(10, 0xB0, 2), -1, false);
    InsertEvent(s, 1, Ev(20, 0xB0, 3), -1, false);
    DeleteEvent(s, 1, 1, true);
    EXPECT_FALSE(f.T(1).heap.IsLive(h));
    EXPECT_EQ(f.T(1).eventCount, 3);
    EXPECT_TRUE(f.notifier.Has(kNotifyEventDeleted));
    // Move the first to 15: it lands between 10 and 20.
    s.tracks[1].events[0].time = 15;
    EXPECT_EQ(ResortAfterMove(s, 1, 0, true), 1);
    EXPECT_EQ(f.E(1, 0).data1, 2);
    EXPECT_EQ(f.E(1, 1).data1, 1);
    EXPECT_TRUE(f.notifier.Has(kNotifyShowEvent));
    // Shift from index 2 (time 20) back to 12: 12 sorts before 15.
    ShiftFrom(s, 1, 2, 12, false);
    EXPECT_EQ(f.E(1, 1).time, 12);
    EXPECT_EQ(f.E(1, 2).time, 15);
    ShiftFrom(s, 1, 0, -100, false);  // never below 0
    EXPECT_EQ(f.E(1, 0).time, 0);
}

TEST(EventCursor, WalksInsertsAndDeletesAndMarksTheTrackOnClose)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xB0, 7, 1, 0x10, 0xB0, 7, 2}, Eot())), 0);
    s.tracks[1].changed = 0;
    EventCursor c(s);
    ASSERT_TRUE(c.Open(1, true));
    int seen = 0;
    for (c.Seek(0); c.Valid(); c.Next())
        ++seen;
    EXPECT_EQ(seen, 2);
    c.Seek(1);
    EXPECT_EQ(c.Time(), 16);
    ASSERT_TRUE(c.InsertSorted(Ev(16, 0xB0, 7, 3)));
    EXPECT_EQ(c.Index(), 1);  // at the cursor: same time
    c.Seek(99);
    EXPECT_EQ(c.Index(), 0);
    c.Delete();
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Data2(), 3);
    c.Close();
    EXPECT_EQ(f.T(1).changed, 1);
}

TEST(Selection, RoutinesKeepCountAndBoundsAndNotify)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    for (int i = 0; i < 10; ++i)
        InsertEvent(s, 1, Ev(i * 10, uint8_t(i % 2 ? 0x91 : 0xB0), uint8_t(i), 64, 5), -1, false);
    const Track& t = f.T(1);
    SetRange(s, 1, 7, 2, true);
    EXPECT_EQ(t.selectedCount, 6);
    EXPECT_EQ(t.firstSelected, 2);
    EXPECT_EQ(t.lastSelected, 7);
    SetOne(s, 1, 2, false);
    EXPECT_EQ(t.firstSelected, 3);
    ToggleOne(s, 1, 9);
    EXPECT_EQ(t.lastSelected, 9);
    SelectOne(s, 1, 4);
    EXPECT_EQ(t.selectedCount, 1);
    EXPECT_EQ(t.firstSelected, 4);
    EXPECT_TRUE(f.notifier.Has(kNotifySelectionChanged));
    ClearAll(s, 1);
    EXPECT_EQ(t.selectedCount, 0);

    SelectFilter notesOnChannel1;
    notesOnChannel1.kind = 0x90;
    notesOnChannel1.lowChannel = notesOnChannel1.highChannel = 1;
    notesOnChannel1.fromTime = 20;
    notesOnChannel1.pattern = [](int32_t time) { return time != 50; };
    // Notes at 10, 30, 50, 70, 90; from 20 and not 50: 30, 70, 90.
    EXPECT_EQ(SelectMatching(s, 1, notesOnChannel1), 3);
    EXPECT_EQ(t.selectedCount, 3);
    EXPECT_EQ(t.firstSelected, 3);
    EXPECT_EQ(t.lastSelected, 9);
}

TEST(Song, CurrentTrackLengthAndInsertTracks)
{
    SongFixture f;
    Song& s = *f.song;
    s.trackCount = 3;
    s.tracks[1].length = 100;
    s.tracks[1].loops = 2;
    s.tracks[2].length = 150;
    s.tracks[2].delay = 60;
    EXPECT_EQ(SongLength(s), 210);  // max(0 + 2 x 100, 60 + 150)

    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    InsertEvent(s, 1, Ev(0, 0xB0, 1), -1, false);
    SetOne(s, 1, 0, true);
    s.currentTrack = 1;
    SetCurrentTrack(s, 500);
    EXPECT_EQ(s.currentTrack, 3);  // clamped to trackCount
    EXPECT_EQ(f.T(1).selectedCount, 0);
    EXPECT_TRUE(f.notifier.Has(kNotifyCurrentTrack));

    s.tracks[2].name = "two";
    ASSERT_TRUE(InsertTracks(s, 1, 2));
    EXPECT_EQ(s.trackCount, 5);
    EXPECT_EQ(s.tracks[4].name, "two");
    EXPECT_EQ(s.tracks[3].eventCount, 1);
    EXPECT_EQ(s.tracks[1].changed, 1);
    EXPECT_TRUE(s.tracks[1].IsEmpty());
    s.trackCount = 254;
    EXPECT_FALSE(InsertTracks(s, 0, 2));  // would reach 256
    EXPECT_TRUE(InsertTracks(s, 254, 1));
}

TEST(Track, ResetClearsToDefaultsButKeepsReserved)
{
    Track t;
    t.reserved1 = 9;
    t.loops = 7;
    t.name = "x";
    t.stream = {1, 2};
    t.streamSize = 2;
    t.program = 4;
    t.Reset(true);
    EXPECT_EQ(t.reserved1, 9);
    EXPECT_EQ(t.loops, 1);
    EXPECT_EQ(t.portSetting, 3);
    EXPECT_EQ(t.fileNumber, -1);
    EXPECT_EQ(t.program, -1);
    EXPECT_TRUE(t.name.empty());
    EXPECT_TRUE(t.IsEmpty());
}

TEST(Pack, AssignsFileNumbersFromTrackZero)
{
    SongFixture f;
    Song& s = *f.song;
    s.trackCount = 3;
    for (int i : {0, 2, 1})
        Pack(s, i, false);
    EXPECT_EQ(f.T(0).fileNumber, 0);
    EXPECT_EQ(f.T(2).fileNumber, 1);
    EXPECT_EQ(f.T(1).fileNumber, 2);
    Pack(s, 0, false);
    Pack(s, 1, true);
    EXPECT_EQ(f.T(1).fileNumber, 1);
}

TEST(Pack, UnencodableStatusFailsWithMessage301AndLeavesNoStream)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    InsertEvent(s, 1, Ev(0, 0x60), -1, false);
    EXPECT_EQ(Pack(s, 1, false), 1);
    EXPECT_TRUE(f.messages.Has(301));
    EXPECT_FALSE(f.T(1).HasStream());
    EXPECT_EQ(f.T(1).eventCount, 1);
    EXPECT_EQ(f.T(1).changed, 1);
}

TEST(Pack, EventsOutOfOrderAreWrittenAtTheLastTimeWithMessage300)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    InsertEvent(s, 1, Ev(10, 0xB0, 1, 1), -1, false);
    InsertEvent(s, 1, Ev(20, 0xB0, 1, 2), -1, false);
    s.tracks[1].events[1].time = 5;
    ASSERT_EQ(Pack(s, 1, false), 0);
    ASSERT_TRUE(f.messages.Has(300));
    EXPECT_EQ(f.messages.shown()[0].text, "Event time 5 < output time 10");
    EXPECT_EQ(f.T(1).stream, Cat({0x00, 0xFF, 0x21, 0x01, 0x00, 0x0A, 0xB0, 1, 1, 0x00, 1, 2}, Eot()));
}

TEST(Pack, SectionAndSelectionCountFromTheirStart)
{
    SongFixture f;
    Song& s = *f.song;
    s.tracks[1].name = "not copied";
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    InsertEvent(s, 1, Ev(10, 0x90, 60, 100, 5), -1, false);
    InsertEvent(s, 1, Ev(100, 0xB0, 7, 1), -1, false);
    InsertEvent(s, 1, Ev(200, 0xB0, 7, 2), -1, false);
    std::vector<uint8_t> out;
    ASSERT_EQ(PackTo(s, 1, PackMode::Section, 100, 200, out), 0);
    EXPECT_EQ(out, Cat({0x00, 0xFF, 0x21, 0x01, 0x00, 0x00, 0xB0, 7, 1, 0x64, 7, 2}, Eot()));
    SetOne(s, 1, 0, true);
    SetOne(s, 1, 2, true);
    ASSERT_EQ(PackTo(s, 1, PackMode::Selection, 0, 0, out), 0);
    // Note at 0 (10 - 10), its off at 5, controller at 190.
    EXPECT_EQ(
        out,
        Cat({0x00, 0xFF, 0x21, 0x01, 0x00, 0x00, 0x90, 60, 100, 0x05, 60, 0, 0x81, 0x39, 0xB0, 7, 2}, Eot()));
}

}  // namespace
}  // namespace kv::test
