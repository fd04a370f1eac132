#include "files/chunkio.h"
#include "files/readcontext.h"
#include "platform/messages.h"
#include "song/tracktable.h"

namespace kv {
namespace {

// The RIFF wrapper's length, form type, "data" tag and data length, skipped
// unchecked: the "MThd" test that follows is what tells a MIDI file.
constexpr uint64_t kRiffSkip = 16;

// Reads the first tag, stepping over a RIFF wrapper. True when it is "MThd";
// otherwise the bytes read of that tag are stepped back over, so that a
// header search starts with them.
bool ReadFirstTag(ByteSource& in)
{
    ChunkTag tag{};
    size_t got = in.Read(tag.data(), tag.size());
    if (got == tag.size() && tag == kTagRIFF) {
        if (in.Skip(kRiffSkip) != kRiffSkip)
            return false;
        got = in.Read(tag.data(), tag.size());
    }
    if (got == tag.size() && tag == kTagMThd)
        return true;
    in.Back(got);
    return false;
}

bool FindHeader(ReadContext& ctx)
{
    if (ReadFirstTag(ctx.in))
        return true;
    if (ctx.messages.ShowWarning(255))
        return false;
    if (SearchTag(ctx.in, kTagMThd))
        return true;
    ctx.messages.ShowInfo(256);
    return false;
}

}  // namespace

bool ReadHeader(ReadContext& ctx)
{
    if (!FindHeader(ctx))
        return false;

    uint32_t length = 0;
    uint16_t format = 0, count = 0, division = 0;
    if (!ReadU32BE(ctx.in, length) || length <= 5 || !ReadU16BE(ctx.in, format) ||
        !ReadU16BE(ctx.in, count) || !ReadU16BE(ctx.in, division)) {
        ctx.messages.ShowInfo(257);
        return false;
    }
    if (format != 0 && format != 1 && ctx.messages.ShowWarning(258, int(format)))
        return false;

    ctx.files.fileFormat = format;

    const int total = ctx.first + count;
    if (total > kMaxTracks && ctx.messages.ShowWarning(259, kMaxTracks, total))
        return false;
    ctx.endTrack = total > kMaxTracks ? kMaxTracks : total;

    // A zero division would make every beat zero ticks long: no time could
    // be shown or converted. Such a file gets the default timebase.
    ctx.fileTimebase = division ? division : 120;
    ctx.in.Skip(length - 6);
    return true;
}

}  // namespace kv
