// Saving and loading again gives back the song: the Events with their
// payloads, the track names and settings, and the song-wide values.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/songfiles.h"
#include "files/tests/smfbuilder.h"
#include "song/song.h"

namespace kv::test {
namespace {

Bytes Own(uint8_t type, std::initializer_list<uint8_t> data)
{
    Bytes d = {0x00, 0x00, 0x5B, type};
    d.insert(d.end(), data);
    return d;
}

Bytes EverythingSong()
{
    Body conductor;
    conductor.Text(0, 0x03, "Conductor")
        .Meta(0, 0x7F, Own(0x21, {100, 0, 0, 0, 0xF0, 0, 0, 0, 0xC0, 3, 0, 0}))  // lead 100, From 240, To 960
        .Meta(0, 0x54, {0x41, 0x02, 0x03, 0x04, 0x00})                           // 25 fps, 01:02:03.04
        .Meta(0, 0x51, {0x07, 0xA1, 0x20})
        .Meta(0, 0x58, {3, 2, 24, 8})
        .Meta(0, 0x59, {0xFE, 0x01})
        .Text(0, 0x06, "Intro")
        .Meta(360, 0x51, {0x06, 0x1A, 0x80})
        .End();
    Body piano;
    piano.Text(0, 0x03, "Piano")
        .Text(0, 0x04, "Grand")
        .Meta(0, 0x21, {5})
        .Meta(0, 0x7F, Own(0x20, {3, 0xFB, 2, 0, 0xE0, 1, 0, 0}))  // +3, -5, 2 loops, delay 480
        .Meta(0, 0x7F, Own(0x24, {1}))
        .At(0, {0xC1, 0x05})
        .At(0, {0xB1, 0x07, 0x64})
        .Note(10, 1, 60, 100, 120)
        .At(0, {0xE1, 0x00, 0x50})
        .At(5, {0xD1, 0x30})
        .At(5, {0xA1, 0x3C, 0x20})
        .SysEx(10, {0x41, 0x10, 0x42, 0xF7})
        .At(0, {0xF7, 0x02, 0x01, 0xF7})
        .Meta(0, 0x7F, Own(0x01, {'C', 'm', '7'}))
        .Text(0, 0x05, "la")
        .Note(0, 1, 64, 1, 1)
        .End(30);
    Body waves;
    waves.Meta(20, 0x7F, Own(0x10, {0, 0})).End();
    Bytes start(60, 0);
    start[0] = 'w';
    start.insert(start.end(), {0, 0});
    start.insert(start.end(), 16, 0x22);
    Bytes chunk = {0x00, 0xFF, 0x7F};
    PutVarLen(chunk, uint32_t(start.size() + 4));
    chunk.insert(chunk.end(), {0x00, 0x00, 0x5B, 0x12});
    chunk.insert(chunk.end(), start.begin(), start.end());
    chunk.insert(chunk.end(),
                 {0x00, 0xFF, 0x7F, 0x07, 0x00, 0x00, 0x5B, 0x13, 9, 8, 7, 0x00, 0xFF, 0x2F, 0x00});
    return Cat({Header(1, 4, 96), TrackChunk(conductor), TrackChunk(piano), TrackChunk(waves),
                Chunk("MTrk", chunk)});
}

// Note ends per channel and key, sorted.
std::map<int, std::vector<int64_t>> NoteEnds(const std::vector<Event>& events)
{
    std::map<int, std::vector<int64_t>> ends;
    for (const Event& e : events)
        if (e.Kind() == EventKind::NoteOn)
            ends[e.Channel() * 128 + e.data1].push_back(int64_t(e.time) + e.value);
    for (auto& [key, list] : ends)
        std::sort(list.begin(), list.end());
    return ends;
}

// Texts are compared as the program keeps them: up to their first NUL.
std::string TextOf(const Bytes& payload)
{
    return std::string(payload.begin(), std::find(payload.begin(), payload.end(), 0));
}

// Events compare whole, except two things a file cannot carry. Notes of one
// channel and key that overlap are paired on loading oldest-first, so when a
// later one ends first the starts and ends survive but not which end belongs
// to which start: notes compare by start, and their ends per channel and key
// as a set. A text stops at its first NUL.
void ExpectSameEvents(SongFixture& a, SongFixture& b, int track)
{
    const std::vector<Event> ea = a.Events(track);
    const std::vector<Event> eb = b.Events(track);
    ASSERT_EQ(ea.size(), eb.size());
    for (size_t i = 0; i < ea.size(); ++i) {
        SCOPED_TRACE("event " + std::to_string(i));
        Event x = ea[i], y = eb[i];
        x.SetSelected(false);
        y.SetSelected(false);
        if (x.Kind() == EventKind::MetaTxt && y.Kind() == EventKind::MetaTxt) {
            EXPECT_EQ(TextOf(a.Payload(track, x)), TextOf(b.Payload(track, y)));
            x.value = y.value = 0;
        } else if (x.HasPayload()) {
            EXPECT_EQ(a.Payload(track, x), b.Payload(track, y));
            x.value = y.value = 0;
        } else if (x.Kind() == EventKind::NoteOn) {
            x.value = y.value = 0;
        }
        ASSERT_EQ(x, y);
    }
    EXPECT_EQ(NoteEnds(ea), NoteEnds(eb));
}

void ExpectSameSong(SongFixture& a, SongFixture& b)
{
    ASSERT_EQ(a.song.trackCount, b.song.trackCount);
    EXPECT_EQ(a.song.timebase, b.song.timebase);
    EXPECT_EQ(a.song.smpteOffset, b.song.smpteOffset);
    EXPECT_EQ(a.song.from, b.song.from);
    EXPECT_EQ(a.song.to, b.song.to);
    EXPECT_EQ(a.song.waveLead, b.song.waveLead);
    EXPECT_EQ(a.waves.waves, b.waves.waves);
    for (int t = 0; t < a.song.trackCount; ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const Track& x = a.song.tracks[t];
        const Track& y = b.song.tracks[t];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.instrument, y.instrument);
        EXPECT_EQ(x.port, y.port);
        EXPECT_EQ(x.transpose, y.transpose);
        EXPECT_EQ(x.velocityAdjust, y.velocityAdjust);
        EXPECT_EQ(x.loops, y.loops);
        EXPECT_EQ(x.delay, y.delay);
        EXPECT_EQ(x.muteFlags & 1, y.muteFlags & 1);
        ExpectSameEvents(a, b, t);
    }
}

// Saves a's song into dir and loads it into a new fixture.
std::unique_ptr<SongFixture> SaveAndReload(SongFixture& a, const TempDir& dir, int& result)
{
    a.files.settings.useBak = false;
    a.files.settings.warnFile = a.files.settings.warnSysEx = a.files.settings.warnKV = false;
    a.files.state.documentPath = dir.File("again.mid");
    result = WriteSong(a.files, false, false);
    auto b = std::make_unique<SongFixture>();
    if (result == 0 && !LoadSong(b->files, dir.File("again.mid")))
        result = -1;
    return b;
}

TEST(RoundTrip, SavedSongLoadsBackTheSame)
{
    SongFixture a;
    TempDir dir;
    ASSERT_TRUE(a.Read(EverythingSong()));
    ASSERT_EQ(a.song.trackCount, 3);
    // What the file says, so the comparison below is not of two defaults.
    EXPECT_EQ(a.song.tracks[1].name, "Piano");
    EXPECT_EQ(a.song.tracks[1].port, 5);
    EXPECT_EQ(a.song.tracks[1].delay, 480);
    EXPECT_EQ(a.song.from, 240);
    EXPECT_EQ(a.song.waveLead, 100);
    EXPECT_EQ(a.song.smpteOffset, 0x41020304u);
    EXPECT_EQ(a.waves.Count(), 1);

    int result = 0;
    auto b = SaveAndReload(a, dir, result);
    ASSERT_EQ(result, 0);
    ExpectSameSong(a, *b);
}

TEST(RoundTrip, EditedSettingsAreSaved)
{
    SongFixture a;
    TempDir dir;
    ASSERT_TRUE(a.Read(EverythingSong()));
    Track& t = a.song.tracks[1];
    t.name = "Organ";
    t.transpose = -12;
    t.loops = 3;
    t.port = 9;
    t.changed = 1;
    a.song.from = 480;
    a.song.to = 1440;
    a.song.tracks[0].changed = 1;
    int result = 0;
    auto b = SaveAndReload(a, dir, result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(b->song.tracks[1].name, "Organ");
    EXPECT_EQ(b->song.tracks[1].transpose, -12);
    EXPECT_EQ(b->song.to, 1440);
    ExpectSameSong(a, *b);
}

TEST(RoundTrip, EveryCorpusFileThatLoadsConvertsAndReloads)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(KV_CORPUS_DIR, ec))
        GTEST_SKIP() << "no corpus at " << KV_CORPUS_DIR;
    int converted = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(KV_CORPUS_DIR, ec)) {
        if (!e.is_regular_file())
            continue;
        SCOPED_TRACE(e.path().string());
        SongFixture a;
        if (!LoadSong(a.files, e.path().string()))
            continue;
        TempDir dir;
        int result = 0;
        auto b = SaveAndReload(a, dir, result);
        ASSERT_EQ(result, 0);
        ExpectSameSong(a, *b);
        ++converted;
    }
    EXPECT_GT(converted, 0);
}

}  // namespace
}  // namespace kv::test
