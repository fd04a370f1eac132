#pragma once

#include <cstdint>
#include <vector>

#include "song/event.h"

namespace kv {

struct Song;

// Track storage. Every routine names the track by its index in the song's
// TrackTable and tells the undo journal, the views and the time maps through
// the song's seams.

// SubHeap blocks, announced to the undo journal first. 0 when out of memory.
int32_t SubHeapAlloc(Song& song, int track, int32_t payloadSize);
void SubHeapFree(Song& song, int track, int32_t handle);

// The track's Events, built from the stream the first time. With undo the
// journal copies them before the caller changes them. nullptr (after a fatal
// message 340 or 341) when they cannot be built.
Event* LockNotes(Song& song, int track, bool undo);
// With changed: TrackChanged with a rescan.
void Unlock(Song& song, int track, bool changed);
// Room for at least n Events (exactly -n when n is negative, but never fewer
// than are in use). 0 ok, 1 out of memory. Pointers from LockNotes are stale
// afterwards.
int Reserve(Song& song, int track, int32_t n);
// Recreates the SubHeap and Events from the stream. 0 ok, 1 failure (the
// track then has no Events in use).
int BuildEvents(Song& song, int track);
// A track read from a file: takes the stream and builds its Events. When they
// cannot be built the track is reset to an empty one and message 265 names
// fileTrack. 0 ok, 1 failure.
int LoadTrackStream(Song& song, int track, std::vector<uint8_t> stream, int fileTrack);
// Marks the Events changed and the document modified; with rescan refreshes
// the summary and the selection and tells the views. Writing into the next
// track grows the song by it.
void TrackChanged(Song& song, int track, bool rescan);

}  // namespace kv
