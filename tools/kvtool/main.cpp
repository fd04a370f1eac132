// kvtool: the program's command-line face, on the same libraries as kvpro.
#include <cstdio>
#include <cstring>
#include <span>

#include "tools/kvtool/cmd_engine.h"
#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {
namespace {

// Commands join this table as their subsystems land.
constexpr Command kCommands[] = {
    {"version", "", "print the program's version", nullptr},
    {"info", "FILE [--json] [--answer yes|no]", "tracks of a song file and the load's messages", RunInfo},
    {"dump", "FILE", "every event of a song file, tab-separated", RunDump},
    {"convert", "IN OUT", "load and save a song file", RunConvert},
    {"maps", "FILE", "time-signature, key-signature and tempo maps", RunMaps},
    {"times", "FILE TICK... [--format 0..4]", "ticks as measure, beat, clock and SMPTE times", RunTimes},
    {"devices", "", "MIDI output and input devices with their keys", RunDevices},
    {"engine-info", "", "the MIDI engine's info block and configuration", RunEngineInfo},
    {"play", "FILE [--port NAME] [--from TICK] [--to TICK]", "play a song file to a MIDI output", RunPlay},
    {"timing", "[--seconds N] [--load]", "measure playback timing into the capture port", RunTiming},
};

void PrintHelp(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: kvtool COMMAND [ARGUMENTS]\n"
                 "Kelvane Professional's command-line companion.\n\n"
                 "Commands:\n");
    for (const Command& c : kCommands) {
        if (std::strlen(c.usage) > 32)
            std::fprintf(out, "  %-12s %s\n  %-12s %-32s %s\n", c.name, c.usage, "", "", c.summary);
        else
            std::fprintf(out, "  %-12s %-32s %s\n", c.name, c.usage, c.summary);
    }
    std::fprintf(out,
                 "\nOptions:\n"
                 "  --help       show this help\n"
                 "  --version    print the version\n\n"
                 "Exit codes: 0 success, 1 the command failed, 2 wrong usage.\n");
}

int PrintVersion(int, char**)
{
    std::printf("kvtool (Kelvane Professional) %s\n", KV_VERSION);
    return kExitOk;
}

}  // namespace
}  // namespace kv::tool

int main(int argc, char** argv)
{
    using namespace kv::tool;
    if (argc < 2) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    const char* name = argv[1];
    if (!std::strcmp(name, "--help") || !std::strcmp(name, "-h") || !std::strcmp(name, "help")) {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (!std::strcmp(name, "--version") || !std::strcmp(name, "version"))
        return PrintVersion(argc - 1, argv + 1);
    for (const Command& c : kCommands) {
        if (c.run && !std::strcmp(name, c.name))
            return c.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "kvtool: unknown command '%s' (see kvtool --help)\n", name);
    return kExitUsage;
}
