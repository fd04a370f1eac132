#include <gtest/gtest.h>

#include "app/document/tests/docfixture.h"
#include "song/eventops.h"
#include "song/mapbuild.h"
#include "song/selection.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv::test {
namespace {

// A document holding the conductor track plus one track with notes at 0,
// 120 and 240, and a view that records what it is told.
struct NotifyFixture : DocFixture {
    RecordingView view;
    NotifyFixture()
    {
        doc->SetDefaultSongFile(folder.File("missing.mid"));
        doc->OnNewDocument();
        Song& song = doc->song();
        LockNotes(song, 1, false);
        Unlock(song, 1, false);
        Reserve(song, 1, 3);
        for (int32_t t : {0, 120, 240}) {
            Event e;
            e.time = t;
            e.status = 0x90;
            e.data1 = 60;
            e.data2 = 100;
            e.value = 60;
            InsertEvent(song, 1, e, -1, false);
        }
        TrackChanged(song, 1, true);
        doc->AddView(&view);
        view.hints.clear();
    }
};

TEST(DocumentNotify, NewSongSendsReplacedThenCurrentTrackAndSelectsTrackZeroAlone)
{
    NotifyFixture f;
    f.doc->song().tracks[0].trackSelected = 0;
    f.doc->song().tracks[1].trackSelected = 1;
    f.doc->SongReplaced(true);
    const std::vector<int> kinds = f.view.Kinds();
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[0], kNotifySongReplaced);
    EXPECT_EQ(f.view.hints[0].a, 1);  // is-new
    EXPECT_EQ(kinds[1], kNotifyCurrentTrack);
    EXPECT_EQ(f.doc->song().currentTrack, 0);
    EXPECT_EQ(f.doc->song().tracks[0].trackSelected, 1);
    EXPECT_EQ(f.doc->song().tracks[1].trackSelected, 0);
    // Track 1 lost its selection and track 0 gained it: one kind 11 each.
    EXPECT_EQ(f.view.Count(11), 2);
    EXPECT_FALSE(IsUndoAvailable(f.doc->song()));
}

TEST(DocumentNotify, SwitchesHoldBackHints)
{
    NotifyFixture f;
    f.doc->notificationsOff = 1;
    f.doc->TempoChanged();
    EXPECT_TRUE(f.view.hints.empty());
    f.doc->notificationsOff = 0;
    f.doc->selectionNotificationsOff = 1;
    f.doc->SelectionChanged(1, 0);
    f.doc->ShowEvent(1, 0);
    EXPECT_EQ(f.view.Kinds(), std::vector<int>{kNotifyShowEvent});
}

TEST(DocumentNotify, TrackRoutinesIgnoreIndexesOutsideTheTable)
{
    NotifyFixture f;
    for (int bad : {-1, 256, 1000}) {
        SCOPED_TRACE(bad);
        f.doc->CurrentTrackChanged(bad, true);
        f.doc->TrackUpdated(bad);
        f.doc->EventsChanged(bad, true, 0);
        f.doc->EventDeleted(bad, 0);
        f.doc->EventInserted(bad, 0, true);
        f.doc->ShowEvent(bad, 0);
        f.doc->SelectionChanged(bad, 0);
        f.doc->PitchesChanging(bad);
        EXPECT_EQ(f.doc->EventPlayed(bad, 3), -1);
    }
    EXPECT_TRUE(f.view.hints.empty());
}

