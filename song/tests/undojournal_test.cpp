#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/fakemessages.h"
#include "song/eventops.h"
#include "song/mapbuild.h"
#include "song/pack.h"
#include "song/song.h"
#include "song/songreset.h"
#include "song/trackstore.h"
#include "song/undojournal.h"
#include "song/undostep.h"
#include "song/undotracks.h"

namespace kv {
namespace {

class CountingNotifier : public SongNotifier {
public:
    void Notify(const CNotify& hint) override { hints.push_back(hint); }
    void SetModified() override { ++modified; }
    std::vector<CNotify> hints;
    int modified = 0;
};

class ScriptedHost : public UndoHost {
public:
    bool AutoSaveOn() const override { return on; }
    int32_t AutoSaveMinutes() const override { return minutes; }
    void DisableAutoSave() override { on = false; }
    bool AutoSavePending() const override { return pending; }
    bool StartAutoSave(int64_t dueInMs) override
    {
        starts.push_back(dueInMs);
        pending = timerWorks;
        return timerWorks;
    }
    bool IsPlaying() const override { return playing; }
    void RefreshPlaying(Song&, const std::vector<int32_t>& dropped) override { refreshes.push_back(dropped); }

    bool on = true;
    int32_t minutes = 5;
    bool pending = false;
    bool timerWorks = true;
    bool playing = false;
    std::vector<int64_t> starts;
    std::vector<std::vector<int32_t>> refreshes;
};

// A track body as a file holds it: its name, one note of key 40 + n lasting
// 96 ticks, a text "text<n>" and a system exclusive message carrying n, all
// with their payloads in the SubHeap once built.
std::vector<uint8_t> TrackBytes(int n)
{
    const std::string name = "Track " + std::to_string(n);
    std::vector<uint8_t> b = {0x00, 0xFF, 0x03, uint8_t(name.size())};
    b.insert(b.end(), name.begin(), name.end());
    const uint8_t key = uint8_t(40 + n);
    const std::vector<uint8_t> body = {0x00,
                                       0x90,
                                       key,
                                       0x40,
                                       0x60,
                                       0x80,
                                       key,
                                       0x00,
                                       0x00,
                                       0xFF,
                                       0x01,
                                       0x05,
                                       't',
                                       'e',
                                       'x',
                                       't',
                                       uint8_t('0' + n % 10),
                                       0x00,
                                       0xF0,
                                       0x03,
                                       0x7E,
                                       uint8_t(n),
                                       0xF7,
                                       0x00,
                                       0xFF,
                                       0x2F,
                                       0x00};
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A loaded song: a conductor track and `tracks` more, read inside the
// suppressed step a load uses.
class UndoSongTest : public ::testing::Test {
protected:
    void Build(int tracks)
    {
        song->messages = &messages;
        song->notifier = &notifier;
        song->timeMaps = &maps;
        song->undo = &journal;
        journal.SetHost(&host);
        ResetSong(*song);
        BeginStep(*song, "Load Song", true);
        ASSERT_TRUE(CreateTrackZero(*song));
        for (int i = 1; i <= tracks; ++i) {
            Track& t = song->tracks[i];
            t.stream = TrackBytes(i);
            t.streamSize = int32_t(t.stream.size());
            ASSERT_EQ(BuildEvents(*song, i), 0);
        }
        EndStep(*song);
        ASSERT_EQ(song->trackCount, tracks + 1);
        ASSERT_FALSE(journal.IsUndoAvailable());
        messages.Clear();
    }

    // What saving writes for the tracks: every packed stream, in order. The
    // tracks are left changed, as loading leaves them; Packed() leaves them
    // packed.
    std::vector<std::vector<uint8_t>> Saved()
    {
        std::vector<std::vector<uint8_t>> out = Packed();
        for (int i = 0; i < song->trackCount; ++i)
            song->tracks[i].changed = song->tracks[i].eventsBuilt ? 1 : 0;
        return out;
    }
    std::vector<std::vector<uint8_t>> Packed()
    {
        std::vector<std::vector<uint8_t>> out;
        for (int i = 0; i < song->trackCount; ++i) {
            Track& t = song->tracks[i];
            t.changed = t.eventsBuilt ? 1 : 0;
            EXPECT_EQ(Pack(*song, i, true), 0);
            out.push_back(std::vector<uint8_t>(t.stream.begin(), t.stream.begin() + t.streamSize));
        }
        return out;
    }

    Track& T(int i) { return song->tracks[i]; }

    // Every payload an Event names is a live block of its track's heap.
    bool PayloadsLive(int i)
    {
        const Track& t = song->tracks[i];
        for (int32_t k = 0; k < t.eventCount; ++k) {
            const Event& e = t.events[size_t(k)];
            if (e.HasPayload() && e.value != 0 && !t.heap.IsLive(e.value))
                return false;
        }
        return true;
    }

    int Find(int i, EventKind kind)
    {
        for (int32_t k = 0; k < T(i).eventCount; ++k)
            if (T(i).events[size_t(k)].Kind() == kind)
                return k;
        return -1;
    }

    void EditNote(int i, int keyDelta)
    {
        Event* e = LockNotes(*song, i, true);
        ASSERT_NE(e, nullptr);
        e[Find(i, EventKind::NoteOn)].data1 = uint8_t(e[Find(i, EventKind::NoteOn)].data1 + keyDelta);
        Unlock(*song, i, true);
    }

    void ReplaceText(int i, const std::string& text)
    {
        ASSERT_NE(LockNotes(*song, i, true), nullptr);
        const int k = Find(i, EventKind::MetaTxt);
        ASSERT_GE(k, 0);
        const int32_t h = SubHeapAlloc(*song, i, int32_t(text.size() + 1));
        ASSERT_NE(h, 0);
        std::memcpy(T(i).heap.Payload(h), text.c_str(), text.size() + 1);
        SubHeapFree(*song, i, T(i).events[size_t(k)].value);
        T(i).events[size_t(k)].value = h;
        Unlock(*song, i, true);
    }

    std::unique_ptr<Song> song = std::make_unique<Song>();
    FakeMessages messages;
    CountingNotifier notifier;
    TimeMapBuilder maps;
    ScriptedHost host;
    UndoJournal journal;
};

TEST_F(UndoSongTest, UndoRestoresTwoEditedTracksAndUndoAgainRedoes)
{
    Build(3);
    const auto before = Saved();
    BeginStep(*song, "Transpose");
    EditNote(1, 5);
    ReplaceText(3, "changed text");
    T(3).name = "Renamed";
    T(1).transpose = 7;
    T(1).muteFlags = kMutedByCommand;
    T(1).port = 4;
    EndStep(*song);
    ASSERT_TRUE(journal.IsUndoAvailable());
    const auto edited = Saved();
    ASSERT_NE(edited, before);

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
    EXPECT_EQ(T(3).name, "Track 3");
    EXPECT_TRUE(PayloadsLive(1));
    EXPECT_TRUE(PayloadsLive(3));
    EXPECT_TRUE(journal.IsUndoAvailable());

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), edited);
    EXPECT_TRUE(PayloadsLive(3));
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
}

TEST_F(UndoSongTest, UndoBringsBackDeletedEventsWithTheirPayloads)
{
    Build(2);
    const auto before = Saved();
    const uint8_t sysex = T(2).heap.Payload(T(2).events[size_t(Find(2, EventKind::SysEx))].value)[1];
    BeginStep(*song, "Delete Event");
    ASSERT_NE(LockNotes(*song, 2, true), nullptr);
    DeleteEvent(*song, 2, Find(2, EventKind::SysEx), false);
    DeleteEvent(*song, 2, Find(2, EventKind::MetaTxt), false);
    Unlock(*song, 2, true);
    EndStep(*song);
    ASSERT_EQ(T(2).eventCount, 1);
    ASSERT_EQ(T(2).heap.LiveCount(), 0);

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
    ASSERT_GE(Find(2, EventKind::SysEx), 0);
    // The payload is the message's bytes after the length: 7E n F7.
    EXPECT_EQ(T(2).heap.Payload(T(2).events[size_t(Find(2, EventKind::SysEx))].value)[1], sysex);
    EXPECT_TRUE(PayloadsLive(2));
}

TEST_F(UndoSongTest, DeletedTracksComeBackAtTheirPositionsAndGoAgain)
{
    Build(6);
    const auto before = Saved();
    BeginStep(*song, "Delete Track");
    // Deleting 2 first moves the old track 5 to position 4.
    ASSERT_TRUE(DeleteTrack(*song, 2));
    ASSERT_EQ(T(4).name, "Track 5");
    ASSERT_TRUE(DeleteTrack(*song, 4));
    EndStep(*song);
    ASSERT_EQ(song->trackCount, 5);
    const auto deleted = Saved();

    ASSERT_TRUE(journal.Undo(*song));
    ASSERT_EQ(song->trackCount, 7);
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(T(i).name, "Track " + std::to_string(i));
    EXPECT_EQ(T(5).events[0].data1, 45);
    EXPECT_EQ(Saved(), before);
    EXPECT_TRUE(T(7).IsEmpty());

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 5);
    EXPECT_EQ(Saved(), deleted);
    EXPECT_EQ(T(2).name, "Track 3");
    EXPECT_TRUE(T(5).IsEmpty());

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
}

