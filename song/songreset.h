#pragma once

#include <cstdint>

namespace kv {

struct Song;

// The settings a song reset reads.
struct SongResetSettings {
    int32_t timeFormat = 3;  // "TimeFmt"
    int32_t wavePrep = 2;    // "WAVEPrep", quarter notes of wave preparation lead
};

// Empties the song: every track reset with its memory freed, the song-wide
// values and maps back to their defaults for the time format, and the undo
// journal's last step forgotten. The caller (the document) marks itself
// unmodified and tells the views that the song was replaced.
void ResetSong(Song& song, const SongResetSettings& settings = {});

// Gives an empty song its conductor track: track zero with a tempo of 120.00
// and a 4/4 signature at time 0, named "Conductor Track"; the current track
// becomes track 1, all in the non-undoable step "Create Track Zero". False when track zero is not empty or
// its Events cannot be made.
bool CreateTrackZero(Song& song);

inline constexpr const char* kCreateTrackZeroStep = "Create Track Zero";
inline constexpr const char* kConductorTrackName = "Conductor Track";

}  // namespace kv
