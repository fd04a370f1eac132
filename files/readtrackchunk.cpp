#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "files/chunkio.h"
#include "files/readcontext.h"
#include "platform/messages.h"
#include "song/song.h"

namespace kv {

// Finds the next "MTrk" tag, asking before searching past a wrong one.
// question is the message asked (260 for a track, 264 for the wave chunk).
bool FindTrackTag(ReadContext& ctx, int question, int track)
{
    ChunkTag tag{};
    const size_t got = ctx.in.Read(tag.data(), tag.size());
    if (got == tag.size() && tag == kTagMTrk)
        return true;
    const int cancelled =
        question == 260 ? ctx.messages.ShowWarning(260, track) : ctx.messages.ShowWarning(question);
    if (cancelled)
        return false;
    ctx.in.Back(got);
    if (SearchTag(ctx.in, kTagMTrk))
        return true;
    ctx.messages.ShowInfo(261);
    return false;
}

ChunkRead ReadTrackChunk(ReadContext& ctx, int n)
{
    uint32_t length = 0;
    if (!FindTrackTag(ctx, 260, n))
        return ChunkRead::End;
    if (!ReadU32BE(ctx.in, length)) {
        ctx.messages.ShowInfo(263, n);
        return ChunkRead::End;
    }
    // The length is hostile: never reserve more than the file still holds.
    const size_t size = size_t(std::min<uint64_t>(length, ctx.in.Remaining()));
    std::vector<uint8_t> body;
    try {
        if (size > size_t(INT32_MAX))
            throw std::bad_alloc();
        body.resize(size);
    } catch (const std::bad_alloc&) {
        ctx.messages.ShowInfo(262, n);
        return ChunkRead::End;
    }
    const size_t got = ctx.in.Read(body.data(), size);
    body.resize(got);

    Track& track = ctx.song.tracks[n];
    track.stream = std::move(body);
    track.streamSize = int32_t(track.stream.size());
    if (got == length)
        return ChunkRead::Whole;
    // A file cut short inside its last track is common; the part that was
    // read is kept (the stream walk stops where the bytes end).
    ctx.messages.ShowInfo(263, n);
    return got > 0 ? ChunkRead::Partial : ChunkRead::End;
}

}  // namespace kv