TEST_F(UndoSongTest, DeletingTrackZeroRebuildsTheMapsOnEveryUndo)
{
    Build(2);
    ASSERT_EQ(song->tempoMap.entries.size(), 1u);
    // A second tempo in track zero, at 480, as a load would have it.
    BeginStep(*song, "Load Song", true);
    ASSERT_NE(LockNotes(*song, 0, false), nullptr);
    Event tempo;
    tempo.time = 480;
    tempo.SetTempo(6000);
    ASSERT_GE(InsertEvent(*song, 0, tempo, -1, false), 0);
    Unlock(*song, 0, true);
    EndStep(*song);
    ASSERT_EQ(song->tempoMap.entries.size(), 2u);

    BeginStep(*song, "Delete Track");
    ASSERT_TRUE(DeleteTrack(*song, 0));
    EndStep(*song);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(T(0).name, kConductorTrackName);
    EXPECT_EQ(song->tempoMap.entries.size(), 2u);
    ASSERT_TRUE(journal.Undo(*song));
    // Track 1 is track zero now and has no tempo: one default entry.
    EXPECT_EQ(T(0).name, "Track 1");
    EXPECT_EQ(song->tempoMap.entries.size(), 1u);
}

TEST_F(UndoSongTest, InsertedTracksLeaveOnUndoAndReturnWithTheirContents)
{
    Build(3);
    const auto before = Saved();
    BeginStep(*song, "Insert Track");
    ASSERT_TRUE(InsertTracks(*song, 2, 2));
    // Write into the first new track and edit an old one that moved.
    T(2).stream = TrackBytes(9);
    T(2).streamSize = int32_t(T(2).stream.size());
    ASSERT_EQ(BuildEvents(*song, 2), 0);
    EditNote(4, 1);  // the old track 2
    EndStep(*song);
    ASSERT_EQ(song->trackCount, 6);
    const auto inserted = Saved();

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 4);
    EXPECT_EQ(Saved(), before);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 6);
    EXPECT_EQ(T(2).name, "Track 9");
    EXPECT_EQ(Saved(), inserted);
}

