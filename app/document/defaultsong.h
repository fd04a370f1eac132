#pragma once

#include <string>

namespace kv {

struct Song;

// The song shipped as "KVP$DEF.MID": the conductor track (120.00, 4/4) and
// sixteen named tracks, one per channel, each starting with the program
// change of its instrument; track 10 plays the drums on channel 10.
bool BuildDefaultSong(Song& song);
// Builds it and writes it to path with the song file writer; a timebase
// other than 0 replaces the default song's.
bool WriteDefaultSong(const std::string& path, int timebase = 0);

}  // namespace kv
