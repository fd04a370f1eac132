// kvtool maps: the song's time-signature, key-signature and tempo maps.
#include <cstdio>

#include "song/timeconvert.h"
#include "song/timetext.h"
#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {

int RunMaps(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kvtool maps FILE\n");
        return kExitUsage;
    }
    ToolSong s;
    if (!s.Load(argv[1]))
        return kExitFailed;
    const Song& song = s.song;
    std::printf("time signatures\ntick\tmeasure\tsignature\tclicks\n");
    for (const TimeSigEntry& e : song.timeSigMap.entries)
        std::printf("%d\t%d\t%d/%d\t%d\n", e.tick, e.measure, e.numerator, 1 << e.denomPower, e.clicks);
    std::printf("key signatures\ntick\tkey\n");
    for (const KeySigEntry& e : song.keySigMap.entries)
        std::printf("%d\t%s\n", e.tick, KeyName(e.key, e.minor));
    std::printf("tempos\ntick\tus per quarter\tbpm\tms\n");
    if (song.tempoMap.entries.empty())
        std::printf("0\t500000\t120.00\t0\n");
    for (const TempoEntry& e : song.tempoMap.entries) {
        const uint16_t bpm = TempoValueFromUs(e.usPerQuarter);
        std::printf("%d\t%u\t%u.%02u\t%u\n", e.tick, e.usPerQuarter, bpm / 100u, bpm % 100u, e.ms);
    }
    return kExitOk;
}

}  // namespace kv::tool
