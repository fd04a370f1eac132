#include "song/undotracks.h"

#include <algorithm>
#include <utility>

#include "song/song.h"
#include "song/trackstore.h"
#include "song/undostep.h"

namespace kv {

bool DeleteTrack(Song& song, int index)
{
    if (index < 0 || index >= song.trackCount)
        return false;
    UndoDelTrk(song, index);
    auto& table = song.tracks.tracks;
    const int last = std::min(song.trackCount + 1, kMaxTracks);
    std::move(table.begin() + index + 1, table.begin() + last, table.begin() + index);
    table[size_t(last - 1)].Reset(true);
    --song.trackCount;
    song.currentTrack = std::min(song.currentTrack, song.trackCount);
    SetModified(song);
    return true;
}

bool ClearTrack(Song& song, int index)
{
    if (index < 0 || index >= song.trackCount)
        return false;
    UndoClrTrk(song, index);
    song.tracks[index].Reset(true);
    if (!LockNotes(song, index, false))
        return false;
    Unlock(song, index, true);
    return true;
}

}  // namespace kv
