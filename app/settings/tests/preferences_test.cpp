#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/settings/preferences.h"
#include "app/settings/settingsundohost.h"
#include "platform/fakemessages.h"
#include "song/mapbuild.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/timetext.h"
#include "song/trackstore.h"
#include "song/undojournal.h"
#include "song/undostep.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class HintLog : public SongNotifier {
public:
    void Notify(const CNotify& hint) override { kinds.push_back(hint.kind); }
    std::vector<int> kinds;
};

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        song->messages = &messages;
        song->notifier = &hints;
        song->timeMaps = &maps;
        song->undo = &journal;
        ResetSong(*song);
        settings.autoSaveFile = folder + "KVP$Auto.sav";
    }

    void WithConductorTrack()
    {
        BeginStep(*song, kCreateTrackZeroStep, true);
        ASSERT_TRUE(CreateTrackZero(*song));
        EndStep(*song);
    }

    std::string folder = "/nonexistent/Kelvane Professional/";
    std::unique_ptr<Song> song = std::make_unique<Song>();
    FakeMessages messages;
    HintLog hints;
    TimeMapBuilder maps;
    UndoJournal journal;
    Settings settings;
};

TEST_F(PreferencesTest, SheetStartsFromTheSettingsAndOkStoresThemBack)
{
    settings.middleC = -1;
    settings.patchBse = 0;
    settings.warnSysEx = true;
    settings.autoSave = 12;
    const PreferencesValues shown = PreferencesFrom(settings);
    EXPECT_EQ(shown.middleCOctave, 4);
    EXPECT_EQ(shown.patchBase, 0);
    EXPECT_TRUE(shown.warnSysEx);
    EXPECT_EQ(shown.autoSaveMinutes, 12);

    PreferencesValues v = shown;
    v.warnFile = false;
    v.warnKV = false;
    v.warnCache = true;
    v.rolPitchWheel = false;
    v.rolSavePatches = false;
    v.patchBase = 1;
    v.middleCOctave = 6;
    v.cutOffWave = false;
    v.autoSaveMinutes = 3;
    v.autoSaveOn = false;
    ApplyPreferences(settings, *song, v, folder);
    EXPECT_EQ(PreferencesFrom(settings), v);
    EXPECT_EQ(settings.middleC, 1);
}

TEST_F(PreferencesTest, OutOfRangeValuesAreBroughtIntoRange)
{
    PreferencesValues v = PreferencesFrom(settings);
    v.middleCOctave = 9;
    v.autoSaveMinutes = -4;
    v.timeFormat = 7;
    v.autoSaveFile.clear();
    ApplyPreferences(settings, *song, v, folder);
    EXPECT_EQ(settings.middleC, 1);
    EXPECT_EQ(settings.autoSave, 1);
    EXPECT_EQ(settings.timeFmt, 3);
    EXPECT_EQ(settings.autoSaveFile, folder + "KVP$Auto.sav");
}

TEST_F(PreferencesTest, MiddleCOctaveFourNamesKey60AsC4)
{
    PreferencesValues v = PreferencesFrom(settings);
    v.middleCOctave = 4;
    ApplyPreferences(settings, *song, v, folder);
    EXPECT_EQ(settings.middleC, -1);
    EXPECT_EQ(NoteName(TimeParamsOf(*song, settings.middleC), 60, 0), "C  4");
}

TEST_F(PreferencesTest, NewTimeFormatRebuildsTheMapsInAnUndoStep)
{
    WithConductorTrack();
    // At 120 ticks a quarter, tick 600 is beat 6 of the song: measure 2,
    // beat 2 in 4/4.
    ASSERT_EQ(FormatTime(TimeParamsOf(*song), 600, true), "2.2:000");
    const uint32_t count = journal.ChangeCount();
    PreferencesValues v = PreferencesFrom(settings);
    v.timeFormat = 0;
    ApplyPreferences(settings, *song, v, folder);
    EXPECT_EQ(settings.timeFmt, 0);
    EXPECT_EQ(song->timeFormat, 0);
    EXPECT_EQ(song->firstMeasure, 0);
    EXPECT_EQ(song->firstBeat, 0);
    EXPECT_EQ(FormatTime(TimeParamsOf(*song), 600, true), "5:000");
    EXPECT_FALSE(journal.StepOpen());
    EXPECT_EQ(journal.ChangeCount(), count + 1);
}