TEST_F(UndoSongTest, WritingIntoTheNextTrackIsUndoneWithTheGrowth)
{
    Build(2);
    const auto before = Saved();
    BeginStep(*song, "Insert Event");
    ASSERT_NE(LockNotes(*song, 3, true), nullptr);
    Event note;
    note.status = 0x91;
    note.data1 = 60;
    note.data2 = 100;
    note.value = 10;
    ASSERT_GE(InsertEvent(*song, 3, note, -1, false), 0);
    Unlock(*song, 3, true);
    EndStep(*song);
    ASSERT_EQ(song->trackCount, 4);
    const auto grown = Saved();

    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 3);
    EXPECT_EQ(T(3).eventCount, 0);
    EXPECT_EQ(Saved(), before);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 4);
    EXPECT_EQ(Saved(), grown);
}

TEST_F(UndoSongTest, ClearedTrackComesBackWhole)
{
    Build(2);
    const auto before = Saved();
    BeginStep(*song, "Clear Track");
    ASSERT_TRUE(ClearTrack(*song, 1));
    EndStep(*song);
    ASSERT_EQ(T(1).eventCount, 0);
    ASSERT_TRUE(T(1).name.empty());
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
    EXPECT_TRUE(PayloadsLive(1));
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(T(1).eventCount, 0);
}

