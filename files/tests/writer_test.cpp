#include <gtest/gtest.h>

#include "files/backup.h"
#include "files/chunkio.h"
#include "files/fileops.h"
#include "files/songfiles.h"
#include "files/tests/smfbuilder.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv::test {
namespace {

Body Conductor()
{
    return std::move(Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End());
}

Body Notes(int channel = 0)
{
    return std::move(Body().Note(0, channel, 60, 100, 120).Note(0, channel, 64, 90, 60).End());
}

// A saved song: loaded from bytes into a fixture that saves into dir.
struct SaveFixture : SongFixture {
    TempDir dir;
    std::string path = dir.File("tune.mid");

    explicit SaveFixture(const Bytes& file)
    {
        files.settings.useBak = false;
        EXPECT_TRUE(Read(file));
        files.state.documentPath = path;
        messages.Clear();
    }
    int Save() { return WriteSong(files, false, false); }
};

TEST(WriteSong, FileIsHeaderThenOneChunkPerPackedStream)
{
    struct Case {
        const char* name;
        Bytes file;
        uint16_t format;
        uint16_t chunks;
    };
    const Case cases[] = {
        {"one track is format 0", Smf(96, {Notes()}), 0, 1},
        {"two tracks are format 1", Smf(96, {Conductor(), Notes()}), 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFixture f(c.file);
        ASSERT_EQ(f.Save(), 0);
        Bytes expected = Header(c.format, c.chunks, 96);
        for (int i = 0; i < f.song.trackCount; ++i) {
            const Track& t = f.song.tracks[i];
            const Bytes chunk = Chunk("MTrk", Bytes(t.stream.begin(), t.stream.begin() + t.streamSize));
            expected.insert(expected.end(), chunk.begin(), chunk.end());
        }
        EXPECT_EQ(ReadAll(f.path), expected);
        EXPECT_FALSE(f.files.state.modified);
    }
}

TEST(WriteSong, ConformanceChecksBeforeADocumentSave)
{
    const Body tempoIn3 = std::move(Body().Meta(0, 0x51, {0x07, 0xA1, 0x20}).End());
    const Body sysex = std::move(Body().SysEx(0, {0x41, 0x10, 0xF7}).End());
    const Body own = std::move(Body().Meta(0, 0x7F, {0x00, 0x00, 0x5B, 0x01, 'C', 'm'}).End());
    struct Case {
        const char* name;
        Bytes file;
        std::vector<Button> answers;
        int result;
        std::vector<int> numbers;
        std::string firstText;
    };
    const Case cases[] = {
        {"tempo in track 3, No cancels",
         Smf(120, {Conductor(), Notes(), Notes(1), tempoIn3}),
         {Button::No},
         1,
         {271},
         "Tempo & Time Signature events are in track(s) 3 and these should only be in track zero.  This "
         "means the "
         "file won't conform to the MIDI file specification, and may not be usable in other programs.  Save "
         "Anyway?"},
        {"tempo in track 3, Yes saves",
         Smf(120, {Conductor(), Notes(), Notes(1), tempoIn3}),
         {Button::Yes},
         0,
         {271},
         ""},
        {"sysex is reported",
         Smf(120, {Conductor(), sysex}),
         {},
         0,
         {268},
         "Track(s) 1 contain MIDI System Exclusive messages."},
        {"own records are reported",
         Smf(120, {Conductor(), own}),
         {},
         0,
         {273},
         "Warning: Track(s) 1 contains Kelvane specific events.  These will not be understood by other "
         "programs, although the file should be loadable."},
        {"notes in track zero, No cancels", Smf(120, {Notes(), Notes(1)}), {Button::No}, 1, {272}, ""},
        {"a conforming song saves silently", Smf(120, {Conductor(), Notes()}), {}, 0, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFixture f(c.file);
        f.files.settings.useBak = true;
        WriteAll(f.path, {'o', 'l', 'd'});
        for (Button b : c.answers)
            f.messages.Answer(b);
        EXPECT_EQ(f.Save(), c.result);
        EXPECT_EQ(f.messages.numbers(), c.numbers);
        if (!c.firstText.empty() && !f.messages.shown().empty())
            EXPECT_EQ(f.messages.shown()[0].text, c.firstText);
        if (c.result != 0) {
            // Cancelled: nothing written and no backup made.
            EXPECT_EQ(ReadAll(f.path), (Bytes{'o', 'l', 'd'}));
            EXPECT_EQ(f.dir.Names(), std::vector<std::string>{"tune.mid"});
        }
    }
}

// Three waves; the tracks use wave 2 first, then wave 0; wave 1 is unused.
Bytes ThreeWavesTwoUsed(int secondReference = 0)
{
    auto wave = [](uint8_t n) { return Bytes{0x00, 0x00, 0x5B, 0x10, n, 0x00}; };
    Body t1 = std::move(Body().Meta(10, 0x7F, wave(2)).End());
    Body t2 = std::move(Body().Meta(20, 0x7F, wave(uint8_t(secondReference))).End());
    Bytes chunk;
    for (uint8_t w = 0; w < 3; ++w) {
        Bytes start(60, 0);
        start[0] = uint8_t('a' + w);
        start.insert(start.end(), {w, 0});
        start.insert(start.end(), 16, w);
        auto record = [](uint8_t type, const Bytes& data) {
            Bytes r = {0x00, 0xFF, 0x7F};
            PutVarLen(r, uint32_t(data.size() + 4));
            r.insert(r.end(), {0x00, 0x00, 0x5B, type});
            r.insert(r.end(), data.begin(), data.end());
            return r;
        };
        chunk = Cat({chunk, record(0x12, start), record(0x13, Bytes(3, uint8_t(0xA0 + w)))});
    }
    chunk.insert(chunk.end(), {0x00, 0xFF, 0x2F, 0x00});
    return Cat(
        {Header(1, 4, 120), TrackChunk(Conductor()), TrackChunk(t1), TrackChunk(t2), Chunk("MTrk", chunk)});
}

TEST(WriteSong, CompactsTheWaveTableInOrderOfFirstUse)
{
    SaveFixture f(ThreeWavesTwoUsed());
    ASSERT_EQ(f.waves.Count(), 3);
    ASSERT_EQ(f.Save(), 0);
    ASSERT_EQ(f.waves.Count(), 2);
    EXPECT_EQ(f.waves.waves[0].name, "c");  // old wave 2, used first
    EXPECT_EQ(f.waves.waves[1].name, "a");  // old wave 0
    EXPECT_EQ(f.Events(1)[0].value, 0);
    EXPECT_EQ(f.Events(2)[0].value, 1);

    SongFixture back;
    ASSERT_TRUE(LoadSong(back.files, f.path));
    ASSERT_EQ(back.waves.Count(), 2);
    EXPECT_EQ(back.waves.waves[0].samples, Bytes(3, 0xA2));
    EXPECT_EQ(back.waves.waves[1].samples, Bytes(3, 0xA0));
    EXPECT_EQ(back.Events(1)[0].value, 0);
    EXPECT_EQ(back.Events(2)[0].value, 1);
}

TEST(WriteSong, WaveNumberPastTheTableBecomesWaveZero)
{
    SaveFixture f(ThreeWavesTwoUsed(7));
    f.files.settings.warnKV = false;
    ASSERT_EQ(f.Save(), 0);
    ASSERT_FALSE(f.messages.shown().empty());
    EXPECT_EQ(f.messages.shown()[0].number, 239);
    EXPECT_EQ(f.messages.shown()[0].text,
              "The track asks for wave number 8, but there are only 3 waves in the file!");
    // Old wave 2 first, then the bad reference as old wave 0.
    ASSERT_EQ(f.waves.Count(), 2);
    EXPECT_EQ(f.waves.waves[1].name, "a");
    EXPECT_EQ(f.Events(2)[0].value, 1);
}

TEST(Backup, NameFollowsTheFileSystemsNameLength)
{
    struct Case {
        const char* path;
        long nameMax;
        const char* backup;
    };
    const Case cases[] = {
        {"/songs/tune.mid", 255, "/songs/Backup of tune.bmid"},
        {"/songs/tune.mid", 20, "/songs/Backup of tune.bmid"},
        {"/songs/tune.mid", 19, "/songs/tune.bak"},
        {"tune.mid", 255, "Backup of tune.bmid"},
        {"/songs/tune", 255, "/songs/Backup of tune.bmid"},
        {"/songs/my.tune.mid", 12, "/songs/my.tune.bak"},
        {"/so.ngs/tune", 12, "/so.ngs/tune.bak"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(BackupName(c.path, c.nameMax), c.backup);
    }
}

class ShortNames : public FileOps {
public:
    long NameMax(const std::string&) override { return 14; }
};

TEST(WriteSong, BackupKeepsThePreviousVersion)
{
    SaveFixture f(Smf(120, {Conductor(), Notes()}));
    f.files.settings.useBak = true;
    WriteAll(f.path, {'v', '1'});
    ASSERT_EQ(f.Save(), 0);
    EXPECT_EQ(ReadAll(f.dir.File("Backup of tune.bmid")), (Bytes{'v', '1'}));
    const Bytes second = ReadAll(f.path);

    ShortNames ops;
    f.files.ops = &ops;
    ASSERT_EQ(f.Save(), 0);
    EXPECT_EQ(ReadAll(f.dir.File("tune.bak")), second);
    EXPECT_EQ(f.dir.Names(), (std::vector<std::string>{"Backup of tune.bmid", "tune.bak", "tune.mid"}));
}

TEST(WriteSong, AutomaticSaveOnlyWhenTheSongChanged)
{
    SaveFixture f(Smf(120, {Conductor(), Notes()}));
    f.files.settings.autoSaveFile = f.dir.File("KVP$Auto.sav");
    f.files.state.changeCount = 5;
    ASSERT_EQ(WriteSong(f.files, false, true), 0);
    EXPECT_FALSE(ReadAll(f.files.settings.autoSaveFile).empty());

    // A document save removes the automatic save file ...
    ASSERT_EQ(f.Save(), 0);
    EXPECT_EQ(f.dir.Names(), std::vector<std::string>{"tune.mid"});
    // ... and an automatic save right after it writes nothing.
    EXPECT_EQ(WriteSong(f.files, false, true), 1);
    EXPECT_EQ(f.dir.Names(), std::vector<std::string>{"tune.mid"});
    EXPECT_TRUE(f.messages.numbers().empty());

    f.files.state.changeCount = 6;
    EXPECT_EQ(WriteSong(f.files, false, true), 0);
    EXPECT_EQ(f.dir.Names().size(), 2u);
}

TEST(WriteSong, ClipboardHoldsTheSelectedTracksWithoutWaves)
{
    SaveFixture f(ThreeWavesTwoUsed());
    f.song.tracks[1].trackSelected = 1;
    f.song.tracks[2].trackSelected = 1;
    Bytes block;
    ASSERT_EQ(WriteSong(f.files, true, false, &block), 0);
    ASSERT_GE(block.size(), 14u);
    // Format 1, two chunks, no wave chunk; the clipboard skips the checks.
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 14), Header(1, 2, 120));
    EXPECT_TRUE(f.messages.numbers().empty());

    SongFixture paste;
    ASSERT_TRUE(paste.Read(Smf(120, {Conductor()})));
    ASSERT_TRUE(ReadBlock(paste.files, block, 1));
    EXPECT_EQ(paste.song.trackCount, 3);
    EXPECT_TRUE(paste.Events(1).empty());  // the wave events were dropped
}

TEST(OnSaveDocument, FailureKeepsTheOldPath)
{
    SaveFixture f(Smf(120, {Conductor(), Notes()}));
    EXPECT_TRUE(OnSaveDocument(f.files, f.dir.File("new.mid")));
    EXPECT_EQ(f.files.state.documentPath, f.dir.File("new.mid"));
    EXPECT_FALSE(OnSaveDocument(f.files, f.dir.File("no/such/folder.mid")));
    EXPECT_EQ(f.files.state.documentPath, f.dir.File("new.mid"));
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{275});
}

}  // namespace
}  // namespace kv::test
