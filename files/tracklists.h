#pragma once

#include <cstdint>
#include <string>

namespace kv {

struct Song;

// The numbers (TrackTable indexes) of the song's tracks whose contentFlags
// have any of flags, one blank between numbers, as the file warnings show
// them. With skipTrackZero the conductor track is left out.
std::string TracksWithContent(const Song& song, int32_t flags, bool skipTrackZero);

// Track zero has channel events while the song has other tracks: the file
// does not conform.
bool TrackZeroHasChannelEvents(const Song& song);

}  // namespace kv