TEST_F(UndoSongTest, EditOutsideAnyStepCannotBeUndone)
{
    Build(2);
    EditNote(1, 2);  // the storage opens a suppressed step by itself
    EXPECT_TRUE(journal.StepOpen());
    EXPECT_TRUE(journal.Suppressed());
    // The next command joins that step and its EndStep closes it.
    BeginStep(*song, "Transpose");
    EditNote(2, 2);
    EndStep(*song);
    EXPECT_FALSE(journal.StepOpen());
    EXPECT_FALSE(journal.IsUndoAvailable());
    EXPECT_FALSE(journal.Undo(*song));
}

TEST_F(UndoSongTest, NestedStepsAreUndoneAsOne)
{
    Build(3);
    const auto before = Saved();
    const uint32_t count = journal.ChangeCount();
    BeginStep(*song, "Outer");
    EditNote(1, 1);
    BeginStep(*song, "Inner");
    EditNote(2, 1);
    EndStep(*song);
    EXPECT_TRUE(journal.StepOpen());
    EditNote(3, 1);
    EndStep(*song);
    EXPECT_FALSE(journal.StepOpen());
    EXPECT_EQ(journal.ChangeCount(), count + 1);
    EXPECT_EQ(journal.SlotsInUse(), 3);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), before);
}

TEST_F(UndoSongTest, EmptyStepChangesNothingAndArmsNothing)
{
    Build(1);
    const uint32_t count = journal.ChangeCount();
    const int modified = notifier.modified;
    BeginStep(*song, "Nothing");
    ASSERT_NE(LockNotes(*song, 1, false), nullptr);
    Unlock(*song, 1, false);
    EndStep(*song);
    EXPECT_FALSE(journal.IsUndoAvailable());
    EXPECT_EQ(journal.ChangeCount(), count);
    EXPECT_EQ(notifier.modified, modified);
    EXPECT_TRUE(host.starts.empty());
}

TEST_F(UndoSongTest, StepArmsTheAutomaticSaveOnceWhileNoneIsPending)
{
    Build(2);
    host.minutes = 7;
    BeginStep(*song, "Edit");
    EditNote(1, 1);
    EndStep(*song);
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0], 7 * 60000);
    BeginStep(*song, "Edit");
    EditNote(2, 1);
    EndStep(*song);
    EXPECT_EQ(host.starts.size(), 1u);  // pending already
    EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(UndoSongTest, TimerFailureShows376AndSwitchesAutoSaveOff)
{
    Build(1);
    host.timerWorks = false;
    BeginStep(*song, "Edit");
    EditNote(1, 1);
    EndStep(*song);
    EXPECT_EQ(messages.numbers(), std::vector<int>{376});
    EXPECT_FALSE(host.on);
}

TEST_F(UndoSongTest, UndoAdvancesTheChangeCounter)
{
    Build(1);
    BeginStep(*song, "Edit");
    EditNote(1, 1);
    EndStep(*song);
    const uint32_t count = journal.ChangeCount();
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(journal.ChangeCount(), count + 1);
}

TEST_F(UndoSongTest, PlayingStepHandsTheEngineTheDeletedFileNumbers)
{
    Build(3);
    Saved();  // assigns file numbers 1..3
    const int32_t number = T(2).fileNumber;
    host.playing = true;
    BeginStep(*song, "Delete Track");
    ASSERT_TRUE(DeleteTrack(*song, 2));
    EndStep(*song);
    ASSERT_EQ(host.refreshes.size(), 1u);
    EXPECT_EQ(host.refreshes[0], std::vector<int32_t>{number});
}

TEST_F(UndoSongTest, OneEditedTrackOfAHundredCostsOneCopy)
{
    Build(100);
    BeginStep(*song, "Edit");
    EditNote(57, 1);
    EndStep(*song);
    EXPECT_EQ(journal.SlotsInUse(), 1);
    EXPECT_EQ(journal.CopiedBytes(), size_t(T(57).eventCount) * sizeof(Event));
    EXPECT_FALSE(journal.Slot(57).hasHeap);
}

TEST_F(UndoSongTest, StepThatInsertsAndDeletesIsNotUndoneWrongly)
{
    Build(3);
    const uint32_t count = journal.ChangeCount();
    BeginStep(*song, "Mixed");
    ASSERT_TRUE(DeleteTrack(*song, 1));
    ASSERT_TRUE(InsertTracks(*song, 2, 1));
    EndStep(*song);
    EXPECT_FALSE(journal.IsUndoAvailable());
    EXPECT_EQ(journal.ChangeCount(), count + 1);
}

