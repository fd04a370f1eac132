#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "song/eventops.h"
#include "song/pack.h"
#include "song/tests/songfixture.h"

namespace kv::test {
namespace {

// What a plain track (not track zero, no name, default adjustments) starts
// with when packed: the port record FF 21 01 00.
const std::vector<uint8_t> kPortRecord = {0x00, 0xFF, 0x21, 0x01, 0x00};

struct KindCase {
    const char* name;
    std::vector<uint8_t> bytes;                  // after the port record, before end-of-track
    std::vector<Event> events;                   // payload handles are not compared
    std::vector<std::vector<uint8_t>> payloads;  // one per payload event, in order
};

Event Pgm(int32_t time, uint8_t status, uint8_t program, int bank)
{
    Event e = Ev(time, status, program);
    e.SetBank(bank);
    return e;
}

Event Tempo(int32_t time, int32_t bpm100)
{
    Event e = Ev(time, 0x00);
    e.SetTempo(bpm100);
    return e;
}

const KindCase kKindCases[] = {
    // 500000 us per quarter: 6000000000 / 500000 = 12000 (120.00); 12000 = 0x2EE0.
    {"Tempo", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, {Tempo(0, 12000)}, {}},
    // 3/4 with 24 clocks per click: clicks = (96 >> 2) x 3 / 24 = 3.
    {"TimeSig 3/4", {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}, {Ev(0, 0x10, 3, 2, 3)}, {}},
    // 6/8 with 36 clocks per click: clicks = (96 >> 3) x 6 / 36 = 2.
    {"TimeSig 6/8", {0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x24, 0x08}, {Ev(0, 0x10, 6, 3, 2)}, {}},
    {"Lyric", {0x00, 0xFF, 0x05, 0x03, 'l', 'a', 'a'}, {Ev(0, 0x20, 5)}, {{'l', 'a', 'a', 0}}},
    {"Marker later", {0x10, 0xFF, 0x06, 0x01, 'A'}, {Ev(16, 0x20, 6)}, {{'A', 0}}},
    {"Own chord", {0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x01, 'C', '7'}, {Ev(0, 0x30, 1)}, {{'C', '7'}}},
    {"Own MCI empty", {0x00, 0xFF, 0x7F, 0x04, 0x00, 0x00, 0x5B, 0x00}, {Ev(0, 0x30, 0)}, {{}}},
    // Packing puts a wave preparation record (0x11) before each wave; reading
    // ignores it.
    {"Wave",
     {0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x11, 0x34, 0x12,
      0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x10, 0x34, 0x12},
     {Ev(0, 0x40, 0, 0, 0x1234)},
     {}},
    // Three flats minor: sf = -3 (FD) gives data1 = 4.
    {"KeySig", {0x00, 0xFF, 0x59, 0x02, 0xFD, 0x01}, {Ev(0, 0x50, 4, 1)}, {}},
    // The note-off comes 0x60 = 96 ticks later as a Note On with velocity 0,
    // the status left out by running status.
    {"Note", {0x00, 0x91, 0x3C, 0x64, 0x60, 0x3C, 0x00}, {Ev(0, 0x91, 60, 100, 96)}, {}},
    {"KeyPres", {0x00, 0xA2, 0x3C, 0x40}, {Ev(0, 0xA2, 60, 64)}, {}},
    {"CtrlChg twice",
     {0x00, 0xB3, 0x07, 0x64, 0x05, 0x0A, 0x20},
     {Ev(0, 0xB3, 7, 100), Ev(5, 0xB3, 10, 32)},
     {}},
    {"PgmChg no bank", {0x00, 0xC4, 0x05}, {Pgm(0, 0xC4, 5, -1)}, {}},
    {"CnlPres", {0x00, 0xD5, 0x30}, {Ev(0, 0xD5, 0x30)}, {}},
    {"PtchBnd centre", {0x00, 0xE6, 0x00, 0x40}, {Ev(0, 0xE6, 0x00, 0x40)}, {}},
    {"SysEx F0", {0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7}, {Ev(0, 0xF0, 0xF0)}, {{0x43, 0x10, 0xF7}}},
    {"SysEx F7", {0x00, 0xF7, 0x02, 0x01, 0x02}, {Ev(0, 0xF0, 0xF7)}, {{0x01, 0x02}}},
    // A meta event cancels running status on writing.
    {"Running status after meta",
     {0x00, 0xB0, 0x01, 0x02, 0x00, 0xFF, 0x06, 0x01, 'x', 0x00, 0xB0, 0x01, 0x03},
     {Ev(0, 0xB0, 1, 2), Ev(0, 0x20, 6), Ev(0, 0xB0, 1, 3)},
     {{'x', 0}}},
};

TEST(TrackStream, EachKindReadsIntoEventsAndPacksToTheSameBytes)
{
    for (const KindCase& c : kKindCases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        const std::vector<uint8_t> stream = Cat(Cat(kPortRecord, c.bytes), Eot());
        ASSERT_EQ(f.Load(1, stream), 0);
        const Track& t = f.T(1);
        ASSERT_EQ(t.eventCount, int32_t(c.events.size()));
        size_t payload = 0;
        for (size_t i = 0; i < c.events.size(); ++i) {
            Event got = f.E(1, int(i));
            Event want = c.events[i];
            if (got.HasPayload()) {
                ASSERT_LT(payload, c.payloads.size());
                const std::vector<uint8_t>& bytes = c.payloads[payload++];
                ASSERT_TRUE(t.heap.IsLive(got.value));
                ASSERT_EQ(t.heap.PayloadSize(got.value), int32_t(bytes.size()));
                const uint8_t* p = t.heap.Payload(got.value);
                EXPECT_EQ(std::vector<uint8_t>(p, p + bytes.size()), bytes);
                got.value = want.value = 0;
            }
            EXPECT_EQ(got, want) << "event " << i;
        }
        ASSERT_EQ(Pack(*f.song, 1, false), 0);
        EXPECT_EQ(f.T(1).stream, stream);
        EXPECT_TRUE(f.messages.shown().empty());
    }
}

struct OwnRecordCase {
    const char* name;
    int track;
    void (*set)(Song&, Track&);
    std::vector<uint8_t> bytes;  // must appear in the packed stream
    bool (*check)(const Song&, const Track&);
};

const OwnRecordCase kOwnRecordCases[] = {
    {"0x20 adjustments",
     1,
     [](Song&, Track& t) {
         t.transpose = -12;
         t.velocityAdjust = 5;
         t.loops = 300;
         t.delay = 0x01020304;
     },
     // -12 = F4, 300 = 0x012C, both little-endian.
     {0x00, 0xFF, 0x7F, 0x0C, 0x00, 0x00, 0x5B, 0x20, 0xF4, 0x05, 0x2C, 0x01, 0x04, 0x03, 0x02, 0x01},
     [](const Song&, const Track& t) {
         return t.transpose == -12 && t.velocityAdjust == 5 && t.loops == 300 && t.delay == 0x01020304;
     }},
    {"0x24 mute",
     1,
     [](Song&, Track& t) { t.muteFlags = kMutedByCommand | kMutedBySolo; },
     {0x00, 0xFF, 0x7F, 0x05, 0x00, 0x00, 0x5B, 0x24, 0x01},
     [](const Song&, const Track& t) { return (t.muteFlags & kMutedByCommand) != 0; }},
    {"0x21 song record",
     0,
     [](Song& s, Track&) {
         s.waveCount = 1;
         s.waveLead = 240;
         s.from = 480;
         s.to = 0x10000;
     },
     {0x00, 0xFF, 0x7F, 0x10, 0x00, 0x00, 0x5B, 0x21, 0xF0, 0,
      0,    0,    0xE0, 0x01, 0,    0,    0x00, 0x00, 0x01, 0x00},
     [](const Song& s, const Track&) { return s.waveLead == 240 && s.from == 480 && s.to == 0x10000; }},
    {"0x22 score characters",
     0,
     [](Song& s, Track& t) {
         t.contentFlags = kContentOwn;  // any track with own records
         s.flatChar = 'f';
         s.sharpChar = 's';
     },
     {0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x22, 'f', 's'},
     [](const Song& s, const Track&) { return s.flatChar == 'f' && s.sharpChar == 's'; }},
    {"0x23 document record",
     0,
     [](Song& s, Track&) { s.documentRecord = {2, 0, 7, 8, 9, 1}; },
     {0x00, 0xFF, 0x7F, 0x0A, 0x00, 0x00, 0x5B, 0x23, 2, 0, 7, 8, 9, 1},
     [](const Song& s, const Track&) {
         return s.documentRecord == std::array<uint8_t, 6>{2, 0, 7, 8, 9, 1};
     }},
    {"authoring mark",
     0,
     [](Song& s, Track&) { s.authoringMark = true; },
     {0x00, 0xFF, 0x7F, 0x03, 0x00, 0x00, 0x41},
     [](const Song& s, const Track&) { return s.authoringMark; }},
    {"SMPTE offset",
     0,
     [](Song& s, Track&) { s.smpteOffset = 0x61020304; },
     {0x00, 0xFF, 0x54, 0x05, 0x61, 0x02, 0x03, 0x04, 0x00},
     [](const Song& s, const Track&) { return s.smpteOffset == 0x61020304; }},
    {"names",
     1,
     [](Song&, Track& t) {
         t.name = "Bass";
         t.instrument = "Fretless";
     },
     {0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's', 0x00, 0xFF,
      0x04, 0x08, 'F',  'r',  'e', 't', 'l', 'e', 's',  's'},
     [](const Song&, const Track& t) { return t.name == "Bass" && t.instrument == "Fretless"; }},
    {"port",
     1,
     [](Song&, Track& t) { t.port = 7; },
     {0x00, 0xFF, 0x21, 0x01, 0x07},
     [](const Song&, const Track& t) { return t.port == 7; }},
};

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle)
{
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(TrackStream, OwnRecordsArePackedAndScannedBack)
{
    for (const OwnRecordCase& c : kOwnRecordCases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        Song& s = *f.song;
        Track& t = s.tracks[c.track];
        ASSERT_NE(LockNotes(s, c.track, false), nullptr);
        c.set(s, t);
        t.changed = 1;
        ASSERT_EQ(Pack(s, c.track, false), 0);
        EXPECT_TRUE(Contains(t.stream, c.bytes));
        // Forget everything, then read it back from the stream alone.
        std::vector<uint8_t> stream = t.stream;
        const int32_t waveCount = s.waveCount;
        s.authoringMark = false;
        s.smpteOffset = 0;
        s.from = s.to = s.waveLead = 0;
        s.flatChar = s.sharpChar = 0;
        s.documentRecord = {};
        ASSERT_EQ(f.Load(c.track, stream), 0);
        s.waveCount = waveCount;
        EXPECT_TRUE(c.check(s, f.T(c.track)));
        EXPECT_EQ(f.T(c.track).eventCount, 0);
    }
}

TEST(TrackStream, TrackZeroStartsWithItsRecordsInOrder)
{
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 0, false), nullptr);
    s.tracks[0].name = "C";
    s.tracks[0].changed = 1;
    ASSERT_EQ(Pack(s, 0, false), 0);
    // 0x23 document record, name, SMPTE offset, port, end of track.
    const std::vector<uint8_t> want = {0x00, 0xFF, 0x7F, 0x0A, 0x00, 0x00, 0x5B, 0x23, 1,
                                       0,    5,    6,    42,   0,                             //
                                       0x00, 0xFF, 0x03, 0x01, 'C',                           //
                                       0x00, 0xFF, 0x54, 0x05, 0x60, 0x00, 0x03, 0x00, 0x00,  //
                                       0x00, 0xFF, 0x21, 0x01, 0x00,                          //
                                       0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(s.tracks[0].stream, want);
}

TEST(TrackStream, WavePreparationPrecedesEachWaveByTheLeadButNotBelowZero)
{
    SongFixture f;
    Song& s = *f.song;
    s.waveLead = 240;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    ASSERT_GE(InsertEvent(s, 1, Ev(100, 0x40, 0, 0, 3), -1, false), 0);
    ASSERT_GE(InsertEvent(s, 1, Ev(1000, 0x40, 0, 0, 4), -1, false), 0);
    ASSERT_EQ(Pack(s, 1, false), 0);
    // prep 3 at max(0, 100 - 240) = 0, wave 3 at 100, prep 4 at 760, wave 4 at 1000.
    const std::vector<uint8_t> want =
        Cat(Cat(kPortRecord, {0x00, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x11, 0x03, 0x00,  //
                              0x64, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x10, 0x03, 0x00,  //
                              0x85, 0x14, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x11, 0x04, 0x00,
                              0x81, 0x70, 0xFF, 0x7F, 0x06, 0x00, 0x00, 0x5B, 0x10, 0x04, 0x00}),
            Eot());
    EXPECT_EQ(s.tracks[1].stream, want);
    // Reading it back ignores the preparation records.
    ASSERT_EQ(f.Load(1, want), 0);
    EXPECT_EQ(f.T(1).eventCount, 2);
}

}  // namespace
}  // namespace kv::test
