#include "song/eventops.h"

#include <algorithm>

#include "song/scan.h"
#include "song/selection.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv {

namespace {

bool ByTime(const Event& a, const Event& b)
{
    return a.time < b.time;
}

void Changed(Song& song, int track, bool notify, int kind, int32_t a, int32_t b = 0)
{
    song.tracks[track].changed = 1;
    if (!notify)
        return;
    SetModified(song);
    RescanEvents(song, track);
    Notify(song, kind, track, a, b);
}

}  // namespace

int32_t InsertEvent(Song& song, int track, const Event& e, int32_t hint, bool notify)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt || t.eventCount + 1 > t.capacity)
        return -1;
    Event* first = t.events.data();
    Event* last = first + t.eventCount;
    int32_t index;
    if (hint >= 0 && hint < t.eventCount && first[hint].time == e.time)
        index = hint;
    else
        index = int32_t(std::upper_bound(first, last, e, ByTime) - first);
    std::move_backward(first + index, last, last + 1);
    first[index] = e;
    ++t.eventCount;
    if (e.Selected()) {
        RecountSelection(song, track);
    } else if (t.selectedCount > 0) {
        t.firstSelected += t.firstSelected >= index;
        t.lastSelected += t.lastSelected >= index;
    }
    const bool grows = t.eventCount == 1 && track == song.trackCount;
    Changed(song, track, notify, kNotifyEventInserted, index);
    if (grows)
        TrackChanged(song, track, false);
    return index;
}

void DeleteEvent(Song& song, int track, int32_t position, bool notify)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt || position < 0 || position >= t.eventCount)
        return;
    Event* first = t.events.data();
    const Event gone = first[position];
    if (gone.HasPayload())
        SubHeapFree(song, track, gone.value);
    std::move(first + position + 1, first + t.eventCount, first + position);
    first[--t.eventCount] = Event{};
    if (gone.Selected() || t.selectedCount > 0)
        RecountSelection(song, track);
    Changed(song, track, notify, kNotifyEventDeleted, position);
}

int32_t ResortAfterMove(Song& song, int track, int32_t position, bool notify)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt || position < 0 || position >= t.eventCount)
        return position;
    Event* first = t.events.data();
    Event* last = first + t.eventCount;
    const Event moved = first[position];
    std::move(first + position + 1, last, first + position);
    --last;
    const int32_t index = int32_t(std::upper_bound(first, last, moved, ByTime) - first);
    std::move_backward(first + index, last, last + 1);
    first[index] = moved;
    if (t.selectedCount > 0)
        RecountSelection(song, track);
    Changed(song, track, notify, kNotifyEventsChanged, 0, std::min(position, index));
    if (notify)
        Notify(song, kNotifyShowEvent, track, index);
    return index;
}

void ShiftFrom(Song& song, int track, int32_t position, int32_t newTime, bool notify)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt || position < 0 || position >= t.eventCount)
        return;
    Event* first = t.events.data();
    Event* last = first + t.eventCount;
    const int64_t delta = int64_t(std::max(newTime, 0)) - first[position].time;
    if (delta == 0)
        return;
    for (Event* e = first + position; e < last; ++e)
        e->time = int32_t(std::clamp<int64_t>(e->time + delta, 0, 0x7FFFFFFF));
    if (delta < 0)
        std::inplace_merge(first, first + position, last, ByTime);
    if (t.selectedCount > 0)
        RecountSelection(song, track);
    Changed(song, track, notify, kNotifyEventsChanged, delta > 0 ? 1 : 0, delta > 0 ? position : 0);
}

}  // namespace kv