TEST_F(UndoSongTest, DeletingATrackInsertedByTheSameStepLeavesAConsistentJournal)
{
    Build(2);
    const auto before = Saved();
    BeginStep(*song, "Insert then delete");
    ASSERT_TRUE(InsertTracks(*song, 1, 2));
    ASSERT_TRUE(DeleteTrack(*song, 1));
    EndStep(*song);
    ASSERT_EQ(song->trackCount, 4);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(song->trackCount, 3);
    EXPECT_EQ(Saved(), before);
}

TEST_F(UndoSongTest, JournalInconsistenciesAreFatal)
{
    Build(2);
    BeginStep(*song, "Bad");
    // A payload change on a track whose Events were never copied.
    SubHeapAlloc(*song, 1, 4);
    EXPECT_TRUE(messages.Has(318));
    // Deleting a track the step already changed.
    EditNote(2, 1);
    UndoDelTrk(*song, 2);
    EXPECT_TRUE(messages.Has(321));
    EndStep(*song);
    for (const FakeMessages::Shown& s : messages.shown())
        EXPECT_TRUE(s.fatal);
}

TEST_F(UndoSongTest, EditUndoIsRefusedWhileTheEngineIsBusyUnlessStepRecording)
{
    Build(1);
    BeginStep(*song, "Edit");
    EditNote(1, 1);
    EndStep(*song);
    notifier.hints.clear();
    EXPECT_FALSE(journal.EditUndo(*song, true, false));
    EXPECT_TRUE(notifier.hints.empty());
    ASSERT_TRUE(journal.EditUndo(*song, true, true));
    // The views hear of the whole swap once, as a replaced song.
    ASSERT_EQ(notifier.hints.size(), 1u);
    EXPECT_EQ(notifier.hints[0].kind, kNotifySongReplaced);
}

TEST_F(UndoSongTest, ResetForgetsTheLastStep)
{
    Build(1);
    BeginStep(*song, "Edit");
    EditNote(1, 1);
    EndStep(*song);
    ASSERT_TRUE(IsUndoAvailable(*song));
    DiscardUndo(*song);
    EXPECT_FALSE(IsUndoAvailable(*song));
    EXPECT_EQ(journal.SlotsInUse(), 0);
}

TEST_F(UndoSongTest, PackedTrackIsKeptAsItsStreamAndComesBackExactly)
{
    Build(2);
    const auto before = Packed();  // both tracks unchanged since packing
    BeginStep(*song, "Edit");
    EditNote(1, 3);
    ReplaceText(1, "other");
    EndStep(*song);
    // A packed track costs its stream, not its Events.
    EXPECT_EQ(journal.CopiedBytes(), size_t(T(1).streamSize));
    const auto edited = Saved();
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_FALSE(T(1).eventsBuilt);
    EXPECT_EQ(T(1).eventCount, 3);  // counted again from the stream
    EXPECT_EQ(Saved(), before);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Saved(), edited);
    EXPECT_TRUE(PayloadsLive(1));
}

TEST_F(UndoSongTest, TrackWhoseEventsAreBuiltInsideTheStepComesBackFromItsStream)
{
    Build(2);
    const auto before = Packed();
    // Only the stream is left, as after pasting a track.
    Track& t = T(2);
    t.events.clear();
    t.eventsBuilt = false;
    t.heap.Clear();
    BeginStep(*song, "Edit");
    EditNote(2, 3);  // builds the Events, then edits them
    EndStep(*song);
    ASSERT_TRUE(journal.Undo(*song));
    EXPECT_EQ(Packed(), before);
    ASSERT_NE(LockNotes(*song, 2, false), nullptr);
    EXPECT_EQ(T(2).events[0].data1, 42);
}

TEST(UndoStepHelpers, DoNothingWithoutAJournal)
{
    auto song = std::make_unique<Song>();
    song->trackCount = 3;
    BeginStep(*song, "Nothing");
    EXPECT_TRUE(DeleteTrack(*song, 1));
    EndStep(*song);
    EXPECT_EQ(song->trackCount, 2);
    EXPECT_FALSE(IsUndoAvailable(*song));
}

}  // namespace
}  // namespace kv
