#include <gtest/gtest.h>

#include "song/eventops.h"
#include "song/pack.h"
#include "song/scan.h"
#include "song/tests/songfixture.h"
#include "song/tonote.h"

namespace kv::test {
namespace {

TEST(ToNote, ZeroLengthNoteIsSavedAsOneTickAndReadsBackAsOne)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    ASSERT_EQ(InsertEvent(s, 1, Ev(10, 0x90, 60, 100, 0), -1, false), 0);
    ASSERT_EQ(Pack(s, 1, false), 0);
    EXPECT_EQ(f.E(1, 0).value, 1);  // the Event is corrected too
    ASSERT_EQ(f.Load(1, s.tracks[1].stream), 0);
    ASSERT_EQ(f.T(1).eventCount, 1);
    EXPECT_EQ(f.E(1, 0).value, 1);
}

TEST(ToNote, UnterminatedNoteLastsUntilTheNextNoteOnOfItsKeyOrTheEnd)
{
    SongFixture f;
    // 0: on 60, 10: on 60 (the first has no off), 30: on 62, end of track at 100.
    ASSERT_EQ(f.Load(1, {0x00, 0x90, 60, 100, 10, 60, 100, 20, 62, 100, 70, 0xFF, 0x2F, 0x00}), 0);
    ASSERT_EQ(f.T(1).eventCount, 3);
    EXPECT_EQ(f.E(1, 0).value, 10);        // up to the next on of key 60
    EXPECT_EQ(f.E(1, 1).value, 100 - 10);  // no later on: until the end
    EXPECT_EQ(f.E(1, 2).value, 100 - 30);
    EXPECT_EQ(f.T(1).length, 100);
}

TEST(ToNote, FirstNoteOffEndsTheEarlierOfOverlappingNotes)
{
    SongFixture f;
    // on@0, on@10, off@20, off@50, all key 60 channel 0.
    ASSERT_EQ(f.Load(1, Cat({0x00, 0x90, 60, 100, 10, 60, 90, 10, 0x80, 60, 0, 30, 60, 0}, Eot())), 0);
    ASSERT_EQ(f.T(1).eventCount, 2);
    EXPECT_EQ(f.E(1, 0).value, 20);
    EXPECT_EQ(f.E(1, 1).value, 40);
    EXPECT_EQ(f.T(1).polyphony, 2);
}

TEST(ToNote, AllNotesOffEndsEveryPendingNoteOfItsChannelAndIsDropped)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0x92, 60, 100, 0x00, 64, 100, 0x00, 0x93, 60, 100, 0x20, 0xB2, 123, 0},
                            Eot(0x10))),
              0);
    ASSERT_EQ(f.T(1).eventCount, 3);
    EXPECT_EQ(f.E(1, 0).value, 32);
    EXPECT_EQ(f.E(1, 1).value, 32);
    EXPECT_EQ(f.E(1, 2).value, 48);  // channel 3 runs to the end at 48
}

TEST(ToNote, NoteOffWithoutPendingNoteIsDropped)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0x80, 60, 0, 0x00, 0x90, 61, 0}, Eot(5))), 0);
    EXPECT_EQ(f.T(1).eventCount, 0);
}

struct BankCase {
    int method;
    int defaultBank;
    // Controller 0 value 3 and controller 32 value 1 before a program change.
    int bank;
};

