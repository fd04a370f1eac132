#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
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

// Random commands on a small song: every step, undone, must give back the
// saved bytes from before it, and undone again the bytes after it. This
// walks the slot bookkeeping through inserts, deletes, clears, payload
// changes and growth through the next track in many orders.
class RandomSteps {
public:
    explicit RandomSteps(uint32_t seed) : m_random(seed)
    {
        song->messages = &messages;
        song->timeMaps = &maps;
        song->undo = &journal;
        ResetSong(*song);
        BeginStep(*song, "Load Song", true);
        CreateTrackZero(*song);
        for (int i = 1; i <= 4; ++i)
            AddNotes(i, 3);
        EndStep(*song);
    }

    std::vector<std::vector<uint8_t>> Saved()
    {
        std::vector<std::vector<uint8_t>> out;
        for (int i = 0; i < song->trackCount; ++i) {
            Track& t = song->tracks[i];
            // A new track has neither stream nor Events until first locked;
            // the writer saves it as the empty track it is.
            if (!t.eventsBuilt && !t.HasStream())
                LockNotes(*song, i, false);
            t.changed = t.eventsBuilt ? 1 : 0;
            EXPECT_EQ(Pack(*song, i, true), 0);
            out.push_back(std::vector<uint8_t>(t.stream.begin(), t.stream.begin() + t.streamSize));
            // Half the tracks stay packed, half look freshly loaded.
            t.changed = t.eventsBuilt && Chance(2) ? 1 : 0;
        }
        return out;
    }

    // One command: structural changes first (so a track is never deleted or
    // cleared after it was edited in the same step), then edits.
    void Step()
    {
        BeginStep(*song, "Random");
        const int kind = Below(4);
        lastKind = kind;
        if (kind == 1 && song->trackCount > 2)
            for (int n = 1 + Below(2); n > 0 && song->trackCount > 2; --n)
                DeleteTrack(*song, Below(song->trackCount));
        if (kind == 2 && song->trackCount < 20)
            InsertTracks(*song, Below(song->trackCount + 1), 1 + Below(2));
        if (kind == 3)
            ClearTrack(*song, Below(song->trackCount));
        for (int n = Below(4); n > 0; --n)
            Edit(kind == 1 ? Below(song->trackCount) : Below(song->trackCount + 1));
        EndStep(*song);
    }

    bool PayloadsLive()
    {
        for (int i = 0; i < song->trackCount; ++i) {
            const Track& t = song->tracks[i];
            for (int32_t k = 0; t.eventsBuilt && k < t.eventCount; ++k) {
                const Event& e = t.events[size_t(k)];
                if (e.HasPayload() && e.value != 0 && !t.heap.IsLive(e.value))
                    return false;
            }
        }
        return true;
    }

    int lastKind = -1;
    std::unique_ptr<Song> song = std::make_unique<Song>();
    FakeMessages messages;
    TimeMapBuilder maps;
    UndoJournal journal;

private:
    int Below(int n) { return int(m_random() % uint32_t(n)); }
    bool Chance(int n) { return Below(n) == 0; }

    void AddNotes(int track, int count)
    {
        if (!LockNotes(*song, track, true) ||
            Reserve(*song, track, song->tracks[track].eventCount + count) != 0)
            return;
        for (int k = 0; k < count; ++k) {
            Event e;
            e.time = Below(2000);
            e.status = uint8_t(0x90 | Below(16));
            e.data1 = uint8_t(Below(128));
            e.data2 = uint8_t(1 + Below(127));
            e.value = 1 + Below(500);
            InsertEvent(*song, track, e, -1, false);
        }
        Unlock(*song, track, true);
    }

    void AddText(int track)
    {
        if (!LockNotes(*song, track, true) || Reserve(*song, track, song->tracks[track].eventCount + 1) != 0)
            return;
        const std::string text = "text " + std::to_string(Below(1000));
        const int32_t h = SubHeapAlloc(*song, track, int32_t(text.size() + 1));
        if (h == 0)
            return;
        std::memcpy(song->tracks[track].heap.Payload(h), text.c_str(), text.size() + 1);
        Event e;
        e.time = Below(2000);
        e.status = uint8_t(EventKind::MetaTxt);
        e.data1 = 1;
        e.value = h;
        InsertEvent(*song, track, e, -1, false);
        Unlock(*song, track, true);
    }

    void Edit(int track)
    {
        if (track > 0 && Chance(3)) {
            AddText(track);
            return;
        }
        if (track > 0 && Chance(2)) {
            AddNotes(track, 1 + Below(3));
            return;
        }
        Event* e = LockNotes(*song, track, true);
        if (!e)
            return;
        Track& t = song->tracks[track];
        if (t.eventCount > 0 && Chance(2))
            DeleteEvent(*song, track, Below(t.eventCount), false);
        t.name = "edited " + std::to_string(Below(100));
        t.transpose = int8_t(Below(25) - 12);
        t.port = uint8_t(Below(32));
        t.muteFlags = Below(2);
        Unlock(*song, track, true);
    }

    std::mt19937 m_random;
};

TEST(UndoRandomSteps, EveryStepUndoesAndRedoesToTheSavedBytes)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        RandomSteps r(seed);
        int undone = 0;
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(step);
            const auto before = r.Saved();
            const int countBefore = r.song->trackCount;
            r.Step();
            const auto after = r.Saved();
            const int countAfter = r.song->trackCount;
            SCOPED_TRACE(r.lastKind);
            if (!r.journal.IsUndoAvailable())
                continue;
            ++undone;
            ASSERT_TRUE(r.journal.Undo(*r.song));
            ASSERT_EQ(r.song->trackCount, countBefore);
            ASSERT_EQ(r.Saved(), before);
            ASSERT_TRUE(r.PayloadsLive());
            ASSERT_TRUE(r.journal.Undo(*r.song));
            ASSERT_EQ(r.song->trackCount, countAfter);
            ASSERT_EQ(r.Saved(), after);
            ASSERT_TRUE(r.PayloadsLive());
        }
        EXPECT_GT(undone, 100);
        EXPECT_TRUE(r.messages.numbers().empty());
    }
}

}  // namespace
}  // namespace kv
