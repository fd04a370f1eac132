#pragma once

#include <cstdint>
#include <span>

#include "song/event.h"
#include "song/streamreader.h"

namespace kv {

struct Song;

// Converts a TrackStream into Events in dest (capacity records), copying
// payloads into the track's SubHeap. names: the track name and instrument
// texts at time 0 stay out of the Events (ScanStream puts them in the Track).
// Returns the number of Events, or -1 when they do not fit. A damaged stream
// gives the Events read up to the damage; fault (optional) says what stopped
// the walk. Never reads outside stream.
int32_t ToNote(Song& song, int track, std::span<const uint8_t> stream, Event* dest, int32_t capacity,
               bool names, StreamFault* fault = nullptr);

}  // namespace kv
