// kvtool times: each tick as measure time, beats:ticks, clock and SMPTE.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "song/timetext.h"
#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {
namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kvtool times FILE TICK... [--format 0..4]\n");
    return kExitUsage;
}

bool ParseInt(const char* text, long lo, long hi, long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == 0 && out >= lo && out <= hi;
}

}  // namespace

int RunTimes(int argc, char** argv)
{
    const char* path = nullptr;
    long format = 3;
    std::vector<int32_t> ticks;
    for (int i = 1; i < argc; ++i) {
        long v = 0;
        if (!std::strcmp(argv[i], "--format")) {
            if (i + 1 >= argc || !ParseInt(argv[++i], 0, 4, format))
                return Usage();
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else if (ParseInt(argv[i], INT32_MIN, INT32_MAX, v)) {
            ticks.push_back(int32_t(v));
        } else {
            return Usage();
        }
    }
    if (!path || ticks.empty())
        return Usage();
    ToolSong s;
    s.files.settings.timeFormat = int32_t(format);
    if (!s.Load(path))
        return kExitFailed;
    const TimeParams p = TimeParamsOf(s.song);
    std::printf("tick\tmeasure time\tbeats:ticks\tclock\tsmpte\n");
    for (const int32_t tick : ticks) {
        const TickTexts t = DescribeTick(p, tick);
        std::printf("%d\t%s\t%s\t%s\t%s\n", tick, t.measureTime.c_str(), t.beatsTicks.c_str(),
                    t.clock.c_str(), t.smpte.c_str());
    }
    return kExitOk;
}

}  // namespace kv::tool