TEST(DocumentNotify, EachRoutineSendsItsKind)
{
    NotifyFixture f;
    struct Case {
        std::function<void(CMidiDoc&)> call;
        int kind;
    };
    const Case cases[] = {
        {[](CMidiDoc& d) { d.TrackUpdated(1); }, 2},
        {[](CMidiDoc& d) { d.EventsChanged(1, true, 0); }, 3},
        {[](CMidiDoc& d) { d.EventDeleted(1, 0); }, 4},
        {[](CMidiDoc& d) { d.PlayState(5); }, 6},
        {[](CMidiDoc& d) { d.TimeSigChanged(); }, 10},
        {[](CMidiDoc& d) { d.FromToChanged(); }, 12},
        {[](CMidiDoc& d) { d.MuteSoloChanged(); }, 14},
        {[](CMidiDoc& d) { d.KeySigChanged(); }, 15},
        {[](CMidiDoc& d) { d.NoteLengthChanged(); }, 16},
        {[](CMidiDoc& d) { d.StepPosition(3); }, 17},
        {[](CMidiDoc& d) { d.PitchesChanging(1); }, 18},
        {[](CMidiDoc& d) { d.TempoChanged(); }, 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        f.view.hints.clear();
        c.call(*f.doc);
        EXPECT_EQ(f.view.Kinds(), std::vector<int>{c.kind});
    }
}

TEST(DocumentNotify, EventInsertedWithSelectSelectsOnlyThatEvent)
{
    NotifyFixture f;
    Song& song = f.doc->song();
    LockNotes(song, 1, false);
    SelectOne(song, 1, 0);
    f.doc->EventInserted(1, 2, true);
    EXPECT_FALSE(song.tracks[1].events[0].Selected());
    EXPECT_TRUE(song.tracks[1].events[2].Selected());
    EXPECT_EQ(song.tracks[1].selectedCount, 1);
    Unlock(song, 1, false);
    EXPECT_EQ(f.view.hints.back().kind, kNotifyEventInserted);
}

TEST(DocumentNotify, GoToTimeSelectsTheLastEventBeforeTheTime)
{
    struct Case {
        int32_t time;
        int32_t selected;
    };
    // Notes at 0, 120 and 240: 200 lies after 120; 0 has nothing before it.
    const Case cases[] = {{200, 1}, {121, 1}, {120, 0}, {0, 0}, {5000, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        NotifyFixture f;
        f.doc->GoToTime(true, c.time);
        const Track& t = f.doc->song().tracks[1];
        EXPECT_EQ(t.selectedCount, 1);
        EXPECT_EQ(t.firstSelected, c.selected);
        // Kind 8 first, then kind 7 for the track's selected event.
        int goTo = -1, show = -1;
        for (size_t i = 0; i < f.view.hints.size(); ++i) {
            if (f.view.hints[i].kind == kNotifyGoToTime && goTo < 0)
                goTo = int(i);
            if (f.view.hints[i].kind == kNotifyShowEvent && f.view.hints[i].track == 1)
                show = int(i);
        }
        ASSERT_GE(goTo, 0);
        EXPECT_EQ(f.view.hints[size_t(goTo)].a, c.time);
        EXPECT_GT(show, goTo);
        EXPECT_EQ(f.view.hints[size_t(show)].a, c.selected);
    }
}

TEST(DocumentNotify, EventPlayedCountsNamesAndBankedProgramChanges)
{
    NotifyFixture f;
    Song& song = f.doc->song();
    // Track 2 on port 0, channel 0: a banked program change, then two notes.
    LockNotes(song, 2, false);
    Unlock(song, 2, false);
    Reserve(song, 2, 3);
    Event pc;
    pc.status = 0xC0;
    pc.data1 = 5;
    pc.SetBank(3);
    InsertEvent(song, 2, pc, -1, false);
    for (int32_t t : {10, 20}) {
        Event n;
        n.time = t;
        n.status = 0x90;
        n.data1 = 60;
        n.data2 = 90;
        n.value = 5;
        InsertEvent(song, 2, n, -1, false);
    }
    song.tracks[2].name = "Lead";
    song.tracks[2].instrument = "Synth";
    const SetHeader banked{1, 0};
    f.doc->channelSets().AssignSet(0, 0, &banked);
    struct Case {
        int32_t counter;
        int32_t index;
    };
    // Name and instrument count 1 each, the banked change 3, each note 1:
    // 2 sent = nothing yet, 5 = the change, 6 = first note, 7 = second.
    const Case cases[] = {{0, -1}, {2, -1}, {4, -1}, {5, 0}, {6, 1}, {7, 2}, {50, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        EXPECT_EQ(f.doc->EventPlayed(2, c.counter), c.index);
    }
    // Without a bank method the change counts one: 2 + 1 = the change.
    f.doc->channelSets().ClearAll();
    EXPECT_EQ(f.doc->EventPlayed(2, 3), 0);
    EXPECT_EQ(f.view.hints.back().kind, 13);
}

TEST(DocumentTimeFields, FromAndToKeepTheirOrder)
{
    struct Case {
        CMidiDoc::TimeField field;
        int32_t value;
        int32_t from, to;
    };
    // Starting from From 100, To 500 each time.
    const Case cases[] = {
        {CMidiDoc::TimeField::From, 300, 300, 500},
        {CMidiDoc::TimeField::From, 900, 900, 900},  // From after To moves To
        {CMidiDoc::TimeField::To, 50, 50, 50},       // To before From moves From
        {CMidiDoc::TimeField::To, 700, 100, 700},
        {CMidiDoc::TimeField::From, -5, 0, 500},
    };
    for (const Case& c : cases) {
        NotifyFixture f;
        f.doc->song().from = 100;
        f.doc->song().to = 500;
        f.doc->CommitTimeField(c.field, c.value);
        EXPECT_EQ(f.doc->song().from, c.from);
        EXPECT_EQ(f.doc->song().to, c.to);
        EXPECT_EQ(f.view.Kinds(), std::vector<int>{12});
    }
}

TEST(DocumentTimeFields, WhilePlayingACommitOnlyRefreshes)
{
    NotifyFixture f;
    f.doc->song().from = 100;
    f.doc->song().to = 500;
    f.doc->SetPlaying(true);
    f.doc->CommitTimeField(CMidiDoc::TimeField::From, 900);
    f.doc->CommitTimeField(CMidiDoc::TimeField::Now, 900);
    EXPECT_EQ(f.doc->song().from, 100);
    EXPECT_EQ(f.doc->song().to, 500);
    EXPECT_EQ(f.view.Kinds(), (std::vector<int>{12, 12}));
    EXPECT_FALSE(f.doc->StepTimeFieldText("1.1:000", 0, 1).ok);
}

TEST(DocumentTimeFields, NowGoesToTheTimeWithoutSelecting)
{
    NotifyFixture f;
    f.doc->CommitTimeField(CMidiDoc::TimeField::Now, 480);
    ASSERT_FALSE(f.view.hints.empty());
    EXPECT_EQ(f.view.hints[0].kind, kNotifyGoToTime);
    EXPECT_EQ(f.view.hints[0].a, 480);
    EXPECT_EQ(f.doc->song().tracks[1].selectedCount, 0);
    EXPECT_EQ(f.doc->NowTime(), 480);
}

TEST(DocumentTimeFields, StepMovesThePartUnderTheCaret)
{
    NotifyFixture f;
    // Time format 3 counts from 1.1:000; one step on the measure adds a 4/4
    // measure of 480 ticks, on the beat a quarter of 120.
    const CMidiDoc::FieldStep measure = f.doc->StepTimeFieldText("1.1:000", 0, 1);
    ASSERT_TRUE(measure.ok);
    EXPECT_EQ(measure.tick, 480);
    EXPECT_EQ(measure.text, "2.1:000");
    const CMidiDoc::FieldStep beat = f.doc->StepTimeFieldText("1.1:000", 2, 1);
    EXPECT_EQ(beat.tick, 120);
    int32_t tick = 0;
    ASSERT_TRUE(f.doc->ParseTimeFieldText("3.1:000", tick));
    EXPECT_EQ(tick, 960);
    EXPECT_EQ(f.doc->FormatTimeField(960), "3.1:000");
    EXPECT_FALSE(f.doc->ParseTimeFieldText("  ", tick));
}

TEST(DocumentTimeFields, EveryTimeFormatReadsBackWhatItShows)
{
    NotifyFixture f;
    for (int format = 0; format <= 4; ++format) {
        f.doc->song().timeFormat = format;
        RebuildTimeMaps(f.doc->song());
        for (int32_t tick : {0, 1, 119, 480, 1001, 0x7FFFFFFF}) {
            SCOPED_TRACE(testing::Message() << "format " << format << " tick " << tick);
            const std::string text = f.doc->FormatTimeField(tick);
            int32_t back = -1;
            ASSERT_TRUE(f.doc->ParseTimeFieldText(text, back)) << text;
            // The largest tick shows as the last tick of measure 9999.
            if (tick < 0x7FFFFFFF) {
                EXPECT_EQ(back, tick) << text;
            }
        }
    }
}

TEST(DocumentTracks, SelectTrackEntriesAndChoosing)
{
    NotifyFixture f;
    CMidiDoc& d = *f.doc;
    EXPECT_EQ(d.SelectTrackEntryCount(), 3);  // two tracks and the next
    EXPECT_EQ(d.SelectTrackEntry(0), "0: Conductor Track");
    EXPECT_EQ(d.SelectTrackEntry(1), "1: ");  // events, no name
    EXPECT_EQ(d.SelectTrackEntry(2), "2: <<Empty>>");

    // An unselected track becomes the only selected one.
    d.song().tracks[0].trackSelected = 1;
    d.ChooseTrack(1);
    EXPECT_EQ(d.song().currentTrack, 1);
    EXPECT_EQ(d.SelectedTrackCount(false), 1);
    EXPECT_EQ(d.NextSelectedTrack(-1), 1);
    // A selected one keeps the selection of tracks as it is.
    d.song().tracks[0].trackSelected = 1;
    d.ChooseTrack(1);
    EXPECT_EQ(d.SelectedTrackCount(false), 2);
    EXPECT_EQ(d.NextSelectedTrack(0), 1);
    // The next track counts only when asked.
    d.ChooseTrack(2);
    EXPECT_EQ(d.SelectedTrackCount(false), 0);
    EXPECT_EQ(d.SelectedTrackCount(true), 1);
}

TEST(DocumentNotify, TempoEditInTrackZeroSendsTempoChanged)
{
    NotifyFixture f;
    Song& song = f.doc->song();
    {
        UndoStep step(song, "Tempo");
        ASSERT_NE(LockNotes(song, 0, true), nullptr);
        Reserve(song, 0, song.tracks[0].eventCount + 1);
        Event tempo;
        tempo.time = 480;
        tempo.status = uint8_t(EventKind::Tempo);
        tempo.SetTempo(9000);
        InsertEvent(song, 0, tempo, -1, false);
        Unlock(song, 0, true);
    }
    EXPECT_GE(f.view.Count(19), 1);
    EXPECT_TRUE(f.doc->IsModified());
}

}  // namespace
}  // namespace kv::test
