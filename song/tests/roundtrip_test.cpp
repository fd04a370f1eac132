#include <gtest/gtest.h>

#include <algorithm>

#include "song/eventops.h"
#include "song/pack.h"
#include "song/tests/songfixture.h"
#include "song/tests/songgen.h"

namespace kv::test {

namespace {

// Reads every track's stream back into Events and marks it changed.
void ReadBack(SongFixture& f, int tracks)
{
    Song& s = *f.song;
    for (int i = 0; i < tracks; ++i) {
        std::vector<uint8_t> stream = s.tracks[i].stream;
        const std::string name = s.tracks[i].name;
        s.tracks[i].name.clear();
        ASSERT_EQ(f.Load(i, stream), 0) << i;
        EXPECT_EQ(s.tracks[i].name, name);
        s.tracks[i].changed = 1;
    }
}

// Packs every track, reads every stream back into Events and packs again: the
// second streams must be the first byte for byte. settle: round trips made
// before the comparison.
void ExpectStableRoundTrip(SongFixture& f, int tracks, int settle = 0)
{
    Song& s = *f.song;
    for (int i = 0; i < tracks; ++i) {
        ASSERT_NE(LockNotes(s, i, false), nullptr);
        s.tracks[i].changed = 1;
    }
    for (int trip = 0; trip < settle; ++trip) {
        for (int i = 0; i < tracks; ++i)
            ASSERT_EQ(Pack(s, i, true), 0);
        ReadBack(f, tracks);
    }
    std::vector<std::vector<uint8_t>> first(static_cast<size_t>(tracks));
    for (int i = 0; i < tracks; ++i) {
        ASSERT_EQ(Pack(s, i, true), 0) << i;
        first[size_t(i)] = s.tracks[i].stream;
    }
    ReadBack(f, tracks);
    for (int i = 0; i < tracks; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Pack(s, i, true), 0);
        const std::vector<uint8_t>& again = s.tracks[i].stream;
        const std::vector<uint8_t>& before = first[size_t(i)];
        const auto diff = std::mismatch(again.begin(), again.end(), before.begin(), before.end());
        EXPECT_TRUE(diff.first == again.end() && diff.second == before.end())
            << "streams differ from byte " << (diff.first - again.begin()) << " of " << before.size() << ": "
            << ::testing::PrintToString(std::vector<uint8_t>(
                   before.begin() + std::max<long>(0, (diff.second - before.begin()) - 24),
                   std::min(before.end(), diff.second + 12)))
            << " vs "
            << ::testing::PrintToString(
                   std::vector<uint8_t>(again.begin() + std::max<long>(0, (diff.first - again.begin()) - 24),
                                        std::min(again.end(), diff.first + 12)));
    }
    EXPECT_TRUE(f.messages.shown().empty());
}

}  // namespace

TEST(RoundTrip, PackToNotePackGivesIdenticalBytesOnGeneratedSongs)
{
    for (uint32_t seed : {1u, 2u, 77u, 2024u}) {
        SCOPED_TRACE(seed);
        SongFixture f;
        Song& s = *f.song;
        s.trackCount = 4;
        s.tracks[0].name = "Conductor Track";
        s.tracks[2].name = "Piano";
        s.tracks[2].instrument = "Grand";
        s.tracks[3].transpose = -3;
        s.tracks[3].loops = 2;
        s.tracks[3].muteFlags = kMutedByCommand;
        s.authoringMark = seed % 2 == 0;
        for (int i = 0; i < 4; ++i)
            GenerateTrack(s, i, seed * 31 + uint32_t(i), 3000);
        ExpectStableRoundTrip(f, 4);
    }
}

TEST(RoundTrip, BanksOnAFoldingChannelSurvive)
{
    for (uint8_t method : {uint8_t(1), uint8_t(2)}) {
        SCOPED_TRACE(int(method));
        SongFixture f;
        Song& s = *f.song;
        SetHeader set{method, 0};
        f.sets.AssignSet(0, 1, &set);  // track 1 plays on channel 1
        GenerateTrack(s, 1, 5, 4000, 1);
        ExpectStableRoundTrip(f, 2);
    }
}

TEST(RoundTrip, NestedNotesOfOneKeySettleAfterOneTrip)
{
    // A at 0 lasting 100 holds B (same key) from 10 to 30, while C (another
    // key) also ends at 100. The stream pairs offs oldest first, so A reads
    // back as 0..30 and B as 10..100; the offs at 100 then leave in a new
    // order (C before B's) once, and the bytes are stable from there on.
    SongFixture f;
    Song& s = *f.song;
    ASSERT_NE(LockNotes(s, 1, false), nullptr);
    InsertEvent(s, 1, Ev(0, 0x90, 60, 100, 100), -1, false);
    InsertEvent(s, 1, Ev(5, 0x90, 64, 100, 95), -1, false);
    InsertEvent(s, 1, Ev(10, 0x90, 60, 90, 20), -1, false);
    ExpectStableRoundTrip(f, 2, 1);
    ASSERT_EQ(f.T(1).eventCount, 3);
    EXPECT_EQ(f.E(1, 0).value, 30);
    EXPECT_EQ(f.E(1, 2).value, 90);
}

}  // namespace kv::test
