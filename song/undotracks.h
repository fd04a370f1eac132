#pragma once

namespace kv {

struct Song;

// Whole-track edits that the journal records, for the commands that delete
// or clear tracks. Both must run inside an undo step to be undoable, and
// leave telling the views to the caller (one "song replaced" at the end).

// Deletes track index (0..trackCount-1): recorded, freed, every later record
// (the next track included) moves down by one, trackCount drops by one and
// the current track stays within the song. False for an index outside the
// song.
bool DeleteTrack(Song& song, int index);

// Clears track index: recorded, reset with its memory freed (events, names
// and attributes of a new track), its empty Events marked changed. False for
// an index outside the song.
bool ClearTrack(Song& song, int index);

}  // namespace kv
