// The main toolbar's time fields and the track selection routines.
#include <algorithm>
#include <cstdio>

#include "app/document/mididoc.h"
#include "song/timeedit.h"
#include "song/timetext.h"

namespace kv {

void CMidiDoc::CommitTimeField(TimeField field, int32_t tick)
{
    if (m_playing) {
        FromToChanged();
        return;
    }
    tick = std::max<int32_t>(tick, 0);
    switch (field) {
        case TimeField::Now:
            m_now = tick;
            GoToTime(false, tick);
            return;
        case TimeField::From:
            m_song.from = tick;
            m_song.to = std::max(m_song.to, tick);
            break;
        case TimeField::To:
            m_song.to = tick;
            m_song.from = std::min(m_song.from, tick);
            break;
    }
    FromToChanged();
}

CMidiDoc::FieldStep CMidiDoc::StepTimeFieldText(const std::string& text, size_t caret, int32_t step)
{
    FieldStep result;
    if (m_playing)
        return result;
    const TimeFieldStep s = StepTimeField(TimeParamsOf(m_song, m_settings.middleC), text, caret, step, true);
    result.ok = true;
    result.text = s.text;
    result.caret = s.caret;
    result.tick = s.tick;
    return result;
}

bool CMidiDoc::ParseTimeFieldText(const std::string& text, int32_t& tick) const
{
    if (text.find_first_not_of(" \t") == std::string::npos)
        return false;
    tick = ParseTime(TimeParamsOf(m_song, m_settings.middleC), text, true);
    return true;
}

std::string CMidiDoc::FormatTimeField(int32_t tick) const
{
    return FormatTime(TimeParamsOf(m_song, m_settings.middleC), tick, true);
}

int CMidiDoc::SelectedTrackCount(bool includeNext) const
{
    int n = 0;
    for (int i = 0; i < m_song.trackCount; ++i)
        n += m_song.tracks[i].trackSelected ? 1 : 0;
    if (includeNext && m_song.trackCount < kMaxTracks && m_song.tracks[m_song.trackCount].trackSelected)
        ++n;
    return n;
}

int CMidiDoc::NextSelectedTrack(int after) const
{
    for (int i = std::max(after + 1, 0); i < m_song.trackCount; ++i)
        if (m_song.tracks[i].trackSelected)
            return i;
    return -1;
}

std::string CMidiDoc::SelectTrackEntry(int track) const
{
    if (!IsTrackIndex(track))
        return {};
    const Track& t = m_song.tracks[track];
    const bool used = track < m_song.trackCount && (!t.IsEmpty() || !t.name.empty() || !t.instrument.empty());
    char text[300];
    if (used)
        std::snprintf(text, sizeof text, "%d: %s", track, (t.name.empty() ? t.instrument : t.name).c_str());
    else
        std::snprintf(text, sizeof text, "%d: <<Empty>>", track);
    return text;
}

void CMidiDoc::ChooseTrack(int track)
{
    if (!IsTrackIndex(track) || track > m_song.trackCount)
        return;
    CurrentTrackChanged(track, m_song.tracks[track].trackSelected == 0);
}

}  // namespace kv