TEST(ToNote, BankSelectsFoldIntoTheProgramChangeAndComeBackOnPack)
{
    // method 1: controller 0 is the low byte: 3 + 1 x 256 = 259.
    // method 2: controller 32 is the low byte: 1 + 3 x 256 = 769.
    // Either way Pack writes them back as controller 0 = 3, controller 32 = 1.
    const BankCase cases[] = {
        {1, 5, 259},
        {2, 5, 769},
    };
    for (const BankCase& c : cases) {
        SCOPED_TRACE(c.method);
        SongFixture f;
        SetHeader set{uint8_t(c.method), int16_t(c.defaultBank)};
        f.sets.AssignSet(0, 1, &set);
        const std::vector<uint8_t> stream = {0x00, 0xFF, 0x21, 0x01, 0x00, 0x00, 0xB1, 0x00,
                                             0x03, 0x00, 0x20, 0x01, 0x0A, 0xC1, 0x07, 0x00,
                                             0xC1, 0x08, 0x00, 0xFF, 0x2F, 0x00};
        ASSERT_EQ(f.Load(1, stream), 0);
        ASSERT_EQ(f.T(1).eventCount, 2);  // the controllers are gone
        EXPECT_EQ(f.E(1, 0).Kind(), EventKind::PgmChg);
        EXPECT_EQ(f.E(1, 0).Bank(), c.bank);
        EXPECT_EQ(f.E(1, 1).Bank(), c.bank);  // the bank stays for later programs
        ASSERT_NE(LockNotes(*f.song, 1, false), nullptr);
        f.song->tracks[1].changed = 1;
        ASSERT_EQ(Pack(*f.song, 1, false), 0);
        // Program 7 at 10 gets controller 0 at 8 and controller 32 at 9.
        // Program 8, also at 10, would have them land before program 7 and
        // give it program 8's bank, so they go right before program 8.
        const std::vector<uint8_t> want = {0x00, 0xFF, 0x21, 0x01, 0x00, 0x08, 0xB1, 0x00, 0x03, 0x01,
                                           0x20, 0x01, 0x01, 0xC1, 0x07, 0x00, 0xB1, 0x00, 0x03, 0x00,
                                           0x20, 0x01, 0x00, 0xC1, 0x08, 0x00, 0xFF, 0x2F, 0x00};
        EXPECT_EQ(f.T(1).stream, want);
    }
}

TEST(ToNote, ProgramsCloseTogetherKeepTheirOwnBanks)
{
    // Programs at 10 and 11 with banks 5 and 6: queued two ticks early, the
    // second program's controllers would land before the first program and
    // both would read back with bank 6.
    SongFixture f;
    SetHeader set{1, 0};
    f.sets.AssignSet(0, 0, &set);
    ASSERT_NE(LockNotes(*f.song, 1, false), nullptr);
    Event a = Ev(10, 0xC0, 1);
    a.SetBank(5);
    Event b = Ev(11, 0xC0, 2);
    b.SetBank(6);
    InsertEvent(*f.song, 1, a, -1, false);
    InsertEvent(*f.song, 1, b, -1, false);
    ASSERT_EQ(Pack(*f.song, 1, false), 0);
    ASSERT_EQ(f.Load(1, f.T(1).stream), 0);
    ASSERT_EQ(f.T(1).eventCount, 2);
    EXPECT_EQ(f.E(1, 0).Bank(), 5);
    EXPECT_EQ(f.E(1, 1).Bank(), 6);
}

TEST(ToNote, ControllersBeforeThePortRecordDecodeForTheStreamsPort)
{
    // Port 0 folds bank selects, port 2 does not. The stream's bank
    // controllers come before its port record (port 2) at time 0. If the
    // scan read them for port 0 it would count 1 Event and size the array
    // for 100, and the conversion (port 2) would overflow it with 151.
    SongFixture f;
    SetHeader set{1, 0};
    for (int ch = 0; ch < 16; ++ch)
        f.sets.AssignSet(0, ch, &set);
    std::vector<uint8_t> stream;
    for (int i = 0; i < 150; ++i)
        stream.insert(stream.end(), {0x00, 0xB0, 0x00, uint8_t(i & 0x7F)});
    stream = Cat(Cat(stream, {0x00, 0xFF, 0x21, 0x01, 0x02, 0x00, 0xC0, 0x04}), Eot());
    ASSERT_EQ(f.Load(1, stream), 0);
    EXPECT_EQ(f.T(1).port, 2);
    EXPECT_EQ(f.T(1).eventCount, 151);
}

TEST(ToNote, BankControllersAreOrdinaryWithoutABankMethod)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xB1, 0x00, 0x03, 0x00, 0xC1, 0x07}, Eot())), 0);
    ASSERT_EQ(f.T(1).eventCount, 2);
    EXPECT_EQ(f.E(1, 1).Bank(), -1);
}

TEST(ToNote, DefaultBankOfTheChannelsSetAppliesUntilBankSelects)
{
    SongFixture f;
    SetHeader set{2, 3 + 1 * 256};
    f.sets.AssignSet(2, 9, &set);
    EXPECT_EQ(f.sets.BankMethod(2, 9), 2);
    EXPECT_EQ(f.sets.DefaultBank(2, 9), 259);
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xFF, 0x21, 0x01, 0x02, 0x00, 0xC9, 0x07}, Eot())), 0);
    ASSERT_EQ(f.T(1).eventCount, 1);
    EXPECT_EQ(f.E(1, 0).Bank(), 259);
}

