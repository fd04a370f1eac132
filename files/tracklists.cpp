#include "files/tracklists.h"

#include "song/song.h"

namespace kv {

std::string TracksWithContent(const Song& song, int32_t flags, bool skipTrackZero)
{
    std::string list;
    for (int i = skipTrackZero ? 1 : 0; i < song.trackCount && i < kMaxTracks; ++i) {
        if (!(song.tracks[i].contentFlags & flags))
            continue;
        if (!list.empty())
            list += ' ';
        list += std::to_string(i);
    }
    return list;
}

bool TrackZeroHasChannelEvents(const Song& song)
{
    return song.trackCount > 1 && (song.tracks[0].contentFlags & kContentChannel);
}

}  // namespace kv
