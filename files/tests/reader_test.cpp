#include <gtest/gtest.h>

#include "app/strings/stringtable.h"
#include "files/songfiles.h"
#include "files/tests/smfbuilder.h"
#include "song/song.h"

namespace kv::test {
namespace {

Body OneNote(int key = 60)
{
    return std::move(Body().Note(0, 0, key, 100, 120).End());
}

Body Conductor()
{
    return std::move(Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).Meta(0, 0x58, {4, 2, 24, 8}).End());
}

// Track chunks that the header does not mention are never read; the damaged
// file below replaces the third chunk's tag.
Bytes DamagedThird()
{
    Bytes file = Smf(120, {Conductor(), OneNote(), OneNote(62)});
    // Header 14 bytes, then the first chunk (8 + body) and the second.
    const size_t third = 14 + 8 + Conductor().bytes().size() + 8 + OneNote().bytes().size();
    file[third] = 'X';
    return file;
}

Bytes ManyChunks(int count)
{
    Bytes file = Header(1, uint16_t(count), 120);
    for (int i = 0; i < count; ++i) {
        const Bytes c = TrackChunk(OneNote());
        file.insert(file.end(), c.begin(), c.end());
    }
    return file;
}

Bytes TruncatedLast()
{
    Bytes file = Smf(120, {Conductor(), Body().Note(0, 0, 60, 100, 120).Note(0, 0, 62, 100, 120).End()});
    file.resize(file.size() - 7);  // cuts the second note's note-off and the end of track
    return file;
}

struct ReadCase {
    const char* name;
    Bytes file;
    std::vector<Button> answers;
    bool loads;
    std::vector<int> messages;
    int trackCount;
    int32_t timebase;
};

TEST(ReadFile, HeaderAndChunkCases)
{
    const Bytes junk(20, 'j');
    const Bytes plain = Smf(96, {Conductor(), OneNote()});
    const ReadCase cases[] = {
        {"format 1", plain, {}, true, {}, 2, 96},
        {"format 0", Smf(240, {OneNote()}), {}, true, {}, 1, 240},
        {"rmi wraps the same file", Riff(plain), {}, true, {}, 2, 96},
        {"junk before MThd, OK searches", Cat({junk, plain}), {Button::Ok}, true, {255}, 2, 96},
        {"junk before MThd, Cancel fails", Cat({junk, plain}), {Button::Cancel}, false, {255}, 0, 120},
        {"no header anywhere", junk, {Button::Ok}, false, {255, 256}, 0, 120},
        {"empty file", {}, {Button::Ok}, false, {255, 256}, 0, 120},
        {"format 2, OK loads every chunk",
         Cat({Header(2, 2, 96), TrackChunk(Conductor()), TrackChunk(OneNote())}),
         {Button::Ok},
         true,
         {258},
         2,
         96},
        {"format 2, Cancel fails",
         Cat({Header(2, 1, 96), TrackChunk(OneNote())}),
         {Button::Cancel},
         false,
         {258},
         0,
         120},
        {"header length 5", Cat({Header(1, 1, 96, 5), TrackChunk(OneNote())}), {}, false, {257}, 0, 120},
        {"header length 8 skips the extra bytes",
         Cat({Header(0, 1, 96, 8), TrackChunk(OneNote())}),
         {},
         true,
         {},
         1,
         96},
        // 0xE728: 25 frames per second, 40 ticks per frame; read as a tick count.
        {"SMPTE division read as ticks",
         Cat({Header(0, 1, 0xE728), TrackChunk(OneNote())}),
         {},
         true,
         {},
         1,
         0xE728},
        {"zero division gets the default timebase",
         Cat({Header(0, 1, 0), TrackChunk(OneNote())}),
         {},
         true,
         {},
         1,
         120},
        // Every chunk holds a note, track zero too: 267 follows.
        {"300 chunks, OK loads 256", ManyChunks(300), {Button::Ok}, true, {259, 267}, 256, 120},
        {"300 chunks, Cancel fails", ManyChunks(300), {Button::Cancel}, false, {259}, 0, 120},
        {"damaged third chunk, Cancel keeps two", DamagedThird(), {Button::Cancel}, true, {260}, 2, 120},
        // The search finds no later "MTrk": the load still ends there.
        {"damaged third chunk, OK searches", DamagedThird(), {Button::Ok}, true, {260, 261}, 2, 120},
        {"header counts more chunks than the file has",
         Cat({Header(1, 3, 120), TrackChunk(OneNote())}),
         {Button::Cancel},
         true,
         {260},
         1,
         120},
        {"file cut inside the last chunk keeps what was read", TruncatedLast(), {}, true, {263}, 2, 120},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        for (Button b : c.answers)
            f.messages.Answer(b);
        EXPECT_EQ(f.Read(c.file), c.loads);
        EXPECT_EQ(f.messages.numbers(), c.messages);
        if (c.loads) {
            EXPECT_EQ(f.song.trackCount, c.trackCount);
            EXPECT_EQ(f.song.timebase, c.timebase);
        } else {
            // A failed header leaves the song's timebase as it was.
            EXPECT_EQ(f.song.timebase, c.timebase);
        }
    }
}

TEST(ReadFile, ThreeHundredChunksQuestionNamesBothCounts)
{
    SongFixture f;
    ASSERT_TRUE(f.Read(ManyChunks(300)));
    ASSERT_FALSE(f.messages.shown().empty());
    EXPECT_EQ(f.messages.shown()[0].text, "Only the first 256 of 300 tracks will be loaded. Continue?");
}

TEST(ReadFile, TruncatedChunkKeepsTheNotesBeforeTheCut)
{
    SongFixture f;
    ASSERT_TRUE(f.Read(TruncatedLast()));
    const std::vector<Event> ev = f.Events(1);
    // The first note is whole; the second lost its note-off and lasts to the
    // end of the bytes read, which is its own start (0 ticks).
    ASSERT_GE(ev.size(), 1u);
    EXPECT_EQ(ev[0].Kind(), EventKind::NoteOn);
    EXPECT_EQ(ev[0].value, 120);
}

TEST(ReadFile, WarningsListTracksByTableIndex)
{
    struct Case {
        const char* name;
        Bytes file;
        bool warnFile;
        bool warnSysEx;
        std::vector<int> numbers;
        std::vector<std::string> lists;  // the %s of each message, in order
    };
    const Body sysex = std::move(Body().SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}).End());
    const Body tempo = std::move(Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).Note(0, 1, 60, 90, 10).End());
    const Body key = std::move(Body().Meta(0, 0x59, {0x02, 0x00}).End());
    const Body sysexAndTempo =
        std::move(Body().SysEx(0, {0x43, 0xF7}).Meta(0, 0x51, {0x07, 0xA1, 0x20}).End());
    const Case cases[] = {
        {"tempo in track 1", Smf(120, {Conductor(), tempo}), true, false, {266}, {"1"}},
        {"sysex in tracks 0 and 3",
         Smf(120, {sysexAndTempo, OneNote(), OneNote(), sysex}),
         true,
         true,
         {268},
         {"0 3"}},
        {"key signature in track 2", Smf(120, {Conductor(), OneNote(), key}), true, false, {276}, {"2"}},
        {"notes in track zero", Smf(120, {OneNote(), OneNote()}), true, false, {267}, {}},
        {"all at once, in order",
         Smf(120, {OneNote(), tempo, key, sysex}),
         true,
         true,
         {267, 266, 276, 268},
         {"1", "2", "3"}},
        {"WarnFile off", Smf(120, {OneNote(), tempo, key}), false, false, {}, {}},
        {"one track may hold notes", Smf(120, {OneNote()}), true, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SongFixture f;
        f.files.settings.warnFile = c.warnFile;
        f.files.settings.warnSysEx = c.warnSysEx;
        ASSERT_TRUE(f.Read(c.file));
        EXPECT_EQ(f.messages.numbers(), c.numbers);
        size_t list = 0;
        for (const auto& shown : f.messages.shown()) {
            if (shown.number == 267)
                continue;
            ASSERT_LT(list, c.lists.size());
            const MsgArg arg(c.lists[list]);
            EXPECT_EQ(shown.text, FormatString(shown.number, {&arg, 1}).text);
            ++list;
        }
    }
}

