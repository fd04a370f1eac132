#include <gtest/gtest.h>

#include "song/eventcursor.h"
#include "song/eventops.h"
#include "song/mapbuild.h"
#include "song/pack.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/tests/songfixture.h"
#include "song/tests/songgen.h"
#include "song/tonote.h"

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

// BuildEvents converts and scans a stream in one walk and takes the summary
// from that walk. What it leaves must equal scanning the stream, converting it
// into an array of the counted size and rescanning the Events.
struct BuildSide {
    SongFixture f;
    TimeMapBuilder maps;
    BuildSide() { f.song->timeMaps = &maps; }
};

void LoadStream(BuildSide& side, int track, const std::vector<uint8_t>& bytes, uint8_t channelMode)
{
    Track& t = side.f.song->tracks[track];
    t.Reset(true);
    t.channelMode = channelMode;
    t.stream = bytes;
    t.streamSize = int32_t(bytes.size());
}

void BuildByScanThenConvert(Song& s, int track)
{
    Track& t = s.tracks[track];
    t.eventsBuilt = false;
    ScanStream(s, track);
    t.events.assign(size_t(std::max(t.eventCount, 100)), Event{});
    t.heap.Clear();
    t.eventsBuilt = true;
    t.capacity = int32_t(t.events.size());
    t.eventCount = 0;
    if (!t.HasStream())
        return;
    const int32_t n = ToNote(s, track, t.stream, t.events.data(), t.capacity, true);
    t.eventCount = std::max(n, 0);
    TrackChanged(s, track, true);
}

void ExpectSameBuild(const Song& a, const Song& b, int track)
{
    const Track& x = a.tracks[track];
    const Track& y = b.tracks[track];
    EXPECT_EQ(x.eventsBuilt, y.eventsBuilt);
    EXPECT_EQ(x.eventCount, y.eventCount);
    EXPECT_EQ(x.capacity, y.capacity);
    EXPECT_EQ(x.length, y.length);
    EXPECT_EQ(x.contentFlags, y.contentFlags);
    EXPECT_EQ(x.channelMode, y.channelMode);
    EXPECT_EQ(x.channel, y.channel);
    EXPECT_EQ(x.lowestNote, y.lowestNote);
    EXPECT_EQ(x.highestNote, y.highestNote);
    EXPECT_EQ(x.polyphony, y.polyphony);
    EXPECT_EQ(x.program, y.program);
    EXPECT_EQ(x.bank, y.bank);
    EXPECT_EQ(x.port, y.port);
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.instrument, y.instrument);
    EXPECT_EQ(x.transpose, y.transpose);
    EXPECT_EQ(x.velocityAdjust, y.velocityAdjust);
    EXPECT_EQ(x.loops, y.loops);
    EXPECT_EQ(x.delay, y.delay);
    EXPECT_EQ(x.muteFlags, y.muteFlags);
    EXPECT_EQ(x.changed, y.changed);
    EXPECT_EQ(x.heap.LiveCount(), y.heap.LiveCount());
    ASSERT_EQ(x.events.size(), y.events.size());
    for (size_t i = 0; i < x.events.size(); ++i) {
        ASSERT_EQ(x.events[i], y.events[i]) << "event " << i;
        const Event& e = x.events[i];
        if (int32_t(i) < x.eventCount && e.HasPayload() && e.value != 0) {
            ASSERT_EQ(x.heap.PayloadSize(e.value), y.heap.PayloadSize(e.value)) << i;
            const uint8_t* p = x.heap.Payload(e.value);
            const uint8_t* q = y.heap.Payload(e.value);
            EXPECT_TRUE(std::equal(p, p + x.heap.PayloadSize(e.value), q)) << i;
        }
    }
    EXPECT_EQ(a.tempoCount, b.tempoCount);
    EXPECT_EQ(a.timeSigCount, b.timeSigCount);
    EXPECT_EQ(a.keySigCount, b.keySigCount);
    EXPECT_EQ(a.smpteOffset, b.smpteOffset);
    EXPECT_EQ(a.authoringMark, b.authoringMark);
    EXPECT_EQ(a.waveLead, b.waveLead);
    EXPECT_EQ(a.from, b.from);
    EXPECT_EQ(a.to, b.to);
    EXPECT_EQ(a.timeSigMap.entries.size(), b.timeSigMap.entries.size());
    EXPECT_EQ(a.tempoMap.entries.size(), b.tempoMap.entries.size());
}

struct BuildCase {
    const char* name;
    std::vector<uint8_t> bytes;
    uint8_t channelMode;  // before the build
};

