// Undo: swapping the journal with the song, so that the next Undo swaps back.

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "platform/messages.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/song.h"
#include "song/undojournal.h"

namespace kv {
namespace {

// Exchanges a track with what its slot kept. False when the slot kept nothing.
bool SwapPosition(Track& t, UndoSlot& s)
{
    if (s.record) {
        std::swap(t, *s.record);
        s.fileNumber = s.record->fileNumber;
        return true;
    }
    if (!s.hasEvents)
        return false;
    std::swap(t.events, s.events);
    std::swap(t.eventCount, s.eventCount);
    std::swap(t.eventsBuilt, s.eventsBuilt);
    if (s.hasHeap)
        std::swap(t.heap, s.heap);
    std::swap(t.muteFlags, s.muteFlags);
    std::swap(t.punchFlag, s.punchFlag);
    std::swap(t.loops, s.loops);
    std::swap(t.delay, s.delay);
    std::swap(t.transpose, s.transpose);
    std::swap(t.velocityAdjust, s.velocityAdjust);
    std::swap(t.port, s.port);
    std::swap(t.fileNumber, s.fileNumber);
    std::swap(t.name, s.name);
    std::swap(t.instrument, s.instrument);
    t.capacity = int32_t(t.events.size());
    return true;
}

// A track that came back from the journal: its summary (and, for track zero,
// the time maps) follow its restored contents.
void Refresh(Song& song, int index)
{
    Track& t = song.tracks[index];
    if (t.eventsBuilt) {
        t.changed = 1;
        RescanEvents(song, index);
    } else {
        ScanStream(song, index);
    }
}

// A moved-out slot: what the next Undo needs for this position.
UndoSlot Take(UndoSlot& s)
{
    UndoSlot taken = std::move(s);
    taken.deleted = false;
    taken.inserted = 0;
    s = UndoSlot{};
    return taken;
}

}  // namespace

bool UndoJournal::Undo(Song& song)
{
    if (!m_undoAvailable || m_open)
        return false;
    std::optional<WaitCursor> wait;
    if (song.messages)
        wait.emplace(*song.messages);
    m_inUndo = true;
    bool done;
    if (m_tracksInserted)
        done = UndoInserted(song);
    else if (m_tracksDeleted)
        done = UndoDeleted(song);
    else
        done = UndoSwaps(song);
    m_inUndo = false;
    if (song.messages)
        song.messages->SetProgress(0, 0);
    if (done)
        AfterUndo(song);
    return done;
}

void UndoJournal::AfterUndo(Song& song)
{
    song.currentTrack = std::min({song.currentTrack, song.trackCount, kMaxTracks - 1});
    for (int i = 0; i <= song.trackCount && i < kMaxTracks; ++i)
        RecountSelection(song, i);
    SongLength(song);
    SetModified(song);
    // Undo changes the song as much as the step did: the automatic save must
    // not take it for an unchanged song.
    ++m_changeCount;
    ArmAutoSave(song);
}

bool UndoJournal::UndoSwaps(Song& song)
{
    for (int i = 0; i < kMaxTracks; ++i) {
        if (song.messages)
            song.messages->SetProgress(i, kMaxTracks);
        if (SwapPosition(song.tracks[i], m_slots[size_t(i)]))
            Refresh(song, i);
    }
    return true;
}

// The step inserted tracks: they leave the table into slots marked deleted,
// the other positions swap, and the new journal is laid over the table as it
// was before this Undo, so that the next Undo puts the tracks back.
bool UndoJournal::UndoInserted(Song& song)
{
    std::vector<UndoSlot> next;
    std::vector<int> newIndex(kMaxTracks, -1);
    try {
        next.resize(kMaxTracks);
        // The same walk as below: each slot's inserted tracks, then its own.
        int idx = 0;
        for (int s = 0; s < kMaxTracks && idx < kMaxTracks; ++s) {
            for (int k = 0; k < m_slots[size_t(s)].inserted && idx < kMaxTracks; ++k)
                next[size_t(idx++)].record = std::make_unique<Track>();
            ++idx;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    int idx = 0;
    std::vector<bool> swapped(kMaxTracks, false);
    for (int s = 0; s < kMaxTracks && idx < kMaxTracks; ++s) {
        if (song.messages)
            song.messages->SetProgress(s, kMaxTracks);
        UndoSlot& slot = m_slots[size_t(s)];
        for (int k = 0; k < slot.inserted && idx < kMaxTracks; ++k, ++idx) {
            *next[size_t(idx)].record = std::move(song.tracks[idx]);
            next[size_t(idx)].fileNumber = next[size_t(idx)].record->fileNumber;
            next[size_t(idx)].deleted = true;
        }
        if (idx >= kMaxTracks)
            break;
        swapped[size_t(idx)] = SwapPosition(song.tracks[idx], slot);
        next[size_t(idx)] = Take(slot);
        ++idx;
    }

    // Close the gaps the inserted tracks leave.
    auto& table = song.tracks.tracks;
    int w = 0;
    for (int r = 0; r < kMaxTracks; ++r) {
        if (next[size_t(r)].deleted)
            continue;
        if (w != r)
            table[size_t(w)] = std::move(table[size_t(r)]);
        newIndex[size_t(r)] = w++;
    }
    const int removed = kMaxTracks - w;
    for (; w < kMaxTracks; ++w)
        table[size_t(w)].Reset(true);
    song.trackCount = std::max(0, song.trackCount - removed);

    for (int r = 0; r < kMaxTracks; ++r)
        if (swapped[size_t(r)] && newIndex[size_t(r)] >= 0)
            Refresh(song, newIndex[size_t(r)]);
    if (next[0].deleted)
        Refresh(song, 0);

    for (int i = 0; i < kMaxTracks; ++i)
        m_slots[size_t(i)] = std::move(next[size_t(i)]);
    m_tracksInserted = false;
    m_tracksDeleted = removed > 0;
    return true;
}

// The step deleted tracks: they come back at their positions, the other
// positions swap, and the new journal records them as inserted before the
// track that follows them.
bool UndoJournal::UndoDeleted(Song& song)
{
    std::vector<Track> table2;
    std::vector<UndoSlot> next;
    try {
        table2.reserve(kMaxTracks);
        next.resize(kMaxTracks);
    } catch (const std::bad_alloc&) {
        return false;
    }

    auto& table = song.tracks.tracks;
    std::vector<int> refresh;
    int idx = 0;  // the position of the slot's own track in the table now
    int pending = 0;
    int restored = 0;
    for (int s = 0; s < kMaxTracks && int(table2.size()) < kMaxTracks; ++s) {
        if (song.messages)
            song.messages->SetProgress(s, kMaxTracks);
        UndoSlot& slot = m_slots[size_t(s)];
        if (slot.deleted) {
            table2.push_back(std::move(*slot.record));
            slot = UndoSlot{};
            refresh.push_back(int(table2.size()) - 1);
            ++pending;
            ++restored;
            continue;
        }
        if (idx >= kMaxTracks)
            continue;
        const bool swapped = SwapPosition(table[size_t(idx)], slot);
        table2.push_back(std::move(table[size_t(idx)]));
        if (swapped)
            refresh.push_back(int(table2.size()) - 1);
        next[size_t(idx)] = Take(slot);
        next[size_t(idx)].inserted = pending;
        pending = 0;
        ++idx;
    }
    if (pending > 0 && idx < kMaxTracks)
        next[size_t(idx)].inserted = pending;

    // The records beyond the used ones are empty next-track records.
    for (size_t i = 0; i < table.size(); ++i) {
        if (i < table2.size())
            table[i] = std::move(table2[i]);
        else
            table[i].Reset(true);
    }
    song.trackCount = std::min(song.trackCount + restored, kMaxTracks);

    for (int i : refresh)
        Refresh(song, i);

    for (int i = 0; i < kMaxTracks; ++i)
        m_slots[size_t(i)] = std::move(next[size_t(i)]);
    m_tracksDeleted = false;
    m_tracksInserted = restored > 0;
    return true;
}

bool UndoJournal::EditUndo(Song& song, bool engineBusy, bool stepRecording)
{
    if (!CanUndo(engineBusy, stepRecording))
        return false;
    // The views learn of the whole swap at once, from one "song replaced".
    class Muted : public SongNotifier {
    public:
        explicit Muted(SongNotifier* inner) : m_inner(inner) {}
        void SetModified() override
        {
            if (m_inner)
                m_inner->SetModified();
        }

    private:
        SongNotifier* m_inner;
    };
    SongNotifier* views = song.notifier;
    Muted muted(views);
    song.notifier = &muted;
    const bool done = Undo(song);
    song.notifier = views;
    Notify(song, kNotifySongReplaced, -1, 0);
    return done;
}

}  // namespace kv