TEST_F(PreferencesTest, NewTimeFormatWithoutTracksResetsTheSong)
{
    PreferencesValues v = PreferencesFrom(settings);
    v.timeFormat = 2;
    ApplyPreferences(settings, *song, v, folder);
    EXPECT_EQ(song->timeFormat, 2);
    EXPECT_EQ(song->firstMeasure, 1);
    EXPECT_EQ(song->firstBeat, 0);
    ASSERT_FALSE(hints.kinds.empty());
    EXPECT_EQ(hints.kinds.back(), 15);  // the key map changed
    EXPECT_FALSE(journal.IsUndoAvailable());
}

TEST_F(PreferencesTest, UnchangedTimeFormatLeavesTheSongAlone)
{
    WithConductorTrack();
    const uint32_t count = journal.ChangeCount();
    ApplyPreferences(settings, *song, PreferencesFrom(settings), folder);
    EXPECT_EQ(journal.ChangeCount(), count);
}

class AutoSaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("kv_prefs_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(AutoSaveFileTest, NewNameMovesAnExistingAutomaticSaveFile)
{
    const fs::path old = dir / "KVP$Auto.sav";
    const fs::path renamed = dir / "mine.sav";
    std::ofstream(old) << "song";
    auto song = std::make_unique<Song>();
    Settings settings;
    settings.autoSaveFile = old.string();
    PreferencesValues v = PreferencesFrom(settings);
    v.autoSaveFile = renamed.string();
    ApplyPreferences(settings, *song, v, dir.string() + "/");
    EXPECT_EQ(settings.autoSaveFile, renamed.string());
    EXPECT_FALSE(fs::exists(old));
    std::ifstream in(renamed);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "song");
}

TEST_F(AutoSaveFileTest, NoFileToMoveIsNotAFailure)
{
    EXPECT_TRUE(MoveAutoSaveFile((dir / "none.sav").string(), (dir / "other.sav").string()));
    EXPECT_FALSE(fs::exists(dir / "other.sav"));
    std::ofstream(dir / "a.sav") << "x";
    EXPECT_FALSE(MoveAutoSaveFile((dir / "a.sav").string(), (dir / "missing" / "b.sav").string()));
    EXPECT_TRUE(fs::exists(dir / "a.sav"));
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

class NoTimer : public SettingsUndoHost {
public:
    using SettingsUndoHost::SettingsUndoHost;
    bool StartAutoSave(int64_t dueInMs) override
    {
        due = dueInMs;
        return false;
    }
    int64_t due = 0;
};

TEST(SettingsUndoHost, ArmsFromTheSettingsAndSwitchesThemOffWhenNoTimer)
{
    Settings settings;
    settings.autoSave = 2;
    NoTimer host(settings);
    UndoJournal journal(&host);
    FakeMessages messages;
    auto song = std::make_unique<Song>();
    song->messages = &messages;
    song->undo = &journal;
    ResetSong(*song);
    BeginStep(*song, kCreateTrackZeroStep, true);
    ASSERT_TRUE(CreateTrackZero(*song));
    EndStep(*song);

    BeginStep(*song, "Rename");
    ASSERT_NE(LockNotes(*song, 0, true), nullptr);
    song->tracks[0].name = "Tempo";
    Unlock(*song, 0, true);
    EndStep(*song);
    EXPECT_EQ(host.due, 2 * 60000);
    EXPECT_EQ(messages.numbers(), std::vector<int>{376});
    EXPECT_FALSE(settings.autoSaveOn);
}

}  // namespace
}  // namespace kv
