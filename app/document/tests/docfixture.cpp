#include "app/document/tests/docfixture.h"

#include "app/document/defaultsong.h"
#include "files/songfiles.h"
#include "song/song.h"

namespace kv::test {

bool WriteSongFile(const std::string& path, int timebase)
{
    Song song;
    if (!BuildDefaultSong(song))
        return false;
    song.timebase = timebase;
    WaveTable waves;
    SongFiles files{song, waves, {}, {}, nullptr, -1};
    files.settings.useBak = false;
    files.settings.warnKV = false;
    files.state.documentPath = path;
    return WriteSong(files, false, false) == 0;
}

}  // namespace kv::test
