// kvtool convert: a song file through the program's own reader and writer.
#include <cstdio>

#include "tools/kvtool/cmd_song.h"
#include "tools/kvtool/command.h"

namespace kv::tool {

int RunConvert(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] == '-' || argv[2][0] == '-') {
        std::fprintf(stderr, "usage: kvtool convert IN OUT\n");
        return kExitUsage;
    }
    ToolSong s;
    if (!s.Load(argv[1]))
        return kExitFailed;
    // A converted file replaces OUT whole; a tool run keeps no backups.
    s.files.settings.useBak = false;
    return OnSaveDocument(s.files, argv[2]) ? kExitOk : kExitFailed;
}

}  // namespace kv::tool