TEST(ChannelSetTable, EmptySlotsAndMethodZeroHaveNoBank)
{
    ChannelSetTable table;
    for (int port = 0; port < kPorts; ++port)
        for (int ch = 0; ch < kChannels; ++ch) {
            ASSERT_EQ(table.BankMethod(port, ch), 0);
            ASSERT_EQ(table.DefaultBank(port, ch), -1);
        }
    SetHeader none{0, 77};
    table.AssignSet(1, 1, &none);
    EXPECT_EQ(table.DefaultBank(1, 1), -1);
    EXPECT_EQ(table.BankMethod(32, 0), 0);  // out of range
    table.ClearAll();
    EXPECT_EQ(table.BankMethod(1, 1), 0);
}

TEST(ToNote, EmptyTextReadsAsEmptyAndWritesNothing)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xFF, 0x01, 0x00, 0x05, 0xFF, 0x05, 0x00}, Eot())), 0);
    ASSERT_EQ(f.T(1).eventCount, 1);  // the time-0 type-1 text was the name
    EXPECT_EQ(f.E(1, 0).Kind(), EventKind::MetaTxt);
    EXPECT_EQ(f.E(1, 0).value, 0);
    ASSERT_NE(LockNotes(*f.song, 1, false), nullptr);
    f.song->tracks[1].changed = 1;
    ASSERT_EQ(Pack(*f.song, 1, false), 0);
    // Nothing is written for the text, so the end lies at the last time written.
    EXPECT_EQ(f.T(1).stream, Cat({0x00, 0xFF, 0x21, 0x01, 0x00}, Eot(0)));
    EXPECT_EQ(f.T(1).eventCount, 1);  // the Event stays although the stream lacks it
}

TEST(ToNote, NamesAtTimeZeroGoToTheTrackNotTheEvents)
{
    SongFixture f;
    ASSERT_EQ(f.Load(1, Cat({0x00, 0xFF, 0x03, 0x02, 'A', 'B',  0x00, 0xFF, 0x04, 0x01, 'I',
                             0x00, 0xFF, 0x03, 0x01, 'C', 0x01, 0xFF, 0x03, 0x01, 'D'},
                            Eot())),
              0);
    EXPECT_EQ(f.T(1).name, "AB");
    EXPECT_EQ(f.T(1).instrument, "I");
    ASSERT_EQ(f.T(1).eventCount, 2);  // the second name at 0 and the one at 1
}

TEST(ToNote, TooManyEventsForTheArrayFails)
{
    SongFixture f;
    Song& s = *f.song;
    const std::vector<uint8_t> stream =
        Cat({0x00, 0xB0, 0x07, 0x10, 0x00, 0x07, 0x11, 0x00, 0x07, 0x12}, Eot());
    std::vector<Event> dest(2);
    EXPECT_EQ(ToNote(s, 1, stream, dest.data(), 2, true), -1);
    std::vector<Event> room(3);
    EXPECT_EQ(ToNote(s, 1, stream, room.data(), 3, true), 3);
}

TEST(ScanStream, CountsExactlyTheEventsToNoteProduces)
{
    SongFixture f;
    Song& s = *f.song;
    Track& t = s.tracks[1];
    // name, text, sysex, two notes (one off), pitch bend, all-notes-off, wave, prep record.
    t.stream = Cat({0x00, 0xFF, 0x03, 0x01, 'N',  0x00, 0xFF, 0x01, 0x01, 'T',  0x00, 0xF0, 0x01, 0xF7,
                    0x00, 0x90, 60,   1,    0x05, 0x80, 60,   0,    0x00, 0x91, 61,   1,    0x00, 0xE1,
                    0,    0x40, 0x00, 0xB1, 123,  0,    0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x10,
                    1,    0,    0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x11, 1,    0},
                   Eot(3));
    t.streamSize = int32_t(t.stream.size());
    ScanStream(s, 1);
    // text, sysex, 2 note ons, bend, wave = 6
    EXPECT_EQ(t.eventCount, 6);
    EXPECT_EQ(t.length, 8);
    EXPECT_EQ(t.contentFlags, kContentText | kContentSysEx | kContentChannel | kContentWave | kContentOwn);
    EXPECT_EQ(t.channelMode, kSeveralChannels);
    EXPECT_EQ(t.lowestNote, 60);
    EXPECT_EQ(t.highestNote, 61);
    EXPECT_EQ(BuildEvents(s, 1), 0);
    EXPECT_EQ(t.eventCount, 6);
}

}  // namespace
}  // namespace kv::test
