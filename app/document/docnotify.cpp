// The document's notification routines: each builds one hint for the views.
#include <algorithm>

#include "app/document/mididoc.h"
#include "song/scan.h"
#include "song/selection.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {

void CMidiDoc::Notify(int kind, int track, int32_t a, int32_t b)
{
    if (notificationsOff || m_loading)
        return;
    if (kind == kNotifySelectionChanged && selectionNotificationsOff)
        return;
    const CNotify hint{kind, track, a, b};
    // A view may close itself, or open another, while it updates.
    const std::vector<DocView*> views = m_views;
    for (DocView* view : views)
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnUpdate(hint);
}

void CMidiDoc::Notify(const CNotify& hint)
{
    Notify(hint.kind, hint.track, hint.a, hint.b);
}

void CMidiDoc::SetModified()
{
    if (!m_loading)
        m_files.state.modified = true;
}

void CMidiDoc::SongReplaced(bool isNew)
{
    if (isNew) {
        BeginStep(m_song, kNewSongStep, true);
        EndStep(m_song);
        m_song.currentTrack = 0;
    }
    SongLength(m_song);
    m_song.currentTrack = std::clamp(m_song.currentTrack, 0, std::min(m_song.trackCount, kMaxTracks - 1));
    Notify(kNotifySongReplaced, -1, isNew ? 1 : 0);
    notificationsOff = 0;
    if (isNew)
        CurrentTrackChanged(0, true);
}

void CMidiDoc::CurrentTrackChanged(int index, bool all)
{
    if (!IsTrackIndex(index))
        return;
    SetCurrentTrack(m_song, index);
    const int current = m_song.currentTrack;
    const int last = std::min(m_song.trackCount, kMaxTracks - 1);
    for (int i = 0; i <= last; ++i) {
        Track& t = m_song.tracks[i];
        const int want = i == current ? 1 : (all ? 0 : t.trackSelected);
        if (t.trackSelected != want) {
            t.trackSelected = want;
            TrackListSelection(i);
        }
    }
}

void CMidiDoc::TrackUpdated(int track)
{
    if (!IsTrackIndex(track))
        return;
    SongLength(m_song);
    Notify(kNotifyTrackChanged, track);
}

void CMidiDoc::EventsChanged(int track, bool orderUnchanged, int first)
{
    if (!IsTrackIndex(track))
        return;
    RescanEvents(m_song, track);
    SongLength(m_song);
    Notify(kNotifyEventsChanged, track, orderUnchanged ? 1 : 0, first);
}

void CMidiDoc::EventDeleted(int track, int index)
{
    if (!IsTrackIndex(track))
        return;
    RescanEvents(m_song, track);
    SongLength(m_song);
    Notify(kNotifyEventDeleted, track, index);
}

void CMidiDoc::EventInserted(int track, int index, bool select)
{
    if (!IsTrackIndex(track))
        return;
    const Track& t = m_song.tracks[track];
    if (select && t.eventsBuilt && index >= 0 && index < t.eventCount) {
        ClearAll(m_song, track);
        SetOne(m_song, track, index, true);
    }
    RescanEvents(m_song, track);
    SongLength(m_song);
    Notify(kNotifyEventInserted, track, index);
}

void CMidiDoc::PlayState(int32_t value)
{
    Notify(kNotifyPlayPosition, -1, value);
}

void CMidiDoc::ShowEvent(int track, int index)
{
    if (IsTrackIndex(track))
        Notify(kNotifyShowEvent, track, index);
}

void CMidiDoc::GoToTime(bool select, int32_t time)
{
    if (select) {
        for (int i = 0; i < m_song.trackCount; ++i) {
            Event* ev = LockNotes(m_song, i, false);
            if (!ev)
                continue;
            const int32_t count = m_song.tracks[i].eventCount;
            if (count > 0) {
                // The last Event before the time; the first when none is.
                Event* end = ev + count;
                const Event* at =
                    std::lower_bound(ev, end, time, [](const Event& e, int32_t t) { return e.time < t; });
                const int32_t index = at == ev ? 0 : int32_t(at - ev) - 1;
                ClearAll(m_song, i);
                SetOne(m_song, i, index, true);
            }
            Unlock(m_song, i, false);
        }
    }
    Notify(kNotifyGoToTime, -1, time);
    for (int i = 0; i < m_song.trackCount; ++i)
        if (m_song.tracks[i].selectedCount > 0)
            ShowEvent(i, m_song.tracks[i].firstSelected);
}

void CMidiDoc::SelectionChanged(int track, int index)
{
    if (IsTrackIndex(track))
        Notify(kNotifySelectionChanged, track, index);
}

void CMidiDoc::TimeSigChanged()
{
    for (int i = 1; i < m_song.trackCount; ++i)
        if (m_song.tracks[i].eventsBuilt)
            RescanEvents(m_song, i);
    Notify(10);
}

void CMidiDoc::TrackListSelection(int index)
{
    if (IsTrackIndex(index))
        Notify(11, index, index);
}

void CMidiDoc::FromToChanged()
{
    Notify(12);
}

int32_t CMidiDoc::EventPlayed(int track, int32_t counter)
{
    if (!IsTrackIndex(track))
        return -1;
    const Track& t = m_song.tracks[track];
    int32_t remaining = counter - (t.name.empty() ? 0 : 1) - (t.instrument.empty() ? 0 : 1);
    int32_t index = -1;
    const int32_t count = t.eventsBuilt ? std::min<int32_t>(t.eventCount, int32_t(t.events.size())) : 0;
    for (int32_t k = 0; k < count; ++k) {
        const Event& e = t.events[size_t(k)];
        // A program change with a bank goes out as two bank controllers and
        // the change itself when the channel's patch set selects banks.
        const bool banked =
            e.Kind() == EventKind::PgmChg && e.Bank() >= 0 && BankMethodFor(m_song, t.port, e.Channel()) != 0;
        const int32_t cost = banked ? 3 : 1;
        if (remaining < cost)
            break;
        remaining -= cost;
        index = k;
    }
    Notify(13, track, index);
    return index;
}

void CMidiDoc::MuteSoloChanged()
{
    Notify(14);
}

void CMidiDoc::KeySigChanged()
{
    Notify(15);
}

void CMidiDoc::NoteLengthChanged()
{
    Notify(16);
}

void CMidiDoc::StepPosition(int32_t v)
{
    Notify(17, -1, v);
}

void CMidiDoc::PitchesChanging(int track)
{
    if (IsTrackIndex(track))
        Notify(18, track);
}

void CMidiDoc::TempoChanged()
{
    Notify(19);
}

}  // namespace kv
