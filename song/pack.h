#pragma once

#include <cstdint>
#include <vector>

namespace kv {

struct Song;

enum class PackMode {
    Normal,     // the whole track into its own stream
    Section,    // events with from <= time <= to, deltas counted from from
    Selection,  // selected events, deltas counted from the first of them
};

// Rebuilds the track's stream from its Events when the track is changed, and
// assigns its fileNumber (track zero restarts the numbering; renumber gives
// every other track the next number). 0 ok, 1 failure: the track then has no
// stream (message 339 when memory ran out) and keeps its Events.
int Pack(Song& song, int track, bool renumber);

// Writes the track's Events in a copy mode into out (replacing its contents),
// leaving the track as it is. from and to are used by the section mode.
// 0 ok, 1 failure.
int PackTo(Song& song, int track, PackMode mode, int32_t from, int32_t to, std::vector<uint8_t>& out);

}  // namespace kv
