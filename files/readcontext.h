#pragma once

#include <cstdint>

#include "files/bytesource.h"
#include "files/songfiles.h"

namespace kv {

class Messages;

// The state of one ReadFile run, shared by the chunk readers.
struct ReadContext {
    SongFiles& files;
    Song& song;
    Messages& messages;
    ByteSource& in;
    int32_t first = 0;     // the TrackTable index of the file's first chunk
    int32_t endTrack = 0;  // first + the header's chunk count, at most 256
    int32_t fileTimebase = 120;
    bool fromClipboard = false;
    bool fileHasWaves = false;  // a track of this file carried wave events
};

// The header chunk (and a RIFF wrapper before it). False fails the load.
bool ReadHeader(ReadContext& ctx);

enum class ChunkRead {
    Whole,    // the chunk was read whole
    Partial,  // the file ended inside the chunk: keep what was read, then stop
    End,      // no chunk: the load ends before this track
};
// Reads up to the next "MTrk" tag. A wrong tag asks question (260 with the
// track number, or 264 for the wave chunk) before searching; false when the
// user cancels or no tag is found (message 261).
bool FindTrackTag(ReadContext& ctx, int question, int track);
// One "MTrk" chunk into track n's stream.
ChunkRead ReadTrackChunk(ReadContext& ctx, int n);
// The wave chunk into the song's wave table.
void ReadWaveChunk(ReadContext& ctx);

}  // namespace kv
