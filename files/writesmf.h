#pragma once

#include <span>

#include "files/bytesink.h"
#include "files/wavetable.h"

namespace kv {

struct Song;

// Writes the header, one track chunk per listed track (its TrackStream as
// packed) and, with waves and a non-empty table, the wave chunk. The format
// is 0 for a single chunk, else 1. False when a write fails.
bool WriteSmf(ByteSink& out, const Song& song, std::span<const int> tracks, const WaveTable* waves);

}  // namespace kv
