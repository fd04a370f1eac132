#include "files/writesmf.h"

#include <cstdint>

#include "files/chunkio.h"
#include "files/wavechunk.h"
#include "song/song.h"

namespace kv {
namespace {

// An empty track still gets an end-of-track event: a chunk with no body is
// something other programs trip over.
constexpr uint8_t kEmptyBody[] = {0x00, 0xFF, 0x2F, 0x00};

bool WriteChunkHeader(ByteSink& out, const ChunkTag& tag, uint32_t length)
{
    uint8_t head[8];
    for (int i = 0; i < 4; ++i)
        head[i] = tag[size_t(i)];
    PutU32BE(head + 4, length);
    return out.Write(head, sizeof head);
}

bool WriteHeader(ByteSink& out, int chunks, int32_t timebase)
{
    uint8_t body[6];
    PutU16BE(body, chunks == 1 ? 0 : 1);
    PutU16BE(body + 2, uint16_t(chunks));
    PutU16BE(body + 4, uint16_t(timebase));
    return WriteChunkHeader(out, kTagMThd, sizeof body) && out.Write(body, sizeof body);
}

bool WriteTrack(ByteSink& out, const Track& track)
{
    const bool empty = !track.HasStream() || track.stream.empty();
    const uint8_t* body = empty ? kEmptyBody : track.stream.data();
    const size_t size = empty ? sizeof kEmptyBody : size_t(track.streamSize);
    return WriteChunkHeader(out, kTagMTrk, uint32_t(size)) && out.Write(body, size);
}

}  // namespace

bool WriteSmf(ByteSink& out, const Song& song, std::span<const int> tracks, const WaveTable* waves)
{
    const bool withWaves = waves && waves->Count() > 0;
    const uint64_t waveLength = withWaves ? WaveChunkLength(*waves) : 0;
    if (waveLength > UINT32_MAX)
        return false;
    const int chunks = int(tracks.size()) + (withWaves ? 1 : 0);
    if (!WriteHeader(out, chunks, song.timebase))
        return false;
    for (const int i : tracks)
        if (!WriteTrack(out, song.tracks[i]))
            return false;
    if (withWaves)
        return WriteChunkHeader(out, kTagMTrk, uint32_t(waveLength)) && WriteWaveRecords(out, *waves);
    return true;
}

}  // namespace kv