std::vector<BuildCase> BuildCases()
{
    // Nine deltas of 0x0FFFFFFF saturate the time at 0x7FFFFFFF; on meta
    // events that are not stored, the note at 0 is the last Event and lasts
    // 0x7FFFFFFF ticks.
    std::vector<uint8_t> stuck = {0x00, 0x90, 60, 100};
    for (int i = 0; i < 9; ++i)
        stuck.insert(stuck.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x60, 0x00});
    stuck.insert(stuck.end(), {0x00, 0x80, 60, 0});
    // Past measure 9999 of 4/4 at timebase 120 (tick 4799519): a note-on at
    // 4799000 and a controller at 4800000.
    const std::vector<uint8_t> pastTheEnd =
        Cat({0x00, 0x90, 60, 100, 0x82, 0xA4, 0xC5, 0x18, 0x80, 60, 0, 0x83, 0x7F, 0xB0, 7, 1}, Eot());
    const uint8_t own20[] = {0x00, 0xFF, 0x7F, 0x0C, 0x00, 0x00, 0x5B, 0x20,
                             0xFE, 0x05, 0x03, 0x00, 0x10, 0,    0,    0};
    const uint8_t own24[] = {0x00, 0xFF, 0x7F, 0x05, 0x00, 0x00, 0x5B, 0x24, 0x01};
    std::vector<uint8_t> records(std::begin(own20), std::end(own20));
    records.insert(records.end(), std::begin(own24), std::end(own24));
    records =
        Cat(records, {0x00, 0xFF, 0x03, 0x02, 'N',  'm',  0x00, 0xFF, 0x04, 0x01, 'I',  0x00, 0xFF, 0x21,
                      0x01, 0x05, 0x00, 0xFF, 0x01, 0x00, 0x05, 0xFF, 0x01, 0x00, 0x00, 0xFF, 0x7F, 0x06,
                      0x00, 0x00, 0x5B, 0x03, 'x',  'y',  0x00, 0xC3, 0x05, 0x00, 0x93, 64,   90});
    records = Cat(records, Eot(7));
    return {
        {"empty", {0x00}, kNoChannel},
        {"note-offs only keep a new track's channel mode", Cat({0x00, 0x80, 60, 0, 0x05, 0x90, 61, 0}, Eot()),
         kNewTrackChannel},
        {"a new track without channel events", Cat({0x05, 0xFF, 0x01, 0x01, 't'}, Eot()), kNewTrackChannel},
        {"note-offs only", Cat({0x00, 0x80, 60, 0, 0x05, 0xB3, 123, 0}, Eot()), kNoChannel},
        {"system exclusive counts as channel 1", Cat({0x00, 0xF0, 0x02, 0x7E, 0xF7}, Eot()),
         kNewTrackChannel},
        {"notes never ended",
         {0x00, 0x90, 60, 100, 0x10, 0x91, 60, 100, 0x10, 0x90, 60, 90, 0x20},
         kNoChannel},
        {"all notes off", Cat({0x00, 0x92, 60, 100, 0x00, 0x92, 62, 100, 0x30, 0xB2, 123, 0}, Eot(4)),
         kNoChannel},
        {"a stuck note", stuck, kNoChannel},
        {"past the end of the song", pastTheEnd, kNoChannel},
        {"names, port, adjustments, mute and texts", records, kNoChannel},
        {"bad status", {0x00, 0xB0, 7, 1, 0x00, 0x90, 0x80, 0x40}, kNoChannel},
        {"truncated payload", {0x00, 0xF0, 0x05, 0xF7, 0x00, 0xFF, 0x01, 0x40, 'a'}, kNoChannel},
        {"tempo, signatures and smpte",
         Cat({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x03, 0x02,
              0x18, 0x08, 0x00, 0xFF, 0x59, 0x02, 0xFE, 0x00, 0x00, 0xFF, 0x54, 0x05, 1,
              2,    3,    4,    5,    0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40},
             Eot()),
         kNoChannel},
    };
}

TEST(BuildEvents, OneWalkLeavesWhatScanningThenConvertingLeaves)
{
    for (const BuildCase& c : BuildCases()) {
        for (int track : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (track ? " (track 1)" : " (track 0)"));
            BuildSide one;
            BuildSide two;
            LoadStream(one, track, c.bytes, c.channelMode);
            LoadStream(two, track, c.bytes, c.channelMode);
            BuildEvents(*one.f.song, track);
            BuildByScanThenConvert(*two.f.song, track);
            ExpectSameBuild(*one.f.song, *two.f.song, track);
            EXPECT_EQ(one.f.messages.numbers(), two.f.messages.numbers());
        }
    }
}

