#include "song/eventcursor.h"

#include "song/eventops.h"
#include "song/song.h"
#include "song/trackstore.h"

namespace kv {

bool EventCursor::Open(int track, bool undo)
{
    Close();
    if (!IsTrackIndex(track))
        return false;
    m_first = LockNotes(m_song, track, undo);
    if (m_first == nullptr)
        return false;
    m_track = track;
    m_undo = undo;
    m_index = 0;
    return true;
}

void EventCursor::Close()
{
    if (!IsOpen())
        return;
    Unlock(m_song, m_track, m_undo);
    m_first = nullptr;
    m_track = -1;
}

int32_t EventCursor::Count() const
{
    return IsOpen() ? m_song.tracks[m_track].eventCount : 0;
}

void EventCursor::Seek(int32_t index)
{
    m_index = index >= 0 && index <= Count() ? index : 0;
}

bool EventCursor::InsertSorted(const Event& e)
{
    if (!IsOpen())
        return false;
    const int32_t hint = Valid() && Current().time == e.time ? m_index : -1;
    const int32_t index = InsertEvent(m_song, m_track, e, hint, false);
    if (index < 0)
        return false;
    m_index = index;
    return true;
}

void EventCursor::Delete()
{
    if (Valid())
        DeleteEvent(m_song, m_track, m_index, false);
}

}  // namespace kv
