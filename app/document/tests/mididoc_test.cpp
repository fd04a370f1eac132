#include <gtest/gtest.h>

#include "app/document/tests/docfixture.h"
#include "song/eventops.h"
#include "song/songreset.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv::test {
namespace {

void ExpectConductorOnly(Song& song)
{
    ASSERT_EQ(song.trackCount, 1);
    EXPECT_EQ(song.tracks[0].name, kConductorTrackName);
    ASSERT_FALSE(song.tempoMap.entries.empty());
    ASSERT_FALSE(song.timeSigMap.entries.empty());
    // 120.00 beats per minute is 500000 microseconds per quarter.
    EXPECT_EQ(song.tempoMap.entries[0].usPerQuarter, 500000u);
    EXPECT_EQ(song.timeSigMap.entries[0].numerator, 4);
    EXPECT_EQ(song.timeSigMap.entries[0].denomPower, 2);
}

TEST(DocumentFallback, RequestedThenDefaultThenEmptySong)
{
    struct Case {
        const char* name;
        bool fileExists;
        bool defaultExists;
        bool loaded;
        int tracks;  // 17 = the default song's layout, 1 = conductor only
    };
    const Case cases[] = {
        {"file loads", true, false, true, 17},
        {"missing file, default song", false, true, false, 17},
        {"missing file, no default song", false, false, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DocFixture f;
        const std::string song = f.folder.File("tune.mid");
        if (c.fileExists) {
            ASSERT_TRUE(WriteSongFile(song));
        }
        const std::string def = f.folder.File("KVP$DEF.MID");
        if (c.defaultExists) {
            ASSERT_TRUE(WriteSongFile(def));
        }
        f.doc->SetDefaultSongFile(def);
        EXPECT_EQ(f.doc->OnOpenDocument(song), c.loaded);
        EXPECT_EQ(f.doc->song().trackCount, c.tracks);
        if (c.tracks == 1) {
            ExpectConductorOnly(f.doc->song());
        }
        EXPECT_FALSE(f.doc->IsModified());
        EXPECT_EQ(f.doc->PathName(), c.loaded ? song : "");
        EXPECT_EQ(f.doc->Title(), c.loaded ? "tune.mid" : "Untitled");
        // A missing file is reported with its name (269).
        EXPECT_EQ(f.messages.Has(269), !c.fileExists);
    }
}

TEST(DocumentFallback, NewDocumentWithoutDefaultSongIsConductorTrack)
{
    DocFixture f;
    f.doc->SetDefaultSongFile(f.folder.File("missing.mid"));
    ASSERT_TRUE(f.doc->OnNewDocument());
    ExpectConductorOnly(f.doc->song());
    EXPECT_EQ(f.doc->Title(), "Untitled");
    EXPECT_FALSE(f.doc->IsModified());
    EXPECT_TRUE(f.messages.shown().empty());
}

TEST(DocumentFallback, ShippedDefaultSongHasSixteenNamedChannelTracks)
{
    DocFixture f;
    f.doc->SetDefaultSongFile(ShippedDefaultSong());
    ASSERT_TRUE(f.doc->OnNewDocument());
    Song& song = f.doc->song();
    ASSERT_EQ(song.trackCount, 17);
    EXPECT_EQ(song.tracks[0].name, kConductorTrackName);
    for (int i = 1; i <= 16; ++i) {
        SCOPED_TRACE(i);
        const Track& t = song.tracks[i];
        EXPECT_FALSE(t.name.empty());
        EXPECT_EQ(t.channelMode, kOneChannel);
        EXPECT_EQ(t.channel, i - 1);
    }
    EXPECT_EQ(song.tracks[10].name, "Drums");
    EXPECT_EQ(song.tracks[10].channel, 9);  // channel 10 counted from 1
}

TEST(DocumentOpen, BackupFilesOpenUntitledAndModified)
{
    for (const char* name : {"tune.bak", "Backup of tune.bmid", "TUNE.BAK", "tune.BMid"}) {
        SCOPED_TRACE(name);
        DocFixture f;
        const std::string path = f.folder.File(name);
        ASSERT_TRUE(WriteSongFile(path));
        std::vector<std::string> recent;
        f.doc->onAddRecent = [&](const std::string& p) { recent.push_back(p); };
        ASSERT_TRUE(f.doc->OnOpenDocument(path));
        EXPECT_EQ(f.doc->song().trackCount, 17);
        EXPECT_EQ(f.doc->Title(), "Untitled");
        EXPECT_EQ(f.doc->PathName(), "");
        EXPECT_TRUE(f.doc->IsModified());
        EXPECT_TRUE(recent.empty());
    }
}

TEST(DocumentOpen, UnplayableTimebaseAsks398AndYesPostsSongTimebase)
{
    for (const Button answer : {Button::Yes, Button::No}) {
        DocFixture f;
        const std::string path = f.folder.File("odd.mid");
        ASSERT_TRUE(WriteSongFile(path, 100));
        int posted = 0;
        f.doc->onSongTimebase = [&] { ++posted; };
        f.messages.Answer(answer);
        ASSERT_TRUE(f.doc->OnOpenDocument(path));
        ASSERT_EQ(f.messages.numbers(), std::vector<int>{398});
        EXPECT_NE(f.messages.shown()[0].text.find("timebase of 100"), std::string::npos);
        EXPECT_EQ(posted, answer == Button::Yes ? 1 : 0);
    }
}

TEST(DocumentOpen, PlayableTimebaseDoesNotAsk)
{
    DocFixture f;
    const std::string path = f.folder.File("ok.mid");
    ASSERT_TRUE(WriteSongFile(path, 96));
    ASSERT_TRUE(f.doc->OnOpenDocument(path));
    EXPECT_TRUE(f.messages.shown().empty());
    EXPECT_EQ(f.doc->song().timebase, 96);
}

TEST(DocumentOpen, RefusedWith393WhilePlaying)
{
    DocFixture f;
    const std::string path = f.folder.File("tune.mid");
    ASSERT_TRUE(WriteSongFile(path));
    f.doc->SetDefaultSongFile(f.folder.File("missing.mid"));
    f.doc->OnNewDocument();
    f.doc->SetPlaying(true);
    EXPECT_FALSE(f.doc->OpenDocumentFile(path));
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{393});
    EXPECT_EQ(f.doc->song().trackCount, 1);
}

// Hostile paths: each gives its numbered message and leaves a song.
TEST(DocumentOpen, HostilePathsGiveNumberedMessageAndKeepASong)
{
    struct Case {
        const char* name;
        int message;
    };
    const Case cases[] = {
        {"missing.mid", 269},
        {"a folder", 269},
        {"notmidi.txt", 256},  // after OK to 255, the search finds no header
        {"empty.mid", 269},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DocFixture f;
        const std::string path = f.folder.File(c.name);
        if (std::string(c.name) == "a folder")
            std::filesystem::create_directories(path);
        if (std::string(c.name) == "notmidi.txt")
            WriteBytes(path, "This is not a MIDI file at all.\n");
        if (std::string(c.name) == "empty.mid")
            WriteBytes(path, "");
        f.doc->SetDefaultSongFile(f.folder.File("no default.mid"));
        EXPECT_FALSE(f.doc->OpenDocumentFile(path));
        const std::vector<int> numbers = f.messages.numbers();
        EXPECT_FALSE(numbers.empty());
        if (std::string(c.name) != "empty.mid") {
            EXPECT_NE(std::find(numbers.begin(), numbers.end(), c.message), numbers.end());
        }
        ExpectConductorOnly(f.doc->song());
        EXPECT_EQ(f.doc->Title(), "Untitled");
    }
}

TEST(DocumentOpen, PathsWithSpacesAndNonAsciiLoad)
{
    DocFixture f;
    const std::string path = f.folder.File("my s\xc3\xb8ng \xe6\x9b\xb2.mid");
    ASSERT_TRUE(WriteSongFile(path));
    EXPECT_TRUE(f.doc->OpenDocumentFile(path));
    EXPECT_EQ(f.doc->song().trackCount, 17);
    EXPECT_EQ(f.doc->Title(), "my s\xc3\xb8ng \xe6\x9b\xb2.mid");
    EXPECT_TRUE(f.messages.shown().empty());
}

TEST(DocumentSave, SaveMakesThePathTheDocumentsAndClearsModified)
{
    DocFixture f;
    f.doc->SetDefaultSongFile(f.folder.File("missing.mid"));
    f.doc->OnNewDocument();
    {
        UndoStep step(f.doc->song(), "Rename");
        LockNotes(f.doc->song(), 0, true);
        f.doc->song().tracks[0].name = "Tempo";
        Unlock(f.doc->song(), 0, true);
    }
    EXPECT_TRUE(f.doc->IsModified());
    std::vector<std::string> recent;
    f.doc->onAddRecent = [&](const std::string& p) { recent.push_back(p); };
    const std::string path = f.folder.File("saved.mid");
    ASSERT_TRUE(f.doc->OnSaveDocument(path));
    EXPECT_FALSE(f.doc->IsModified());
    EXPECT_EQ(f.doc->Title(), "saved.mid");
    EXPECT_EQ(recent, std::vector<std::string>{path});

    DocFixture g;
    ASSERT_TRUE(g.doc->OnOpenDocument(path));
    EXPECT_EQ(g.doc->song().tracks[0].name, "Tempo");
}

TEST(DocumentSave, FailedSaveKeepsPathAndModifiedMark)
{
    DocFixture f;
    const std::string path = f.folder.File("tune.mid");
    ASSERT_TRUE(WriteSongFile(path));
    ASSERT_TRUE(f.doc->OnOpenDocument(path));
    f.doc->SetModifiedFlag();
    EXPECT_FALSE(f.doc->OnSaveDocument(f.folder.File("no such folder/x.mid")));
    EXPECT_TRUE(f.messages.Has(275));
    EXPECT_EQ(f.doc->PathName(), path);
    EXPECT_TRUE(f.doc->IsModified());
}

}  // namespace
}  // namespace kv::test
