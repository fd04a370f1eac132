#pragma once

#include "files/wavetable.h"

namespace kv {

struct Song;
class Messages;

// Drops the waves no track uses and numbers the rest in the order the tracks
// (in table order) first use them, rewriting every wave reference of the
// packed TrackStreams and of the Events to the new numbers. A reference past
// the end of the table gets message 239 (once per number) and becomes wave 0.
void CompactWaves(Song& song, WaveTable& waves, Messages& messages);

}  // namespace kv
