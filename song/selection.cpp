#include "song/selection.h"

#include <utility>

#include "song/song.h"

namespace kv {

namespace {

bool Valid(const Track& t, int32_t index)
{
    return t.eventsBuilt && index >= 0 && index < t.eventCount;
}

// Sets one bit and keeps the counts; true when it changed. A batch leaves
// firstSelected/lastSelected stale on deselection and recounts once at the end,
// which keeps clearing a long selection linear.
bool Put(Song& song, int track, int32_t index, bool on, bool batch = false)
{
    Track& t = song.tracks[track];
    Event& e = t.events[size_t(index)];
    if (e.Selected() == on)
        return false;
    e.SetSelected(on);
    if (on) {
        if (t.selectedCount == 0 || index < t.firstSelected)
            t.firstSelected = index;
        if (t.selectedCount == 0 || index > t.lastSelected)
            t.lastSelected = index;
        ++t.selectedCount;
    } else if (--t.selectedCount == 0) {
        t.firstSelected = t.lastSelected = 0;
    } else if (!batch && (index == t.firstSelected || index == t.lastSelected)) {
        RecountSelection(song, track);
    }
    Notify(song, kNotifySelectionChanged, track, index);
    return true;
}

}  // namespace

void RecountSelection(Song& song, int track)
{
    Track& t = song.tracks[track];
    t.selectedCount = 0;
    t.firstSelected = t.lastSelected = 0;
    if (!t.eventsBuilt)
        return;
    for (int32_t i = 0; i < t.eventCount; ++i) {
        if (!t.events[size_t(i)].Selected())
            continue;
        if (t.selectedCount++ == 0)
            t.firstSelected = i;
        t.lastSelected = i;
    }
}

void SetOne(Song& song, int track, int32_t index, bool on)
{
    if (Valid(song.tracks[track], index))
        Put(song, track, index, on);
}

void ToggleOne(Song& song, int track, int32_t index)
{
    const Track& t = song.tracks[track];
    if (Valid(t, index))
        Put(song, track, index, !t.events[size_t(index)].Selected());
}

void SetRange(Song& song, int track, int32_t a, int32_t b, bool on)
{
    const Track& t = song.tracks[track];
    if (!t.eventsBuilt || t.eventCount == 0)
        return;
    if (a > b)
        std::swap(a, b);
    a = a < 0 ? 0 : a;
    b = b >= t.eventCount ? t.eventCount - 1 : b;
    for (int32_t i = a; i <= b; ++i)
        Put(song, track, i, on, true);
    RecountSelection(song, track);
}

void ClearAll(Song& song, int track)
{
    Track& t = song.tracks[track];
    if (t.selectedCount > 0 && t.eventsBuilt)
        SetRange(song, track, t.firstSelected, t.lastSelected, false);
    RecountSelection(song, track);
}

void SelectOne(Song& song, int track, int32_t index)
{
    if (!Valid(song.tracks[track], index))
        return;
    ClearAll(song, track);
    Put(song, track, index, true);
}

bool Matches(const SelectFilter& f, const Event& e)
{
    if (f.kind >= 0 && int(e.Kind()) != f.kind)
        return false;
    if (e.time < f.fromTime || e.time > f.toTime)
        return false;
    if (e.IsChannelKind() && (e.Channel() < f.lowChannel || e.Channel() > f.highChannel))
        return false;
    if (e.data1 < f.lowData1 || e.data1 > f.highData1 || e.data2 < f.lowData2 || e.data2 > f.highData2)
        return false;
    if (e.value < f.lowValue || e.value > f.highValue)
        return false;
    return !f.pattern || f.pattern(e.time);
}

int32_t SelectMatching(Song& song, int track, const SelectFilter& filter, bool on)
{
    Track& t = song.tracks[track];
    if (!t.eventsBuilt)
        return 0;
    int32_t matched = 0;
    for (int32_t i = 0; i < t.eventCount; ++i) {
        if (!Matches(filter, t.events[size_t(i)]))
            continue;
        ++matched;
        Put(song, track, i, on, true);
    }
    RecountSelection(song, track);
    return matched;
}

}  // namespace kv