TEST(BuildEvents, OneWalkMatchesOnGeneratedTracks)
{
    // Generated tracks hold every kind (track zero also the maps' events),
    // packed into streams as a saved song would hold them.
    BuildSide source;
    Song& s = *source.f.song;
    s.channelSets = nullptr;
    for (int track = 0; track < 3; ++track) {
        GenerateTrack(s, track, uint32_t(77 + track), 3000);
        ASSERT_EQ(Pack(s, track, true), 0);
    }
    for (int track = 0; track < 3; ++track) {
        SCOPED_TRACE(track);
        BuildSide one;
        BuildSide two;
        LoadStream(one, track, s.tracks[track].stream, kNoChannel);
        LoadStream(two, track, s.tracks[track].stream, kNoChannel);
        BuildEvents(*one.f.song, track);
        BuildByScanThenConvert(*two.f.song, track);
        ExpectSameBuild(*one.f.song, *two.f.song, track);
        EXPECT_EQ(one.f.messages.numbers(), two.f.messages.numbers());
    }
}

// Random streams built from message pieces (with running status, bank
// selects, all-notes-off, names, own records and stray bytes), in songs whose
// channel sets fold bank selects, so that every path of the walk is taken.
std::vector<uint8_t> RandomStream(Rng& rng)
{
    static const std::vector<std::vector<uint8_t>> kPieces = {
        {0x90, 60, 100},
        {0x91, 62, 0},
        {0x80, 60, 0},
        {64, 90},
        {0xB0, 0, 1},
        {0xB0, 32, 2},
        {0xB1, 123, 0},
        {0xB2, 7, 100},
        {0xC0, 5},
        {0xC1, 9},
        {0xD3, 40},
        {0xE0, 0, 64},
        {0xF0, 0x02, 0x7E, 0xF7},
        {0xF7, 0x00},
        {0xFF, 0x03, 0x01, 'n'},
        {0xFF, 0x04, 0x01, 'i'},
        {0xFF, 0x01, 0x00},
        {0xFF, 0x21, 0x01, 0x02},
        {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},
        {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08},
        {0xFF, 0x59, 0x02, 0x09, 0x01},
        {0xFF, 0x7F, 0x05, 0x00, 0x00, 0x5B, 0x02, 'x'},
        {0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x10, 0x03, 0x00},
        {0xFF, 0x60, 0x00},
        {0xFF, 0x2F, 0x00},
        {0x40},
        {0xF3}};
    std::vector<uint8_t> out;
    const int messages = rng.Below(40);
    for (int i = 0; i < messages; ++i) {
        const int delta = rng.Below(5);
        if (delta == 4)
            out.insert(out.end(), {0x8F, 0xFF, 0x7F});
        else
            out.push_back(uint8_t(delta * 7));
        const auto& piece = kPieces[size_t(rng.Below(int(kPieces.size())))];
        out.insert(out.end(), piece.begin(), piece.end());
    }
    if (rng.Below(3) == 0 && !out.empty())
        out.resize(size_t(rng.Below(int(out.size()))));  // cut anywhere
    return out;
}

TEST(BuildEvents, OneWalkMatchesOnRandomStreams)
{
    Rng rng(2024);
    for (int round = 0; round < 3000; ++round) {
        const std::vector<uint8_t> bytes = RandomStream(rng);
        const int track = rng.Below(2);
        const uint8_t mode = rng.Below(2) ? kNewTrackChannel : kNoChannel;
        const SetHeader set{uint8_t(rng.Below(3)), 0x0102};
        SCOPED_TRACE(round);
        BuildSide one;
        BuildSide two;
        for (BuildSide* side : {&one, &two}) {
            // Ports 0 and 2 (a piece sets port 2), channels 1 to 4.
            for (int port : {0, 2})
                for (int channel = 0; channel < 4; ++channel)
                    side->f.sets.AssignSet(port, channel, &set);
            LoadStream(*side, track, bytes, mode);
        }
        BuildEvents(*one.f.song, track);
        BuildByScanThenConvert(*two.f.song, track);
        ExpectSameBuild(*one.f.song, *two.f.song, track);
        ASSERT_EQ(one.f.messages.numbers(), two.f.messages.numbers());
        if (HasFailure())
            return;
    }
}

}  // namespace
}  // namespace kv::test
