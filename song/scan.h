#pragma once

#include <cstdint>

namespace kv {

struct Song;

// The summary fields of a track from its stream: length, eventCount,
// contentFlags, notes, polyphony, channels, program, port, names,
// adjustments and mute; for track zero also the song-wide records, and then
// the time maps are rebuilt. A damaged stream stops the scan where it is
// damaged (message 237 for a bad status byte).
void ScanStream(Song& song, int track);

// The summary fields from the Events, only when the track is changed. Events
// out of order or beyond measure 9999 cut the track there (message 241); a
// stuck note gives message 242. For track zero the time maps are rebuilt.
void RescanEvents(Song& song, int track);

// The last tick of measure 9999 under the song's time-signature map.
int32_t LastTickOfSong(const Song& song);

}  // namespace kv