TEST(ReadFile, MergeRescalesToTheSongTimebase)
{
    SongFixture f;
    ASSERT_TRUE(f.Read(Smf(120, {Conductor(), OneNote()})));
    // A quarter note at 96 ticks per quarter, starting on beat 2 (tick 96).
    const Bytes merged = Smf(96, {Body().Note(96, 2, 64, 80, 96).End()});
    ASSERT_TRUE(f.Read(merged, f.song.trackCount));
    EXPECT_EQ(f.song.trackCount, 3);
    EXPECT_EQ(f.song.timebase, 120);
    const std::vector<Event> ev = f.Events(2);
    ASSERT_EQ(ev.size(), 1u);
    // 96 ticks at 96 per quarter are 120 ticks at 120 per quarter.
    EXPECT_EQ(ev[0].time, 120);
    EXPECT_EQ(ev[0].value, 120);
}

TEST(ReadFile, MergeThatFailsLeavesTheSongAsItWas)
{
    SongFixture f;
    TempDir dir;
    WriteAll(dir.File("song.mid"), Smf(120, {Conductor(), OneNote()}));
    WriteAll(dir.File("bad.mid"), Bytes(40, 'x'));
    ASSERT_TRUE(LoadSong(f.files, dir.File("song.mid")));
    f.messages.Answer(Button::Cancel);
    EXPECT_FALSE(MergeSong(f.files, dir.File("bad.mid")));
    EXPECT_EQ(f.song.trackCount, 2);
    EXPECT_TRUE(f.song.tracks[2].IsEmpty());
}

