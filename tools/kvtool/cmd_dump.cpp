// kvtool dump: every Event of a loaded song, one tab-separated line each.
#include <cstdio>
#include <string>

#include "song/event.h"
#include "song/timetext.h"
#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {
namespace {

// Text as text, with the characters that would break a line or a column
// escaped; everything else as hexadecimal bytes.
std::string PayloadText(const Event& e, const uint8_t* p, int32_t size)
{
    if (!p || size <= 0)
        return "";
    if (e.Kind() != EventKind::MetaTxt)
        return FormatHexBytes(p, size_t(size), false);
    std::string out;
    for (int32_t i = 0; i < size && p[i]; ++i) {
        const char c = char(p[i]);
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

void DumpTrack(Song& song, int i)
{
    const Track& t = song.tracks[i];
    if (!t.eventsBuilt)
        return;
    for (int32_t k = 0; k < t.eventCount; ++k) {
        const Event& e = t.events[size_t(k)];
        std::string channel = "-";
        if (e.IsChannelKind())
            channel = std::to_string(e.Channel() + 1);
        int32_t value = e.value;
        std::string payload;
        if (e.HasPayload()) {
            value = t.heap.PayloadSize(e.value);
            payload = PayloadText(e, t.heap.Payload(e.value), value);
        }
        // A program change keeps its bank across data2 and the flags: show
        // the bank itself, or - when the change has none.
        std::string data2 = std::to_string(e.data2);
        if (e.Kind() == EventKind::PgmChg)
            data2 = e.Bank() < 0 ? "-" : std::to_string(e.Bank());
        const std::string kind(EventKindLabel(e.Kind()));
        std::printf("%d\t%d\t%s\t%s\t%d\t%s\t%d\t%s\n", i, e.time, kind.c_str(), channel.c_str(), e.data1,
                    data2.c_str(), value, payload.c_str());
    }
}

}  // namespace

int RunDump(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kvtool dump FILE\n");
        return kExitUsage;
    }
    ToolSong s;
    if (!s.Load(argv[1]))
        return kExitFailed;
    std::printf("track\ttime\tkind\tchannel\tdata1\tdata2\tvalue\tpayload\n");
    for (int i = 0; i < s.song.trackCount; ++i)
        DumpTrack(s.song, i);
    return kExitOk;
}

}  // namespace kv::tool
