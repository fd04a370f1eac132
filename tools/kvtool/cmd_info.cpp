// kvtool info: what a song file holds, track by track, and every message
// its load raised.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {
namespace {

struct TrackInfo {
    int number;
    std::string name;
    std::string instrument;
    int port;
    std::string channel;  // 1..16, "several" or "-"
    int32_t events;
    int32_t notes;
    int32_t length;
};

TrackInfo Describe(Song& song, int i)
{
    const Track& t = song.tracks[i];
    TrackInfo info{i, t.name, t.instrument, t.port, "-", t.eventCount, 0, t.length};
    if (t.channelMode == kOneChannel)
        info.channel = std::to_string(t.channel + 1);
    else if (t.channelMode == kSeveralChannels)
        info.channel = "several";
    if (t.eventsBuilt) {
        // Notes mix unpredictably with other events: counted without a branch.
        int32_t notes = 0;
        const Event* events = t.events.data();
        for (int32_t k = 0; k < t.eventCount; ++k)
            notes += events[k].Kind() == EventKind::NoteOn;
        info.notes = notes;
    }
    return info;
}

std::string Json(const std::string& s)
{
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

void PrintJson(const char* path, bool loaded, ToolSong& s)
{
    std::printf("{\"file\": %s, \"loaded\": %s, \"format\": %d, \"timebase\": %d, \"tracks\": [",
                Json(path).c_str(), loaded ? "true" : "false", s.files.fileFormat, s.song.timebase);
    for (int i = 0; i < s.song.trackCount; ++i) {
        const TrackInfo t = Describe(s.song, i);
        const std::string channel = t.channel == "-"         ? "null"
                                    : t.channel == "several" ? "\"several\""
                                                             : t.channel;
        std::printf(
            "%s\n  {\"number\": %d, \"name\": %s, \"instrument\": %s, \"port\": %d, \"channel\": %s, "
            "\"events\": %d, \"notes\": %d, \"length\": %d}",
            i ? "," : "", t.number, Json(t.name).c_str(), Json(t.instrument).c_str(), t.port, channel.c_str(),
            t.events, t.notes, t.length);
    }
    std::printf("],\n \"messages\": [");
    bool first = true;
    for (const auto& m : s.messages.shown()) {
        std::printf("%s\n  {\"number\": %d, \"text\": %s}", first ? "" : ",", m.number, Json(m.text).c_str());
        first = false;
    }
    std::printf("]}\n");
}

void PrintText(const char* path, bool loaded, ToolSong& s)
{
    std::printf("file: %s\nloaded: %s\nformat: %d\ntimebase: %d\ntracks: %d\n", path, loaded ? "yes" : "no",
                s.files.fileFormat, s.song.timebase, s.song.trackCount);
    if (s.song.trackCount > 0)
        std::printf("track\tname\tinstrument\tport\tchannel\tevents\tnotes\tlength\n");
    for (int i = 0; i < s.song.trackCount; ++i) {
        const TrackInfo t = Describe(s.song, i);
        std::printf("%d\t%s\t%s\t%d\t%s\t%d\t%d\t%d\n", t.number, t.name.c_str(), t.instrument.c_str(),
                    t.port, t.channel.c_str(), t.events, t.notes, t.length);
    }
    std::printf("messages: %zu\n", s.messages.shown().size());
    for (const auto& m : s.messages.shown())
        std::printf("%d\t%s\n", m.number, m.text.c_str());
}

int Usage()
{
    std::fprintf(stderr, "usage: kvtool info FILE [--json] [--answer yes|no]\n");
    return kExitUsage;
}

}  // namespace

int RunInfo(int argc, char** argv)
{
    const char* path = nullptr;
    bool json = false;
    bool yes = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--json")) {
            json = true;
        } else if (!std::strcmp(argv[i], "--answer") && i + 1 < argc) {
            const char* a = argv[++i];
            if (std::strcmp(a, "yes") && std::strcmp(a, "no"))
                return Usage();
            yes = !std::strcmp(a, "yes");
        } else if (argv[i][0] == '-' || path) {
            return Usage();
        } else {
            path = argv[i];
        }
    }
    if (!path)
        return Usage();
    ToolSong s(yes);
    s.messages.SetQuiet(true);  // the messages are part of the report below
    const bool loaded = s.Load(path);
    if (json)
        PrintJson(path, loaded, s);
    else
        PrintText(path, loaded, s);
    return loaded ? kExitOk : kExitFailed;
}

}  // namespace kv::tool
