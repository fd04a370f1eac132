#include "song/trackstore.h"

#include <algorithm>
#include <new>
#include <optional>

#include "platform/messages.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/song.h"
#include "song/tonote.h"

namespace kv {

int32_t SubHeapAlloc(Song& song, int track, int32_t payloadSize)
{
    if (song.undo)
        song.undo->UndoChgSubHeap(song, track);
    return song.tracks[track].heap.Alloc(payloadSize);
}

void SubHeapFree(Song& song, int track, int32_t handle)
{
    if (handle == 0)
        return;
    if (song.undo)
        song.undo->UndoChgSubHeap(song, track);
    song.tracks[track].heap.Free(handle);
}

Event* LockNotes(Song& song, int track, bool undo)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt && BuildEvents(song, track) != 0 && !t.eventsBuilt) {
        if (song.messages)
            song.messages->ShowFatal(340);
        return nullptr;
    }
    if (t.events.empty()) {
        if (song.messages)
            song.messages->ShowFatal(341);
        return nullptr;
    }
    if (undo && song.undo)
        song.undo->UndoLockTrk(song, track);
    return t.events.data();
}

void Unlock(Song& song, int track, bool changed)
{
    if (changed)
        TrackChanged(song, track, true);
}

int Reserve(Song& song, int track, int32_t n)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt && BuildEvents(song, track) != 0 && !t.eventsBuilt)
        return 1;
    int32_t want = n < 0 ? (n == INT32_MIN ? INT32_MAX : -n) : std::max(n, t.capacity);
    want = std::max(want, t.eventCount);
    if (want == t.capacity)
        return 0;
    try {
        t.events.resize(size_t(want));
        t.events.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        return 1;
    }
    t.capacity = want;
    return 0;
}

namespace {

// Writing into the next track grows the song by it.
void GrowIntoNextTrack(Song& song, int track)
{
    if (track == song.trackCount && song.trackCount < kMaxTracks) {
        const int old = song.trackCount;
        ++song.trackCount;
        if (song.undo)
            song.undo->UndoInsTrk(song, old, 1);
        if (song.trackCount < kMaxTracks)
            song.tracks[song.trackCount].Reset(true);
        Notify(song, kNotifySongReplaced, track, 0);
        Notify(song, kNotifyTrackChanged, track);
    }
}

// TrackChanged with a rescan; converted, when given, is what RescanEvents
// would find.
void TrackChangedRescanned(Song& song, int track, const ConvertedSummary* converted)
{
    Track& t = song.tracks[track];
    t.changed = 1;
    SetModified(song);
    if (converted)
        RescanConverted(song, track, *converted);
    else
        RescanEvents(song, track);
    RecountSelection(song, track);
    Notify(song, kNotifyTrackChanged, track);
    GrowIntoNextTrack(song, track);
}

// Scans the stream, then converts it into an array of exactly the counted
// size: two walks, but no more memory than the Events need.
int BuildEventsCounted(Song& song, int track)
{
    Track& t = song.tracks[track];
    ScanStream(song, track);
    const int32_t expected = t.HasStream() ? t.eventCount : 0;
    try {
        t.events.clear();
        t.heap.Clear();
        t.events.assign(size_t(std::max(expected, 100)), Event{});
        t.events.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        t.events.clear();
        t.eventsBuilt = false;
        t.eventCount = 0;
        t.capacity = 0;
        return 1;
    }
    t.eventsBuilt = true;
    t.capacity = int32_t(t.events.size());
    // The journal must not copy the records that are about to be written.
    t.eventCount = 0;
    if (!t.HasStream())
        return 0;

    std::optional<WaitCursor> wait;
    if (song.messages)
        wait.emplace(*song.messages);
    LockNotes(song, track, true);
    const int32_t n = ToNote(song, track, std::span<const uint8_t>(t.stream.data(), size_t(t.streamSize)),
                             t.events.data(), t.capacity, true);
    if (n < 0) {
        t.heap.Clear();
        t.eventCount = 0;
    } else {
        t.eventCount = n;
    }
    Unlock(song, track, true);
    return n < 0 ? 1 : 0;
}

// One walk that scans and converts, into room for the most Events the
// stream could hold. Only the records written are touched, so the rest of
// the room never becomes resident; it stays reserved with the Events
// (address space only, until Reserve sizes them again) rather than cost a
// copy of every Event to give it back. It leaves the track, the journal and
// the messages exactly as BuildEventsCounted does. 0 ok, -1 when the walk
// could not be made (the caller counts first; what was scanned is scanned
// again to the same values).
int BuildEventsInOneWalk(Song& song, int track)
{
    Track& t = song.tracks[track];
    std::vector<Event> events;
    std::vector<PayloadRef> payloads;
    ConvertedSummary converted;
    int32_t n = -1;
    try {
        events.reserve(size_t(std::max(t.streamSize / 2 + 1, 100)));
        n = ToNoteScanning(song, track, events, payloads, converted);
    } catch (const std::bad_alloc&) {
        n = -1;
    }
    if (n < 0)
        return -1;
    t.events.clear();
    t.heap.Clear();
    t.events = std::move(events);
    t.events.resize(size_t(std::max(n, 100)));  // within the room reserved
    t.eventsBuilt = true;
    t.capacity = int32_t(t.events.size());
    // The journal must not copy the records that are about to be written.
    t.eventCount = 0;

    std::optional<WaitCursor> wait;
    if (song.messages)
        wait.emplace(*song.messages);
    LockNotes(song, track, true);
    t.eventCount = StorePayloads(song, track, t.events.data(), n, payloads);
    // What Unlock does, but the summary gathered in the walk stands for the
    // walk over the Events, unless an Event was dropped.
    TrackChangedRescanned(song, track, t.eventCount == n ? &converted : nullptr);
    return 0;
}

}  // namespace

int BuildEvents(Song& song, int track)
{
    Track& t = song.tracks[track];
    t.eventsBuilt = false;
    if (t.HasStream() && IsTrackIndex(track)) {
        const int built = BuildEventsInOneWalk(song, track);
        if (built >= 0)
            return built;
    }
    return BuildEventsCounted(song, track);
}

int LoadTrackStream(Song& song, int track, std::vector<uint8_t> stream, int fileTrack)
{
    Track& t = song.tracks[track];
    t.stream = std::move(stream);
    t.streamSize = int32_t(t.stream.size());
    if (BuildEvents(song, track) == 0)
        return 0;
    t.Reset(true);
    BuildEvents(song, track);
    if (song.messages)
        song.messages->ShowInfo(265, fileTrack);
    return 1;
}

void TrackChanged(Song& song, int track, bool rescan)
{
    if (rescan) {
        TrackChangedRescanned(song, track, nullptr);
        return;
    }
    Track& t = song.tracks[track];
    t.changed = 1;
    SetModified(song);
    GrowIntoNextTrack(song, track);
}

}  // namespace kv
