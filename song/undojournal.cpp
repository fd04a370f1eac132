#include "song/undojournal.h"

#include <new>

#include "platform/messages.h"
#include "song/song.h"

namespace kv {

void UndoJournal::BeginStep(Song& song, const char* label, bool suppress)
{
    (void)song, (void)label;
    if (m_open) {
        ++m_depth;
        return;
    }
    ClearSlots();
    m_undoAvailable = false;
    m_open = true;
    m_depth = 1;
    m_suppressed = suppress;
    m_tracksInserted = m_tracksDeleted = m_broken = false;
}

void UndoJournal::EndStep(Song& song)
{
    if (!m_open)
        return;
    if (m_depth > 1) {
        --m_depth;
        return;
    }
    m_open = false;
    m_depth = 0;
    bool changed = m_broken;
    bool available = false;
    for (const UndoSlot& s : m_slots) {
        changed |= s.InUse() || s.failed;
        available |= s.InUse();
    }
    const std::vector<int32_t> dropped = DroppedFileNumbers();
    if (m_broken) {
        ClearSlots();
        available = false;
    }
    m_undoAvailable = available && !m_suppressed;
    if (!changed || m_suppressed)
        return;
    SetModified(song);
    ++m_changeCount;
    ArmAutoSave(song);
    if (m_host && m_host->IsPlaying())
        m_host->RefreshPlaying(song, dropped);
}

void UndoJournal::Discard()
{
    ClearSlots();
    m_undoAvailable = false;
    m_tracksInserted = m_tracksDeleted = m_broken = false;
}

int UndoJournal::SlotsInUse() const
{
    int n = 0;
    for (const UndoSlot& s : m_slots)
        n += s.InUse() ? 1 : 0;
    return n;
}

size_t UndoJournal::CopiedBytes() const
{
    size_t bytes = 0;
    for (const UndoSlot& s : m_slots) {
        bytes += s.hasEvents ? s.events.capacity() * sizeof(Event) : 0;
        bytes += s.record && !s.deleted && !s.record->eventsBuilt ? s.record->stream.capacity() : 0;
    }
    return bytes;
}

// Slots cover the table in order: a deleted slot no longer has an index; any
// other covers the tracks inserted before its own track, then its own track.
UndoJournal::Place UndoJournal::SlotOf(int index) const
{
    if (!IsTrackIndex(index))
        return {};
    int start = 0;
    for (int s = 0; s < kMaxTracks; ++s) {
        const UndoSlot& slot = m_slots[size_t(s)];
        if (slot.deleted)
            continue;
        const int own = start + slot.inserted;
        if (index <= own)
            return {s, index == own};
        start = own + 1;
    }
    return {};
}

// A change outside any step opens a suppressed one, named after the routine
// that needed it. True when the open step records.
bool UndoJournal::Recording(Song& song, const char* label)
{
    if (m_inUndo)
        return false;
    if (!m_open) {
        BeginStep(song, label, true);
        m_depth = 0;
    }
    return !m_suppressed && !m_broken;
}

void UndoJournal::ClearSlots()
{
    for (UndoSlot& s : m_slots)
        if (s.InUse() || s.failed || s.hasHeap)
            s = UndoSlot{};
}

void UndoJournal::Fatal(Song& song, int number)
{
    if (song.messages)
        song.messages->ShowFatal(number);
}

void UndoJournal::ArmAutoSave(Song& song)
{
    if (!m_host || !m_host->AutoSaveOn() || m_host->AutoSavePending())
        return;
    if (m_host->StartAutoSave(int64_t(m_host->AutoSaveMinutes()) * 60000))
        return;
    if (song.messages)
        song.messages->ShowInfo(376);
    m_host->DisableAutoSave();
}

std::vector<int32_t> UndoJournal::DroppedFileNumbers() const
{
    std::vector<int32_t> numbers;
    if (!m_tracksDeleted)
        return numbers;
    for (const UndoSlot& s : m_slots)
        if (s.deleted && s.record)
            numbers.push_back(s.record->fileNumber);
    return numbers;
}

void UndoJournal::UndoLockTrk(Song& song, int track)
{
    if (!Recording(song, "UndoLockTrk"))
        return;
    const Place p = SlotOf(track);
    if (p.slot < 0) {
        Fatal(song, 316);
        return;
    }
    UndoSlot& s = m_slots[size_t(p.slot)];
    // A track this step inserted leaves whole on Undo: its old state is none.
    if (!p.own || s.hasEvents || s.record || s.failed)
        return;
    Track& t = song.tracks[track];
    // An unchanged track's stream holds all of it, in fewer bytes than its
    // Events; and Events being built from the stream hold nothing yet.
    if (t.changed == 0 && t.HasStream()) {
        KeepStreamForm(s, t);
        return;
    }
    const size_t count = std::min(size_t(std::max(t.eventCount, 0)), t.events.size());
    try {
        s.events.assign(t.events.begin(), t.events.begin() + ptrdiff_t(count));
    } catch (const std::bad_alloc&) {
        s.events = {};
        s.failed = true;
        return;
    }
    s.hasEvents = true;
    s.eventCount = int32_t(count);
    s.eventsBuilt = t.eventsBuilt;
    s.muteFlags = t.muteFlags;
    s.punchFlag = t.punchFlag;
    s.loops = t.loops;
    s.delay = t.delay;
    s.transpose = t.transpose;
    s.velocityAdjust = t.velocityAdjust;
    s.port = t.port;
    s.name = t.name;
    s.instrument = t.instrument;
    s.fileNumber = t.fileNumber;
}

// The track as it would be with its stream alone: Undo gives it back
// unbuilt, and its Events are built again from the stream when needed.
void UndoJournal::KeepStreamForm(UndoSlot& s, Track& t)
{
    std::vector<Event> events = std::move(t.events);
    SubHeap heap = std::move(t.heap);
    std::vector<uint8_t> aux = std::move(t.aux);
    try {
        s.record = std::make_unique<Track>(t);
        s.record->eventsBuilt = false;
        s.record->eventCount = 0;
        s.record->capacity = 0;
        s.fileNumber = t.fileNumber;
    } catch (const std::bad_alloc&) {
        s.record.reset();
        s.failed = true;
    }
    t.events = std::move(events);
    t.heap = std::move(heap);
    t.aux = std::move(aux);
}

void UndoJournal::UndoChgSubHeap(Song& song, int track)
{
    if (!Recording(song, "UndoChgSubHeap"))
        return;
    const Place p = SlotOf(track);
    if (p.slot < 0) {
        Fatal(song, 317);
        return;
    }
    UndoSlot& s = m_slots[size_t(p.slot)];
    if (!p.own || s.hasHeap || s.record || s.failed)
        return;
    if (!s.hasEvents) {
        Fatal(song, 318);
        return;
    }
    // Every live block belongs to one of the copied Events (no payload has
    // changed yet in this step), so the whole heap is exactly their payloads,
    // and keeping it whole keeps their handles valid.
    try {
        s.heap = song.tracks[track].heap;
        s.hasHeap = true;
    } catch (const std::bad_alloc&) {
        // Without its payloads the Events copy would name blocks about to
        // change: nothing is kept for this track.
        s = UndoSlot{};
        s.failed = true;
    }
}

void UndoJournal::UndoInsTrk(Song& song, int index, int count)
{
    if (count < 1 || !Recording(song, "UndoInsTrk"))
        return;
    if (m_tracksDeleted) {
        m_broken = true;
        return;
    }
    const Place p = SlotOf(index);
    if (p.slot < 0) {
        Fatal(song, 319);
        return;
    }
    m_slots[size_t(p.slot)].inserted += count;
    m_tracksInserted = true;
}

void UndoJournal::UndoDelTrk(Song& song, int track)
{
    if (!Recording(song, "UndoDelTrk"))
        return;
    const Place p = SlotOf(track);
    if (p.slot < 0) {
        Fatal(song, 320);
        return;
    }
    UndoSlot& s = m_slots[size_t(p.slot)];
    if (!p.own) {
        // Deleting a track this step inserted: as if it had never been.
        --s.inserted;
        return;
    }
    if (m_tracksInserted) {
        m_broken = true;
        return;
    }
    if (s.hasEvents || s.record) {
        Fatal(song, 321);
        return;
    }
    Track& t = song.tracks[track];
    try {
        s.record = std::make_unique<Track>(std::move(t));
    } catch (const std::bad_alloc&) {
        // The gap the caller closes could not be placed again.
        m_broken = true;
        return;
    }
    t.Reset(true);
    s.fileNumber = s.record->fileNumber;
    s.deleted = true;
    m_tracksDeleted = true;
}

void UndoJournal::UndoClrTrk(Song& song, int track)
{
    if (!Recording(song, "UndoClrTrk"))
        return;
    const Place p = SlotOf(track);
    if (p.slot < 0) {
        Fatal(song, 320);
        return;
    }
    UndoSlot& s = m_slots[size_t(p.slot)];
    if (!p.own || s.failed)
        return;
    if (s.hasEvents || s.record) {
        Fatal(song, 321);
        return;
    }
    Track& t = song.tracks[track];
    try {
        s.record = std::make_unique<Track>(std::move(t));
    } catch (const std::bad_alloc&) {
        s.failed = true;
        return;
    }
    t.Reset(true);
    s.fileNumber = s.record->fileNumber;
}

}  // namespace kv
