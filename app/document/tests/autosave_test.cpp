#include <gtest/gtest.h>

#include "app/document/tests/docfixture.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv::test {
namespace {

// An edit in an undo step: track zero renamed.
void Edit(CMidiDoc& doc, const std::string& name)
{
    UndoStep step(doc.song(), "Rename");
    LockNotes(doc.song(), 0, true);
    doc.song().tracks[0].name = name;
    Unlock(doc.song(), 0, true);
}

struct AutoSaveFixture : DocFixture {
    AutoSaveFixture()
    {
        settings.autoSave = 1;  // minutes
        doc->SetDefaultSongFile(folder.File("missing.mid"));
        doc->OnNewDocument();
    }
    bool AutoSaveExists() const { return std::filesystem::exists(settings.autoSaveFile); }
};

TEST(AutoSave, EditArmsTheTimerAndTheFileFollowsOnceDue)
{
    AutoSaveFixture f;
    f.settings.autoSave = 2;
    EXPECT_FALSE(f.timer.running);
    Edit(*f.doc, "First edit");
    EXPECT_TRUE(f.timer.running);
    EXPECT_EQ(f.doc->autoSave().Due(), f.clock.now + 2 * 60000);

    // One minute: not due yet, the timer runs again.
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    EXPECT_FALSE(f.AutoSaveExists());
    EXPECT_TRUE(f.timer.running);

    // Two minutes: written, with the prompt shown and back to idle.
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    EXPECT_TRUE(f.AutoSaveExists());
    EXPECT_FALSE(f.doc->autoSave().Pending());
    EXPECT_FALSE(f.timer.running);
    EXPECT_EQ(f.messages.prompt, Messages::kIdlePrompt);
    EXPECT_TRUE(f.messages.shown().empty());
    EXPECT_TRUE(f.doc->IsModified());  // an automatic save is no document save

    DocFixture reader;
    ASSERT_TRUE(reader.doc->OnOpenDocument(f.settings.autoSaveFile));
    EXPECT_EQ(reader.doc->song().tracks[0].name, "First edit");
}

TEST(AutoSave, TimerFiringALittleEarlyStillSaves)
{
    AutoSaveFixture f;  // one minute
    Edit(*f.doc, "a");
    f.clock.now += 60000 - 15;
    f.doc->OnAutoSaveTimer();
    EXPECT_TRUE(f.AutoSaveExists());
}

TEST(AutoSave, SecondEditWhilePendingKeepsTheFirstDueTime)
{
    AutoSaveFixture f;
    Edit(*f.doc, "a");
    const int64_t due = f.doc->autoSave().Due();
    f.clock.now += 30000;
    Edit(*f.doc, "b");
    EXPECT_EQ(f.doc->autoSave().Due(), due);
    EXPECT_EQ(f.timer.starts, 1);
}

TEST(AutoSave, NothingChangedSinceTheLastSaveWritesNothing)
{
    AutoSaveFixture f;
    Edit(*f.doc, "a");
    ASSERT_TRUE(f.doc->OnSaveDocument(f.folder.File("saved.mid")));
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    EXPECT_FALSE(f.AutoSaveExists());
    EXPECT_FALSE(f.doc->autoSave().Pending());
}

TEST(AutoSave, DocumentSaveDeletesTheAutomaticSaveFile)
{
    AutoSaveFixture f;
    Edit(*f.doc, "a");
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    ASSERT_TRUE(f.AutoSaveExists());
    ASSERT_TRUE(f.doc->OnSaveDocument(f.folder.File("saved.mid")));
    EXPECT_FALSE(f.AutoSaveExists());
}

TEST(AutoSave, FailedSaveIsTriedAgainAnIntervalLater)
{
    AutoSaveFixture f;
    f.settings.autoSaveFile = f.folder.File("gone/KVP$Auto.sav");
    Edit(*f.doc, "a");
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{275});
    EXPECT_TRUE(f.doc->autoSave().Pending());
    EXPECT_TRUE(f.timer.running);
    // The folder comes back: the next due time writes the edit.
    std::filesystem::create_directories(f.folder.File("gone"));
    f.clock.now += 60000;
    f.doc->OnAutoSaveTimer();
    EXPECT_TRUE(std::filesystem::exists(f.settings.autoSaveFile));
    EXPECT_FALSE(f.doc->autoSave().Pending());
}

TEST(AutoSave, NoTimerShows376AndSwitchesAutoSaveOff)
{
    AutoSaveFixture f;
    f.timer.available = false;
    Edit(*f.doc, "a");
    EXPECT_EQ(f.messages.numbers(), std::vector<int>{376});
    EXPECT_FALSE(f.settings.autoSaveOn);
    EXPECT_FALSE(f.doc->autoSave().Pending());
}

TEST(AutoSave, SwitchedOffArmsNothing)
{
    AutoSaveFixture f;
    f.settings.autoSaveOn = false;
    Edit(*f.doc, "a");
    EXPECT_FALSE(f.timer.running);
}

// The program killed after an automatic save: the next document offers the
// file (375); Yes loads it untitled ("Auto Save") and modified, and the file
// stays until the song is saved.
TEST(AutoSaveRecovery, YesLoadsTheFileAndKeepsItNoDeletesIt)
{
    for (const Button answer : {Button::Yes, Button::No}) {
        SCOPED_TRACE(answer == Button::Yes ? "Yes" : "No");
        AutoSaveFixture crashed;
        Edit(*crashed.doc, "Unsaved work");
        crashed.clock.now += 60000;
        crashed.doc->OnAutoSaveTimer();
        ASSERT_TRUE(crashed.AutoSaveExists());

        FakeMessages messages;
        FakeClock clock;
        FakeTimer timer;
        CMidiDoc next(messages, crashed.settings, clock, timer);
        next.SetDefaultSongFile(crashed.folder.File("missing.mid"));
        messages.Answer(answer);
        const bool recovered = next.RecoverAutoSave();
        EXPECT_EQ(messages.numbers(), std::vector<int>{375});
        EXPECT_EQ(recovered, answer == Button::Yes);
        if (answer == Button::Yes) {
            EXPECT_EQ(next.song().tracks[0].name, "Unsaved work");
            EXPECT_EQ(next.Title(), "Auto Save");
            EXPECT_EQ(next.PathName(), "");
            EXPECT_TRUE(next.IsModified());
            EXPECT_TRUE(crashed.AutoSaveExists());
        } else {
            EXPECT_FALSE(crashed.AutoSaveExists());
        }
    }
}

TEST(AutoSaveRecovery, NoFileAsksNothing)
{
    AutoSaveFixture f;
    EXPECT_FALSE(f.doc->RecoverAutoSave());
    EXPECT_TRUE(f.messages.shown().empty());
}

}  // namespace
}  // namespace kv::test
