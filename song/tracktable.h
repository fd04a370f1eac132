#pragma once

#include <array>
#include <cstddef>

#include "song/track.h"

namespace kv {

inline constexpr int kMaxTracks = 256;

// The fixed table of tracks. The song uses the first trackCount records; the
// record at trackCount (when below 256) is the next track, a valid empty
// Track that editors may write into to grow the song by one.
struct TrackTable {
    std::array<Track, kMaxTracks> tracks;

    Track& operator[](int index) { return tracks[size_t(index)]; }
    const Track& operator[](int index) const { return tracks[size_t(index)]; }
};

inline bool IsTrackIndex(int index)
{
    return index >= 0 && index < kMaxTracks;
}

}  // namespace kv