TEST(ReadFile, LoadSongFailureResetsTheSong)
{
    SongFixture f;
    TempDir dir;
    WriteAll(dir.File("song.mid"), Smf(96, {Conductor(), OneNote()}));
    ASSERT_TRUE(LoadSong(f.files, dir.File("song.mid")));
    EXPECT_EQ(f.files.state.documentPath, dir.File("song.mid"));
    EXPECT_FALSE(f.files.state.modified);

    EXPECT_FALSE(LoadSong(f.files, dir.File("missing.mid")));
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{269});
    EXPECT_EQ(f.song.trackCount, 0);
    EXPECT_EQ(f.song.timebase, 120);
    EXPECT_TRUE(f.files.state.documentPath.empty());
}

TEST(ReadFile, DefaultSongLoadsOrReportsFailureQuietly)
{
    SongFixture f;
    TempDir dir;
    f.files.settings.defaultSongFile = dir.File("KVP$DEF.MID");
    EXPECT_FALSE(LoadDefaultSong(f.files));
    EXPECT_TRUE(f.messages.numbers().empty());

    WriteAll(f.files.settings.defaultSongFile, Smf(120, {Conductor(), OneNote()}));
    EXPECT_TRUE(LoadDefaultSong(f.files));
    EXPECT_EQ(f.song.trackCount, 2);
}

// A wave record 0x10 (wave number, little-endian) as a track event.
Body& WaveEvent(Body& b, uint32_t delta, int number)
{
    return b.Meta(delta, 0x7F, {0x00, 0x00, 0x5B, 0x10, uint8_t(number), uint8_t(number >> 8)});
}

