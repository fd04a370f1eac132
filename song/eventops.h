#pragma once

#include <cstdint>

#include "song/event.h"

namespace kv {

struct Song;

// Changing a track's built Events. With notify the document is marked
// modified and the views are told (after the track's summary is rescanned).
// Each marks the track changed, since its stream no longer matches.

// Inserts e in time order: at hint when the Event there has the same time,
// else after every Event not later than e. Returns the index, or -1 when the
// track is full (the caller Reserves, or reports message 226). Inserting the
// first Event of the next track grows the song by it.
int32_t InsertEvent(Song& song, int track, const Event& e, int32_t hint, bool notify);
// Removes the Event at position and frees its payload block.
void DeleteEvent(Song& song, int track, int32_t position, bool notify);
// Puts the Event at position back in time order after its time was changed;
// returns its new index.
int32_t ResortAfterMove(Song& song, int track, int32_t position, bool notify);
// Moves the Event at position and every later one by the same amount, so the
// first lands on newTime (times are kept within 0..0x7FFFFFFF).
void ShiftFrom(Song& song, int track, int32_t position, int32_t newTime, bool notify);

}  // namespace kv