Bytes WaveRecord(uint8_t type, const Bytes& data)
{
    Bytes r = {0x00, 0xFF, 0x7F};
    PutVarLen(r, uint32_t(data.size() + 4));
    r.insert(r.end(), {0x00, 0x00, 0x5B, type});
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

Bytes WaveStart(const std::string& name, int number)
{
    Bytes d(60, 0);
    std::copy(name.begin(), name.end(), d.begin());
    d.push_back(uint8_t(number));
    d.push_back(uint8_t(number >> 8));
    const Bytes format(18, 0x11);
    d.insert(d.end(), format.begin(), format.end());
    return WaveRecord(0x12, d);
}

Bytes WaveChunk(std::initializer_list<Bytes> records)
{
    Bytes body = Cat(records);
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return Chunk("MTrk", body);
}

Bytes FileWithWaves()
{
    Body waves;
    WaveEvent(waves, 0, 1);
    WaveEvent(waves, 10, 0);
    waves.End();
    return Cat({Header(1, 3, 120), TrackChunk(Conductor()), TrackChunk(waves),
                WaveChunk({WaveStart("kick", 0), WaveRecord(0x13, {1, 2, 3}), WaveStart("snare", 1),
                           WaveRecord(0x14, {9}), WaveRecord(0x13, {4, 5})})});
}

TEST(ReadFile, WaveChunkFillsTheWaveTable)
{
    SongFixture f;
    ASSERT_TRUE(f.Read(FileWithWaves()));
    EXPECT_EQ(f.song.trackCount, 2);  // the wave chunk is not a track
    ASSERT_EQ(f.waves.Count(), 2);
    EXPECT_EQ(f.song.waveCount, 2);
    EXPECT_EQ(f.waves.waves[0].name, "kick");
    EXPECT_EQ(f.waves.waves[0].samples, (Bytes{1, 2, 3}));
    EXPECT_EQ(f.waves.waves[0].format, Bytes(18, 0x11));
    EXPECT_EQ(f.waves.waves[1].name, "snare");
    EXPECT_EQ(f.waves.waves[1].number, 1);
    EXPECT_EQ(f.waves.waves[1].extra, Bytes{9});
}

TEST(ReadFile, InvalidWaveRecordKeepsTheWavesBeforeIt)
{
    SongFixture f;
    Body waves;
    WaveEvent(waves, 0, 0);
    waves.End();
    // The second start record is 4 + 70 bytes long: below the shortest valid.
    const Bytes file = Cat({Header(1, 2, 120), TrackChunk(waves),
                            WaveChunk({WaveStart("one", 0), WaveRecord(0x13, {7}),
                                       WaveRecord(0x12, Bytes(70, 0)), WaveRecord(0x13, {8})})});
    ASSERT_TRUE(f.Read(file));
    ASSERT_EQ(f.waves.Count(), 1);
    EXPECT_EQ(f.waves.waves[0].name, "one");
}

TEST(ReadFile, MergedWaveEventsFollowTheSongsOwnWaves)
{
    SongFixture g;
    TempDir dir;
    WriteAll(dir.File("w.mid"), FileWithWaves());
    ASSERT_TRUE(LoadSong(g.files, dir.File("w.mid")));
    ASSERT_TRUE(MergeSong(g.files, dir.File("w.mid")));
    EXPECT_EQ(g.waves.Count(), 4);
    EXPECT_EQ(g.song.trackCount, 4);
    const std::vector<Event> merged = g.Events(3);
    ASSERT_EQ(merged.size(), 2u);
    // The file's waves 1 and 0 are the song's waves 3 and 2 after the merge.
    EXPECT_EQ(merged[0].value, 3);
    EXPECT_EQ(merged[1].value, 2);
}

TEST(ReadBlock, PastedTracksLoseWaveEventsAndRescale)
{
    SongFixture f;
    ASSERT_TRUE(f.Read(Smf(120, {Conductor()})));
    Body b;
    WaveEvent(b, 0, 0);
    b.Note(48, 0, 60, 100, 48).End();
    const Bytes block = Smf(48, {b});
    ASSERT_TRUE(ReadBlock(f.files, block, f.song.trackCount));
    EXPECT_EQ(f.song.trackCount, 2);
    const std::vector<Event> ev = f.Events(1);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].Kind(), EventKind::NoteOn);
    EXPECT_EQ(ev[0].time, 120);  // 48 ticks at 48 per quarter
    // No load warnings for clipboard data.
    EXPECT_TRUE(f.messages.numbers().empty());
}

TEST(ReadBlock, NoBlockReports270)
{
    SongFixture f;
    EXPECT_FALSE(ReadBlock(f.files, {}, 0));
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{270});
}

}  // namespace
}  // namespace kv::test
